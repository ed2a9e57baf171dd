#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "domain/state.h"
#include "reports/report_builder.h"
#include "reports/report_rules.h"
#include "reports/report_sort.h"
#include "reports/report_table.h"
#include "view/combo_state.h"

// The report window as plain state, and the report builder LoadApps. The Qt report window
// renders a TReportWindow (filter boxes, check boxes, caption, count label, the table through a
// table model) and forwards its events to the handlers below; orq-cli fills the same state and
// prints the table. Handlers that rebuild the report return the builder's TBuildResult, which
// says what the window has to do besides redrawing (show a message, move the focus).
namespace orq::reports {

// The widths the report table starts with (window layout), columns 0 to 12.
inline constexpr int kInitialWidths[13] = {34, 71, 74, 88, 15, 16, 16, 31, 70, 110, 111, 102, 21};

// Where the keyboard focus moves after a build with results, when the table held it.
enum class TReportFocus : std::uint8_t { None, StationFilter, RecruiterFilter };

// What a build did besides filling the table.
struct TBuildResult {
    std::size_t Count = 0; // records selected (the row being written when a row failed included)
    // "Error on applicant <n>, <name>.\rPlease send APL and ORQ version # to <address>" when a
    // row could not be written; the window shows it in a message box (error icon, OK button).
    // The rows written so far stay and the build finished as usual.
    std::string RowError;
    bool Shown = false; // the window is to be shown (not modal) and brought to the front
    TReportFocus FocusFromTable = TReportFocus::None;
};

// The report window (TPrintForm) as state.
struct TReportWindow {
    TReportWindow();

    // Filter boxes. RSIDGridCombo and RctrGridCombo hold no items until LoadCombos runs; item 0
    // of both is then "ALL". EdCombo: "ALL", "Grads", "Seniors" with "ALL" selected. CompCombo:
    // "ALL", "ACTIVE", "RESERVE" with no item selected (the box shows the text "ALL").
    TComboState RSIDGridCombo;
    TComboState RctrGridCombo;
    TComboState EdCombo;
    TComboState CompCombo;
    bool CheckBox1 = false;        // "Hide Terminated"
    bool CheckBox2 = false;        // "Hide Rescheduled"
    bool CheckBox2Visible = false; // shown in "No Shows" only

    TReportTable PrintGrid; // 13 columns, header row and one empty data row at start
    std::string Caption = "All Applicants";
    std::string Label1 = "Label1"; // the count label
    bool Visible = false;

    // Measures column 2 for sizing; the window replaces the estimate by its font metrics.
    TTextWidth TextWidth = EstimateTextWidth;

    // Data rows of earlier builds, emptied and kept for the next build, so that rebuilding a
    // large report neither frees nor allocates their storage again. Never shown, printed or
    // exported.
    std::vector<TReportRow> SpareRows;

    // The filter settings the rules read.
    TReportFilter Filter() const;
};

// Builds report `type` into the window's table (LoadApps). Sets CurrentReportType; shifts
// ReferenceDate by the type for types below 3 for the duration of the build and restores it on
// every path, failures included. A date that the selection rules cannot read fails with "'%s' is
// not a valid date": the rows written so far stay, caption, count label, sort and visibility are
// not updated. Other failures pass through the same way.
TBuildResult LoadApps(TOrqState& state, TReportWindow& window, std::int8_t type);

// Fills both filter lists: RSIDGridCombo "ALL" and every station (the only station selected and
// the box disabled when there are fewer than two, else "ALL" selected and enabled);
// RctrGridCombo "ALL" (selected) and every RecruiterList entry without its station id.
void LoadCombos(const TOrqState& state, TReportWindow& window);

// A new list was loaded: both station and recruiter filters lose their items (the first report
// with results fills them again). The main window's load calls this through its hook.
void ForgetFilterLists(TReportWindow& window);

// A main-window report button (AllButtonClick, TodayButtonClick, ...): "Hide Rescheduled" is
// unchecked and shown for "No Shows" and hidden for every other type; the Grad/Senior and
// component boxes return to "ALL"; then LoadApps. Station, recruiter and "Hide Terminated"
// carry over.
TBuildResult ReportButtonClick(TOrqState& state, TReportWindow& window, std::int8_t type);

// The filter handlers, run after the user chose item `index` (-1: a typed text that is no item)
// or toggled a check box. Each rebuilds the report of CurrentReportType. Choosing a station
// lists that station's recruiters (sorted, duplicates ignored, letter case ignored) or, for
// "ALL" (or no item), every recruiter, and resets the recruiter filter to "ALL".
TBuildResult RSIDGridComboChange(TOrqState& state, TReportWindow& window, int index);
// The list part of RSIDGridComboChange without the rebuild: selects station item `index` and
// refills the recruiter filter for it, "ALL" selected. orq-cli sets all filters before its one
// build.
void SelectStation(const TOrqState& state, TReportWindow& window, int index);
TBuildResult RctrGridComboChange(TOrqState& state, TReportWindow& window, int index);
TBuildResult EdComboChange(TOrqState& state, TReportWindow& window, int index);
TBuildResult CompComboChange(TOrqState& state, TReportWindow& window, int index);
TBuildResult CheckBox1Click(TOrqState& state, TReportWindow& window, bool checked);
TBuildResult CheckBox2Click(TOrqState& state, TReportWindow& window, bool checked);

// A click on the header of stored column `column`: with at least two data rows, sorts by that
// column, ascending unless it is the current sort column, whose direction flips. Returns where
// the rows came from (empty when nothing was sorted).
TRowOrder HeaderClick(const TOrqState& state, TReportWindow& window, std::size_t column);

// The window closes (FormClose, also by Esc): it is hidden; the station and recruiter filters
// return to "ALL" and the recruiter filter lists every recruiter again. Nothing else changes.
void FormClose(const TOrqState& state, TReportWindow& window);

// The file name "&Save to XLS" suggests: the window's caption and the date, as in
// "Todays Conducts 2026-12-10.xls". An apostrophe is left out and a slash becomes "-" ("High
// EST-QT 2026-12-10.xls"), so that the name is one plain file name on every system.
std::string SuggestedFileName(const TReportWindow& window, TDateTime date);
// The name the save dialog returned, with ".xls" appended unless it already ends so (in any
// letter case): a bare "today" is saved as "today.xls", "report.v2" as "report.v2.xls".
std::string WithXlsExtension(std::string fileName);

// The title the Print button prints by CurrentReportType: the report name and two carriage
// returns. Print also switches the table to landscape (see PreparePrint).
std::string PrintTitle(std::int8_t type);
// The report window's Print button settings: landscape, the title of CurrentReportType.
void PreparePrint(const TOrqState& state, TReportWindow& window);

} // namespace orq::reports
