#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error.h"
#include "metrics/pms.h"

namespace orq {
namespace {

const TDateTime kToday = EncodeDate(2008, 3, 31);

// A record scheduled on the given day offset from today, RA Grad, not conducted.
TAppt Appt(int scheduledDay = 0) {
    TAppt appt;
    appt.Rsid = "1A2B";
    appt.Rctr = "SMITH, JOHN";
    appt.Comp = "A";
    appt.PS = "N";
    appt.Ed = "12H";
    appt.Ed = "";
    appt.ApptMade = "3/1/2008 9:00:00 AM";
    TFormatSettings us;
    appt.ApptSch = DateToStr(kToday + scheduledDay, us) + " 10:00:00 AM";
    return appt;
}

std::string Day(int offset) {
    return DateToStr(kToday + offset, TFormatSettings{}) + " 8:00:00 AM";
}

TOrqState StateWith(TApptTable appts) {
    TOrqState state;
    state.Today = kToday;
    state.ReferenceDate = kToday;
    state.Appts = std::move(appts);
    return state;
}

// The four PMS counts of one component and group.
struct Counts {
    int made, approved, noShow, bad;
    bool operator==(const Counts&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Counts& c) {
    return out << c.made << "/" << c.approved << "/" << c.noShow << "/" << c.bad;
}
Counts CountsOf(const TOrqState& state, TComponent c, TEdGroup g) {
    const auto& m = state.MetricCounters[c];
    return {m[kMade][g], m[kApprovedConduct][g], m[kNoShow][g], m[kBadConduct][g]};
}

TEST(Groups, FirstRuleThatApplies) {
    struct Case {
        std::string ps, ed;
        TEdGroup group;
    };
    const std::vector<Case> cases = {
        {"Y", "11S", kOther}, {"N", "11M", kSenior}, {"N", "11S", kSenior}, {"N", "11B", kSenior},
        {"N", "11E", kOther}, {"N", "109", kOther},  {"N", "11H", kOther},  {"N", "12H", kOther},
        {"N", "", kGrad},     {"N", "11", kGrad},    {"N", "11s", kGrad},   {"y", "11S", kSenior},
        {"", "13", kGrad},
    };
    for (const Case& c : cases) {
        TAppt appt;
        appt.PS = c.ps;
        appt.Ed = c.ed;
        EXPECT_EQ(GroupOf(appt), c.group) << c.ps << " " << c.ed;
    }
    TAppt appt;
    for (auto [comp, component] : {std::pair{"R", kAR}, {"r", kRA}, {"A", kRA}, {"", kRA}}) {
        appt.Comp = comp;
        EXPECT_EQ(ComponentOf(appt), component) << comp;
    }
}

TEST(CountPMS, RecordRules) {
    struct Case {
        std::string what;
        TAppt appt;
        Counts counts;
    };
    auto with = [](TAppt appt, auto change) {
        change(appt);
        return appt;
    };
    const std::vector<Case> cases = {
        {"scheduled yesterday, not conducted", Appt(-1), {1, 0, 1, 0}},
        {"scheduled today", Appt(0), {1, 0, 0, 0}},
        {"review tomorrow",
         with(Appt(-1),
              [](TAppt& a) {
                  a.NxtAction = "REVIEW";
                  a.NxtActionDate = Day(1);
              }),
         {1, 0, 0, 0}},
        {"review yesterday",
         with(Appt(-1),
              [](TAppt& a) {
                  a.NxtAction = "REVIEW";
                  a.NxtActionDate = Day(-1);
              }),
         {1, 0, 1, 0}},
        {"review without a date",
         with(Appt(-1), [](TAppt& a) { a.NxtAction = "REVIEW"; }),
         {1, 0, 0, 0}},
        {"review yesterday but conducted",
         with(Appt(-1),
              [](TAppt& a) {
                  a.NxtAction = "REVIEW";
                  a.NxtActionDate = Day(-1);
                  a.ApptCond = Day(-1);
              }),
         {1, 0, 0, 1}},
        {"other action is not a review",
         with(Appt(-1),
              [](TAppt& a) {
                  a.NxtAction = "review";
                  a.NxtActionDate = Day(1);
              }),
         {1, 0, 1, 0}},
        {"conducted, not approved",
         with(Appt(-1), [](TAppt& a) { a.ApptCond = Day(-1); }),
         {1, 0, 0, 1}},
        {"conducted and approved",
         with(Appt(-1),
              [](TAppt& a) {
                  a.ApptCond = Day(-1);
                  a.ApprovedCond = "Y";
              }),
         {1, 1, 0, 0}},
        {"approved without a conduct, past",
         with(Appt(-1), [](TAppt& a) { a.ApprovedCond = "Y"; }),
         {1, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        TOrqState state = StateWith({c.appt});
        CountPMS(state, {});
        EXPECT_EQ(CountsOf(state, kRA, kGrad), c.counts) << c.what;
    }
}

TEST(CountPMS, SplitsByComponentAndGroupAndFollowsTheSelection) {
    TApptTable appts;
    auto add = [&](std::string rsid, std::string rctr, std::string comp, std::string ps,
                   std::string ed) {
        TAppt appt = Appt(-1);
        appt.Rsid = rsid, appt.Rctr = rctr, appt.Comp = comp, appt.PS = ps, appt.Ed = ed;
        appts.push_back(appt);
    };
    add("1A2B", "SMITH, JOHN", "R", "Y", "11S"); // AR Other
    add("1A2B", "SMITH, JOHN", "R", "N", "11M"); // AR Senior
    add("1A2B", "DOE, JANE", "r", "N", "11M");   // RA Senior
    add("2B3C", "SMITH, JOHN", "A", "N", "");    // RA Grad, other station, same name
    TOrqState state = StateWith(appts);

    CountPMS(state, {});
    EXPECT_EQ(CountsOf(state, kAR, kOther), (Counts{1, 0, 1, 0}));
    EXPECT_EQ(CountsOf(state, kAR, kSenior), (Counts{1, 0, 1, 0}));
    EXPECT_EQ(CountsOf(state, kRA, kSenior), (Counts{1, 0, 1, 0}));
    EXPECT_EQ(CountsOf(state, kRA, kGrad), (Counts{1, 0, 1, 0}));

    ZeroCounters(state);
    CountPMS(state, {std::nullopt, std::string("SMITH, JOHN")}); // both stations count
    EXPECT_EQ(CountsOf(state, kRA, kGrad).made + CountsOf(state, kAR, kOther).made +
                  CountsOf(state, kAR, kSenior).made,
              3);
    EXPECT_EQ(CountsOf(state, kRA, kSenior).made, 0);

    ZeroCounters(state);
    CountPMS(state, {std::string("1A2B"), std::string("SMITH, JOHN")});
    EXPECT_EQ(CountsOf(state, kRA, kGrad).made, 0);
    EXPECT_EQ(CountsOf(state, kAR, kOther).made, 1);

    ZeroCounters(state);
    CountPMS(state, {std::string("1a2b"), std::nullopt}); // exact comparison
    EXPECT_EQ(state.MetricCounters, TMetricCounters{});

    TOrqState empty = StateWith({});
    CountPMS(empty, {});
    EXPECT_EQ(empty.MetricCounters, TMetricCounters{});
}

TEST(CountPMS, AnUnreadableDateStopsTheCountingWhereItIs) {
    TAppt bad = Appt(-1);
    bad.ApptSch = "garbage";
    bad.ApptCond = Day(-1); // converted even though conducted
    TOrqState state = StateWith({Appt(-1), bad, Appt(-1)});
    try {
        CountPMS(state, {});
        FAIL() << "no failure";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid date");
    }
    EXPECT_EQ(CountsOf(state, kRA, kGrad), (Counts{2, 0, 1, 0}));

    // A review record that is conducted never reads its review date.
    TAppt review = Appt(-1);
    review.NxtAction = "REVIEW";
    review.NxtActionDate = "garbage";
    review.ApptCond = Day(-1);
    TOrqState fine = StateWith({review});
    EXPECT_NO_THROW(CountPMS(fine, {}));
}

TEST(ConductStatus, CountsTheDayInTheReferenceDate) {
    auto run = [](TApptTable appts) {
        TOrqState state = StateWith(std::move(appts));
        for (int k = 0; k < 3; ++k) {
            state.ReferenceDate = kToday + k;
            ConductStatus(state, {});
        }
        return state.PendingCounters;
    };
    auto only = [](int day, TComponent c, TEdGroup g) {
        TPendingCounters counters{};
        counters[static_cast<std::size_t>(day)][c][g] = 1;
        return counters;
    };
    EXPECT_EQ(run({Appt(0)}), only(0, kRA, kGrad));

    TAppt review = Appt(-1);
    review.NxtAction = "REVIEW";
    review.NxtActionDate = Day(1);
    EXPECT_EQ(run({review}), only(1, kRA, kGrad));
    review.NxtAction = "TEST";
    EXPECT_EQ(run({review}), TPendingCounters{});

    TAppt approved = Appt(0);
    approved.ApprovedCond = "Y";
    EXPECT_EQ(run({approved}), TPendingCounters{});

    TAppt conducted = Appt(0);
    conducted.ApptCond = Day(0); // conducted, not approved: still pending
    EXPECT_EQ(run({conducted}), only(0, kRA, kGrad));

    TAppt senior = Appt(2);
    senior.Comp = "R";
    senior.Ed = "11B";
    EXPECT_EQ(run({senior}), only(2, kAR, kSenior));
    EXPECT_EQ(run({Appt(3)}), TPendingCounters{});

    // A reference day that is none of the three counts as today.
    TOrqState state = StateWith({Appt(5)});
    state.ReferenceDate = kToday + 5;
    ConductStatus(state, {});
    EXPECT_EQ(state.PendingCounters, only(0, kRA, kGrad));
}

TEST(CountRecruiters, RaAndArFromTheReserveList) {
    const std::vector<std::string> items = {"ALL", "A", "B", "C", "D", "E", "F"};
    struct Case {
        std::vector<std::string> reserve;
        int selected;
        int ra, ar, raDivisor, arDivisor;
    };
    const std::vector<Case> cases = {
        {{}, 0, 6, 0, 6, 1},
        {{"B", "E"}, 0, 4, 2, 4, 2},
        {{"B", "B"}, 0, 4, 2, 4, 2}, // a name listed twice counts twice
        {{"b"}, 0, 6, 0, 6, 1},      // exact comparison
        {{"B"}, 2, 0, 1, 1, 1},      // one reserve recruiter selected
        {{"B"}, 1, 1, 0, 1, 1},      // one regular recruiter selected
        {{}, 3, 1, 0, 1, 1},
        {{"A", "A", "B", "B", "C", "C", "D"}, 0, 0, 7, 1, 7}, // more matches than recruiters
        {{"ALL"}, 0, 5, 1, 5, 1},                             // item 0 takes part in the pairs
        {{}, -1, 6, 0, 6, 1},
    };
    for (const Case& c : cases) {
        TOrqState state;
        state.ReserveList = c.reserve;
        TRecruiterCounts shown = CountRecruiters(state, items, c.selected);
        EXPECT_EQ(shown.Ra, c.ra) << c.selected;
        EXPECT_EQ(shown.Ar, c.ar) << c.selected;
        EXPECT_EQ(state.RaRecruiters, c.raDivisor);
        EXPECT_EQ(state.ArRecruiters, c.arDivisor);
    }
    TOrqState none;
    TRecruiterCounts shown = CountRecruiters(none, {"ALL"}, 0);
    EXPECT_EQ(RecruitersLabel(shown), "Rctrs: 0 RA, 0 AR");
    EXPECT_EQ(RecruitersLabel({5, 2}), "Rctrs: 5 RA, 2 AR");
}

TEST(MetricsTable, LayoutOfBothTables) {
    TGrid math(9, 10), cond(4, 10);
    LayoutMathGrid(math);
    LayoutCondGrid(cond);
    EXPECT_EQ(math.RowTexts(0),
              (std::vector<std::string>{"", "AM", "AC", "No\rShow", "Bad\rCdcts", "Cdct\r%%",
                                        "No Show\r%%", "Avg\rMake", "Avg\rCdcts"}));
    std::vector<std::string> labels;
    for (int row = 0; row < 10; ++row)
        labels.push_back(math.Cell(0, row).Text);
    EXPECT_EQ(labels, (std::vector<std::string>{"", " RA", "   Grad", "   Senior", "   Other", "",
                                                " AR", "   Grad", "   Senior", "   Other"}));
    EXPECT_EQ(math.ColWidths, (std::vector<int>{56, 31, 31, 42, 45, 55, 55, 45, 53}));
    EXPECT_EQ(math.RowHeights[0], 35);
    EXPECT_EQ(math.RowHeights[1], 18);
    for (int row = 0; row < 10; ++row)
        for (int col = 0; col < 9; ++col) {
            const TGridCell& cell = math.Cell(col, row);
            EXPECT_EQ(cell.Align, col == 0 ? TAlign::Left : TAlign::Center);
            EXPECT_EQ(cell.FontColor.has_value(), row == 1 || row == 6);
            EXPECT_EQ(cell.FontColor.value_or(0xFF0000u), 0xFF0000u);
            EXPECT_EQ(cell.Bold, row == 0);
        }

    EXPECT_EQ(cond.RowTexts(0), (std::vector<std::string>{"", "Grad", "Senior", "Other"}));
    labels.clear();
    for (int row = 0; row < 10; ++row)
        labels.push_back(cond.Cell(0, row).Text);
    EXPECT_EQ(labels, (std::vector<std::string>{"", " Today", "   RA", "   AR", " Tomorrow",
                                                "   RA", "   AR", " Two days", "   RA", "   AR"}));
    EXPECT_EQ(cond.ColWidths, (std::vector<int>{65, 45, 45, 45}));
    EXPECT_EQ(cond.RowHeights[0], 35);
    EXPECT_EQ(cond.Cell(2, 5).Align, TAlign::Center);
}

TEST(MetricsTable, FiguresPercentagesAndAverages) {
    TOrqState state;
    state.ListWeeks = 2;
    state.RaRecruiters = 2;
    state.ArRecruiters = 1;
    auto& ra = state.MetricCounters[kRA];
    ra[kMade][kGrad] = 3, ra[kApprovedConduct][kGrad] = 1, ra[kBadConduct][kGrad] = 1;
    ra[kNoShow][kGrad] = 1;
    ra[kMade][kOther] = 1, ra[kApprovedConduct][kOther] = 1;
    state.MetricCounters[kAR][kMade][kSenior] = 8;
    state.MetricCounters[kAR][kApprovedConduct][kSenior] = 1;
    state.PendingCounters[0][kRA][kGrad] = 4;
    state.PendingCounters[2][kAR][kSenior] = 1;
    state.PendingCounters[1][kAR][kOther] = 2;

    TGrid math(9, 10), cond(4, 10);
    LayoutMathGrid(math);
    LayoutCondGrid(cond);
    WriteMetrics(state, math, cond);
    auto row = [&](int r) {
        auto texts = math.RowTexts(r);
        texts.erase(texts.begin());
        return texts;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(row(1), (V{"4", "2", "1", "1", "75.0%", "25.0%", "1.00", "0.50"}));
    EXPECT_EQ(row(2), (V{"3", "1", "1", "1", "66.7%", "33.3%", "0.75", "0.25"}));
    EXPECT_EQ(row(3), (V{"0", "0", "0", "0", "0.0%", "0.0%", "0.00", "0.00"}));
    EXPECT_EQ(row(4), (V{"1", "1", "0", "0", "100.0%", "0.0%", "0.25", "0.25"}));
    EXPECT_EQ(row(5), (V{"", "", "", "", "", "", "", ""}));
    EXPECT_EQ(row(6), (V{"8", "1", "0", "0", "12.5%", "0.0%", "4.00", "0.50"}));
    EXPECT_EQ(row(8), (V{"8", "1", "0", "0", "12.5%", "0.0%", "4.00", "0.50"}));

    EXPECT_EQ(cond.RowTexts(2), (V{"   RA", "4", "0", "0"}));
    EXPECT_EQ(cond.RowTexts(6), (V{"   AR", "0", "0", "2"}));
    EXPECT_EQ(cond.RowTexts(9), (V{"   AR", "0", "1", "0"}));
    EXPECT_EQ(cond.RowTexts(4), (V{" Tomorrow", "", "", ""}));
    EXPECT_EQ(cond.RowHeights, std::vector<int>(10, 18)); // the header row too

    // Divisions use the single-precision week figure and the machine's decimal separator.
    state.ListWeeks = static_cast<float>(8.0 / 7);
    state.Format.decimalSeparator = ',';
    WriteMetrics(state, math, cond);
    EXPECT_EQ(row(2), (V{"3", "1", "1", "1", "66,7%", "33,3%", "1,31", "0,44"}));
}

} // namespace
} // namespace orq
