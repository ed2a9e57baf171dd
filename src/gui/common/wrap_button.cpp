#include "gui/common/wrap_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace orq::gui {
namespace {
constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
constexpr int kMargin = 3;
} // namespace

WrapButton::WrapButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

QRect WrapButton::CaptionRect() const {
    return rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
}

bool WrapButton::CaptionFits() const {
    const QRect area = CaptionRect();
    const QRect needed = fontMetrics().boundingRect(area, kCaptionFlags, text());
    return area.contains(needed);
}

void WrapButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    // The bevel is drawn by the style; the caption is drawn here so that it may wrap.
    int flags = kCaptionFlags;
    if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this))
        flags |= Qt::TextHideMnemonic;
    QRect area = CaptionRect();
    if (option.state & (QStyle::State_Sunken | QStyle::State_On))
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    painter.setPen(option.palette.color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                        QPalette::ButtonText));
    painter.drawText(area, flags, caption);
}

} // namespace orq::gui
