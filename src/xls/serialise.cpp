#include "xls/serialise.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/error.h"
#include "xls/byte_reader.h"
#include "xls/cell_format.h"
#include "xls/sst_writer.h"
#include "xls/workbook.h"

namespace orq::xls {
namespace {

// A record assembled on the stack: the cell records are small and there are many of them.
class TSmallRecord {
public:
    explicit TSmallRecord(std::uint16_t id) : id_(id) {}
    template <typename T> void Put(T value) {
        StoreLE(std::span<std::uint8_t>(data_), size_, value);
        size_ += sizeof(T);
    }
    void WriteTo(TRecordSink& sink) const {
        sink.Record(id_, std::span<const std::uint8_t>(data_.data(), size_));
    }

private:
    std::uint16_t id_;
    std::array<std::uint8_t, 2048> data_{};
    std::size_t size_ = 0;
};

void WriteChain(TRecordSink& sink, const TBaseRecord* record) {
    for (; record; record = record->Continue.get())
        sink.Record(record->Id, record->Data);
}

// The STRING record after a formula whose cached result is a text.
void WriteFormulaString(TRecordSink& sink, const TFormulaRecord& formula) {
    const auto& data = formula.Data;
    if (data.size() < 14 || ReadU16LE(data, 12) != 0xFFFF || data[6] != 0) return;
    std::u16string text;
    if (const auto* wide = std::get_if<std::u16string>(&formula.Value)) text = *wide;
    std::vector<std::uint8_t> body;
    AppendExcelString(body, text, 2);
    sink.Record(rid::kString, body);
}

// What belongs right after a record: a hyperlink's tooltip; a formula's shared formula, array or
// table and the STRING of a text result.
void WriteAttachments(TRecordSink& sink, const TBaseRecord& record) {
    if (const auto* link = dynamic_cast<const THlinkRecord*>(&record))
        if (link->Tooltip) WriteRecord(sink, *link->Tooltip);
    if (const auto* formula = dynamic_cast<const TFormulaRecord*>(&record)) {
        if (formula->SharedFormula) WriteRecord(sink, *formula->SharedFormula);
        if (formula->Array) WriteRecord(sink, *formula->Array);
        if (formula->Table) WriteRecord(sink, *formula->Table);
        WriteFormulaString(sink, *formula);
    }
}

// A LABEL, RSTRING or FORMULA cell: its record with the cell's row, column and XF.
void WritePooledCell(TRecordSink& sink, const TBaseRecord& record, std::uint16_t row,
                     const TCell& cell) {
    std::vector<std::uint8_t> data = record.Data;
    if (data.size() >= 6) {
        StoreLE<std::uint16_t>(data, 0, row);
        StoreLE<std::uint16_t>(data, 2, cell.Column);
        StoreLE<std::uint16_t>(data, 4, cell.Xf);
    }
    sink.Record(record.Id, data);
    WriteChain(sink, record.Continue.get());
    WriteAttachments(sink, record);
}

void WriteCompactCell(TRecordSink& sink, std::uint16_t row, const TCell& cell, const TSST& sst) {
    TSmallRecord out(cell.Id);
    out.Put(row);
    out.Put(cell.Column);
    out.Put(cell.Xf);
    switch (cell.Id) {
    case rid::kNumber:
        out.Put(cell.Payload);
        break;
    case rid::kRk:
        out.Put(static_cast<std::uint32_t>(cell.Payload));
        break;
    case rid::kBoolErr:
        out.Put(cell.Value8);
        out.Put(cell.Error8);
        break;
    case rid::kLabelSst:
        out.Put(ReadU32LE(sst.Area(), static_cast<std::size_t>(cell.Payload) + TSST::kIndexOffset));
        break;
    default:
        break; // BLANK
    }
    out.WriteTo(sink);
}

// A run of two or more BLANK (or RK) cells in adjacent columns: one MULBLANK (or MULRK).
void WriteRun(TRecordSink& sink, std::uint16_t row, std::span<const TCell> run) {
    const bool rk = run.front().Id == rid::kRk;
    TSmallRecord out(rk ? rid::kMulRk : rid::kMulBlank);
    out.Put(row);
    out.Put(run.front().Column);
    for (const TCell& cell : run) {
        out.Put(cell.Xf);
        if (rk) out.Put(static_cast<std::uint32_t>(cell.Payload));
    }
    out.Put(run.back().Column);
    out.WriteTo(sink);
}

void WriteRowCells(TRecordSink& sink, TCells& cells, std::uint16_t row, const TSST& sst) {
    const std::vector<TCell>& list = cells.SortedRow(row);
    std::size_t i = 0;
    while (i < list.size()) {
        const TCell& cell = list[i];
        if (cell.Id == rid::kBlank || cell.Id == rid::kRk) {
            std::size_t j = i + 1;
            while (j < list.size() && list[j].Id == cell.Id &&
                   list[j].Column == list[j - 1].Column + 1)
                ++j;
            if (j - i >= 2) {
                WriteRun(sink, row, std::span<const TCell>(list).subspan(i, j - i));
                i = j;
                continue;
            }
        }
        if (cell.Pooled()) {
            if (const TBaseRecord* record = cells.PooledRecord(cell))
                WritePooledCell(sink, *record, row, cell);
        } else {
            WriteCompactCell(sink, row, cell, sst);
        }
        ++i;
    }
}

void WriteColumnInfo(TRecordSink& sink, const std::vector<TColumnInfo>& columns) {
    std::size_t i = 0;
    while (i < columns.size()) {
        const TColumnInfo& first = columns[i];
        std::size_t j = i + 1;
        while (j < columns.size() && columns[j].Column == columns[j - 1].Column + 1 &&
               columns[j].Width == first.Width && columns[j].Xf == first.Xf &&
               columns[j].Options == first.Options)
            ++j;
        TSmallRecord out(rid::kColInfo);
        out.Put(first.Column);
        out.Put(columns[j - 1].Column);
        out.Put(first.Width);
        out.Put(first.Xf);
        out.Put(first.Options);
        out.Put(std::uint16_t{0});
        out.WriteTo(sink);
        i = j;
    }
}

void WriteCells(TRecordSink& sink, TWorkSheet& sheet, const TSST& sst) {
    TCells& cells = sheet.Cells;
    cells.CompleteRowRecords();
    const std::size_t slots = cells.RowRecordCount();
    std::size_t firstRow = 0;
    while (firstRow < slots && !cells.RowRecord(firstRow))
        ++firstRow;
    if (firstRow == slots) firstRow = 0;
    std::uint16_t lastColumn = 0;
    for (std::size_t r = firstRow; r < slots; ++r)
        if (const TBaseRecord* row = cells.RowRecord(r))
            lastColumn = std::max(lastColumn, ReadU16LE(row->Data, 4));
    if (lastColumn == 0) lastColumn = 1;
    const std::uint16_t firstColumn = 0;

    TSmallRecord dimensions(rid::kDimensions);
    dimensions.Put(static_cast<std::uint32_t>(firstRow));
    dimensions.Put(static_cast<std::uint32_t>(slots));
    dimensions.Put(firstColumn);
    dimensions.Put(lastColumn);
    dimensions.Put(std::uint16_t{0});
    dimensions.WriteTo(sink);

    std::array<std::uint8_t, kRowRecordSize> rowData{};
    for (std::size_t block = firstRow; block < slots; block += kRowBlock) {
        const std::size_t end = std::min(block + kRowBlock, slots);
        for (std::size_t r = block; r < end; ++r) {
            const TBaseRecord* row = cells.RowRecord(r);
            if (!row) continue;
            // The written columns stay inside DIMENSIONS; the stored record keeps its own.
            const std::size_t size = std::min(row->Data.size(), rowData.size());
            std::copy_n(row->Data.begin(), size, rowData.begin());
            if (size >= 6) {
                if (ReadU16LE(rowData, 2) < firstColumn) StoreLE(rowData, 2, firstColumn);
                if (ReadU16LE(rowData, 4) > lastColumn) StoreLE(rowData, 4, lastColumn);
            }
            sink.Record(rid::kRow, std::span<const std::uint8_t>(rowData.data(), size));
        }
        for (std::size_t r = block; r < end && r < cells.RowListCount(); ++r)
            WriteRowCells(sink, cells, static_cast<std::uint16_t>(r), sst);
    }
}

void WriteList(TRecordSink& sink, const TRecordList& records) {
    for (const auto& record : records)
        WriteRecord(sink, *record);
}

void RequireBofEof(const TSheet& sheet) {
    if (!sheet.Bof || !sheet.Eof) Fail(kMsgSectionNotLoaded);
}

} // namespace

void WriteRecord(TRecordSink& sink, const TBaseRecord& record) {
    WriteChain(sink, &record);
    WriteAttachments(sink, record);
}

void WriteWorksheet(TRecordSink& sink, TWorkSheet& sheet, const TSST& sst) {
    RequireBofEof(sheet);
    WriteRecord(sink, *sheet.Bof);
    WriteList(sink, sheet.RecordsBeforeWindow2);
    WriteList(sink, sheet.HorizontalPageBreaks);
    WriteList(sink, sheet.VerticalPageBreaks);
    WriteColumnInfo(sink, sheet.ColumnInfo);
    WriteCells(sink, sheet, sst);
    WriteList(sink, sheet.Drawing);
    WriteList(sink, sheet.Notes);
    WriteList(sink, sheet.RecordsFromWindow2);
    WriteList(sink, sheet.MergedCells);
    WriteList(sink, sheet.CondFormats);
    WriteList(sink, sheet.Hyperlinks);
    if (sheet.CodeNameRecord) WriteRecord(sink, *sheet.CodeNameRecord);
    WriteRecord(sink, *sheet.Eof);
}

void WriteSheet(TRecordSink& sink, TSheet& sheet, const TSST& sst) {
    if (auto* worksheet = dynamic_cast<TWorkSheet*>(&sheet)) {
        WriteWorksheet(sink, *worksheet, sst);
        return;
    }
    RequireBofEof(sheet);
    WriteRecord(sink, *sheet.Bof);
    if (auto* chart = dynamic_cast<TTavroChart*>(&sheet)) WriteList(sink, chart->Records);
    if (auto* other = dynamic_cast<TTavroUnsupportedSheet*>(&sheet))
        WriteList(sink, other->Records);
    if (sheet.CodeNameRecord) WriteRecord(sink, *sheet.CodeNameRecord);
    WriteRecord(sink, *sheet.Eof);
}

} // namespace orq::xls

