#pragma once

// What the Trends window shows, as plain state: the station, recruiter and span selectors, the
// weeks they select and the table of their figures. The window renders it (the chart from
// Weeks, the table from Table) and forwards its selector changes to the operations below.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/import.h"
#include "domain/sorted_list.h"
#include "history/history.h"
#include "view/combo_state.h"

namespace orq {

// The text an empty history shows in place of the chart.
inline constexpr const char* kTrendsEmptyText =
    "The history is empty.\n\nEvery list opened with File > Open is recorded while History > "
    "Record opened lists is checked. To record the lists you already have, use History > "
    "Import lists... (several files, or every list of a folder).";

// The span choices: the last 12, 26 or 52 weeks up to this week, or every week recorded.
inline constexpr int kTrendsSpans[] = {12, 26, 52, 0};

struct TTrendsView {
    TComboState RsidCombo; // "ALL" and the stations of the history
    TComboState RctrCombo; // "ALL" and the recruiters of the chosen station (or of every one)
    TComboState SpanCombo; // "12 weeks", "26 weeks", "52 weeks", "All weeks"
    bool Empty = true;     // nothing recorded: the window shows EmptyText instead
    std::string EmptyText = kTrendsEmptyText;
    std::vector<history::TWeek> Weeks;
    std::vector<std::vector<std::string>> Table; // header row, then one row per week
    // The day the no-shows are judged against, the date format and the lists' collation.
    TDateTime Today = 0;
    TFormatSettings Format;
    CollationCompare Collation = CaseInsensitiveCompare;
};

// Fills the selectors from the history (station "ALL", span 12 weeks unless one was chosen
// before) and the weeks.
void LoadTrends(TTrendsView& view, history::THistory& history);

// The selector handlers: select item `index` and recompute.
void TrendsStationChange(TTrendsView& view, history::THistory& history, int index);
void TrendsRecruiterChange(TTrendsView& view, history::THistory& history, int index);
void TrendsSpanChange(TTrendsView& view, history::THistory& history, int index);

// What "Save as CSV" writes.
std::string TrendsCsv(const TTrendsView& view);

// What recording one list file into the history came to.
struct TRecordOutcome {
    enum Kind : std::uint8_t { Recorded, AlreadyRecorded, Failed };
    Kind Outcome = Failed;
    std::string Message; // the failure's message (as the error display shows it)
};

// Records the list file `path`: a file recorded before is found by its digest without loading
// it; any other is opened with `import` and loaded into a state of its own (on `today`, with
// `format`), then recorded. A file that cannot be read or loaded is a Failed outcome, never an
// exception.
TRecordOutcome RecordListFile(history::THistory& history, ImportComponent& import,
                              const std::string& path, const TFormatSettings& format,
                              TDateTime today, std::int64_t nowMs);

// The files of a folder that look like lists (.xls, any letter case), sorted by name.
std::vector<std::string> ListFilesOfFolder(const std::string& folder);

} // namespace orq
