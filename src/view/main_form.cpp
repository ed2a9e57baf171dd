#include "view/main_form.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "domain/loader.h"
#include "domain/settings.h"
#include "domain/text.h"

namespace orq {
namespace {

constexpr const char* kAll = "ALL";

// A recruiter list entry without its station id (always four characters, even when the
// station id was shorter).
std::string WithoutStation(const std::string& entry) {
    return DropLeft(entry, 4);
}

// The zero-count-write sequence on the current selection, as the selector handlers run it.
void Recount(TMainView& view, TOrqState& state) {
    TDayCache days(state);
    PrepareMainView(view, state);
    CountRecruiters(view, state);
    CountPMS(state, view.Selection(), &days);
    state.ReferenceDate = state.Today;
    for (int k = 0; k < 3; ++k) {
        state.ReferenceDate = state.Today + k;
        ConductStatus(state, view.Selection(), &days);
    }
    state.ReferenceDate = state.Today;
    ShowMetrics(view, state);
}

} // namespace

TSelection TMainView::Selection() const {
    TSelection selection;
    if (RsidCombo.ItemIndex > 0) selection.Station = RsidCombo.Text();
    if (RctrCombo.ItemIndex > 0) selection.Recruiter = RctrCombo.Text();
    return selection;
}

void InitMainView(TMainView& view, const TOrqState& state) {
    view.EstButtonCaption = EstButtonCaption(state.MinEST);
}

void PrepareMainView(TMainView& view, TOrqState& state) {
    ZeroCounters(state);
    view.CommandsEnabled = true;
    view.RsidCombo.Enabled = state.StationList.Count() > 1;
    view.RctrCombo.Enabled = true;
    view.MathGrid.ClearCells();
    view.CondGrid.ClearCells();
    view.Panel1Visible = true;
    LayoutMathGrid(view.MathGrid);
    LayoutCondGrid(view.CondGrid);
}

void CountPMS(TMainView& view, TOrqState& state) {
    CountPMS(state, view.Selection());
}

void CountRecruiters(TMainView& view, TOrqState& state) {
    view.ShownRecruiters = CountRecruiters(state, view.RctrCombo.Items, view.RctrCombo.ItemIndex);
    view.Label3 = RecruitersLabel(view.ShownRecruiters);
}

void ConductStatus(TMainView& view, TOrqState& state) {
    ConductStatus(state, view.Selection());
}

void ShowMetrics(TMainView& view, TOrqState& state) {
    WriteMetrics(state, view.MathGrid, view.CondGrid);
}

TLoadResult LoadAplRows(TMainView& view, TOrqState& state, ImportComponent& import) {
    if (!AplHasRows(import)) return {TLoadResult::NoAppointments, kAplHasNoAppointments};

    view.RctrCombo.Clear();
    view.RsidCombo.Clear();
    if (view.ResetReportFilters) view.ResetReportFilters();
    ReadAplRows(import, state);

    // The refresh, in its fixed order.
    PrepareMainView(view, state);

    const auto& stations = state.StationList.Items();
    view.RsidCombo.Items.assign(1, kAll);
    view.RsidCombo.Items.insert(view.RsidCombo.Items.end(), stations.begin(), stations.end());
    if (stations.size() >= 2) {
        view.RsidCombo.ItemIndex = 0;
        view.RsidCombo.Enabled = true;
    } else {
        view.RsidCombo.ItemIndex = stations.empty() ? -1 : 1;
        view.RsidCombo.Enabled = false;
    }

    view.RctrCombo.Items.assign(1, kAll);
    for (const std::string& entry : state.RecruiterList.Items())
        view.RctrCombo.Items.push_back(WithoutStation(entry));
    view.RctrCombo.ItemIndex = 0;

    if (state.FirstRun && view.RunSettingsDialog) OpenSettingsDialog(view, state);

    TDayCache days(state);
    state.ReferenceDate = state.Today;
    CountPMS(state, view.Selection(), &days);
    CountRecruiters(view, state);
    for (int k = 0; k < 3; ++k) {
        state.ReferenceDate = state.Today + k;
        ConductStatus(state, view.Selection(), &days);
    }
    state.ReferenceDate = state.Today;

    state.ListWeeks = ListPeriodWeeks(state.ListStart, state.ListEnd);
    view.Label1 = PeriodCaption(state);

    view.Focus = stations.size() >= 2 ? TMainFocus::RsidCombo : TMainFocus::RctrCombo;
    ShowMetrics(view, state);
    return {};
}

bool IsListFileName(const std::string& fileName) {
    for (const std::string_view ending : {".xls", ".xlsx", ".csv"}) {
        if (fileName.size() < ending.size()) continue;
        const std::string_view tail(fileName.data() + fileName.size() - ending.size(),
                                    ending.size());
        if (std::equal(tail.begin(), tail.end(), ending.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            }))
            return true;
    }
    return false;
}

TLoadResult OpenApl(TMainView& view, TOrqState& state, ImportComponent& import,
                    const std::string& fileName) {
    import.OpenFile(fileName);
    import.SetActiveSheet(1);
    return LoadAplRows(view, state, import);
}

void RsidComboChange(TMainView& view, TOrqState& state, int index) {
    view.RsidCombo.ItemIndex = index;
    view.RctrCombo.Clear();
    std::vector<std::string> names;
    if (index != 0) {
        // The recruiters of the chosen station, sorted by the lists' collation.
        const std::string station = view.RsidCombo.Text();
        TSortedList recruiters(state.RecruiterList.Collation());
        for (const TAppt& appt : state.Appts)
            if (appt.Rsid == station) recruiters.Add(appt.Rctr);
        names = recruiters.Items();
    } else {
        for (const std::string& entry : state.RecruiterList.Items())
            names.push_back(WithoutStation(entry));
    }
    view.RctrCombo.Items.assign(1, kAll);
    view.RctrCombo.Items.insert(view.RctrCombo.Items.end(), names.begin(), names.end());
    view.RctrCombo.ItemIndex = 0;
    Recount(view, state);
}

void RctrComboChange(TMainView& view, TOrqState& state, int index) {
    view.RctrCombo.ItemIndex = index;
    Recount(view, state);
}

void OpenSettingsDialog(TMainView& view, TOrqState& state) {
    state.RaRecruiters = 0;
    state.ArRecruiters = 0;
    view.ShownRecruiters = {};
    const auto& items = view.RctrCombo.Items;
    std::vector<std::string> names;
    for (std::size_t i = 1; i < items.size(); ++i)
        names.push_back(items[i]);
    if (view.RunSettingsDialog) view.RunSettingsDialog(names);
    state.FirstRun = false;
}

void ResetARRctrs(TMainView& view, TOrqState& state) {
    state.ReserveList.clear();
    OpenSettingsDialog(view, state);
    CountRecruiters(view, state);
}

} // namespace orq