namespace orq::xls {
namespace {

// The shared strings as written: entries with references, in content order (shorter strings
// first, equal sizes by their bytes).
std::vector<TSstEntryRef> PrepareSharedStrings(TSST& sst) {
    std::vector<std::uint32_t>& entries = sst.Entries();
    std::vector<std::uint8_t>& area = sst.MutableArea();
    std::vector<TSstEntryRef> refs;
    refs.reserve(entries.size());
    std::vector<std::uint32_t> kept;
    kept.reserve(entries.size());
    for (std::uint32_t position : entries) {
        if (sst.RefCount(position) == 0) continue;
        refs.push_back({area.data() + position, sst.StringBytes(position).size()});
        kept.push_back(position);
    }
    std::vector<std::size_t> order(refs.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const TSstEntryRef& left = refs[a];
        const TSstEntryRef& right = refs[b];
        if (left.stringSize != right.stringSize) return left.stringSize < right.stringSize;
        return std::memcmp(left.header + TSST::kHeaderSize, right.header + TSST::kHeaderSize,
                           left.stringSize) < 0;
    });
    std::vector<TSstEntryRef> sorted;
    sorted.reserve(refs.size());
    entries.clear();
    for (std::size_t i : order) {
        sorted.push_back(refs[i]);
        entries.push_back(kept[i]);
    }
    return sorted;
}

// EXTERNSHEET: the count and one 6-byte entry per reference, continued when it does not fit.
void WriteExternSheet(TRecordSink& sink, const std::vector<TExternSheetEntry>& entries) {
    std::vector<std::uint8_t> data;
    AppendLE(data, static_cast<std::uint16_t>(entries.size()));
    std::uint16_t id = rid::kExternSheet;
    for (const TExternSheetEntry& entry : entries) {
        if (data.size() + 6 > 8224) {
            sink.Record(id, data);
            data.clear();
            id = rid::kContinue;
        }
        AppendLE(data, entry.SupBook);
        AppendLE(data, entry.FirstSheet);
        AppendLE(data, entry.LastSheet);
    }
    sink.Record(id, data);
}

void WriteGlobals(TRecordSink& sink, TWorkbookGlobals& globals,
                  std::span<const TSstEntryRef> strings) {
    WriteRecord(sink, *globals.Bof);
    bool wroteFonts = false, wroteFormats = false, wroteXfs = false;
    for (const auto& record : globals.Misc) {
        if (!record->IsPlaceholder()) {
            WriteRecord(sink, *record);
            continue;
        }
        switch (record->Id) {
        case rid::kFont:
            WriteList(sink, globals.Fonts), wroteFonts = true;
            break;
        case rid::kFormat:
            WriteList(sink, globals.Formats), wroteFormats = true;
            break;
        case rid::kXf:
            WriteList(sink, globals.Xfs), wroteXfs = true;
            break;
        default:
            break;
        }
    }
    // A workbook read without one of the lists still gets what the writer added to it.
    if (!wroteFonts) WriteList(sink, globals.Fonts);
    if (!wroteFormats) WriteList(sink, globals.Formats);
    if (!wroteXfs) WriteList(sink, globals.Xfs);
    WriteList(sink, globals.BoundSheets);
    WriteList(sink, globals.References);
    WriteExternSheet(sink, globals.ExternSheets);
    WriteList(sink, globals.Names);
    WriteList(sink, globals.DrawingGroup);
    WriteSst(sink, strings);
    WriteExtSst(sink, strings);
    WriteRecord(sink, *globals.Eof);
}

// The lowest visible sheet; a hidden sheet that is selected cannot be saved.
std::uint16_t FirstVisibleSheet(const TWorkbook& workbook) {
    const auto& bound = workbook.Globals.BoundSheets;
    int lowest = -1;
    for (std::size_t i = bound.size(); i-- > 0;) {
        const bool hidden = bound[i]->Data.size() > 4 && bound[i]->Data[4] != 0;
        const TBaseRecord* window2 = workbook.Sheets[i]->Window2;
        const bool selected =
            window2 && window2->Data.size() >= 2 && (ReadU16LE(window2->Data, 0) & 0x0200) != 0;
        if (hidden && selected) Fail(kMsgSelectVisibleSheet);
        if (!hidden) lowest = static_cast<int>(i);
    }
    if (lowest < 0) Fail(kMsgNoVisibleSheet);
    return static_cast<std::uint16_t>(lowest);
}

} // namespace

