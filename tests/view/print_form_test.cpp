#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/report_fixture.h"
#include "view/print_form.h"

namespace orq::reports {
namespace {

using namespace testing;
using Items = std::vector<std::string>;

// Two stations; SMITH works at both, "jones, al" and "JONES, AL" are the same recruiter.
TOrqState TwoStations() {
    TAppt a = Appt("A", "SMITH, JOHN", "1A2B");
    TAppt b = Appt("B", "jones, al", "1A2B");
    TAppt c = Appt("C", "JONES, AL", "1A2B");
    c.Terminated = true;
    TAppt d = Appt("D", "SMITH, JOHN", "1A2C");
    TAppt e = Appt("E", "BAKER, BO", "1A2C");
    e.Comp = "R";
    e.Ed = "11S";
    return State({a, b, c, d, e});
}

std::vector<std::string> Names(const TReportWindow& w) {
    std::vector<std::string> out;
    for (const TReportRow& row : w.PrintGrid.Rows)
        out.push_back(row[2].Text);
    return out;
}

TEST(FilterLists, LoadCombos) {
    TOrqState state = TwoStations();
    TReportWindow w;
    LoadCombos(state, w);
    EXPECT_EQ(w.RSIDGridCombo.Items, (Items{"ALL", "1A2B", "1A2C"}));
    EXPECT_EQ(w.RSIDGridCombo.ItemIndex, 0);
    EXPECT_TRUE(w.RSIDGridCombo.Enabled);
    // RecruiterList order, station ids dropped: one entry per station and recruiter.
    EXPECT_EQ(w.RctrGridCombo.Items,
              (Items{"ALL", "jones, al", "SMITH, JOHN", "BAKER, BO", "SMITH, JOHN"}));
    EXPECT_EQ(w.RctrGridCombo.ItemIndex, 0);
}

TEST(FilterLists, SingleStationIsSelectedAndDisabled) {
    TOrqState state = State({Appt("A", "SMITH, JOHN"), Appt("B", "ADAMS, AL")});
    TReportWindow w;
    LoadCombos(state, w);
    EXPECT_EQ(w.RSIDGridCombo.Items, (Items{"ALL", "1A2B"}));
    EXPECT_EQ(w.RSIDGridCombo.ItemIndex, 1);
    EXPECT_FALSE(w.RSIDGridCombo.Enabled);
    EXPECT_EQ(w.RctrGridCombo.Items, (Items{"ALL", "ADAMS, AL", "SMITH, JOHN"}));
    // An empty list: "ALL" alone, nothing selected.
    TOrqState empty = State();
    LoadCombos(empty, w);
    EXPECT_EQ(w.RSIDGridCombo.Items, (Items{"ALL"}));
    EXPECT_EQ(w.RSIDGridCombo.ItemIndex, -1);
    EXPECT_EQ(w.RctrGridCombo.Items, (Items{"ALL"}));
}

TEST(FilterLists, StationChoiceNarrowsRecruitersAndRebuilds) {
    TOrqState state = TwoStations();
    TReportWindow w;
    ReportButtonClick(state, w, kAllApplicants);
    ASSERT_EQ(w.PrintGrid.DataRowCount(), 5u);
    RctrGridComboChange(state, w, 2);
    TBuildResult r = RSIDGridComboChange(state, w, 1); // 1A2B
    EXPECT_EQ(w.RctrGridCombo.Items, (Items{"ALL", "jones, al", "SMITH, JOHN"}));
    EXPECT_EQ(w.RctrGridCombo.ItemIndex, 0); // reset to "ALL"
    EXPECT_EQ(r.Count, 3u);
    EXPECT_EQ(Names(w), (Items{"B", "C", "A"}));

    // The recruiter filter compares the exact text.
    RctrGridComboChange(state, w, 1);
    EXPECT_EQ(Names(w), (Items{"B"}));
    // "ALL" again lists every recruiter.
    RSIDGridComboChange(state, w, 0);
    EXPECT_EQ(w.RctrGridCombo.Items.size(), 5u);
    EXPECT_EQ(w.PrintGrid.DataRowCount(), 5u);
    EXPECT_EQ(state.CurrentReportType, kAllApplicants);
}

TEST(FilterLists, OtherFiltersRebuildTheCurrentReport) {
    TOrqState state = TwoStations();
    TReportWindow w;
    ReportButtonClick(state, w, kAllApplicants);
    EXPECT_EQ(CheckBox1Click(state, w, true).Count, 4u); // hide terminated
    EXPECT_EQ(EdComboChange(state, w, kEdSeniors).Count, 1u);
    EXPECT_EQ(CompComboChange(state, w, kCompActive).Count, 0u);
    EXPECT_EQ(w.Label1, "no appointments");
    EXPECT_EQ(CompComboChange(state, w, kCompReserve).Count, 1u);
    EXPECT_EQ(Names(w), (Items{"E"}));
    // A typed text that is no item counts as "ALL".
    EXPECT_EQ(EdComboChange(state, w, -1).Count, 1u);
    EXPECT_EQ(CompComboChange(state, w, -1).Count, 4u);
}

TEST(FilterLists, ReportButtonsResetEdAndCompButKeepTheRest) {
    TOrqState state = TwoStations();
    TReportWindow w;
    EXPECT_EQ(w.CompCombo.ItemIndex, -1); // shows "ALL", nothing selected at start
    ReportButtonClick(state, w, kAllApplicants);
    RSIDGridComboChange(state, w, 2);
    RctrGridComboChange(state, w, 1);
    EdComboChange(state, w, kEdGrads);
    CompComboChange(state, w, kCompReserve);
    CheckBox1Click(state, w, true);

    ReportButtonClick(state, w, kNoShows);
    EXPECT_EQ(w.EdCombo.ItemIndex, 0);
    EXPECT_EQ(w.CompCombo.ItemIndex, 0);
    EXPECT_EQ(w.RSIDGridCombo.ItemIndex, 2);
    EXPECT_EQ(w.RctrGridCombo.ItemIndex, 1);
    EXPECT_TRUE(w.CheckBox1);
    EXPECT_TRUE(w.CheckBox2Visible);
    EXPECT_FALSE(w.CheckBox2);

    CheckBox2Click(state, w, true);
    ReportButtonClick(state, w, kNoShows); // unchecked again each time
    EXPECT_FALSE(w.CheckBox2);
    ReportButtonClick(state, w, kTesters);
    EXPECT_FALSE(w.CheckBox2Visible);
}

TEST(FilterLists, HideTerminatedInHighEstKeepsColumnTenHidden) {
    TOrqState state = TwoStations();
    for (TAppt& a : state.Appts)
        a.EST = 50;
    TReportWindow w;
    ReportButtonClick(state, w, kHighEstQt);
    CheckBox1Click(state, w, true);
    EXPECT_EQ(w.PrintGrid.ColumnCount(), 19u);
    EXPECT_TRUE(w.PrintGrid.Columns[10].Hidden);
    EXPECT_EQ(w.PrintGrid.ShownColumns().size(), 18u);
}

TEST(FilterLists, CloseResetsStationAndRecruiterOnly) {
    TOrqState state = TwoStations();
    TReportWindow w;
    ReportButtonClick(state, w, kAllApplicants);
    RSIDGridComboChange(state, w, 2);
    RctrGridComboChange(state, w, 1);
    EdComboChange(state, w, kEdSeniors);
    CheckBox1Click(state, w, true);
    FormClose(state, w);
    EXPECT_FALSE(w.Visible);
    EXPECT_EQ(w.RSIDGridCombo.ItemIndex, 0);
    EXPECT_EQ(w.RctrGridCombo.ItemIndex, 0);
    EXPECT_EQ(w.RctrGridCombo.Items.size(), 5u);
    EXPECT_EQ(w.EdCombo.ItemIndex, kEdSeniors);
    EXPECT_TRUE(w.CheckBox1);
    // Reopened by a button: every station and recruiter.
    EXPECT_EQ(ReportButtonClick(state, w, kAllApplicants).Count, 4u);
}

TEST(FilterLists, CloseAfterANewLoadLeavesTheListsToTheNextReport) {
    TOrqState state = TwoStations();
    TReportWindow w;
    ReportButtonClick(state, w, kAllApplicants);
    state = State({Appt("X", "NEW, RCTR", "9Z9Z")});
    ForgetFilterLists(w); // the load empties both filters
    FormClose(state, w);
    EXPECT_TRUE(w.RctrGridCombo.Items.empty());
    ReportButtonClick(state, w, kAllApplicants);
    EXPECT_EQ(w.RSIDGridCombo.Items, (Items{"ALL", "9Z9Z"}));
    EXPECT_EQ(w.RctrGridCombo.Items, (Items{"ALL", "NEW, RCTR"}));
}

TEST(FilterLists, FilterCarriesIntoTheRules) {
    TReportWindow w;
    w.RSIDGridCombo.Items = {"ALL", "1A2B"};
    w.RSIDGridCombo.ItemIndex = 1;
    w.RctrGridCombo.Items = {"ALL", "X"};
    w.RctrGridCombo.ItemIndex = 5; // out of range: no item
    w.EdCombo.ItemIndex = 2;
    w.CheckBox2 = true;
    const TReportFilter f = w.Filter();
    EXPECT_EQ(f.StationIndex, 1);
    EXPECT_EQ(f.StationText, "1A2B");
    EXPECT_EQ(f.RecruiterText, "");
    EXPECT_EQ(f.EdIndex, 2);
    EXPECT_EQ(f.CompIndex, -1);
    EXPECT_TRUE(f.HideRescheduled);
}

TEST(HeaderClick, SortsAndFlips) {
    TReportWindow w;
    auto Names = [&] { return Col(w.PrintGrid, 2); };
    TOrqState state = State({Appt("B"), Appt("C"), Appt("A")});
    LoadApps(state, w, kAllApplicants); // sorted by column 0 (all equal), ties down to the name
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "C"}));
    // The sort column: the direction flips; the order returned says where the rows came from.
    EXPECT_EQ(HeaderClick(state, w, 0), (TRowOrder{2, 1, 0}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"C", "B", "A"}));
    HeaderClick(state, w, 2); // a new column: ascending
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "C"}));
    HeaderClick(state, w, 2);
    EXPECT_EQ(Names(), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(w.PrintGrid.SortColumn, 2);
    EXPECT_FALSE(w.PrintGrid.SortAscending);
    // The next build sorts by the report's own rule again.
    LoadApps(state, w, kAllApplicants);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "C"}));
    // A single data row is not sorted.
    state.Appts.resize(1);
    LoadApps(state, w, kYesterday);
    EXPECT_TRUE(HeaderClick(state, w, 2).empty());
    EXPECT_EQ(w.PrintGrid.SortColumn, -1);
}

