#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace orq {

// Fixed messages of every import component.
inline constexpr const char* kMsgNoOpenFile = "There is no open file";
inline constexpr const char* kMsgInvalidRow = "Invalid Row (%d)";
inline constexpr const char* kMsgInvalidColumn = "Invalid Column (%d)";
inline constexpr const char* kMsgInvalidArguments = "Ivalid arguments to call InsertAndCopyRows";

// The value of one sheet cell as the import component returns it. The alternatives are, in this
// order: empty, number, wide text (UTF-16), 8-bit text (UTF-8), Boolean. Dates stored as numbers
// are returned as their serial numbers; nothing is ever converted to a date here.
using TCellValue = std::variant<std::monostate, double, std::u16string, std::string, bool>;

enum class CellKind : std::uint8_t { Empty = 0, Number = 1, WideText = 2, Text8 = 3, Boolean = 4 };

inline CellKind KindOf(const TCellValue& value) {
    return static_cast<CellKind>(value.index());
}

// The one boundary through which the program reads a processing list: open a workbook, choose
// the sheet, read cells, and the three sheet edits the loader makes on an old-layout list.
// Rows, columns and sheets are numbered from 1. Every failure is an orq::Error carrying its
// fixed message.
class ImportComponent {
public:
    virtual ~ImportComponent() = default;

    virtual void OpenFile(const std::string& fileName) = 0;
    virtual void SetActiveSheet(int sheet) = 0;
    virtual void CloseFile() = 0;

    // The number of the last used row of the active sheet (0 when none).
    virtual int RowCount() const = 0;
    virtual TCellValue CellValue(int row, int column) const = 0;
    // The values of columns 1 to values.size() of a row, as CellValue gives them, written over
    // `values` in one call (a component may reuse the text buffers the values hold). Text may
    // come as wide or as 8-bit text.
    virtual void RowValues(int row, std::span<TCellValue> values) const {
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = CellValue(row, static_cast<int>(i) + 1);
    }

    virtual void InsertAndCopyColumns(int first, int last, int destination, int count) = 0;
    virtual void DeleteColumns(int column, int count) = 0;
    virtual void DeleteRows(int row, int count) = 0;
};

// A reader of whole lists: besides the component's operations it reads a list from bytes in
// memory (standard input) and tells which columns of a row hold a cell.
class TListReader : public ImportComponent {
public:
    // Reads a list from the bytes of a file, as OpenFile does from a file; `fileName` is the
    // name the messages show.
    virtual void OpenMemory(std::span<const std::uint8_t> bytes, const std::string& fileName) = 0;
    // The 1-based columns that hold a cell in a row of the active sheet, in order.
    virtual std::vector<int> UsedColumns(int row) const = 0;
};

} // namespace orq
