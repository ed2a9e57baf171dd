#include "xls/workbook.h"

#include "base/utf.h"
#include <algorithm>
#include <limits>

// What a read of a workbook may cost, whatever the file holds:
//   - the file: regular files only, opened without blocking, at most kMaxInputFileSize bytes
//     (base/file.h); the compound-file elements held besides the "Workbook" stream never add
//     up to more than the file itself (xls/cfb*);
//   - the record stream: every record object kept, every row slot and every cell of a
//     worksheet's cell lists and every sheet is counted against kHeldAllowance +
//     kHeldPerStreamByte x the stream's size (TRecordReader::Hold); a stream that would hold
//     more is refused with "Error reading Excel records. File invalid". A MULBLANK cell, the
//     densest, takes 16 bytes for 2 bytes of stream, so a sheet of nothing else still fits; a
//     MULBLANK or MULRK yields no cells right of the last column, and the cell block grows by
//     chunks, never holding a second copy of itself while it grows;
//   - reservations made from what a record announces (DIMENSIONS) never exceed what the rest
//     of the stream could fill, and are skipped when the limit has no room for them;
//   - only the sheets named by BOUNDSHEET records are read; further substreams are passed over
//     record by record without being kept;
//   - time: one pass over the stream; sheet names are checked through a hash set.
// Each kind of content is so bounded by the bytes it comes from, and the peak grows linearly with
// the file: at most about 64 MB + 16 x its size (scripts/hostile_inputs.sh measures crafted
// inputs against it).

