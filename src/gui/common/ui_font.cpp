#include "gui/common/ui_font.h"

#include <QFile>
#include <QFontDatabase>
#include <QStringList>

namespace orq::gui {
namespace {

// Debian's fonts-wine ships a Tahoma work-alike outside the fontconfig folders; the windows are
// laid out for Tahoma's widths, so it is registered with the application when present.
bool HaveTahoma() {
    const QString family = QStringLiteral("Tahoma");
    if (QFontDatabase::families().contains(family)) return true;
    for (const char* path :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        if (QFile::exists(QLatin1String(path)))
            QFontDatabase::addApplicationFont(QLatin1String(path));
    return QFontDatabase::families().contains(family);
}

} // namespace

QFont UiFont() {
    static const QFont font = [] {
        QFont f;
        if (HaveTahoma()) {
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
