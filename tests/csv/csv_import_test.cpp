// The text reader: records and quoting, encodings, the delimiter, and its refusals.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/error.h"
#include "csv/csv_import.h"

namespace orq::csv {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The rows of a text as the component reads them: each row's fields up to its last cell ("-"
// for a column without a cell).
std::vector<std::vector<std::string>> Rows(std::string_view text) {
    TCsvImport import;
    import.OpenMemory(Bytes(text), "list.csv");
    std::vector<std::vector<std::string>> rows;
    for (int row = 1; row <= import.RowCount(); ++row) {
        std::vector<std::string> fields;
        const auto used = import.UsedColumns(row);
        for (int column = 1; !used.empty() && column <= used.back(); ++column) {
            const TCellValue value = import.CellValue(row, column);
            fields.push_back(value.index() == 0 ? "-" : std::get<std::string>(value));
        }
        rows.push_back(fields);
    }
    return rows;
}

std::string Failure(std::string_view text) {
    try {
        Rows(text);
    } catch (const Error& error) {
        return error.what();
    }
    return "(no failure)";
}

using Table = std::vector<std::vector<std::string>>;

TEST(CsvRecords, QuotingAndLineEnds) {
    struct Case {
        const char* what;
        std::string_view text;
        Table rows;
    };
    const std::vector<Case> cases = {
        {"plain, LF", "a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}},
        {"CR LF, no last line end", "a,b\r\nc,d", {{"a", "b"}, {"c", "d"}}},
        {"CR alone", "a\rb\r", {{"a"}, {"b"}}},
        {"empty fields are no cells", "a,,c\n,\n", {{"a", "-", "c"}, {}}},
        {"an empty line is a row", "a\n\nb\n", {{"a"}, {}, {"b"}}},
        {"quoted delimiter and doubled quotes",
         "\"x,y\",\"say \"\"hi\"\"\"\n",
         {{"x,y", "say \"hi\""}}},
        {"line ends inside quotes",
         "\"two\r\nlines\",b\nnext\n",
         {{"two\r\nlines", "b"}, {"next"}}},
        {"a quote inside an unquoted field", "5\" disk,b\n", {{"5\" disk", "b"}}},
        {"text after the closing quote", "\"ab\"c,d\n", {{"abc", "d"}}},
        {"quoted empty field", "\"\",b\n", {{"-", "b"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Rows(c.text), c.rows) << c.what;
}

TEST(CsvRecords, Encodings) {
    struct Case {
        const char* what;
        std::string text;
        std::string first;
    };
    const std::vector<Case> cases = {
        {"UTF-8", "caf\xC3\xA9,x\n", "caf\xC3\xA9"},
        {"UTF-8 with its mark",
         "\xEF\xBB\xBF"
         "caf\xC3\xA9,x\n",
         "caf\xC3\xA9"},
        {"Windows-1252", "caf\xE9 \x80,x\n", "caf\xC3\xA9 \xE2\x82\xAC"},
        {"UTF-16LE with its mark",
         std::string("\xFF\xFE"
                     "c\0\xE9\0,\0x\0\n\0",
                     12),
         "c\xC3\xA9"},
        {"UTF-16BE with its mark", std::string("\xFE\xFF\0c\0\xE9\0,\0x\0\n", 12), "c\xC3\xA9"},
    };
    for (const Case& c : cases) {
        const Table rows = Rows(c.text);
        ASSERT_EQ(rows.size(), 1u) << c.what;
        EXPECT_EQ(rows[0], (std::vector<std::string>{c.first, "x"})) << c.what;
    }
}

TEST(CsvRecords, DelimiterFromTheHeadingRow) {
    EXPECT_EQ(SenseDelimiter("a,b,c\n"), ',');
    EXPECT_EQ(SenseDelimiter("a;b;c\n"), ';');
    EXPECT_EQ(SenseDelimiter("a\tb\tc\n"), '\t');
    EXPECT_EQ(SenseDelimiter("no delimiter at all\n"), ',');
    // Title lines with a comma in their text do not decide; the widest line does.
    EXPECT_EQ(SenseDelimiter("Processing list, station A\n\nRSID;NAME;PHONE;EST\n"), ';');
    // Delimiters inside quotes do not count.
    EXPECT_EQ(SenseDelimiter("\"a,b,c,d\";x;y\n"), ';');
    EXPECT_EQ(Rows("Title, A\nH1;H2;H3\n1;2,5;3\n"),
              (Table{{"Title, A"}, {"H1", "H2", "H3"}, {"1", "2,5", "3"}}));
}

TEST(CsvRecords, RefusedTexts) {
    EXPECT_EQ(Failure("a,\"open\nb,c\nd\n"),
              "The quoted field in line 1 of \"list.csv\" has no closing quote");
    EXPECT_EQ(Failure("a\nb\n\"x\"\"\n"),
              "The quoted field in line 3 of \"list.csv\" has no closing quote");
    EXPECT_EQ(Failure(std::string("a,b\0c\n", 6)), "The file \"list.csv\" is invalid");
    std::string longLine = "a,";
    longLine.append(kMaxRecordBytes, 'x');
    longLine += "\nb\n";
    EXPECT_EQ(Failure("ok\n" + longLine), "Line 2 of \"list.csv\" is longer than 16 MB");
}

TEST(CsvImport, EveryFieldIsTextAndTheRowReadMatches) {
    TCsvImport import;
    import.OpenMemory(Bytes("station,12,TRUE,39814\n"), "list.csv");
    std::array<TCellValue, 5> values;
    values[4] = 1.0; // overwritten with empty
    import.RowValues(1, values);
    EXPECT_EQ(values[1], TCellValue(std::string("12")));
    EXPECT_EQ(values[2], TCellValue(std::string("TRUE")));
    EXPECT_EQ(values[3], TCellValue(std::string("39814")));
    EXPECT_EQ(values[4], TCellValue());
    EXPECT_EQ(import.CellValue(1, 4), values[3]);
}

} // namespace
} // namespace orq::csv
