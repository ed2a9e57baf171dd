#include "xls/cells.h"

#include <algorithm>
#include <bit>

namespace orq::xls {

bool TCell::Pooled() const {
    return Id == rid::kLabel || Id == rid::kRString || Id == rid::kFormula;
}

namespace {
bool ColumnLess(const TCell& a, const TCell& b) {
    return a.Column < b.Column;
}
} // namespace

// ---- Reading ------------------------------------------------------------------------------------

void TCells::AddCompact(std::uint16_t id, std::span<const std::uint8_t> body) {
    const std::uint16_t row = ReadU16LE(body, 0);
    const std::uint16_t first = ReadU16LE(body, 2);
    if (id == rid::kMulRk || id == rid::kMulBlank) {
        // Entry i: XF (and RK value) at 4 + i * entry size; a last-column u16 ends the record.
        const std::size_t entry = id == rid::kMulRk ? 6 : 2;
        const std::size_t end = id == rid::kMulRk ? 10 : 6; // where entry 0 ends
        for (std::size_t i = 0; end + entry * i < body.size() && first + i <= 0xFFFF; ++i) {
            TCell cell;
            cell.Column = static_cast<std::uint16_t>(first + i);
            cell.Id = id == rid::kMulRk ? rid::kRk : rid::kBlank;
            cell.Xf = ReadU16LE(body, 4 + entry * i);
            if (id == rid::kMulRk) cell.Payload = ReadU32LE(body, 6 + entry * i);
            Add(row, cell);
        }
        return;
    }
    RequireSize(id, body, FixedCellSize(id));
    TCell cell;
    cell.Column = first;
    cell.Id = id;
    cell.Xf = ReadU16LE(body, 4);
    switch (id) {
    case rid::kNumber:
        cell.Payload = ReadU64LE(body, 6);
        break;
    case rid::kRk:
        cell.Payload = ReadU32LE(body, 6);
        break;
    case rid::kBoolErr:
        cell.Value8 = ReadU8(body, 6);
        cell.Error8 = ReadU8(body, 7);
        break;
    case rid::kLabelSst: {
        cell.Payload = sst_->ResolveRead(ReadU32LE(body, 6));
        break;
    }
    default:
        break; // BLANK: no value
    }
    Add(row, cell);
}

void TCells::AddRecord(std::unique_ptr<TBaseRecord> record) {
    RequireSize(record->Id, record->Data, FixedCellSize(record->Id));
    if (record->Id == rid::kLabel || record->Id == rid::kRString) {
        // The text at 6; an RSTRING's formatting runs after it are not part of the value.
        auto& label = static_cast<TLabelRecord&>(*record);
        label.Text = TContinuedReader(label, 6).ReadString(2).Text();
    }
    const std::uint16_t row = ReadU16LE(record->Data, 0);
    TCell cell;
    cell.Column = ReadU16LE(record->Data, 2);
    cell.Id = record->Id;
    cell.Xf = ReadU16LE(record->Data, 4);
    cell.Payload = AddToPool(std::move(record));
    Add(row, cell);
}

void TCells::Add(std::uint16_t row, const TCell& cell) {
    if (row >= rows_.size()) rows_.resize(std::size_t{row} + 1);
    TCellRow& list = rows_[row];
    if (list.Cells.capacity() == 0) {
        // Rows of a sheet tend to be alike: size a new row list like the last one filled.
        list.Cells.reserve(capacityHint_);
    } else if (list.Cells.back().Column > cell.Column) {
        list.Sorted = false;
    }
    list.Cells.push_back(cell);
    capacityHint_ = std::max<std::size_t>(list.Cells.size(), 4);
}

void TCells::ReserveRows(std::size_t rows) {
    rows = std::min<std::size_t>(rows, std::size_t{kMaxRow} + 1);
    rows_.reserve(rows);
    rowRecords_.reserve(rows);
}

void TCells::AddRowRecord(std::unique_ptr<TBaseRecord> record) {
    // A short ROW record is completed with zeros so that every ROW record has its fixed layout.
    if (record->Data.size() < kRowRecordSize) record->Data.resize(kRowRecordSize, 0);
    StoreLE<std::uint16_t>(record->Data, 8, 0);
    const std::uint16_t row = ReadU16LE(record->Data, 0);
    if (row < rowRecords_.size() && rowRecords_[row]) Fail(kMsgDuplicatedRow);
    if (row >= rowRecords_.size()) rowRecords_.resize(std::size_t{row} + 1);
    rowRecords_[row] = std::move(record);
}

std::unique_ptr<TBaseRecord> TCells::MakeRowRecord(std::uint16_t row) {
    std::uint8_t data[kRowRecordSize] = {};
    auto bytes = std::span<std::uint8_t>(data);
    StoreLE<std::uint16_t>(bytes, 0, row);
    StoreLE<std::uint16_t>(bytes, 6, 255); // height
    data[13] = 0x01;                       // option bytes 0x00, 0x01
    StoreLE<std::uint16_t>(bytes, 14, 15); // XF 15
    return std::make_unique<TBaseRecord>(rid::kRow, bytes);
}

void TCells::CompleteRowRecords() {
    if (rowRecords_.size() >= rows_.size()) return;
    rowRecords_.resize(rows_.size());
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rowRecords_[row]) continue;
        if (!rows_[row].Cells.empty() || row + 1 == rows_.size())
            rowRecords_[row] = MakeRowRecord(static_cast<std::uint16_t>(row));
    }
}

