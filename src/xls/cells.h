#pragma once

// The cell store of a worksheet: the ROW records by row and the cell records of every row.
//
// A cell of a fixed-size kind (BLANK, NUMBER, RK, BOOLERR, LABELSST, and the cells MULRK and
// MULBLANK expand into) is held as a 16-byte TCell that carries every field of its record, so
// the record can be written again from it. LABEL, RSTRING and FORMULA cells keep their record
// objects (with CONTINUE chains and attached records) in the store's record pool; their TCell
// refers to the pool. The row of a cell is the row list it sits in.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/import.h"
#include "xls/records.h"
#include "xls/sst.h"

namespace orq::xls {

inline constexpr const char* kMsgDuplicatedRow = "Duplicated ROW record";
using orq::kMsgInvalidColumn;
using orq::kMsgInvalidRow;
inline constexpr const char* kMsgTooManyEntries =
    "Too many entries for this kind of record (%d out of a maximum of %d)";

inline constexpr int kMaxRow = 65535;  // 0-based
inline constexpr int kMaxColumn = 255; // 0-based
inline constexpr std::size_t kRowRecordSize = biff::row::kSize;

struct TCell {
    std::uint16_t Column = 0;
    std::uint16_t Id = 0;    // record id of the cell's kind
    std::uint16_t Xf = 0;    // XF index
    std::uint8_t Value8 = 0; // BOOLERR: the value byte
    std::uint8_t Error8 = 0; // BOOLERR: the error flag
    // NUMBER: the double's bits; RK: the RK value; LABELSST: the string entry's area position;
    // LABEL, RSTRING, FORMULA: the record's slot in the record pool.
    std::uint64_t Payload = 0;

    bool Pooled() const;
};

// The cells of one row, kept sorted by column when a lookup needs it.
struct TCellRow {
    std::vector<TCell> Cells;
    bool Sorted = true;
};

// The cell list: slot r holds the cells of row r. Cells read from a file are packed into one
// block, row after row, as the file delivers them; a row gets a list of its own (a TCellRow)
// the first time it is asked for as a list, by an edit or by the writer. Reading and looking
// cells up never needs one, so a sheet of 65,536 rows costs a handful of allocations.
//
// The block is a run of chunks of doubling size, so that it grows without moving (and for a
// moment doubling) what it holds; a row's cells always lie in one chunk.
class TCellList {
public:
    std::size_t size() const { return rows_.size(); }
    void resize(std::size_t count);
    void reserve(std::size_t count);
    void erase(std::size_t first, std::size_t last);
    // The row as a list of its own (its packed cells move into it).
    TCellRow& operator[](std::size_t row) { return Own(row); }
    const TCellRow& operator[](std::size_t row) const { return Own(row); }

    // Adds a cell read from the file to a row.
    void Append(std::size_t row, const TCell& cell);
    // Room for about `count` cells in the block, asked for before the first cell comes (the
    // first chunk is made that large); counted as held from then on.
    void ReserveCells(std::size_t count);
    // Bytes taken by the cells held: those in the block (or the room reserved for them), and
    // the room of the rows' own lists.
    std::size_t HeldBytes() const {
        return (std::max(blockSize_, reserved_) + ownedRoom_) * sizeof(TCell);
    }
    // A row's cells, packed or not, in stored order, and sorted by column.
    std::span<TCell> Cells(std::size_t row) const;
    std::span<const TCell> Sorted(std::size_t row) const;
    // Drops the cells of a row from position `count` on.
    void Truncate(std::size_t row, std::size_t count);
    // Whether the row's cells are known to be in strictly rising column order (a row that was
    // appended out of order, or with two cells for one column, is not until it is sorted).
    bool InOrder(std::size_t row) const;

private:
    struct Packed {
        TCell* Begin = nullptr; // chunks never move: the run stays where it was put
        std::uint32_t Count = 0;
        bool Sorted = true;
    };
    struct ChunkFree {
        void operator()(TCell* cells) const;
    };
    // Chunk k holds (1 << firstShift_) << k cells.
    static constexpr unsigned kFirstShift = 12;    // 4,096 cells unless a reservation asks more
    static constexpr unsigned kMaxFirstShift = 24; // a sheet's 65,536 x 256 cells
    // A row run longer than this is not moved to a new chunk: the row gets a list of its own.
    static constexpr std::uint32_t kMaxMovedRun = 256;

