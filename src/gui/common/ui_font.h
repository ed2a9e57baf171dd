#pragma once

#include <QFont>

namespace orq::gui {

// The font every window uses: Tahoma 8 pt where it is installed, else the desktop's sans-serif
// face at 8 pt.
QFont UiFont();

// The same face in bold (table headers).
QFont UiBoldFont();

// True when the font engine thickens the strokes of UiBoldFont itself (the Tahoma work-alike,
// whose bold outlines are thin). It does so up to screen sizes only; a printout thickens bold
// text of its own (PaintTable).
bool UiBoldIsSynthesised();

} // namespace orq::gui
