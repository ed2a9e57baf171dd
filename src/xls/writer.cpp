#include "xls/writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "base/error.h"
#include "base/utf.h"
#include "xls/byte_reader.h"
#include "xls/record_sink.h"
#include "xls/serialise.h"
#include "xls/template.h"

namespace orq::xls {
namespace {

// ROW record fields: first column u16 at 2, last column + 1 at 4, height at 6, option bytes at
// 12 and 13, XF (low 12 bits) at 14.
constexpr std::size_t kRowFirstColumn = 2, kRowLastColumn = 4, kRowHeight = 6, kRowOptions = 12;
constexpr std::uint8_t kRowHasXF = 0x80, kRowHeightSet = 0x40;
constexpr std::uint32_t kEmptySlot = 0xFFFFFFFF;

void CheckPosition(int row, int column) {
    if (row < 0 || row > kMaxRow) Fail(kMsgInvalidRow, row);
    if (column < 0 || column > kMaxColumn) Fail(kMsgInvalidColumn, column);
}

std::uint64_t HashBytes(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 0xCBF29CE484222325ull; // FNV-1a
    for (std::uint8_t b : bytes)
        hash = (hash ^ b) * 0x100000001B3ull;
    return hash;
}

// The RK form of a number when it has one that reads back exactly.
bool EncodeRk(double value, std::uint32_t& rk) {
    const auto fits = [](double v) { return v >= -536870912.0 && v <= 536870911.0; };
    if (fits(value) && value == std::floor(value)) {
        rk = (static_cast<std::uint32_t>(static_cast<std::int32_t>(value)) << 2) | 0x02;
        return true;
    }
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    if ((bits & 0x3FFFFFFFFull) == 0) {
        rk = static_cast<std::uint32_t>(bits >> 32);
        return true;
    }
    const double hundred = value * 100.0;
    if (fits(hundred) && hundred == std::floor(hundred) &&
        static_cast<double>(static_cast<std::int32_t>(hundred)) / 100.0 == value) {
        rk = (static_cast<std::uint32_t>(static_cast<std::int32_t>(hundred)) << 2) | 0x03;
        return true;
    }
    return false;
}

std::vector<std::uint8_t> BoundSheetData(const std::u16string& name) {
    // Position (set when written), visible, worksheet.
    std::vector<std::uint8_t> data(6, 0);
    AppendExcelString(data, name, 1);
    return data;
}

bool SameNameIgnoringCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

} // namespace

void TXlsWriter::TStringIndex::Insert(std::uint64_t hash, std::uint32_t position) {
    if (2 * (count + 1) > positions.size()) Grow();
    const std::size_t mask = positions.size() - 1;
    std::size_t slot = hash & mask;
    while (positions[slot] != kEmptySlot)
        slot = (slot + 1) & mask;
    hashes[slot] = hash;
    positions[slot] = position;
    ++count;
}

void TXlsWriter::TStringIndex::Grow() {
    std::vector<std::uint64_t> oldHashes = std::move(hashes);
    std::vector<std::uint32_t> oldPositions = std::move(positions);
    const std::size_t size = std::max<std::size_t>(1024, 2 * oldPositions.size());
    hashes.assign(size, 0);
    positions.assign(size, kEmptySlot);
    count = 0;
    for (std::size_t i = 0; i < oldPositions.size(); ++i)
        if (oldPositions[i] != kEmptySlot) Insert(oldHashes[i], oldPositions[i]);
}

TXlsWriter::TXlsWriter() = default;
TXlsWriter::~TXlsWriter() = default;
TXlsWriter::TXlsWriter(TXlsWriter&&) noexcept = default;
TXlsWriter& TXlsWriter::operator=(TXlsWriter&&) noexcept = default;

TXLSFile& TXlsWriter::File() {
    if (!file_) Fail(kMsgNoOpenFile);
    return *file_;
}

const TXLSFile& TXlsWriter::File() const {
    if (!file_) Fail(kMsgNoOpenFile);
    return *file_;
}

TWorkbookGlobals& TXlsWriter::Globals() {
    return File().Workbook().Globals;
}

TWorkSheet& TXlsWriter::Sheet() {
    TWorkSheet* sheet = File().ActiveWorkSheet();
    if (!sheet) Fail(kMsgSheetNumber, ActiveSheet(), 1, SheetCount());
    return *sheet;
}

const TWorkSheet& TXlsWriter::Sheet() const {
    const TWorkSheet* sheet = File().ActiveWorkSheet();
    if (!sheet) Fail(kMsgSheetNumber, ActiveSheet(), 1, SheetCount());
    return *sheet;
}

void TXlsWriter::NewFile(int sheetCount) {
    auto file = std::make_unique<TXLSFile>(false);
    file->OpenMemory(EmptyWorkbookTemplate());
    file_ = std::move(file);
    formatsSorted_ = false;
    stringIndex_.Clear();
    if (sheetCount > 1) InsertEmptySheets(2, sheetCount - 1);
    file_->SetModified(false);
}

void TXlsWriter::OpenFile(const std::string& fileName) {
    auto file = std::make_unique<TXLSFile>(false);
    file->OpenFile(fileName);
    file_ = std::move(file);
    formatsSorted_ = false;
    stringIndex_.Clear();
}

void TXlsWriter::OpenMemory(std::span<const std::uint8_t> bytes) {
    auto file = std::make_unique<TXLSFile>(false);
    file->OpenMemory(bytes);
    file_ = std::move(file);
    formatsSorted_ = false;
    stringIndex_.Clear();
}

int TXlsWriter::SheetCount() const {
    return File().SheetCount();
}
int TXlsWriter::ActiveSheet() const {
    return File().ActiveSheet();
}
void TXlsWriter::SetActiveSheet(int sheet) {
    File().SetActiveSheet(sheet);
}
bool TXlsWriter::Modified() const {
    return File().Modified();
}

void TXlsWriter::InsertEmptySheets(int position, int count) {
    TWorkbook& workbook = File().Workbook();
    TWorkbookGlobals& globals = workbook.Globals;
    const int sheets = SheetCount();
    if (position < 1 || position > sheets + 1) Fail(kMsgSheetNumber, position, 1, sheets + 1);
    if (count <= 0) return;
    const auto at = static_cast<std::size_t>(position - 1);
    for (int i = 0; i < count; ++i) {
        std::u16string name;
        for (int n = 1;; ++n) {
            const std::string candidate = "Sheet" + std::to_string(n);
            name.assign(candidate.begin(), candidate.end());
            const bool used = std::any_of(
                globals.SheetNames.begin(), globals.SheetNames.end(),
                [&](const std::u16string& other) { return SameNameIgnoringCase(other, name); });
            if (!used) break;
        }
        const std::size_t slot = at + static_cast<std::size_t>(i);
        globals.BoundSheets.insert(
            globals.BoundSheets.begin() + static_cast<std::ptrdiff_t>(slot),
            std::make_unique<TBaseRecord>(rid::kBoundSheet, BoundSheetData(name)));
        globals.SheetNames.insert(globals.SheetNames.begin() + static_cast<std::ptrdiff_t>(slot),
                                  name);

        auto sheet = std::make_unique<TWorkSheet>(globals.Sst);
        TRecordReader in(EmptyWorksheetTemplate());
        const TRecordHeader header = in.RequireHeader();
        sheet->Bof = in.ReadRecord(header);
        sheet->Read(in);
        workbook.Sheets.insert(workbook.Sheets.begin() + static_cast<std::ptrdiff_t>(slot),
                               std::move(sheet));
    }
    // Sheet-local names and sheet references at or after the position move with their sheets.
    for (auto& name : globals.Names) {
        if (name->Data.size() < 10) continue;
        const std::uint16_t sheet = ReadU16LE(name->Data, 8); // 1-based, 0 for global names
        if (sheet >= position)
            StoreLE(std::span<std::uint8_t>(name->Data), 8,
                    static_cast<std::uint16_t>(sheet + count));
    }
    for (TExternSheetEntry& entry : globals.ExternSheets) {
        auto shift = [&](std::uint16_t& index) {
            if (index < 0xFFFE && index >= at) index = static_cast<std::uint16_t>(index + count);
        };
        shift(entry.FirstSheet);
        shift(entry.LastSheet);
    }
    File().SetModified(true);
}

std::uint16_t TXlsWriter::DefaultXF(const TWorkSheet& sheet, int row, int column) const {
    if (const TBaseRecord* record = sheet.Cells.RowRecord(static_cast<std::size_t>(row)))
        if (record->Data[kRowOptions] & kRowHasXF)
            return static_cast<std::uint16_t>(ReadU16LE(record->Data, 14) & 0x0FFF);
    for (const TColumnInfo& info : sheet.ColumnInfo)
        if (info.Column == column) return info.Xf;
    return kDefaultCellXF;
}

TTavroFormat TXlsWriter::GetCellFormat(int row, int column) {
    return FormatOfXF(GetCellXF(row, column));
}

std::uint16_t TXlsWriter::GetCellXF(int row, int column) {
    const int r = row - 1, c = column - 1;
    CheckPosition(r, c);
    TWorkSheet& sheet = Sheet();
    if (const TCell* cell = sheet.Cells.Find(r, c)) return cell->Xf;
    const TBaseRecord* record = sheet.Cells.RowRecord(static_cast<std::size_t>(r));
    const std::uint16_t rowXF =
        record ? static_cast<std::uint16_t>(ReadU16LE(record->Data, 14) & 0x0FFF) : 0;
    if (record && (record->Data[kRowOptions] & kRowHasXF) && rowXF >= 1) return rowXF;
    for (const TColumnInfo& info : sheet.ColumnInfo)
        if (info.Column == c) return info.Xf;
    return kDefaultCellXF;
}

TTavroFormat TXlsWriter::FormatOfXF(std::uint16_t xf) {
    TWorkbookGlobals& globals = Globals();
    if (globals.Xfs.empty()) return TTavroFormat{};
    const TBaseRecord& record = *globals.Xfs[xf < globals.Xfs.size() ? xf : 0];
    TTavroFormat format = DecodeXFRecord(record.Data);

    std::size_t fontPosition = FontListPosition(XFFontIndex(record.Data));
    if (fontPosition >= globals.Fonts.size()) fontPosition = 0;
    if (!globals.Fonts.empty()) format.Font = DecodeFontRecord(globals.Fonts[fontPosition]->Data);

    const std::uint16_t formatIndex = XFFormatIndex(record.Data);
    SortFormats();
    const auto found =
        std::find_if(globals.Formats.begin(), globals.Formats.end(),
                     [&](const auto& f) { return FormatRecordIndex(f->Data) == formatIndex; });
    format.NumberFormat = found != globals.Formats.end()
                              ? FormatRecordText((*found)->Data)
                              : BuiltInFormatText(formatIndex, DateNotation);
    return format;
}

void TXlsWriter::SortFormats() {
    if (formatsSorted_) return;
    auto& formats = Globals().Formats;
    std::stable_sort(formats.begin(), formats.end(), [](const auto& a, const auto& b) {
        return FormatRecordIndex(a->Data) < FormatRecordIndex(b->Data);
    });
    formatsSorted_ = true;
}

std::uint32_t TXlsWriter::AddString(std::u16string_view text) {
    TSST& sst = Globals().Sst;
    if (text.size() > kMaxCellTextLength) {
        // Cut before a surrogate pair that the limit would split: half a pair is no character.
        std::size_t keep = kMaxCellTextLength;
        if (text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
        text = text.substr(0, keep);
    }
    std::vector<std::uint8_t> entry(TSST::kHeaderSize, 0);
    entry.reserve(TSST::kHeaderSize + 3 + 2 * text.size());
    AppendExcelString(entry, text, 2);
    const auto string = std::span<const std::uint8_t>(entry).subspan(TSST::kHeaderSize);

    TStringIndex& index = stringIndex_;
    if (!index.built) {
        for (std::uint32_t position : sst.Entries())
            index.Insert(HashBytes(sst.StringBytes(position)), position);
        index.built = true;
    }
    const std::uint64_t hash = HashBytes(string);
    if (index.count > 0) {
        const std::size_t mask = index.positions.size() - 1;
        for (std::size_t slot = hash & mask; index.positions[slot] != kEmptySlot;
             slot = (slot + 1) & mask) {
            if (index.hashes[slot] != hash) continue;
            const auto stored = sst.StringBytes(index.positions[slot]);
            if (stored.size() == string.size() &&
                std::memcmp(stored.data(), string.data(), string.size()) == 0) {
                sst.AddRef(index.positions[slot]);
                return index.positions[slot];
            }
        }
    }
    std::vector<std::uint8_t>& area = sst.MutableArea();
    if (area.size() + entry.size() > 0xFFFFFFFFull) Fail(kMsgErrorWritingOutput);
    const auto position = static_cast<std::uint32_t>(area.size());
    StoreLE(std::span<std::uint8_t>(entry), TSST::kRefCountOffset, std::uint16_t{1});
    area.insert(area.end(), entry.begin(), entry.end());
    sst.Entries().push_back(position);
    index.Insert(hash, position);
    return position;
}

void TXlsWriter::StoreCell(int r, int c, const TCellValue& value, const std::uint16_t* xfOfValue) {
    CheckPosition(r, c);
    TWorkSheet& sheet = Sheet();
    TCells& cells = sheet.Cells;
    const auto row = static_cast<std::uint16_t>(r);
    const auto column = static_cast<std::uint16_t>(c);
    cells.EnsureRowRecord(row);

    const std::uint16_t positionDefault = DefaultXF(sheet, r, c);
    std::uint16_t xf = positionDefault;
    if (const TCell* existing = cells.Find(r, c)) xf = existing->Xf;
    if (xfOfValue) xf = *xfOfValue;

    TCell cell;
    cell.Column = column;
    cell.Xf = xf;
    bool create = true;
    std::u16string text;
    bool isText = false;
    if (const auto* wide = std::get_if<std::u16string>(&value)) {
        text = *wide;
        isText = true;
    } else if (const auto* narrow = std::get_if<std::string>(&value)) {
        text = Utf8ToUtf16(*narrow);
        isText = true;
    }
    if (isText && !text.empty()) {
        cell.Id = rid::kLabelSst;
        cell.Payload = AddString(text);
    } else if (const auto* number = std::get_if<double>(&value)) {
        std::uint32_t rk = 0;
        if (EncodeRk(*number, rk)) {
            cell.Id = rid::kRk;
            cell.Payload = rk;
        } else {
            cell.Id = rid::kNumber;
            cell.Payload = std::bit_cast<std::uint64_t>(*number);
        }
    } else if (const auto* boolean = std::get_if<bool>(&value)) {
        cell.Id = rid::kBoolErr;
        cell.Value8 = *boolean ? 1 : 0;
    } else {
        cell.Id = rid::kBlank;
        create = xf != positionDefault;
    }

    if (create) {
        cells.SetCell(row, cell); // replaces (and releases) a cell already there
        TBaseRecord& record = cells.EnsureRowRecord(row);
        const std::span<std::uint8_t> data(record.Data);
        if (ReadU16LE(data, kRowLastColumn) < c + 1)
            StoreLE(data, kRowLastColumn, static_cast<std::uint16_t>(c + 1));
        if (ReadU16LE(data, kRowFirstColumn) > c) StoreLE(data, kRowFirstColumn, column);
    } else {
        cells.RemoveCell(row, column);
    }

    // Trailing rows that hold nothing and whose ROW record is untouched go again.
    const std::size_t keep = create ? std::size_t{row} + 1 : 0;
    for (std::size_t slots = std::max(cells.RowRecordCount(), cells.RowListCount()); slots > keep;
         --slots) {
        const std::size_t last = slots - 1;
        if (cells.RowHasCells(last)) break;
        if (const TBaseRecord* record = cells.RowRecord(last))
            if (record->Data[kRowOptions] != 0x00 || record->Data[kRowOptions + 1] != 0x01) break;
        cells.TruncateRows(last);
    }
    File().SetModified(true);
}

void TXlsWriter::SetCellValue(int row, int column, const TCellValue& value) {
    StoreCell(row - 1, column - 1, value, nullptr);
}

void TXlsWriter::SetCellFormat(int row, int column, std::uint16_t xf) {
    const int r = row - 1, c = column - 1;
    CheckPosition(r, c);
    TCells& cells = Sheet().Cells;
    if (TCell* cell = cells.FindMutable(r, c)) {
        cell->Xf = xf;
        if (TBaseRecord* record = cells.PooledRecord(*cell))
            if (record->Data.size() >= 6) StoreLE(std::span<std::uint8_t>(record->Data), 4, xf);
        File().SetModified(true);
        return;
    }
    StoreCell(r, c, TCellValue{}, &xf);
}

std::uint16_t TXlsWriter::FontIndexFor(const TTavroFont& font) {
    const std::vector<std::uint8_t> bytes = EncodeFontRecord(font);
    auto& fonts = Globals().Fonts;
    for (std::size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i]->Data == bytes) return FontIndexOfPosition(i);
    fonts.push_back(std::make_unique<TBaseRecord>(rid::kFont, bytes));
    return FontIndexOfPosition(fonts.size() - 1);
}

std::uint16_t TXlsWriter::FormatIndexFor(const std::u16string& text) {
    auto& formats = Globals().Formats;
    for (const auto& format : formats)
        if (FormatRecordText(format->Data) == text) return FormatRecordIndex(format->Data);
    for (int i = 0; i <= 49; ++i)
        if (BuiltInFormatText(i, DateNotation) == text) return static_cast<std::uint16_t>(i);
    SortFormats();
    std::uint16_t index = kFirstCustomFormat;
    if (!formats.empty())
        index = std::max<std::uint16_t>(
            index, static_cast<std::uint16_t>(FormatRecordIndex(formats.back()->Data) + 1));
    formats.push_back(std::make_unique<TBaseRecord>(rid::kFormat, EncodeFormatRecord(index, text)));
    formatsSorted_ = false;
    return index;
}

std::uint16_t TXlsWriter::AddFormat(const TTavroFormat& format) {
    const std::uint16_t font = FontIndexFor(format.Font);
    const std::uint16_t number = FormatIndexFor(format.NumberFormat);
    const std::vector<std::uint8_t> bytes = EncodeXFRecord(format, font, number);
    auto& xfs = Globals().Xfs;
    for (std::size_t i = 0; i < xfs.size(); ++i)
        if (xfs[i]->Data == bytes) return static_cast<std::uint16_t>(i);
    xfs.push_back(std::make_unique<TBaseRecord>(rid::kXf, bytes));
    File().SetModified(true);
    return static_cast<std::uint16_t>(xfs.size() - 1);
}

void TXlsWriter::SetColumnWidth(int column, std::uint16_t width) {
    const int c = column - 1;
    if (c < 0 || c > kMaxColumn) Fail(kMsgInvalidColumn, c);
    auto& columns = Sheet().ColumnInfo;
    auto it =
        std::lower_bound(columns.begin(), columns.end(), c,
                         [](const TColumnInfo& info, int value) { return info.Column < value; });
    if (it != columns.end() && it->Column == c) {
        it->Width = width;
    } else {
        TColumnInfo info;
        info.Column = static_cast<std::uint16_t>(c);
        info.Width = width;
        info.Xf = kDefaultCellXF;
        columns.insert(it, info);
    }
    File().SetModified(true);
}

void TXlsWriter::SetRowHeight(int row, std::uint16_t height) {
    const int r = row - 1;
    if (r < 0 || r > kMaxRow) Fail(kMsgInvalidRow, r);
    TBaseRecord& record = Sheet().Cells.EnsureRowRecord(static_cast<std::uint16_t>(r));
    StoreLE(std::span<std::uint8_t>(record.Data), kRowHeight, height);
    record.Data[kRowOptions] |= kRowHeightSet;
    File().SetModified(true);
}

std::uint16_t TXlsWriter::PageSetupOptions() const {
    const TBaseRecord* setup = Sheet().Setup;
    return setup && setup->Data.size() >= 12 ? ReadU16LE(setup->Data, 10) : 0;
}

void TXlsWriter::SetPageSetupOptions(std::uint16_t options) {
    TBaseRecord* setup = Sheet().Setup;
    if (!setup || setup->Data.size() < 12) return;
    StoreLE(std::span<std::uint8_t>(setup->Data), 10, static_cast<std::uint16_t>(options & 0xFF));
}

void TXlsWriter::SetPrintScale(long scale) {
    if (scale < 0 || scale > 65535)
        Fail(kMsgPropertyRange, static_cast<int>(scale), "PrintScale", 0, 65535);
    TBaseRecord* setup = Sheet().Setup;
    if (!setup || setup->Data.size() < 12) return;
    const std::span<std::uint8_t> data(setup->Data);
    StoreLE(data, 2, static_cast<std::uint16_t>(scale));
    StoreLE(data, 10, static_cast<std::uint16_t>(ReadU16LE(data, 10) & ~0x0004));
}

void TXlsWriter::SetSummaryRowsBelow(bool on) {
    TBaseRecord* wsbool = Sheet().WsBool;
    if (!wsbool || wsbool->Data.empty()) return;
    wsbool->Data[0] =
        static_cast<std::uint8_t>(on ? wsbool->Data[0] | 0x40 : wsbool->Data[0] & ~0x40);
}

void TXlsWriter::SetSummaryColsRight(bool on) {
    TBaseRecord* wsbool = Sheet().WsBool;
    if (!wsbool || wsbool->Data.empty()) return;
    wsbool->Data[0] =
        static_cast<std::uint8_t>(on ? wsbool->Data[0] | 0x80 : wsbool->Data[0] & ~0x80);
}

void TXlsWriter::SetShowGridLines(bool on) {
    TBaseRecord* window2 = Sheet().Window2;
    if (!window2 || window2->Data.size() < 2) return;
    const std::uint16_t flags = ReadU16LE(window2->Data, 0);
    StoreLE(std::span<std::uint8_t>(window2->Data), 0,
            static_cast<std::uint16_t>(on ? flags | 0x0002 : flags & ~0x0002));
}

void TXlsWriter::SetSelectedSheet(int sheet) {
    File().Workbook().SelectSheet(sheet - 1);
}

void TXlsWriter::WriteFile(TOle2Storage& storage) {
    for (const TXlsStorage& item : File().Storages())
        if (item.name != kWorkbookStreamName) WriteElement(item, storage);
    TOle2Stream stream(storage, kWorkbookStreamName);
    TBufferedSink sink([&](std::span<const std::uint8_t> bytes) {
        stream.Write(bytes.data(), bytes.size());
        return bytes.size();
    });
    WriteWorkbook(sink, File().Workbook());
    sink.Finish();
}

void TXlsWriter::SaveAs(const std::string& fileName, bool overwrite) {
    std::error_code error;
    if (!overwrite && std::filesystem::exists(fileName, error))
        Fail(kMsgCantWriteFile, fileName.c_str());
    File(); // no workbook: fail before anything is created
    auto storage = TOle2Storage::Create(fileName, overwrite);
    WriteFile(*storage);
    storage->Close();
}

std::vector<std::uint8_t> TXlsWriter::SaveToMemory() {
    std::vector<std::uint8_t> bytes;
    auto storage = TOle2Storage::CreateInMemory(bytes);
    WriteFile(*storage);
    storage->Close();
    return bytes;
}

std::vector<std::uint8_t> TXlsWriter::WorkbookStream() {
    TVectorSink sink;
    WriteWorkbook(sink, File().Workbook());
    return std::move(sink.Bytes());
}

} // namespace orq::xls
