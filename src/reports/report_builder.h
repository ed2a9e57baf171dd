#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "domain/state.h"
#include "reports/report_rules.h"
#include "reports/report_table.h"

// The report builder's work on the table: which records a report holds, the texts, colours and
// fonts of their rows, the width of the name column and the order of the rows. The report
// window's LoadApps runs it and updates the window around it.
namespace orq::reports {

// The width in pixels of a text drawn in the table's font (Tahoma 8 point; `bold` for the header
// row). The window passes one based on its font metrics; the core cannot measure fonts.
using TTextWidth = std::function<int(std::string_view text, bool bold)>;

// An estimate of the width of a text in Tahoma 8 point at 96 dots per inch, from typical
// character widths (narrow letters and punctuation 2-3 pixels, most lower-case letters and
// digits 5-6, capitals 6-8; bold one pixel wider per character). The widest line counts when
// the text holds line breaks.
int EstimateTextWidth(std::string_view text, bool bold);

// The room a cell leaves around its text, added to the widest text when column 2 is sized.
inline constexpr int kCellPadding = 8;

// What building the rows did.
struct TReportBuild {
    std::size_t Count = 0; // records selected (the row being written when a row failed included)
    // "Error on applicant <n>, <name>.\rPlease send APL and ORQ version # to <address>" when a
    // row could not be written; the rows written so far stay and the build finished as usual.
    std::string RowError;
};

// Sets CurrentReportType, lays the table out for report `type` (its columns, headers, widths,
// the hidden column), writes one row for every record the filter and the rules select and
// sizes column 2 to its widest text. The table keeps one empty data row when nothing is
// selected. ReferenceDate is shifted by the type for types below 3 during the selection and
// restored on every path. A date the rules cannot read fails with "'%s' is not a valid date";
// the rows written so far stay. Rows of earlier builds go to `spareRows` and are reused.
TReportBuild BuildReportRows(TOrqState& state, const TReportFilter& filter, std::int8_t type,
                             TReportTable& grid, std::vector<TReportRow>& spareRows,
                             const TTextWidth& textWidth);

// The order report `type` shows its rows in: by the time (Today's Conducts), by EST from the
// highest (High EST/QT), by station (48hr, 72hr, No Shows, All Applicants), by projected test
// date (Testers); "Yesterday" keeps the order of the applicant table.
void SortReport(TReportTable& grid, std::int8_t type, const TOrqState& state);

// The message of a row that could not be written (record position from 0, the name as column 2
// shows it).
std::string ApplicantErrorMessage(std::size_t index, const std::string& name);

} // namespace orq::reports
