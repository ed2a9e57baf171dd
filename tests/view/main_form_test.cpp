#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "domain/loader.h"
#include "domain/settings.h"
#include "support/fake_import.h"
#include "view/main_form.h"

namespace orq {
namespace {

using testing::AplRow;
using testing::FakeImport;
using testing::WriteApl;
using V = std::vector<std::string>;

const TDateTime kToday = EncodeDate(2008, 3, 31);

std::string Day(int offset) {
    return DateToStr(kToday + offset, TFormatSettings{}) + " 8:00:00 AM";
}

AplRow Row(std::string rsid, std::string rctr, int scheduled, std::string comp = "A") {
    AplRow row;
    row.rsid = rsid;
    row.rctr = rsid + rctr;
    row.comp = comp;
    row.ed = "";
    row.made = Day(-20);
    row.sch = Day(scheduled);
    return row;
}

// Three recruiters in two stations: 1A2B ADAMS (RA), 1A2B SMITH (AR), 2B3C SMITH (RA).
FakeImport TwoStations() {
    FakeImport sheet;
    WriteApl(sheet, {Row("1A2B", "SMITH, JOHN", -1, "R"), Row("1A2B", "ADAMS, BOB", 0),
                     Row("2B3C", "SMITH, JOHN", 1), Row("2B3C", "SMITH, JOHN", -2)});
    return sheet;
}

struct Fixture {
    TMainView view;
    TOrqState state;
    Fixture() {
        state.Today = kToday;
        InitMainView(view, state);
    }
};

TEST(MainView, StartsEmptyWithTheEstCaption) {
    Fixture f;
    EXPECT_FALSE(f.view.CommandsEnabled);
    EXPECT_FALSE(f.view.Panel1Visible);
    EXPECT_FALSE(f.view.RsidCombo.Enabled);
    EXPECT_FALSE(f.view.RctrCombo.Enabled);
    EXPECT_EQ(f.view.Label1, "PMS");
    EXPECT_EQ(f.view.Label3, "Rctrs");
    EXPECT_EQ(f.view.EstButtonCaption, "31+ &EST/QT");
}

TEST(MainView, LoadRefreshesEverythingInOrder) {
    Fixture f;
    FakeImport sheet = TwoStations();
    TLoadResult result = LoadAplRows(f.view, f.state, sheet);
    EXPECT_EQ(result.Outcome, TLoadResult::Loaded);

    EXPECT_TRUE(f.view.CommandsEnabled);
    EXPECT_TRUE(f.view.Panel1Visible);
    EXPECT_EQ(f.view.RsidCombo.Items, (V{"ALL", "1A2B", "2B3C"}));
    EXPECT_EQ(f.view.RsidCombo.ItemIndex, 0);
    EXPECT_TRUE(f.view.RsidCombo.Enabled);
    EXPECT_EQ(f.view.RctrCombo.Items, (V{"ALL", "ADAMS, BOB", "SMITH, JOHN", "SMITH, JOHN"}));
    EXPECT_EQ(f.view.RctrCombo.ItemIndex, 0);
    EXPECT_TRUE(f.view.RctrCombo.Enabled);
    EXPECT_EQ(f.view.Focus, TMainFocus::RsidCombo);
    EXPECT_EQ(f.state.ReferenceDate, kToday);
    EXPECT_EQ(f.view.Label1, "PMS: from 3/11/2008 to 3/11/2008, 1 week");
    EXPECT_EQ(f.view.Label3, "Rctrs: 3 RA, 0 AR");
    EXPECT_EQ(f.view.MathGrid.RowTexts(1),
              (V{" RA", "3", "0", "1", "0", "0.0%", "33.3%", "1.00", "0.00"}));
    EXPECT_EQ(f.view.MathGrid.RowTexts(6),
              (V{" AR", "1", "0", "1", "0", "0.0%", "100.0%", "1.00", "0.00"}));
    EXPECT_EQ(f.view.CondGrid.RowTexts(2), (V{"   RA", "1", "0", "0"}));
    EXPECT_EQ(f.view.CondGrid.RowTexts(5), (V{"   RA", "1", "0", "0"}));
}

TEST(MainView, OneStationDisablesTheStationSelector) {
    Fixture f;
    FakeImport sheet;
    WriteApl(sheet, {Row("1A2B", "SMITH, JOHN", 0), Row("1A2B", "DOE, JANE", 0)});
    LoadAplRows(f.view, f.state, sheet);
    EXPECT_EQ(f.view.RsidCombo.Items, (V{"ALL", "1A2B"}));
    EXPECT_EQ(f.view.RsidCombo.ItemIndex, 1);
    EXPECT_FALSE(f.view.RsidCombo.Enabled);
    EXPECT_EQ(f.view.RctrCombo.Items, (V{"ALL", "DOE, JANE", "SMITH, JOHN"}));
    EXPECT_EQ(f.view.Focus, TMainFocus::RctrCombo);
}

TEST(MainView, AnEmptyListShowsZerosAndAYearLongPeriod) {
    Fixture f;
    FakeImport sheet;
    WriteApl(sheet, {AplRow{}});
    sheet.Set(10, 1, {});
    LoadAplRows(f.view, f.state, sheet);
    EXPECT_EQ(f.view.RsidCombo.Items, V{"ALL"});
    EXPECT_EQ(f.view.RsidCombo.ItemIndex, -1);
    EXPECT_EQ(f.view.RctrCombo.Items, V{"ALL"});
    EXPECT_EQ(f.view.Label1, "PMS: from 3/31/2008 to 4/1/2007, 52.3 weeks");
    EXPECT_EQ(f.view.Label3, "Rctrs: 0 RA, 0 AR");
    EXPECT_EQ(f.view.MathGrid.RowTexts(1),
              (V{" RA", "0", "0", "0", "0", "0.0%", "0.0%", "0.00", "0.00"}));
}

TEST(MainView, ShortStationIdsShortenTheRecruiterNames) {
    Fixture f;
    FakeImport sheet;
    AplRow row = Row("XY", "", 0);
    row.rctr = "XYZZLEE, KIM";
    WriteApl(sheet, {row});
    LoadAplRows(f.view, f.state, sheet);
    EXPECT_EQ(f.state.Appts[0].Rctr, "LEE, KIM");
    EXPECT_EQ(f.view.RctrCombo.Items, (V{"ALL", "E, KIM"})); // two characters short
}

TEST(MainView, NoAppointmentsChangesNothing) {
    Fixture f;
    FakeImport sheet = TwoStations();
    LoadAplRows(f.view, f.state, sheet);
    TMainView before = f.view;
    FakeImport small;
    small.Set(9, 6, std::string("APP TYPE"));
    TLoadResult result = LoadAplRows(f.view, f.state, small);
    EXPECT_EQ(result.Outcome, TLoadResult::NoAppointments);
    EXPECT_EQ(result.Message, "APL has no appointments");
    EXPECT_EQ(f.view.RsidCombo.Items, before.RsidCombo.Items);
    EXPECT_EQ(f.view.Label1, before.Label1);
    EXPECT_EQ(f.state.Appts.size(), 4u);
}

TEST(MainView, ARowLoopFailureEmptiesOnlyTheSelectors) {
    Fixture f;
    FakeImport good = TwoStations();
    LoadAplRows(f.view, f.state, good);
    TMainView before = f.view;
    int resets = 0;
    f.view.ResetReportFilters = [&] { ++resets; };

    FakeImport bad;
    AplRow row = Row("9Z9Z", "BAD, ROW", 0);
    row.made = "3/1/2008"; // a date without a time
    WriteApl(bad, {Row("3C4D", "NEW, ONE", 0), row});
    EXPECT_THROW(LoadAplRows(f.view, f.state, bad), TLoadFailure);
    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(f.view.RsidCombo.Items.empty());
    EXPECT_TRUE(f.view.RctrCombo.Items.empty());
    EXPECT_EQ(f.view.RsidCombo.ItemIndex, -1);
    // The tables, the captions and the commands stay as they were.
    EXPECT_EQ(f.view.Label1, before.Label1);
    EXPECT_EQ(f.view.Label3, before.Label3);
    EXPECT_EQ(f.view.MathGrid.RowTexts(1), before.MathGrid.RowTexts(1));
    EXPECT_EQ(f.view.CondGrid.RowTexts(2), before.CondGrid.RowTexts(2));
    EXPECT_TRUE(f.view.CommandsEnabled);
    // The table and the lists keep what the aborted load read.
    EXPECT_EQ(f.state.Appts.size(), 2u);
    EXPECT_EQ(f.state.Appts[0].Rsid, "3C4D");
    EXPECT_EQ(f.state.StationList.Items(), (V{"3C4D", "9Z9Z"}));
}

TEST(MainView, ARefreshFailureLeavesTheLaidOutTablesWithoutFigures) {
    Fixture f;
    FakeImport sheet;
    AplRow row = Row("1A2B", "SMITH, JOHN", 0);
    row.sch = "not a date";
    WriteApl(sheet, {row});
    EXPECT_THROW(LoadAplRows(f.view, f.state, sheet), Error);
    EXPECT_EQ(f.view.MathGrid.Cell(1, 0).Text, "AM");
    EXPECT_EQ(f.view.MathGrid.Cell(1, 1).Text, "");
    EXPECT_EQ(f.view.Label1, "PMS"); // the caption is written after the counting
    EXPECT_EQ(f.view.RsidCombo.Items, (V{"ALL", "1A2B"}));
}

TEST(MainView, SelectorsNarrowTheCounts) {
    Fixture f;
    FakeImport sheet = TwoStations();
    LoadAplRows(f.view, f.state, sheet);

    RsidComboChange(f.view, f.state, 2); // 2B3C
    EXPECT_EQ(f.view.RctrCombo.Items, (V{"ALL", "SMITH, JOHN"}));
    EXPECT_EQ(f.view.RctrCombo.ItemIndex, 0);
    EXPECT_EQ(f.view.Label3, "Rctrs: 1 RA, 0 AR");
    EXPECT_EQ(f.view.MathGrid.RowTexts(1),
              (V{" RA", "2", "0", "1", "0", "0.0%", "50.0%", "2.00", "0.00"}));
    EXPECT_EQ(f.view.MathGrid.Cell(1, 6).Text, "0");
    EXPECT_EQ(f.view.CondGrid.RowTexts(5), (V{"   RA", "1", "0", "0"}));
    EXPECT_EQ(f.state.ReferenceDate, kToday);

    RsidComboChange(f.view, f.state, 0); // back to ALL: every recruiter of every station
    EXPECT_EQ(f.view.RctrCombo.Items, (V{"ALL", "ADAMS, BOB", "SMITH, JOHN", "SMITH, JOHN"}));
    EXPECT_EQ(f.view.MathGrid.Cell(1, 1).Text, "3");

    // A recruiter name counts in every station while the station selector shows ALL.
    RctrComboChange(f.view, f.state, 2);
    EXPECT_EQ(f.view.Label3, "Rctrs: 1 RA, 0 AR");
    EXPECT_EQ(f.view.MathGrid.Cell(1, 1).Text, "2");
    EXPECT_EQ(f.view.MathGrid.Cell(1, 6).Text, "1");
}

TEST(MainView, ReserveRecruitersSplitTheCounts) {
    Fixture f;
    f.state.ReserveList = {"SMITH, JOHN"};
    FakeImport sheet = TwoStations();
    LoadAplRows(f.view, f.state, sheet);
    EXPECT_EQ(f.view.Label3, "Rctrs: 1 RA, 2 AR"); // the name is listed for two stations
    RctrComboChange(f.view, f.state, 2);
    EXPECT_EQ(f.view.Label3, "Rctrs: 0 RA, 1 AR");
    // RA figures of that recruiter are divided by 1.
    EXPECT_EQ(f.view.MathGrid.Cell(7, 1).Text, "2.00");
}

TEST(MainView, FirstRunOpensTheSettingsDialogBeforeCounting) {
    Fixture f;
    f.state.FirstRun = true;
    std::vector<std::string> listed;
    f.view.RunSettingsDialog = [&](const std::vector<std::string>& names) {
        listed = names;
        // The dialog's Ok with one name checked.
        f.state.ReserveList.push_back("ADAMS, BOB");
        EXPECT_EQ(f.state.MetricCounters, TMetricCounters{}); // nothing counted yet
    };
    FakeImport sheet = TwoStations();
    LoadAplRows(f.view, f.state, sheet);
    EXPECT_EQ(listed, (V{"ADAMS, BOB", "SMITH, JOHN", "SMITH, JOHN"}));
    EXPECT_FALSE(f.state.FirstRun);
    EXPECT_EQ(f.view.Label3, "Rctrs: 2 RA, 1 AR");

    // A second load does not open it again.
    listed.clear();
    LoadAplRows(f.view, f.state, sheet);
    EXPECT_TRUE(listed.empty());
}

TEST(MainView, ResetOpensTheDialogWithTheSelectedStationsRecruiters) {
    Fixture f;
    f.state.ReserveList = {"ADAMS, BOB"};
    FakeImport sheet = TwoStations();
    LoadAplRows(f.view, f.state, sheet);
    RsidComboChange(f.view, f.state, 1);
    std::vector<std::string> listed;
    f.view.RunSettingsDialog = [&](const std::vector<std::string>& names) {
        listed = names;
        EXPECT_TRUE(f.state.ReserveList.empty());
        EXPECT_EQ(f.state.RaRecruiters, 0);
        f.state.ReserveList = {"SMITH, JOHN"};
    };
    std::string metricsBefore = f.view.MathGrid.Cell(7, 1).Text;
    ResetARRctrs(f.view, f.state);
    EXPECT_EQ(listed, (V{"ADAMS, BOB", "SMITH, JOHN"}));
    EXPECT_EQ(f.view.Label3, "Rctrs: 1 RA, 1 AR");
    EXPECT_EQ(f.view.MathGrid.Cell(7, 1).Text, metricsBefore); // the table keeps its figures
}

} // namespace
} // namespace orq
