// The cell store: values of every cell kind, RK decoding, MULRK and MULBLANK expansion, row
// counting, lookup bounds, the three sheet edits and their net effect, shared-string references;
// and the values of the fixtures written by xlwt and LibreOffice.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <variant>

#include "base/utf.h"
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

Bytes Book(const Biff& body, const std::vector<Bytes>& sst = {}) {
    return testing::OneSheetBook(body, sst);
}

using testing::FailureOf;
using testing::FileOf;

std::unique_ptr<TTavroImport> Open(const Bytes& workbook) {
    auto import = testing::OpenWorkbook(workbook);
    import->SetActiveSheet(1);
    return import;
}

const TSST& SstOf(TTavroImport& import) {
    return FileOf(import).Workbook().Globals.Sst;
}

TCellValue W(const char16_t* text) {
    return std::u16string(text);
}
TCellValue N(double number) {
    return number;
}
TCellValue T8(const char* text) {
    return std::string(text);
}
TCellValue B(bool value) {
    return value;
}
const TCellValue kEmpty;

TEST(Cells, RkValues) {
    struct Case {
        std::uint32_t rk;
        double value;
    } cases[] = {
        {0x00000F3E, 975},  // 30-bit integer
        {0x00000F3F, 9.75}, // integer / 100
        {0x3FF00000, 1.0},  // upper bits of a double
        {0x3FF00001, 0.01}, // double / 100
        {0xFFFFFFFE, -1.0}, // negative integer
        {0x80000002, -536870912.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rk);
        EXPECT_EQ(DecodeRk(c.rk), c.value);
    }
    // RK values read from a sheet are numbers, also when whole.
    auto import = Open(Book(Biff().Rk(0, 0, 0x00000F3E)));
    EXPECT_EQ(import->CellValue(1, 1), N(975));
}

TEST(Cells, ValueOfEveryCellKind) {
    Biff body;
    body.Number(0, 0, 39667.604166)
        .Rk(0, 1, 0x00000F3F)
        .BoolErr(0, 2, 1, 0)
        .BoolErr(0, 3, 0, 0)
        .Blank(0, 4)
        .Label(0, 5, Str8("caf\xE9"))
        .Label(0, 6, Str16(u"\u5F20\u4F1F"))
        .LabelSst(0, 7, 0);
    const std::uint8_t codes[] = {0x00, 0x07, 0x0F, 0x17, 0x1D, 0x24, 0x2A, 0x99};
    for (std::uint16_t i = 0; i < 8; ++i)
        body.BoolErr(1, i, codes[i], 1);
    body.Formula(2, 0, Biff::NumberResult(3.5))
        .Formula(2, 1, Biff::Special(0))
        .String(Str8("abc"))
        .Formula(2, 2, Biff::Special(0))
        .Formula(2, 3, Biff::Special(1, 1))
        .Formula(2, 4, Biff::Special(1, 2))
        .Formula(2, 5, Biff::Special(2, 0x07))
        .Formula(2, 6, Biff::Special(2, 0x99))
        .Formula(2, 7, Biff::Special(3));
    auto import = Open(Book(body, {Str8("shared")}));

    struct Case {
        int row, column;
        TCellValue value;
    } cases[] = {
        {1, 1, N(39667.604166)}, // a date-time stays its serial number
        {1, 2, N(9.75)},
        {1, 3, true},
        {1, 4, false},
        {1, 5, kEmpty},          // BLANK
        {1, 6, W(u"caf\u00E9")}, // LABEL, 8-bit
        {1, 7, W(u"\u5F20\u4F1F")},
        {1, 8, W(u"shared")},
        {2, 1, W(u"#NULL!")},
        {2, 2, W(u"#DIV/0!")},
        {2, 3, W(u"#VALUE!")},
        {2, 4, W(u"#REF!")},
        {2, 5, W(u"#NAME?")},
        {2, 6, W(u"#NUM!")},
        {2, 7, W(u"#N/A")},
        {2, 8, W(u"#NULL!")}, // unknown error code
        {3, 1, N(3.5)},
        {3, 2, W(u"abc")}, // text result from its STRING
        {3, 3, T8("")},    // text result without a STRING
        {3, 4, true},
        {3, 5, false},         // only the value 1 is true
        {3, 6, T8("#DIV/0!")}, // errors of formulas are 8-bit text
        {3, 7, kEmpty},        // unknown error code
        {3, 8, kEmpty},        // empty result
        {3, 9, kEmpty},        // no cell
        {4, 1, kEmpty},        // beyond the last row
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.row) + "," + ::testing::PrintToString(c.column));
        EXPECT_EQ(import->CellValue(c.row, c.column), c.value);
    }
    // Reading a formula marks it to be calculated on open (option bit 0x0002).
    const TWorkSheet* sheet = FileOf(*import).ActiveWorkSheet();
    const TCell* formula = sheet->Cells.Find(2, 0);
    ASSERT_NE(formula, nullptr);
    EXPECT_EQ(ReadU16LE(sheet->Cells.PooledRecord(*formula)->Data, 14) & 0x0002, 0x0002);
    EXPECT_TRUE(sheet->Cells.CellInfo(2, 0).IsFormula);
}

