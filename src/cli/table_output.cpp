#include "cli/table_output.h"

#include <numeric>

#include "base/csv.h"
#include "cli/cli.h"

namespace orq::cli {

std::vector<std::size_t> AllColumns(const reports::TReportTable& table) {
    std::vector<std::size_t> columns(table.ColumnCount());
    std::iota(columns.begin(), columns.end(), std::size_t{0});
    return columns;
}

void WriteCsvTable(std::ostream& out, const reports::TReportTable& table,
                   const std::vector<std::size_t>& columns) {
    TBlockWriter writer(out);
    auto record = [&](auto text) {
        std::size_t bytes = columns.size() + 1;
        for (const std::size_t c : columns)
            bytes += CsvFieldRoom(text(c).size());
        char* line = writer.Room(bytes);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i) *line++ = ',';
            line = PutCsvField(line, text(columns[i]));
        }
        *line++ = '\n';
        writer.Wrote(line);
    };
    record([&](std::size_t c) -> const std::string& { return table.Columns[c].Header; });
    for (const reports::TReportRow& row : table.Rows)
        record([&](std::size_t c) -> const std::string& { return row[c].Text; });
}

} // namespace orq::cli
