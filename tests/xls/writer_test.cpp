// The workbook writer: the record stream it produces from the template and from edits, its
// failures, and workbooks read back through the program's own reader.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/error.h"
#include "support/temp_dir.h"
#include "xls/byte_reader.h"
#include "xls/cfb.h"
#include "xls/tavro_import.h"
#include "xls/template.h"
#include "xls/writer.h"

#include "xls/record_stream.h"

namespace orq::xls {
namespace {

using Bytes = std::vector<std::uint8_t>;

using Rec = testing::TStreamRecord;

std::vector<Rec> Records(const Bytes& stream) {
    return testing::SplitRecords(stream);
}

std::vector<std::uint16_t> Ids(const std::vector<Rec>& records) {
    std::vector<std::uint16_t> ids;
    for (const Rec& r : records)
        ids.push_back(r.id);
    return ids;
}

// The records of the sheet substream (from the second BOF on).
std::vector<Rec> SheetRecords(const std::vector<Rec>& records, int sheet = 0) {
    std::vector<Rec> out;
    int bofs = -1;
    for (const Rec& r : records) {
        if (r.id == rid::kBof) ++bofs;
        if (bofs == sheet + 1) out.push_back(r);
    }
    return out;
}

std::vector<Rec> OfId(const std::vector<Rec>& records, std::uint16_t id) {
    std::vector<Rec> out;
    for (const Rec& r : records)
        if (r.id == id) out.push_back(r);
    return out;
}

template <typename F> std::string FailureOf(F&& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no failure)";
}

using orq::testing::TempDir;

TTavroFormat Tahoma(bool bold = false) {
    TTavroFormat format;
    TXlsWriter probe;
    probe.NewFile(1);
    format = probe.GetCellFormat(1, 1);
    format.Font.Name = u"Tahoma";
    format.Font.Size20 = 165;
    format.Font.ColorIndex = 1;
    format.Font.Style.Set(FontStyle::Bold, bold);
    format.HAlignment = kHAlignLeft;
    format.VAlignment = kVAlignTop;
    return format;
}

// ---------------------------------------------------------------- the template saved as it is

TEST(Writer, NewFileSavedAsItIs) {
    TXlsWriter writer;
    writer.NewFile(1);
    const auto records = Records(writer.WorkbookStream());
    const std::vector<std::uint16_t> globals = {
        0x0809, 0x00E1, 0x00C1, 0x00E2, 0x005C, 0x0042, 0x0161, 0x01C0, 0x013D, 0x009C,
        0x0019, 0x0012, 0x0013, 0x01AF, 0x01BC, 0x003D, 0x0040, 0x008D, 0x0022, 0x000E,
        0x01B7, 0x00DA, 0x0031, 0x0031, 0x0031, 0x0031, 0x041E, 0x041E, 0x041E, 0x041E,
        0x041E, 0x041E, 0x041E, 0x041E, 0x00E0, 0x00E0, 0x00E0, 0x00E0, 0x00E0, 0x00E0,
        0x00E0, 0x00E0, 0x00E0, 0x00E0, 0x00E0, 0x00E0, 0x00E0, 0x00E0, 0x00E0, 0x00E0,
        0x00E0, 0x00E0, 0x00E0, 0x00E0, 0x00E0, 0x0293, 0x0293, 0x0293, 0x0293, 0x0293,
        0x0293, 0x0160, 0x008C, 0x0863, 0x0085, 0x0017, 0x00FC, 0x00FF, 0x000A, // BOUNDSHEET after
                                                                                // BOOKEXT
    };
    const std::vector<std::uint16_t> sheet = {
        0x0809, 0x000D, 0x000C, 0x000F, 0x0011, 0x0010, 0x005F, 0x002A, 0x002B, 0x0082,
        0x0080, 0x0225, 0x0081, 0x0014, 0x0015, 0x0083, 0x0084, 0x00A1, 0x0055,
        0x0200, // DIMENSIONS, no ROW records
        0x023E, 0x001D, 0x00EF, 0x000A,
    };
    std::vector<std::uint16_t> expected = globals;
    expected.insert(expected.end(), sheet.begin(), sheet.end());
    EXPECT_EQ(Ids(records), expected); // no RECALCID, no INDEX

    const std::size_t globalsSize = records[globals.size()].at;
    EXPECT_EQ(globalsSize, 1441u - 12u + 6u); // RECALCID gone, EXTERNSHEET added
    const Rec boundsheet = OfId(records, 0x0085).front();
    EXPECT_EQ(ReadU32LE(boundsheet.data, 0), globalsSize);
    EXPECT_EQ(OfId(records, 0x0017).front().data, (Bytes{0x00, 0x00}));
    EXPECT_EQ(OfId(records, 0x00FC).front().data, Bytes(8, 0));
    EXPECT_EQ(OfId(records, 0x00FF).front().data, (Bytes{0x08, 0x00}));
    EXPECT_EQ(OfId(records, 0x0200).front().data,
              (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0})); // (0, 0, 0, 1)
    // FORMAT records keep the template's order while no format was looked up.
    std::vector<std::uint16_t> formats;
    for (const Rec& r : OfId(records, 0x041E))
        formats.push_back(ReadU16LE(r.data, 0));
    EXPECT_EQ(formats, (std::vector<std::uint16_t>{5, 6, 7, 8, 42, 41, 44, 43}));
}

