#pragma once

#include <cstddef>
#include <string>

#include "domain/state.h"
#include "reports/report_table.h"

// The two check lists built from the whole applicant table (the report window's filters do not
// apply): past-due actions and broken appointments. Each is a TReportTable that its dialog
// shows (and prints, portrait, without a title) and copies to the clipboard as CopyText.
// Both tables start every build with the header and three empty rows; from the fourth entry on
// they hold exactly one row per entry.
namespace orq::reports {

// The past-due table (PastGrid) and its row counter.
struct TPastDueList {
    TReportTable PastGrid;
    std::size_t PastRowCount = 0;
};

// Row kinds of the past-due list.
enum TPastKind : int { kNoDate = 1, kDatePassed = 2 };

// PastButtonClick without the dialog: empties and lays out the table (header row 35 pixels,
// rows 18, widths 80, 120, 140, 66) and adds a row for every record whose next action has no
// date (kind 1, "NO DATE!") or a date before ReferenceDate (kind 2). A next action date that is
// not a date fails with "'%s' is not a valid date"; the rows written before stay.
void BuildPastDueList(const TOrqState& state, TPastDueList& list);

// Writes the row of record `index` with row kind `kind`: "Rctr   " the recruiter's first word
// padded to 10, "Applicant   " the name in proper case cut to 16 and padded to 17, "Next Action"
// ("NO ACTION!" or the action, "APPOINTMENT-INITIAL" as "APPT-INIT", cut to 10 and padded to
// 11), "Date" ("NO DATE!" for kind 1, else the date part of the next action date).
void AddPastRow(const TOrqState& state, TPastDueList& list, std::size_t index, int kind);

// The broken-appointments table (BrokenGrid) and its row counter.
struct TBrokenList {
    TReportTable BrokenGrid;
    std::size_t BrokenRowCount = 0;
};

// The six bookkeeping rules (BrokenReason), tested in this order.
enum TBrokenReason : int {
    kNoEst = 1,          // "no EST"
    kRaCihs = 2,         // "RA CIHS"
    kConduct72 = 3,      // "conduct 72hrs+"
    kApprovedLowEst = 4, // "app. low EST"
    kUnapprovedMake = 5, // "unapp. make"
    kUnapprovedCond = 6, // "unapp. conduct"
};

// The text of a reason code; empty for any other code.
std::string BrokenReasonText(int code);

// BrokenButtonClick without the dialog: empties and lays out the table (header row 35 pixels,
// rows 18, widths 100, 140, 140) and adds one row per rule a record breaks, in rule order. Every
// record's scheduled day is read; one that is not a date fails with "'%s' is not a valid date"
// and the rows written before stay.
void BuildBrokenList(const TOrqState& state, TBrokenList& list);

// Writes the row of record `index` for reason `code`: recruiter and applicant as in the
// past-due list, then the reason text (empty for an unknown code).
void AddBrokenRow(const TOrqState& state, TBrokenList& list, std::size_t index, int code);

// The clipboard text of a whole table, header row included: every cell's text followed by a tab,
// the last tab of each row replaced by CR LF. A cell holding carriage returns is written without
// them, in double quotation marks. Padding spaces are kept.
std::string CopyText(const TReportTable& table);

} // namespace orq::reports