namespace orq::xls {

// ---- Globals ------------------------------------------------------------------------------------

void TWorkbookGlobals::Clear() {
    *this = TWorkbookGlobals();
}

void TWorkbookGlobals::AddToList(TRecordList& list, std::unique_ptr<TBaseRecord> record) {
    if (list.empty()) Misc.push_back(std::make_unique<TListPlaceholder>(record->Id));
    list.push_back(std::move(record));
}

void TWorkbookGlobals::AddBoundSheet(std::unique_ptr<TBaseRecord> record) {
    // Stream position u32 (ignored), visibility u8, sheet type u8, then the name with a 1-byte
    // character count. Names are compared exactly: "Data" and "data" are two sheets.
    std::u16string name = TContinuedReader(*record, biff::boundsheet::kName).ReadString(1).Text();
    if (!sheetNameSet_.insert(name).second) Fail(kMsgSheetNameExists, ToUtf8(name).c_str());
    SheetNames.push_back(std::move(name));
    BoundSheets.push_back(std::move(record));
}

void TWorkbookGlobals::ReadExternSheet(const TBaseRecord& record) {
    TContinuedReader in(record);
    const std::uint16_t count = in.U16();
    ExternSheets.reserve(std::min<std::size_t>(count, record.Data.size() / 6));
    for (std::uint16_t i = 0; i < count; ++i) {
        TExternSheetEntry entry;
        entry.SupBook = in.U16();
        entry.FirstSheet = in.U16();
        entry.LastSheet = in.U16();
        ExternSheets.push_back(entry);
    }
}

void TWorkbookGlobals::Read(TRecordReader& in, std::unique_ptr<TBaseRecord> bof) {
    Clear();
    Bof = std::move(bof);
    for (;;) {
        const TRecordHeader header = in.RequireHeader();
        auto record = in.ReadRecord(header);
        const std::uint16_t id = record->Id;
        if (id == rid::kBof) Fail(kReadErrorMessage);

        switch (id) {
        case rid::kXf:
        case rid::kStyle:
            PaletteInsertPosition = Misc.size();
            break;
        case rid::kObProj:
            HasMacros = true;
            break;
        case rid::kCodeName:
            CodeName = TContinuedReader(*record).ReadString(2).Text();
            break;
        default:
            break;
        }
        if (IsDroppedRecord(id)) continue;

        switch (id) {
        case rid::kBoundSheet:
            AddBoundSheet(std::move(record));
            break;
        case rid::kName:
            Names.push_back(std::move(record));
            break;
        case rid::kXf:
            AddToList(Xfs, std::move(record));
            break;
        case rid::kFont:
            AddToList(Fonts, std::move(record));
            break;
        case rid::kFormat:
            AddToList(Formats, std::move(record));
            break;
        case rid::kEof:
            Eof = std::move(record);
            return;
        case rid::kSst:
            Sst.Read(*record);
            break;
        case rid::kSupBook:
        case rid::kExternName:
        case rid::kExternName2:
            References.push_back(std::move(record));
            break;
        case rid::kExternSheet:
            ReadExternSheet(*record);
            break;
        case rid::kMsoDrawingGroup:
            DrawingGroup.push_back(std::move(record));
            break;
        default:
            switch (id) {
            case rid::kWindow1:
                // The active sheet, the first tab and the count of selected tabs are read and
                // written.
                RequireSize(id, record->Data, End(biff::window1::SelectedTabs));
                Window1 = record.get();
                break;
            case rid::kDateMode:
                DateMode = record.get();
                break;
            case rid::kBookBool:
                BookBool = record.get();
                break;
            case rid::kPrecision:
                Precision = record.get();
                break;
            case rid::kPalette:
                Palette = record.get();
                break;
            default:
                break;
            }
            Misc.push_back(std::move(record));
            break;
        }
    }
}

// ---- Workbook -----------------------------------------------------------------------------------

namespace {
// Passes over a substream whose BOF was just read, up to and including its EOF, keeping
// nothing; substreams nested in it are passed over too.
void SkipSubstream(TRecordReader& in) {
    for (int depth = 0;;) {
        const TRecordHeader header = in.RequireHeader();
        TRecordReader::CheckRecord(header.Id, in.ReadBody(header));
        if (header.Id == rid::kBof) ++depth;
        if (header.Id == rid::kEof && depth-- == 0) return;
    }
}
} // namespace

void TWorkbook::Read(std::span<const std::uint8_t> stream) {
    Sheets.clear();
    Globals.Clear();
    TRecordReader in(stream);
    bool haveGlobals = false;
    TRecordHeader header;
    // A short header or a record id 0 (padding after the last EOF) ends the stream.
    while (in.ReadHeader(header) && header.Id != 0) {
        auto record = in.ReadRecord(header);
        if (record->Id == rid::kEof) continue;
        if (record->Id != rid::kBof) Fail(kReadErrorMessage);
        const std::uint16_t type = Load<biff::bof::Type>(record->Data);
        if (type == kBofGlobals) {
            // A second globals substream would replace the shared strings that the sheets
            // read so far refer to.
            if (haveGlobals) Fail(kReadErrorMessage);
            haveGlobals = true;
            Globals.Read(in, std::move(record));
            continue;
        }
        // A substream beyond the sheets the globals name is never shown: it is not kept.
        if (Sheets.size() >= Globals.BoundSheets.size()) {
            SkipSubstream(in);
            continue;
        }
        std::unique_ptr<TSheet> sheet;
        if (type == kBofWorksheet)
            sheet = std::make_unique<TWorkSheet>(Globals.Sst);
        else if (type == kBofChart)
            sheet = std::make_unique<TTavroChart>(Globals.Sst);
        else
            sheet = std::make_unique<TTavroUnsupportedSheet>(Globals.Sst);
        in.Hold(sizeof(TWorkSheet));
        sheet->Bof = std::move(record);
        TSheet& added = *sheet;
        Sheets.push_back(std::move(sheet));
        added.Read(in);
    }
    Globals.Sst.ApplyReadReferences();
}

void TWorkbook::SelectSheet(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= Sheets.size()) Fail(kMsgListIndex, index);
    constexpr std::uint16_t kSelectedAndShown = biff::kWindow2Selected | biff::kWindow2Shown;
    using biff::window2::Options;
    for (auto& sheet : Sheets) {
        if (!sheet->Window2) continue;
        const std::uint16_t flags = Load<Options>(sheet->Window2->Data);
        Store<Options>(sheet->Window2->Data, 0,
                       static_cast<std::uint16_t>(flags & ~kSelectedAndShown));
    }
    if (TBaseRecord* window1 = Globals.Window1) {
        Store<biff::window1::ActiveSheet>(window1->Data, 0, static_cast<std::uint16_t>(index));
        Store<biff::window1::FirstTab>(window1->Data, 0, std::uint16_t{0});
        Store<biff::window1::SelectedTabs>(window1->Data, 0, std::uint16_t{1});
    }
    if (TBaseRecord* window2 = Sheets[static_cast<std::size_t>(index)]->Window2) {
        const std::uint16_t flags = Load<Options>(window2->Data);
        Store<Options>(window2->Data, 0, static_cast<std::uint16_t>(flags | kSelectedAndShown));
    }
}