// ---- Lookup -------------------------------------------------------------------------------------

const TBaseRecord* TCells::RowRecord(std::size_t row) const {
    return row < rowRecords_.size() ? rowRecords_[row].get() : nullptr;
}

TBaseRecord* TCells::RowRecord(std::size_t row) {
    return row < rowRecords_.size() ? rowRecords_[row].get() : nullptr;
}

const TCellRow& TCells::SortRow(std::size_t row) const {
    TCellRow& list = rows_[row];
    if (!list.Sorted) {
        std::stable_sort(list.Cells.begin(), list.Cells.end(), ColumnLess);
        list.Sorted = true;
    }
    return list;
}

TCellRow& TCells::RowList(std::size_t row) {
    SortRow(row);
    return rows_[row];
}

const std::vector<TCell>& TCells::SortedRow(std::size_t row) const {
    return SortRow(row).Cells;
}

const TCell* TCells::Find(int row, int column) const {
    if (row < 0 || row > kMaxRow) Fail(kMsgInvalidRow, row);
    if (column < 0 || column > kMaxColumn) Fail(kMsgInvalidColumn, column);
    const auto r = static_cast<std::size_t>(row);
    if (r >= rows_.size()) return nullptr;
    const auto& cells = SortRow(r).Cells;
    const auto c = static_cast<std::uint16_t>(column);
    const std::size_t size = cells.size();
    std::size_t i = 0;
    if (hintRow_ == r && hintIndex_ <= size && hintIndex_ > 0 && cells[hintIndex_ - 1].Column < c) {
        // Go on from the last lookup of this row for a few cells.
        i = hintIndex_;
        for (int steps = 0; i < size && cells[i].Column < c; ++i)
            if (++steps == 8) break;
    }
    if (i < size && cells[i].Column < c) {
        TCell key;
        key.Column = c;
        i = static_cast<std::size_t>(
            std::lower_bound(cells.begin() + static_cast<std::ptrdiff_t>(i), cells.end(), key,
                             ColumnLess) -
            cells.begin());
    }
    hintRow_ = r;
    hintIndex_ = i;
    if (i == size || cells[i].Column != c) return nullptr;
    return &cells[i];
}

const TBaseRecord* TCells::PooledRecord(const TCell& cell) const {
    return cell.Pooled() ? pool_[cell.Payload].get() : nullptr;
}

TBaseRecord* TCells::PooledRecord(const TCell& cell) {
    return cell.Pooled() ? pool_[cell.Payload].get() : nullptr;
}

