#pragma once

// The import component the program opens a processing list with: it looks at the file's first
// bytes, not at its name, and reads a compound file with the .xls reader, a zip archive with the
// .xlsx reader and other text with the text reader. Anything else is "The file \"%s\" is
// invalid".

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/import.h"

namespace orq::xls {
class TTavroImport;
}

namespace orq::import {

enum class ListFormat : std::uint8_t { Xls, Xlsx, Csv, Unknown };

// The format of a file from its first bytes (at least kSniffBytes of them when the file has
// that many): the compound-file signature, a zip archive's first record, a UTF-16 byte-order
// mark or text without NUL characters; an empty file is Unknown.
inline constexpr std::size_t kSniffBytes = 4096;
ListFormat SniffListFormat(std::span<const std::uint8_t> head);

class TListImport final : public TListReader {
public:
    TListImport();
    ~TListImport() override;

    void OpenFile(const std::string& fileName) override;
    // Reads a list from the bytes of a file, as OpenFile does from a file; `fileName` is the
    // name the messages show.
    void OpenMemory(std::span<const std::uint8_t> bytes, const std::string& fileName) override;
    void SetActiveSheet(int sheet) override;
    void CloseFile() override;

    int RowCount() const override;
    TCellValue CellValue(int row, int column) const override;
    void RowValues(int row, std::span<TCellValue> values) const override;
    // The 1-based columns that hold a cell in a row of the active sheet, in order.
    std::vector<int> UsedColumns(int row) const override;

    void InsertAndCopyColumns(int first, int last, int destination, int count) override;
    void DeleteColumns(int column, int count) override;
    void DeleteRows(int row, int count) override;

    // The format of the open list (Unknown when none is open).
    ListFormat Format() const { return format_; }
    // The .xls component when the open list is an .xls workbook, else nullptr.
    const xls::TTavroImport* Xls() const;

private:
    TListReader& Current() const;

    std::unique_ptr<TListReader> reader_;
    ListFormat format_ = ListFormat::Unknown;
};

} // namespace orq::import
