#pragma once

#include <QPixmap>

namespace orq::gui {

// The program's emblem (window icon, the picture on the main window), drawn at `size` pixels.
QPixmap OrqEmblem(int size);

} // namespace orq::gui
