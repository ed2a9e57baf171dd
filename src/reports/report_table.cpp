#include "reports/report_table.h"

#include <cstdio>

namespace orq::reports {

std::string ColorText(const std::optional<TColor>& color) {
    if (!color) return {};
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%06X", *color & 0xFFFFFFu);
    return buffer;
}

const std::string& TReportTable::Text(std::size_t row, std::size_t column) const {
    static const std::string empty;
    if (column >= Columns.size()) return empty;
    if (row == 0) return Columns[column].Header;
    if (row > Rows.size()) return empty;
    const TReportRow& cells = Rows[row - 1];
    return column < cells.size() ? cells[column].Text : empty;
}

std::vector<std::size_t> TReportTable::ShownColumns() const {
    std::vector<std::size_t> shown;
    shown.reserve(Columns.size());
    for (std::size_t c = 0; c < Columns.size(); ++c)
        if (!Columns[c].Hidden) shown.push_back(c);
    return shown;
}

void TReportTable::SetColumnCount(std::size_t count) {
    Columns.resize(count);
    for (TReportRow& row : Rows)
        row.resize(count);
}

void TReportTable::SetDataRowCount(std::size_t count) {
    Rows.resize(count, TReportRow(Columns.size()));
}

void TReportTable::Clear(std::size_t dataRows) {
    Rows.assign(dataRows, TReportRow(Columns.size()));
}

} // namespace orq::reports
