#include "cli/table_output.h"

#include <numeric>

#include "base/csv.h"

namespace orq::cli {

std::vector<std::size_t> AllColumns(const reports::TReportTable& table) {
    std::vector<std::size_t> columns(table.ColumnCount());
    std::iota(columns.begin(), columns.end(), std::size_t{0});
    return columns;
}

std::string CsvTable(const reports::TReportTable& table, const std::vector<std::size_t>& columns) {
    std::string csv;
    csv.reserve((table.Rows.size() + 1) * columns.size() * 12);
    auto record = [&](auto text) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i) csv += ',';
            AppendCsvField(csv, text(columns[i]));
        }
        csv += '\n';
    };
    record([&](std::size_t c) -> const std::string& { return table.Columns[c].Header; });
    for (const reports::TReportRow& row : table.Rows)
        record([&](std::size_t c) -> const std::string& { return row[c].Text; });
    return csv;
}

} // namespace orq::cli
