#include "gui/reports/report_export.h"

#include "export/sheet_exporter.h"
#include "gui/common/dialogs.h"
#include "gui/common/error_display.h"
#include "gui/common/ui_font.h"

#include <QApplication>
#include <QFontInfo>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace orq::gui {
namespace {

std::uint32_t Bgr(const QColor& color) {
    return static_cast<std::uint32_t>(color.red()) |
           (static_cast<std::uint32_t>(color.green()) << 8) |
           (static_cast<std::uint32_t>(color.blue()) << 16);
}

// The fonts and colours the report table is drawn with on this desktop.
exporter::TExportLook ScreenLook(const QWidget* parent) {
    exporter::TExportLook look;
    const QFont font = UiFont();
    const QFontInfo info(font);
    look.FontName = info.family().toStdU16String();
    int dpi = 96;
    if (parent != nullptr)
        dpi = parent->logicalDpiY();
    else if (QApplication::primaryScreen() != nullptr)
        dpi = static_cast<int>(QApplication::primaryScreen()->logicalDotsPerInchY());
    look.PixelsPerInch = dpi > 0 ? dpi : 96;
    // Character height in pixels of an 8-point font on this screen (negative by convention).
    look.FontHeight = -static_cast<int>(font.pointSizeF() * look.PixelsPerInch / 72.0 + 0.5);
    const QPalette palette = parent != nullptr ? parent->palette() : QApplication::palette();
    look.WindowColor = Bgr(palette.color(QPalette::Base));
    look.WindowTextColor = Bgr(palette.color(QPalette::Text));
    look.ButtonFaceColor = Bgr(palette.color(QPalette::Button));
    return look;
}

} // namespace

void ExportReportTable(QWidget* parent, const reports::TReportTable& table,
                       const QString& fileName) {
    exporter::TSheetExporter exporter(table);
    exporter.Look = ScreenLook(parent);
    exporter.ConfirmOverwrite = [parent](const std::string& message) {
        return CurrentDialogs().Confirm(parent, QStringLiteral("Confirm"), WithLineBreaks(message));
    };
    exporter.ExportToXls(S(fileName));
}

} // namespace orq::gui
