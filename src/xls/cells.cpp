#include "xls/cells.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>
#include <new>

#include "base/memory.h"

namespace orq::xls {

bool TCell::Pooled() const {
    return Id == rid::kLabel || Id == rid::kRString || Id == rid::kFormula;
}

namespace {
bool ColumnLess(const TCell& a, const TCell& b) {
    return a.Column < b.Column;
}
} // namespace

// ---- Cell list ----------------------------------------------------------------------------------

void TCellList::resize(std::size_t count) {
    rows_.resize(count);
    packed_.resize(count);
    if (tail_ != SIZE_MAX && tail_ >= count) tail_ = SIZE_MAX;
}

void TCellList::reserve(std::size_t count) {
    rows_.reserve(count);
    packed_.reserve(count);
}

void TCellList::ChunkFree::operator()(TCell* cells) const {
    FreeHugePageBlock(cells); // small chunks come from malloc as well
}

void TCellList::ReserveCells(std::size_t count) {
    if (!chunks_.empty() || count == 0) return;
    firstShift_ = static_cast<unsigned>(
        std::clamp<std::size_t>(std::bit_width(count - 1), kFirstShift, kMaxFirstShift));
    reserved_ = count;
}

void TCellList::Grow() {
    const std::size_t count = (std::size_t{1} << firstShift_) << chunks_.size();
    const std::size_t bytes = count * sizeof(TCell);
    // Left uninitialised: a chunk's pages are taken only as cells fill them. A chunk of whole
    // huge pages gets them (a list of 65,536 rows fills some megabytes).
    void* chunk = bytes >= kHugePageSize ? AllocateHugePageBlock(bytes) : std::malloc(bytes);
    if (chunk == nullptr) throw std::bad_alloc();
    chunks_.emplace_back(static_cast<TCell*>(chunk));
    next_ = chunks_.back().get();
    end_ = next_ + count;
}

void TCellList::TrackRoom(const std::vector<TCell>& cells, std::size_t before) const {
    if (cells.capacity() > before) ownedRoom_ += cells.capacity() - before;
}

void TCellList::erase(std::size_t first, std::size_t last) {
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(first),
                rows_.begin() + static_cast<std::ptrdiff_t>(last));
    packed_.erase(packed_.begin() + static_cast<std::ptrdiff_t>(first),
                  packed_.begin() + static_cast<std::ptrdiff_t>(last));
    if (tail_ != SIZE_MAX) {
        if (tail_ >= last)
            tail_ -= last - first;
        else if (tail_ >= first)
            tail_ = SIZE_MAX;
    }
}

TCellRow& TCellList::Own(std::size_t row) const {
    TCellRow& list = rows_[row];
    Packed& packed = packed_[row];
    if (packed.Count > 0) {
        const TCell* begin = packed.Begin;
        const std::size_t room = list.Cells.capacity();
        list.Cells.assign(begin, begin + packed.Count);
        TrackRoom(list.Cells, room);
        list.Sorted = packed.Sorted;
        packed = Packed();
        if (tail_ == row) tail_ = SIZE_MAX;
    }
    return list;
}

void TCellList::Append(std::size_t row, const TCell& cell) {
    if (row >= rows_.size()) resize(row + 1);
    Packed& packed = packed_[row];
    if (packed.Count > 0 && tail_ == row && (next_ < end_ || packed.Count <= kMaxMovedRun)) {
        if (next_ == end_) {
            // The row's run moves to the start of the new chunk, to stay in one piece.
            const TCell* run = packed.Begin;
            Grow();
            packed.Begin = std::uninitialized_copy_n(run, packed.Count, next_) - packed.Count;
            next_ += packed.Count;
            blockSize_ += packed.Count;
        }
        if (next_[-1].Column >= cell.Column) packed.Sorted = false;
        std::construct_at(next_++, cell);
        ++blockSize_;
        ++packed.Count;
        return;
    }
    if (packed.Count == 0 && rows_[row].Cells.empty()) {
        // The row's first cell starts its run at the end of the block.
        if (next_ == end_) Grow();
        packed.Begin = next_;
        packed.Count = 1;
        packed.Sorted = true;
        tail_ = row;
        std::construct_at(next_++, cell);
        ++blockSize_;
        return;
    }
    // A row whose cells come apart in the file keeps them in a list of its own.
    TCellRow& list = Own(row);
    if (!list.Cells.empty() && list.Cells.back().Column >= cell.Column) list.Sorted = false;
    const std::size_t room = list.Cells.capacity();
    list.Cells.push_back(cell);
    TrackRoom(list.Cells, room);
}

