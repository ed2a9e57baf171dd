#include "app/gui/ui_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace orq::gui {

QFont UiFont() {
    static const QFont font = [] {
        QFont f;
        if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
            f = QFont(QStringLiteral("Tahoma"));
        } else {
            f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
            f.setStyleHint(QFont::SansSerif);
        }
        f.setPointSize(8);
        f.setBold(false);
        return f;
    }();
    return font;
}

QFont UiBoldFont() {
    QFont f = UiFont();
    f.setBold(true);
    return f;
}

} // namespace orq::gui
