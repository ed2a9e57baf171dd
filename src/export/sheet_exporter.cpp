#include "export/sheet_exporter.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/utf.h"
#include "export/export_text.h"
#include "xls/writer.h"

namespace orq::exporter {
namespace {

// Page setup option flags.
constexpr std::uint16_t kSetupPortrait = 0x02, kSetupInvalidPrinter = 0x04;

// How one cell is drawn on the screen.
struct TCellLook {
    std::uint32_t fontColor;
    std::uint8_t style; // reports::TFontStyle bits
    std::uint32_t background;
};

std::uint8_t HorizontalOf(reports::THorzAlign align) {
    switch (align) {
    case reports::THorzAlign::Left:
        return xls::kHAlignLeft;
    case reports::THorzAlign::Center:
        return xls::kHAlignCenter;
    case reports::THorzAlign::Right:
        return xls::kHAlignRight;
    }
    return xls::kHAlignGeneral;
}

std::uint8_t VerticalOf(reports::TVertAlign align) {
    switch (align) {
    case reports::TVertAlign::Top:
        return xls::kVAlignTop;
    case reports::TVertAlign::Center:
        return xls::kVAlignCenter;
    case reports::TVertAlign::Bottom:
        break;
    }
    return xls::kVAlignBottom;
}

// The text a cell goes into the sheet with.
std::u16string SheetText(const std::string& stored) {
    std::u16string text = Utf8ToUtf16(stored);
    // The table shows a text that begins with "{\" as rich text: its plain text is what it holds.
    if (text.size() >= 2 && text[0] == u'{' && text[1] == u'\\') text = RtfToPlainText(text);
    return NormalizeCellText(text);
}

// Formats already added during this export, so that each distinct look costs one AddFormat.
class TFormatCache {
public:
    std::uint16_t XFOf(xls::TXlsWriter& writer, const xls::TTavroFormat& format) {
        for (const auto& [known, xf] : entries_)
            if (known == format) return xf;
        const std::uint16_t xf = writer.AddFormat(format);
        entries_.emplace_back(format, xf);
        return xf;
    }

private:
    std::vector<std::pair<xls::TTavroFormat, std::uint16_t>> entries_;
};

} // namespace

std::uint16_t FontSize20(int height, int pixelsPerInch) {
    if (pixelsPerInch <= 0) return 0;
    const long size = -static_cast<long>(height) * 72 * 20 / pixelsPerInch;
    return static_cast<std::uint16_t>(std::clamp(size, 0L, 65535L));
}

std::uint16_t ColumnWidth256(int pixels) {
    const double width = std::nearbyint(static_cast<double>(pixels) * 256.0 / 7.0);
    return static_cast<std::uint16_t>(std::clamp(width, 0.0, 65535.0));
}

std::uint16_t RowHeightTwips(double pixels) {
    const double twips = std::nearbyint(pixels * 15.0);
    return static_cast<std::uint16_t>(std::clamp(twips, 0.0, 65535.0));
}

std::string OverwriteMessage(const std::string& pattern, const std::string& fileName) {
    std::string out = pattern;
    const std::size_t at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, fileName);
    return out;
}

bool TSheetExporter::ExportToXls(const std::string& fileName, const std::u16string& sheetName,
                                 int sheetPos, int selectSheet, int insertMode) {
    (void)sheetName;  // the sheet keeps the template's name
    (void)sheetPos;   // sheet position and insert mode serve exports into existing workbooks,
    (void)insertMode; // which the report window never makes
    std::error_code error;
    bool overwrite = false;
    if (std::filesystem::exists(fileName, error)) {
        switch (Options.ExportOverwrite) {
        case TOverwriteMode::omNever:
            break; // SaveAs refuses it
        case TOverwriteMode::omAlways:
            overwrite = true;
            break;
        case TOverwriteMode::omWarn:
            if (!ConfirmOverwrite ||
                !ConfirmOverwrite(OverwriteMessage(Options.ExportOverwriteMessage, fileName)))
                return false;
            // The confirmed file is replaced only by a complete new one: it stays as it is
            // when the export fails.
            overwrite = true;
            break;
        }
    }
    xls::TXlsWriter writer;
    Fill(writer, selectSheet);
    writer.SaveAs(fileName, overwrite);
    return true;
}

std::vector<std::uint8_t> TSheetExporter::ExportToMemory(int selectSheet) const {
    xls::TXlsWriter writer;
    Fill(writer, selectSheet);
    return writer.SaveToMemory();
}

void TSheetExporter::Fill(xls::TXlsWriter& writer, int selectSheet) const {
    writer.NewFile(1);
    ExportGrid(writer);
    writer.SetSelectedSheet(selectSheet);
}

