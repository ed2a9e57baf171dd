#include "gui/reports/table_printer.h"

#include "gui/common/error_display.h"
#include "gui/common/grid_view.h"
#include "gui/common/ui_font.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <vector>

namespace orq::gui {
namespace {

constexpr double kCellPadding = 2.0; // table pixels between the grid line and the text

// Draws `text` into `cell` from its top left corner, broken at its line breaks (and at word
// ends with `wrap`), clipped to the cell. With `thicken` the glyph outlines are stroked once
// more over the text, as thick as the font engine makes bold text on screen: a printer's
// resolution is beyond the sizes at which it does so itself. The text stays text (a PDF
// printout can be searched).
void DrawCellText(QPainter& painter, const QRectF& cell, bool wrap, const QString& text,
                  const QFont& font, bool thicken) {
    if (text.isEmpty()) return;
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(lines, font, painter.device());
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(wrap ? QTextOption::WordWrap : QTextOption::ManualWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    double y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(cell.width());
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();

    painter.save();
    painter.setClipRect(cell, Qt::IntersectClip);
    layout.draw(&painter, cell.topLeft());
    if (thicken) {
        QPainterPath outlines;
        double size = 0;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            const QRawFont raw = run.rawFont();
            size = std::max(size, raw.pixelSize());
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
                outlines.addPath(
                    raw.pathForGlyph(glyphs[i]).translated(cell.topLeft() + positions[i]));
        }
        // The engine widens each stroke by a 24th of the character height.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.strokePath(outlines, QPen(painter.pen().color(), size / 24.0, Qt::SolidLine,
                                          Qt::RoundCap, Qt::RoundJoin));
    }
    painter.restore();
}

struct Band {
    std::vector<std::size_t> columns; // stored columns
    std::vector<double> widths;       // device pixels
    double width = 0;
};

} // namespace

int PaintTable(QPagedPaintDevice& device, const reports::TReportTable& table,
               const TablePrintSettings& settings) {
    QPainter painter;
    if (!painter.begin(&device)) return 0;

    const double scale = device.logicalDpiX() / 96.0;
    const double pageWidth = device.width();
    const double pageHeight = device.height();
    const double padding = kCellPadding * scale;

    QFont body = UiFont();
    QFont bold = UiBoldFont();
    QFont titleFont = UiFont();
    titleFont.setPointSize(14);
    const QFontMetricsF bodyMetrics(body, &device);
    const QFontMetricsF boldMetrics(bold, &device);

    // The title and the blank lines its carriage returns ask for.
    QString title = settings.Title;
    int blankLines = 0;
    while (title.endsWith(QLatin1Char('\r')) || title.endsWith(QLatin1Char('\n'))) {
        title.chop(1);
        ++blankLines;
    }
    const QFontMetricsF titleMetrics(titleFont, &device);
    double titleHeight = 0;
    if (!title.isEmpty()) {
        titleHeight = titleMetrics.lineSpacing();
        if (blankLines > 1) titleHeight += (blankLines - 1) * bodyMetrics.lineSpacing();
        titleHeight += bodyMetrics.lineSpacing() / 2;
    }

    // Column widths and row heights in device pixels.
    const std::vector<std::size_t> shown = table.ShownColumns();
    std::vector<double> widths;
    widths.reserve(shown.size());
    for (std::size_t column : shown) {
        if (settings.ScreenSizes) {
            widths.push_back(table.Columns[column].Width * scale);
            continue;
        }
        double widest = boldMetrics.horizontalAdvance(WithLineBreaks(table.Columns[column].Header));
        for (const reports::TReportRow& row : table.Rows)
            widest = std::max(widest, bodyMetrics
                                          .boundingRect(QRectF(0, 0, 1e6, 1e6), 0,
                                                        WithLineBreaks(row[column].Text))
                                          .width());
        widths.push_back(widest + 2 * padding + scale);
    }
    auto rowHeight = [&](std::size_t gridRow) {
        if (settings.ScreenSizes)
            return (gridRow == 0 ? table.HeaderRowHeight : table.RowHeight) * scale;
        const QFontMetricsF& metrics = gridRow == 0 ? boldMetrics : bodyMetrics;
        int lines = 1;
        for (std::size_t column : shown) {
            const QString text = WithLineBreaks(table.Text(gridRow, column));
            lines = std::max(lines, static_cast<int>(text.count(QLatin1Char('\n'))) + 1);
        }
        return lines * metrics.lineSpacing() + 2 * padding;
    };

    // Columns wider than the page go onto further bands, each printed on pages of its own.
    std::vector<Band> bands;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (bands.empty() ||
            (bands.back().width + widths[i] > pageWidth && !bands.back().columns.empty()))
            bands.emplace_back();
        bands.back().columns.push_back(shown[i]);
        bands.back().widths.push_back(widths[i]);
        bands.back().width += widths[i];
    }

    const bool thicken = UiBoldIsSynthesised();
    const QPen gridPen(QColor(0x80, 0x80, 0x80), std::max(1.0, scale * 0.75));
    const QColor headerFill(0xE8, 0xE8, 0xE8);
    int pages = 0;

    auto startPage = [&]() -> double {
        if (pages > 0) device.newPage();
        ++pages;
        double y = 0;
        if (!title.isEmpty()) {
            painter.setFont(titleFont);
            painter.setPen(Qt::black);
            painter.drawText(QRectF(0, 0, pageWidth, titleMetrics.lineSpacing()),
                             Qt::AlignHCenter | Qt::AlignTop, title);
            y = titleHeight;
        }
        return y;
    };

    for (const Band& band : bands) {
        const double left = std::max(0.0, (pageWidth - band.width) / 2);
        double y = startPage();
        const double top = y;
        for (std::size_t gridRow = 0; gridRow < table.GridRowCount(); ++gridRow) {
            const double height = rowHeight(gridRow);
            if (y + height > pageHeight && y > top) y = startPage();
            double x = left;
            for (std::size_t i = 0; i < band.columns.size(); ++i) {
                const std::size_t column = band.columns[i];
                const QRectF cell(x, y, band.widths[i], height);
                QColor textColor = Qt::black;
                QFont font = bold;
                if (gridRow == 0) {
                    painter.fillRect(cell, headerFill);
                } else {
                    const reports::TReportCell& data = table.Rows[gridRow - 1][column];
                    if (data.Background) painter.fillRect(cell, ToQColor(*data.Background));
                    if (data.FontColor) textColor = ToQColor(*data.FontColor);
                    font = body;
                    font.setBold((data.FontStyle & reports::kBold) != 0);
                    font.setItalic((data.FontStyle & reports::kItalic) != 0);
                    font.setUnderline((data.FontStyle & reports::kUnderline) != 0);
                    font.setStrikeOut((data.FontStyle & reports::kStrikeOut) != 0);
                }
                painter.setPen(gridPen);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(cell);
                painter.setPen(textColor);
                DrawCellText(painter, cell.adjusted(padding, padding, -padding, -padding),
                             table.WordWrap, WithLineBreaks(table.Text(gridRow, column)), font,
                             thicken && font.bold());
                x += band.widths[i];
            }
            y += height;
        }
    }
    painter.end();
    return pages;
}

} // namespace orq::gui
