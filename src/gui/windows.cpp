#include "gui/windows.h"

#include "domain/settings.h"
#include "gui/common/emblem.h"
#include "gui/common/ui_font.h"
#include "gui/main/about_form.h"
#include "gui/main/settings_form.h"
#include "gui/reports/list_forms.h"
#include "gui/reports/print_form.h"
#include "import/list_import.h"
#include "locale/system_locale.h"
#include "orq_config.h"

#include <QApplication>
#include <QIcon>

namespace orq::gui {

OrqWindows::OrqWindows() = default;
OrqWindows::OrqWindows(OrqWindows&&) noexcept = default;
OrqWindows& OrqWindows::operator=(OrqWindows&& other) noexcept {
    if (this == &other) return *this;
    // The windows held so far go in the destructor's order (a defaulted assignment would free the
    // main window first, and with it the dialogs it parents, before their own owners).
    Close();
    Main = std::move(other.Main);
    Print = std::move(other.Print);
    About = std::move(other.About);
    Broken = std::move(other.Broken);
    Settings = std::move(other.Settings);
    Past = std::move(other.Past);
    return *this;
}

OrqWindows::~OrqWindows() {
    Close();
}

void OrqWindows::Close() noexcept {
    // The dialogs and the report window refer to the main window's state: they go first.
    Past.reset();
    Settings.reset();
    Broken.reset();
    About.reset();
    Print.reset();
    Main.reset();
}

OrqWindows CreateWindows(StartupOptions options) {
    const std::string settingsPath =
        options.SettingsPath.empty() ? std::string(kSettingsFileName) : options.SettingsPath;
    OrqWindows windows;
    windows.Main = std::make_unique<TMainForm>(std::move(options));
    TOrqState& state = windows.Main->State();
    windows.Print = std::make_unique<TPrintForm>(state, windows.Main->Prefs());
    windows.About = std::make_unique<TAboutForm>(windows.Main.get());
    windows.Broken = std::make_unique<TBrokenForm>(state, windows.Main.get());
    windows.Settings = std::make_unique<TSettingsForm>(state, settingsPath, windows.Main.get());
    windows.Past = std::make_unique<TPastForm>(state, windows.Main.get());
    windows.Main->SetWindows(windows.Print.get(), windows.About.get(), windows.Broken.get(),
                             windows.Settings.get(), windows.Past.get());
    return windows;
}

void SetUpApplication() {
    QApplication::setApplicationName(QStringLiteral("ORQ"));
    QApplication::setApplicationVersion(QLatin1String(config::kVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("orq"));
    QApplication::setWindowIcon(QIcon(OrqEmblem(64)));
    QApplication::setFont(UiFont());
}

StartupOptions SystemStartupOptions() {
    StartupOptions options;
    options.MakeImport = [] {
        return std::unique_ptr<ImportComponent>(std::make_unique<import::TListImport>());
    };
    options.Format = SystemFormatSettings();
    options.Today = SystemToday();
    options.Collation = SystemCollation();
    return options;
}

} // namespace orq::gui
