// Workbooks as other writers make them: two records for one cell, a workbook stream named
// "Book", formulas under the older record id.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <variant>
#include <vector>

#include "biff_builder.h"
#include "xls/tavro_import.h"

namespace orq::xls {
namespace {

using testing::Biff;
using testing::Bytes;
using testing::Cat;
using testing::CompoundFile;
using testing::FileOf;
using testing::OneSheetBook;
using testing::Put16;
using testing::Str8;

// A MULBLANK over columns first..last of a row.
Bytes MulBlank(std::uint16_t row, std::uint16_t first, std::uint16_t last) {
    Bytes data;
    Put16(data, row);
    Put16(data, first);
    for (int c = first; c <= last; ++c)
        Put16(data, 15);
    Put16(data, last);
    return data;
}

TEST(OtherWriters, TheLaterOfTwoRecordsForOneCellWins) {
    // Row 0: blanks first, the values after them (as some writers emit a formatted row).
    // Row 1: a value, then a blank over it. Row 2: two values for one cell, out of order.
    const std::vector<Bytes> sst = {Str8("first"), Str8("second")};
    Biff body;
    body.Record(rid::kMulBlank, MulBlank(0, 0, 3))
        .Number(0, 1, 12.5)
        .LabelSst(0, 3, 1)
        .LabelSst(1, 0, 0)
        .Blank(1, 0)
        .Number(2, 2, 1)
        .Label(2, 0, Str8("left"))
        .LabelSst(2, 2, 0);
    auto import = testing::OpenWorkbook(OneSheetBook(body, sst));

    EXPECT_EQ(import->CellValue(1, 2), TCellValue(12.5));
    EXPECT_EQ(import->CellValue(1, 4), TCellValue(std::u16string(u"second")));
    EXPECT_EQ(import->CellValue(1, 1), TCellValue());
    EXPECT_EQ(import->CellValue(2, 1), TCellValue());
    EXPECT_EQ(import->CellValue(3, 3), TCellValue(std::u16string(u"first")));
    EXPECT_EQ(import->UsedColumns(1), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(import->UsedColumns(3), (std::vector<int>{1, 3}));

    // The row read gives the same values.
    std::array<TCellValue, 4> row;
    import->RowValues(1, row);
    EXPECT_EQ(row[1], TCellValue(12.5));
    EXPECT_EQ(row[3], TCellValue(std::string("second")));
    import->RowValues(3, row);
    EXPECT_EQ(row[2], TCellValue(std::string("first")));

    // The edits see one cell per column.
    import->InsertAndCopyColumns(3, 3, 3, 1);
    EXPECT_EQ(import->CellValue(3, 3), TCellValue(std::u16string(u"first")));
    EXPECT_EQ(import->CellValue(3, 4), TCellValue(std::u16string(u"first")));
    EXPECT_EQ(import->UsedColumns(3), (std::vector<int>{1, 3, 4}));
}

TEST(OtherWriters, WorkbookStreamNamedBook) {
    const Bytes book = OneSheetBook(Biff().Label(0, 0, Str8("from Book")));
    auto import = TTavroImport::WithOwnAdapter();
    import->OpenMemory(CompoundFile(book, "Book"));
    EXPECT_EQ(import->CellValue(1, 1), TCellValue(std::u16string(u"from Book")));
    // The workbook is saved as "Workbook" alone: "Book" is not kept as another stream.
    for (const TXlsStorage& item : FileOf(*import).Storages())
        EXPECT_NE(item.name, "Book");

    // With both, "Workbook" is the workbook and "Book" one more stream.
    Bytes both;
    {
        auto storage = TOle2Storage::CreateInMemory(both);
        const Bytes other = OneSheetBook(Biff().Label(0, 0, Str8("from Workbook")));
        {
            TOle2Stream stream(*storage, "Book");
            stream.Write(book.data(), book.size());
        }
        {
            TOle2Stream stream(*storage, "Workbook");
            stream.Write(other.data(), other.size());
        }
        storage->Close();
    }
    import->OpenMemory(both);
    EXPECT_EQ(import->CellValue(1, 1), TCellValue(std::u16string(u"from Workbook")));
    ASSERT_EQ(FileOf(*import).Storages().size(), 1u);
    EXPECT_EQ(FileOf(*import).Storages()[0].name, "Book");
}

TEST(OtherWriters, FormulaUnderTheOlderIdReadsItsCachedResult) {
    Biff body;
    body.Formula(0, 0, Biff::NumberResult(42)).Formula(0, 1, Biff::Special(0)); // a text result
    body.String(Str8("text result"));
    // Both FORMULA records under id 0x0406.
    for (std::size_t at = 0; at + 4 <= body.bytes.size();) {
        const auto id = static_cast<std::uint16_t>(body.bytes[at] | body.bytes[at + 1] << 8);
        const auto size = static_cast<std::size_t>(body.bytes[at + 2] | body.bytes[at + 3] << 8);
        if (id == rid::kFormula) body.bytes[at + 1] = 0x04;
        at += 4 + size;
    }
    auto import = testing::OpenWorkbook(OneSheetBook(body));
    EXPECT_EQ(import->CellValue(1, 1), TCellValue(42.0));
    EXPECT_EQ(import->CellValue(1, 2), TCellValue(std::u16string(u"text result")));
}

} // namespace
} // namespace orq::xls