void WriteWorkbook(TRecordSink& sink, TWorkbook& workbook) {
    TWorkbookGlobals& globals = workbook.Globals;
    if (globals.BoundSheets.size() != workbook.Sheets.size()) Fail(kReadErrorMessage);
    const std::uint16_t firstVisible = FirstVisibleSheet(workbook);
    if (globals.Window1 && globals.Window1->Data.size() >= 14)
        StoreLE(std::span<std::uint8_t>(globals.Window1->Data), 12, firstVisible);
    if (!globals.Bof || !globals.Eof) Fail(kMsgSectionNotLoaded);
    for (const auto& sheet : workbook.Sheets)
        RequireBofEof(*sheet);
    for (const auto& bound : globals.BoundSheets)
        if (bound->Data.size() < 4) bound->Data.resize(4, 0);

    const std::vector<TSstEntryRef> strings = PrepareSharedStrings(globals.Sst);

    // Sizes first: each sheet's BOF position goes into its BOUNDSHEET before anything is
    // written. The last sheet's size is not needed.
    TCountingSink globalsSize;
    WriteGlobals(globalsSize, globals, strings);
    std::uint64_t position = globalsSize.Position();
    for (std::size_t i = 0; i < workbook.Sheets.size(); ++i) {
        StoreLE(std::span<std::uint8_t>(globals.BoundSheets[i]->Data), 0,
                static_cast<std::uint32_t>(position));
        if (i + 1 < workbook.Sheets.size()) {
            TCountingSink sheetSize;
            WriteSheet(sheetSize, *workbook.Sheets[i], globals.Sst);
            position += sheetSize.Position();
        }
    }

    WriteGlobals(sink, globals, strings);
    for (const auto& sheet : workbook.Sheets)
        WriteSheet(sink, *sheet, globals.Sst);
}

} // namespace orq::xls
