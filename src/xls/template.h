#pragma once

// The template workbooks the writer starts from, built into the program.

#include <cstdint>
#include <span>

namespace orq::xls {

// TAVROEMPTYSHEET: a complete one-sheet workbook (a compound file holding the "Workbook" stream
// and the summary and document summary property sets, 13,824 bytes).
std::span<const std::uint8_t> EmptyWorkbookTemplate();

// TAVROEMPTYWSHEET: the bare worksheet substream every inserted sheet is read from (243 bytes).
std::span<const std::uint8_t> EmptyWorksheetTemplate();

} // namespace orq::xls
