#include "xls/worksheet.h"

#include <algorithm>

namespace orq::xls {

TSheet::~TSheet() = default;

void TSheet::NoteDimensions(const TBaseRecord& record) {
    // Only noted: the writer makes DIMENSIONS afresh. A record shorter than the BIFF8 layout
    // leaves the values at 0.
    namespace dim = biff::dimensions;
    if (record.Data.size() < End(dim::LastColumnPlus1)) return;
    Dimensions.FirstRow = Load<dim::FirstRow>(record.Data);
    Dimensions.LastRowPlus1 = Load<dim::LastRowPlus1>(record.Data);
    Dimensions.FirstColumn = Load<dim::FirstColumn>(record.Data);
    Dimensions.LastColumnPlus1 = Load<dim::LastColumnPlus1>(record.Data);
}

void TSheet::SetCodeName(std::unique_ptr<TBaseRecord> record) {
    CodeName = TContinuedReader(*record).ReadString(2).Text();
    CodeNameRecord = std::move(record);
}

void ResolveLabelSst(const TBaseRecord& record, TSST& sst) {
    RequireSize(record.Id, record.Data, FixedCellSize(rid::kLabelSst));
    sst.ResolveRead(Load<biff::labelsst::Index>(record.Data));
}

// ---- Worksheet ----------------------------------------------------------------------------------

void TWorkSheet::LinkSettings(TBaseRecord* record) {
    const auto& data = record->Data;
    switch (record->Id) {
    case rid::kHeader:
        Header = record;
        break;
    case rid::kFooter:
        Footer = record;
        break;
    case rid::kLeftMargin:
        LeftMargin = record;
        break;
    case rid::kRightMargin:
        RightMargin = record;
        break;
    case rid::kTopMargin:
        TopMargin = record;
        break;
    case rid::kBottomMargin:
        BottomMargin = record;
        break;
    case rid::kPrintGridLines:
        PrintGridLines = record;
        break;
    case rid::kPls:
        Pls = record;
        break;
    case rid::kWsBool:
        WsBool = record;
        break;
    case rid::kScl:
        Scl = record;
        break;
    case rid::kSetup:
        Setup = record;
        break;
    case rid::kPane:
        Pane = record;
        break;
    case rid::kGuts:
        Guts = record;
        break;
    case rid::kRefMode:
        RefMode = record;
        break;
    case rid::kDefColWidth:
        if (data.size() >= End(biff::defcolwidth::Width))
            DefaultColumnWidth = 256 * Load<biff::defcolwidth::Width>(data);
        break;
    case rid::kStandardWidth:
        if (data.size() >= End(biff::standardwidth::Width))
            DefaultColumnWidth = Load<biff::standardwidth::Width>(data);
        break;
    case rid::kDefaultRowHeight:
        if (data.size() >= End(biff::defaultrowheight::Height))
            DefaultRowHeight = Load<biff::defaultrowheight::Height>(data);
        break;
    default:
        break;
    }
}

void TWorkSheet::AddColumnInfo(const TBaseRecord& record) {
    namespace col = biff::colinfo;
    RequireSize(record.Id, record.Data, col::kReadSize);
    const int first = Load<col::FirstColumn>(record.Data);
    const int last = std::min<int>(Load<col::LastColumn>(record.Data), kMaxColumn);
    TColumnInfo info;
    info.Width = Load<col::Width>(record.Data);
    info.Xf = Load<col::Xf>(record.Data);
    info.Options = Load<col::Options>(record.Data);
    for (int column = first; column <= last; ++column) {
        info.Column = static_cast<std::uint16_t>(column);
        auto at = std::lower_bound(
            ColumnInfo.begin(), ColumnInfo.end(), info,
            [](const TColumnInfo& a, const TColumnInfo& b) { return a.Column < b.Column; });
        if (at != ColumnInfo.end() && at->Column == info.Column)
            *at = info;
        else
            ColumnInfo.insert(at, info);
    }
}

void TWorkSheet::ReserveFromDimensions(TRecordReader& in, std::size_t& heldRows) {
    // Room for the rows and cells the sheet announces, but never more rows or cells than the
    // rest of the stream could fill (a cell record takes at least 10 bytes), and none when it
    // would take more than half the room the stream's limit has left, which stays for what the
    // sheets really hold: the room is only a hint. The reserved cells count as held from here on
    // (the reader's count of the cells starts from them).
    const std::size_t fill = (in.Data().size() - in.Position()) / 10;
    const std::size_t rows =
        std::min({std::size_t{Dimensions.LastRowPlus1}, std::size_t{kMaxRow} + 1, fill});
    const std::size_t columns = std::min<std::size_t>(Dimensions.LastColumnPlus1, kMaxColumn + 1);
    const std::size_t firstRow = std::min<std::size_t>(Dimensions.FirstRow, rows);
    const std::size_t firstColumn = std::min<std::size_t>(Dimensions.FirstColumn, columns);
    const std::size_t cells = std::min((rows - firstRow) * (columns - firstColumn), fill);
    const std::size_t newRows = rows > heldRows ? rows - heldRows : 0;
    const std::size_t bytes = newRows * kHeldPerRowSlot + cells * sizeof(TCell);
    if (bytes > SIZE_MAX / 2 || !in.CanHold(2 * bytes)) return;
    in.Hold(newRows * kHeldPerRowSlot);
    heldRows = std::max(heldRows, rows);
    Cells.ReserveRows(rows, cells);
}

void TWorkSheet::ReadEmbeddedChart(TRecordReader& in, std::unique_ptr<TBaseRecord> bof) {
    Drawing.push_back(std::move(bof));
    ReadChartRecords(in, *sst_, Drawing, nullptr, true);
}

void TWorkSheet::Read(TRecordReader& in) {
    TFormulaRecord* lastFormula = nullptr;
    TRecordList* plain = &RecordsBeforeWindow2;
    // The row slots counted against the stream's limit so far: a single cell far down the
    // sheet gives the cell lists every row above it.
    std::size_t heldRows = 0;
    // The same for the cells (a MULBLANK cell takes 16 bytes for 2 bytes of stream).
    std::size_t heldCells = Cells.CellBytes();
    auto holdStore = [&] {
        const std::size_t rows = std::max(Cells.RowListCount(), Cells.RowRecordCount());
        if (rows > heldRows) {
            in.Hold((rows - heldRows) * kHeldPerRowSlot);
            heldRows = rows;
        }
        const std::size_t cells = Cells.CellBytes();
        if (cells > heldCells) {
            in.Hold(cells - heldCells);
            heldCells = cells;
        }
    };
    for (;;) {
        const TRecordHeader header = in.RequireHeader();
        switch (header.Id) {
        case rid::kBlank:
        case rid::kNumber:
        case rid::kRk:
        case rid::kBoolErr:
        case rid::kLabelSst:
        case rid::kMulRk:
        case rid::kMulBlank:
        case rid::kRow: {
            // Fixed-size cells and ROW records go straight into the cell store, without a
            // record object.
            auto body = in.ReadBody(header);
            RequireSize(header.Id, body, End(biff::cell::Column)); // row and column
            in.LookAheadCompact(header.Id);
            // The string of the next shared-string cell is counted soon: fetch its entry now.
            std::uint16_t nextId = 0;
            auto next = in.PeekNextBody(nextId);
            if (nextId == rid::kLabelSst && next.size() >= End(biff::labelsst::Index))
                sst_->PrefetchRead(Load<biff::labelsst::Index>(next));
            if (header.Id == rid::kRow)
                Cells.AddRowRecord(body);
            else
                Cells.AddCompact(header.Id, body);
            holdStore();
            continue;
        }
        default:
            break;
        }

        auto record = in.ReadRecord(header);
        const std::uint16_t id = record->Id;
        if (IsDroppedRecord(id)) continue;
        switch (id) {
        case rid::kBof:
            // Only the drawing layer owns a substream inside a worksheet: an embedded chart.
            if (Drawing.empty()) Fail(kReadErrorMessage);
            ReadEmbeddedChart(in, std::move(record));
            break;
        case rid::kEof:
            Eof = std::move(record);
            Cells.DropOverwrittenCells();
            Cells.CompleteRowRecords();
            return;
        case rid::kFormula:
            lastFormula = static_cast<TFormulaRecord*>(record.get());
            Cells.AddRecord(std::move(record));
            holdStore();
            break;
        case rid::kLabel:
        case rid::kRString:
            Cells.AddRecord(std::move(record));
            holdStore();
            break;
        case rid::kString:
            // The text result of the formula before it.
            if (!lastFormula) Fail(kReadErrorMessage);
            lastFormula->Value = TContinuedReader(*record).ReadString(2).Text();
            break;
        case rid::kShrFmla:
            // Kept with the formula it follows (the first cell of its range).
            if (!lastFormula) Fail(kReadErrorMessage);
            lastFormula->SharedFormula = std::move(record);
            break;
        case rid::kArray:
            if (!lastFormula) Fail(kReadErrorMessage);
            lastFormula->Array = std::move(record);
            break;
        case rid::kDimensions:
            NoteDimensions(*record);
            ReserveFromDimensions(in, heldRows);
            holdStore(); // the reserved cells
            break;
        case rid::kCodeName:
            SetCodeName(std::move(record));
            break;
        case rid::kNote:
            Notes.push_back(std::move(record));
            break;
        case rid::kColInfo:
            AddColumnInfo(*record);
            break;
        case rid::kCondFmt:
        case rid::kCf:
            CondFormats.push_back(std::move(record));
            break;
        case rid::kMergeCells:
            MergedCells.push_back(std::move(record));
            break;
        case rid::kHLink:
            Hyperlinks.push_back(std::move(record));
            break;
        case rid::kHorizontalPageBreaks:
            HorizontalPageBreaks.push_back(std::move(record));
            break;
        case rid::kVerticalPageBreaks:
            VerticalPageBreaks.push_back(std::move(record));
            break;
        case rid::kMsoDrawing:
        case rid::kObj:
        case rid::kTxo:
            Drawing.push_back(std::move(record));
            break;
        default:
            if (id == rid::kWindow2) {
                RequireSize(id, record->Data, End(biff::window2::Options));
                plain = &RecordsFromWindow2;
                Window2 = record.get();
            }
            LinkSettings(record.get());
            plain->push_back(std::move(record));
            break;
        }
    }
}

// ---- Charts and other sheets --------------------------------------------------------------------

void ReadChartRecords(TRecordReader& in, TSST& sst, TRecordList& records, TSheet* sheet,
                      bool nestedAllowed) {
    int depth = 0; // nested substreams open inside this one
    for (;;) {
        const TRecordHeader header = in.RequireHeader();
        auto record = in.ReadRecord(header);
        const std::uint16_t id = record->Id;
        if (id == rid::kLabelSst) ResolveLabelSst(*record, sst);
        if (IsDroppedRecord(id)) continue;
        if (id == rid::kBof) {
            if (!nestedAllowed) Fail(kReadErrorMessage);
            ++depth;
        } else if (id == rid::kEof) {
            if (depth == 0) {
                if (sheet)
                    sheet->Eof = std::move(record);
                else
                    records.push_back(std::move(record));
                return;
            }
            --depth;
        } else if (sheet && depth == 0) {
            if (id == rid::kDimensions) {
                sheet->NoteDimensions(*record);
                continue;
            }
            if (id == rid::kCodeName) {
                sheet->SetCodeName(std::move(record));
                continue;
            }
            if (id == rid::kWindow2) {
                RequireSize(id, record->Data, End(biff::window2::Options));
                sheet->Window2 = record.get();
            }
        }
        records.push_back(std::move(record));
    }
}

void TTavroChart::Read(TRecordReader& in) {
    ReadChartRecords(in, *sst_, Records, this, true);
}

void TTavroUnsupportedSheet::Read(TRecordReader& in) {
    ReadChartRecords(in, *sst_, Records, this, false);
}

} // namespace orq::xls
