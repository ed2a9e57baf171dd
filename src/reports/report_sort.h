#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "domain/dates.h"
#include "reports/report_table.h"

// Sorting the rows of a report table by the content of a column.
//
// Cells compare by what their text reads as:
//   - a number (an optional sign, digits, at most one decimal separator of the format, blanks
//     around it allowed; no exponent, no thousands separators): numerically. An empty cell, or
//     one of blanks only, counts as the number 0;
//   - otherwise a date, a time or a date and time (a date in the short date format, or a time
//     "h:mm" / "h:mm:ss" with an optional AM/PM, or a date, blanks and such a time, trailing
//     blanks allowed): chronologically, a time alone being a time of day on no date;
//   - otherwise text: byte by byte (character code by character code), a shorter text that is
//     the start of a longer one first.
// Mixed columns sort in one consistent order: every number before every date or time, every
// date or time before every text (ascending; descending reverses it all). So the "NO DATE" rows
// of "Testers" follow the dated rows, a time text that reads as no time follows the times, and
// empty EST cells (0) come last when EST is sorted from highest to lowest.
//
// Rows whose sort cells compare equal are ordered by the next shown column to the right, then
// the next, up to the last shown column, each compared the same way and in the same direction;
// rows equal in all of these keep their previous order. Rows move whole, with their colours and
// fonts.
namespace orq::reports {

enum class TSortKind : std::uint8_t { Number = 0, DateTime = 1, Text = 2 };

// What a cell reads as, computed once per cell and sort. `Text` views the cell's text and is
// valid while the cell is.
struct TSortKey {
    TSortKind Kind = TSortKind::Number;
    double Value = 0;
    std::string_view Text;
};

// The sort key of a cell text. `today` supplies the year of a date written without one.
TSortKey CellSortKey(std::string_view text, const TFormatSettings& format, TDateTime today);

// Negative, zero or positive as `a` sorts before, with or after `b` (ascending).
int CompareSortKeys(const TSortKey& a, const TSortKey& b);

// Where a sort put the rows: entry i is the position, before the sort, of the row that is now
// data row i. Empty when nothing was sorted.
using TRowOrder = std::vector<std::uint32_t>;

// Sorts the data rows by stored column `column` with the tie rule above and sets the table's
// sort indicator. Each cell's key is computed at most once; the columns to the right are only
// read for rows that tie. Nothing happens for a column out of range. Returns where each row
// came from, so that a view can keep its marks on the rows they were on.
TRowOrder SortRows(TReportTable& table, std::size_t column, bool ascending,
                   const TFormatSettings& format, TDateTime today);

} // namespace orq::reports
