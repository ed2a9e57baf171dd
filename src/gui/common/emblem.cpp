#include "gui/common/emblem.h"

#include <QPainter>
#include <QPainterPath>

namespace orq::gui {

QPixmap OrqEmblem(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    // A clipboard holding a small bar chart: the list and its metrics.
    painter.setPen(QPen(QColor(0x1F, 0x3A, 0x5F), 2));
    painter.setBrush(QColor(0xF4, 0xF1, 0xE8));
    painter.drawRoundedRect(QRectF(10, 8, 44, 52), 4, 4);
    painter.setBrush(QColor(0x1F, 0x3A, 0x5F));
    painter.drawRoundedRect(QRectF(22, 4, 20, 9), 2, 2);

    painter.setPen(Qt::NoPen);
    const QColor bars[] = {QColor(0x2E, 0x6D, 0xB4), QColor(0xC8, 0x3E, 0x3A),
                           QColor(0x2E, 0x6D, 0xB4), QColor(0xE0, 0xA8, 0x2E)};
    const double heights[] = {18, 28, 12, 34};
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(bars[i]);
        painter.drawRect(QRectF(17 + i * 8.5, 54 - heights[i], 6, heights[i]));
    }
    painter.setPen(QPen(QColor(0x1F, 0x3A, 0x5F), 1.5));
    painter.drawLine(QPointF(15, 54.5), QPointF(50, 54.5));
    return pixmap;
}

} // namespace orq::gui