TCellValue TCells::Value(const TCell& cell) const {
    switch (cell.Id) {
    case rid::kNumber:
        return std::bit_cast<double>(cell.Payload);
    case rid::kRk:
        return DecodeRk(static_cast<std::uint32_t>(cell.Payload));
    case rid::kBoolErr:
        if (cell.Error8 == 0) return cell.Value8 != 0;
        {
            const char* text = ErrorCodeText(cell.Value8);
            return std::u16string(text, text + std::char_traits<char>::length(text));
        }
    case rid::kLabelSst:
        return sst_->Text(static_cast<std::uint32_t>(cell.Payload));
    case rid::kLabel:
    case rid::kRString:
        return static_cast<const TLabelRecord&>(*pool_[cell.Payload]).Text;
    case rid::kFormula:
        return static_cast<const TFormulaRecord&>(*pool_[cell.Payload]).Value;
    default:
        return {}; // BLANK
    }
}

TCellValue TCells::ValueAt(int row, int column) const {
    const TCell* cell = Find(row, column);
    if (!cell) return {};
    // Rows are read left to right: fetch the strings of the next two cells into the cache
    // while this one is handed back (a shared string sits anywhere in the string area).
    const TCell* end = rows_[static_cast<std::size_t>(row)].Cells.data() +
                       rows_[static_cast<std::size_t>(row)].Cells.size();
    for (const TCell* next = cell + 1; next < end && next <= cell + 2; ++next)
        if (next->Id == rid::kLabelSst) sst_->Prefetch(static_cast<std::uint32_t>(next->Payload));
    return Value(*cell);
}

TXlsCellValue TCells::CellInfo(int row, int column) const {
    TXlsCellValue info;
    const TCell* cell = Find(row, column);
    if (!cell) return info;
    info.Value = Value(*cell);
    info.Xf = cell->Xf;
    info.IsFormula = cell->Id == rid::kFormula;
    if (cell->Id == rid::kLabelSst) {
        auto runs = sst_->Runs(static_cast<std::uint32_t>(cell->Payload));
        info.Runs.assign(runs.begin(), runs.end());
    }
    return info;
}

// ---- Edits --------------------------------------------------------------------------------------

std::uint32_t TCells::AddToPool(std::unique_ptr<TBaseRecord> record) {
    if (!freeSlots_.empty()) {
        const std::uint32_t slot = freeSlots_.back();
        freeSlots_.pop_back();
        pool_[slot] = std::move(record);
        return slot;
    }
    pool_.push_back(std::move(record));
    return static_cast<std::uint32_t>(pool_.size() - 1);
}

void TCells::SetColumn(TCell& cell, std::uint16_t column) {
    cell.Column = column;
    if (TBaseRecord* record = PooledRecord(cell)) StoreLE<std::uint16_t>(record->Data, 2, column);
}

void TCells::SetRow(TCell& cell, std::uint16_t row) {
    if (TBaseRecord* record = PooledRecord(cell)) StoreLE<std::uint16_t>(record->Data, 0, row);
}

TCell TCells::Duplicate(const TCell& cell, std::uint16_t row, std::uint16_t column) {
    TCell copy = cell;
    copy.Column = column;
    if (cell.Id == rid::kLabelSst) sst_->AddRef(static_cast<std::uint32_t>(cell.Payload));
    if (cell.Pooled()) {
        auto record = PooledRecord(cell)->Clone();
        StoreLE<std::uint16_t>(record->Data, 0, row);
        StoreLE<std::uint16_t>(record->Data, 2, column);
        copy.Payload = AddToPool(std::move(record));
    }
    return copy;
}

void TCells::Release(const TCell& cell) {
    if (cell.Id == rid::kLabelSst) sst_->Release(static_cast<std::uint32_t>(cell.Payload));
    if (cell.Pooled()) {
        pool_[cell.Payload].reset();
        freeSlots_.push_back(static_cast<std::uint32_t>(cell.Payload));
    }
}

