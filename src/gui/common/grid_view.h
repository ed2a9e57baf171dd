#pragma once

#include "metrics/grid.h"

#include <QColor>

class QTableView;
class QWidget;

namespace orq::gui {

// QColor of a colour kept in the program's blue-green-red order (red in the low byte).
inline QColor ToQColor(TColor color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

// How a window table looks: grid lines, a bold header row of `headerHeight` pixels, data rows
// of `rowHeight` pixels that the user cannot resize, no row header. `selectable` allows
// selecting a rectangular range of cells, which Ctrl+C copies (SelectedCellsText); otherwise
// nothing is highlighted and the table takes no keyboard focus.
void ConfigureGridView(QTableView* view, int headerHeight, int rowHeight, bool selectable);

// The selected cells of `view` as tab-separated text, as the lists' Copy writes a table: the
// rows of the selection from top to bottom, the shown columns of the selection left to right,
// cells separated by a tab, every row ended by CR LF. A cell text with a line break goes in
// double quotes without its carriage returns, so that it stays one cell when pasted. Empty
// when nothing is selected.
QString SelectedCellsText(const QTableView* view);

// Scrolls `view` back to its first row and first column and makes the first shown cell the
// current one, selecting nothing (a table after it was built anew).
void ShowFirstCell(QTableView* view);

// Moves a top-level window to the centre of the desktop it is on.
void CentreOnDesktop(QWidget* window);

} // namespace orq::gui
