#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/color.h"

namespace orq {

enum class TAlign : std::uint8_t { Left, Center, Right };

// One cell of a window table: its text ("\r" breaks it into lines), alignment, colours and
// font style. An unset colour means the table's default.
struct TGridCell {
    std::string Text;
    TAlign Align = TAlign::Left;
    std::optional<TColor> Color;     // background
    std::optional<TColor> FontColor; // text
    bool Bold = false;
};

// A small table of text cells as a window shows it: column widths, row heights (pixels at 96
// dots per inch), fixed header rows and the cells, addressed as (column, row) from 0.
class TGrid {
public:
    TGrid() = default;
    TGrid(int colCount, int rowCount);

    int ColCount() const { return colCount_; }
    int RowCount() const { return rowCount_; }
    int FixedRows = 1;
    int DefaultRowHeight = 18;
    std::vector<int> ColWidths;  // one per column
    std::vector<int> RowHeights; // one per row

    TGridCell& Cell(int col, int row);
    const TGridCell& Cell(int col, int row) const;
    // Sets every row to the default height.
    void SetDefaultRowHeight(int height);
    // Clears every cell's text, colours, alignment and font style.
    void ClearCells();
    // The texts of one row, left to right.
    std::vector<std::string> RowTexts(int row) const;

private:
    int colCount_ = 0;
    int rowCount_ = 0;
    std::vector<TGridCell> cells_;
};

} // namespace orq
