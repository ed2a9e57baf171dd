#pragma once

#include "domain/state.h"

#include <QString>

class QWidget;

namespace orq::gui {

struct OrqWindows;

// Writes a demo processing list dated around today to `fileName`; failures go to the general
// error display. True when written.
bool WriteDemoList(QWidget* parent, const QString& fileName, const TOrqState& state);

// Opens `fileName`, then saves a picture of the main window, the report window (two reports,
// and one scrolled and then rebuilt for one station), the past-due and broken-appointments
// dialogs, the settings dialog, the About box and the Trends window into `folder`.
// Returns the program's exit status.
int TakeScreenshots(OrqWindows& windows, const QString& fileName, const QString& folder);

} // namespace orq::gui
