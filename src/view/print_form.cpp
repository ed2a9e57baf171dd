// The report window's state: filter lists, filter handlers, header sorting, closing, printing.
#include "view/print_form.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "base/format.h"
#include "domain/sorted_list.h"

namespace orq::reports {
namespace {

const std::string kAll = "ALL";

// RecruiterList entries without their station id, in list order.
std::vector<std::string> AllRecruiters(const TOrqState& state) {
    std::vector<std::string> names;
    names.reserve(state.RecruiterList.Count() + 1);
    for (const std::string& entry : state.RecruiterList.Items())
        names.push_back(entry.size() > 4 ? entry.substr(4) : std::string());
    return names;
}

void FillRecruiters(TComboState& combo, std::vector<std::string> names) {
    combo.Items.clear();
    combo.Items.reserve(names.size() + 1);
    combo.Items.push_back(kAll);
    for (std::string& name : names)
        combo.Items.push_back(std::move(name));
    combo.ItemIndex = 0;
}

// The selected item's text, empty when nothing is selected.
std::string SelectedText(const TComboState& combo) {
    if (combo.ItemIndex < 0 || static_cast<std::size_t>(combo.ItemIndex) >= combo.Items.size())
        return {};
    return combo.Items[static_cast<std::size_t>(combo.ItemIndex)];
}

int Select(TComboState& combo, int index) {
    combo.ItemIndex =
        index >= 0 && static_cast<std::size_t>(index) < combo.Items.size() ? index : -1;
    return combo.ItemIndex;
}

// The handlers' "empty the table, then rebuild": LoadApps empties the table first itself.
TBuildResult Rebuild(TOrqState& state, TReportWindow& window) {
    return LoadApps(state, window, state.CurrentReportType);
}

} // namespace

TReportWindow::TReportWindow() {
    RSIDGridCombo.Enabled = true;
    RctrGridCombo.Enabled = true;
    EdCombo.Items = {"ALL", "Grads", "Seniors"};
    EdCombo.ItemIndex = 0;
    EdCombo.Enabled = true;
    CompCombo.Items = {"ALL", "ACTIVE", "RESERVE"};
    CompCombo.ItemIndex = -1;
    CompCombo.Enabled = true;
    PrintGrid.SetColumnCount(13);
    for (std::size_t c = 0; c < 13; ++c)
        PrintGrid.Columns[c].Width = kInitialWidths[c];
    PrintGrid.Clear(1);
    PrintGrid.RowHeight = 22;
    PrintGrid.HeaderRowHeight = 22;
}

TReportFilter TReportWindow::Filter() const {
    TReportFilter filter;
    filter.StationIndex = RSIDGridCombo.ItemIndex;
    filter.StationText = SelectedText(RSIDGridCombo);
    filter.RecruiterIndex = RctrGridCombo.ItemIndex;
    filter.RecruiterText = SelectedText(RctrGridCombo);
    filter.EdIndex = EdCombo.ItemIndex;
    filter.CompIndex = CompCombo.ItemIndex;
    filter.HideTerminated = CheckBox1;
    filter.HideRescheduled = CheckBox2;
    return filter;
}

TBuildResult LoadApps(TOrqState& state, TReportWindow& window, std::int8_t type) {
    const TReportBuild build = BuildReportRows(state, window.Filter(), type, window.PrintGrid,
                                               window.SpareRows, window.TextWidth);
    TBuildResult result;
    result.Count = build.Count;
    result.RowError = build.RowError;
    if (build.Count == 0) {
        window.Label1 = "no appointments";
        return result;
    }
    window.Caption = ReportName(type);
    if (window.RctrGridCombo.Items.empty()) LoadCombos(state, window);
    window.Label1 = std::to_string(build.Count) + " appointment(s) selected";
    SortReport(window.PrintGrid, type, state);
    window.Visible = true;
    result.Shown = true;
    result.FocusFromTable =
        state.StationList.Count() < 2 ? TReportFocus::RecruiterFilter : TReportFocus::StationFilter;
    return result;
}

void LoadCombos(const TOrqState& state, TReportWindow& window) {
    TComboState& stations = window.RSIDGridCombo;
    stations.Items.clear();
    stations.Items.reserve(state.StationList.Count() + 1);
    stations.Items.push_back(kAll);
    for (const std::string& station : state.StationList.Items())
        stations.Items.push_back(station);
    if (state.StationList.Count() < 2) {
        Select(stations, 1); // the only station (nothing when there is none)
        stations.Enabled = false;
    } else {
        stations.ItemIndex = 0;
        stations.Enabled = true;
    }
    FillRecruiters(window.RctrGridCombo, AllRecruiters(state));
}

void ForgetFilterLists(TReportWindow& window) {
    window.RSIDGridCombo.Clear();
    window.RctrGridCombo.Clear();
}

TBuildResult ReportButtonClick(TOrqState& state, TReportWindow& window, std::int8_t type) {
    if (type == kNoShows) {
        window.CheckBox2 = false;
        window.CheckBox2Visible = true;
    } else {
        window.CheckBox2Visible = false;
    }
    window.EdCombo.ItemIndex = 0;
    window.CompCombo.ItemIndex = 0;
    return LoadApps(state, window, type);
}

void SelectStation(const TOrqState& state, TReportWindow& window, int index) {
    const int chosen = Select(window.RSIDGridCombo, index);
    window.RctrGridCombo.Clear();
    if (chosen > 0) {
        const std::string& station = window.RSIDGridCombo.Items[static_cast<std::size_t>(chosen)];
        TSortedList names(state.StationList.Collation());
        for (const TAppt& appt : state.Appts)
            if (appt.Rsid == station) names.Add(appt.Rctr);
        FillRecruiters(window.RctrGridCombo, names.Items());
    } else {
        FillRecruiters(window.RctrGridCombo, AllRecruiters(state));
    }
}

TBuildResult RSIDGridComboChange(TOrqState& state, TReportWindow& window, int index) {
    SelectStation(state, window, index);
    return Rebuild(state, window);
}

TBuildResult RctrGridComboChange(TOrqState& state, TReportWindow& window, int index) {
    Select(window.RctrGridCombo, index);
    return Rebuild(state, window);
}

TBuildResult EdComboChange(TOrqState& state, TReportWindow& window, int index) {
    Select(window.EdCombo, index);
    return Rebuild(state, window);
}

TBuildResult CompComboChange(TOrqState& state, TReportWindow& window, int index) {
    Select(window.CompCombo, index);
    return Rebuild(state, window);
}

TBuildResult CheckBox1Click(TOrqState& state, TReportWindow& window, bool checked) {
    window.CheckBox1 = checked;
    return Rebuild(state, window);
}

TBuildResult CheckBox2Click(TOrqState& state, TReportWindow& window, bool checked) {
    window.CheckBox2 = checked;
    return Rebuild(state, window);
}

TRowOrder HeaderClick(const TOrqState& state, TReportWindow& window, std::size_t column) {
    TReportTable& grid = window.PrintGrid;
    if (grid.DataRowCount() < 2 || column >= grid.ColumnCount()) return {};
    const bool ascending = grid.SortColumn == static_cast<int>(column) ? !grid.SortAscending : true;
    return SortRows(grid, column, ascending, state.Format, state.Today);
}

void FormClose(const TOrqState& state, TReportWindow& window) {
    window.Visible = false;
    // Lists that a new load emptied stay empty, so that the next report fills both again.
    if (window.RctrGridCombo.Items.empty()) return;
    if (!window.RSIDGridCombo.Items.empty()) window.RSIDGridCombo.ItemIndex = 0;
    FillRecruiters(window.RctrGridCombo, AllRecruiters(state));
}

std::string SuggestedFileName(const TReportWindow& window, TDateTime date) {
    std::string name;
    for (const char c : window.Caption) {
        if (c == '/' || c == '\\' || c == ':')
            name += '-';
        else if (static_cast<unsigned char>(c) >= 0x80 ||
                 std::isalnum(static_cast<unsigned char>(c)) ||
                 std::strchr(" -_+.,()&", c) != nullptr)
            name += c;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    DecodeDate(date, year, month, day);
    if (!name.empty()) name += ' ';
    return name + Format("%04d-%02d-%02d", year, month, day) + ".xls";
}

std::string WithXlsExtension(std::string fileName) {
    if (fileName.empty()) return fileName;
    const std::size_t size = fileName.size();
    auto lower = [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    const bool hasExtension = size > 4 && fileName[size - 4] == '.' &&
                              lower(fileName[size - 3]) == 'x' &&
                              lower(fileName[size - 2]) == 'l' &&
                              lower(fileName[size - 1]) == 's' && fileName[size - 5] != '/';
    if (!hasExtension) fileName += ".xls";
    return fileName;
}

std::string PrintTitle(std::int8_t type) {
    return ReportName(type) + "\r\r";
}

void PreparePrint(const TOrqState& state, TReportWindow& window) {
    window.PrintGrid.Orientation = TOrientation::Landscape;
    window.PrintGrid.PrintTitle = PrintTitle(state.CurrentReportType);
}

} // namespace orq::reports