std::span<TCell> TCellList::Cells(std::size_t row) const {
    const Packed& packed = packed_[row];
    if (packed.Count > 0) return {packed.Begin, packed.Count};
    return rows_[row].Cells;
}

std::span<const TCell> TCellList::Sorted(std::size_t row) const {
    Packed& packed = packed_[row];
    if (packed.Count > 0) {
        const std::span<TCell> cells(packed.Begin, packed.Count);
        if (!packed.Sorted) {
            std::stable_sort(cells.begin(), cells.end(), ColumnLess);
            packed.Sorted = true;
        }
        return cells;
    }
    TCellRow& list = rows_[row];
    if (!list.Sorted) {
        std::stable_sort(list.Cells.begin(), list.Cells.end(), ColumnLess);
        list.Sorted = true;
    }
    return list.Cells;
}

void TCellList::Truncate(std::size_t row, std::size_t count) {
    Packed& packed = packed_[row];
    if (packed.Count > 0) {
        packed.Count = static_cast<std::uint32_t>(std::min<std::size_t>(packed.Count, count));
        if (packed.Count == 0) packed = Packed();
        // The run no longer ends the block: a further cell of the row goes to a list of its own.
        if (tail_ == row) tail_ = SIZE_MAX;
        return;
    }
    if (rows_[row].Cells.size() > count) rows_[row].Cells.resize(count);
}

bool TCellList::InOrder(std::size_t row) const {
    const Packed& packed = packed_[row];
    return packed.Count > 0 ? packed.Sorted : rows_[row].Sorted;
}

// ---- Row-record list ----------------------------------------------------------------------------

void TRowRecordList::resize(std::size_t count) {
    records_.resize(count);
    bytes_.resize(count);
    packed_.resize(count);
}

void TRowRecordList::reserve(std::size_t count) {
    records_.reserve(count);
    bytes_.reserve(count);
    packed_.reserve(count);
}

void TRowRecordList::erase(std::size_t first, std::size_t last) {
    const auto from = static_cast<std::ptrdiff_t>(first);
    const auto to = static_cast<std::ptrdiff_t>(last);
    records_.erase(records_.begin() + from, records_.begin() + to);
    bytes_.erase(bytes_.begin() + from, bytes_.begin() + to);
    packed_.erase(packed_.begin() + from, packed_.begin() + to);
}

std::unique_ptr<TBaseRecord>& TRowRecordList::Own(std::size_t row) const {
    if (packed_[row]) {
        records_[row] = std::make_unique<TBaseRecord>(rid::kRow, bytes_[row]);
        packed_[row] = 0;
    }
    return records_[row];
}

void TRowRecordList::PutBytes(std::size_t row, std::span<const std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), bytes_[row].begin());
    packed_[row] = 1;
}

std::span<std::uint8_t> TRowRecordList::Bytes(std::size_t row) {
    if (packed_[row]) return bytes_[row];
    if (records_[row]) return records_[row]->Data;
    return {};
}

// ---- Reading ------------------------------------------------------------------------------------

