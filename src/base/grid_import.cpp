#include "base/grid_import.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <utility>

#include "base/error.h"
#include "base/file.h"

namespace orq {

// ---- Sheet --------------------------------------------------------------------------------------

void TGridSheet::Charge(std::size_t bytes) {
    used_ += bytes;
    if (used_ > budget_) Fail(kMsgCantRead, name_.c_str());
}

TGridSheet::TText TGridSheet::Intern(std::string_view utf8) {
    if (utf8.size() > std::numeric_limits<std::uint32_t>::max()) Fail(kMsgCantRead, name_.c_str());
    Charge(utf8.size());
    TText text{pool_.size(), static_cast<std::uint32_t>(utf8.size())};
    pool_.append(utf8);
    return text;
}

void TGridSheet::Add(int row, int column, Kind kind, std::uint32_t length, std::uint64_t payload) {
    if (row < 1 || row > kGridMaxRow) Fail(kMsgInvalidRow, row - 1);
    if (column < 1 || column > kGridMaxColumn) Fail(kMsgInvalidColumn, column - 1);
    Charge(sizeof(Cell));
    Cell cell{static_cast<std::uint32_t>(row - 1), static_cast<std::uint16_t>(column - 1), kind,
              length, payload};
    if (!cells_.empty()) {
        const Cell& last = cells_.back();
        if (last.Row > cell.Row || (last.Row == cell.Row && last.Column >= cell.Column))
            inOrder_ = false;
    }
    cells_.push_back(cell);
}

void TGridSheet::AddNumber(int row, int column, double value) {
    Add(row, column, Kind::Number, 0, std::bit_cast<std::uint64_t>(value));
}

void TGridSheet::AddBoolean(int row, int column, bool value) {
    Add(row, column, Kind::Boolean, 0, value ? 1 : 0);
}

void TGridSheet::AddText(int row, int column, TText text) {
    Add(row, column, Kind::Text, text.Length, text.Offset);
}

void TGridSheet::Reserve(std::size_t cells, std::size_t textBytes) {
    const std::size_t left = budget_ > used_ ? budget_ - used_ : 0;
    textBytes = std::min(textBytes, left / 2);
    cells = std::min(cells, (left - textBytes) / sizeof(Cell));
    pool_.reserve(pool_.size() + textBytes);
    cells_.reserve(cells_.size() + cells);
}

void TGridSheet::NoteRow(int row) {
    if (row < 1 || row > kGridMaxRow) Fail(kMsgInvalidRow, row - 1);
    declaredRows_ = std::max(declaredRows_, row);
}

void TGridSheet::Finish() {
    if (!inOrder_) {
        // Stable: of two cells at one place the later one comes last and stays.
        std::stable_sort(cells_.begin(), cells_.end(), [](const Cell& a, const Cell& b) {
            return a.Row != b.Row ? a.Row < b.Row : a.Column < b.Column;
        });
        std::size_t kept = 0;
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            if (i + 1 < cells_.size() && cells_[i + 1].Row == cells_[i].Row &&
                cells_[i + 1].Column == cells_[i].Column)
                continue;
            cells_[kept++] = cells_[i];
        }
        cells_.resize(kept);
        inOrder_ = true;
    }
    const std::size_t rows =
        std::max<std::size_t>(static_cast<std::size_t>(declaredRows_),
                              cells_.empty() ? 0 : std::size_t{cells_.back().Row} + 1);
    Charge(rows * sizeof(Span));
    rows_.assign(rows, Span{});
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        Span& span = rows_[cells_[i].Row];
        if (span.Count == 0) span.First = static_cast<std::uint32_t>(i);
        ++span.Count;
    }
    finished_ = true;
}

std::span<const TGridSheet::Cell> TGridSheet::RowCells(int row) const {
    if (row < 1 || row > kGridMaxRow) Fail(kMsgInvalidRow, row - 1);
    if (row > RowCount()) return {};
    const Span& span = rows_[static_cast<std::size_t>(row - 1)];
    return std::span<const Cell>(cells_).subspan(span.First, span.Count);
}