void TCells::InsertAndCopyColumns(int first, int last, int destination, int count,
                                  bool formulasOnly) {
    const int width = last - first + 1;
    const int shift = count * width;
    // A cell that would pass the last column fails the edit before anything has moved.
    for (std::size_t row = 0; row < rows_.size(); ++row)
        for (const TCell& cell : SortedRow(row))
            if (cell.Column >= destination && cell.Column + shift > kMaxColumn)
                Fail(kMsgTooManyEntries, cell.Column + shift, kMaxColumn);

    const int sourceShift = destination <= first ? shift : 0; // the source moved with the shift
    std::vector<TCell> copies;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        auto& cells = RowList(row).Cells;
        for (TCell& cell : cells)
            if (cell.Column >= destination)
                SetColumn(cell, static_cast<std::uint16_t>(cell.Column + shift));
        if (shift == 0 || cells.empty()) continue;

        copies.clear();
        for (int k = 0; k < count; ++k) {
            for (int s = 0; s < width; ++s) {
                TCell key;
                key.Column = static_cast<std::uint16_t>(first + s + sourceShift);
                auto it = std::lower_bound(cells.begin(), cells.end(), key, ColumnLess);
                if (it == cells.end() || it->Column != key.Column) continue;
                if (formulasOnly && it->Id != rid::kFormula) continue;
                copies.push_back(
                    Duplicate(*it, static_cast<std::uint16_t>(row),
                              static_cast<std::uint16_t>(destination + k * width + s)));
            }
        }
        // The copies fill the gap the shift opened, in column order.
        TCell key;
        key.Column = static_cast<std::uint16_t>(destination);
        auto at = std::lower_bound(cells.begin(), cells.end(), key, ColumnLess);
        cells.insert(at, copies.begin(), copies.end());
    }
    RecalculateRowColumns();
}

void TCells::DeleteColumns(int column, int count) {
    const long long last = static_cast<long long>(column) + count - 1;
    for (TCellRow& list : rows_) {
        std::size_t kept = 0;
        for (TCell cell : list.Cells) {
            if (cell.Column >= column && cell.Column <= last) {
                Release(cell);
                continue;
            }
            if (cell.Column > last)
                SetColumn(cell, static_cast<std::uint16_t>(cell.Column - count));
            list.Cells[kept++] = cell;
        }
        list.Cells.resize(kept);
    }
    RecalculateRowColumns();
}

void TCells::DeleteRows(int row, int count) {
    const std::size_t first = static_cast<std::size_t>(row);
    if (first < rows_.size()) {
        const std::size_t end = std::min(rows_.size(), first + static_cast<std::size_t>(count));
        for (std::size_t r = first; r < end; ++r)
            for (const TCell& cell : rows_[r].Cells)
                Release(cell);
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(first),
                    rows_.begin() + static_cast<std::ptrdiff_t>(end));
        for (std::size_t r = first; r < rows_.size(); ++r)
            for (TCell& cell : rows_[r].Cells)
                SetRow(cell, static_cast<std::uint16_t>(r));
    }
    if (first < rowRecords_.size()) {
        const std::size_t end =
            std::min(rowRecords_.size(), first + static_cast<std::size_t>(count));
        rowRecords_.erase(rowRecords_.begin() + static_cast<std::ptrdiff_t>(first),
                          rowRecords_.begin() + static_cast<std::ptrdiff_t>(end));
        for (std::size_t r = first; r < rowRecords_.size(); ++r)
            if (rowRecords_[r])
                StoreLE<std::uint16_t>(rowRecords_[r]->Data, 0, static_cast<std::uint16_t>(r));
    }
}

void TCells::RecalculateRowColumns() {
    for (std::size_t row = 0; row < rowRecords_.size(); ++row) {
        TBaseRecord* record = rowRecords_[row].get();
        if (!record) continue;
        std::uint16_t firstColumn = 0;
        std::uint16_t pastLast = 0;
        if (row < rows_.size() && !rows_[row].Cells.empty()) {
            auto [low, high] =
                std::minmax_element(rows_[row].Cells.begin(), rows_[row].Cells.end(), ColumnLess);
            firstColumn = low->Column;
            pastLast = static_cast<std::uint16_t>(high->Column + 1);
        }
        StoreLE<std::uint16_t>(record->Data, 2, firstColumn);
        StoreLE<std::uint16_t>(record->Data, 4, pastLast);
    }
}

} // namespace orq::xls
