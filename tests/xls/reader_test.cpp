// The workbook record reader: open failures with their exact messages, the look-ahead rules,
// sheet names, sheet selection, shared strings across CONTINUE records, other sheet kinds.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <variant>

#include "biff_builder.h"
#include "xls/tavro_import.h"

namespace orq::xls {
namespace {

using testing::Biff;
using testing::Bytes;
using testing::Cat;
using testing::CompoundFile;
using testing::Globals;
using testing::Put16;
using testing::Put32;
using testing::Str16;
using testing::Str8;

using testing::FailureOf;
using testing::FileOf;

std::unique_ptr<TTavroImport> Open(const Bytes& workbook) {
    return testing::OpenWorkbook(workbook);
}

std::string OpenFailure(const Bytes& workbook) {
    return FailureOf([&] { Open(workbook); });
}

using testing::OneSheetBook;
using testing::Sheet;

std::u16string Wide(const TCellValue& value) {
    return std::get<std::u16string>(value);
}

constexpr const char* kInvalid = "Error reading Excel records. File invalid";

TEST(ReaderFailures, DamagedStreamsFailWithTheirMessages) {
    Bytes shortNumber = Biff::Cell(0, 0);
    shortNumber.resize(8);
    Bytes array = Biff::Cell(0, 0);
    array.resize(14);
    Bytes twoStringsOneGiven;
    Put32(twoStringsOneGiven, 2);
    Put32(twoStringsOneGiven, 2);
    Bytes a = Str8("a");
    twoStringsOneGiven.insert(twoStringsOneGiven.end(), a.begin(), a.end());

    struct Case {
        const char* name;
        Bytes stream;
        std::string message;
    } cases[] = {
        {"BIFF5 BOF", Biff().Bof(kBofGlobals, 0x0500).Eof().bytes,
         "Template file is saved with an invalid Excel version"},
        {"encrypted", Biff().Bof(kBofGlobals).Record(rid::kFilePass, {0, 0, 1, 0}).Eof().bytes,
         "File is password protected"},
        {"record body cut short",
         Cat({Globals({"S"}).bytes, Biff().Bof(kBofWorksheet).bytes, {0x03, 0x02, 0x0E, 0x00, 1}}),
         kInvalid},
        {"header cut short inside a sheet",
         Cat({Globals({"S"}).bytes, Biff().Bof(kBofWorksheet).bytes, {0x03, 0x02}}), kInvalid},
        {"record between substreams",
         Cat({Globals({"S"}).bytes, Biff().Number(0, 0, 1).bytes, Sheet(Biff())}), kInvalid},
        {"BOF inside the globals", Biff().Bof(kBofGlobals).Bof(kBofGlobals).Eof().Eof().bytes,
         kInvalid},
        {"BOF inside a worksheet", OneSheetBook(Biff().Bof(kBofWorksheet).Eof()), kInvalid},
        {"second globals substream",
         Cat({Globals({"S"}).bytes, Sheet(Biff()), Globals({"S"}).bytes}), kInvalid},
        {"STRING after a number", OneSheetBook(Biff().Number(0, 0, 1).String(Str8("x"))), kInvalid},
        {"ARRAY after a number", OneSheetBook(Biff().Number(0, 0, 1).Record(rid::kArray, array)),
         kInvalid},
        {"tooltip after a number",
         OneSheetBook(Biff().Number(0, 0, 1).Record(rid::kHLinkTooltip, array)), kInvalid},
        {"SHRFMLA without a formula", OneSheetBook(Biff().Record(rid::kShrFmla, array)), kInvalid},
        {"LABELSST index equal to the string count",
         OneSheetBook(Biff().LabelSst(0, 0, 1), {Str8("only")}), kInvalid},
        {"RK shorter than row and column", OneSheetBook(Biff().Record(rid::kRk, {0, 0, 0})),
         "Record with ID 0x27E is invalid"},
        {"NUMBER without its value", OneSheetBook(Biff().Record(rid::kNumber, shortNumber)),
         "Record with ID 0x203 is invalid"},
        {"two ROW records for one row", OneSheetBook(Biff().Row(3).Row(3)),
         "Duplicated ROW record"},
        {"SST string missing",
         Cat({Biff()
                  .Bof(kBofGlobals)
                  .BoundSheet("S")
                  .Record(rid::kSst, twoStringsOneGiven)
                  .Eof()
                  .bytes,
              Sheet(Biff())}),
         "Error reading record"},
        {"duplicate sheet names", Cat({Globals({"Data", "Data"}).bytes, Sheet(Biff())}),
         "Sheet name already exists: Data"},
        {"no sheet substream", Globals({"S"}).bytes, "List index out of bounds (0)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(OpenFailure(c.stream), c.message);
    }
}

TEST(ReaderFailures, FilesThatAreNoWorkbooks) {
    const auto folder = std::filesystem::temp_directory_path();
    const std::string text = (folder / "orq_reader_test_page.xls").string();
    std::ofstream(text) << "<html>not a workbook</html>";
    const std::string book = (folder / "orq_reader_test_book.xls").string();
    {
        Bytes file = CompoundFile(OneSheetBook(Biff()), "Sheets");
        std::ofstream(book, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));
    }
    auto import = TTavroImport::WithOwnAdapter();
    EXPECT_EQ(FailureOf([&] { import->OpenFile(text); }), "The file \"" + text + "\" is invalid");
    EXPECT_EQ(FailureOf([&] { import->OpenFile(book); }), kInvalid);
    EXPECT_EQ(FailureOf([&] { import->OpenFile("/no/such/folder/list.xls"); }),
              "Can't find the file \"/no/such/folder/list.xls\"");
    std::filesystem::remove(text);
    std::filesystem::remove(book);

    TTavroImport withoutAdapter;
    EXPECT_EQ(FailureOf([&] { withoutAdapter.OpenFile(book); }),
              "There is no Adapter linked to the report");
}

TEST(ReaderFailures, AFailedOpenLeavesNoWorkbook) {
    auto import = Open(OneSheetBook(Biff().Number(0, 0, 1)));
    EXPECT_EQ(import->RowCount(), 1);
    EXPECT_THROW(import->OpenMemory(CompoundFile(Biff().Bof(kBofGlobals, 0x0500).bytes)), Error);
    EXPECT_EQ(import->File(), nullptr);
    for (auto operation : std::initializer_list<std::function<void()>>{
             [&] { import->RowCount(); }, [&] { import->CellValue(1, 1); },
             [&] { import->SetActiveSheet(1); }, [&] { import->DeleteRows(1, 1); },
             [&] { import->DeleteColumns(1, 1); },
             [&] { import->InsertAndCopyColumns(1, 1, 2, 1); }})
        EXPECT_EQ(FailureOf(operation), "There is no open file");
}

TEST(Reader, StreamEndsAfterTheLastEofOrInZeroPadding) {
    const Bytes book = OneSheetBook(Biff().Number(0, 0, 7));
    for (std::size_t padding : {0u, 3u, 4u, 100u}) {
        SCOPED_TRACE(padding);
        Bytes padded = book;
        padded.resize(book.size() + padding, 0);
        auto import = Open(padded);
        EXPECT_EQ(std::get<double>(import->CellValue(1, 1)), 7.0);
    }
}

TEST(Reader, SheetNamesDifferingInCaseAreTwoSheets) {
    auto import = Open(Cat({Globals({"Data", "data"}).bytes, Sheet(Biff().Number(0, 0, 1)),
                            Sheet(Biff().Number(0, 0, 2))}));
    import->SetActiveSheet(2);
    EXPECT_EQ(std::get<double>(import->CellValue(1, 1)), 2.0);
    EXPECT_EQ(FileOf(*import).Workbook().Globals.SheetNames,
              (std::vector<std::u16string>{u"Data", u"data"}));
}

TEST(Reader, ActiveSheetBeyondTheSheetListSelectsSheetOne) {
    Bytes book = Globals({"A", "B", "C"}, {}, 5).bytes;
    for (int i = 0; i < 3; ++i)
        book = Cat({book, Sheet(Biff().Number(0, 0, i + 1).Window2(0x06B6))});
    auto import = Open(book);
    TXLSFile& file = FileOf(*import);
    EXPECT_EQ(file.ActiveSheet(), 6);
    const auto& sheets = file.Workbook().Sheets;
    EXPECT_EQ(ReadU16LE(sheets[0]->Window2->Data, 0) & 0x0600, 0x0600);
    EXPECT_EQ(ReadU16LE(sheets[1]->Window2->Data, 0) & 0x0600, 0);
    EXPECT_EQ(ReadU16LE(sheets[2]->Window2->Data, 0) & 0x0600, 0);
    EXPECT_EQ(ReadU16LE(file.Workbook().Globals.Window1->Data, 10), 0);
    // Sheet 6 is no worksheet: no rows, no cells, and the edits name the sheet.
    EXPECT_EQ(import->RowCount(), 0);
    EXPECT_EQ(import->CellValue(1, 1).index(), 0u);
    EXPECT_EQ(FailureOf([&] { import->DeleteColumns(1, 1); }),
              "Sheet number \"5\" invalid. Must be between 0 and 2");
    EXPECT_EQ(FailureOf([&] { import->SetActiveSheet(4); }), "List index out of bounds (3)");

    import->SetActiveSheet(2);
    EXPECT_EQ(std::get<double>(import->CellValue(1, 1)), 2.0);
    EXPECT_EQ(ReadU16LE(sheets[0]->Window2->Data, 0) & 0x0600, 0);
    EXPECT_EQ(ReadU16LE(sheets[1]->Window2->Data, 0) & 0x0600, 0x0600);
    EXPECT_EQ(ReadU16LE(file.Workbook().Globals.Window1->Data, 10), 1);
}

TEST(Reader, ChartsAndOtherSheetKindsHaveNoCells) {
    Bytes nestedChart =
        Cat({Biff().Bof(kBofChart).Record(0x1001, {1, 0}).bytes,
             Biff().Bof(kBofChart).Record(0x1002, {}).Eof().bytes,
             Biff().Record(rid::kLabelSst, Cat({Biff::Cell(0, 0), {0, 0, 0, 0}})).Eof().bytes});
    Bytes macroSheet = Cat({Biff().Bof(0x0040).Number(0, 0, 1).Eof().bytes});
    auto import = Open(Cat({Globals({"Chart", "Macro", "Cells"}, {Str8("x")}).bytes, nestedChart,
                            macroSheet, Sheet(Biff().LabelSst(2, 1, 0))}));
    const auto& sheets = FileOf(*import).Workbook().Sheets;
    ASSERT_EQ(sheets.size(), 3u);
    EXPECT_EQ(sheets[0]->Kind(), TSheetKind::Chart);
    EXPECT_EQ(sheets[1]->Kind(), TSheetKind::Unsupported);
    EXPECT_EQ(import->RowCount(), 0);
    EXPECT_EQ(import->CellValue(1, 1).index(), 0u);
    import->SetActiveSheet(3);
    EXPECT_EQ(import->RowCount(), 3);
    EXPECT_EQ(Wide(import->CellValue(3, 2)), u"x");
    // The chart's own LABELSST counts as a reference to the string.
    const TSST& sst = FileOf(*import).Workbook().Globals.Sst;
    EXPECT_EQ(sst.RefCount(sst.EntryPosition(0)), 2);

    EXPECT_EQ(OpenFailure(
                  Cat({Globals({"M"}).bytes, Biff().Bof(0x0040).Bof(kBofChart).Eof().Eof().bytes})),
              kInvalid);
}

TEST(Reader, EmbeddedChartBelongsToTheDrawing) {
    Biff body;
    body.Number(0, 0, 1)
        .Record(rid::kMsoDrawing, {0x0F, 0x00, 0x02, 0xF0})
        .Record(rid::kObj, {0x15, 0x00, 0x12, 0x00, 0x05, 0x00})
        .Bof(kBofChart)
        .Record(0x1002, {})
        .Eof()
        .Number(1, 0, 2);
    auto import = Open(OneSheetBook(body));
    EXPECT_EQ(std::get<double>(import->CellValue(2, 1)), 2.0);
    auto* sheet = FileOf(*import).ActiveWorkSheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->Drawing.size(), 5u);
    EXPECT_EQ(sheet->Drawing[2]->Id, rid::kBof);
    EXPECT_EQ(sheet->Drawing[4]->Id, rid::kEof);
}

// An SST record and CONTINUE records holding the given pieces.
Bytes SstStream(std::uint32_t count, const std::vector<Bytes>& pieces) {
    Biff b;
    b.Bof(kBofGlobals).BoundSheet("S");
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        Bytes data;
        if (i == 0) {
            Put32(data, count);
            Put32(data, count);
        }
        data.insert(data.end(), pieces[i].begin(), pieces[i].end());
        b.Record(i == 0 ? rid::kSst : rid::kContinue, data);
    }
    b.Record(rid::kCodePage, {0xE4, 0x04}).Eof();
    Biff cells;
    for (std::uint32_t i = 0; i < count; ++i)
        cells.LabelSst(static_cast<std::uint16_t>(i), 0, i);
    return Cat({b.bytes, Sheet(cells)});
}

