#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/error.h"
#include "reports/check_lists.h"
#include "support/report_fixture.h"

namespace orq::reports {
namespace {

using namespace testing;
using Row = std::vector<std::string>;

std::vector<Row> Rows(const TReportTable& t) {
    std::vector<Row> out;
    for (const TReportRow& row : t.Rows) {
        Row texts;
        for (const TReportCell& c : row)
            texts.push_back(c.Text);
        out.push_back(texts);
    }
    return out;
}

TEST(PastDue, RowsAndPadding) {
    TAppt noDate = Appt("CHRISTOPHERSON-SMYTHE, ALEXANDRA", "SMITH, JOHN");
    noDate.NxtActionDate.clear();
    noDate.NxtAction.clear();
    TAppt yesterday = Appt("DOE, JANE", "LEE");
    yesterday.NxtAction = "APPOINTMENT-INITIAL";
    yesterday.NxtActionDate = At(14, "9:00:00 AM");
    TAppt today = Appt("TODAY");
    today.NxtActionDate = At(15, "11:00:00 PM");
    TAppt longAction = Appt("O'BRIEN, P", "VERYLONGRECRUITERNAME X");
    longAction.NxtAction = "PHYSICAL-EXAM";
    longAction.NxtActionDate = At(2);
    TOrqState state = State({noDate, yesterday, today, longAction});
    TPastDueList list;
    BuildPastDueList(state, list);
    EXPECT_EQ(list.PastRowCount, 3u);
    const TReportTable& g = list.PastGrid;
    EXPECT_EQ(g.Columns[0].Header, "Rctr   ");
    EXPECT_EQ(g.Columns[1].Header, "Applicant   ");
    EXPECT_EQ(g.Columns[2].Header, "Next Action");
    EXPECT_EQ(g.Columns[3].Header, "Date");
    EXPECT_EQ(g.Columns[0].Width, 80);
    EXPECT_EQ(g.Columns[3].Width, 66);
    EXPECT_EQ(g.RowHeight, 18);
    EXPECT_EQ(g.HeaderRowHeight, 35);
    EXPECT_EQ(Rows(g),
              (std::vector<Row>{
                  {"SMITH,    ", "Christopherson-S ", "NO ACTION!", "NO DATE!"},
                  {"          ", "Doe, Jane        ", "APPT-INIT  ", "1/14/2008 "},
                  {"VERYLONGRECRUITERNAME ", "O'Brien, P       ", "PHYSICAL-E ", "1/2/2008 "},
              }));
}

TEST(PastDue, ThreePaddingRowsThenOneRowPerEntry) {
    TOrqState state = State({Appt()}); // next action ahead: not past due
    TPastDueList list;
    BuildPastDueList(state, list);
    EXPECT_EQ(list.PastRowCount, 0u);
    EXPECT_EQ(Rows(list.PastGrid), std::vector<Row>(3, Row(4)));

    TApptTable many(5, Appt());
    for (TAppt& a : many)
        a.NxtActionDate = At(1);
    state = State(many);
    BuildPastDueList(state, list);
    EXPECT_EQ(list.PastGrid.DataRowCount(), 5u);
    // A rebuild starts from scratch.
    state = State({many[0]});
    BuildPastDueList(state, list);
    EXPECT_EQ(list.PastGrid.DataRowCount(), 3u);
    EXPECT_EQ(list.PastGrid.Rows[1], TReportRow(4));
}

TEST(PastDue, BadDateStopsTheBuildKeepingEarlierRows) {
    TAppt first = Appt("FIRST");
    first.NxtActionDate.clear();
    TAppt bad = Appt("BAD");
    bad.NxtActionDate = "tomorrow 9:00:00 AM";
    TOrqState state = State({first, bad, first});
    TPastDueList list;
    try {
        BuildPastDueList(state, list);
        FAIL() << "no failure";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'tomorrow ' is not a valid date");
    }
    EXPECT_EQ(list.PastRowCount, 1u);
    EXPECT_EQ(list.PastGrid.Rows[0][1].Text, "First            ");
}

TEST(Broken, RulesAtTheirThresholds) {
    struct Case {
        const char* what;
        void (*record)(TAppt&);
        std::vector<std::string> reasons;
    };
    const Case cases[] = {
        {"a clean record", [](TAppt&) {}, {}},
        {"no EST",
         [](TAppt& a) {
             a.ApptCond = At(12);
             a.ApprovedCond = "Y";
         },
         {"no EST"}},
        {"no EST needs PS N",
         [](TAppt& a) {
             a.ApptCond = At(12);
             a.ApprovedCond = "Y";
             a.PS = "Y";
         },
         {}},
        {"RA CIHS", [](TAppt& a) { a.Ed = "109"; }, {"RA CIHS"}},
        {"reserve CIHS",
         [](TAppt& a) {
             a.Ed = "109";
             a.Comp = "R";
         },
         {}},
        {"3 days ahead", [](TAppt& a) { a.ApptSch = At(18, "11:59:00 PM"); }, {}},
        {"4 days ahead", [](TAppt& a) { a.ApptSch = At(19, "12:01:00 AM"); }, {"conduct 72hrs+"}},
        {"approved low EST",
         [](TAppt& a) {
             a.ApptCond = At(12);
             a.ApprovedCond = "Y";
             a.EST = 30;
         },
         {"app. low EST"}},
        {"approved EST equal to MinEST",
         [](TAppt& a) {
             a.ApptCond = At(12);
             a.ApprovedCond = "Y";
             a.EST = 31;
         },
         {}},
        {"approved low EST with a QT",
         [](TAppt& a) {
             a.ApptCond = At(12);
             a.ApprovedCond = "Y";
             a.EST = 30;
             a.QT = 40;
         },
         {}},
        {"unapproved make", [](TAppt& a) { a.ApprovedMake.clear(); }, {"unapp. make"}},
        {"unapproved make and conduct",
         [](TAppt& a) {
             a.ApprovedMake.clear();
             a.ApptCond = At(12);
             a.EST = 31;
         },
         {"unapp. make", "unapp. conduct"}},
        {"unapproved conduct by QT",
         [](TAppt& a) {
             a.ApptCond = At(12);
             a.EST = 5;
             a.QT = 1;
         },
         {"unapp. conduct"}},
        {"unapproved conduct below MinEST",
         [](TAppt& a) {
             a.ApptCond = At(12);
             a.EST = 30;
         },
         {}},
        {"every rule",
         [](TAppt& a) {
             a.ApptCond = At(12);
             a.Ed = "109";
             a.ApptSch = At(25);
             a.ApprovedMake.clear();
         },
         {"no EST", "RA CIHS", "conduct 72hrs+", "unapp. make"}},
    };
    for (const Case& c : cases) {
        TAppt a = Appt("DOE, JANE", "SMITH, JOHN");
        c.record(a);
        TOrqState state = State({a});
        TBrokenList list;
        BuildBrokenList(state, list);
        std::vector<std::string> reasons;
        for (std::size_t i = 0; i < list.BrokenRowCount; ++i)
            reasons.push_back(list.BrokenGrid.Rows[i][2].Text);
        EXPECT_EQ(reasons, c.reasons) << c.what;
        EXPECT_GE(list.BrokenGrid.DataRowCount(), 3u);
    }
}

TEST(Broken, MinEstZeroMakesEveryUnapprovedConductBroken) {
    TAppt a = Appt();
    a.ApptCond = At(12);
    a.PS = "Y";
    TOrqState state = State({a});
    state.MinEST = 0;
    TBrokenList list;
    BuildBrokenList(state, list);
    ASSERT_EQ(list.BrokenRowCount, 1u);
    EXPECT_EQ(list.BrokenGrid.Rows[0][2].Text, "unapp. conduct");
}

TEST(Broken, LayoutRowsAndUnknownCode) {
    TOrqState state = State({Appt("MARY", "NOSPACE")});
    TBrokenList list;
    BuildBrokenList(state, list);
    EXPECT_EQ(list.BrokenRowCount, 0u);
    const TReportTable& g = list.BrokenGrid;
    ASSERT_EQ(g.ColumnCount(), 3u);
    EXPECT_EQ(g.Columns[0].Header, "Rctr   ");
    EXPECT_EQ(g.Columns[1].Header, "Applicant   ");
    EXPECT_EQ(g.Columns[2].Header, "Error");
    EXPECT_EQ((std::vector<int>{g.Columns[0].Width, g.Columns[1].Width, g.Columns[2].Width}),
              (std::vector<int>{100, 140, 140}));
    EXPECT_EQ(Rows(g), std::vector<Row>(3, Row(3)));
    AddBrokenRow(state, list, 0, 9);
    EXPECT_EQ(Rows(g)[0], (Row{"          ", "Mary             ", ""}));
}

TEST(Broken, UnreadableScheduledDayStopsTheBuild) {
    TAppt first = Appt();
    first.ApprovedMake.clear();
    TAppt bad = Appt();
    bad.ApptSch = "";
    TOrqState state = State({first, bad});
    TBrokenList list;
    try {
        BuildBrokenList(state, list);
        FAIL() << "no failure";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid date");
    }
    EXPECT_EQ(list.BrokenRowCount, 1u);
}

TEST(CopyText, PastDueByteForByte) {
    TAppt a = Appt("DOE, JANE", "SMITH, JOHN");
    a.NxtActionDate.clear();
    TAppt b = Appt("ROE, RICHARD", "LEE, AL");
    b.NxtAction = "APPOINTMENT-INITIAL";
    b.NxtActionDate = At(14);
    TAppt c = Appt("POE, EDGAR", "KIM, SU");
    c.NxtAction.clear();
    c.NxtActionDate = At(1);
    TOrqState state = State({a, b, c});
    TPastDueList list;
    BuildPastDueList(state, list);
    EXPECT_EQ(CopyText(list.PastGrid), "Rctr   \tApplicant   \tNext Action\tDate\r\n"
                                       "SMITH,    \tDoe, Jane        \tTEST       \tNO DATE!\r\n"
                                       "LEE,      \tRoe, Richard     \tAPPT-INIT  \t1/14/2008 \r\n"
                                       "KIM,      \tPoe, Edgar       \tNO ACTION!\t1/1/2008 \r\n");
}

TEST(CopyText, EmptyListAndCarriageReturns) {
    TOrqState state = State();
    TBrokenList list;
    BuildBrokenList(state, list);
    EXPECT_EQ(CopyText(list.BrokenGrid),
              "Rctr   \tApplicant   \tError\r\n\t\t\r\n\t\t\r\n\t\t\r\n");
    list.BrokenGrid.Rows[0][2].Text = "a\rb\r";
    list.BrokenGrid.Rows[0][0].Text = "x\ny";
    EXPECT_EQ(CopyText(list.BrokenGrid),
              "Rctr   \tApplicant   \tError\r\nx\ny\t\t\"ab\"\r\n\t\t\r\n\t\t\r\n");
}

} // namespace
} // namespace orq::reports
