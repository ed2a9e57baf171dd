#pragma once

// The import component through which the program reads a processing list: TTavroImport with
// its adapter TXLSAdapter, which makes the TXLSFile objects that hold an open workbook.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/import.h"
#include "xls/workbook.h"

namespace orq::xls {

inline constexpr const char* kMsgNoAdapter = "There is no Adapter linked to the report";

// Makes the workbook objects of an import component.
class TExcelAdapter {
public:
    virtual ~TExcelAdapter();
    virtual std::unique_ptr<TExcelFile> GetFile() = 0;
};

// Supplies template workbooks to an adapter (none in this program).
class TXlsBaseTemplateStore {
public:
    virtual ~TXlsBaseTemplateStore();
};

enum TSaveFormat : unsigned {
    snXLS = 1u << 0,
    snCSVComma = 1u << 1,
    snCSVSemiColon = 1u << 2,
    snTabDelimited = 1u << 3
};

class TXLSAdapter final : public TExcelAdapter {
public:
    std::unique_ptr<TExcelFile> GetFile() override;

    unsigned SaveFormat = snXLS; // a set of TSaveFormat values
    TXlsBaseTemplateStore* TemplateStore = nullptr;
    bool AllowOverwritingFiles = false;
};

class TTavroImport final : public TListReader {
public:
    explicit TTavroImport(TXLSAdapter* adapter = nullptr) : Adapter(adapter) {}
    ~TTavroImport() override;

    // A component with an adapter of its own (AllowOverwritingFiles set), as the program's main
    // window has it.
    static std::unique_ptr<TTavroImport> WithOwnAdapter();

    TXLSAdapter* Adapter;

    void OpenFile(const std::string& fileName) override;
    // Reads a workbook from the bytes of an .xls file, as OpenFile does from a file.
    void OpenMemory(std::span<const std::uint8_t> bytes, const std::string& fileName = {}) override;
    void SetActiveSheet(int sheet) override;
    void CloseFile() override;

    int RowCount() const override;
    TCellValue CellValue(int row, int column) const override;
    // Shared strings come as 8-bit text (UTF-8), other text as wide text.
    void RowValues(int row, std::span<TCellValue> values) const override;
    // The 1-based columns that hold a cell in a row of the active sheet, in order.
    std::vector<int> UsedColumns(int row) const override;

    void InsertAndCopyColumns(int first, int last, int destination, int count) override;
    void DeleteColumns(int column, int count) override;
    void DeleteRows(int row, int count) override;

    // The open workbook, or nullptr.
    TExcelFile* File() { return file_.get(); }
    const TExcelFile* File() const { return file_.get(); }
    const std::string& FileName() const { return fileName_; }

private:
    template <typename OpenStep> void Open(const std::string& fileName, OpenStep step);
    TExcelFile& Current() const;

    std::unique_ptr<TExcelFile> file_;
    std::string fileName_;
    std::unique_ptr<TXLSAdapter> ownAdapter_;
};

} // namespace orq::xls