TEST(SharedStrings, StringsSplitAcrossContinueRecords) {
    struct Case {
        const char* name;
        std::vector<Bytes> pieces;
        std::vector<std::u16string> texts;
    } cases[] = {
        {"8-bit characters continue as 16-bit",
         {{5, 0, 0, 'a', 'b'}, {0x01, 0x42, 0x03, 0xE9, 0x00, 0x05, 0x26}},
         {u"ab\u0342\u00E9\u2605"}},
        {"16-bit characters continue as 8-bit",
         {{3, 0, 1, 0x05, 0x26}, {0x00, 'x', 0xE9}},
         {u"\u2605x\u00E9"}},
        {"8-bit, 16-bit, 8-bit again",
         {{4, 0, 0, 'a'}, {0x01, 'b', 0}, {0x00, 'c', 'd'}},
         {u"abcd"}},
        {"header at a record's end, characters in the next",
         {Cat({Str8("one"), {2, 0, 0}}), {0x00, 'o', 'k'}},
         {u"one", u"ok"}},
        {"next string at the start of a CONTINUE",
         {Str8("one"), Str16(u"\u5F20")},
         {u"one", u"\u5F20"}},
        {"8-bit byte 0xE9 whatever the code page", {{1, 0, 0, 0xE9}}, {u"\u00E9"}},
        {"rich-text runs and phonetic block are not text",
         {{3, 0, 0x0C, 2, 0, 6, 0, 0, 0, 'a', 'b', 'c', 0, 0, 1, 0, 2, 0, 5, 0, 1, 2, 3, 4, 5, 6},
          Str8("next")},
         {u"abc", u"next"}},
        {"runs and phonetic block split over records",
         {{2, 0, 0x0C, 1, 0, 4, 0, 0, 0, 'a', 'b', 0, 0}, {1, 0, 9, 9}, {9, 9}, Str8("z")},
         {u"ab", u"z"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto import = Open(SstStream(static_cast<std::uint32_t>(c.texts.size()), c.pieces));
        for (std::size_t i = 0; i < c.texts.size(); ++i)
            EXPECT_EQ(Wide(import->CellValue(static_cast<int>(i) + 1, 1)), c.texts[i]);
    }
}

TEST(SharedStrings, StringsRunningPastTheirRecordsFail) {
    struct Case {
        const char* name;
        std::vector<Bytes> pieces;
    } cases[] = {
        {"characters past the last record", {{5, 0, 0, 'a', 'b'}}},
        {"half a 16-bit character at a record's end", {{2, 0, 1, 'a'}, {0x01, 'b', 0}}},
        {"a field split over two records", {{3}, {0, 0, 'a', 'b', 'c'}}},
        {"phonetic size beyond the data", {{1, 0, 0x04, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 1, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(OpenFailure(SstStream(1, c.pieces)), "Error reading record");
    }
}

TEST(SharedStrings, RunsOfARichTextAreKeptWithItsEntry) {
    auto import = Open(SstStream(1, {{2, 0, 0x08, 1, 0, 'h', 'i', 1, 0, 5, 0}}));
    const TWorkSheet* sheet = FileOf(*import).ActiveWorkSheet();
    TXlsCellValue info = sheet->Cells.CellInfo(0, 0);
    EXPECT_EQ(Wide(info.Value), u"hi");
    EXPECT_EQ(info.Runs, (Bytes{1, 0, 5, 0}));
}

TEST(Reader, RStringIsReadAsText) {
    // Row, column, XF, the text with a 2-byte count, then its formatting runs.
    Bytes rstring = Cat({Str8("formatted"), {1, 0, 2, 0, 3, 0}});
    auto import = Open(OneSheetBook(Biff()
                                        .Label(0, 1, rstring, rid::kRString)
                                        .Label(0, 2, Str16(u"\u5F20"))
                                        .Label(1, 0, Str8("x"), rid::kRString)));
    EXPECT_EQ(Wide(import->CellValue(1, 2)), u"formatted");
    EXPECT_EQ(Wide(import->CellValue(1, 3)), u"\u5F20");
    // It moves with the column edits like any other cell.
    import->InsertAndCopyColumns(1, 1, 1, 1);
    EXPECT_EQ(Wide(import->CellValue(1, 3)), u"formatted");
    EXPECT_EQ(Wide(import->CellValue(2, 1)), u"x");
    EXPECT_EQ(Wide(import->CellValue(2, 2)), u"x");
}

TEST(Reader, LongContinueChainsAreReadAndFreedWithoutRecursion) {
    Biff body;
    body.Record(0x0099, {8, 0});
    for (int i = 0; i < 200000; ++i)
        body.Record(rid::kContinue, {1});
    body.Number(4, 0, 5);
    auto import = Open(OneSheetBook(body));
    EXPECT_EQ(std::get<double>(import->CellValue(5, 1)), 5.0);
    import->CloseFile();
}

TEST(Reader, ContinueAfterACellIsReadWithItsOwnLookAhead) {
    // A CONTINUE after a cell is consumed; a STRING after that CONTINUE is not a formula's.
    auto import = Open(OneSheetBook(Biff().Number(0, 0, 3).Record(rid::kContinue, {1, 2})));
    EXPECT_EQ(std::get<double>(import->CellValue(1, 1)), 3.0);
    Bytes formula = OneSheetBook(
        Biff().Formula(0, 0, Biff::Special(0)).Record(rid::kContinue, {0}).String(Str8("x")));
    EXPECT_EQ(OpenFailure(formula), kInvalid);
}

TEST(Reader, GlobalsRecordsKeepTheirOrderWithPlaceholders) {
    Biff b;
    b.Bof(kBofGlobals)
        .Record(rid::kCodePage, {0xB0, 0x04})
        .Window1(0)
        .Record(rid::kFont, {1})
        .Record(rid::kFont, {2})
        .Record(rid::kFormat, {3})
        .Record(rid::kXf, {4})
        .Record(rid::kStyle, {5})
        .Record(rid::kXf, {6})
        .Record(rid::kDateMode, {0, 0})
        .Record(rid::kRecalcId, {0, 0})
        .BoundSheet("S")
        .Record(rid::kExtSst, {8, 0})
        .Eof();
    auto import = Open(Cat({b.bytes, Sheet(Biff())}));
    const TWorkbookGlobals& globals = FileOf(*import).Workbook().Globals;
    std::vector<std::uint16_t> misc;
    for (const auto& record : globals.Misc)
        misc.push_back(static_cast<std::uint16_t>(record->Id | (record->IsPlaceholder() << 15)));
    EXPECT_EQ(misc, (std::vector<std::uint16_t>{rid::kCodePage, rid::kWindow1, 0x8000 | rid::kFont,
                                                0x8000 | rid::kFormat, 0x8000 | rid::kXf,
                                                rid::kStyle, rid::kDateMode}));
    EXPECT_EQ(globals.Fonts.size(), 2u);
    EXPECT_EQ(globals.Xfs.size(), 2u);
    EXPECT_EQ(globals.PaletteInsertPosition, 6u);
    EXPECT_EQ(globals.DateMode, globals.Misc.back().get());
    EXPECT_EQ(globals.BoundSheets.size(), 1u);
}

} // namespace
} // namespace orq::xls
