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
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string& field = text(columns[i]);
            char* at = writer.Room(CsvFieldRoom(field.size()) + 1);
            if (i) *at++ = ',';
            writer.Wrote(PutCsvField(at, field));
        }
        writer.Put("\n");
    };
    record([&](std::size_t c) -> const std::string& { return table.Columns[c].Header; });
    for (std::size_t r = 0; r < table.Rows.size(); ++r) {
        reports::PrefetchCellsAhead(table.Rows, r);
        const reports::TReportRow& row = table.Rows[r];
        record([&](std::size_t c) -> const std::string& { return row[c].Text; });
    }
}

} // namespace orq::cli
