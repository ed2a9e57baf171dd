// The writer's edits of a worksheet's cell store: placing and removing single cells, giving rows
// their ROW records and dropping trailing rows.
#include <algorithm>

#include "xls/cells.h"

namespace orq::xls {

namespace {
bool ColumnBefore(const TCell& cell, std::uint16_t column) {
    return cell.Column < column;
}
} // namespace

TCell* TCells::FindMutable(int row, int column) {
    return const_cast<TCell*>(static_cast<const TCells&>(*this).Find(row, column));
}

void TCells::SetCell(std::uint16_t row, const TCell& cell) {
    if (row >= rows_.size()) rows_.resize(std::size_t{row} + 1);
    std::vector<TCell>& cells = RowList(row).Cells;
    auto it = std::lower_bound(cells.begin(), cells.end(), cell.Column, ColumnBefore);
    if (it != cells.end() && it->Column == cell.Column) {
        Release(*it);
        *it = cell;
    } else {
        cells.insert(it, cell);
    }
}

bool TCells::RemoveCell(std::uint16_t row, std::uint16_t column) {
    if (row >= rows_.size()) return false;
    std::vector<TCell>& cells = RowList(row).Cells;
    auto it = std::lower_bound(cells.begin(), cells.end(), column, ColumnBefore);
    if (it == cells.end() || it->Column != column) return false;
    Release(*it);
    cells.erase(it);
    return true;
}

TBaseRecord& TCells::EnsureRowRecord(std::uint16_t row) {
    if (row >= rowRecords_.size()) rowRecords_.resize(std::size_t{row} + 1);
    if (!rowRecords_[row]) rowRecords_[row] = MakeRowRecord(row);
    return *rowRecords_[row];
}

bool TCells::RowHasCells(std::size_t row) const {
    return row < rows_.size() && !rows_[row].Cells.empty();
}

void TCells::TruncateRows(std::size_t rows) {
    for (std::size_t r = rows; r < rows_.size(); ++r)
        for (const TCell& cell : rows_[r].Cells)
            Release(cell);
    if (rows_.size() > rows) rows_.resize(rows);
    if (rowRecords_.size() > rows) rowRecords_.resize(rows);
}

} // namespace orq::xls