void TCells::AddCompact(std::uint16_t id, std::span<const std::uint8_t> body) {
    // MULRK and MULBLANK start with the row and their first column, as other cells do.
    static_assert(biff::mulcells::Row.offset == biff::cell::Row.offset &&
                  biff::mulcells::FirstColumn.offset == biff::cell::Column.offset);
    const std::uint16_t row = Load<biff::cell::Row>(body);
    const std::uint16_t first = Load<biff::cell::Column>(body);
    if (id == rid::kMulRk || id == rid::kMulBlank) {
        namespace mul = biff::mulcells;
        // Entry i: XF (and RK value) at kEntries + i * entry size; a last-column u16 ends the
        // record.
        const std::size_t entry = id == rid::kMulRk ? mul::kMulRkEntry : mul::kMulBlankEntry;
        const std::size_t end = mul::kEntries + entry; // where entry 0 ends
        // Entries right of the sheet's last column are not cells.
        for (std::size_t i = 0; end + entry * i < body.size() && first + i <= kMaxColumn; ++i) {
            TCell cell;
            cell.Column = static_cast<std::uint16_t>(first + i);
            cell.Id = id == rid::kMulRk ? rid::kRk : rid::kBlank;
            const std::size_t at = mul::kEntries + entry * i;
            cell.Xf = Load<mul::EntryXf>(body, at);
            if (id == rid::kMulRk) cell.Payload = Load<mul::EntryRk>(body, at);
            Add(row, cell);
        }
        return;
    }
    RequireSize(id, body, FixedCellSize(id));
    TCell cell;
    cell.Column = first;
    cell.Id = id;
    cell.Xf = Load<biff::cell::Xf>(body);
    switch (id) {
    case rid::kNumber:
        cell.Payload = Load<biff::number::Value>(body);
        break;
    case rid::kRk:
        cell.Payload = Load<biff::rk::Value>(body);
        break;
    case rid::kBoolErr:
        cell.Value8 = Load<biff::boolerr::Value>(body);
        cell.Error8 = Load<biff::boolerr::IsError>(body);
        break;
    case rid::kLabelSst: {
        cell.Payload = sst_->ResolveRead(Load<biff::labelsst::Index>(body));
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
        // The text follows the XF; an RSTRING's formatting runs after it are not part of the
        // value.
        auto& label = static_cast<TLabelRecord&>(*record);
        label.Text = TContinuedReader(label, biff::cell::kValue).ReadString(2).Text();
    }
    const std::uint16_t row = Load<biff::cell::Row>(record->Data);
    TCell cell;
    cell.Column = Load<biff::cell::Column>(record->Data);
    cell.Id = record->Id;
    cell.Xf = Load<biff::cell::Xf>(record->Data);
    cell.Payload = AddToPool(std::move(record));
    Add(row, cell);
}

void TCells::Add(std::uint16_t row, const TCell& cell) {
    rows_.Append(row, cell);
}

void TCells::ReserveRows(std::size_t rows, std::size_t cells) {
    rows = std::min<std::size_t>(rows, std::size_t{kMaxRow} + 1);
    rows_.reserve(rows);
    rowRecords_.reserve(rows);
    rows_.ReserveCells(cells);
}

void TCells::AddRowRecord(std::unique_ptr<TBaseRecord> record) {
    // A short ROW record is completed with zeros so that every ROW record has its fixed layout.
    if (record->Data.size() < kRowRecordSize) record->Data.resize(kRowRecordSize, 0);
    Store<biff::row::Reserved>(record->Data, 0, std::uint16_t{0});
    const std::uint16_t row = Load<biff::row::Row>(record->Data);
    if (row < rowRecords_.size() && rowRecords_.Has(row)) Fail(kMsgDuplicatedRow);
    if (row >= rowRecords_.size()) rowRecords_.resize(std::size_t{row} + 1);
    rowRecords_[row] = std::move(record);
}

void TCells::AddRowRecord(std::span<const std::uint8_t> body) {
    if (body.size() > kRowRecordSize) {
        // Longer than its layout: kept as a record, every byte of it.
        AddRowRecord(std::make_unique<TBaseRecord>(rid::kRow, body));
        return;
    }
    std::array<std::uint8_t, kRowRecordSize> bytes{};
    std::copy(body.begin(), body.end(), bytes.begin());
    Store<biff::row::Reserved>(bytes, 0, std::uint16_t{0});
    const std::uint16_t row = Load<biff::row::Row>(bytes);
    if (row < rowRecords_.size() && rowRecords_.Has(row)) Fail(kMsgDuplicatedRow);
    if (row >= rowRecords_.size()) rowRecords_.resize(std::size_t{row} + 1);
    rowRecords_.PutBytes(row, bytes);
}

std::unique_ptr<TBaseRecord> TCells::MakeRowRecord(std::uint16_t row) {
    std::uint8_t data[kRowRecordSize] = {};
    auto bytes = std::span<std::uint8_t>(data);
    Store<biff::row::Row>(bytes, 0, row);
    Store<biff::row::Height>(bytes, 0, std::uint16_t{255});
    Store<biff::row::Options>(bytes, 0, biff::kRowOptionsAlways);
    Store<biff::row::Xf>(bytes, 0, std::uint16_t{15}); // the default cell format
    return std::make_unique<TBaseRecord>(rid::kRow, bytes);
}

void TCells::CompleteRowRecords() {
    if (rowRecords_.size() >= rows_.size()) return;
    rowRecords_.resize(rows_.size());
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rowRecords_.Has(row)) continue;
        if (!rows_.Cells(row).empty() || row + 1 == rows_.size())
            rowRecords_.PutBytes(row, MakeRowRecord(static_cast<std::uint16_t>(row))->Data);
    }
}

