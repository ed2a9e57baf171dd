#pragma once

// Save to XLS: the report table, exactly as the report window shows it, becomes a one-sheet
// workbook. TSheetExporter is the report window's exporter `XLS`; its options are the window's
// fixed settings, and the window (or orq-cli) answers the overwrite question through a callback.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "reports/report_table.h"
#include "xls/cell_format.h"

namespace orq::xls {
class TXlsWriter;
}

namespace orq::exporter {

enum class TOverwriteMode : std::uint8_t { omNever = 0, omAlways = 1, omWarn = 2 };

// The exporter settings in force for the report window.
struct TSheetExportOptions {
    TOverwriteMode ExportOverwrite = TOverwriteMode::omWarn;
    // "\r" is one carriage return; %s is the full file name.
    std::string ExportOverwriteMessage = "File %s already exists\rOk to overwrite ?";
    bool ExportCellProperties = true; // font, fill, alignment and wrap per cell
    bool ExportCellSizes = true;      // column widths and row heights
    bool ExportHiddenColumns = false;
    bool ExportWordWrapped = false; // wrap only texts that hold a line feed
    bool ExportShowGridLines = true;
    bool ExportPrintOptions = true; // the table's orientation goes into the page setup
    bool ExportSummaryRowsBelowDetail = false;
};

// How the table looks on the screen: the fonts and the colours the window draws with. The
// defaults are those of the usual desktop colour scheme at 96 pixels per inch; the window passes
// the ones it really uses.
struct TExportLook {
    std::u16string FontName = u"Tahoma";
    int FontHeight = -11; // pixels; negative: character height (Tahoma 8 point)
    int PixelsPerInch = 96;
    std::uint32_t WindowColor = 0xFFFFFF;     // the table's Color (cells without their own)
    std::uint32_t WindowTextColor = 0x000000; // the font colour of every cell
    std::uint32_t ButtonFaceColor = 0xF0F0F0; // FixedColor, the header row's background
};

// The answer to the overwrite question; the window shows a "Confirm" box with Yes and No.
// Returning false ends the export silently. The callback may throw an orq::Error instead to end
// the export with a message (orq-cli does so without --overwrite).
using TConfirmOverwrite = std::function<bool(const std::string& message)>;

class TSheetExporter {
public:
    explicit TSheetExporter(const reports::TReportTable& grid) : grid_(&grid) {}

    TSheetExportOptions Options;
    TExportLook Look;
    TConfirmOverwrite ConfirmOverwrite;

    // Exports the linked table to `fileName` (SheetName empty, SheetPos -1, SelectSheet 1 and
    // InsertMode 0 as the window passes them; other values serve no caller). Returns false when
    // the overwrite question was answered No (nothing written), true when the file was written.
    // Failures are orq::Error exceptions; a failed export leaves no file behind and an existing
    // file as it was.
    bool ExportToXls(const std::string& fileName, const std::u16string& sheetName = {},
                     int sheetPos = -1, int selectSheet = 1, int insertMode = 0);

    // The bytes of the workbook ExportToXls would write.
    std::vector<std::uint8_t> ExportToMemory(int selectSheet = 1) const;

    // Writes the linked table into the writer's current sheet: page setup, sizes, cells.
    void ExportGrid(xls::TXlsWriter& writer) const;

private:
    // A one-sheet workbook holding the linked table.
    void Fill(xls::TXlsWriter& writer, int selectSheet) const;

    const reports::TReportTable* grid_;
};

// orq-cli's --xls: the report window's export of `table`; the overwrite question is answered by
// `overwrite`, and without it an existing file ends the export with "File %s already exists".
void SaveReportAsXls(const reports::TReportTable& table, const std::string& fileName,
                     bool overwrite);

// orq-cli's "--xls -": the bytes SaveReportAsXls would write.
std::vector<std::uint8_t> ReportXlsBytes(const reports::TReportTable& table);

inline constexpr const char* kMsgFileExists = "File %s already exists";

// The font size in twentieths of a point of a font `height` pixels high (negative: character
// height) on a screen of `pixelsPerInch`: trunc(-height * 72 / pixelsPerInch * 20).
std::uint16_t FontSize20(int height, int pixelsPerInch);
// Column width in 1/256 of a character (7 pixels per character), rounded half to even.
std::uint16_t ColumnWidth256(int pixels);
// Row height in twips (15 per pixel), rounded half to even.
std::uint16_t RowHeightTwips(double pixels);

// The confirmation text: the message with %s replaced by the file name.
std::string OverwriteMessage(const std::string& pattern, const std::string& fileName);

} // namespace orq::exporter