TEST(Writer, SavedFileHoldsTheTemplatesPropertySets) {
    TXlsWriter writer;
    writer.NewFile(1);
    const Bytes file = writer.SaveToMemory();
    auto storage = TOle2Storage::OpenReadMemory(file);
    std::vector<std::string> names;
    for (const auto& element : storage->List())
        names.push_back(element.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Workbook", "\x05SummaryInformation",
                                               "\x05"
                                               "DocumentSummaryInformation"}));
    auto original = TOle2Storage::OpenReadMemory(EmptyWorkbookTemplate());
    for (const char* name : {"\x05SummaryInformation", "\x05"
                                                       "DocumentSummaryInformation"}) {
        TOle2Stream saved(*storage, name);
        TOle2Stream fromTemplate(*original, name);
        EXPECT_EQ(saved.ReadAll(), fromTemplate.ReadAll()) << name;
    }
    TOle2Stream workbook(*storage, "Workbook");
    EXPECT_EQ(workbook.ReadAll(), writer.WorkbookStream());
}

TEST(Writer, SavingTwiceWritesTheSameBytes) {
    TXlsWriter writer;
    writer.NewFile(1);
    writer.SetCellValue(1, 1, std::u16string(u"RSID"));
    writer.SetCellValue(3, 2, std::u16string(u"x"));
    writer.SetColumnWidth(2, 3000);
    const Bytes first = writer.WorkbookStream();
    EXPECT_EQ(writer.WorkbookStream(), first);
    EXPECT_EQ(writer.SaveToMemory(), writer.SaveToMemory());
}

// ---------------------------------------------------------------- shared strings

TEST(Writer, EqualTextsShareOneString) {
    TXlsWriter writer;
    writer.NewFile(1);
    writer.SetCellValue(1, 1, std::u16string(u"Rctr"));
    writer.SetCellValue(1, 2, std::u16string(u"RSID"));
    writer.SetCellValue(2, 1, std::u16string(u"RSID"));
    const auto records = Records(writer.WorkbookStream());
    const Bytes sst = OfId(records, 0x00FC).front().data;
    EXPECT_EQ(ReadU32LE(sst, 0), 3u); // references
    EXPECT_EQ(ReadU32LE(sst, 4), 2u); // entries
    // "RSID" before "Rctr": same size, 0x53 before 0x63.
    EXPECT_EQ(Bytes(sst.begin() + 8, sst.end()),
              (Bytes{4, 0, 0, 'R', 'S', 'I', 'D', 4, 0, 0, 'R', 'c', 't', 'r'}));
    // The cells refer to the entries by their written index.
    const auto cells = OfId(SheetRecords(records), 0x00FD);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(ReadU32LE(cells[0].data, 6), 1u); // A1 "Rctr"
    EXPECT_EQ(ReadU32LE(cells[1].data, 6), 0u); // B1 "RSID"
    EXPECT_EQ(ReadU32LE(cells[2].data, 6), 0u); // A2 "RSID"
}

TEST(Writer, ReplacedTextLosesItsString) {
    TXlsWriter writer;
    writer.NewFile(1);
    writer.SetCellValue(1, 1, std::u16string(u"old"));
    writer.SetCellValue(1, 1, std::u16string(u"new"));
    const Bytes sst = OfId(Records(writer.WorkbookStream()), 0x00FC).front().data;
    EXPECT_EQ(Bytes(sst.begin(), sst.end()),
              (Bytes{1, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 'n', 'e', 'w'}));
}

