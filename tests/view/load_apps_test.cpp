#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/error.h"
#include "orq_config.h"
#include "support/report_fixture.h"
#include "view/print_form.h"

namespace orq::reports {
namespace {

using namespace testing;

std::vector<std::string> Headers(const TReportTable& grid) {
    std::vector<std::string> out;
    for (const TReportColumn& c : grid.Columns)
        out.push_back(c.Header);
    return out;
}

std::vector<int> Widths(const TReportTable& grid) {
    std::vector<int> out;
    for (const TReportColumn& c : grid.Columns)
        out.push_back(c.Width);
    return out;
}

std::vector<std::string> Texts(const TReportRow& row) {
    std::vector<std::string> out;
    for (const TReportCell& c : row)
        out.push_back(c.Text);
    return out;
}

// One column's texts, top to bottom.
std::vector<std::string> Column(const TReportTable& grid, std::size_t column) {
    std::vector<std::string> out;
    for (const TReportRow& row : grid.Rows)
        out.push_back(row[column].Text);
    return out;
}

TEST(Builder, LayoutPerType) {
    TOrqState state = State({Appt()});
    TReportWindow w;
    LoadApps(state, w, kTodaysConducts);
    EXPECT_EQ(Headers(w.PrintGrid),
              (std::vector<std::string>{"RSID", "Rctr", "Name", "Phone", "Comp", "PS", "Sex", "Ed",
                                        "Lead Src", "ApptMade", "ApptSch", "ApptCond", "EST"}));
    std::vector<int> widths = Widths(w.PrintGrid);
    widths[2] = 0; // sized to its text
    EXPECT_EQ(widths, (std::vector<int>{34, 71, 0, 88, 15, 16, 16, 31, 70, 110, 64, 102, 28}));
    EXPECT_TRUE(w.PrintGrid.WordWrap);
    EXPECT_EQ(w.PrintGrid.RowHeight, 22);

    LoadApps(state, w, kHighEstQt);
    ASSERT_EQ(w.PrintGrid.ColumnCount(), 19u);
    EXPECT_TRUE(w.PrintGrid.Columns[10].Hidden);
    EXPECT_EQ(Headers(w.PrintGrid)[13], "TestDate");
    EXPECT_EQ(Headers(w.PrintGrid)[18], "Dispo");
    widths = Widths(w.PrintGrid);
    EXPECT_EQ(std::vector<int>(widths.begin() + 13, widths.end()),
              (std::vector<int>{67, 23, 67, 60, 130, 130}));
    EXPECT_EQ(w.PrintGrid.ShownColumns().size(), 18u);

    // After "High EST/QT", "All Applicants" shows all 19 columns and no extra one.
    LoadApps(state, w, kAllApplicants);
    EXPECT_EQ(w.PrintGrid.ColumnCount(), 19u);
    EXPECT_EQ(w.PrintGrid.ShownColumns().size(), 19u);

    LoadApps(state, w, kTesters);
    ASSERT_EQ(w.PrintGrid.ColumnCount(), 13u);
    EXPECT_EQ(Headers(w.PrintGrid)[9], "ApptCond");
    EXPECT_EQ(Headers(w.PrintGrid)[10], "EST");
    EXPECT_EQ(Headers(w.PrintGrid)[11], "Proj Test");
    EXPECT_EQ(Headers(w.PrintGrid)[12], "QT");
    EXPECT_EQ(w.PrintGrid.Columns[10].Width, 46);
    for (const TReportRow& row : w.PrintGrid.Rows)
        EXPECT_EQ(row.size(), 13u);
}

TEST(Builder, RowTextsOfAllApplicants) {
    TAppt a = Appt("O'BRIEN, MARY-KATE", "SMITH, JOHN");
    a.ApptCond = At(15, "11:45:00 AM");
    a.EST = 52;
    a.QT = 0;
    a.TestDate = At(20, "8:00:00 AM");
    a.PhyDate = "";
    a.PULHES = "111111";
    a.Dispo = "PENDING";
    TOrqState state = State({a});
    TReportWindow w;
    TBuildResult r = LoadApps(state, w, kAllApplicants);
    EXPECT_EQ(r.Count, 1u);
    ASSERT_EQ(w.PrintGrid.DataRowCount(), 1u);
    EXPECT_EQ(Texts(w.PrintGrid.Rows[0]),
              (std::vector<std::string>{"1A2B", "Smith, John", "O'Brien, Mary-Kate", "555-0100",
                                        "A", "N", "F", "12", "Walk In", "1/10/2008  10:30 ",
                                        "1/15/2008  10:30 ", "1/15/2008  11:45 ", "52",
                                        "1/20/2008 ", "", "", "111111", "TEST", "PENDING"}));
    EXPECT_EQ(w.Caption, "All Applicants");
    EXPECT_EQ(w.Label1, "1 appointment(s) selected");
    EXPECT_TRUE(r.Shown);
    EXPECT_TRUE(w.Visible);
    EXPECT_EQ(state.CurrentReportType, kAllApplicants);
}

TEST(Builder, ColumnTenPerType) {
    TAppt review = Appt();
    review.NxtAction = "REVIEW";
    review.NxtActionDate = At(15, "2:15:00 PM");
    review.ApptSch = At(15, "9:05:00 AM");
    TOrqState state = State({review});
    TReportWindow w;
    LoadApps(state, w, kTodaysConducts); // time only, of the review
    EXPECT_EQ(w.PrintGrid.Rows[0][10].Text, "2:15 ");
    LoadApps(state, w, kAllApplicants); // day and time of the review
    EXPECT_EQ(w.PrintGrid.Rows[0][10].Text, "1/15/2008  2:15 ");

    state.Appts[0] = Appt();
    state.Appts[0].EST = 60;
    LoadApps(state, w, kHighEstQt); // time only of the scheduled appointment
    EXPECT_EQ(w.PrintGrid.Rows[0][10].Text, "10:30 ");
}

TEST(Builder, TestersColumns) {
    TAppt dated = Appt("A");
    dated.ApptCond = At(12, "1:00:00 PM");
    dated.EST = 0;
    dated.QT = 0;
    dated.TestDate = At(20, "7:00:00 AM");
    dated.ApprovedCond = "Y";
    TAppt undated = Appt("B");
    undated.NxtActionDate.clear();
    undated.EST = 44;
    undated.QT = 65;
    TOrqState state = State({undated, dated});
    TReportWindow w;
    LoadApps(state, w, kTesters);
    ASSERT_EQ(w.PrintGrid.DataRowCount(), 2u);
    // Sorted by projected test date: the dated row first, "NO DATE" after it.
    const TReportRow& first = w.PrintGrid.Rows[0];
    const TReportRow& second = w.PrintGrid.Rows[1];
    EXPECT_EQ(first[2].Text, "A");
    EXPECT_EQ(first[9].Text, "1/12/2008  1:00 ");
    EXPECT_EQ(first[10].Text, "");
    EXPECT_EQ(first[11].Text, "1/20/2008 ");
    EXPECT_EQ(first[12].Text, "0");
    EXPECT_EQ(first[9].Background, kPaleYellow);  // approved conduct
    EXPECT_EQ(first[11].Background, kPaleYellow); // test date is the projected date
    EXPECT_EQ(second[9].Text, " ");               // no conduct: the day-and-time of nothing
    EXPECT_EQ(second[10].Text, "44");
    EXPECT_EQ(second[11].Text, "NO DATE");
    EXPECT_EQ(second[12].Text, "65");
    EXPECT_EQ(second[9].Background, kWhite);
    EXPECT_EQ(second[11].Background, kWhite);
}

TEST(Builder, RowColours) {
    TAppt plain = Appt("PLAIN");
    TAppt approved = Appt("APPROVED");
    approved.ApptCond = At(15);
    approved.ApprovedCond = "Y";
    TAppt unapproved = Appt("UNAPPROVED");
    unapproved.ApprovedMake.clear();
    TAppt review = Appt("REVIEW");
    review.NxtAction = "REVIEW";
    review.NxtActionDate = At(15, "4:00:00 PM");
    TAppt terminated = Appt("TERM");
    terminated.Terminated = true;
    TAppt termReview = review;
    termReview.Name = "TERMREVIEW";
    termReview.Terminated = true;
    TOrqState state = State({plain, approved, unapproved, review, terminated, termReview});
    TReportWindow w;
    LoadApps(state, w, kAllApplicants);
    auto row = [&](const std::string& name) -> const TReportRow& {
        for (const TReportRow& r : w.PrintGrid.Rows)
            if (r[2].Text == name) return r;
        throw std::runtime_error("no row " + name);
    };
    const std::optional<TColor> none;
    EXPECT_EQ(row("Plain")[2].Background, kWhite);
    EXPECT_EQ(row("Plain")[2].FontColor, kBlack);
    EXPECT_EQ(row("Plain")[9].Background, kPaleYellow);
    EXPECT_EQ(row("Plain")[10].Background, kWhite);
    EXPECT_EQ(row("Plain")[10].FontColor, kBlack);
    EXPECT_EQ(row("Plain")[11].Background, kWhite);
    EXPECT_EQ(row("Plain")[0].Background, none);
    EXPECT_EQ(row("Plain")[12].FontColor, none);
    EXPECT_EQ(row("Approved")[11].Background, kPaleYellow);
    EXPECT_EQ(row("Unapproved")[9].Background, kWhite);
    EXPECT_EQ(row("Review")[2].Background, kLavender);
    EXPECT_EQ(row("Review")[10].Background, kLavender);
    EXPECT_EQ(row("Term")[2].Background, kMaroon);
    EXPECT_EQ(row("Term")[2].FontColor, kWhite);
    EXPECT_EQ(row("Term")[10].FontColor, kWhite);
    EXPECT_EQ(row("Term")[10].Background, kWhite);
    EXPECT_EQ(row("Termreview")[2].Background, kMaroon);
    EXPECT_EQ(row("Termreview")[10].Background, kLavender);

    // Never lavender in "High EST/QT" or "Testers".
    state.Appts = {review};
    state.Appts[0].EST = 50;
    LoadApps(state, w, kHighEstQt);
    EXPECT_EQ(w.PrintGrid.Rows[0][2].Background, kWhite);
    state.Appts[0].NxtAction = "TEST";
    LoadApps(state, w, kTesters);
    EXPECT_EQ(w.PrintGrid.Rows[0][2].Background, kWhite);
}

TEST(Builder, PendingReviewComparesWithTheShiftedDay) {
    // A review due tomorrow is pending in "48hr Conducts" (reference: tomorrow) and in "All
    // Applicants"; one due today is no longer pending in "48hr Conducts".
    TAppt due16 = Appt("SIXTEEN");
    due16.ApptSch = At(16);
    due16.NxtAction = "REVIEW";
    due16.NxtActionDate = At(16);
    TAppt due15 = Appt("FIFTEEN");
    due15.ApptSch = At(12);
    due15.NxtAction = "REVIEW";
    due15.NxtActionDate = At(15);
    TOrqState state = State({due16, due15});
    TReportWindow w;
    LoadApps(state, w, k48hrConducts);
    ASSERT_EQ(w.PrintGrid.DataRowCount(), 1u); // the review due today is no 48hr conduct
    EXPECT_EQ(w.PrintGrid.Rows[0][2].Text, "Sixteen");
    EXPECT_EQ(w.PrintGrid.Rows[0][2].Background, kLavender);
    LoadApps(state, w, kAllApplicants);
    for (const TReportRow& row : w.PrintGrid.Rows)
        EXPECT_EQ(row[2].Background, kLavender);
}

TEST(Builder, OneRowAfterFifty) {
    TApptTable many;
    for (int i = 0; i < 50; ++i)
        many.push_back(Appt("N" + std::to_string(i)));
    TOrqState state = State(many);
    TReportWindow w;
    LoadApps(state, w, kAllApplicants);
    EXPECT_EQ(w.PrintGrid.DataRowCount(), 50u);
    state.Appts.resize(1);
    LoadApps(state, w, kAllApplicants);
    ASSERT_EQ(w.PrintGrid.DataRowCount(), 1u);
    EXPECT_EQ(w.PrintGrid.Rows[0][2].Text, "N0");
    EXPECT_EQ(w.Label1, "1 appointment(s) selected");
}

TEST(Builder, ReusedRowsCarryNothingOver) {
    // The first build leaves a physical date, a terminated Name and approvals in the rows; the
    // next build of other records must show none of it.
    TAppt marked = Appt("MARKED");
    marked.PhyDate = At(20);
    marked.Terminated = true;
    marked.ApptCond = At(14);
    marked.ApprovedCond = "Y";
    marked.QT = 40;
    TAppt plain = Appt("PLAIN");
    plain.ApprovedMake.clear();
    TOrqState state = State({marked, marked, marked});
    TReportWindow w;
    LoadApps(state, w, kAllApplicants);
    ASSERT_EQ(w.PrintGrid.Rows[0][15].Text, "1/20/2008 ");
    state.Appts = {plain, plain};
    LoadApps(state, w, kAllApplicants);
    TReportWindow fresh;
    LoadApps(state, fresh, kAllApplicants);
    EXPECT_EQ(w.PrintGrid, fresh.PrintGrid);
    EXPECT_EQ(w.PrintGrid.Rows[1][15].Text, "");
    EXPECT_EQ(w.PrintGrid.Rows[1][2].Background, kWhite);
    EXPECT_EQ(w.PrintGrid.Rows[1][11].Text, "");
    // And a narrower report after a wide one has 13 cells per row.
    LoadApps(state, w, kTesters);
    for (const TReportRow& row : w.PrintGrid.Rows)
        EXPECT_EQ(row.size(), 13u);
}

TEST(Builder, EmptyReport) {
    TOrqState state = State({Appt()});
    TReportWindow w;
    LoadApps(state, w, kAllApplicants);
    ASSERT_TRUE(w.Visible);
    TBuildResult r = LoadApps(state, w, kNoShows);
    EXPECT_EQ(r.Count, 0u);
    EXPECT_FALSE(r.Shown);
    EXPECT_EQ(w.Label1, "no appointments");
    EXPECT_EQ(w.Caption, "All Applicants"); // left alone
    ASSERT_EQ(w.PrintGrid.DataRowCount(), 1u);
    for (const TReportCell& cell : w.PrintGrid.Rows[0])
        EXPECT_EQ(cell, TReportCell{});
    EXPECT_EQ(w.PrintGrid.ColumnCount(), 13u);

    // A hidden window stays hidden.
    TReportWindow fresh;
    LoadApps(state, fresh, kNoShows);
    EXPECT_FALSE(fresh.Visible);
    EXPECT_EQ(fresh.Caption, "All Applicants");
    EXPECT_TRUE(fresh.RctrGridCombo.Items.empty()); // LoadCombos waits for results
}

TEST(Builder, FirstReportWithResultsFillsTheFilterLists) {
    TOrqState state = State({Appt("A", "SMITH, JOHN", "1A2B"), Appt("B", "JONES, AL", "1A2C")});
    TReportWindow w;
    TBuildResult r = LoadApps(state, w, kAllApplicants);
    EXPECT_EQ(w.RSIDGridCombo.Items, (std::vector<std::string>{"ALL", "1A2B", "1A2C"}));
    EXPECT_EQ(w.RctrGridCombo.Items, (std::vector<std::string>{"ALL", "SMITH, JOHN", "JONES, AL"}));
    EXPECT_EQ(r.FocusFromTable, TReportFocus::StationFilter);
    state = State({Appt()});
    ForgetFilterLists(w);
    r = LoadApps(state, w, kAllApplicants);
    EXPECT_EQ(r.FocusFromTable, TReportFocus::RecruiterFilter);
}

TEST(Builder, ReferenceDateShiftedForOneBuildOnly) {
    for (std::int8_t type : {kYesterday, kTodaysConducts, k48hrConducts, k72hrConducts, kNoShows,
                             kAllApplicants, kHighEstQt, kTesters}) {
        TOrqState state = State({Appt()});
        TReportWindow w;
        LoadApps(state, w, type);
        EXPECT_EQ(state.ReferenceDate, Jan(15)) << int(type);
    }
}

TEST(Builder, SelectionFailureKeepsRowsAndRestoresTheDay) {
    TAppt good = Appt("GOOD");
    good.ApptSch = At(16);
    TAppt bad = Appt("BAD");
    bad.ApptSch = "16.1.2008 10:30:00 AM";
    TAppt later = Appt("LATER");
    later.ApptSch = At(16);
    TOrqState state = State({good, bad, later});
    TReportWindow w;
    w.Caption = "Testers";
    w.Label1 = "3 appointment(s) selected";
    try {
        LoadApps(state, w, k48hrConducts);
        FAIL() << "no failure";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'16.1.2008 ' is not a valid date");
    }
    EXPECT_EQ(state.ReferenceDate, Jan(15));
    EXPECT_EQ(state.CurrentReportType, k48hrConducts);
    ASSERT_EQ(w.PrintGrid.DataRowCount(), 1u);
    EXPECT_EQ(w.PrintGrid.Rows[0][2].Text, "Good");
    EXPECT_EQ(w.Caption, "Testers");
    EXPECT_EQ(w.Label1, "3 appointment(s) selected");
    EXPECT_FALSE(w.Visible);
}

TEST(Builder, RowFailureKeepsTheUnfinishedRow) {
    TAppt a = Appt("ZED", "SMITH, JOHN");
    TAppt bad = Appt("O'NEIL, PAT", "ADAMS, AL");
    bad.NxtAction = "REVIEW";
    bad.NxtActionDate = "someday 10:00:00 AM";
    TAppt never = Appt("NEVER");
    TOrqState state = State({a, bad, never});
    TReportWindow w;
    TBuildResult r = LoadApps(state, w, kAllApplicants);
    EXPECT_EQ(r.RowError, std::string("Error on applicant 1, O'Neil, Pat.\rPlease send APL and "
                                      "ORQ version # to ") +
                              config::kSupportEmail);
    EXPECT_EQ(r.Count, 2u);
    EXPECT_TRUE(r.Shown);
    EXPECT_EQ(w.Label1, "2 appointment(s) selected");
    EXPECT_EQ(state.ReferenceDate, Jan(15));
    // Steps 7 and 8 ran: sorted by station then recruiter ("Adams" before "Smith").
    EXPECT_EQ(Column(w.PrintGrid, 2), (std::vector<std::string>{"O'Neil, Pat", "Zed"}));
    const TReportRow& unfinished = w.PrintGrid.Rows[0];
    EXPECT_EQ(unfinished[10].Text, "someday  10:00 ");
    EXPECT_EQ(unfinished[2].Background, kWhite); // painted up to the failing step
    EXPECT_EQ(unfinished[9].Background, kPaleYellow);
}

TEST(Builder, NameColumnSizedToItsWidestText) {
    TOrqState state = State({Appt("AB"), Appt("ABCDEFGHIJ")});
    TReportWindow w;
    w.TextWidth = [](std::string_view text, bool bold) {
        return static_cast<int>(text.size()) * (bold ? 20 : 10);
    };
    LoadApps(state, w, kAllApplicants);
    EXPECT_EQ(w.PrintGrid.Columns[2].Width, 100 + kCellPadding); // "Abcdefghij"
    state.Appts = {Appt("AB")};
    LoadApps(state, w, kAllApplicants);
    EXPECT_EQ(w.PrintGrid.Columns[2].Width, 80 + kCellPadding); // the bold header "Name"
    // The estimate grows with the text and with bold.
    EXPECT_LT(EstimateTextWidth("Smith", false), EstimateTextWidth("Smithson", false));
    EXPECT_LT(EstimateTextWidth("Name", false), EstimateTextWidth("Name", true));
    EXPECT_EQ(EstimateTextWidth("ab\r\nabc", false), EstimateTextWidth("abc", false));
}

TEST(Builder, PrintTitles) {
    EXPECT_EQ(PrintTitle(kTesters), "Testers\r\r");
    EXPECT_EQ(PrintTitle(kYesterday), "Yesterday\r\r");
    TOrqState state = State({Appt()});
    TReportWindow w;
    LoadApps(state, w, k72hrConducts); // selects nothing
    PreparePrint(state, w);
    EXPECT_EQ(w.PrintGrid.Orientation, TOrientation::Landscape);
    EXPECT_EQ(w.PrintGrid.PrintTitle, "72hr Conducts\r\r");
}

} // namespace
} // namespace orq::reports
