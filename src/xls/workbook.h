#pragma once

// The workbook model: the globals substream (shared strings, sheet list, formats, window
// settings and every other globals record in order) and the sheets, read from the "Workbook"
// stream of an .xls file; and TXLSFile, the open workbook behind the import component.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/import.h"
#include "xls/cfb.h"
#include "xls/records.h"
#include "xls/sst.h"
#include "xls/worksheet.h"

namespace orq::xls {

// A reader or writer used before a file was opened or created.
using orq::kMsgNoOpenFile;
inline constexpr const char* kMsgSheetNameExists = "Sheet name already exists: %s";
inline constexpr const char* kMsgListIndex = "List index out of bounds (%d)";
inline constexpr const char* kMsgSheetNumber =
    "Sheet number \"%d\" invalid. Must be between %d and %d";
using orq::kMsgInvalidArguments;

// One entry of the EXTERNSHEET record.
struct TExternSheetEntry {
    std::uint16_t SupBook = 0;
    std::uint16_t FirstSheet = 0;
    std::uint16_t LastSheet = 0;
};

class TWorkbookGlobals {
public:
    void Clear();
    // Reads the globals substream after its BOF, up to and including its EOF.
    void Read(TRecordReader& in, std::unique_ptr<TBaseRecord> bof);

    std::unique_ptr<TBaseRecord> Bof;
    std::unique_ptr<TBaseRecord> Eof;
    TSST Sst;
    TRecordList BoundSheets;                // BOUNDSHEET records in order
    std::vector<std::u16string> SheetNames; // their names
    TRecordList Names;                      // NAME records
    TRecordList Xfs;
    TRecordList Fonts;
    TRecordList Formats;
    TRecordList References; // SUPBOOK and EXTERNNAME records in order
    std::vector<TExternSheetEntry> ExternSheets;
    TRecordList DrawingGroup; // MSODRAWINGGROUP records
    // Every other globals record in file order, with a TListPlaceholder where the first FONT,
    // the first FORMAT and the first XF record stood.
    TRecordList Misc;
    // Links to records kept in Misc.
    TBaseRecord* Window1 = nullptr;
    TBaseRecord* DateMode = nullptr;
    TBaseRecord* BookBool = nullptr;
    TBaseRecord* Precision = nullptr;
    TBaseRecord* Palette = nullptr;
    bool HasMacros = false;
    std::u16string CodeName;
    // The Misc count when the last XF or STYLE record was read: where a writer inserts a
    // PALETTE record when the workbook has none.
    std::size_t PaletteInsertPosition = 0;

private:
    void AddBoundSheet(std::unique_ptr<TBaseRecord> record);
    void AddToList(TRecordList& list, std::unique_ptr<TBaseRecord> record);
    void ReadExternSheet(const TBaseRecord& record);

    std::unordered_set<std::u16string> sheetNameSet_; // SheetNames, for the duplicate check
};

class TWorkbook {
public:
    // Reads a whole "Workbook" record stream.
    void Read(std::span<const std::uint8_t> stream);

    // Marks sheet `index` (0-based) as the selected and shown one: WINDOW2 flags of every
    // sheet, WINDOW1's current, first and selected-count fields. "List index out of bounds (%d)"
    // when there is no such sheet.
    void SelectSheet(int index);

    TWorkbookGlobals Globals;
    std::vector<std::unique_ptr<TSheet>> Sheets; // in stream order
};

// The abstract open workbook that an adapter makes.
class TExcelFile {
public:
    virtual ~TExcelFile();

    virtual void OpenFile(const std::string& fileName) = 0;
    // Reads a workbook from the bytes of a compound file.
    virtual void OpenMemory(std::span<const std::uint8_t> bytes) = 0;

    virtual int ActiveSheet() const = 0; // 1-based
    virtual void SetActiveSheet(int sheet) = 0;
    virtual int SheetCount() const = 0;

    virtual int RowCount() const = 0;
    virtual TCellValue CellValue(int row, int column) const = 0;
    // Columns 1 to values.size() of a row in one call (see ImportComponent::RowValues).
    virtual void RowValues(int row, std::span<TCellValue> values) const = 0;
    // The 1-based columns (1 to 256) that hold a cell in a row of the active sheet, in order.
    virtual std::vector<int> UsedColumns(int row) const = 0;

    virtual void InsertAndCopyColumns(int first, int last, int destination, int count) = 0;
    virtual void DeleteColumns(int column, int count) = 0;
    virtual void DeleteRows(int row, int count) = 0;
};

class TXLSFile final : public TExcelFile {
public:
    explicit TXLSFile(bool allowOverwritingFiles = false);
    ~TXLSFile() override;

    void OpenFile(const std::string& fileName) override;
    void OpenMemory(std::span<const std::uint8_t> bytes) override;

    int ActiveSheet() const override { return activeSheet_; }
    // The active sheet number becomes `sheet`, then sheet - 1 is selected.
    void SetActiveSheet(int sheet) override;
    // The number of BOUNDSHEET records.
    int SheetCount() const override;

    int RowCount() const override;
    TCellValue CellValue(int row, int column) const override;
    void RowValues(int row, std::span<TCellValue> values) const override;
    std::vector<int> UsedColumns(int row) const override;

    void InsertAndCopyColumns(int first, int last, int destination, int count) override;
    void DeleteColumns(int column, int count) override;
    void DeleteRows(int row, int count) override;
    // As InsertAndCopyColumns; with `formulasOnly` only FORMULA cells are copied.
    void InsertAndCopyColumns(int first, int last, int destination, int count, bool formulasOnly);

    TWorkbook& Workbook() { return *workbook_; }
    const TWorkbook& Workbook() const { return *workbook_; }
    // The active sheet when it is a worksheet, else nullptr.
    const TWorkSheet* ActiveWorkSheet() const { return activeWorkSheet_; }
    TWorkSheet* ActiveWorkSheet() { return activeWorkSheet_; }
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }
    bool AllowOverwritingFiles() const { return allowOverwritingFiles_; }
    // The compound-file elements of the source file other than the "Workbook" stream.
    const TXlsStorageList& Storages() const { return storages_; }
    TXlsStorageList& Storages() { return storages_; }

private:
    void ReadStorage(std::unique_ptr<TOle2Storage> storage);
    // Finds the worksheet of the active sheet number again (cell reads use the link).
    void FindActiveWorkSheet();
    // The 0-based index of the active sheet for an edit, checked against the sheet count.
    int EditSheetIndex() const;
    TWorkSheet* EditSheet();

    std::unique_ptr<TWorkbook> workbook_;
    int activeSheet_ = 1;
    TWorkSheet* activeWorkSheet_ = nullptr;
    bool modified_ = false;
    TXlsStorageList storages_;
    bool allowOverwritingFiles_;
};

} // namespace orq::xls
