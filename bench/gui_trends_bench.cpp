// Times History > Trends... on a history file, on the offscreen platform: from the menu command
// until the window is shown with its chart and table painted, over several runs (the window made
// anew each time).
//
//   gui_trends_bench HISTORY.sqlite [--today YYYY-MM-DD] [--runs N]

#include "gui/history/history_menu.h"
#include "gui/history/trends_form.h"
#include "gui/windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <time.h>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string history;
    orq::TDateTime today = 0;
    int runs = 10;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--today" && i + 1 < argc) {
            if (!orq::TryParseIsoDate(argv[++i], today)) return 2;
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            history = arg;
        }
    }
    if (history.empty()) {
        std::fprintf(stderr, "Usage: gui_trends_bench HISTORY.sqlite [--today YYYY-MM-DD]\n");
        return 2;
    }
    QTemporaryDir folder;
    const std::string settings = folder.filePath(QStringLiteral("ORQ.ini")).toStdString();
    std::ofstream(settings, std::ios::binary) << "31\r\n";
    orq::gui::StartupOptions options = orq::gui::SystemStartupOptions();
    options.SettingsPath = settings;
    options.HistoryPath = history;
    options.PreferencesPath = folder.filePath(QStringLiteral("orq.conf"));
    if (today != 0) options.Today = today;
    std::vector<double> times, cpuTimes;
    auto cpuMs = [] {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    };
    std::size_t weeks = 0;
    for (int run = 0; run < runs; ++run) {
        orq::gui::OrqWindows windows = orq::gui::CreateWindows(options);
        windows.Main->show();
        QApplication::processEvents();
        QElapsedTimer watch;
        watch.start();
        const double cpu = cpuMs();
        windows.Main->History()->Trends1Click();
        orq::gui::TTrendsForm* trends = windows.Main->History()->Trends();
        trends->repaint();
        QApplication::processEvents();
        QApplication::processEvents();
        times.push_back(static_cast<double>(watch.nsecsElapsed()) / 1e6);
        cpuTimes.push_back(cpuMs() - cpu);
        weeks = trends->View().Weeks.size();
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    std::printf("History > Trends... (%zu weeks shown): median %.1f ms (min %.1f, max %.1f, %d "
                "runs); CPU time median %.1f ms (min %.1f)\n",
                weeks, times[times.size() / 2], times.front(), times.back(), runs,
                cpuTimes[cpuTimes.size() / 2], cpuTimes.front());
    return 0;
}
