// The cell grid of the whole-file readers: cells in any order with the later of two winning,
// the rows, the three sheet edits the loader makes, the memory budget.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/grid_import.h"

namespace orq {
namespace {

// Row r as "column=value" items ("3=x", "5=2", "1=T").
std::vector<std::string> RowOf(const TGridSheet& sheet, int row) {
    std::vector<std::string> items;
    for (int column : sheet.UsedColumns(row)) {
        const TCellValue value = sheet.CellValue(row, column);
        std::string text = std::to_string(column) + "=";
        if (const auto* s = std::get_if<std::string>(&value)) text += *s;
        if (const auto* d = std::get_if<double>(&value))
            text += std::to_string(static_cast<int>(*d));
        if (const auto* b = std::get_if<bool>(&value)) text += *b ? "T" : "F";
        items.push_back(text);
    }
    return items;
}

using Row = std::vector<std::string>;

TGridSheet ThreeRows() {
    // Row 1: A..F; row 2: column 6 alone; row 3: empty but declared; added out of order.
    TGridSheet sheet;
    sheet.AddNumber(2, 6, 60);
    for (int column = 1; column <= 6; ++column)
        sheet.AddText(1, column, std::string(1, static_cast<char>('a' + column - 1)));
    sheet.NoteRow(3);
    sheet.Finish();
    return sheet;
}

TEST(GridSheet, CellsInAnyOrderAndTheLaterOfTwoWins) {
    TGridSheet sheet;
    const auto shared = sheet.Intern("shared");
    sheet.AddText(2, 3, shared);
    sheet.AddNumber(1, 2, 5);
    sheet.AddText(1, 1, shared);
    sheet.AddBoolean(1, 2, true); // over the number
    sheet.AddNumber(2, 1, 7);
    sheet.Finish();
    EXPECT_EQ(sheet.RowCount(), 2);
    EXPECT_EQ(RowOf(sheet, 1), (Row{"1=shared", "2=T"}));
    EXPECT_EQ(RowOf(sheet, 2), (Row{"1=7", "3=shared"}));
    std::array<TCellValue, 4> values;
    values[3] = std::string("stale");
    sheet.RowValues(2, values);
    EXPECT_EQ(values,
              (std::array<TCellValue, 4>{7.0, TCellValue(), std::string("shared"), TCellValue()}));
    // Past the rows and past the used columns: empty; outside the grid: the failures.
    EXPECT_EQ(sheet.CellValue(9, 1), TCellValue());
    EXPECT_THROW(sheet.CellValue(0, 1), Error);
    EXPECT_THROW(sheet.CellValue(1, kGridMaxColumn + 1), Error);
}

TEST(GridSheet, EditsOfTheOldLayout) {
    TGridSheet sheet = ThreeRows();
    // As the loader edits an old-layout list (here on six columns): a copy of column 3 at 3,
    // then 5 copied before 4, then 6 dropped.
    sheet.InsertAndCopyColumns(3, 3, 3, 1);
    EXPECT_EQ(RowOf(sheet, 1), (Row{"1=a", "2=b", "3=c", "4=c", "5=d", "6=e", "7=f"}));
    EXPECT_EQ(RowOf(sheet, 2), (Row{"7=60"}));
    sheet.InsertAndCopyColumns(6, 6, 5, 1);
    EXPECT_EQ(RowOf(sheet, 1), (Row{"1=a", "2=b", "3=c", "4=c", "5=e", "6=d", "7=e", "8=f"}));
    sheet.DeleteColumns(7, 1);
    EXPECT_EQ(RowOf(sheet, 1), (Row{"1=a", "2=b", "3=c", "4=c", "5=e", "6=d", "7=f"}));
    EXPECT_EQ(RowOf(sheet, 2), (Row{"7=60"}));
    // Two copies of a two-column range, to the right of it.
    sheet.InsertAndCopyColumns(1, 2, 8, 2);
    EXPECT_EQ(RowOf(sheet, 1),
              (Row{"1=a", "2=b", "3=c", "4=c", "5=e", "6=d", "7=f", "8=a", "9=b", "10=a", "11=b"}));
}

TEST(GridSheet, DeletedRowsMoveTheRestUp) {
    TGridSheet sheet = ThreeRows();
    sheet.DeleteRows(1, 1);
    EXPECT_EQ(sheet.RowCount(), 2);
    EXPECT_EQ(RowOf(sheet, 1), (Row{"6=60"}));
    sheet.DeleteRows(5, 3); // past the rows: nothing
    EXPECT_EQ(sheet.RowCount(), 2);
    sheet.DeleteRows(1, 9);
    EXPECT_EQ(sheet.RowCount(), 0);
}

TEST(GridSheet, RefusedEdits) {
    TGridSheet sheet = ThreeRows();
    struct Case {
        int first, last, destination, count;
    };
    for (const Case& c : std::vector<Case>{{3, 2, 1, 1},  // range backwards
                                           {0, 1, 3, 1},  // column 0
                                           {2, 4, 3, 1},  // destination inside the range
                                           {1, 1, 1, -1}, // negative count
                                           {1, 1, kGridMaxColumn, 1}}) {
        EXPECT_THROW(sheet.InsertAndCopyColumns(c.first, c.last, c.destination, c.count), Error)
            << c.first << " " << c.last << " " << c.destination << " " << c.count;
    }
    // A cell pushed past the last column fails the edit before anything moved.
    TGridSheet wide;
    wide.AddNumber(1, kGridMaxColumn - 1, 1);
    wide.AddNumber(1, 1, 2);
    wide.Finish();
    EXPECT_THROW(wide.InsertAndCopyColumns(1, 1, 1, 2), Error);
    EXPECT_EQ(wide.UsedColumns(1), (std::vector<int>{1, kGridMaxColumn - 1}));
    EXPECT_THROW(sheet.DeleteColumns(0, 1), Error);
    EXPECT_THROW(sheet.DeleteRows(0, 1), Error);
}

TEST(GridSheet, MemoryBudget) {
    TGridSheet sheet(1000, "big.csv");
    try {
        for (int row = 1; row <= 1000; ++row)
            sheet.AddText(row, 1, "some text");
        FAIL() << "the budget was not kept";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Can't read file \"big.csv\"");
    }
}

} // namespace
} // namespace orq