// The name "&Save to XLS" offers for each report: its caption, plain enough for a file name, and
// the date.
TEST(SaveName, SuggestedFromTheCaptionAndTheDate) {
    const std::pair<std::int8_t, const char*> cases[] = {
        {kYesterday, "Yesterday 2026-12-10.xls"},
        {kTodaysConducts, "Todays Conducts 2026-12-10.xls"},
        {k48hrConducts, "48hr Conducts 2026-12-10.xls"},
        {kNoShows, "No Shows 2026-12-10.xls"},
        {kAllApplicants, "All Applicants 2026-12-10.xls"},
        {kHighEstQt, "High EST-QT 2026-12-10.xls"},
        {kTesters, "Testers 2026-12-10.xls"},
    };
    TReportWindow w;
    for (const auto& [type, name] : cases) {
        w.Caption = ReportName(type);
        EXPECT_EQ(SuggestedFileName(w, EncodeDate(2026, 12, 10)), name) << w.Caption;
    }
    w.Caption = "a:b\\c*?<>|\"d";
    EXPECT_EQ(SuggestedFileName(w, EncodeDate(2008, 1, 2)), "a-b-cd 2008-01-02.xls");
}

TEST(SaveName, BareNamesGetTheXlsEnding) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/u/today", "/home/u/today.xls"},
        {"/home/u/today.xls", "/home/u/today.xls"},
        {"/home/u/Today.XLS", "/home/u/Today.XLS"},
        {"/home/u/report.v2", "/home/u/report.v2.xls"},
        {"/home/u/list.xlsx", "/home/u/list.xlsx.xls"},
        {"/home/u/.xls", "/home/u/.xls.xls"},
        {"", ""},
    };
    for (const auto& [typed, saved] : cases)
        EXPECT_EQ(WithXlsExtension(typed), saved) << typed;
}

} // namespace
} // namespace orq::reports