    TCellRow& Own(std::size_t row) const;
    void Grow();
    void TrackRoom(const std::vector<TCell>& cells, std::size_t before) const;

    mutable std::vector<TCellRow> rows_;
    mutable std::vector<Packed> packed_;
    std::vector<std::unique_ptr<TCell, ChunkFree>> chunks_;
    std::size_t blockSize_ = 0; // cells in the block
    TCell* next_ = nullptr;     // where the block's next cell goes
    TCell* end_ = nullptr;      // the end of the last chunk
    std::size_t reserved_ = 0;  // cells reserved before the first came
    unsigned firstShift_ = kFirstShift;
    mutable std::size_t ownedRoom_ = 0;   // room the rows' own lists have taken, in cells
    mutable std::size_t tail_ = SIZE_MAX; // the row whose packed cells end the block
};

// The row-record list: slot r holds the ROW record of row r or is empty. A ROW record read from
// a file is kept as its 16 bytes until someone asks for it as a record object.
class TRowRecordList {
public:
    std::size_t size() const { return records_.size(); }
    void resize(std::size_t count);
    void reserve(std::size_t count);
    void erase(std::size_t first, std::size_t last);
    // The slot as a record object (made from the kept bytes when needed).
    std::unique_ptr<TBaseRecord>& operator[](std::size_t row) { return Own(row); }
    const std::unique_ptr<TBaseRecord>& operator[](std::size_t row) const { return Own(row); }

    bool Has(std::size_t row) const { return packed_[row] || records_[row]; }
    // Keeps a 16-byte ROW record in slot `row` (which must be empty).
    void PutBytes(std::size_t row, std::span<const std::uint8_t> bytes);
    // The record's bytes, kept or in its record object (empty for an empty slot).
    std::span<std::uint8_t> Bytes(std::size_t row);

private:
    std::unique_ptr<TBaseRecord>& Own(std::size_t row) const;

    mutable std::vector<std::unique_ptr<TBaseRecord>> records_;
    mutable std::vector<std::array<std::uint8_t, kRowRecordSize>> bytes_;
    mutable std::vector<std::uint8_t> packed_;
};

// What a lookup yields: the value, the XF index, whether the cell is a formula, and the rich
// text runs of a shared string (character index u16, font index u16 each).
struct TXlsCellValue {
    TCellValue Value;
    std::uint16_t Xf = 0;
    bool IsFormula = false;
    std::vector<std::uint8_t> Runs;
};

class TCells {
public:
    explicit TCells(TSST& sst) : sst_(&sst) {}
    TCells(const TCells&) = delete;
    TCells& operator=(const TCells&) = delete;

    // ---- Reading ----
    // Adds a BLANK, NUMBER, RK, BOOLERR or LABELSST record, or expands a MULRK or MULBLANK
    // record into single cells.
    void AddCompact(std::uint16_t id, std::span<const std::uint8_t> body);
    // Adds a LABEL, RSTRING or FORMULA record (the store keeps it).
    void AddRecord(std::unique_ptr<TBaseRecord> record);
    // Adds a cell to row `row` (the row list is created as needed).
    void Add(std::uint16_t row, const TCell& cell);
    // Puts a ROW record into its slot ("Duplicated ROW record" when the slot is taken).
    void AddRowRecord(std::unique_ptr<TBaseRecord> record);
    // The same for a ROW record given as its body.
    void AddRowRecord(std::span<const std::uint8_t> body);
    // Room for the rows a sheet says it uses (its DIMENSIONS record), so that the lists need not
    // grow row by row while the sheet is read.
    void ReserveRows(std::size_t rows, std::size_t cells);
    // Bytes the cells read so far take (the reader counts them against the stream's limit).
    std::size_t CellBytes() const { return rows_.HeldBytes(); }
    // Every row with cells but no ROW record gets one made by the reader, when the row-record
    // list is shorter than the cell list.
    void CompleteRowRecords();
    // Where two records give one cell (a writer emits a BLANK and later the value), the later
    // one stays and the earlier ones are dropped, as spreadsheet programs show the cell.
    void DropOverwrittenCells();