// A value with its text as UTF-8, so that a row read and single lookups can be compared.
TCellValue Utf8Of(const TCellValue& value) {
    if (const auto* wide = std::get_if<std::u16string>(&value)) {
        std::string text;
        Utf16ToUtf8Into(*wide, text);
        return text;
    }
    return value;
}

// Every row of every sheet read at once gives what single lookups give.
void ExpectRowValuesMatchLookups(TTavroImport& import, int sheets, std::size_t columns) {
    std::vector<TCellValue> values(columns, T8("a text longer than any buffer's first size"));
    for (int sheet = 1; sheet <= sheets; ++sheet) {
        import.SetActiveSheet(sheet);
        for (int row = 1; row <= import.RowCount() + 1; ++row) {
            import.RowValues(row, values);
            for (std::size_t i = 0; i < columns; ++i) {
                SCOPED_TRACE(::testing::PrintToString(sheet) + ":" + ::testing::PrintToString(row) +
                             "," + ::testing::PrintToString(i + 1));
                EXPECT_EQ(Utf8Of(values[i]),
                          Utf8Of(import.CellValue(row, static_cast<int>(i) + 1)));
            }
        }
    }
}

TEST(Cells, RowValuesGiveTheLookupValuesWithSharedStringsAsUtf8) {
    Biff body;
    // Row 1: cells out of column order, two records for column 3, a cell beyond the columns read.
    body.LabelSst(0, 4, 3)
        .LabelSst(0, 0, 0)
        .Number(0, 2, 1)
        .Number(0, 2, 2)
        .LabelSst(0, 1, 1)
        .LabelSst(0, 3, 2)
        .Label(0, 5, Str8("label"))
        .BoolErr(0, 6, 0x07, 1)
        .Formula(0, 7, Biff::Special(0))
        .String(Str8("formula text"))
        .Rk(0, 9, 0x00000F3E)
        .LabelSst(0, 30, 0);
    // Row 2 left empty; row 3: a lone cell in the middle, shorter strings than row 1's.
    body.LabelSst(2, 5, 4).Blank(2, 6);
    const std::vector<Bytes> sst = {
        Str8("plain ASCII text, longer than fifteen"),
        Str8("caf\xE9 cr\xE8me"),
        Str16(u"\U0001F600 pair, \u5F20\u4F1F"),
        Str16(std::u16string(u"lone ") + char16_t(0xD800) + u" high, low " + char16_t(0xDC00)),
        Str8("x"),
    };
    auto import = Open(Book(body, sst));

    std::vector<TCellValue> values(12);
    import->RowValues(1, values);
    EXPECT_EQ(values[0], T8("plain ASCII text, longer than fifteen"));
    EXPECT_EQ(values[1], T8("caf\u00E9 cr\u00E8me"));
    EXPECT_EQ(values[2], N(2)); // the later record of the column, as a lookup finds it
    EXPECT_EQ(values[3], T8("\U0001F600 pair, \u5F20\u4F1F"));
    EXPECT_EQ(values[4], T8("lone \uFFFD high, low \uFFFD"));
    EXPECT_EQ(values[5], W(u"label"));
    EXPECT_EQ(values[6], W(u"#DIV/0!"));
    EXPECT_EQ(values[7], W(u"formula text"));
    EXPECT_EQ(values[8], kEmpty);
    EXPECT_EQ(values[9], N(975));
    EXPECT_EQ(values[10], kEmpty);
    import->RowValues(3, values); // the text buffers of row 1 are written over
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(values[i], i == 5 ? T8("x") : kEmpty) << i;

    ExpectRowValuesMatchLookups(*import, 1, 40);
    std::vector<TCellValue> all(256);
    import->RowValues(65536, all);
    EXPECT_EQ(FailureOf([&] { import->RowValues(65537, values); }), "Invalid Row (65536)");
    EXPECT_EQ(FailureOf([&] { import->RowValues(0, values); }), "Invalid Row (-1)");
    all.resize(257);
    EXPECT_EQ(FailureOf([&] { import->RowValues(1, all); }), "Invalid Column (256)");
}

