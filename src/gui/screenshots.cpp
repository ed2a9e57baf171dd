#include "gui/screenshots.h"

#include "export/demo_list.h"
#include "gui/common/error_display.h"
#include "gui/history/history_menu.h"
#include "gui/history/trends_form.h"
#include "gui/main/about_form.h"
#include "gui/main/settings_form.h"
#include "gui/reports/list_forms.h"
#include "gui/reports/print_form.h"
#include "gui/windows.h"
#include "orq_config.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QPrinter>
#include <QScrollBar>
#include <QTableView>

#include <cstdio>
#include <functional>

namespace orq::gui {
namespace {

bool Save(QWidget* window, const QDir& folder, const char* name) {
    window->show();
    QApplication::processEvents();
    const QString path = folder.filePath(QLatin1String(name) + QStringLiteral(".png"));
    const bool saved = window->grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

// A printout as the Print button makes it, into a PDF file instead of onto a printer.
bool PrintToPdf(const QDir& folder, const char* name, const std::function<void(QPrinter&)>& print) {
    const QString path = folder.filePath(QLatin1String(name) + QStringLiteral(".pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    print(printer);
    const bool written = QFileInfo(path).size() > 0;
    std::printf("%s %s\n", written ? "wrote" : "could not write", qPrintable(path));
    return written;
}

} // namespace

bool WriteDemoList(QWidget* parent, const QString& fileName, const TOrqState& state) {
    return RunCommand(parent, [&] {
        exporter::TDemoOptions options;
        options.Rows = 400;
        options.Seed = 7;
        options.Today = state.Today;
        options.Format = state.Format;
        exporter::WriteDemoList(options, S(fileName), true);
    });
}

int TakeScreenshots(OrqWindows& windows, const QString& fileName, const QString& folder) {
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "Cannot create %s\n", qPrintable(folder));
        return 1;
    }
    TMainForm& mainForm = *windows.Main;
    mainForm.show();
    QApplication::processEvents();
    // The first run would open the settings dialog in the middle of the load; the pictures
    // take it separately.
    mainForm.State().FirstRun = false;
    if (!fileName.isEmpty() && !mainForm.OpenList(fileName)) return 1;

    bool ok = Save(&mainForm, dir, "main");
    windows.Print->StartReport(4);
    ok = Save(windows.Print.get(), dir, "report-all") && ok;
    // Scrolled to the far end, then narrowed to one station: the new report starts at its top.
    QTableView* table = windows.Print->Table();
    table->scrollToBottom();
    table->horizontalScrollBar()->setValue(table->horizontalScrollBar()->maximum());
    ok = Save(windows.Print.get(), dir, "report-scrolled") && ok;
    windows.Print->RSIDGridComboChange(1);
    ok = Save(windows.Print.get(), dir, "report-rebuilt") && ok;
    windows.Print->RSIDGridComboChange(0);
    ok = PrintToPdf(dir, "report-print",
                    [&](QPrinter& printer) { windows.Print->PrintTo(printer); }) &&
         ok;
    windows.Print->StartReport(3);
    ok = Save(windows.Print.get(), dir, "report-no-shows") && ok;
    windows.Print->hide();

    windows.Past->Build();
    ok = Save(windows.Past.get(), dir, "past-due") && ok;
    ok = PrintToPdf(dir, "past-due-print",
                    [&](QPrinter& printer) { windows.Past->PrintTo(printer); }) &&
         ok;
    windows.Past->hide();
    windows.Broken->Build();
    ok = Save(windows.Broken.get(), dir, "broken") && ok;
    windows.Broken->hide();

    std::vector<std::string> names;
    const TComboState& recruiters = mainForm.View().RctrCombo;
    for (std::size_t i = 1; i < recruiters.Items.size(); ++i)
        names.push_back(recruiters.Items[i]);
    windows.Settings->Prepare(names);
    ok = Save(windows.Settings.get(), dir, "settings") && ok;
    windows.Settings->hide();

    windows.About->SetVersion(QStringLiteral("ORQ %1").arg(QLatin1String(config::kVersion)));
    ok = Save(windows.About.get(), dir, "about") && ok;
    windows.About->hide();

    // The Trends window on the history (the list just opened, or the history given).
    THistoryMenu* history = mainForm.History();
    history->Trends1Click();
    history->Trends()->SpanComboChange(2); // a year
    history->Trends()->resize(900, 680);
    ok = Save(history->Trends(), dir, "trends") && ok;
    history->Trends()->hide();
    return ok ? 0 : 1;
}

} // namespace orq::gui
