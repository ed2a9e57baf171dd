// The desktop program: creates the windows in their fixed order and runs the message loop until
// the main window closes.
//
//   orq [FILE.xls]            start, and open FILE.xls when given
//   orq --demo                write a demo list to a temporary folder and open it
//   orq --screenshot DIR [FILE.xls]
//                             open FILE.xls (or a demo list), save pictures of every window
//                             into DIR and quit
//   --history PATH            the history file (default history.sqlite in the data folder);
//                             the pictures use a history of their own unless it is given

#include "gui/main/main_form.h"
#include "gui/screenshots.h"
#include "gui/windows.h"
#include "orq_config.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

void Usage(std::FILE* out) {
    std::fputs("Usage: orq [--history PATH] [FILE.xls]\n"
               "       orq --demo\n"
               "       orq --screenshot DIR [--history PATH] [FILE.xls]\n",
               out);
}

} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("orq %s\n", orq::config::kVersion);
            return 0;
        }
    }
    QApplication app(argc, argv);
    orq::gui::SetUpApplication();

    const QStringList args = QApplication::arguments().mid(1);
    QString fileName;
    QString screenshotDir;
    QString historyPath;
    bool demo = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--demo")) {
            demo = true;
        } else if (arg == QLatin1String("--screenshot") && i + 1 < args.size()) {
            screenshotDir = args[++i];
        } else if (arg == QLatin1String("--history") && i + 1 < args.size()) {
            historyPath = args[++i];
        } else if (arg.startsWith(QLatin1String("--")) || !fileName.isEmpty()) {
            Usage(stderr);
            return 2;
        } else {
            fileName = arg;
        }
    }

    // A demo list lives in a temporary folder for the run; the pictures of the screenshot mode
    // leave the user's remembered folders and lists and the user's history alone (unless a
    // history is named).
    QTemporaryDir runDir;
    orq::gui::StartupOptions options = orq::gui::SystemStartupOptions();
    options.HistoryPath = historyPath.toStdString();
    if (!screenshotDir.isEmpty() && runDir.isValid()) {
        options.PreferencesPath = runDir.filePath(QStringLiteral("orq.conf"));
        if (historyPath.isEmpty())
            options.HistoryPath = runDir.filePath(QStringLiteral("history.sqlite")).toStdString();
    }
    orq::gui::OrqWindows windows = orq::gui::CreateWindows(std::move(options));
    orq::gui::TMainForm& mainForm = *windows.Main;

    bool remember = true;
    if ((demo || (!screenshotDir.isEmpty() && fileName.isEmpty())) && runDir.isValid()) {
        const QString demoFile = runDir.filePath(QStringLiteral("Demo APL.xls"));
        if (orq::gui::WriteDemoList(&mainForm, demoFile, mainForm.State())) {
            fileName = demoFile;
            remember = false; // the folder goes when the program ends
        }
    }

    if (!screenshotDir.isEmpty())
        return orq::gui::TakeScreenshots(windows, fileName, screenshotDir);

    mainForm.show();
    if (!fileName.isEmpty())
        QTimer::singleShot(0, &mainForm, [&mainForm, fileName, remember] {
            mainForm.OpenList(fileName, remember);
        });
    return QApplication::exec();
}