// ---- Open workbook ------------------------------------------------------------------------------

TExcelFile::~TExcelFile() = default;

TXLSFile::TXLSFile(bool allowOverwritingFiles)
    : workbook_(std::make_unique<TWorkbook>()), allowOverwritingFiles_(allowOverwritingFiles) {}

TXLSFile::~TXLSFile() = default;

namespace {
std::string Trim(const std::string& text) {
    const char* space = " \t\r\n\f\v";
    const auto first = text.find_first_not_of(space);
    if (first == std::string::npos) return std::string();
    const auto last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

// A 1-based number made 0-based for a message, without overflow.
int ZeroBased(int number) {
    return number == std::numeric_limits<int>::min() ? number : number - 1;
}
} // namespace

void TXLSFile::OpenFile(const std::string& fileName) {
    storages_.clear();
    const std::string name = Trim(fileName);
    const std::string path = name.empty() ? std::string() : LocateWorkbookFile(name);
    ReadStorage(TOle2Storage::OpenRead(path));
}

void TXLSFile::OpenMemory(std::span<const std::uint8_t> bytes) {
    storages_.clear();
    ReadStorage(TOle2Storage::OpenReadMemory(bytes));
}

namespace {
// The stream that holds the workbook: "Workbook", else a "Book" stream when there is one.
std::string WorkbookStreamOf(TOle2Storage& storage) {
    bool book = false;
    for (const TElementInfo& element : storage.List()) {
        if (element.type != kElementStream) continue;
        if (element.name == kWorkbookStreamName) return kWorkbookStreamName;
        if (element.name == kBookStreamName) book = true;
    }
    return book ? kBookStreamName : kWorkbookStreamName;
}
} // namespace

void TXLSFile::ReadStorage(std::unique_ptr<TOle2Storage> storage) {
    const std::string streamName = WorkbookStreamOf(*storage);
    CopyElements(storages_, *storage, false);
    if (streamName == kBookStreamName) {
        // The workbook is saved as "Workbook": the "Book" stream it came from is not kept beside.
        std::erase_if(storages_, [](const TXlsStorage& item) {
            return item.children.empty() && item.name == kBookStreamName;
        });
    }
    activeWorkSheet_ = nullptr;
    workbook_ = std::make_unique<TWorkbook>();
    {
        // The records are read straight from the file's bytes; the file is released before the
        // open returns.
        TOle2Stream workbookStream(*storage, streamName);
        workbook_->Read(workbookStream.Bytes());
    }
    storage.reset();

    const TBaseRecord* window1 = workbook_->Globals.Window1;
    activeSheet_ = window1 ? Load<biff::window1::ActiveSheet>(window1->Data) + 1 : 1;
    FindActiveWorkSheet();
    modified_ = false;
    // The sheet the workbook was saved on is selected; sheet 1 when that is not in the list.
    workbook_->SelectSheet(SheetCount() < activeSheet_ ? 0 : activeSheet_ - 1);
}

void TXLSFile::SetActiveSheet(int sheet) {
    activeSheet_ = sheet;
    FindActiveWorkSheet();
    workbook_->SelectSheet(ZeroBased(sheet));
}

int TXLSFile::SheetCount() const {
    return static_cast<int>(workbook_->Globals.BoundSheets.size());
}

void TXLSFile::FindActiveWorkSheet() {
    activeWorkSheet_ = nullptr;
    const auto& sheets = workbook_->Sheets;
    const int index = ZeroBased(activeSheet_);
    if (index < 0 || static_cast<std::size_t>(index) >= sheets.size()) return;
    TSheet& sheet = *sheets[static_cast<std::size_t>(index)];
    if (sheet.Kind() == TSheetKind::Worksheet) activeWorkSheet_ = static_cast<TWorkSheet*>(&sheet);
}

int TXLSFile::RowCount() const {
    const TWorkSheet* sheet = ActiveWorkSheet();
    return sheet ? static_cast<int>(sheet->Cells.RowRecordCount()) : 0;
}

TCellValue TXLSFile::CellValue(int row, int column) const {
    const TWorkSheet* sheet = ActiveWorkSheet();
    if (!sheet) return {};
    return sheet->Cells.ValueAt(ZeroBased(row), ZeroBased(column));
}

void TXLSFile::RowValues(int row, std::span<TCellValue> values) const {
    const TWorkSheet* sheet = ActiveWorkSheet();
    if (!sheet) {
        std::fill(values.begin(), values.end(), TCellValue{});
        return;
    }
    sheet->Cells.RowValuesAt(ZeroBased(row), values);
}

std::vector<int> TXLSFile::UsedColumns(int row) const {
    std::vector<int> columns;
    const TWorkSheet* sheet = ActiveWorkSheet();
    if (!sheet) return columns;
    const int index = ZeroBased(row);
    if (index < 0 || index > kMaxRow) Fail(kMsgInvalidRow, index);
    if (static_cast<std::size_t>(index) >= sheet->Cells.RowListCount()) return columns;
    for (const TCell& cell : sheet->Cells.SortedRow(static_cast<std::size_t>(index)))
        if (cell.Column <= kMaxColumn && (columns.empty() || columns.back() != cell.Column + 1))
            columns.push_back(cell.Column + 1);
    return columns;
}

int TXLSFile::EditSheetIndex() const {
    const int index = ZeroBased(activeSheet_);
    if (index < 0 || index >= SheetCount()) Fail(kMsgSheetNumber, index, 0, SheetCount() - 1);
    return index;
}

TWorkSheet* TXLSFile::EditSheet() {
    EditSheetIndex();
    return ActiveWorkSheet();
}

void TXLSFile::InsertAndCopyColumns(int first, int last, int destination, int count) {
    InsertAndCopyColumns(first, last, destination, count, false);
}

void TXLSFile::InsertAndCopyColumns(int first, int last, int destination, int count,
                                    bool formulasOnly) {
    const long long f = first - 1LL;
    const long long l = last - 1LL;
    const long long d = destination - 1LL;
    // A negative count is refused too: it would move cells left over others.
    if (l < f || f < 0 || l > kMaxColumn || (f < d && d <= l) ||
        d + static_cast<long long>(count) * (l - f + 1) > kMaxColumn || d < 0 || count < 0)
        Fail(kMsgInvalidArguments);
    if (TWorkSheet* sheet = EditSheet())
        sheet->Cells.InsertAndCopyColumns(static_cast<int>(f), static_cast<int>(l),
                                          static_cast<int>(d), count, formulasOnly);
    modified_ = true;
}

void TXLSFile::DeleteColumns(int column, int count) {
    TWorkSheet* sheet = EditSheet();
    if (column < 1 || column > kMaxColumn + 1) Fail(kMsgInvalidColumn, ZeroBased(column));
    if (sheet && count > 0) sheet->Cells.DeleteColumns(column - 1, count);
    modified_ = true;
}

void TXLSFile::DeleteRows(int row, int count) {
    TWorkSheet* sheet = EditSheet();
    if (row < 1 || row > kMaxRow + 1) Fail(kMsgInvalidRow, ZeroBased(row));
    if (sheet && count > 0) sheet->Cells.DeleteRows(row - 1, count);
    modified_ = true;
}

} // namespace orq::xls
