#pragma once

#include "metrics/grid.h"

#include <QColor>

class QTableView;
class QWidget;

namespace orq::gui {

// How a window table looks: grid lines, a bold header row of `headerHeight` pixels, data rows
// of `rowHeight` pixels that the user cannot resize, no row header. `selectable` allows
// selecting a rectangular range of cells; otherwise nothing is highlighted and the table takes
// no keyboard focus.
// QColor of a colour kept in the program's blue-green-red order (red in the low byte).
inline QColor ToQColor(TColor color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

void ConfigureGridView(QTableView* view, int headerHeight, int rowHeight, bool selectable);

// Moves a top-level window to the centre of the desktop it is on.
void CentreOnDesktop(QWidget* window);

} // namespace orq::gui
