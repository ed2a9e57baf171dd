#include "gui/reports/table_printer.h"

#include "gui/common/error_display.h"
#include "gui/common/grid_view.h"
#include "gui/common/ui_font.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace orq::gui {
namespace {

constexpr double kCellPadding = 2.0; // table pixels between the grid line and the text

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

    const int flags = Qt::AlignLeft | Qt::AlignTop | (table.WordWrap ? Qt::TextWordWrap : 0);
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
                if (gridRow == 0) {
                    painter.fillRect(cell, headerFill);
                    painter.setFont(bold);
                } else {
                    const reports::TReportCell& data = table.Rows[gridRow - 1][column];
                    if (data.Background) painter.fillRect(cell, ToQColor(*data.Background));
                    if (data.FontColor) textColor = ToQColor(*data.FontColor);
                    QFont font = body;
                    font.setBold((data.FontStyle & reports::kBold) != 0);
                    font.setItalic((data.FontStyle & reports::kItalic) != 0);
                    font.setUnderline((data.FontStyle & reports::kUnderline) != 0);
                    font.setStrikeOut((data.FontStyle & reports::kStrikeOut) != 0);
                    painter.setFont(font);
                }
                painter.setPen(gridPen);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(cell);
                painter.setPen(textColor);
                painter.drawText(cell.adjusted(padding, padding, -padding, -padding), flags,
                                 WithLineBreaks(table.Text(gridRow, column)));
                x += band.widths[i];
            }
            y += height;
        }
    }
    painter.end();
    return pages;
}

} // namespace orq::gui