void TGridSheet::Value(const Cell& cell, TCellValue& out) const {
    switch (cell.What) {
    case Kind::Number:
        out = std::bit_cast<double>(cell.Payload);
        return;
    case Kind::Boolean:
        out = cell.Payload != 0;
        return;
    case Kind::Text: {
        auto* text = std::get_if<std::string>(&out);
        if (!text) text = &out.emplace<std::string>();
        text->assign(pool_, cell.Payload, cell.Length);
        return;
    }
    }
}

TCellValue TGridSheet::CellValue(int row, int column) const {
    if (column < 1 || column > kGridMaxColumn) Fail(kMsgInvalidColumn, column - 1);
    const auto cells = RowCells(row);
    const auto c = static_cast<std::uint16_t>(column - 1);
    auto it =
        std::lower_bound(cells.begin(), cells.end(), c,
                         [](const Cell& cell, std::uint16_t key) { return cell.Column < key; });
    TCellValue value;
    if (it != cells.end() && it->Column == c) Value(*it, value);
    return value;
}

void TGridSheet::RowValues(int row, std::span<TCellValue> values) const {
    if (values.size() > static_cast<std::size_t>(kGridMaxColumn))
        Fail(kMsgInvalidColumn, kGridMaxColumn);
    std::size_t next = 0;
    for (const Cell& cell : RowCells(row)) {
        if (cell.Column >= values.size()) break;
        for (; next < cell.Column; ++next)
            values[next] = std::monostate{};
        Value(cell, values[next++]);
    }
    for (; next < values.size(); ++next)
        values[next] = std::monostate{};
}

std::vector<int> TGridSheet::UsedColumns(int row) const {
    std::vector<int> columns;
    for (const Cell& cell : RowCells(row))
        columns.push_back(cell.Column + 1);
    return columns;
}

template <typename Edit> void TGridSheet::Rebuild(Edit edit) {
    std::vector<Cell> cells;
    cells.reserve(cells_.size());
    for (Span& span : rows_) {
        const auto old = std::span<const Cell>(cells_).subspan(span.First, span.Count);
        const std::size_t first = cells.size();
        edit(old, cells);
        span.First = static_cast<std::uint32_t>(first);
        span.Count = static_cast<std::uint32_t>(cells.size() - first);
    }
    cells_ = std::move(cells);
}

void TGridSheet::InsertAndCopyColumns(int first, int last, int destination, int count) {
    const long long f = first - 1LL;
    const long long l = last - 1LL;
    const long long d = destination - 1LL;
    const long long maxColumn = kGridMaxColumn - 1;
    // A negative count is refused too: it would move cells left over others.
    if (l < f || f < 0 || l > maxColumn || (f < d && d <= l) || d < 0 || count < 0 ||
        d + static_cast<long long>(count) * (l - f + 1) > maxColumn)
        Fail(kMsgInvalidArguments);
    const long long shift = count * (l - f + 1);
    if (shift == 0) return;
    // A cell that would pass the last column fails the edit before anything has moved.
    for (const Cell& cell : cells_)
        if (cell.Column >= d && cell.Column + shift > maxColumn)
            Fail(kMsgInvalidColumn, static_cast<int>(cell.Column + shift));
    Charge(cells_.size() * sizeof(Cell)); // the rebuilt list beside the old one
    Rebuild([&](std::span<const Cell> row, std::vector<Cell>& out) {
        auto at = std::find_if(row.begin(), row.end(),
                               [&](const Cell& cell) { return cell.Column >= d; });
        out.insert(out.end(), row.begin(), at);
        // The copies fill the gap the shift opens, in column order.
        for (int k = 0; k < count; ++k) {
            for (const Cell& cell : row) {
                if (cell.Column < f || cell.Column > l) continue;
                Cell copy = cell;
                copy.Column = static_cast<std::uint16_t>(d + k * (l - f + 1) + (cell.Column - f));
                Charge(sizeof(Cell));
                out.push_back(copy);
            }
        }
        for (; at != row.end(); ++at) {
            Cell moved = *at;
            moved.Column = static_cast<std::uint16_t>(moved.Column + shift);
            out.push_back(moved);
        }
    });
}