TEST(Cells, MulRkAndMulBlankExpandIntoSingleCells) {
    Bytes mulrk;
    Put16(mulrk, 4); // row
    Put16(mulrk, 2); // first column
    for (std::uint32_t rk : {0x00000F3Eu, 0x00000F3Fu, 0x3FF00000u}) {
        Put16(mulrk, 21);
        Put32(mulrk, rk);
    }
    Put16(mulrk, 4); // last column
    ASSERT_EQ(mulrk.size(), 24u);
    Bytes mulblank;
    Put16(mulblank, 6);
    Put16(mulblank, 0);
    for (int xf : {30, 31, 32})
        Put16(mulblank, static_cast<std::uint16_t>(xf));
    Put16(mulblank, 2);
    auto import = Open(Book(Biff().Record(rid::kMulRk, mulrk).Record(rid::kMulBlank, mulblank)));
    EXPECT_EQ(import->CellValue(5, 2), kEmpty);
    EXPECT_EQ(import->CellValue(5, 3), N(975));
    EXPECT_EQ(import->CellValue(5, 4), N(9.75));
    EXPECT_EQ(import->CellValue(5, 5), N(1.0));
    EXPECT_EQ(import->CellValue(5, 6), kEmpty);
    EXPECT_EQ(import->UsedColumns(5), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(import->UsedColumns(7), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(import->RowCount(), 7); // blank cells count as used
    const TCells& cells = FileOf(*import).ActiveWorkSheet()->Cells;
    EXPECT_EQ(cells.CellInfo(4, 3).Xf, 21);
    EXPECT_EQ(cells.CellInfo(6, 2).Xf, 32);
}

TEST(Cells, RowCountFollowsRowRecordsAndCells) {
    auto onlyRow = Open(Book(Biff().Row(19)));
    EXPECT_EQ(onlyRow->RowCount(), 20);
    for (int row = 1; row <= 21; ++row)
        EXPECT_EQ(onlyRow->CellValue(row, 1), kEmpty);

    EXPECT_EQ(Open(Book(Biff()))->RowCount(), 0);

    // Cells without ROW records get reader-made ones.
    auto cellsOnly = Open(Book(Biff().Number(0, 3, 1).Number(5, 1, 2).Row(2)));
    EXPECT_EQ(cellsOnly->RowCount(), 6);
    const TCells& cells = FileOf(*cellsOnly).ActiveWorkSheet()->Cells;
    for (std::size_t row : {0u, 5u}) {
        const TBaseRecord* record = cells.RowRecord(row);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->Data, (Bytes{static_cast<std::uint8_t>(row), 0, 0, 0, 0, 0, 255, 0, 0, 0,
                                       0, 0, 0, 1, 15, 0}));
    }
    EXPECT_EQ(cells.RowRecord(1), nullptr);
}

TEST(Cells, LookupBoundsAndUnsortedRows) {
    auto import = Open(Book(Biff().Number(0, 5, 5).Number(0, 1, 1).Number(0, 3, 3)));
    EXPECT_EQ(import->CellValue(1, 2), N(1));
    EXPECT_EQ(import->CellValue(1, 4), N(3));
    EXPECT_EQ(import->CellValue(1, 6), N(5));
    EXPECT_EQ(import->CellValue(1, 3), kEmpty);
    EXPECT_EQ(import->CellValue(60000, 1), kEmpty);
    EXPECT_EQ(import->CellValue(65536, 256), kEmpty);
    EXPECT_EQ(FailureOf([&] { import->CellValue(65537, 1); }), "Invalid Row (65536)");
    EXPECT_EQ(FailureOf([&] { import->CellValue(0, 1); }), "Invalid Row (-1)");
    EXPECT_EQ(FailureOf([&] { import->CellValue(1, 257); }), "Invalid Column (256)");
    EXPECT_EQ(FailureOf([&] { import->CellValue(1, 0); }), "Invalid Column (-1)");
}

TEST(Cells, RowsWhoseCellsComeApartInTheFile) {
    // Row 1's cells arrive in two runs with row 2 between them, the last one out of order.
    Bytes longRow = Biff().Row(3).bytes;
    longRow.resize(longRow.size() + 4, 0xAB);
    longRow[2] = 20; // size field: 20 bytes
    auto import = Open(Book(Biff()
                                .Number(0, 0, 1)
                                .Number(1, 0, 10)
                                .Number(0, 4, 5)
                                .Number(1, 1, 11)
                                .Number(0, 2, 3)
                                .Raw(longRow)));
    EXPECT_EQ(import->UsedColumns(1), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(import->UsedColumns(2), (std::vector<int>{1, 2}));
    EXPECT_EQ(import->CellValue(1, 3), N(3));
    EXPECT_EQ(import->CellValue(1, 5), N(5));
    EXPECT_EQ(import->CellValue(2, 2), N(11));
    EXPECT_EQ(import->RowCount(), 4);
    const TCells& cells = FileOf(*import).ActiveWorkSheet()->Cells;
    EXPECT_EQ(cells.RowRecord(3)->Data.size(), 20u); // a longer ROW record keeps every byte

    import->DeleteColumns(1, 1);
    EXPECT_EQ(import->UsedColumns(1), (std::vector<int>{2, 4}));
    EXPECT_EQ(import->UsedColumns(2), (std::vector<int>{1}));
    import->InsertAndCopyColumns(1, 1, 1, 1);
    EXPECT_EQ(import->CellValue(2, 1), N(11));
    EXPECT_EQ(import->CellValue(2, 2), N(11));
    EXPECT_EQ(import->CellValue(1, 5), N(5));
    import->DeleteRows(1, 1);
    EXPECT_EQ(import->CellValue(1, 2), N(11));
    EXPECT_EQ(import->RowCount(), 3);
}

TEST(CellEdits, ArgumentChecks) {
    struct Case {
        int first, last, destination, count;
        bool accepted;
    } cases[] = {
        {6, 6, 7, 1, true},                             // copy right of the source
        {6, 6, 6, 1, true},                             // the program's first edit
        {24, 24, 23, 1, true},                          // the program's second edit
        {1, 128, 1, 1, true},    {2, 4, 3, 1, false},   // destination inside the source
        {2, 4, 4, 1, false},     {1, 128, 1, 2, false}, // 0 + 2 * 128 = 256 columns
        {5, 4, 6, 1, false},                            // last before first
        {0, 1, 5, 1, false},                            // first before column 1
        {1, 257, 300, 1, false}, {3, 3, 0, 1, false},   // destination before column 1
        {3, 3, 5, -1, false},                           // negative count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            ::testing::PrintToString(std::vector<int>{c.first, c.last, c.destination, c.count}));
        auto import = Open(Book(Biff().Number(0, 0, 1)));
        const std::string failure = FailureOf(
            [&] { import->InsertAndCopyColumns(c.first, c.last, c.destination, c.count); });
        EXPECT_EQ(failure,
                  c.accepted ? "(no failure)" : "Ivalid arguments to call InsertAndCopyRows");
    }
    auto import = Open(Book(Biff().Number(0, 0, 1)));
    EXPECT_EQ(FailureOf([&] { import->DeleteColumns(0, 1); }), "Invalid Column (-1)");
    EXPECT_EQ(FailureOf([&] { import->DeleteRows(0, 1); }), "Invalid Row (-1)");
    EXPECT_EQ(FailureOf([&] { import->DeleteRows(65537, 1); }), "Invalid Row (65536)");
}

TEST(CellEdits, ACellPushedPastTheLastColumnFailsTheEditUntouched) {
    auto import = Open(Book(Biff().Number(0, 0, 1).Number(1, 200, 2).Number(2, 255, 3)));
    EXPECT_EQ(FailureOf([&] { import->InsertAndCopyColumns(1, 1, 1, 1); }),
              "Too many entries for this kind of record (256 out of a maximum of 255)");
    EXPECT_EQ(import->CellValue(1, 1), N(1));
    EXPECT_EQ(import->CellValue(2, 201), N(2));
    EXPECT_EQ(import->CellValue(3, 256), N(3));
    EXPECT_EQ(FailureOf([&] { import->InsertAndCopyColumns(1, 1, 150, 56); }),
              "Too many entries for this kind of record (256 out of a maximum of 255)");
    EXPECT_EQ(import->CellValue(2, 201), N(2));
}

// One row of 28 columns whose cell in column k (1-based) holds k in some kind of cell.
Biff OldLayoutRows(int rows) {
    Biff body;
    for (std::uint16_t row = 0; row < rows; ++row) {
        body.Row(row, 0, 28);
        for (std::uint16_t column = 0; column < 28; ++column) {
            const int k = column + 1;
            const std::string text = "c" + std::to_string(k);
            switch (k % 4) {
            case 0:
                body.Number(row, column, k);
                break;
            case 1:
                body.Label(row, column, Str8(text));
                break;
            case 2:
                body.Formula(row, column, Biff::NumberResult(k));
                break;
            default:
                body.LabelSst(row, column, static_cast<std::uint32_t>(column));
                break;
            }
        }
    }
    return body;
}

std::vector<Bytes> ColumnStrings() {
    std::vector<Bytes> sst;
    for (int k = 1; k <= 28; ++k)
        sst.push_back(Str8("c" + std::to_string(k)));
    return sst;
}

TCellValue OldValue(int k) {
    if (k % 4 == 0 || k % 4 == 2) return N(k);
    const std::string text = "c" + std::to_string(k);
    return std::u16string(text.begin(), text.end());
}

TEST(CellEdits, NetEffectOfTheOldLayoutEdits) {
    auto import = Open(Book(OldLayoutRows(3), ColumnStrings()));
    const int rows = import->RowCount();
    import->InsertAndCopyColumns(6, 6, 6, 1);
    import->InsertAndCopyColumns(24, 24, 23, 1);
    import->DeleteColumns(25, 1);
    EXPECT_EQ(import->RowCount(), rows);
    EXPECT_TRUE(FileOf(*import).Modified());

    auto old = [](int k) {
        if (k <= 6) return k;
        if (k == 7) return 6;
        if (k <= 22) return k - 1;
        if (k == 23) return 23;
        if (k == 24) return 22;
        return k - 1;
    };
    for (int row = 1; row <= 3; ++row) {
        for (int k = 1; k <= 29; ++k) {
            SCOPED_TRACE(::testing::PrintToString(row) + "," + ::testing::PrintToString(k));
            EXPECT_EQ(import->CellValue(row, k), OldValue(old(k)));
        }
        EXPECT_EQ(import->CellValue(row, 30), kEmpty);
    }
    const TCells& cells = FileOf(*import).ActiveWorkSheet()->Cells;
    // ROW records span the moved cells; kept records carry their new positions.
    const TBaseRecord* rowRecord = cells.RowRecord(1);
    EXPECT_EQ(ReadU16LE(rowRecord->Data, 2), 0);
    EXPECT_EQ(ReadU16LE(rowRecord->Data, 4), 29);
    for (int column = 0; column < 29; ++column) {
        const TCell* cell = cells.Find(2, column);
        ASSERT_NE(cell, nullptr);
        if (const TBaseRecord* record = cells.PooledRecord(*cell)) {
            EXPECT_EQ(ReadU16LE(record->Data, 0), 2);
            EXPECT_EQ(ReadU16LE(record->Data, 2), column);
        }
    }
    // Column 6 (a shared string) is referenced twice per row, column 23 once more; the copy
    // of column 23 that the last edit removed is gone again.
    const TSST& sst = SstOf(*import);
    EXPECT_EQ(sst.RefCount(sst.EntryPosition(2)), 3);  // "c3": untouched
    EXPECT_EQ(sst.RefCount(sst.EntryPosition(22)), 3); // "c23": copied, then deleted
}

TEST(CellEdits, InsertAndCopyColumnsPutsCopiesBesideTheSource) {
    auto import = Open(Book(OldLayoutRows(1), ColumnStrings()));
    import->InsertAndCopyColumns(6, 7, 10, 2); // two copies of columns 6 and 7 from 10 on
    for (int k = 1; k <= 9; ++k)
        EXPECT_EQ(import->CellValue(1, k), OldValue(k));
    for (int k : {10, 12})
        EXPECT_EQ(import->CellValue(1, k), OldValue(6));
    for (int k : {11, 13})
        EXPECT_EQ(import->CellValue(1, k), OldValue(7));
    for (int k = 14; k <= 32; ++k)
        EXPECT_EQ(import->CellValue(1, k), OldValue(k - 4));
    const TSST& sst = SstOf(*import);
    EXPECT_EQ(sst.RefCount(sst.EntryPosition(6)), 3); // "c7" and its two copies
}

TEST(CellEdits, DeleteRowsMovesTheRowsBelowUp) {
    Biff body;
    for (std::uint16_t row = 0; row < 5; ++row) {
        body.Row(row, 0, 2).Number(row, 0, row + 1);
        body.Label(row, 1, Str8("r" + std::to_string(row + 1)));
    }
    body.Row(9);
    auto import = Open(Book(body));
    EXPECT_EQ(import->RowCount(), 10);
    import->DeleteRows(2, 1);
    EXPECT_EQ(import->RowCount(), 9);
    EXPECT_EQ(import->CellValue(1, 1), N(1));
    EXPECT_EQ(import->CellValue(2, 1), N(3));
    EXPECT_EQ(import->CellValue(2, 2), W(u"r3"));
    EXPECT_EQ(import->CellValue(4, 1), N(5));
    EXPECT_EQ(import->CellValue(5, 1), kEmpty);
    const TCells& cells = FileOf(*import).ActiveWorkSheet()->Cells;
    EXPECT_EQ(ReadU16LE(cells.RowRecord(3)->Data, 0), 3);
    EXPECT_EQ(ReadU16LE(cells.PooledRecord(*cells.Find(3, 1))->Data, 0), 3);
    EXPECT_EQ(ReadU16LE(cells.RowRecord(8)->Data, 0), 8);

    import->DeleteRows(100, 1); // past the end: nothing
    EXPECT_EQ(import->RowCount(), 9);
    import->DeleteRows(4, 100); // to the end
    EXPECT_EQ(import->RowCount(), 3);
    EXPECT_EQ(import->CellValue(3, 1), N(4));
    EXPECT_EQ(import->CellValue(4, 1), kEmpty);
}

TEST(CellEdits, DeleteColumnsReleasesTheirStrings) {
    auto import = Open(Book(OldLayoutRows(2), ColumnStrings()));
    import->DeleteColumns(2, 3);
    EXPECT_EQ(import->CellValue(1, 1), OldValue(1));
    for (int k = 2; k <= 25; ++k)
        EXPECT_EQ(import->CellValue(2, k), OldValue(k + 3));
    EXPECT_EQ(import->CellValue(2, 26), kEmpty);
    const TSST& sst = SstOf(*import);
    EXPECT_EQ(sst.RefCount(sst.EntryPosition(2)), 0); // "c3" was in a deleted column
    EXPECT_EQ(sst.RefCount(sst.EntryPosition(6)), 2);
    EXPECT_EQ(ReadU16LE(FileOf(*import).ActiveWorkSheet()->Cells.RowRecord(0)->Data, 4), 25);
}

TEST(CellEdits, ManyReferencesToOneStringNeverCountDownToZero) {
    // 70,000 cells share one string: more references than a 16-bit count holds.
    Biff body;
    for (int i = 0; i < 70000; ++i)
        body.LabelSst(static_cast<std::uint16_t>(i / 2), static_cast<std::uint16_t>(i % 2), 0);
    auto import = Open(Book(body, {Str8("Y")}));
    const TSST& sst = SstOf(*import);
    EXPECT_EQ(sst.RefCount(sst.EntryPosition(0)), TSST::kRefCountSaturated);
    import->DeleteRows(1, 30000);
    EXPECT_EQ(sst.RefCount(sst.EntryPosition(0)), TSST::kRefCountSaturated);
    EXPECT_EQ(import->CellValue(1, 1), W(u"Y"));
}

// ---- Fixtures written by other programs ---------------------------------------------------------

std::unique_ptr<TTavroImport> OpenFixture(const std::string& name) {
    auto import = TTavroImport::WithOwnAdapter();
    import->OpenFile(std::string(ORQ_SOURCE_DIR) + "/tests/fixtures/xls/" + name);
    return import;
}

TEST(CellFixtures, XlwtWorkbook) {
    auto import = OpenFixture("xlwt_cells.xls");
    EXPECT_EQ(import->CellValue(1, 3), W(u"caf\u00E9 \u00E9t\u00E9"));
    EXPECT_EQ(import->CellValue(1, 4), W(u"\u03A9mega \u2605"));
    EXPECT_EQ(import->CellValue(1, 5), W(u"45"));
    EXPECT_EQ(import->CellValue(2, 1), N(45));
    EXPECT_EQ(import->CellValue(2, 2), N(9.75));
    EXPECT_EQ(import->CellValue(2, 4), N(39667.604166));
    EXPECT_EQ(import->CellValue(3, 1), B(true));
    EXPECT_EQ(import->CellValue(4, 4), W(u"#DIV/0!"));
    EXPECT_EQ(import->CellValue(4, 9), W(u"#N/A"));
    EXPECT_EQ(import->UsedColumns(5), (std::vector<int>{1, 2, 3, 4, 5, 6, 8}));
    EXPECT_EQ(import->CellValue(6, 1), W(u"plain bold tail"));
    EXPECT_FALSE(FileOf(*import).ActiveWorkSheet()->Cells.CellInfo(5, 0).Runs.empty());
    EXPECT_EQ(import->CellValue(10 + 400 / 4 + 1, 10), W(u"last"));
    import->SetActiveSheet(2);
    EXPECT_EQ(import->RowCount(), 300);
    EXPECT_EQ(import->CellValue(300, 27), N(27));
    import->SetActiveSheet(3);
    EXPECT_EQ(import->RowCount(), 0);
}

TEST(CellFixtures, LibreOfficeWorkbook) {
    auto import = OpenFixture("lo_cells.xls");
    EXPECT_EQ(import->CellValue(1, 2), W(u"abc")); // formula text result with its STRING
    EXPECT_EQ(import->CellValue(1, 3), N(3));
    EXPECT_EQ(import->CellValue(1, 4), B(true));
    EXPECT_EQ(import->CellValue(1, 6), T8("#DIV/0!"));
    EXPECT_EQ(import->CellValue(1, 7), T8("#N/A"));
    EXPECT_EQ(import->CellValue(1, 9), W(u"Formulas"));
    EXPECT_EQ(import->CellValue(2, 6), N(975));
    EXPECT_EQ(import->CellValue(2, 7), N(9.75));
    EXPECT_EQ(import->CellValue(3, 1), N(39667.604166));
    EXPECT_EQ(import->UsedColumns(4), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(import->CellValue(4, 3), kEmpty);
    EXPECT_EQ(import->CellValue(5, 4), W(u"1/15/2008 10:30:00 AM"));
    import->SetActiveSheet(2);
    EXPECT_EQ(import->CellValue(2, 1), W(u"\u5F20\u4F1F"));
    EXPECT_EQ(import->CellValue(2, 2), N(20));
}

TEST(CellFixtures, RowValuesMatchLookupsInEveryFixture) {
    for (const char* name : {"xlwt_cells.xls", "lo_cells.xls"}) {
        SCOPED_TRACE(name);
        auto import = OpenFixture(name);
        ExpectRowValuesMatchLookups(*import, FileOf(*import).SheetCount(), 30);
    }
}

} // namespace
} // namespace orq::xls
