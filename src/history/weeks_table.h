#pragma once

// The weeks as the Trends window's table, its CSV file and orq-cli's weeks show them.

#include <cstdint>
#include <string>
#include <vector>

#include "history/history.h"

namespace orq::history {

// A date as YYYY-MM-DD.
std::string IsoDate(TDateTime day);
// A time (milliseconds since 1970-01-01 UTC) as YYYY-MM-DDTHH:MM:SSZ.
std::string IsoTimeUtc(std::int64_t ms);

// The figures of one component in one week (or one group, with `group` given).
struct TWeekFigures {
    std::uint32_t Made = 0;
    std::uint32_t Approved = 0;
    std::uint32_t NoShow = 0;
    std::uint32_t Bad = 0;
    // Conducts (approved and bad) per appointment made, as the metrics table's "Cdct %".
    long double ConductPercent = 0;
};
TWeekFigures FiguresOf(const TWeek& week, TComponent component);
TWeekFigures FiguresOf(const TWeek& week, TComponent component, TEdGroup group);

// The columns of the weeks table: the week's Monday, then made, approved conducts, no-shows, bad
// conducts and conduct percentage for RA, then the same for AR.
const std::vector<std::string>& WeeksTableHeader();

// One row of the table: the Monday as `weekText` gives it, the counts in decimal and the
// percentages with one decimal, the given separator and `percentSuffix`.
std::vector<std::string> WeeksTableRow(const TWeek& week, const std::string& weekText,
                                       char decimalSeparator, const char* percentSuffix);

// The table as CSV (RFC 4180: fields with a comma, a quote or a line break quoted, quotes
// doubled), UTF-8, lines ended by LF; weeks as YYYY-MM-DD, percentages with a full stop.
std::string WeeksCsv(const std::vector<TWeek>& weeks);

} // namespace orq::history