TEST(Writer, LongTextContinuesTheSst) {
    TXlsWriter writer;
    writer.NewFile(1);
    writer.SetCellValue(1, 1, std::u16string(10000, u'a'));
    const auto records = Records(writer.WorkbookStream());
    std::size_t sst = 0;
    while (records[sst].id != 0x00FC)
        ++sst;
    EXPECT_EQ(records[sst].data.size(), 8224u);
    ASSERT_EQ(records[sst + 1].id, 0x003C);
    EXPECT_EQ(records[sst + 1].data[0], 0x00);
    EXPECT_EQ(records[sst + 1].data.size(), 1u + 10000u - 8213u);
    EXPECT_EQ(records[sst + 2].id, 0x00FF);
}

TEST(Writer, OverlongTextIsCutBeforeASplitCharacter) {
    // 32,766 euro signs and an emoji (a surrogate pair at units 32,767 and 32,768): the limit of
    // 32,767 units would keep half of the pair, so the pair goes whole. Text within the limit
    // keeps a pair that ends on the last unit.
    const std::u16string emoji = u"\U0001F600";
    struct Case {
        std::u16string text;
        std::size_t kept;
        char16_t last;
    };
    const std::vector<Case> cases = {
        {std::u16string(32766, u'\u20AC') + emoji, 32766, u'\u20AC'},
        {std::u16string(32765, u'\u20AC') + emoji + u"b", 32767, emoji[1]},
        {std::u16string(40000, u'\u20AC'), 32767, u'\u20AC'},
    };
    for (const Case& c : cases) {
        TXlsWriter writer;
        writer.NewFile(1);
        writer.SetCellValue(1, 1, c.text);
        // The SST's first (only) string, over the SST and its CONTINUE records.
        std::u16string text;
        bool started = false;
        std::size_t count = 0;
        for (const Rec& r : Records(writer.WorkbookStream())) {
            if (r.id == 0x00FC) {
                count = static_cast<std::size_t>(r.data[8] | (r.data[9] << 8));
                ASSERT_EQ(r.data[10], 0x01); // 16-bit characters
                for (std::size_t i = 11; i + 1 < r.data.size(); i += 2)
                    text += static_cast<char16_t>(r.data[i] | (r.data[i + 1] << 8));
                started = true;
            } else if (started && r.id == 0x003C) {
                for (std::size_t i = 1; i + 1 < r.data.size(); i += 2)
                    text += static_cast<char16_t>(r.data[i] | (r.data[i + 1] << 8));
            } else if (started) {
                break;
            }
        }
        EXPECT_EQ(count, c.kept);
        ASSERT_EQ(text.size(), c.kept);
        EXPECT_EQ(text.back(), c.last);
    }
}

TEST(Writer, CharacterWidthOfStrings) {
    TXlsWriter writer;
    writer.NewFile(1);
    writer.SetCellValue(1, 1, std::u16string(u"caf\u00E9"));
    writer.SetCellValue(1, 2, std::u16string(u"\u20AC5"));
    writer.SetCellValue(1, 3,
                        std::string("\xE2\x82\xAC"
                                    "6")); // 8-bit (UTF-8) text is widened
    const Bytes sst = OfId(Records(writer.WorkbookStream()), 0x00FC).front().data;
    // Sorted by size: "\u20AC5" (2 chars, 16-bit: 7 bytes), "\u20AC6", "caf\u00E9" (4, 8-bit: 7).
    const Bytes expected = {0x02, 0,   0x01, 0xAC, 0x20, '5',  0,   0x02, 0,   0x01, 0xAC,
                            0x20, '6', 0,    0x04, 0,    0x00, 'c', 'a',  'f', 0xE9};
    EXPECT_EQ(Bytes(sst.begin() + 8, sst.end()), expected);
}

TEST(Writer, EqualsSignTextStaysText) {
    TXlsWriter writer;
    writer.NewFile(1);
    writer.SetCellValue(1, 1, std::u16string(u"=1+2"));
    writer.SetCellValue(1, 2, std::u16string(u"=HYPERLINK(\"http://x\")"));
    const auto sheet = SheetRecords(Records(writer.WorkbookStream()));
    EXPECT_TRUE(OfId(sheet, 0x0006).empty()); // no FORMULA
    EXPECT_EQ(OfId(sheet, 0x00FD).size(), 2u);
}

// ---------------------------------------------------------------- cells, rows and columns

