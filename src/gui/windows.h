#pragma once

#include "gui/main/main_form.h"

#include <memory>

namespace orq::gui {

// The six windows of the program, created in the program's fixed order: main window, report
// window, About box, broken-appointments window, settings dialog, past-due window. Each
// exists, hidden where not the main window, for the whole run.
struct OrqWindows {
    std::unique_ptr<TMainForm> Main;
    std::unique_ptr<TPrintForm> Print;
    std::unique_ptr<TAboutForm> About;
    std::unique_ptr<TBrokenForm> Broken;
    std::unique_ptr<TSettingsForm> Settings;
    std::unique_ptr<TPastForm> Past;

    OrqWindows();
    OrqWindows(OrqWindows&&) noexcept;
    OrqWindows& operator=(OrqWindows&&) noexcept;
    ~OrqWindows();

private:
    void Close() noexcept;
};

OrqWindows CreateWindows(StartupOptions options);

// The program's name, version, icon and font for the desktop. Window titles are the windows'
// own captions: no application display name is set, since the desktop would add it to every
// title. The desktop file name "orq" lets the desktop show ORQ's icon and group its windows.
void SetUpApplication();

// The options the program starts with on this machine: today's local date, the system
// locale's date format and collation, the import component, "ORQ.ini" in the current folder,
// the user's own remembered folders and lists.
StartupOptions SystemStartupOptions();

} // namespace orq::gui
