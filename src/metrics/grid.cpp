#include "metrics/grid.h"

#include <stdexcept>

namespace orq {

TGrid::TGrid(int colCount, int rowCount)
    : ColWidths(static_cast<std::size_t>(colCount), 64),
      RowHeights(static_cast<std::size_t>(rowCount), 18), colCount_(colCount), rowCount_(rowCount),
      cells_(static_cast<std::size_t>(colCount) * static_cast<std::size_t>(rowCount)) {}

TGridCell& TGrid::Cell(int col, int row) {
    if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount_)
        throw std::out_of_range("grid cell out of range");
    return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(colCount_) +
                  static_cast<std::size_t>(col)];
}

const TGridCell& TGrid::Cell(int col, int row) const {
    return const_cast<TGrid*>(this)->Cell(col, row);
}

void TGrid::SetDefaultRowHeight(int height) {
    DefaultRowHeight = height;
    for (int& rowHeight : RowHeights)
        rowHeight = height;
}

void TGrid::ClearCells() {
    for (TGridCell& cell : cells_)
        cell = TGridCell{};
}

std::vector<std::string> TGrid::RowTexts(int row) const {
    std::vector<std::string> texts;
    for (int col = 0; col < colCount_; ++col)
        texts.push_back(Cell(col, row).Text);
    return texts;
}

} // namespace orq