void TSheetExporter::ExportGrid(xls::TXlsWriter& writer) const {
    const reports::TReportTable& grid = *grid_;

    if (Options.ExportPrintOptions) {
        writer.SetPageSetupOptions(
            static_cast<std::uint16_t>(writer.PageSetupOptions() & ~kSetupInvalidPrinter));
        writer.SetPrintScale(100);
        const std::uint16_t options = writer.PageSetupOptions();
        writer.SetPageSetupOptions(grid.Orientation == reports::TOrientation::Portrait
                                       ? static_cast<std::uint16_t>(options | kSetupPortrait)
                                       : static_cast<std::uint16_t>(options & ~kSetupPortrait));
    }
    writer.SetSummaryRowsBelow(Options.ExportSummaryRowsBelowDetail);
    writer.SetSummaryColsRight(Options.ExportSummaryRowsBelowDetail);
    writer.SetShowGridLines(Options.ExportShowGridLines);

    const std::size_t rows = grid.GridRowCount();
    std::vector<std::size_t> columns;
    if (Options.ExportHiddenColumns) {
        for (std::size_t c = 0; c < grid.ColumnCount(); ++c)
            columns.push_back(c);
    } else {
        columns = grid.ShownColumns();
    }
    if (Options.ExportCellSizes) {
        for (std::size_t r = 0; r < rows; ++r)
            writer.SetRowHeight(static_cast<int>(r) + 1,
                                RowHeightTwips(r == 0 ? grid.HeaderRowHeight : grid.RowHeight));
        for (std::size_t i = 0; i < columns.size(); ++i)
            writer.SetColumnWidth(static_cast<int>(i) + 1,
                                  ColumnWidth256(grid.Columns[columns[i]].Width));
    }

    // The base format of a cell depends only on the XF it shows; decode each XF once.
    std::map<std::uint16_t, xls::TTavroFormat> baseFormats;
    TFormatCache formats;
    const std::uint16_t fontSize = FontSize20(Look.FontHeight, Look.PixelsPerInch);
    const std::uint8_t hAlign = HorizontalOf(grid.HorzAlign);
    const std::uint8_t vAlign = VerticalOf(grid.VertAlign);

    for (std::size_t r = 0; r < rows; ++r) {
        const bool header = r == 0; // the one fixed row
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::size_t c = columns[i];
            const int sheetRow = static_cast<int>(r) + 1, sheetColumn = static_cast<int>(i) + 1;

            TCellLook look{Look.WindowTextColor,
                           header ? std::uint8_t{reports::kBold} : std::uint8_t{reports::kRegular},
                           header ? Look.ButtonFaceColor : Look.WindowColor};
            if (!header && r - 1 < grid.Rows.size() && c < grid.Rows[r - 1].size()) {
                const reports::TReportCell& cell = grid.Rows[r - 1][c];
                if (cell.Background) look.background = *cell.Background;
                if (cell.FontColor) look.fontColor = *cell.FontColor;
                if (cell.FontStyle != reports::kRegular) look.style = cell.FontStyle;
            }

            const std::uint16_t baseXF = writer.GetCellXF(sheetRow, sheetColumn);
            auto base = baseFormats.find(baseXF);
            if (base == baseFormats.end())
                base = baseFormats.emplace(baseXF, writer.FormatOfXF(baseXF)).first;
            xls::TTavroFormat format = base->second;

            const std::u16string text = SheetText(grid.Text(r, c));
            if (Options.ExportCellProperties) {
                xls::TTavroFont& font = format.Font;
                font.Name = Look.FontName;
                font.Size20 = fontSize;
                font.ColorIndex = NearestPaletteIndex(look.fontColor);
                font.Style = {};
                font.Style.Set(xls::FontStyle::Bold, (look.style & reports::kBold) != 0);
                font.Style.Set(xls::FontStyle::Italic, (look.style & reports::kItalic) != 0);
                font.Style.Set(xls::FontStyle::StrikeOut, (look.style & reports::kStrikeOut) != 0);
                font.Underline = (look.style & reports::kUnderline) ? xls::FontUnderline::Single
                                                                    : xls::FontUnderline::None;
                if (look.background == 0xFFFFFF) {
                    format.FillPattern = xls::kFillNone;
                } else {
                    format.FillPattern = xls::kFillSolid;
                    format.FgColorIndex = NearestPaletteIndex(look.background);
                }
                if (text.find(u'\n') != std::u16string::npos ||
                    (Options.ExportWordWrapped && grid.WordWrap))
                    format.WrapText = true;
                format.HAlignment = hAlign;
                format.VAlignment = vAlign;
            }

            // A text that begins with "=" is stored as text as well: report texts come from the
            // downloaded list, and a formula made of them would run when the file is opened.
            writer.SetCellValue(sheetRow, sheetColumn, text);
            if (Options.ExportCellProperties)
                writer.SetCellFormat(sheetRow, sheetColumn, formats.XFOf(writer, format));
        }
    }
}

void SaveReportAsXls(const reports::TReportTable& table, const std::string& fileName,
                     bool overwrite) {
    TSheetExporter exporter(table);
    exporter.ConfirmOverwrite = [&](const std::string&) {
        if (!overwrite) Fail(kMsgFileExists, fileName.c_str());
        return true;
    };
    exporter.ExportToXls(fileName);
}

std::vector<std::uint8_t> ReportXlsBytes(const reports::TReportTable& table) {
    return TSheetExporter(table).ExportToMemory();
}

} // namespace orq::exporter
