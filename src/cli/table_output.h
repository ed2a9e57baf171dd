#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "reports/report_table.h"

// The report table and the check lists as orq-cli writes them in CSV.
namespace orq::cli {

// Every stored column of `table`, in order.
std::vector<std::size_t> AllColumns(const reports::TReportTable& table);

// The header texts of `columns`, then every data row's texts of them, a line each: the fields
// separated by `separator`, each written by `put(at, text)` at a place with `room(size)` bytes.
template <typename Room, typename Put>
void WriteDelimitedTable(TBlockWriter& writer, const reports::TReportTable& table,
                         const std::vector<std::size_t>& columns, char separator, Room room,
                         Put put) {
    auto line = [&](auto text) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string& field = text(columns[i]);
            char* at = writer.Room(room(field.size()) + 1);
            if (i) *at++ = separator;
            writer.Wrote(put(at, field));
        }
        writer.Put("\n");
    };
    line([&](std::size_t c) -> const std::string& { return table.Columns[c].Header; });
    for (std::size_t r = 0; r < table.Rows.size(); ++r) {
        reports::PrefetchCellsAhead(table.Rows, r);
        const reports::TReportRow& row = table.Rows[r];
        line([&](std::size_t c) -> const std::string& { return row[c].Text; });
    }
}

// The header texts of `columns`, then every data row's texts of them, one CSV record each.
void WriteCsvTable(std::ostream& out, const reports::TReportTable& table,
                   const std::vector<std::size_t>& columns);

} // namespace orq::cli