TEST(Writer, BlankRunsAndSingleBlanks) {
    TXlsWriter writer;
    writer.NewFile(1);
    const std::uint16_t xf = writer.AddFormat(Tahoma());
    for (int c = 1; c <= 3; ++c)
        writer.SetCellFormat(1, c, xf);
    writer.SetCellFormat(2, 1, xf);
    writer.SetCellValue(2, 2, std::u16string(u"x"));
    writer.SetCellFormat(2, 3, xf);
    const auto sheet = SheetRecords(Records(writer.WorkbookStream()));
    const auto mulblank = OfId(sheet, 0x00BE);
    ASSERT_EQ(mulblank.size(), 1u);
    // row 0, columns 0 to 2, one XF each.
    EXPECT_EQ(mulblank[0].data,
              (Bytes{0, 0, 0, 0, static_cast<std::uint8_t>(xf), 0, static_cast<std::uint8_t>(xf), 0,
                     static_cast<std::uint8_t>(xf), 0, 2, 0}));
    const auto blanks = OfId(sheet, 0x0201);
    ASSERT_EQ(blanks.size(), 2u);
    EXPECT_EQ(ReadU16LE(blanks[0].data, 0), 1);
    EXPECT_EQ(ReadU16LE(blanks[0].data, 2), 0);
    EXPECT_EQ(ReadU16LE(blanks[1].data, 2), 2);
}

TEST(Writer, NumbersAndBooleans) {
    TXlsWriter writer;
    writer.NewFile(1);
    const double values[] = {975, 9.75, 1.0, -3, 0.1, 1e300, 39667.604166, 536870911, 536870912};
    int column = 1;
    for (double v : values)
        writer.SetCellValue(1, column++, v);
    writer.SetCellValue(2, 1, true);
    writer.SetCellValue(2, 2, false);
    const auto sheet = SheetRecords(Records(writer.WorkbookStream()));
    const auto mulrk = OfId(sheet, 0x00BD);
    // Columns 1 to 5 as RK values (integers, a double whose low 34 bits are 0, hundredths);
    // 1e300 and 39667.604166 have no RK form; 2^29 - 1 and 2^29 again in the last two.
    ASSERT_EQ(mulrk.size(), 2u);
    EXPECT_EQ(ReadU32LE(mulrk[0].data, 6), (975u << 2) | 2u);
    EXPECT_EQ(ReadU32LE(mulrk[0].data, 12), 0x40238000u); // 9.75
    EXPECT_EQ(ReadU32LE(mulrk[0].data, 18), (1u << 2) | 2u);
    EXPECT_EQ(ReadU32LE(mulrk[0].data, 24), 0xFFFFFFF6u);     // -3
    EXPECT_EQ(ReadU32LE(mulrk[0].data, 30), (10u << 2) | 3u); // 0.1 as 10 / 100
    EXPECT_EQ(ReadU32LE(mulrk[1].data, 6), (536870911u << 2) | 2u);
    EXPECT_EQ(ReadU32LE(mulrk[1].data, 12), 0x41C00000u);
    EXPECT_EQ(OfId(sheet, 0x0203).size(), 2u);
    EXPECT_EQ(OfId(sheet, 0x0205).size(), 2u);

    // Read back through the program's own reader.
    const Bytes file = writer.SaveToMemory();
    TTavroImport import(nullptr);
    auto adapter = std::make_unique<TXLSAdapter>();
    import.Adapter = adapter.get();
    import.OpenMemory(file);
    import.SetActiveSheet(1);
    column = 1;
    for (double v : values)
        EXPECT_EQ(std::get<double>(import.CellValue(1, column++)), v);
    EXPECT_EQ(std::get<bool>(import.CellValue(2, 1)), true);
    EXPECT_EQ(std::get<bool>(import.CellValue(2, 2)), false);
}

