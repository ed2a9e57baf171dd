#include <functional>

#include <gtest/gtest.h>

#include "base/error.h"
#include "reports/report_rules.h"
#include "support/report_fixture.h"

namespace orq::reports {
namespace {

using namespace testing;

struct RuleCase {
    const char* what;
    std::int8_t type;
    std::function<void(TAppt&)> record;
    std::function<void(TReportFilter&)> filter;
    bool expected;
    int shift = 0; // ReferenceDate offset the builder applies during the build
};

void Nothing(TAppt&) {}
void NoFilter(TReportFilter&) {}

class RuleTable : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RuleTable, Selects) {
    const RuleCase& c = GetParam();
    TAppt a = Appt();
    c.record(a);
    TOrqState state = State({a});
    state.ReferenceDate += c.shift;
    TReportFilter filter;
    c.filter(filter);
    EXPECT_EQ(testquery(state, filter, 0, c.type), c.expected) << c.what;
}

const RuleCase kRuleCases[] = {
    // Common conditions.
    {"empty ApptSch is in no report", kAllApplicants, [](TAppt& a) { a.ApptSch.clear(); }, NoFilter,
     false},
    {"all applicants takes any scheduled record", kAllApplicants, Nothing, NoFilter, true},
    {"hide terminated", kAllApplicants, [](TAppt& a) { a.Terminated = true; },
     [](TReportFilter& f) { f.HideTerminated = true; }, false},
    {"terminated shown without the check", kAllApplicants, [](TAppt& a) { a.Terminated = true; },
     NoFilter, true},
    {"grads exclude 109", kAllApplicants, [](TAppt& a) { a.Ed = "109"; },
     [](TReportFilter& f) { f.EdIndex = kEdGrads; }, false},
    {"grads exclude any code containing 11", kAllApplicants, [](TAppt& a) { a.Ed = "11S"; },
     [](TReportFilter& f) { f.EdIndex = kEdGrads; }, false},
    {"grads exclude 211", kAllApplicants, [](TAppt& a) { a.Ed = "211"; },
     [](TReportFilter& f) { f.EdIndex = kEdGrads; }, false},
    {"grads exclude PS Y", kAllApplicants, [](TAppt& a) { a.PS = "Y"; },
     [](TReportFilter& f) { f.EdIndex = kEdGrads; }, false},
    {"grads keep 12", kAllApplicants, Nothing, [](TReportFilter& f) { f.EdIndex = kEdGrads; },
     true},
    {"seniors keep 11S", kAllApplicants, [](TAppt& a) { a.Ed = "11S"; },
     [](TReportFilter& f) { f.EdIndex = kEdSeniors; }, true},
    {"seniors drop 11s", kAllApplicants, [](TAppt& a) { a.Ed = "11s"; },
     [](TReportFilter& f) { f.EdIndex = kEdSeniors; }, false},
    {"11s is no grad either", kAllApplicants, [](TAppt& a) { a.Ed = "11s"; },
     [](TReportFilter& f) { f.EdIndex = kEdGrads; }, false},
    {"ed index -1 is ALL", kAllApplicants, [](TAppt& a) { a.Ed = "109"; },
     [](TReportFilter& f) { f.EdIndex = -1; }, true},
    {"active needs A", kAllApplicants, [](TAppt& a) { a.Comp = "R"; },
     [](TReportFilter& f) { f.CompIndex = kCompActive; }, false},
    {"reserve needs R", kAllApplicants, [](TAppt& a) { a.Comp = "R"; },
     [](TReportFilter& f) { f.CompIndex = kCompReserve; }, true},
    {"reserve drops A", kAllApplicants, Nothing,
     [](TReportFilter& f) { f.CompIndex = kCompReserve; }, false},
    {"comp index -1 is ALL", kAllApplicants, [](TAppt& a) { a.Comp = "X"; },
     [](TReportFilter& f) { f.CompIndex = -1; }, true},

    // Yesterday: reference date is the 14th.
    {"yesterday: scheduled yesterday", kYesterday, [](TAppt& a) { a.ApptSch = At(14); }, NoFilter,
     true, -1},
    {"yesterday: made yesterday, scheduled later", kYesterday,
     [](TAppt& a) { a.ApptMade = At(14); }, NoFilter, true, -1},
    {"yesterday: conducted yesterday, scheduled earlier", kYesterday,
     [](TAppt& a) {
         a.ApptSch = At(12);
         a.ApptCond = At(14, "1:00:00 PM");
     },
     NoFilter, true, -1},
    {"yesterday: nothing yesterday", kYesterday, Nothing, NoFilter, false, -1},

    // Conducts of one day.
    {"today: scheduled today", kTodaysConducts, Nothing, NoFilter, true},
    {"today: scheduled tomorrow", kTodaysConducts, [](TAppt& a) { a.ApptSch = At(16); }, NoFilter,
     false},
    {"48hr: scheduled tomorrow", k48hrConducts, [](TAppt& a) { a.ApptSch = At(16); }, NoFilter,
     true, 1},
    {"72hr: scheduled the day after", k72hrConducts, [](TAppt& a) { a.ApptSch = At(17); }, NoFilter,
     true, 2},
    {"today: review due today, not conducted", kTodaysConducts,
     [](TAppt& a) {
         a.ApptSch = At(11);
         a.NxtAction = "REVIEW";
         a.NxtActionDate = At(15, "9:00:00 AM");
     },
     NoFilter, true},
    {"today: review due today, conducted", kTodaysConducts,
     [](TAppt& a) {
         a.ApptSch = At(11);
         a.ApptCond = At(11);
         a.NxtAction = "REVIEW";
         a.NxtActionDate = At(15);
     },
     NoFilter, false},
    {"today: TEST due today is no review", kTodaysConducts,
     [](TAppt& a) {
         a.ApptSch = At(11);
         a.NxtActionDate = At(15);
     },
     NoFilter, false},
    {"48hr: review due tomorrow", k48hrConducts,
     [](TAppt& a) {
         a.ApptSch = At(11);
         a.NxtAction = "REVIEW";
         a.NxtActionDate = At(16);
     },
     NoFilter, true, 1},

    // No shows.
    {"no show: scheduled before today, not conducted", kNoShows,
     [](TAppt& a) { a.ApptSch = At(14); }, NoFilter, true},
    {"no show: scheduled today", kNoShows, Nothing, NoFilter, false},
    {"no show: conducted", kNoShows,
     [](TAppt& a) {
         a.ApptSch = At(14);
         a.ApptCond = At(14);
     },
     NoFilter, false},
    {"no show: review ahead, rescheduled hidden", kNoShows,
     [](TAppt& a) {
         a.ApptSch = At(14);
         a.NxtAction = "REVIEW";
         a.NxtActionDate = At(15);
     },
     [](TReportFilter& f) { f.HideRescheduled = true; }, false},
    {"no show: review ahead, rescheduled shown", kNoShows,
     [](TAppt& a) {
         a.ApptSch = At(14);
         a.NxtAction = "REVIEW";
         a.NxtActionDate = At(15);
     },
     NoFilter, true},
    {"no show: review passed stays with hide rescheduled", kNoShows,
     [](TAppt& a) {
         a.ApptSch = At(12);
         a.NxtAction = "REVIEW";
         a.NxtActionDate = At(14);
     },
     [](TReportFilter& f) { f.HideRescheduled = true; }, true},

    // High EST/QT (MinEST 31).
    {"EST equal to MinEST", kHighEstQt, [](TAppt& a) { a.EST = 31; }, NoFilter, true},
    {"EST below MinEST", kHighEstQt, [](TAppt& a) { a.EST = 30; }, NoFilter, false},
    {"QT 31", kHighEstQt, [](TAppt& a) { a.QT = 31; }, NoFilter, true},
    {"QT 30", kHighEstQt, [](TAppt& a) { a.QT = 30; }, NoFilter, false},

    // Testers.
    {"testers: TEST", kTesters, Nothing, NoFilter, true},
    {"testers: lower case", kTesters, [](TAppt& a) { a.NxtAction = "test"; }, NoFilter, false},
    {"testers: padded", kTesters, [](TAppt& a) { a.NxtAction = "TEST "; }, NoFilter, false},

    // Unknown types.
    {"type 7", 7, Nothing, NoFilter, false},
    {"type -2", -2, Nothing, NoFilter, false},
};

INSTANTIATE_TEST_SUITE_P(Rules, RuleTable, ::testing::ValuesIn(kRuleCases));

TEST(Rules, MinEstZeroTakesEveryRecord) {
    TOrqState state = State({Appt()});
    state.MinEST = 0;
    EXPECT_TRUE(testquery(state, {}, 0, kHighEstQt));
}

TEST(Rules, StationAndRecruiterFilters) {
    const TAppt a = Appt("X", "SMITH, JOHN", "1A2B");
    TReportFilter f;
    EXPECT_TRUE(PassesStationAndRecruiter(a, f));
    f.StationIndex = 0; // "ALL"
    f.StationText = "ALL";
    EXPECT_TRUE(PassesStationAndRecruiter(a, f));
    f.StationIndex = 2;
    f.StationText = "1A2C";
    EXPECT_FALSE(PassesStationAndRecruiter(a, f));
    f.StationText = "1A2B";
    EXPECT_TRUE(PassesStationAndRecruiter(a, f));
    f.RecruiterIndex = 1;
    f.RecruiterText = "Smith, John"; // exact, case-sensitive
    EXPECT_FALSE(PassesStationAndRecruiter(a, f));
    f.RecruiterText = "SMITH, JOHN";
    EXPECT_TRUE(PassesStationAndRecruiter(a, f));
}

TEST(Rules, BadDatesFailOnlyWhenRead) {
    TAppt a = Appt();
    a.ApptSch = "soon 10:30:00 AM";
    TOrqState state = State({a});
    // Decided before any date is read: no failure.
    EXPECT_TRUE(testquery(state, {}, 0, kAllApplicants));
    TReportFilter seniors;
    seniors.EdIndex = kEdSeniors;
    EXPECT_FALSE(testquery(state, seniors, 0, kTodaysConducts));
    try {
        testquery(state, {}, 0, kTodaysConducts);
        FAIL() << "no failure";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'soon ' is not a valid date");
    }
    // Yesterday reads the made and conducted days even after the scheduled day matched.
    a = Appt();
    a.ApptSch = At(14);
    a.ApptCond = "bad";
    state = State({a});
    state.ReferenceDate = Jan(14);
    EXPECT_THROW(testquery(state, {}, 0, kYesterday), Error);
    // The index is checked.
    EXPECT_FALSE(testquery(state, {}, 5, kAllApplicants));
}

TEST(Rules, ReportNames) {
    EXPECT_EQ(ReportName(kYesterday), "Yesterday");
    EXPECT_EQ(ReportName(kTodaysConducts), "Today's Conducts");
    EXPECT_EQ(ReportName(k48hrConducts), "48hr Conducts");
    EXPECT_EQ(ReportName(k72hrConducts), "72hr Conducts");
    EXPECT_EQ(ReportName(kNoShows), "No Shows");
    EXPECT_EQ(ReportName(kAllApplicants), "All Applicants");
    EXPECT_EQ(ReportName(kHighEstQt), "High EST/QT");
    EXPECT_EQ(ReportName(kTesters), "Testers");
    EXPECT_EQ(ReportName(9), "");
}

} // namespace
} // namespace orq::reports
