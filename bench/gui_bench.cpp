// Times the desktop program's windows on a processing list, on the offscreen platform:
//   File > Open until the metrics are shown, "&All Apps" until the report window shows every
//   row, header-click sorts, scrolling the report table, and the peak memory of the process.
//
//   gui_bench LIST.xls [--today YYYY-MM-DD] [--runs N]
//
// The list bench/make_largest_apl.py writes (65,527 rows, dated 2008) is the intended input:
//   /usr/bin/python3 bench/make_largest_apl.py /tmp/largest.xls
//   build/bench/gui_bench /tmp/largest.xls --today 2008-12-31

#include "app/gui/windows.h"
#include "app/view/main_view.h"
#include "reports/core/report_window.h"
#include "reports/gui/print_form.h"
#include "xls/tavro_import.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Lets the windows lay out and paint what the last command changed.
void Settle() {
    QApplication::processEvents();
    QApplication::processEvents();
}

void Repaint(QWidget* window) {
    window->repaint();
    Settle();
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string list;
    orq::TDateTime today = 0;
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--today" && i + 1 < argc) {
            if (!orq::TryParseIsoDate(argv[++i], today)) {
                std::fprintf(stderr, "--today wants YYYY-MM-DD\n");
                return 2;
            }
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            list = arg;
        }
    }
    if (list.empty()) {
        std::fprintf(stderr, "Usage: gui_bench LIST.xls [--today YYYY-MM-DD] [--runs N]\n");
        return 2;
    }

    // A settings file keeps the first-run dialog out of the way.
    QTemporaryDir folder;
    const std::string settings = folder.filePath(QStringLiteral("ORQ.ini")).toStdString();
    std::ofstream(settings, std::ios::binary) << "31\r\n";

    orq::gui::StartupOptions options = orq::gui::SystemStartupOptions(argv[0]);
    options.SettingsPath = settings;
    if (today != 0) options.Today = today;
    orq::gui::OrqWindows windows = orq::gui::CreateWindows(std::move(options));
    orq::gui::TMainForm& mainForm = *windows.Main;
    orq::gui::TPrintForm& report = *windows.Print;
    mainForm.show();
    Settle();

    // The same work without windows, for telling the windows' share from the core's.
    std::vector<double> coreOpen;
    std::vector<double> coreAll;
    for (int run = 0; run < runs; ++run) {
        orq::TOrqState state;
        state.Format = mainForm.State().Format;
        state.Today = mainForm.State().Today;
        state.SetCollation(mainForm.State().StationList.Collation());
        orq::TMainView view;
        orq::InitMainView(view, state);
        orq::reports::TReportWindow window;
        window.TextWidth = orq::gui::TPrintForm::TextWidth();
        QElapsedTimer coreTimer;
        coreTimer.start();
        auto import = orq::xls::TTavroImport::WithOwnAdapter();
        import->OpenFile(list);
        import->SetActiveSheet(1);
        orq::LoadAplRows(view, state, *import);
        coreOpen.push_back(static_cast<double>(coreTimer.nsecsElapsed()) / 1e6);
        coreTimer.start();
        orq::reports::ReportButtonClick(state, window, 4);
        coreAll.push_back(static_cast<double>(coreTimer.nsecsElapsed()) / 1e6);
    }

    std::vector<double> open;
    std::vector<double> all;
    std::vector<double> sortName;
    std::vector<double> sortAgain;
    std::vector<double> sortDate;
    double scrollFrame = 0;
    int scrollFrames = 0;
    QElapsedTimer timer;
    auto* allButton = mainForm.findChild<QPushButton*>(QStringLiteral("AllButton"));
    for (int run = 0; run < runs; ++run) {
        report.close();
        Settle();

        timer.start();
        if (!mainForm.OpenList(QString::fromStdString(list))) return 1;
        Repaint(&mainForm);
        open.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

        timer.start();
        allButton->click();
        Repaint(&report);
        all.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

        QTableView* table = report.Table();
        timer.start();
        report.HeaderClick(2);
        Repaint(&report);
        sortName.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        timer.start();
        report.HeaderClick(2);
        Repaint(&report);
        sortAgain.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        timer.start();
        report.HeaderClick(9);
        Repaint(&report);
        sortDate.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

        // Scrolling: page after page through the table, each page painted.
        if (run == 0) {
            QScrollBar* bar = table->verticalScrollBar();
            const int pages = 300;
            timer.start();
            for (int page = 0; page < pages; ++page) {
                bar->setValue(bar->value() + bar->pageStep() * 50);
                if (bar->value() >= bar->maximum()) bar->setValue(0);
                table->viewport()->repaint();
            }
            scrollFrame = static_cast<double>(timer.nsecsElapsed()) / 1e6 / pages;
            scrollFrames = pages;
        }
        if (run == 0) {
            std::printf("rows in the report table: %d (records %zu)\n", table->model()->rowCount(),
                        mainForm.State().Appts.size());
        }
    }

    std::printf("File > Open to metrics shown:      %8.1f ms (median of %d)\n", Median(open), runs);
    std::printf("  of which the core's read and load: %8.1f ms\n", Median(coreOpen));
    std::printf("All Apps to report window shown:   %8.1f ms\n", Median(all));
    std::printf("  of which the core's report build:  %8.1f ms\n", Median(coreAll));
    std::printf("header click, Name ascending:      %8.1f ms\n", Median(sortName));
    std::printf("header click, Name descending:     %8.1f ms\n", Median(sortAgain));
    std::printf("header click, ApptMade (dates):    %8.1f ms\n", Median(sortDate));
    std::printf("scrolling, one painted page:       %8.2f ms (%d pages)\n", scrollFrame,
                scrollFrames);
    std::printf("peak memory:                       %8.1f MB\n",
                static_cast<double>(PeakKilobytes()) / 1024.0);
    return 0;
}
