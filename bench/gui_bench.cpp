// Times the desktop program's windows on a processing list, on the offscreen platform:
//   File > Open until the metrics are shown, "&All Apps" until the report window shows every
//   row, header-click sorts, scrolling the report table, and the peak memory of the process.
//
//   gui_bench LIST.xls [--today YYYY-MM-DD] [--runs N]
//
// The list bench/make_largest_apl.py writes (65,527 rows, dated 2008) is the intended input:
//   /usr/bin/python3 bench/make_largest_apl.py /tmp/largest.xls
//   build/bench/gui_bench /tmp/largest.xls --today 2008-12-31

#include "gui/reports/print_form.h"
#include "gui/windows.h"
#include "view/main_form.h"
#include "view/print_form.h"
#include "xls/tavro_import.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <time.h>

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

// Wall-clock and process CPU milliseconds since Start(); the CPU figure is the steadier one on a
// machine that other work shares.
class Stopwatch {
public:
    void Start() {
        wall_.start();
        cpu_ = CpuMs();
    }
    double Wall() const { return static_cast<double>(wall_.nsecsElapsed()) / 1e6; }
    double Cpu() const { return CpuMs() - cpu_; }

private:
    static double CpuMs() {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    }
    QElapsedTimer wall_;
    double cpu_ = 0;
};

struct Figure {
    std::vector<double> wall;
    std::vector<double> cpu;
    void Add(const Stopwatch& watch) {
        wall.push_back(watch.Wall());
        cpu.push_back(watch.Cpu());
    }
};

void Print(const char* what, const Figure& figure) {
    std::printf("%-36s %8.1f ms wall %8.1f ms CPU\n", what, Median(figure.wall),
                Median(figure.cpu));
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

    orq::gui::StartupOptions options = orq::gui::SystemStartupOptions();
    options.SettingsPath = settings;
    // The lists it opens stay out of the user's Open Recent, and File > Open records them into a
    // history of the run's own, never the user's.
    options.PreferencesPath = folder.filePath(QStringLiteral("orq.conf"));
    options.HistoryPath = folder.filePath(QStringLiteral("history.sqlite")).toStdString();
    if (today != 0) options.Today = today;
    orq::gui::OrqWindows windows = orq::gui::CreateWindows(std::move(options));
    orq::gui::TMainForm& mainForm = *windows.Main;
    orq::gui::TPrintForm& report = *windows.Print;
    mainForm.show();
    Settle();

    // The same work without windows, for telling the windows' share from the core's.
    Figure coreOpen;
    Figure coreAll;
    Stopwatch watch;
    for (int run = 0; run < runs; ++run) {
        orq::TOrqState state;
        state.Format = mainForm.State().Format;
        state.Today = mainForm.State().Today;
        state.SetCollation(mainForm.State().StationList.Collation());
        orq::TMainView view;
        orq::InitMainView(view, state);
        orq::reports::TReportWindow window;
        window.TextWidth = orq::gui::TPrintForm::TextWidth();
        watch.Start();
        auto import = orq::xls::TTavroImport::WithOwnAdapter();
        import->OpenFile(list);
        import->SetActiveSheet(1);
        orq::LoadAplRows(view, state, *import);
        coreOpen.Add(watch);
        watch.Start();
        orq::reports::ReportButtonClick(state, window, 4);
        coreAll.Add(watch);
    }

    Figure open;
    Figure all;
    Figure sortName;
    Figure sortAgain;
    Figure sortDate;
    double scrollFrame = 0;
    int scrollFrames = 0;
    auto* allButton = mainForm.findChild<QPushButton*>(QStringLiteral("AllButton"));
    for (int run = 0; run < runs; ++run) {
        report.close();
        Settle();

        watch.Start();
        if (!mainForm.OpenList(QString::fromStdString(list))) return 1;
        Repaint(&mainForm);
        open.Add(watch);

        watch.Start();
        allButton->click();
        Repaint(&report);
        all.Add(watch);

        QTableView* table = report.Table();
        watch.Start();
        report.HeaderClick(2);
        Repaint(&report);
        sortName.Add(watch);
        watch.Start();
        report.HeaderClick(2);
        Repaint(&report);
        sortAgain.Add(watch);
        watch.Start();
        report.HeaderClick(9);
        Repaint(&report);
        sortDate.Add(watch);

        if (run == 0) {
            // Scrolling: page after page through the table, each page painted.
            QScrollBar* bar = table->verticalScrollBar();
            const int pages = 300;
            watch.Start();
            for (int page = 0; page < pages; ++page) {
                bar->setValue(bar->value() + bar->pageStep() * 50);
                if (bar->value() >= bar->maximum()) bar->setValue(0);
                table->viewport()->repaint();
            }
            scrollFrame = watch.Wall() / pages;
            scrollFrames = pages;
            std::printf("rows in the report table: %d (records %zu), medians of %d runs\n",
                        table->model()->rowCount(), mainForm.State().Appts.size(), runs);
        }
    }

    Print("File > Open to metrics shown:", open);
    Print("  the core's read and load alone:", coreOpen);
    Print("All Apps to report window shown:", all);
    Print("  the core's report build alone:", coreAll);
    Print("header click, Name ascending:", sortName);
    Print("header click, Name descending:", sortAgain);
    Print("header click, ApptMade (dates):", sortDate);
    std::printf("%-36s %8.2f ms wall (%d pages)\n", "scrolling, one painted page:", scrollFrame,
                scrollFrames);
    std::printf("%-36s %8.1f MB\n", "peak memory:", static_cast<double>(PeakKilobytes()) / 1024.0);
    return 0;
}
