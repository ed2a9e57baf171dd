#pragma once

// Sheets of a workbook: worksheets with their cell store, chart sheets and sheets of other
// kinds, each read from its substream and kept so that it can be written back.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xls/cells.h"
#include "xls/records.h"
#include "xls/sst.h"

namespace orq::xls {

enum class TSheetKind { Worksheet, Chart, Unsupported };

// The four values of a DIMENSIONS record as read.
struct TDimensions {
    std::uint32_t FirstRow = 0;
    std::uint32_t LastRowPlus1 = 0;
    std::uint16_t FirstColumn = 0;
    std::uint16_t LastColumnPlus1 = 0;
};

class TSheet {
public:
    virtual ~TSheet();
    virtual TSheetKind Kind() const = 0;
    // Reads the substream after its BOF (already stored in Bof) up to and including its EOF.
    virtual void Read(TRecordReader& in) = 0;

    std::unique_ptr<TBaseRecord> Bof;
    std::unique_ptr<TBaseRecord> Eof;
    TBaseRecord* Window2 = nullptr; // link; the record stays in the sheet's lists
    std::unique_ptr<TBaseRecord> CodeNameRecord;
    std::u16string CodeName;
    TDimensions Dimensions;

    // DIMENSIONS is only noted; CODENAME replaces the code name.
    void NoteDimensions(const TBaseRecord& record);
    void SetCodeName(std::unique_ptr<TBaseRecord> record);
};

// Column information of one column (from COLINFO records).
struct TColumnInfo {
    std::uint16_t Column = 0;
    std::uint16_t Width = 0; // 1/256 of a character
    std::uint16_t Xf = 0;
    std::uint16_t Options = 0;
};

class TWorkSheet final : public TSheet {
public:
    explicit TWorkSheet(TSST& sst) : Cells(sst), sst_(&sst) {}
    TSheetKind Kind() const override { return TSheetKind::Worksheet; }
    void Read(TRecordReader& in) override;

    // Plain records read before WINDOW2, and from WINDOW2 on (WINDOW2 included), in order.
    TRecordList RecordsBeforeWindow2;
    TRecordList RecordsFromWindow2;
    // Links to settings records (they stay in the two lists above).
    TBaseRecord* Header = nullptr;
    TBaseRecord* Footer = nullptr;
    TBaseRecord* LeftMargin = nullptr;
    TBaseRecord* RightMargin = nullptr;
    TBaseRecord* TopMargin = nullptr;
    TBaseRecord* BottomMargin = nullptr;
    TBaseRecord* PrintGridLines = nullptr;
    TBaseRecord* Pls = nullptr;
    TBaseRecord* WsBool = nullptr;
    TBaseRecord* Scl = nullptr;
    TBaseRecord* Setup = nullptr;
    TBaseRecord* Pane = nullptr;
    TBaseRecord* Guts = nullptr;
    TBaseRecord* RefMode = nullptr;

    TCells Cells;
    std::vector<TColumnInfo> ColumnInfo; // sorted by column, at most one entry per column
    TRecordList MergedCells;             // MERGECELLS
    TRecordList CondFormats;             // CONDFMT, each followed by its CF records
    TRecordList Notes;                   // NOTE, in file order
    TRecordList Hyperlinks;              // THlinkRecord with its tooltip
    TRecordList HorizontalPageBreaks;
    TRecordList VerticalPageBreaks;
    // The drawing: MSODRAWING, OBJ, TXO records and embedded chart substreams (BOF to EOF) in
    // file order, kept as bytes.
    TRecordList Drawing;
    // Display only.
    int DefaultColumnWidth = 2048; // 1/256 of a character
    int DefaultRowHeight = 255;    // twips

private:
    void AddColumnInfo(const TBaseRecord& record);
    void ReadEmbeddedChart(TRecordReader& in, std::unique_ptr<TBaseRecord> bof);
    // `heldRows`: the row slots already counted against the stream's limit.
    void ReserveFromDimensions(TRecordReader& in, std::size_t& heldRows);
    void LinkSettings(TBaseRecord* record);

    TSST* sst_;
};

// A sheet kept as its records in order: a chart sheet, or a sheet of a kind this program does
// not read.
class TRecordSheet : public TSheet {
public:
    TRecordList Records;

protected:
    explicit TRecordSheet(TSST& sst) : sst_(&sst) {}
    TSST* sst_;
};

// A chart sheet; a chart substream inside it is read to its own EOF.
class TTavroChart final : public TRecordSheet {
public:
    explicit TTavroChart(TSST& sst) : TRecordSheet(sst) {}
    TSheetKind Kind() const override { return TSheetKind::Chart; }
    void Read(TRecordReader& in) override;
};

// A sheet of any other kind (macro sheet, module, ...).
class TTavroUnsupportedSheet final : public TRecordSheet {
public:
    explicit TTavroUnsupportedSheet(TSST& sst) : TRecordSheet(sst) {}
    TSheetKind Kind() const override { return TSheetKind::Unsupported; }
    void Read(TRecordReader& in) override;
};

// Checks a LABELSST record's string index against the shared strings and counts the reference
// ("Error reading Excel records. File invalid" when out of range).
void ResolveLabelSst(const TBaseRecord& record, TSST& sst);

// Reads records up to the EOF that closes the substream begun by a BOF already read. Nested
// substreams (a chart inside a chart) are read to their own EOF and kept in `records` with their
// BOF and EOF. With a `sheet`, DIMENSIONS, CODENAME, WINDOW2 and the closing EOF of the outer
// substream are taken by the sheet; without one (an embedded chart) every record is kept.
void ReadChartRecords(TRecordReader& in, TSST& sst, TRecordList& records, TSheet* sheet,
                      bool nestedAllowed);

} // namespace orq::xls
