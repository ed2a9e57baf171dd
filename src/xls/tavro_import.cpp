#include "xls/tavro_import.h"

namespace orq::xls {

TExcelAdapter::~TExcelAdapter() = default;
TXlsBaseTemplateStore::~TXlsBaseTemplateStore() = default;

std::unique_ptr<TExcelFile> TXLSAdapter::GetFile() {
    return std::make_unique<TXLSFile>(AllowOverwritingFiles);
}

TTavroImport::~TTavroImport() = default;

std::unique_ptr<TTavroImport> TTavroImport::WithOwnAdapter() {
    auto component = std::make_unique<TTavroImport>();
    component->ownAdapter_ = std::make_unique<TXLSAdapter>();
    component->ownAdapter_->AllowOverwritingFiles = true;
    component->Adapter = component->ownAdapter_.get();
    return component;
}

template <typename OpenStep> void TTavroImport::Open(const std::string& fileName, OpenStep step) {
    if (!Adapter) Fail(kMsgNoAdapter);
    CloseFile();
    // The component holds the workbook only when every step succeeded.
    std::unique_ptr<TExcelFile> file = Adapter->GetFile();
    step(*file);
    file_ = std::move(file);
    fileName_ = fileName;
}

void TTavroImport::OpenFile(const std::string& fileName) {
    Open(fileName, [&](TExcelFile& file) { file.OpenFile(fileName); });
}

void TTavroImport::OpenMemory(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    Open(fileName, [&](TExcelFile& file) { file.OpenMemory(bytes); });
}

void TTavroImport::CloseFile() {
    file_.reset();
    fileName_.clear();
}

TExcelFile& TTavroImport::Current() const {
    if (!file_) Fail(kMsgNoOpenFile);
    return *file_;
}

void TTavroImport::SetActiveSheet(int sheet) {
    Current().SetActiveSheet(sheet);
}

int TTavroImport::RowCount() const {
    return Current().RowCount();
}

TCellValue TTavroImport::CellValue(int row, int column) const {
    return Current().CellValue(row, column);
}

void TTavroImport::RowValues(int row, std::span<TCellValue> values) const {
    Current().RowValues(row, values);
}

std::vector<int> TTavroImport::UsedColumns(int row) const {
    return Current().UsedColumns(row);
}

void TTavroImport::InsertAndCopyColumns(int first, int last, int destination, int count) {
    Current().InsertAndCopyColumns(first, last, destination, count);
}

void TTavroImport::DeleteColumns(int column, int count) {
    Current().DeleteColumns(column, count);
}

void TTavroImport::DeleteRows(int row, int count) {
    Current().DeleteRows(row, count);
}

} // namespace orq::xls
