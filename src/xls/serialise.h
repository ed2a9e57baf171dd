#pragma once

// Writing the in-memory workbook model as a BIFF8 record stream: every kept record in its order,
// and the records that depend on the contents generated afresh (sheet positions in BOUNDSHEET,
// the shared-string table and its index, DIMENSIONS, ROW and cell records in row blocks, column
// information, EXTERNSHEET). No INDEX and no DBCELL records are written.

#include <cstdint>

#include "xls/record_sink.h"
#include "xls/records.h"
#include "xls/sst.h"
#include "xls/worksheet.h"

namespace orq::xls {

class TWorkbook;

inline constexpr const char* kMsgNoVisibleSheet = "There are not visible sheets on the file";
inline constexpr const char* kMsgSelectVisibleSheet =
    "To save this file, you must select a visible sheet";
inline constexpr const char* kMsgSectionNotLoaded = "A section of the workbook is not loaded";

// Rows of a worksheet are written in blocks of this many row positions.
inline constexpr std::size_t kRowBlock = 32;

// One kept record: header, data and its CONTINUE chain (and a hyperlink's tooltip).
void WriteRecord(TRecordSink& sink, const TBaseRecord& record);

// One worksheet substream, BOF to EOF. LABELSST cells are written with the final index of their
// string, which the shared-string table's writer noted in the entry header.
void WriteWorksheet(TRecordSink& sink, TWorkSheet& sheet, const TSST& sst);

// Any sheet substream (worksheet, chart, unsupported kind).
void WriteSheet(TRecordSink& sink, TSheet& sheet, const TSST& sst);

// The whole "Workbook" stream. Afterwards the model holds what it held before, except that
// shared strings without references are gone and the positions noted for writing are set.
void WriteWorkbook(TRecordSink& sink, TWorkbook& workbook);

} // namespace orq::xls
