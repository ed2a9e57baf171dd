#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "domain/loader.h"
#include "domain/text.h"
#include "orq_config.h"
#include "support/fake_import.h"

namespace orq {
namespace {

using testing::AplRow;
using testing::FakeImport;
using testing::WriteApl;

TOrqState NewState() {
    TOrqState state;
    state.Today = EncodeDate(2008, 3, 31);
    return state;
}

// Loads rows into a fresh state; returns the state.
TOrqState Load(FakeImport& sheet) {
    TOrqState state = NewState();
    EXPECT_TRUE(AplHasRows(sheet));
    ReadAplRows(sheet, state);
    return state;
}

std::string FailureOf(FakeImport& sheet, TOrqState& state) {
    try {
        ReadAplRows(sheet, state);
    } catch (const TLoadFailure& e) {
        return e.what();
    }
    return "no failure";
}

TEST(Loader, FailureMessageEndsWithTheSupportAddress) {
    EXPECT_EQ(LoadFailureMessage(), std::string("Could not open processing list\r\n"
                                                "Make sure it is saved in XLS format\r\n"
                                                "If you cannot solve the problem, please email "
                                                "the APL to ") +
                                        config::kSupportEmail);
}

TEST(Loader, RowCountBelowTenHasNoAppointments) {
    FakeImport sheet;
    sheet.rowCount = 9;
    EXPECT_FALSE(AplHasRows(sheet));
    sheet.rowCount = 10;
    EXPECT_TRUE(AplHasRows(sheet));
}

TEST(Loader, CurrentLayoutReadsEveryFieldOfEveryRow) {
    FakeImport sheet;
    AplRow row;
    row.rsid = "1a2bx";             // upper-cased, four characters
    row.phone = "555-123-4567 x89"; // twelve characters
    row.comp = "Reserve";           // one character
    row.ed = "11SX";                // three characters
    row.sch = "";                   // takes ApptMade
    row.cond = "1/16/2008 9:00:00 AM";
    row.est = "45";
    row.qt = 31.0;
    row.nxtAction = "REVIEW";
    row.nxtActionDate = "4/1/2008 8:00:00 AM";
    row.approvedCond = "Y";
    row.col27 = "last";
    WriteApl(sheet, {row, AplRow{}, AplRow{}});
    TOrqState state = Load(sheet);

    EXPECT_FALSE(state.OldLayout);
    ASSERT_EQ(state.Appts.size(), 3u);
    const TAppt& a = state.Appts[0];
    EXPECT_EQ(a.Rsid, "1A2B");
    EXPECT_EQ(a.Rctr, "SMITH, JOHN");
    EXPECT_FALSE(a.Terminated);
    EXPECT_EQ(a.Name, "DOE, JANE");
    EXPECT_EQ(a.Phone, "555-123-4567");
    EXPECT_EQ(a.Comp, "R");
    EXPECT_EQ(a.AppType, "N");
    EXPECT_EQ(a.PS, "N");
    EXPECT_EQ(a.Sex, "F");
    EXPECT_EQ(a.Ed, "11S");
    EXPECT_EQ(a.LeadSrc, "WALK IN");
    EXPECT_EQ(a.ApptMade, "1/10/2008 10:30:00 AM");
    EXPECT_EQ(a.ApptSch, a.ApptMade);
    EXPECT_EQ(a.ApptCond, "1/16/2008 9:00:00 AM");
    EXPECT_EQ(a.EST, 45);
    EXPECT_EQ(a.QT, 31);
    EXPECT_EQ(a.NxtAction, "REVIEW");
    EXPECT_EQ(a.NxtActionDate, "4/1/2008 8:00:00 AM");
    EXPECT_EQ(a.ApprovedCond, "Y");
    EXPECT_EQ(a.Col27, "last");
    EXPECT_EQ(state.Appts[1].ApptSch, "1/15/2008 10:30:00 AM");

    EXPECT_EQ(state.StationList.Items(), std::vector<std::string>{"1A2B"});
    EXPECT_EQ(state.RecruiterList.Items(), std::vector<std::string>{"1A2BSMITH, JOHN"});
    EXPECT_EQ(state.ListStart, EncodeDate(2008, 1, 10));
    EXPECT_EQ(state.ListEnd, EncodeDate(2008, 1, 10));
    EXPECT_TRUE(sheet.log.empty());
}

TEST(Loader, NumbersAndWideTextBecomeCellText) {
    FakeImport sheet;
    WriteApl(sheet, {AplRow{}});
    sheet.Set(10, 3, std::u16string(u"M\u00dcLLER, J\u00d6RG"));
    sheet.Set(10, 4, 5551234567.0);
    sheet.Set(10, 15, 39462.5); // a date stored as a serial number stays digits
    TOrqState state = Load(sheet);
    EXPECT_EQ(state.Appts[0].Name, "M\xC3\x9CLLER, J\xC3\x96RG");
    EXPECT_EQ(state.Appts[0].Phone, "5551234567");
    EXPECT_EQ(state.Appts[0].TestDate, "39462.5");
}

TEST(Loader, OldLayoutIsEditedIntoTheCurrentOneAndSkipsTheLastRow) {
    FakeImport sheet;
    sheet.Set(9, 1, std::string("RSID"));
    // Old columns 1..26, each cell naming its old column.
    for (int r = 10; r <= 13; ++r)
        for (int c = 1; c <= 26; ++c)
            sheet.Set(r, c, std::string(c == 1 ? "1A2B" : "old" + std::to_string(c)));
    for (int r = 10; r <= 13; ++r) {
        sheet.Set(r, 10, std::string("1/10/2008 10:00:00 AM")); // old 10 becomes 11, ApptMade
        sheet.Set(r, 13, std::string("7"));                     // old 13 becomes 14, EST
        sheet.Set(r, 15, {});                                   // old 15 becomes 16, QT
    }
    TOrqState state = Load(sheet);
    EXPECT_TRUE(state.OldLayout);
    EXPECT_EQ(sheet.log,
              (std::vector<std::string>{"InsertAndCopyColumns 6 6 6 1",
                                        "InsertAndCopyColumns 24 24 23 1", "DeleteColumns 25 1"}));
    ASSERT_EQ(state.Appts.size(), 3u); // rows 10 to 12; the last used row is not read
    const TAppt& a = state.Appts[0];
    EXPECT_EQ(a.Rctr, "");     // "old2" has four characters
    EXPECT_EQ(a.Comp, "o");    // old 5
    EXPECT_EQ(a.AppType, "o"); // a copy of old 6
    EXPECT_EQ(a.PS, "o");      // old 6
    EXPECT_EQ(a.Ed, "old");    // old 8
    EXPECT_EQ(a.EST, 7);
    EXPECT_EQ(a.PULHES, "old17"); // new 18 holds old 17
    EXPECT_EQ(a.NxtAction, "old20");
    EXPECT_EQ(a.NxtActionDate, "old21");
    EXPECT_EQ(a.Col23, "old23"); // new 23 holds old 23
    EXPECT_EQ(a.Dispo, "old22"); // new 24 holds old 22
    EXPECT_EQ(a.ApprovedMake, "old24");
    EXPECT_EQ(a.ApprovedCond, "old25");
    EXPECT_EQ(a.Col27, "old26");
}

TEST(Loader, StopsAtTheFirstEmptyStationCell) {
    for (TCellValue stop :
         {TCellValue{}, TCellValue{std::string()}, TCellValue{std::u16string()}}) {
        FakeImport sheet;
        WriteApl(sheet, {AplRow{}, AplRow{}, AplRow{}});
        sheet.Set(11, 1, stop);
        TOrqState state = Load(sheet);
        EXPECT_EQ(state.Appts.size(), 1u);
    }
    FakeImport empty;
    WriteApl(empty, {AplRow{}});
    empty.Set(10, 1, {});
    TOrqState state = Load(empty);
    EXPECT_TRUE(state.Appts.empty());
    EXPECT_TRUE(state.StationList.Empty());
    EXPECT_EQ(state.ListStart, state.Today);
    EXPECT_EQ(state.ListEnd, state.Today - 365);
    EXPECT_EQ(PeriodCaption([&] {
                  state.ListWeeks = ListPeriodWeeks(state.ListStart, state.ListEnd);
                  return state;
              }()),
              "PMS: from 3/31/2008 to 4/1/2007, 52.3 weeks");
}

TEST(Loader, EndOfListMarkerRowIsRemovedAndEndsTheList) {
    FakeImport sheet;
    AplRow marker;
    marker.rsid = "any station";
    marker.rctr = "ANY OTHER RECRUITER";
    WriteApl(sheet, {AplRow{}, marker, AplRow{}});
    TOrqState state = Load(sheet);
    EXPECT_EQ(state.Appts.size(), 1u);
    EXPECT_EQ(sheet.log, std::vector<std::string>{"DeleteRows 11 1"});
    EXPECT_EQ(state.StationList.Items(), std::vector<std::string>{"1A2B"});
    EXPECT_EQ(state.RecruiterList.Count(), 1u);

    // "ANYX" and "ANY" are stations, not the marker.
    FakeImport other;
    AplRow a, b;
    a.rsid = "ANYX";
    b.rsid = "ANY";
    WriteApl(other, {a, b});
    EXPECT_EQ(Load(other).Appts.size(), 2u);
}

TEST(Loader, RecruiterCells) {
    struct Case {
        std::string cell, rctr;
        bool terminated;
    };
    const std::vector<Case> cases = {
        {"1A2BSMITH, JOHN *Term*", "SMITH, JOHN", true},
        {"1A2BSMITH, JOHN", "SMITH, JOHN", false},
        {"1A2B", "", false},
        {"1A", "", false},
        {"", "", false},
        {"1A2B*Term*", "*Term*", true},      // fewer than 7 characters: nothing removed...
        {"1A2BAB*Term*", "A", true},         // ...8 characters: the last 7 go
        {"1A2BX *term*", "X *term*", false}, // the mark is case-sensitive
    };
    for (const Case& c : cases) {
        FakeImport sheet;
        AplRow row;
        row.rctr = c.cell;
        WriteApl(sheet, {row});
        TOrqState state = Load(sheet);
        ASSERT_EQ(state.Appts.size(), 1u);
        EXPECT_EQ(state.Appts[0].Rctr, c.rctr) << c.cell;
        EXPECT_EQ(state.Appts[0].Terminated, c.terminated) << c.cell;
    }
}

TEST(Loader, RecruiterAndStationListsAreSortedWithoutCaseDuplicates) {
    FakeImport sheet;
    std::vector<AplRow> rows(5);
    rows[0].rsid = "2B3C", rows[0].rctr = "2B3CJONES, AMY";
    rows[1].rctr = "1A2BSMITH, JOHN";
    rows[2].rctr = "1A2Bsmith, john"; // same recruiter, other case
    rows[3].rsid = "1a2b", rows[3].rctr = "1A2BADAMS, BOB";
    rows[4].rsid = "XY", rows[4].rctr = "XYZZLEE, KIM"; // a short station id
    WriteApl(sheet, rows);
    TOrqState state = Load(sheet);
    EXPECT_EQ(state.StationList.Items(), (std::vector<std::string>{"1A2B", "2B3C", "XY"}));
    EXPECT_EQ(state.RecruiterList.Items(),
              (std::vector<std::string>{"1A2BADAMS, BOB", "1A2BSMITH, JOHN", "2B3CJONES, AMY",
                                        "XYLEE, KIM"}));
}

TEST(Loader, EstCells) {
    struct Case {
        TCellValue cell;
        int est; // -1: the load fails
    };
    const std::vector<Case> cases = {
        {std::string("45"), 45},
        {std::string("*45"), 45},
        {std::string("45*"), 45},
        {std::string("4*"), 4},
        {std::string("4*5"), 4},
        {TCellValue{}, 0},
        {std::string("abc"), -1},
        {std::string("300"), 44},
        {45.0, 45},
        {std::string("**5"), -1},
        {std::string("12*45"), 12},
        {std::string("-1"), 255},
        {std::string("4.5"), -1},
        {45.5, -1},
        {std::string("99999999999"), -1},
    };
    for (const Case& c : cases) {
        FakeImport sheet;
        WriteApl(sheet, {AplRow{}});
        sheet.Set(10, 14, c.cell);
        TOrqState state = NewState();
        if (c.est < 0) {
            EXPECT_EQ(FailureOf(sheet, state), LoadFailureMessage());
        } else {
            ReadAplRows(sheet, state);
            EXPECT_EQ(state.Appts[0].EST, c.est);
        }
    }
}

TEST(Loader, QtCellsRoundHalvesToEven) {
    struct Case {
        TCellValue cell;
        int qt; // -1: the load fails
    };
    const std::vector<Case> cases = {
        {30.5, 30},
        {31.5, 32},
        {30.4, 30},
        {30.6, 31},
        {-0.5, 0},
        {287.0, 31},
        {TCellValue{}, 0},
        {std::string("31"), 31},
        {std::string(" 42.5 "), 42},
        {std::u16string(u"7"), 7},
        {std::string("abc"), -1},
        {std::string(""), -1},
        {1e12, -1},
    };
    for (const Case& c : cases) {
        FakeImport sheet;
        WriteApl(sheet, {AplRow{}});
        sheet.Set(10, 16, c.cell);
        TOrqState state = NewState();
        if (c.qt < 0) {
            EXPECT_EQ(FailureOf(sheet, state), LoadFailureMessage());
        } else {
            ReadAplRows(sheet, state);
            EXPECT_EQ(state.Appts[0].QT, c.qt);
        }
    }
}

TEST(Loader, RowLoopFailuresKeepWhatWasRead) {
    struct Case {
        int column;
        TCellValue value;
    };
    const std::vector<Case> cases = {
        {11, std::string("1/15/2008")},            // a date without a time
        {11, std::string("15/1/2008 1:00:00 AM")}, // another date order
        {11, 39462.0},                             // a serial number has no date part
        {1, 42.0},                                 // a number in the station column
        {1, true},
    };
    for (const Case& c : cases) {
        FakeImport sheet;
        AplRow second;
        second.rsid = "2B3C", second.rctr = "2B3CJONES, AMY";
        WriteApl(sheet, {AplRow{}, second, AplRow{}});
        sheet.Set(11, c.column, c.value);
        TOrqState state = NewState();
        EXPECT_EQ(FailureOf(sheet, state), LoadFailureMessage());
        // The table keeps its full length with what the rows before put in it.
        ASSERT_EQ(state.Appts.size(), 3u);
        EXPECT_EQ(state.Appts[0].Rctr, "SMITH, JOHN");
        EXPECT_TRUE(state.Appts[2].Rsid.empty());
        EXPECT_EQ(state.ListStart, EncodeDate(2008, 1, 10));
        if (c.column == 11) {
            EXPECT_EQ(state.StationList.Count(), 2u); // row 11 was listed before its date
        } else {
            EXPECT_EQ(state.StationList.Count(), 1u);
        }
    }
    // A reader failure on a cell is a load failure too.
    FakeImport sheet;
    WriteApl(sheet, {AplRow{}});
    sheet.failAt = {10, 20};
    TOrqState state = NewState();
    EXPECT_EQ(FailureOf(sheet, state), LoadFailureMessage());
}

TEST(Loader, FailuresBeforeTheLoopKeepTheirOwnMessage) {
    FakeImport sheet;
    WriteApl(sheet, {AplRow{}});
    sheet.failAt = {9, 6};
    TOrqState state = NewState();
    try {
        ReadAplRows(sheet, state);
        FAIL() << "no failure";
    } catch (const TLoadFailure&) {
        FAIL() << "the heading failure is not the loader's";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Cell read failure");
    }
}

TEST(Loader, ListPeriodClampsToTheLoadDay) {
    TOrqState past;
    {
        FakeImport sheet;
        AplRow a, b;
        a.made = "1/1/2005 1:00:00 AM";
        b.made = "6/1/2005 1:00:00 AM";
        WriteApl(sheet, {a, b});
        past = Load(sheet);
    }
    EXPECT_EQ(past.ListStart, EncodeDate(2005, 1, 1));
    EXPECT_EQ(past.ListEnd, past.Today - 365);

    FakeImport sheet;
    AplRow future;
    future.made = "5/1/2009 1:00:00 AM";
    WriteApl(sheet, {future});
    TOrqState state = Load(sheet);
    EXPECT_EQ(state.ListStart, state.Today);
    EXPECT_EQ(state.ListEnd, EncodeDate(2009, 5, 1));
}

TEST(Loader, ListWeeksAndCaption) {
    struct Case {
        int days; // ListEnd - ListStart
        std::string caption;
    };
    const TDateTime start = EncodeDate(2008, 3, 3);
    const std::vector<Case> cases = {
        {3, "PMS: from 3/3/2008 to 3/6/2008, 1 week"},
        {0, "PMS: from 3/3/2008 to 3/3/2008, 1 week"},
        {5, "PMS: from 3/3/2008 to 3/8/2008, 1 week"},      // W = 6
        {6, "PMS: from 3/3/2008 to 3/9/2008, 1 week"},      // W = 7
        {7, "PMS: from 3/3/2008 to 3/10/2008, 1.1 weeks"},  // W = 8
        {13, "PMS: from 3/3/2008 to 3/16/2008, 2.0 weeks"}, // W = 14
        {88, "PMS: from 3/3/2008 to 5/30/2008, 12.7 weeks"},
        {-10, "PMS: from 3/3/2008 to 2/22/2008, 1.6 weeks"}, // the magnitude counts
    };
    for (const Case& c : cases) {
        TOrqState state = NewState();
        state.ListStart = start;
        state.ListEnd = start + c.days;
        state.ListWeeks = ListPeriodWeeks(state.ListStart, state.ListEnd);
        EXPECT_EQ(PeriodCaption(state), c.caption);
    }
    EXPECT_EQ(ListPeriodWeeks(start, start + 7), static_cast<float>(8.0 / 7));

    TOrqState gb = NewState();
    gb.Format = MakeFormatSettings("dd/MM/yyyy", ',');
    gb.ListStart = start;
    gb.ListEnd = start + 88;
    gb.ListWeeks = ListPeriodWeeks(gb.ListStart, gb.ListEnd);
    EXPECT_EQ(PeriodCaption(gb), "PMS: from 03/03/2008 to 30/05/2008, 12,7 weeks");
}

TEST(Loader, DayMonthOrderListsFollowTheFormat) {
    FakeImport sheet;
    AplRow row;
    row.made = "31/01/2008 10:00:00";
    row.sch = "";
    WriteApl(sheet, {row});
    TOrqState state = NewState();
    state.Format = MakeFormatSettings("dd/MM/yyyy", ',');
    ReadAplRows(sheet, state);
    EXPECT_EQ(state.ListStart, EncodeDate(2008, 1, 31));
}

} // namespace
} // namespace orq
