#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "reports/report_builder.h"
#include "reports/report_sort.h"
#include "support/report_fixture.h"

namespace orq::reports {
namespace {

using namespace testing;

TSortKey Key(std::string_view text) {
    return CellSortKey(text, TFormatSettings{}, Jan(15));
}

TEST(SortKeys, WhatCellsReadAs) {
    struct Case {
        const char* text;
        TSortKind kind;
        double value;
    };
    const Case cases[] = {
        {"", TSortKind::Number, 0},
        {"   ", TSortKind::Number, 0},
        {"45", TSortKind::Number, 45},
        {" 7 ", TSortKind::Number, 7},
        {"-3", TSortKind::Number, -3},
        {"2.5", TSortKind::Number, 2.5},
        {"10 ", TSortKind::Number, 10},
        {"1E5", TSortKind::Text, 0},
        {"1A2B", TSortKind::Text, 0},
        {"555-0100", TSortKind::Text, 0},
        {"NO DATE", TSortKind::Text, 0},
        {"2:30 ", TSortKind::DateTime, 2.5 / 24},
        {"14:30", TSortKind::DateTime, 14.5 / 24},
        {"9:05:30", TSortKind::DateTime, (9 * 3600 + 5 * 60 + 30) / 86400.0},
        {"2:30 PM", TSortKind::DateTime, 14.5 / 24},
        {"12:00 AM", TSortKind::DateTime, 0},
        {"25:00", TSortKind::Text, 0},
        {"9:60", TSortKind::Text, 0},
        {"1/20/2008 ", TSortKind::DateTime, EncodeDate(2008, 1, 20)},
        {"1/20/2008  10:30 ", TSortKind::DateTime, EncodeDate(2008, 1, 20) + 10.5 / 24},
        {"1/20/2008 10:30:00 AM", TSortKind::DateTime, EncodeDate(2008, 1, 20) + 10.5 / 24},
        {"13/20/2008 ", TSortKind::Text, 0},
        {"1/20/2008 soon", TSortKind::Text, 0},
    };
    for (const Case& c : cases) {
        const TSortKey key = Key(c.text);
        EXPECT_EQ(key.Kind, c.kind) << c.text;
        if (key.Kind != TSortKind::Text) {
            EXPECT_NEAR(key.Value, c.value, 1e-9) << c.text;
        }
    }
}

TEST(SortKeys, DecimalSeparatorOfTheFormat) {
    TFormatSettings german = MakeFormatSettings("dd.MM.yyyy", ',');
    EXPECT_EQ(CellSortKey("2,5", german, Jan(15)).Kind, TSortKind::Number);
    // With "." as the date separator, two numbers read as a day and a month of this year.
    const TSortKey dayMonth = CellSortKey("2.5", german, Jan(15));
    EXPECT_EQ(dayMonth.Kind, TSortKind::DateTime);
    EXPECT_EQ(dayMonth.Value, EncodeDate(2008, 5, 2));
    const TSortKey date = CellSortKey("20.01.2008  10:30 ", german, Jan(15));
    EXPECT_EQ(date.Kind, TSortKind::DateTime);
    EXPECT_NEAR(date.Value, EncodeDate(2008, 1, 20) + 10.5 / 24, 1e-9);
}

TEST(SortKeys, MixedKindsOrderNumbersThenDatesThenTexts) {
    const std::vector<std::string> ascending = {"-1",        "",           "3", "30",      "9:05 ",
                                                "1/2/2008 ", "1/20/2008 ", "A", "NO DATE", "a"};
    for (std::size_t i = 0; i < ascending.size(); ++i)
        for (std::size_t j = 0; j < ascending.size(); ++j) {
            const int c = CompareSortKeys(Key(ascending[i]), Key(ascending[j]));
            const int expected = i < j ? -1 : (i > j ? 1 : 0);
            EXPECT_EQ(c, expected) << ascending[i] << " vs " << ascending[j];
        }
    // Text compares by character code: upper case before lower case, a prefix first.
    EXPECT_LT(CompareSortKeys(Key("Smith"), Key("Smithson")), 0);
    EXPECT_LT(CompareSortKeys(Key("Zed"), Key("adam")), 0);
    EXPECT_GT(CompareSortKeys(Key("\xc3\xa9"), Key("z")), 0); // bytes compare unsigned
}

TReportTable Table(const std::vector<std::vector<std::string>>& rows) {
    TReportTable t;
    t.SetColumnCount(rows.empty() ? 0 : rows[0].size());
    t.SetDataRowCount(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            t.Rows[r][c].Text = rows[r][c];
    return t;
}

TEST(SortRows, TiesGoToTheColumnsToTheRightInTheSameDirection) {
    TReportTable t = Table({{"B", "x", "2", "id1"},
                            {"A", "y", "10", "id2"},
                            {"B", "x", "10", "id3"},
                            {"A", "x", "2", "id4"},
                            {"B", "w", "9", "id5"}});
    t.Rows[1][0].Background = kLavender; // colours travel with their row
    // The returned order says where each row came from.
    EXPECT_EQ(SortRows(t, 0, true, {}, Jan(15)), (TRowOrder{3, 1, 4, 0, 2}));
    EXPECT_EQ(Col(t, 3), (std::vector<std::string>{"id4", "id2", "id5", "id1", "id3"}));
    EXPECT_EQ(t.Rows[1][0].Background, kLavender);
    EXPECT_EQ(t.SortColumn, 0);
    EXPECT_TRUE(t.SortAscending);
    EXPECT_EQ(SortRows(t, 0, false, {}, Jan(15)), (TRowOrder{4, 3, 2, 1, 0}));
    EXPECT_EQ(Col(t, 3), (std::vector<std::string>{"id3", "id1", "id5", "id2", "id4"}));
    // Columns to the left never break ties: sorting by column 1 looks at 2 and 3 only.
    SortRows(t, 1, true, {}, Jan(15));
    EXPECT_EQ(Col(t, 3), (std::vector<std::string>{"id5", "id1", "id4", "id3", "id2"}));
}

TEST(SortRows, HiddenColumnsBreakNoTies) {
    TReportTable t = Table({{"1", "b", "z"}, {"1", "a", "y"}});
    t.Columns[1].Hidden = true;
    SortRows(t, 0, true, {}, Jan(15));
    EXPECT_EQ(Col(t, 2), (std::vector<std::string>{"y", "z"}));
}

TEST(SortRows, OutOfRangeColumnChangesNothing) {
    TReportTable t = Table({{"b"}, {"a"}});
    EXPECT_TRUE(SortRows(t, 3, true, {}, Jan(15)).empty());
    EXPECT_EQ(Col(t, 0), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(t.SortColumn, -1);
}

// The orders the reports come out in.
class ReportOrder : public ::testing::Test {
protected:
    TReportTable grid;
    std::vector<TReportRow> spare;

    // The report's rows as its build leaves them, no filter set.
    void Build(TOrqState& state, std::int8_t type) {
        BuildReportRows(state, TReportFilter{}, type, grid, spare, EstimateTextWidth);
        SortReport(grid, type, state);
    }
    std::vector<std::string> Names() const { return Col(grid, 2); }
};

TEST_F(ReportOrder, TodaysConductsByTimeOfDayText) {
    // "2:30" has no day-half, so the afternoon appointment sorts before the morning one.
    TAppt morning = Appt("MORNING");
    morning.ApptSch = At(15, "9:05:00 AM");
    TAppt afternoon = Appt("AFTERNOON");
    afternoon.ApptSch = At(15, "2:30:00 PM");
    TAppt tenA = Appt("TEN A", "ZED, Z");
    tenA.ApptSch = At(15, "10:00:00 AM");
    tenA.EST = 40;
    TAppt tenB = Appt("TEN B", "ABE, A");
    tenB.ApptSch = At(15, "10:00:00 AM");
    tenB.EST = 35;
    TOrqState state = State({morning, tenA, afternoon, tenB});
    Build(state, kTodaysConducts);
    // Ties at 10:00 go to ApptCond (empty), then EST ascending.
    EXPECT_EQ(Names(), (std::vector<std::string>{"Afternoon", "Morning", "Ten B", "Ten A"}));
    EXPECT_EQ(grid.SortColumn, 10);
}

TEST_F(ReportOrder, HighEstDescendingEmptyLast) {
    TAppt qtOnly = Appt("QT ONLY");
    qtOnly.QT = 50; // EST 0: empty EST cell
    TAppt e40 = Appt("E40");
    e40.EST = 40;
    TAppt e90 = Appt("E90");
    e90.EST = 90;
    TAppt e40b = Appt("E40B");
    e40b.EST = 40;
    e40b.TestDate = At(20); // tie on EST broken by TestDate, descending: dated first
    TOrqState state = State({qtOnly, e40, e90, e40b});
    Build(state, kHighEstQt);
    EXPECT_EQ(Names(), (std::vector<std::string>{"E90", "E40b", "E40", "Qt Only"}));
    EXPECT_FALSE(grid.SortAscending);
}

TEST_F(ReportOrder, ByStationRecruiterNameForTypesOneToFour) {
    auto make = [](const char* name, const char* rctr, const char* rsid) {
        TAppt a = Appt(name, rctr, rsid);
        a.ApptSch = At(16);
        return a;
    };
    TOrqState state = State({make("ZOE", "ADAMS, A", "1A2C"), make("BOB", "SMITH, J", "1A2B"),
                             make("AMY", "SMITH, J", "1A2B"), make("CAL", "BAKER, B", "1A2B")});
    for (std::int8_t type : {k48hrConducts, kAllApplicants}) {
        Build(state, type);
        EXPECT_EQ(Names(), (std::vector<std::string>{"Cal", "Amy", "Bob", "Zoe"})) << int(type);
    }
    for (TAppt& a : state.Appts)
        a.ApptSch = At(17);
    Build(state, k72hrConducts);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Cal", "Amy", "Bob", "Zoe"}));
    for (TAppt& a : state.Appts)
        a.ApptSch = At(11);
    Build(state, kNoShows);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Cal", "Amy", "Bob", "Zoe"}));
}

TEST_F(ReportOrder, TestersByProjectedDateThenQt) {
    auto make = [](const char* name, int day, std::uint8_t qt) {
        TAppt a = Appt(name);
        a.NxtActionDate = day ? At(day) : "";
        a.QT = qt;
        return a;
    };
    TOrqState state = State(
        {make("NODATE", 0, 1), make("D20Q9", 20, 9), make("D18", 18, 0), make("D20Q3", 20, 3)});
    Build(state, kTesters);
    EXPECT_EQ(Names(), (std::vector<std::string>{"D18", "D20q3", "D20q9", "Nodate"}));
}

TEST_F(ReportOrder, YesterdayKeepsTableOrder) {
    TAppt b = Appt("B", "B", "9ZZZ");
    b.ApptMade = At(14);
    TAppt a = Appt("A", "A", "1AAA");
    a.ApptSch = At(14);
    TOrqState state = State({b, a});
    Build(state, kYesterday);
    EXPECT_EQ(Names(), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(grid.SortColumn, -1);
}

} // namespace
} // namespace orq::reports
