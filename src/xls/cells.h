#pragma once

// The cell store of a worksheet: the ROW records by row and the cell records of every row.
//
// A cell of a fixed-size kind (BLANK, NUMBER, RK, BOOLERR, LABELSST, and the cells MULRK and
// MULBLANK expand into) is held as a 16-byte TCell that carries every field of its record, so
// the record can be written again from it. LABEL, RSTRING and FORMULA cells keep their record
// objects (with CONTINUE chains and attached records) in the store's record pool; their TCell
// refers to the pool. The row of a cell is the row list it sits in.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "xls/import.h"
#include "xls/records.h"
#include "xls/sst.h"

namespace orq::xls {

inline constexpr const char* kMsgDuplicatedRow = "Duplicated ROW record";
inline constexpr const char* kMsgInvalidRow = "Invalid Row (%d)";
inline constexpr const char* kMsgInvalidColumn = "Invalid Column (%d)";
inline constexpr const char* kMsgTooManyEntries =
    "Too many entries for this kind of record (%d out of a maximum of %d)";

inline constexpr int kMaxRow = 65535;  // 0-based
inline constexpr int kMaxColumn = 255; // 0-based
inline constexpr std::size_t kRowRecordSize = 16;

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
    // Room for the rows a sheet says it uses (its DIMENSIONS record), so that the lists need not
    // grow row by row while the sheet is read.
    void ReserveRows(std::size_t rows);
    // Every row with cells but no ROW record gets one made by the reader, when the row-record
    // list is shorter than the cell list.
    void CompleteRowRecords();

    // ---- Lookup ----
    // The cell list's length: 1 + the highest row that has a row list.
    std::size_t RowListCount() const { return rows_.size(); }
    // The row-record list's length.
    std::size_t RowRecordCount() const { return rowRecords_.size(); }
    const TBaseRecord* RowRecord(std::size_t row) const;
    TBaseRecord* RowRecord(std::size_t row);
    // Row `row`'s cells sorted by column.
    const std::vector<TCell>& SortedRow(std::size_t row) const;
    // The cell at a 0-based row and column, or nullptr; "Invalid Row (%d)" / "Invalid
    // Column (%d)" outside the sheet.
    const TCell* Find(int row, int column) const;
    TCellValue Value(const TCell& cell) const;
    // The value at a 0-based position (empty without a cell).
    TCellValue ValueAt(int row, int column) const;
    TXlsCellValue CellInfo(int row, int column) const;

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
    const TCellRow& SortRow(std::size_t row) const;
    TCell Duplicate(const TCell& cell, std::uint16_t row, std::uint16_t column);
    void Release(const TCell& cell);
    void SetColumn(TCell& cell, std::uint16_t column);
    void SetRow(TCell& cell, std::uint16_t row);

    TSST* sst_;
    mutable std::vector<TCellRow> rows_;
    std::vector<std::unique_ptr<TBaseRecord>> rowRecords_;
    std::vector<std::unique_ptr<TBaseRecord>> pool_;
    std::vector<std::uint32_t> freeSlots_;
    std::size_t capacityHint_ = 8;
    // Where the last lookup ended: a row is usually read left to right.
    mutable std::size_t hintRow_ = 0;
    mutable std::size_t hintIndex_ = 0;
};

} // namespace orq::xls