void TCells::DropOverwrittenCells() {
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_.InOrder(row)) continue;
        rows_.Sorted(row); // stable: records for one column stay in file order
        const auto cells = rows_.Cells(row);
        std::size_t kept = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i + 1 < cells.size() && cells[i + 1].Column == cells[i].Column) {
                Release(cells[i]);
                continue;
            }
            cells[kept++] = cells[i];
        }
        rows_.Truncate(row, kept);
    }
}

// ---- Lookup -------------------------------------------------------------------------------------

const TBaseRecord* TCells::RowRecord(std::size_t row) const {
    return row < rowRecords_.size() ? rowRecords_[row].get() : nullptr;
}

TBaseRecord* TCells::RowRecord(std::size_t row) {
    return row < rowRecords_.size() ? rowRecords_[row].get() : nullptr;
}

TCellRow& TCells::RowList(std::size_t row) {
    rows_.Sorted(row);
    return rows_[row];
}

const std::vector<TCell>& TCells::SortedRow(std::size_t row) const {
    rows_.Sorted(row);
    return rows_[row].Cells;
}

const TCell* TCells::Find(int row, int column) const {
    if (row < 0 || row > kMaxRow) Fail(kMsgInvalidRow, row);
    if (column < 0 || column > kMaxColumn) Fail(kMsgInvalidColumn, column);
    const auto r = static_cast<std::size_t>(row);
    if (r >= rows_.size()) return nullptr;
    return FindIn(rows_.Sorted(r), r, column);
}

