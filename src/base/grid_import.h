#pragma once

// The cells of one sheet held compactly in memory, and the import component of the readers that
// turn a whole file into such a sheet (the text and the Open XML readers): reading, the three
// sheet edits and the open/close rules are theirs in common; each reader only parses.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/import.h"

namespace orq {

// The largest sheet the grid holds (the Open XML format's own limits).
inline constexpr int kGridMaxRow = 1048576;
inline constexpr int kGridMaxColumn = 16384;

// A sheet of cells: numbers, Booleans and texts (UTF-8, in one text pool; a text added once may
// stand in several cells). Cells are added in any order; Finish sorts them by row and column and
// keeps, of two cells at one place, the later one. The memory the cells and texts take is
// bounded by a budget: past it the sheet fails with "Can't read file" (the file named).
class TGridSheet {
public:
    struct TText {
        std::uint64_t Offset = 0;
        std::uint32_t Length = 0;
    };

    explicit TGridSheet(std::size_t budget = SIZE_MAX, std::string name = {})
        : budget_(budget), name_(std::move(name)) {}

    // A text for AddText, copied into the pool.
    TText Intern(std::string_view utf8);
    // Adds a cell (1-based row and column, checked against the grid's limits).
    void AddNumber(int row, int column, double value);
    void AddBoolean(int row, int column, bool value);
    void AddText(int row, int column, TText text);
    void AddText(int row, int column, std::string_view utf8) { AddText(row, column, Intern(utf8)); }
    // Room for about `cells` cells and `textBytes` bytes of text, as far as the budget allows
    // (a reader that knows the size of what it reads saves the lists' growing).
    void Reserve(std::size_t cells, std::size_t textBytes);
    // Memory a reader holds beside the sheet while it fills it (a table of shared strings),
    // counted against the same budget.
    void Account(std::size_t bytes) { Charge(bytes); }
    // A row the file declares, with or without cells: the sheet has at least `row` rows.
    void NoteRow(int row);
    // Sorts the cells and makes the rows; no cell may be added afterwards.
    void Finish();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    TCellValue CellValue(int row, int column) const;
    void RowValues(int row, std::span<TCellValue> values) const;
    // The 1-based columns that hold a cell in a row, in order.
    std::vector<int> UsedColumns(int row) const;

    void InsertAndCopyColumns(int first, int last, int destination, int count);
    void DeleteColumns(int column, int count);
    void DeleteRows(int row, int count);

private:
    enum class Kind : std::uint8_t { Number, Boolean, Text };
    struct Cell {
        std::uint32_t Row = 0; // 0-based
        std::uint16_t Column = 0;
        Kind What = Kind::Number;
        std::uint32_t Length = 0;  // text length
        std::uint64_t Payload = 0; // the double's bits, the truth value, the text's offset
    };
    struct Span {
        std::uint32_t First = 0;
        std::uint32_t Count = 0;
    };

    void Add(int row, int column, Kind kind, std::uint32_t length, std::uint64_t payload);
    void Charge(std::size_t bytes);
    std::span<const Cell> RowCells(int row) const;
    void Value(const Cell& cell, TCellValue& out) const;
    // Rebuilds every row through `edit`, which gets a row's cells and appends the new ones.
    template <typename Edit> void Rebuild(Edit edit);

    std::vector<Cell> cells_;
    std::vector<Span> rows_;
    std::string pool_;
    int declaredRows_ = 0;
    bool inOrder_ = true;
    bool finished_ = false;
    std::size_t used_ = 0;
    std::size_t budget_;
    std::string name_;
};

// An import component whose reader turns a whole file into one TGridSheet. The sheet is its only
// sheet: SetActiveSheet(1) selects it; another number leaves no active sheet (no rows, no cells).
class TGridImport : public TListReader {
public:
    void OpenFile(const std::string& fileName) override;
    // Reads a sheet from the bytes of a file, as OpenFile does from a file.
    void OpenMemory(std::span<const std::uint8_t> bytes, const std::string& fileName = {}) override;
    void SetActiveSheet(int sheet) override;
    void CloseFile() override;

    int RowCount() const override;
    TCellValue CellValue(int row, int column) const override;
    // Text comes as 8-bit text (UTF-8).
    void RowValues(int row, std::span<TCellValue> values) const override;
    std::vector<int> UsedColumns(int row) const override;

    void InsertAndCopyColumns(int first, int last, int destination, int count) override;
    void DeleteColumns(int column, int count) override;
    void DeleteRows(int row, int count) override;

    bool IsOpen() const { return open_; }

protected:
    // Fills `sheet` from the file's bytes; `fileName` is the name the messages show. The sheet's
    // memory budget is set by the component: 32 MB and 6 times the file's size in use, so that
    // with the room its lists grow into and the file itself it stays under 64 MB and 13 times
    // the size.
    virtual void Parse(std::span<const std::uint8_t> bytes, const std::string& fileName,
                       TGridSheet& sheet) = 0;

private:
    const TGridSheet& Current() const;
    TGridSheet& Edited();

    TGridSheet sheet_;
    bool open_ = false;
    bool active_ = false;
};

} // namespace orq
