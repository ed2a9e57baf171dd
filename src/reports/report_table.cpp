#include "reports/report_table.h"

namespace orq::reports {

void AppendColorText(std::string& out, const std::optional<TColor>& color) {
    if (!color) return;
    // A report of a large list has millions of colours to write: no formatting call for each.
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char text[6];
    std::uint32_t value = *color & 0xFFFFFFu;
    for (int i = 5; i >= 0; --i, value >>= 4)
        text[i] = kDigits[value & 15];
    out.append(text, sizeof text);
}

std::string ColorText(const std::optional<TColor>& color) {
    std::string text;
    AppendColorText(text, color);
    return text;
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