void TGridSheet::DeleteColumns(int column, int count) {
    if (column < 1 || column > kGridMaxColumn + 1) Fail(kMsgInvalidColumn, column - 1);
    if (count <= 0) return;
    const long long first = column - 1LL;
    const long long last = first + count - 1;
    Rebuild([&](std::span<const Cell> row, std::vector<Cell>& out) {
        for (Cell cell : row) {
            if (cell.Column >= first && cell.Column <= last) continue;
            if (cell.Column > last) cell.Column = static_cast<std::uint16_t>(cell.Column - count);
            out.push_back(cell);
        }
    });
}

void TGridSheet::DeleteRows(int row, int count) {
    if (row < 1 || row > kGridMaxRow + 1) Fail(kMsgInvalidRow, row - 1);
    if (count <= 0) return;
    const std::size_t first = static_cast<std::size_t>(row - 1);
    if (first >= rows_.size()) return;
    const std::size_t end = std::min(rows_.size(), first + static_cast<std::size_t>(count));
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(first),
                rows_.begin() + static_cast<std::ptrdiff_t>(end));
    for (std::size_t r = first; r < rows_.size(); ++r) {
        const Span& span = rows_[r];
        for (std::uint32_t i = span.First; i < span.First + span.Count; ++i)
            cells_[i].Row = static_cast<std::uint32_t>(r);
    }
}

// ---- Import component ---------------------------------------------------------------------------

void TGridImport::OpenFile(const std::string& fileName) {
    const TFileBytes bytes = ReadRegularFile(fileName);
    OpenMemory(bytes.View(), fileName);
}

void TGridImport::OpenMemory(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    CloseFile();
    // 32 MB and 6 times the file for the cells and their texts (the lists of cells may hold up
    // to twice what they use while they grow).
    const std::size_t budget = (std::size_t{32} << 20) + 6 * bytes.size();
    TGridSheet sheet(budget, fileName);
    Parse(bytes, fileName, sheet);
    sheet.Finish();
    sheet_ = std::move(sheet);
    open_ = true;
    active_ = true;
}

void TGridImport::SetActiveSheet(int sheet) {
    if (!open_) Fail(kMsgNoOpenFile);
    active_ = sheet == 1;
}

void TGridImport::CloseFile() {
    sheet_ = TGridSheet();
    open_ = false;
    active_ = false;
}

const TGridSheet& TGridImport::Current() const {
    if (!open_) Fail(kMsgNoOpenFile);
    return sheet_;
}

TGridSheet& TGridImport::Edited() {
    if (!open_) Fail(kMsgNoOpenFile);
    if (!active_) Fail(kMsgInvalidArguments);
    return sheet_;
}

int TGridImport::RowCount() const {
    const TGridSheet& sheet = Current();
    return active_ ? sheet.RowCount() : 0;
}

TCellValue TGridImport::CellValue(int row, int column) const {
    const TGridSheet& sheet = Current();
    return active_ ? sheet.CellValue(row, column) : TCellValue{};
}

void TGridImport::RowValues(int row, std::span<TCellValue> values) const {
    const TGridSheet& sheet = Current();
    if (active_) {
        sheet.RowValues(row, values);
        return;
    }
    std::fill(values.begin(), values.end(), TCellValue{});
}

std::vector<int> TGridImport::UsedColumns(int row) const {
    const TGridSheet& sheet = Current();
    return active_ ? sheet.UsedColumns(row) : std::vector<int>{};
}

void TGridImport::InsertAndCopyColumns(int first, int last, int destination, int count) {
    Edited().InsertAndCopyColumns(first, last, destination, count);
}

void TGridImport::DeleteColumns(int column, int count) {
    Edited().DeleteColumns(column, count);
}

void TGridImport::DeleteRows(int row, int count) {
    Edited().DeleteRows(row, count);
}

} // namespace orq
