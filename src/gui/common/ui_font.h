#pragma once

#include <QFont>

namespace orq::gui {

// The font every window uses: Tahoma 8 pt where it is installed, else the desktop's sans-serif
// face at 8 pt.
QFont UiFont();

// The same face in bold (table headers).
QFont UiBoldFont();

} // namespace orq::gui
