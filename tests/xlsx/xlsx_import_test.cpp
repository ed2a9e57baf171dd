// The .xlsx reader: the values of each cell kind, the first sheet, references with gaps, and
// the archives and XML it refuses with their messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/error.h"
#include "xlsx/xlsx_builder.h"
#include "xlsx/xlsx_import.h"
#include "xlsx/zip_archive.h"

namespace orq::xlsx {
namespace {

using testing::Bytes;
using testing::OneSheet;
using testing::Zip;

// Every test reads its workbooks with both readers of the large parts.
constexpr TXmlReader kReaders[] = {TXmlReader::Scanner, TXmlReader::Expat};

TXlsxImport Open(const Bytes& file, TXmlReader reader) {
    TXlsxImport import(reader);
    import.OpenMemory(file, "list.xlsx");
    return import;
}

std::string Failure(const Bytes& file, TXmlReader reader) {
    try {
        Open(file, reader);
    } catch (const Error& error) {
        return error.what();
    }
    return "(no failure)";
}

const char* NameOf(TXmlReader reader) {
    return reader == TXmlReader::Scanner ? "scanner" : "expat";
}

TCellValue Text(const char* text) {
    return std::string(text);
}

TEST(XlsxCells, EveryKindOfValue) {
    const std::string strings = R"(<si><t>plain</t></si>)"
                                R"(<si><r><t>rich </t></r><r><rPr><b/></rPr><t>text</t></r></si>)"
                                R"(<si><t>kanji</t><rPh sb="0" eb="1"><t>KANA</t></rPh></si>)"
                                R"(<si><t xml:space="preserve"> spaced &amp; escaped </t></si>)";
    const std::string rows =
        R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c>)"
        R"(<c r="C1" t="s"><v>2</v></c><c r="D1" t="s"><v>3</v></c></row>)"
        R"(<row r="2"><c r="A2"><v>39814</v></c><c r="B2" t="n"><v>-1.5E-3</v></c>)"
        R"(<c r="C2" t="b"><v>1</v></c><c r="D2" t="b"><v>0</v></c><c r="E2" t="e"><v>#N/A</v></c></row>)"
        R"(<row r="3"><c r="A3" t="inlineStr"><is><t>in</t><r><t>line</t></r></is></c>)"
        R"(<c r="B3"><f>1+1</f><v>2</v></c><c r="C3" t="str"><f>A1&amp;""</f><v>plain</v></c>)"
        R"(<c r="D3" s="4"/><c r="E3"><v></v></c></row>)";
    for (TXmlReader reader : kReaders) {
        TXlsxImport import = Open(OneSheet(rows, strings), reader);
        ASSERT_EQ(import.RowCount(), 3);
        const std::vector<std::pair<std::pair<int, int>, TCellValue>> expected = {
            {{1, 1}, Text("plain")}, {{1, 2}, Text("rich text")},
            {{1, 3}, Text("kanji")}, {{1, 4}, Text(" spaced & escaped ")},
            {{2, 1}, 39814.0},       {{2, 2}, -1.5e-3},
            {{2, 3}, true},          {{2, 4}, false},
            {{2, 5}, Text("#N/A")},  {{3, 1}, Text("inline")},
            {{3, 2}, 2.0},           {{3, 3}, Text("plain")},
            {{3, 4}, TCellValue()}, // a styled cell without a value is no cell
            {{3, 5}, TCellValue()},
        };
        for (const auto& [at, value] : expected)
            EXPECT_EQ(import.CellValue(at.first, at.second), value)
                << NameOf(reader) << " " << at.first << "," << at.second;
        EXPECT_EQ(import.UsedColumns(3), (std::vector<int>{1, 2, 3}));
    }
}

TEST(XlsxCells, GapsAndMissingReferences) {
    // Rows 2 and 4 to 6 are absent; cells without a reference follow the one before.
    const std::string rows =
        R"(<row r="1"><c r="B1"><v>1</v></c><c><v>2</v></c><c r="AA1"><v>27</v></c></row>)"
        R"(<row r="3"><c r="C3"><v>3</v></c></row><row><c><v>4</v></c></row>)"
        R"(<row r="7"/>)";
    for (TXmlReader reader : kReaders) {
        SCOPED_TRACE(NameOf(reader));
        TXlsxImport import = Open(OneSheet(rows), reader);
        EXPECT_EQ(import.RowCount(), 7);
        EXPECT_EQ(import.UsedColumns(1), (std::vector<int>{2, 3, 27}));
        EXPECT_EQ(import.CellValue(1, 3), TCellValue(2.0));
        EXPECT_EQ(import.CellValue(1, 27), TCellValue(27.0));
        EXPECT_EQ(import.UsedColumns(2), std::vector<int>{});
        EXPECT_EQ(import.CellValue(3, 3), TCellValue(3.0));
        EXPECT_EQ(import.CellValue(4, 1), TCellValue(4.0));
        std::array<TCellValue, 4> values;
        import.RowValues(1, values);
        EXPECT_EQ(values, (std::array<TCellValue, 4>{TCellValue(), 1.0, 2.0, TCellValue()}));
    }
}

TEST(XlsxCells, TheFirstSheetInWorkbookOrder) {
    // The first sheet listed is the second part and relationship.
    const Bytes file =
        Zip({{"_rels/.rels", testing::kRootRels},
             {"xl/workbook.xml", testing::Workbook({{"List", "rId2"}, {"Other", "rId1"}})},
             {"xl/_rels/workbook.xml.rels", testing::WorkbookRels(2)},
             {"xl/sharedStrings.xml", testing::SharedStrings("")},
             {"xl/worksheets/sheet1.xml",
              testing::SheetXml(R"(<row r="1"><c r="A1"><v>1</v></c></row>)")},
             {"xl/worksheets/sheet2.xml",
              testing::SheetXml(R"(<row r="1"><c r="A1"><v>2</v></c></row>)")}});
    TXlsxImport import = Open(file, TXmlReader::Scanner);
    EXPECT_EQ(import.CellValue(1, 1), TCellValue(2.0));
    // Sheet 2 is no sheet of this component: nothing in it.
    import.SetActiveSheet(2);
    EXPECT_EQ(import.RowCount(), 0);
    import.SetActiveSheet(1);
    EXPECT_EQ(import.RowCount(), 1);
}

// The bytes with every `from` replaced by `to` (of the same length).
Bytes Replaced(Bytes bytes, const std::string& from, const std::string& to) {
    for (auto it = bytes.begin();
         (it = std::search(it, bytes.end(), from.begin(), from.end())) != bytes.end();)
        it = std::copy(to.begin(), to.end(), it);
    return bytes;
}

TEST(XlsxRefused, HostileArchivesAndXml) {
    const std::string laughs =
        R"(<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol">)"
        R"(<!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">]>)"
        R"(<worksheet><sheetData><row><c t="inlineStr"><is><t>&lol2;</t></is></c></row></sheetData></worksheet>)";
    const std::string doctypeOnly =
        R"(<?xml version="1.0"?><!DOCTYPE worksheet SYSTEM "http://example.invalid/x.dtd"><worksheet/>)";
    std::string deep;
    for (int i = 0; i < kMaxXmlDepth + 1; ++i)
        deep += "<x>";
    const std::string longAttribute =
        "<row r=\"" + std::string(kMaxAttributeLength + 1, '1') + "\"/>";

    Bytes twoWorkbooks = Zip({{"_rels/.rels", testing::kRootRels},
                              {"xl/workbook.xml", testing::Workbook({{"S", "rId1"}})},
                              {"xl/workbook.xmX", testing::Workbook({{"S", "rId1"}})}});
    twoWorkbooks = Replaced(twoWorkbooks, "xl/workbook.xmX", "xl/workbook.xml");

    Bytes zip64 = OneSheet("");
    // The end record's entry counts at their maximum: the real counts are in a zip64 record.
    const std::string endMark = "PK\x05\x06";
    const auto end = std::find_end(zip64.begin(), zip64.end(), endMark.begin(), endMark.end());
    const auto at = static_cast<std::size_t>(end - zip64.begin());
    zip64[at + 8] = zip64[at + 9] = zip64[at + 10] = zip64[at + 11] = 0xFF;

    Bytes damaged = OneSheet(R"(<row r="1"><c r="A1"><v>12345</v></c></row>)", "", false);
    damaged = Replaced(damaged, "12345", "12346"); // stored: the checksum no longer fits

    testing::Entries many;
    for (int i = 0; i <= static_cast<int>(kMaxEntries); ++i)
        many.emplace_back("e" + std::to_string(i), "");

    const Bytes bomb = Zip({{"_rels/.rels", testing::kRootRels},
                            {"xl/worksheets/sheet1.xml", std::string(std::size_t{8} << 20, ' ')}});

    struct Case {
        const char* what;
        Bytes file;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"entity expansion",
         Zip({{"_rels/.rels", testing::kRootRels},
              {"xl/workbook.xml", testing::Workbook({{"S", "rId1"}})},
              {"xl/_rels/workbook.xml.rels", testing::WorkbookRels(1)},
              {"xl/worksheets/sheet1.xml", laughs}}),
         "XML document type declaration"},
        {"external document type",
         Zip({{"_rels/.rels", testing::kRootRels}, {"xl/workbook.xml", doctypeOnly}}),
         "XML document type declaration"},
        {"deep nesting", OneSheet(deep), "XML nested too deeply"},
        {"long attribute", OneSheet(longAttribute), "XML attribute too long"},
        {"malformed XML", OneSheet("<row>"), "damaged XML"},
        {"two entries of one name", twoWorkbooks, "two entries of one name"},
        {"zip64", zip64, "zip64 archive"},
        {"checksum", damaged, "damaged zip entry"},
        {"too many entries", Zip(many), "too many entries"},
        {"zip bomb", bomb, "entry packed too densely"},
        {"no workbook", Zip({{"a.txt", "x"}}), "no workbook in the archive"},
        {"not a zip", Bytes{'P', 'K', 3, 4, 0, 0}, "not a zip archive"},
        {"bad shared string", OneSheet(R"(<row r="1"><c r="A1" t="s"><v>7</v></c></row>)"),
         "bad shared string index"},
        {"bad reference", OneSheet(R"(<row r="1"><c r="1A"><v>1</v></c></row>)"),
         "bad cell reference"},
    };
    for (TXmlReader reader : kReaders)
        for (const Case& c : cases)
            EXPECT_EQ(Failure(c.file, reader),
                      std::string("The file \"list.xlsx\" is invalid (") + c.reason + ")")
                << NameOf(reader) << ": " << c.what;
}

TEST(XlsxRefused, SharedStringsBeyondTheMemoryBudget) {
    // Three million empty entries and enough noise that the part packs less than 200 to 1: the
    // table of entries alone would take 48 MB for a file of some 100 KB.
    std::string strings = "<!--";
    unsigned noise = 12345;
    for (int i = 0; i < 400000; ++i) {
        noise = noise * 1103515245u + 12345u;
        strings += "0123456789abcdef"[(noise >> 16) & 15];
    }
    strings += "-->";
    for (int i = 0; i < 3000000; ++i)
        strings += "<si/>";
    const Bytes file = OneSheet(R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)", strings);
    ASSERT_LT(file.size(), std::size_t{1} << 20);
    for (TXmlReader reader : kReaders)
        EXPECT_EQ(Failure(file, reader), "Can't read file \"list.xlsx\"") << NameOf(reader);
}

} // namespace
} // namespace orq::xlsx
