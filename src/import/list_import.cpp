#include "import/list_import.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "base/file.h"
#include "csv/csv_import.h"
#include "xls/tavro_import.h"
#include "xlsx/xlsx_import.h"

namespace orq::import {
namespace {

bool Starts(std::span<const std::uint8_t> head, std::span<const std::uint8_t> mark) {
    return head.size() >= mark.size() && std::equal(mark.begin(), mark.end(), head.begin());
}

} // namespace

ListFormat SniffListFormat(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kCompound[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    static constexpr std::uint8_t kZip[] = {'P', 'K', 0x03, 0x04};
    static constexpr std::uint8_t kEmptyZip[] = {'P', 'K', 0x05, 0x06};
    static constexpr std::uint8_t kUtf16Le[] = {0xFF, 0xFE};
    static constexpr std::uint8_t kUtf16Be[] = {0xFE, 0xFF};
    if (Starts(head, kCompound)) return ListFormat::Xls;
    if (Starts(head, kZip) || Starts(head, kEmptyZip)) return ListFormat::Xlsx;
    if (Starts(head, kUtf16Le) || Starts(head, kUtf16Be)) return ListFormat::Csv;
    if (head.empty() || std::memchr(head.data(), 0, head.size()) != nullptr)
        return ListFormat::Unknown;
    return ListFormat::Csv;
}

TListImport::TListImport() = default;
TListImport::~TListImport() = default;

namespace {

std::unique_ptr<TListReader> ReaderFor(ListFormat format, const std::string& fileName) {
    switch (format) {
    case ListFormat::Xls:
        return xls::TTavroImport::WithOwnAdapter();
    case ListFormat::Xlsx:
        return std::make_unique<xlsx::TXlsxImport>();
    case ListFormat::Csv:
        return std::make_unique<csv::TCsvImport>();
    case ListFormat::Unknown:
        break;
    }
    Fail(kMsgFileInvalid, fileName.c_str());
}

} // namespace

void TListImport::OpenFile(const std::string& fileName) {
    CloseFile();
    ListFormat format = ListFormat::Xls;
    try {
        const TFileBytes head = ReadRegularFile(fileName, kSniffBytes, TOversize::ReadHead);
        format = SniffListFormat(head.View());
    } catch (const Error&) {
        // A file that cannot be read is the .xls reader's to report, in its own words (it finds
        // a name given without its ending, too).
    }
    auto reader = ReaderFor(format, fileName);
    reader->OpenFile(fileName);
    reader_ = std::move(reader);
    format_ = format;
}

void TListImport::OpenMemory(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    CloseFile();
    const ListFormat format = SniffListFormat(bytes.first(std::min(bytes.size(), kSniffBytes)));
    auto reader = ReaderFor(format, fileName);
    reader->OpenMemory(bytes, fileName);
    reader_ = std::move(reader);
    format_ = format;
}

const xls::TTavroImport* TListImport::Xls() const {
    return format_ == ListFormat::Xls ? static_cast<const xls::TTavroImport*>(reader_.get())
                                      : nullptr;
}

TListReader& TListImport::Current() const {
    if (!reader_) Fail(kMsgNoOpenFile);
    return *reader_;
}

void TListImport::SetActiveSheet(int sheet) {
    Current().SetActiveSheet(sheet);
}

void TListImport::CloseFile() {
    reader_.reset();
    format_ = ListFormat::Unknown;
}

int TListImport::RowCount() const {
    return Current().RowCount();
}

TCellValue TListImport::CellValue(int row, int column) const {
    return Current().CellValue(row, column);
}

void TListImport::RowValues(int row, std::span<TCellValue> values) const {
    Current().RowValues(row, values);
}

std::vector<int> TListImport::UsedColumns(int row) const {
    return Current().UsedColumns(row);
}

void TListImport::InsertAndCopyColumns(int first, int last, int destination, int count) {
    Current().InsertAndCopyColumns(first, last, destination, count);
}

void TListImport::DeleteColumns(int column, int count) {
    Current().DeleteColumns(column, count);
}

void TListImport::DeleteRows(int row, int count) {
    Current().DeleteRows(row, count);
}

} // namespace orq::import
