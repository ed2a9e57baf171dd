#include "gui/common/sort_header.h"

#include <QPainter>
#include <QPolygon>
#include <QStyleOptionHeader>
#include <QTableView>

namespace orq::gui {
namespace {
constexpr int kCaptionMargin = 2;
constexpr int kMarkWidth = 8;
constexpr int kMarkHeight = 4;
// Room above every caption for the mark.
constexpr int kMarkRoom = 3;
} // namespace

SortHeaderView::SortHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    // The mark is this header's own; the style's indicator would take room from the caption.
    setSortIndicatorShown(false);
}

void SortHeaderView::SetSortMark(int column, bool ascending) {
    if (column == sortColumn_ && ascending == ascending_) return;
    sortColumn_ = column;
    ascending_ = ascending;
    viewport()->update();
}

void SortHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    QStyleOptionHeader option;
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    const QString caption = option.text;
    const Qt::Alignment alignment = option.textAlignment;
    option.text.clear();
    option.sortIndicator = QStyleOptionHeader::None;

    painter->save();
    style()->drawControl(QStyle::CE_Header, &option, painter, this);

    QFont font = this->font();
    QColor color = option.palette.color(QPalette::ButtonText);
    if (model() != nullptr) {
        const QVariant fontData = model()->headerData(logicalIndex, orientation(), Qt::FontRole);
        if (fontData.canConvert<QFont>()) font = fontData.value<QFont>();
        const QVariant colorData =
            model()->headerData(logicalIndex, orientation(), Qt::ForegroundRole);
        if (colorData.canConvert<QBrush>()) color = colorData.value<QBrush>().color();
    }
    painter->setFont(font);
    painter->setPen(color);
    painter->setClipRect(rect.adjusted(1, 0, -1, 0));
    painter->drawText(rect.adjusted(kCaptionMargin, kMarkRoom, -kCaptionMargin, 0),
                      static_cast<int>(alignment) | Qt::TextWordWrap, caption);

    if (logicalIndex == sortColumn_) {
        const int left = rect.center().x() - kMarkWidth / 2;
        const int top = rect.top() + 1;
        QPolygon mark;
        if (ascending_)
            mark << QPoint(left, top + kMarkHeight) << QPoint(left + kMarkWidth, top + kMarkHeight)
                 << QPoint(left + kMarkWidth / 2, top);
        else
            mark << QPoint(left, top) << QPoint(left + kMarkWidth, top)
                 << QPoint(left + kMarkWidth / 2, top + kMarkHeight);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        QColor markColor = color;
        markColor.setAlpha(170);
        painter->setBrush(markColor);
        painter->drawPolygon(mark);
    }
    painter->restore();
}

SortHeaderView* InstallSortHeader(QTableView* view) {
    auto* header = new SortHeaderView(view);
    view->setHorizontalHeader(header);
    // The table selects the whole column on a press or a drag over the headers; a header click
    // here sorts and nothing else.
    QObject::disconnect(header, SIGNAL(sectionPressed(int)), view, nullptr);
    QObject::disconnect(header, SIGNAL(sectionEntered(int)), view, nullptr);
    return header;
}

} // namespace orq::gui
