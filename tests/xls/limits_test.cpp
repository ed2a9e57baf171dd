// Crafted workbooks that ask for far more memory or time than their size: each is built small
// here and must be read within bounds or refused with the reader's message.
#include <gtest/gtest.h>

#include <malloc.h>

#include <string>

#include "biff_builder.h"
#include "xls/tavro_import.h"

namespace orq::xls {
namespace {

using testing::Biff;
using testing::Bytes;
using testing::Cat;
using testing::FailureOf;
using testing::FileOf;
using testing::Globals;
using testing::Put16;
using testing::Put32;
using testing::Sheet;

constexpr const char* kInvalid = "Error reading Excel records. File invalid";

std::vector<std::string> SheetNames(std::size_t count) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i)
        names.push_back("S" + std::to_string(i));
    return names;
}

// `count` copies of a worksheet substream after globals that name `named` sheets.
Bytes Book(std::size_t named, const Bytes& sheet, std::size_t count) {
    Bytes book = Globals(SheetNames(named)).bytes;
    for (std::size_t i = 0; i < count; ++i)
        book.insert(book.end(), sheet.begin(), sheet.end());
    return book;
}

Biff Dimensions(std::uint32_t rows, std::uint16_t columns) {
    Bytes data;
    Put32(data, 0);
    Put32(data, rows);
    Put16(data, 0);
    Put16(data, columns);
    Put16(data, 0);
    return Biff().Record(rid::kDimensions, data);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapMeasured = false; // the sanitizer's allocator is not the one measured
#else
constexpr bool kHeapMeasured = true;
#endif

// Bytes the heap hands out now, mapped blocks included.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Opens the workbook and returns what the open workbook holds on the heap.
std::size_t HeldByOpen(const Bytes& book, std::unique_ptr<TTavroImport>& import) {
    const Bytes file = testing::CompoundFile(book);
    const std::size_t before = HeapInUse();
    import = TTavroImport::WithOwnAdapter();
    import->OpenMemory(file);
    const std::size_t after = HeapInUse();
    return after > before ? after - before : 0;
}

// The bound every read keeps to: a fixed allowance and a multiple of the file's size.
std::size_t Bound(const Bytes& book) {
    return (std::size_t{64} << 20) + 16 * testing::CompoundFile(book).size();
}

TEST(ReadLimits, ACellOnTheLastRowOfManySheetsIsRefused) {
    // 34 bytes of sheet give its cell lists 65,536 rows; two hundred of them would take
    // about a gigabyte.
    const Bytes lastRow = Sheet(Biff().Blank(65535, 0));
    EXPECT_EQ(FailureOf([&] { testing::OpenWorkbook(Book(200, lastRow, 200)); }), kInvalid);

    // One such sheet, and a few, are read as before.
    std::unique_ptr<TTavroImport> import;
    const Bytes few = Book(3, lastRow, 3);
    const std::size_t held = HeldByOpen(few, import);
    EXPECT_EQ(FileOf(*import).RowCount(), 65536);
    if (kHeapMeasured) {
        EXPECT_LT(held, Bound(few));
    }
}

TEST(ReadLimits, SubstreamsBeyondTheNamedSheetsAreNotKept) {
    // One BOUNDSHEET and a thousand sheet substreams, each with a cell on the last row.
    const Bytes lastRow = Sheet(Biff().Blank(65535, 0).Number(0, 0, 7));
    std::unique_ptr<TTavroImport> import;
    const Bytes book = Book(1, lastRow, 1000);
    const std::size_t held = HeldByOpen(book, import);
    const TXLSFile& file = FileOf(*import);
    EXPECT_EQ(file.SheetCount(), 1);
    EXPECT_EQ(file.Workbook().Sheets.size(), 1u);
    EXPECT_EQ(std::get<double>(file.CellValue(1, 1)), 7.0);
    if (kHeapMeasured) {
        EXPECT_LT(held, Bound(book));
    }

    // A passed-over substream must still be whole: a header cut short is damage.
    Bytes cut = Book(1, lastRow, 2);
    cut.resize(cut.size() - 2);
    EXPECT_EQ(FailureOf([&] { testing::OpenWorkbook(cut); }), kInvalid);
}

TEST(ReadLimits, DimensionsReserveNoMoreThanTheStreamCanFill) {
    // Every sheet announces 65,536 x 256 cells; the stream has a long tail of padding after
    // them. The workbook opens, and what it reserves stays within the bound.
    const Bytes huge = Sheet(Dimensions(65536, 256).Number(3, 0, 1));
    Bytes book = Book(500, huge, 500);
    book.resize(book.size() + (1 << 20), 0);
    std::unique_ptr<TTavroImport> import;
    const std::size_t held = HeldByOpen(book, import);
    EXPECT_EQ(FileOf(*import).SheetCount(), 500);
    EXPECT_EQ(std::get<double>(FileOf(*import).CellValue(4, 1)), 1.0);
    if (kHeapMeasured) {
        EXPECT_LT(held, Bound(book));
    }
}

TEST(ReadLimits, TinyRecordsBeyondTheAllowanceAreRefused) {
    // Records with empty bodies are each a record object: a stream of nothing else would take
    // about twenty times its size.
    Biff tiny;
    tiny.Bof(kBofGlobals);
    for (int i = 0; i < 1'000'000; ++i)
        tiny.Record(0x0042, {});
    tiny.Eof();
    EXPECT_EQ(FailureOf([&] { testing::OpenWorkbook(tiny.bytes); }), kInvalid);

    // Records with real bodies are kept, however many.
    Biff plain;
    plain.Bof(kBofGlobals).BoundSheet("Sheet1");
    for (int i = 0; i < 100'000; ++i)
        plain.Record(0x0042, Bytes(16, 0));
    plain.Eof();
    std::unique_ptr<TTavroImport> import;
    const Bytes book = Cat({plain.bytes, Sheet(Biff().Number(0, 0, 2))});
    const std::size_t held = HeldByOpen(book, import);
    EXPECT_EQ(std::get<double>(FileOf(*import).CellValue(1, 1)), 2.0);
    if (kHeapMeasured) {
        EXPECT_LT(held, Bound(book));
    }
}

TEST(ReadLimits, MulBlankYieldsNoCellsRightOfTheLastColumn) {
    // A MULBLANK claiming 4,000 columns from column 250: six cells, 250 to 255.
    Bytes data;
    Put16(data, 0);
    Put16(data, 250);
    for (int i = 0; i < 4000; ++i)
        Put16(data, 15);
    Put16(data, 4249);
    const auto import = testing::OpenWorkbook(
        Cat({Globals({"Sheet1"}).bytes, Sheet(Biff().Record(rid::kMulBlank, data))}));
    const auto& cells = FileOf(*import).ActiveWorkSheet()->Cells;
    const auto row = cells.SortedCells(0);
    ASSERT_EQ(row.size(), 6u);
    EXPECT_EQ(row.front().Column, 250);
    EXPECT_EQ(row.back().Column, 255);
}

// `rows` rows of MULBLANK cells over all 256 columns: 16 bytes of cell for 2 bytes of stream.
Biff DenseRows(int rows) {
    Biff sheet;
    for (int row = 0; row < rows; ++row) {
        Bytes data;
        Put16(data, static_cast<std::uint16_t>(row));
        Put16(data, 0);
        for (int column = 0; column <= kMaxColumn; ++column)
            Put16(data, 15);
        Put16(data, kMaxColumn);
        sheet.Record(rid::kMulBlank, data);
    }
    return sheet;
}

TEST(ReadLimits, CellsCountAgainstTheStreamsLimit) {
    // A sheet of nothing but full-width MULBLANK rows opens whole: every row ends at column 255.
    {
        std::unique_ptr<TTavroImport> import;
        const Bytes book = Cat({Globals({"Sheet1"}).bytes, Sheet(DenseRows(20'000))});
        const std::size_t held = HeldByOpen(book, import);
        const auto& cells = FileOf(*import).ActiveWorkSheet()->Cells;
        ASSERT_EQ(cells.RowListCount(), 20'000u);
        for (const std::size_t row : {std::size_t{0}, std::size_t{4095}, std::size_t{19'999}}) {
            const auto list = cells.SortedCells(row);
            ASSERT_EQ(list.size(), 256u) << row;
            EXPECT_EQ(list.front().Column, 0);
            EXPECT_EQ(list.back().Column, kMaxColumn);
        }
        if (kHeapMeasured) {
            EXPECT_LT(held, Bound(book));
        }
    }
    // The same cells after a million empty records the globals keep: the records alone stay
    // within the limit the whole stream gives, the cells on top of them do not.
    Biff globals;
    globals.Bof(kBofGlobals).BoundSheet("Sheet1");
    for (int i = 0; i < 1'000'000; ++i)
        globals.Record(0x0042, {});
    globals.Eof();
    EXPECT_EQ(FailureOf([&] {
                  testing::OpenWorkbook(Cat({globals.bytes, Sheet(DenseRows(8'000))}));
              }),
              kInvalid);
}

TEST(ReadLimits, ManySheetNamesAreCheckedInLinearTime) {
    // 200,000 distinct names: checked against every earlier name one by one, they take
    // minutes (scripts/hostile_inputs.sh times them).
    const auto import = testing::OpenWorkbook(Book(200'000, Sheet(Biff()), 1));
    EXPECT_EQ(FileOf(*import).SheetCount(), 200'000);

    // The last name repeating an early one is still found.
    std::vector<std::string> names = SheetNames(50'000);
    names.push_back("S17");
    EXPECT_EQ(FailureOf([&] { testing::OpenWorkbook(Globals(names).bytes); }),
              "Sheet name already exists: S17");
}

} // namespace
} // namespace orq::xls