    // ---- Lookup ----
    // The cell list's length: 1 + the highest row that has a row list.
    std::size_t RowListCount() const { return rows_.size(); }
    // The row-record list's length.
    std::size_t RowRecordCount() const { return rowRecords_.size(); }
    const TBaseRecord* RowRecord(std::size_t row) const;
    TBaseRecord* RowRecord(std::size_t row);
    // Row `row`'s cells sorted by column, as the row's own list.
    const std::vector<TCell>& SortedRow(std::size_t row) const;
    // Row `row`'s cells sorted by column, without giving the row a list of its own.
    std::span<const TCell> SortedCells(std::size_t row) const { return rows_.Sorted(row); }
    // The cell at a 0-based row and column, or nullptr; "Invalid Row (%d)" / "Invalid
    // Column (%d)" outside the sheet.
    const TCell* Find(int row, int column) const;
    TCellValue Value(const TCell& cell) const;
    // The value at a 0-based position (empty without a cell).
    TCellValue ValueAt(int row, int column) const;
    TXlsCellValue CellInfo(int row, int column) const;
    // The values of columns 0 to values.size() - 1 of a 0-based row, as ValueAt gives them,
    // except that a shared string comes as 8-bit text (UTF-8) written into the text buffer the
    // value already holds. The row and column checks are those of ValueAt.
    void RowValuesAt(int row, std::span<TCellValue> values) const;

    const TBaseRecord* PooledRecord(const TCell& cell) const;
    TBaseRecord* PooledRecord(const TCell& cell);

    // ---- Edits (0-based, arguments already checked by the caller) ----
    // Moves every cell at column `destination` or right of it right by count * (last - first
    // + 1), then places `count` copies of the source columns from `destination` on.
    void InsertAndCopyColumns(int first, int last, int destination, int count, bool formulasOnly);
    void DeleteColumns(int column, int count);
    void DeleteRows(int row, int count);
    // Every ROW record's first column and last column + 1 from its row's cells.
    void RecalculateRowColumns();

    // A ROW record as the reader makes it for a row that has none.
    static std::unique_ptr<TBaseRecord> MakeRowRecord(std::uint16_t row);

    // ---- The writer's single-cell edits (cells_edit.cpp) ----
    TCell* FindMutable(int row, int column);
    // Puts a cell at its column position, replacing (and releasing) a cell already there.
    void SetCell(std::uint16_t row, const TCell& cell);
    // Removes (and releases) the cell at a position; false when there is none.
    bool RemoveCell(std::uint16_t row, std::uint16_t column);
    // The row's ROW record, made as the reader makes it when the row has none.
    TBaseRecord& EnsureRowRecord(std::uint16_t row);
    bool RowHasCells(std::size_t row) const;
    // Drops every row from `rows` on from both lists.
    void TruncateRows(std::size_t rows);
    // Adds a record to the record pool; the returned slot is a pooled cell's Payload.
    std::uint32_t AddToPool(std::unique_ptr<TBaseRecord> record);

private:
    TCellRow& RowList(std::size_t row);
    const TCell* FindIn(std::span<const TCell> cells, std::size_t row, int column) const;
    TCell Duplicate(const TCell& cell, std::uint16_t row, std::uint16_t column);
    void Release(const TCell& cell);
    void SetColumn(TCell& cell, std::uint16_t column);
    void SetRow(TCell& cell, std::uint16_t row);

    TSST* sst_;
    TCellList rows_;
    TRowRecordList rowRecords_;
    std::vector<std::unique_ptr<TBaseRecord>> pool_;
    std::vector<std::uint32_t> freeSlots_;
    // Where the last lookup ended: a row is usually read left to right.
    mutable std::size_t hintRow_ = 0;
    mutable std::size_t hintIndex_ = 0;
};

} // namespace orq::xls
