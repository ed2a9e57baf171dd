#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "reports/report_table.h"

// The report table and the check lists as orq-cli writes them in CSV.
namespace orq::cli {

// Every stored column of `table`, in order.
std::vector<std::size_t> AllColumns(const reports::TReportTable& table);

// The header texts of `columns`, then every data row's texts of them, one CSV record each.
void WriteCsvTable(std::ostream& out, const reports::TReportTable& table,
                   const std::vector<std::size_t>& columns);

} // namespace orq::cli