const TCell* TCells::FindIn(std::span<const TCell> cells, std::size_t row, int column) const {
    const auto c = static_cast<std::uint16_t>(column);
    const std::size_t size = cells.size();
    std::size_t i = 0;
    if (hintRow_ == row && hintIndex_ <= size && hintIndex_ > 0 &&
        cells[hintIndex_ - 1].Column < c) {
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
    hintRow_ = row;
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
    if (row < 0 || row > kMaxRow) Fail(kMsgInvalidRow, row);
    if (column < 0 || column > kMaxColumn) Fail(kMsgInvalidColumn, column);
    const auto r = static_cast<std::size_t>(row);
    if (r >= rows_.size()) return {};
    const auto cells = rows_.Sorted(r);
    const TCell* cell = FindIn(cells, r, column);
    if (!cell) return {};
    // Rows are read left to right: fetch the strings of the next two cells into the cache
    // while this one is handed back (a shared string sits anywhere in the string area).
    const TCell* end = cells.data() + cells.size();
    for (const TCell* next = cell + 1; next < end && next <= cell + 2; ++next)
        if (next->Id == rid::kLabelSst) sst_->Prefetch(static_cast<std::uint32_t>(next->Payload));
    return Value(*cell);
}

void TCells::RowValuesAt(int row, std::span<TCellValue> values) const {
    if (row < 0 || row > kMaxRow) Fail(kMsgInvalidRow, row);
    if (values.size() > kMaxColumn + 1) Fail(kMsgInvalidColumn, kMaxColumn + 1);
    const auto r = static_cast<std::size_t>(row);
    std::size_t next = 0; // the first column not yet written
    if (r < rows_.size()) {
        const auto cells = rows_.Sorted(r);
        // The row's shared strings sit anywhere in the string area: ask for all of them before
        // the first one is read, so that their fetches overlap.
        for (const TCell& cell : cells) {
            if (cell.Column >= values.size()) break;
            if (cell.Id == rid::kLabelSst) sst_->Prefetch(static_cast<std::uint32_t>(cell.Payload));
        }
        for (const TCell& cell : cells) {
            if (cell.Column >= values.size()) break;
            for (; next < cell.Column; ++next)
                values[next] = std::monostate{};
            TCellValue& value = values[next++];
            if (cell.Id == rid::kLabelSst) {
                auto* text = std::get_if<std::string>(&value);
                if (!text) text = &value.emplace<std::string>();
                sst_->TextUtf8(static_cast<std::uint32_t>(cell.Payload), *text);
            } else {
                value = Value(cell);
            }
        }
    }
    for (; next < values.size(); ++next)
        values[next] = std::monostate{};
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
        for (const TCell& cell : rows_.Cells(row))
            if (cell.Column >= destination && cell.Column + shift > kMaxColumn)
                Fail(kMsgTooManyEntries, cell.Column + shift, kMaxColumn);

    const int sourceShift = destination <= first ? shift : 0; // the source moved with the shift
    std::vector<TCell> copies;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        // Cells keep their order as they move right.
        for (TCell& cell : rows_.Cells(row))
            if (cell.Column >= destination)
                SetColumn(cell, static_cast<std::uint16_t>(cell.Column + shift));
        if (shift == 0 || rows_.Cells(row).empty()) continue;
        auto& cells = RowList(row).Cells;

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
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        auto cells = rows_.Cells(row);
        std::size_t kept = 0;
        for (TCell cell : cells) {
            if (cell.Column >= column && cell.Column <= last) {
                Release(cell);
                continue;
            }
            if (cell.Column > last)
                SetColumn(cell, static_cast<std::uint16_t>(cell.Column - count));
            cells[kept++] = cell;
        }
        rows_.Truncate(row, kept);
    }
    RecalculateRowColumns();
}

void TCells::DeleteRows(int row, int count) {
    const std::size_t first = static_cast<std::size_t>(row);
    if (first < rows_.size()) {
        const std::size_t end = std::min(rows_.size(), first + static_cast<std::size_t>(count));
        for (std::size_t r = first; r < end; ++r)
            for (const TCell& cell : rows_.Cells(r))
                Release(cell);
        rows_.erase(first, end);
        for (std::size_t r = first; r < rows_.size(); ++r)
            for (TCell& cell : rows_.Cells(r))
                SetRow(cell, static_cast<std::uint16_t>(r));
    }
    if (first < rowRecords_.size()) {
        const std::size_t end =
            std::min(rowRecords_.size(), first + static_cast<std::size_t>(count));
        rowRecords_.erase(first, end);
        for (std::size_t r = first; r < rowRecords_.size(); ++r)
            if (auto bytes = rowRecords_.Bytes(r); !bytes.empty())
                StoreLE<std::uint16_t>(bytes, 0, static_cast<std::uint16_t>(r));
    }
}

void TCells::RecalculateRowColumns() {
    for (std::size_t row = 0; row < rowRecords_.size(); ++row) {
        auto bytes = rowRecords_.Bytes(row);
        if (bytes.empty()) continue;
        std::uint16_t firstColumn = 0;
        std::uint16_t pastLast = 0;
        if (row < rows_.size() && !rows_.Cells(row).empty()) {
            auto cells = rows_.Cells(row);
            auto [low, high] = std::minmax_element(cells.begin(), cells.end(), ColumnLess);
            firstColumn = low->Column;
            pastLast = static_cast<std::uint16_t>(high->Column + 1);
        }
        StoreLE<std::uint16_t>(bytes, 2, firstColumn);
        StoreLE<std::uint16_t>(bytes, 4, pastLast);
    }
}

} // namespace orq::xls
