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
    WriteDelimitedTable(
        writer, table, columns, ',', [](std::size_t size) { return CsvFieldRoom(size); },
        PutCsvField);
}

} // namespace orq::cli