TEST(Writer, ColumnWidthRuns) {
    TXlsWriter writer;
    writer.NewFile(1);
    writer.SetColumnWidth(1, 2597);
    writer.SetColumnWidth(2, 2597);
    writer.SetColumnWidth(3, 1243);
    writer.SetColumnWidth(5, 1243); // not adjacent to column 3
    const auto colinfo = OfId(SheetRecords(Records(writer.WorkbookStream())), 0x007D);
    ASSERT_EQ(colinfo.size(), 3u);
    EXPECT_EQ(colinfo[0].data, (Bytes{0, 0, 1, 0, 0x25, 0x0A, 15, 0, 0, 0, 0, 0}));
    EXPECT_EQ(colinfo[1].data, (Bytes{2, 0, 2, 0, 0xDB, 0x04, 15, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ReadU16LE(colinfo[2].data, 0), 4);
}

TEST(Writer, RowBlocksOf32) {
    TXlsWriter writer;
    writer.NewFile(1);
    for (int r = 1; r <= 33; ++r) {
        writer.SetRowHeight(r, 330);
        writer.SetCellValue(r, 1, std::u16string(u"x"));
    }
    const auto sheet = SheetRecords(Records(writer.WorkbookStream()));
    std::string shape; // R for ROW, C for a cell
    for (const Rec& r : sheet) {
        if (r.id == 0x0208) shape += 'R';
        if (r.id == 0x00FD) shape += 'C';
    }
    EXPECT_EQ(shape, std::string(32, 'R') + std::string(32, 'C') + "RC");
    const auto rows = OfId(sheet, 0x0208);
    // row, first column 0, last column + 1 = 1, height 330, option word 0x0140, XF 15.
    EXPECT_EQ(rows[32].data, (Bytes{32, 0, 0, 0, 1, 0, 0x4A, 0x01, 0, 0, 0, 0, 0x40, 0x01, 15, 0}));
    EXPECT_EQ(OfId(sheet, 0x0200).front().data, (Bytes{0, 0, 0, 0, 33, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
}

TEST(Writer, EmptyValuesLeaveNoRows) {
    TXlsWriter writer;
    writer.NewFile(1);
    writer.SetCellValue(5, 3, std::u16string());
    writer.SetCellValue(6, 3, TCellValue{});
    auto sheet = SheetRecords(Records(writer.WorkbookStream()));
    EXPECT_TRUE(OfId(sheet, 0x0208).empty());
    // A text, then the text removed again: the row goes with it.
    writer.SetCellValue(7, 1, std::u16string(u"x"));
    writer.SetCellValue(7, 1, std::u16string());
    sheet = SheetRecords(Records(writer.WorkbookStream()));
    EXPECT_TRUE(OfId(sheet, 0x0208).empty());
    EXPECT_TRUE(OfId(sheet, 0x00FD).empty());
    // A row whose height was set stays.
    writer.SetRowHeight(4, 300);
    writer.SetCellValue(9, 1, std::u16string());
    sheet = SheetRecords(Records(writer.WorkbookStream()));
    ASSERT_EQ(OfId(sheet, 0x0208).size(), 1u);
    EXPECT_EQ(ReadU16LE(OfId(sheet, 0x0208)[0].data, 0), 3);
}

// ---------------------------------------------------------------- formats

TEST(Writer, FormatOfAnUnformattedCell) {
    TXlsWriter writer;
    writer.NewFile(1);
    const TTavroFormat f = writer.GetCellFormat(1, 1);
    EXPECT_EQ(f.Font.Name, u"Arial");
    EXPECT_EQ(f.Font.Size20, 200);
    EXPECT_EQ(f.Font.ColorIndex, 32760);
    EXPECT_EQ(f.Font.Style.bits, 0);
    EXPECT_EQ(f.Font.Underline, FontUnderline::None);
    EXPECT_EQ(f.NumberFormat, u"");
    EXPECT_EQ(f.FillPattern, kFillNone);
    EXPECT_EQ(f.FgColorIndex, 57);
    EXPECT_EQ(f.BgColorIndex, 58);
    EXPECT_EQ(f.HAlignment, kHAlignGeneral);
    EXPECT_EQ(f.VAlignment, kVAlignBottom);
    EXPECT_TRUE(f.Locked);
}

TEST(Writer, AddFormatOfTheExample) {
    TXlsWriter writer;
    writer.NewFile(1);
    TTavroFormat bold = Tahoma(true);
    TTavroFormat regular = Tahoma(false);
    const std::uint16_t first = writer.AddFormat(bold);
    EXPECT_EQ(first, 21); // the template has 21 XFs
    const std::uint16_t second = writer.AddFormat(regular);
    EXPECT_EQ(second, 22);
    EXPECT_EQ(writer.AddFormat(regular), second); // the same format twice: one XF
    const auto records = Records(writer.WorkbookStream());
    const auto fonts = OfId(records, 0x0031);
    ASSERT_EQ(fonts.size(), 6u); // one FONT per distinct font
    EXPECT_EQ(fonts[5].data, (Bytes{0xA5, 0x00, 0x00, 0x00, 0x08, 0x00, 0x90, 0x01, 0x00, 0x00,
                                    0x00, 0x00, 0x00, 0x00, 0x06, 0x01, 0x54, 0x00, 0x61, 0x00,
                                    0x68, 0x00, 0x6F, 0x00, 0x6D, 0x00, 0x61, 0x00}));
    const auto xfs = OfId(records, 0x00E0);
    ASSERT_EQ(xfs.size(), 23u);
    EXPECT_EQ(ReadU16LE(xfs[21].data, 0), 5); // list position 4: font index 5
    EXPECT_EQ(xfs[22].data, (Bytes{0x06, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0xFC,
                                   0x00, 0x00, 0x08, 0x04, 0x08, 0x04, 0x02, 0x00, 0xC0, 0x20}));
    // The decoded format of a cell with that XF is the format given.
    writer.SetCellFormat(3, 3, second);
    TTavroFormat back = writer.GetCellFormat(3, 3);
    EXPECT_EQ(back.Font, regular.Font);
    EXPECT_EQ(back.HAlignment, kHAlignLeft);
    EXPECT_EQ(back.VAlignment, kVAlignTop);
}

TEST(Writer, NumberFormats) {
    TXlsWriter writer;
    writer.NewFile(1);
    TTavroFormat f = writer.GetCellFormat(1, 1);
    f.NumberFormat = u"0.00";
    const std::uint16_t builtIn = writer.AddFormat(f);
    f.NumberFormat = u"_ * #,##0_ ;_ * \\-#,##0_ ;_ * \"-\"_ ;_ @_ "; // the template's format 41
    const std::uint16_t kept = writer.AddFormat(f);
    f.NumberFormat = u"0.000";
    const std::uint16_t custom = writer.AddFormat(f);
    f.NumberFormat = u"0.0000";
    const std::uint16_t custom2 = writer.AddFormat(f);
    const auto records = Records(writer.WorkbookStream());
    const auto xfs = OfId(records, 0x00E0);
    EXPECT_EQ(ReadU16LE(xfs[builtIn].data, 2), 2);
    EXPECT_EQ(ReadU16LE(xfs[kept].data, 2), 41);
    EXPECT_EQ(ReadU16LE(xfs[custom].data, 2), 164);
    EXPECT_EQ(ReadU16LE(xfs[custom2].data, 2), 165);
    // GetCellFormat sorted the template's records; added ones follow.
    std::vector<std::uint16_t> formats;
    for (const Rec& r : OfId(records, 0x041E))
        formats.push_back(ReadU16LE(r.data, 0));
    EXPECT_EQ(formats, (std::vector<std::uint16_t>{5, 6, 7, 8, 41, 42, 43, 44, 164, 165}));
    writer.SetCellFormat(2, 2, custom2);
    EXPECT_EQ(writer.GetCellFormat(2, 2).NumberFormat, u"0.0000");
}

// ---------------------------------------------------------------- sheets and settings

TEST(Writer, PageSetupAndSheetSettings) {
    TXlsWriter writer;
    writer.NewFile(1);
    EXPECT_EQ(writer.PageSetupOptions(), 0x0004);
    writer.SetPageSetupOptions(0x1206); // only the low byte is kept
    EXPECT_EQ(writer.PageSetupOptions(), 0x0006);
    writer.SetPrintScale(100);
    EXPECT_EQ(writer.PageSetupOptions(), 0x0002); // printer settings valid again
    EXPECT_EQ(FailureOf([&] { writer.SetPrintScale(65536); }),
              "The index \"65536\" of the property \"PrintScale\" is not in the range 0-65535");
    EXPECT_EQ(FailureOf([&] { writer.SetPrintScale(-1); }),
              "The index \"-1\" of the property \"PrintScale\" is not in the range 0-65535");
    writer.SetSummaryRowsBelow(false);
    writer.SetSummaryColsRight(false);
    writer.SetShowGridLines(false);
    auto sheet = SheetRecords(Records(writer.WorkbookStream()));
    EXPECT_EQ(OfId(sheet, 0x0081).front().data, (Bytes{0x01, 0x04}));
    EXPECT_EQ(ReadU16LE(OfId(sheet, 0x023E).front().data, 0), 0x06B4);
    EXPECT_EQ(ReadU16LE(OfId(sheet, 0x00A1).front().data, 2), 100);
    writer.SetShowGridLines(true);
    writer.SetSummaryRowsBelow(true);
    sheet = SheetRecords(Records(writer.WorkbookStream()));
    EXPECT_EQ(OfId(sheet, 0x0081).front().data, (Bytes{0x41, 0x04}));
    EXPECT_EQ(ReadU16LE(OfId(sheet, 0x023E).front().data, 0), 0x06B6);
}

TEST(Writer, InsertedSheets) {
    TXlsWriter writer;
    writer.NewFile(3);
    EXPECT_EQ(writer.SheetCount(), 3);
    writer.InsertEmptySheets(1, 1); // before the first
    EXPECT_EQ(writer.SheetCount(), 4);
    EXPECT_EQ(FailureOf([&] { writer.InsertEmptySheets(6, 1); }),
              "Sheet number \"6\" invalid. Must be between 1 and 5");
    EXPECT_EQ(FailureOf([&] { writer.InsertEmptySheets(0, 1); }),
              "Sheet number \"0\" invalid. Must be between 1 and 5");
    writer.SetActiveSheet(3);
    writer.SetCellValue(1, 1, std::u16string(u"third"));
    writer.SetSelectedSheet(3);

    const auto records = Records(writer.WorkbookStream());
    const auto bound = OfId(records, 0x0085);
    ASSERT_EQ(bound.size(), 4u);
    std::vector<std::string> names;
    for (const Rec& b : bound)
        names.emplace_back(b.data.begin() + 8, b.data.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Sheet4", "Sheet1", "Sheet2", "Sheet3"}));
    // Every BOUNDSHEET points at its sheet's BOF.
    std::vector<std::size_t> bofs;
    for (const Rec& r : records)
        if (r.id == rid::kBof) bofs.push_back(r.at);
    ASSERT_EQ(bofs.size(), 5u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(ReadU32LE(bound[i].data, 0), bofs[i + 1]);
    // The inserted sheets come from the bare worksheet: not selected.
    const auto window2 = OfId(records, 0x023E);
    EXPECT_EQ(ReadU16LE(window2[0].data, 0), 0x00B6);
    EXPECT_EQ(ReadU16LE(window2[2].data, 0), 0x06B6);
    const auto window1 = OfId(records, 0x003D).front();
    EXPECT_EQ(ReadU16LE(window1.data, 10), 2); // itabCur
}

TEST(Writer, HiddenSheets) {
    TXlsWriter writer;
    writer.NewFile(2);
    auto& bound = writer.File().Workbook().Globals.BoundSheets;
    bound[0]->Data[4] = 1; // sheet 1 hidden and still selected
    EXPECT_EQ(FailureOf([&] { writer.WorkbookStream(); }),
              "To save this file, you must select a visible sheet");
    writer.SetSelectedSheet(2);
    const auto records = Records(writer.WorkbookStream());
    EXPECT_EQ(ReadU16LE(OfId(records, 0x003D).front().data, 12), 1); // itabFirst
    bound[1]->Data[4] = 2;
    EXPECT_EQ(FailureOf([&] { writer.WorkbookStream(); }),
              "To save this file, you must select a visible sheet");
    writer.File().Workbook().Sheets[1]->Window2->Data[1] = 0; // nothing selected
    EXPECT_EQ(FailureOf([&] { writer.WorkbookStream(); }),
              "There are not visible sheets on the file");
}

TEST(Writer, CellPositionsAreChecked) {
    TXlsWriter writer;
    writer.NewFile(1);
    EXPECT_EQ(FailureOf([&] { writer.SetCellValue(65537, 1, 1.0); }), "Invalid Row (65536)");
    EXPECT_EQ(FailureOf([&] { writer.SetCellValue(0, 1, 1.0); }), "Invalid Row (-1)");
    EXPECT_EQ(FailureOf([&] { writer.SetCellValue(1, 257, 1.0); }), "Invalid Column (256)");
    EXPECT_EQ(FailureOf([&] { writer.SetCellFormat(1, 0, 15); }), "Invalid Column (-1)");
    EXPECT_EQ(FailureOf([&] { writer.GetCellFormat(70000, 1); }), "Invalid Row (69999)");
    EXPECT_EQ(FailureOf([&] { writer.SetColumnWidth(300, 1); }), "Invalid Column (299)");
    EXPECT_EQ(FailureOf([&] { writer.SetRowHeight(0, 1); }), "Invalid Row (-1)");
    writer.SetCellValue(65536, 256, std::u16string(u"corner"));
    TTavroFormat format = writer.GetCellFormat(1, 1);
    format.Font.Name.assign(256, u'x');
    EXPECT_EQ(FailureOf([&] { writer.AddFormat(format); }), "Invalid String record");
    TXlsWriter empty;
    EXPECT_EQ(FailureOf([&] { empty.SetCellValue(1, 1, 1.0); }), "There is no open file");
}

// ---------------------------------------------------------------- files

TEST(WriterFiles, SaveAsRefusesAnExistingFile) {
    TempDir dir;
    const std::string path = dir.File("report.xls");
    { std::ofstream(path) << "keep me"; }
    TXlsWriter writer;
    writer.NewFile(1);
    writer.SetCellValue(1, 1, std::u16string(u"new"));
    EXPECT_EQ(FailureOf([&] { writer.SaveAs(path); }),
              "Can't write to file \"" + path + "\". Check it is not in use by another user");
    std::ifstream in(path);
    std::ostringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "keep me");
    EXPECT_EQ(dir.Count(), 1u); // no temporary file left behind

    writer.SaveAs(path, true); // replaced when overwriting is allowed
    EXPECT_NO_THROW(TOle2Storage::OpenRead(path));
    EXPECT_EQ(dir.Count(), 1u);
}

TEST(WriterFiles, FailedSaveLeavesNoFile) {
    TempDir dir;
    const std::string path = dir.File("broken.xls");
    TXlsWriter writer;
    writer.NewFile(1);
    writer.File().Workbook().Globals.BoundSheets[0]->Data[4] = 1; // hidden and selected
    EXPECT_EQ(FailureOf([&] { writer.SaveAs(path); }),
              "To save this file, you must select a visible sheet");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(dir.Count(), 0u);
}

TEST(WriterFiles, RoundTripThroughTheReader) {
    TempDir dir;
    const std::string path = dir.File("round.xls");
    TXlsWriter writer;
    writer.NewFile(1);
    const std::u16string texts[] = {
        u"RSID",      u"Smith, John", u"1/15/2008  10:30 ",      u"A\nB",
        u"\u20AC 12", u"=1+2",        std::u16string(9000, u'y')};
    int column = 1;
    for (const auto& text : texts)
        writer.SetCellValue(2, column++, text);
    writer.SetCellValue(40, 3, 45.0);
    writer.SaveAs(path);

    TTavroImport import(nullptr);
    TXLSAdapter adapter;
    import.Adapter = &adapter;
    import.OpenFile(path);
    import.SetActiveSheet(1);
    EXPECT_EQ(import.RowCount(), 40);
    column = 1;
    for (const auto& text : texts)
        EXPECT_EQ(std::get<std::u16string>(import.CellValue(2, column++)), text);
    EXPECT_EQ(std::get<double>(import.CellValue(40, 3)), 45.0);
    EXPECT_EQ(import.CellValue(1, 1).index(), 0u);

    // Reading the saved file and saving it again gives the same stream.
    TXlsWriter again;
    again.OpenFile(path);
    EXPECT_EQ(again.WorkbookStream(), writer.WorkbookStream());
}

} // namespace
} // namespace orq::xls

namespace orq::xls {
namespace {

// Workbooks written by other programs, read and written again: the same cells, sheet by sheet.
TEST(WriterFiles, ForeignWorkbooksSurviveARewrite) {
    const std::string fixtures = std::string(ORQ_SOURCE_DIR) + "/tests/fixtures/";
    for (const char* name : {"xls/lo_cells.xls", "xls/xlwt_cells.xls", "apl/us_old_layout.xls",
                             "apl/gb_two_stations.xls"}) {
        SCOPED_TRACE(name);
        TXlsWriter writer;
        writer.OpenFile(fixtures + name);
        const Bytes rewritten = writer.SaveToMemory();

        TXLSAdapter adapter;
        TTavroImport original(&adapter), again(&adapter);
        original.OpenFile(fixtures + name);
        again.OpenMemory(rewritten);
        const int sheets = writer.SheetCount();
        for (int sheet = 1; sheet <= sheets; ++sheet) {
            original.SetActiveSheet(sheet);
            again.SetActiveSheet(sheet);
            ASSERT_EQ(again.RowCount(), original.RowCount()) << "sheet " << sheet;
            for (int row = 1; row <= original.RowCount(); ++row)
                for (int column = 1; column <= 256; ++column)
                    ASSERT_EQ(again.CellValue(row, column), original.CellValue(row, column))
                        << "sheet " << sheet << " row " << row << " column " << column;
        }
        // Written once more, the stream stays the same.
        TXlsWriter third;
        third.OpenMemory(rewritten);
        EXPECT_EQ(third.WorkbookStream(), writer.WorkbookStream());
    }
}

TEST(Writer, DamagedModelsAreRefused) {
    TXlsWriter writer;
    writer.NewFile(2);
    auto& workbook = writer.File().Workbook();
    auto eof = std::move(workbook.Sheets[1]->Eof);
    EXPECT_EQ(FailureOf([&] { writer.WorkbookStream(); }),
              "A section of the workbook is not loaded");
    workbook.Sheets[1]->Eof = std::move(eof);
    workbook.Sheets.pop_back();
    EXPECT_EQ(FailureOf([&] { writer.WorkbookStream(); }),
              "Error reading Excel records. File invalid");
}

} // namespace
} // namespace orq::xls
