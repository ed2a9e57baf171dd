#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/import.h"
#include "domain/state.h"
#include "metrics/grid.h"
#include "metrics/pms.h"
#include "view/combo_state.h"

namespace orq {

// Which selector gets the keyboard focus after a load.
enum class TMainFocus : std::uint8_t { None, RsidCombo, RctrCombo };

// The outcome of a load: loaded, or stopped with an information message (not an error).
struct TLoadResult {
    enum Kind : std::uint8_t { Loaded, NoAppointments };
    Kind Outcome = Loaded;
    std::string Message; // the information message when not loaded
};

// Everything the main window shows, as plain state. The window renders it and forwards its
// events to the operations below; the CLI prints it.
struct TMainView {
    TComboState RsidCombo; // station selector
    TComboState RctrCombo; // recruiter selector
    // The report buttons, the "&Reset USAR / EST" menu item and Panel2: disabled before the
    // first load, enabled for the rest of the run after it.
    bool CommandsEnabled = false;
    bool Panel1Visible = false;
    std::string Label1 = "PMS";       // the period caption
    std::string Label3 = "Rctrs";     // the recruiter counts
    TRecruiterCounts ShownRecruiters; // the shown copies of the recruiter counts
    TGrid MathGrid{9, 10};
    TGrid CondGrid{4, 10};
    std::string EstButtonCaption;
    TMainFocus Focus = TMainFocus::None;

    // Hooks the window fills in. RunSettingsDialog shows the settings dialog modally with the
    // given recruiter names unchecked; its Ok calls WriteSettings. Without it (orq-cli) the
    // dialog never opens. ResetReportFilters empties the report window's station and recruiter
    // filters.
    std::function<void(const std::vector<std::string>& names)> RunSettingsDialog;
    std::function<void()> ResetReportFilters;

    // The selection the selectors stand for.
    TSelection Selection() const;
};

// Start-up: the EstButton caption from the minimum EST read at start.
void InitMainView(TMainView& view, const TOrqState& state);

// Zeroes the counters, enables the commands and the selectors, clears both tables, shows
// Panel1 and lays the tables out.
void PrepareMainView(TMainView& view, TOrqState& state);

// The counting and display operations on the current selector values.
void CountPMS(TMainView& view, TOrqState& state);
void CountRecruiters(TMainView& view, TOrqState& state);
void ConductStatus(TMainView& view, TOrqState& state);
void ShowMetrics(TMainView& view, TOrqState& state);

// Loads the active sheet of `import` into the state and refreshes the view in the fixed order.
// Returns NoAppointments (nothing changed) for a list without data rows; a failure is an
// orq::Error (the loader's fixed message for a failure in the row loop).
TLoadResult LoadAplRows(TMainView& view, TOrqState& state, ImportComponent& import);

// Whether a file's name is one of a processing list (.xls, .xlsx or .csv, in any letter case):
// what File > Open lists, what a dropped file and a folder's files are taken for. The readers
// themselves go by the content.
bool IsListFileName(const std::string& fileName);

// File > Open after the dialog: opens `fileName` with the import component, makes sheet 1 active
// and runs LoadAplRows. A reader failure (not an .xls file, for instance) is an orq::Error with
// the reader's message and leaves everything as it was.
TLoadResult OpenApl(TMainView& view, TOrqState& state, ImportComponent& import,
                    const std::string& fileName);

// The selector handlers: select item `index` and recompute.
void RsidComboChange(TMainView& view, TOrqState& state, int index);
void RctrComboChange(TMainView& view, TOrqState& state, int index);

// The settings dialog: zeroes the recruiter counts and their shown copies, runs the
// RunSettingsDialog hook with the recruiter selector's items after "ALL", then clears FirstRun.
// The load runs it on the first run, after the selectors are filled and before anything is
// counted.
void OpenSettingsDialog(TMainView& view, TOrqState& state);

// "&Reset USAR / EST": empties ReserveList, runs the dialog hook, recounts the recruiters.
void ResetARRctrs(TMainView& view, TOrqState& state);

} // namespace orq
