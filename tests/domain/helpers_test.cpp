#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error.h"
#include "domain/dates.h"
#include "domain/sorted_list.h"
#include "domain/text.h"

namespace orq {
namespace {

const TFormatSettings kUS = MakeFormatSettings("M/d/yyyy", '.');
const TFormatSettings kGB = MakeFormatSettings("dd/MM/yyyy", '.');
const TFormatSettings kDE = MakeFormatSettings("dd.MM.yy", ',');
const TFormatSettings kISO = MakeFormatSettings("yyyy-MM-dd", '.');
const TDateTime kToday = EncodeDate(2008, 3, 31);

TEST(DateTimeText, GetDateAndGetTime) {
    struct Case {
        std::string text, date, time;
    };
    const std::vector<Case> cases = {
        {"1/15/2008 10:30:00 AM", "1/15/2008 ", "10:30 "},
        {"1/15/2008 9:05:00 PM", "1/15/2008 ", "9:05 "},
        {"1/15/2008 14:30:00", "1/15/2008 ", ""},              // no second space
        {"1/15/2008 10:30 AM", "1/15/2008 ", "10 "},           // the minutes are taken for seconds
        {"1/15/2008", "", ""},                                 // no space at all
        {"1/15/2008 10:30:00 AM ", "1/15/2008 ", "10:30 AM "}, // trailing space keeps "AM"
        {"12/31/2007 11:59:00 PM", "12/31/2007 ", "11:59 "},
        {" 1/15/2008", " ", ""},
        {"", "", ""},
        {"1/15/2008 10:3", "1/15/2008 ", ""},
        {"1/15/2008 10:30:0 ", "1/15/2008 ", "10:30"}, // the cut takes the last space too
        {"1/15/2008 10:30: PM", "1/15/2008 ", "10:30"},
        // Characters, not bytes: "é" is two bytes but one of the two cut after the colon.
        {"1/15/2008 10:30:é0 AM", "1/15/2008 ", "10:30 "},
        {"1/15/2008 10:é:00 AM", "1/15/2008 ", "10:é "},
        {"1/15/2008 é 10:30:00 AM", "1/15/2008 ", "é 10:30 "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(getdate(c.text), c.date) << c.text;
        EXPECT_EQ(gettime(c.text), c.time) << c.text;
    }
}

TEST(DateConversion, ReadsTheShortDateFormat) {
    struct Case {
        const TFormatSettings* format;
        std::string text;
        int year, month, day;
    };
    const std::vector<Case> cases = {
        {&kUS, "12/31/2007 ", 2007, 12, 31},
        {&kUS, "1/3/2008", 2008, 1, 3},
        {&kUS, "  01/03/2008  ", 2008, 1, 3},
        {&kUS, "2/29/2008", 2008, 2, 29},
        {&kUS, "3/4", 2008, 3, 4},    // two numbers take today's year
        {&kUS, "3/4/08", 2008, 3, 4}, // two-digit years go through the window
        {&kUS, "3/4/49", 2049, 3, 4},
        {&kUS, "3/4/50", 1950, 3, 4},
        {&kUS, "3/4/5", 2005, 3, 4},
        {&kGB, "31/12/2007 ", 2007, 12, 31},
        {&kGB, "4/3", 2008, 3, 4},
        {&kDE, "31.12.2007 ", 2007, 12, 31},
        {&kISO, "2007-12-31 ", 2007, 12, 31},
        {&kISO, "12-31", 2008, 12, 31},
    };
    for (const Case& c : cases) {
        TDateTime date = 0;
        ASSERT_TRUE(TryStrToDate(c.text, *c.format, kToday, date)) << c.text;
        EXPECT_EQ(date, EncodeDate(c.year, c.month, c.day)) << c.text;
    }
}

TEST(DateConversion, RejectsWhatIsNotADate) {
    struct Case {
        const TFormatSettings* format;
        std::string text;
    };
    const std::vector<Case> cases = {
        {&kUS, ""},           {&kUS, " "},          {&kUS, "12/31/2007 11:59:00 PM"},
        {&kGB, "12/31/2007"}, {&kUS, "2/30/2008"},  {&kUS, "2/29/2007"},
        {&kUS, "13/1/2008"},  {&kUS, "0/1/2008"},   {&kUS, "1/0/2008"},
        {&kUS, "001/1/2008"}, {&kUS, "1/15/20081"}, {&kUS, "1/15/2008x"},
        {&kUS, "1-15-2008"},  {&kUS, "1/15/"},      {&kUS, "1/"},
        {&kUS, "39462"},      {&kUS, "1/15/0000"},  {&kDE, "31/12/2007"},
    };
    for (const Case& c : cases) {
        TDateTime date = 0;
        EXPECT_FALSE(TryStrToDate(c.text, *c.format, kToday, date)) << c.text;
    }
    try {
        StrToDate("12/31/2007 ", kGB, kToday);
        FAIL() << "no failure";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'12/31/2007 ' is not a valid date");
    }
    try {
        DateOfText("1/15/2008", kUS, kToday); // a date without a time has an empty date part
        FAIL() << "no failure";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid date");
    }
}

TEST(DateConversion, WritesTheShortDateFormatAndRoundTrips) {
    const TDateTime date = EncodeDate(2008, 1, 3);
    EXPECT_EQ(DateToStr(date, kUS), "1/3/2008");
    EXPECT_EQ(DateToStr(date, kGB), "03/01/2008");
    EXPECT_EQ(DateToStr(date, kDE), "03.01.2008"); // the year is always four digits
    EXPECT_EQ(DateToStr(date, kISO), "2008-01-03");
    for (const TFormatSettings* format : {&kUS, &kGB, &kDE, &kISO})
        EXPECT_EQ(StrToDate(DateToStr(date, *format), *format, kToday), date);
}

TEST(DateConversion, FormatSettingsFromAPattern) {
    struct Case {
        std::string pattern, widened;
        DateOrder order;
        char separator;
    };
    const std::vector<Case> cases = {
        {"M/d/yy", "M/d/yyyy", DateOrder::MDY, '/'},
        {"dd/MM/yyyy", "dd/MM/yyyy", DateOrder::DMY, '/'},
        {"dd.MM.yy", "dd.MM.yyyy", DateOrder::DMY, '.'},
        {"yyyy-MM-dd", "yyyy-MM-dd", DateOrder::YMD, '-'},
        {"d. M. yyyy", "d. M. yyyy", DateOrder::DMY, '.'},
        {"nonsense", "M/d/yyyy", DateOrder::MDY, '/'},
    };
    for (const Case& c : cases) {
        TFormatSettings format = MakeFormatSettings(c.pattern, ',');
        EXPECT_EQ(format.shortDatePattern, c.widened) << c.pattern;
        EXPECT_EQ(format.order, c.order) << c.pattern;
        EXPECT_EQ(format.dateSeparator, c.separator) << c.pattern;
        EXPECT_EQ(format.decimalSeparator, ',');
    }
    TDateTime date = 0;
    ASSERT_TRUE(TryStrToDate("3. 4. 2008", MakeFormatSettings("d. M. yyyy", ','), kToday, date));
    EXPECT_EQ(date, EncodeDate(2008, 4, 3));
}

TEST(DateConversion, DayNumbers) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(2008, 1, 15), 39462); // the spreadsheet serial number of that day
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
    int y = 0, m = 0, d = 0;
    for (TDateTime day : {-693593.0, -1.0, 0.0, 59.0, 39462.0, 2958465.0}) {
        DecodeDate(day, y, m, d);
        EXPECT_EQ(EncodeDate(y, m, d), day);
    }
    TDateTime iso = 0;
    EXPECT_TRUE(TryParseIsoDate("2008-03-31", iso));
    EXPECT_EQ(iso, kToday);
    for (const char* bad : {"2008-3-31", "2008-02-30", "20080331", "2008-03-31x", ""})
        EXPECT_FALSE(TryParseIsoDate(bad, iso)) << bad;
}

TEST(CellText, EveryKindOfValue) {
    struct Case {
        TCellValue value;
        std::string us, de;
    };
    const std::vector<Case> cases = {
        {TCellValue{}, "", ""},
        {45.0, "45", "45"},
        {39667.604166666664, "39667.6041666667", "39667,6041666667"},
        {1.5e20, "1.5E+20", "1,5E+20"},
        {1e15, "1E+15", "1E+15"},
        {999999999999999.0, "999999999999999", "999999999999999"},
        {0.00001, "0.00001", "0,00001"},
        {0.000001, "1E-6", "1E-6"},
        {-2.5, "-2.5", "-2,5"},
        {0.1 + 0.2, "0.3", "0,3"},
        {-0.0, "0", "0"},
        {100.0, "100", "100"},
        {std::u16string(u"M\u00dcLLER \U0001F600"), "M\xC3\x9CLLER \xF0\x9F\x98\x80",
         "M\xC3\x9CLLER \xF0\x9F\x98\x80"},
        {std::u16string(u"A\xD800"
                        u"B"),
         "A\xEF\xBF\xBD"
         "B",
         "A\xEF\xBF\xBD"
         "B"},
        {std::string("plain"), "plain", "plain"},
        {true, "True", "True"},
        {false, "False", "False"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CellText(c.value, kUS), c.us);
        EXPECT_EQ(CellText(c.value, kDE), c.de);
    }
}

TEST(FixedPointText, RoundsHalfAwayFromZero) {
    struct Case {
        long double value;
        int precision, decimals;
        std::string text;
    };
    const std::vector<Case> cases = {
        {200.0L / 3, 4, 1, "66.7"},    {100, 4, 1, "100.0"},      {0, 4, 1, "0.0"},
        {100.0L / 3, 4, 1, "33.3"},    {89.0L / 7, 4, 1, "12.7"}, {2, 4, 1, "2.0"},
        {0.05L, 4, 1, "0.1"},          {0.04L, 4, 1, "0.0"},      {1234.56L, 4, 1, "1235.0"},
        {123456.7L, 4, 1, "1.235E+5"}, {0.125L, 15, 2, "0.13"},   {0.75L, 15, 2, "0.75"},
        {1.5L, 15, 2, "1.50"},         {0.004L, 15, 2, "0.00"},   {0.005L, 15, 2, "0.01"},
        {9.995L, 15, 2, "10.00"},      {0, 15, 2, "0.00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFloatFixed(c.value, c.precision, c.decimals, '.'), c.text)
            << static_cast<double>(c.value);
    EXPECT_EQ(FormatFloatFixed(200.0L / 3, 4, 1, ','), "66,7");
}

TEST(TextToNumber, ReadsLocaleNumbers) {
    double value = 0;
    EXPECT_TRUE(TryTextToFloat(" 31 ", '.', value));
    EXPECT_EQ(value, 31);
    EXPECT_TRUE(TryTextToFloat("-2.5", '.', value));
    EXPECT_EQ(value, -2.5);
    EXPECT_TRUE(TryTextToFloat("2,5", ',', value));
    EXPECT_EQ(value, 2.5);
    EXPECT_TRUE(TryTextToFloat("1E2", '.', value));
    EXPECT_EQ(value, 100);
    for (const char* bad : {"", " ", "abc", "2,5", "1.2.3", "1E", "--1", "1 2"})
        EXPECT_FALSE(TryTextToFloat(bad, '.', value)) << bad;
}

TEST(TextHelpers, Positions) {
    EXPECT_EQ(CharPosFrom(' ', "AB CD", 4), 0u);
    EXPECT_EQ(CharPosFrom(' ', "AB CD", 3), 3u);
    EXPECT_EQ(CharPosFrom(' ', "AB CD", 1), 3u);
    EXPECT_EQ(CharPosFrom(' ', "AB CD", 0), 0u);
    EXPECT_EQ(CharPosFrom(' ', "AB CD", 6), 0u);
    EXPECT_EQ(CharPosFrom(' ', "", 1), 0u);
    EXPECT_EQ(CharPosFrom(' ', "\xC3\x9C\xC3\x9C X", 1), 3u); // positions count characters

    struct Case {
        std::string pattern, text;
        long end;
        std::size_t position;
    };
    const std::vector<Case> cases = {
        {":", "10:30:00 ", 0, 6}, {":", "10:30:00 ", 5, 3}, {":", "10:30:00 ", -5, 3},
        {"a?c", "xabcx", 0, 2},   {"ABC", "xabcx", 0, 0},   {"ABC", "xabcx", -5, 2},
        {"abc", "xabcx", 3, 0},   {"abc", "xabcx", 4, 2},   {":", "10:30", 100, 3},
        {"", "abc", 0, 0},        {"a", "", 0, 0},          {"toolong", "abc", 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LastPosOf(c.pattern, c.text, c.end), c.position)
            << c.pattern << " in " << c.text << " end " << c.end;
}

TEST(TextHelpers, ProperCase) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"SMITH, JOHN", "Smith, John"},
        {"O'BRIEN", "O'Brien"},
        {"SMITH-JONES", "Smith-Jones"},
        {"MCDONALD", "Mcdonald"},
        {"2ND LT", "2nd Lt"},
        {"JOHN3DOE", "John3doe"},
        {"", ""},
        {"M\xC3\x9CLLER", "M\xC3\x9Cller"},
        {"a.b/c", "A.B/C"},
    };
    for (auto [text, expected] : cases) {
        ProperCase(text);
        EXPECT_EQ(text, expected);
    }
}

TEST(TextHelpers, CopyPadFill) {
    EXPECT_EQ(LeftCopy("SMITH", 10), "SMITH");
    EXPECT_EQ(LeftCopy("SMITH", 2), "SM");
    EXPECT_EQ(LeftCopy("SMITH", 0), "");
    EXPECT_EQ(LeftCopy("SMITH", -3), "");
    EXPECT_EQ(LeftCopy("\xC3\x9C\xC3\x9CX", 1), "\xC3\x9C"); // never splits a character

    std::string text = "AB";
    PadRight(text, '.', 5);
    EXPECT_EQ(text, "AB...");
    text = "ABCDEF";
    PadRight(text, '.', 5);
    EXPECT_EQ(text, "ABCDEF");
    text = "\xC3\x9C";
    PadRight(text, ' ', 3);
    EXPECT_EQ(text, "\xC3\x9C  ");

    struct Case {
        std::string text;
        long pos, count;
        std::string result;
    };
    const std::vector<Case> cases = {
        {"ABCDEF", 2, 3, "A***EF"},
        {"ABCDEF", 5, 10, "ABCD**"},
        {"ABCDEF", 0, 3, "ABCDEF"},
        {"ABCDEF", 7, 1, "ABCDEF"},
        {"", 1, 1, ""},
        {"AB\xC3\x9C", 3, 1, "AB*"},
    };
    for (Case c : cases) {
        FillRun(c.text, c.pos, c.count, '*');
        EXPECT_EQ(c.text, c.result);
    }
}

TEST(TextHelpers, ProgramFolder) {
    EXPECT_EQ(ProgramFolder("/usr/local/bin/orq"), "/usr/local/bin/");
    EXPECT_EQ(ProgramFolder("orq"), "");
    std::string own = ProgramFolder();
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(own.back(), '/');
}

TEST(SortedList, IgnoresCaseDuplicatesAndKeepsTheFirstSpelling) {
    TSortedList list;
    for (const char* text : {"1A2BSMITH", "1A2Bsmith", "0Z9Y", "1A2BAdams", "1a2bSMITH"})
        list.Add(text);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"0Z9Y", "1A2BAdams", "1A2BSMITH"}));
    EXPECT_EQ(list.IndexOf("1a2bsmith"), 2);
    EXPECT_EQ(list.IndexOf("none"), -1);

    // A collation passed in decides order and equality.
    TSortedList reversed([](const std::string& a, const std::string& b) { return b.compare(a); });
    for (const char* text : {"b", "a", "c", "a"})
        reversed.Add(text);
    EXPECT_EQ(reversed.Items(), (std::vector<std::string>{"c", "b", "a"}));
    reversed.Clear();
    EXPECT_TRUE(reversed.Empty());
    // An empty text is an entry like any other.
    EXPECT_TRUE(reversed.Add(""));
    EXPECT_FALSE(reversed.Add(""));
    EXPECT_EQ(reversed.Count(), 1u);
}

} // namespace
} // namespace orq
