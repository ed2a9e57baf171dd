// The report window and the two check-list dialogs: every report button, the filters, header
// sorting, Esc, printing to PDF, copying and saving, each compared with the core's own state.

#include "gui_test_support.h"

#include "gui/common/grid_view.h"
#include "gui/common/preferences.h"
#include "gui/common/sort_header.h"
#include "gui/reports/list_forms.h"
#include "gui/reports/print_form.h"
#include "gui/reports/table_printer.h"
#include "reports/check_lists.h"
#include "reports/report_rules.h"
#include "view/main_form.h"
#include "view/print_form.h"
#include "xls/tavro_import.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace orq::guitest {
namespace {

// The core's state and report window for the fixture, driven the same way as the window.
struct CoreReports {
    TOrqState state;
    TMainView view;
    reports::TReportWindow window;

    CoreReports() {
        state.Today = FixtureToday();
        state.ReferenceDate = state.Today;
        InitMainView(view, state);
        auto import = xls::TTavroImport::WithOwnAdapter();
        import->OpenFile(Fixture("small_apl.xls").toStdString());
        import->SetActiveSheet(1);
        LoadAplRows(view, state, *import);
        window.TextWidth = gui::TPrintForm::TextWidth();
    }
};

std::vector<std::vector<std::string>> CoreTexts(const reports::TReportTable& table) {
    std::vector<std::vector<std::string>> rows;
    for (std::size_t r = 0; r < table.GridRowCount(); ++r) {
        std::vector<std::string> row;
        for (std::size_t c = 0; c < table.ColumnCount(); ++c)
            row.push_back(table.Text(r, c));
        rows.push_back(row);
    }
    return rows;
}

std::string PdfText(const QString& pdf) {
    return RunProgram(QStringLiteral("pdftotext"),
                      {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

// "Page size: 792 x 612 pts (letter)" from pdfinfo: true when wider than high.
bool PdfIsLandscape(const QString& pdf) {
    const std::string info = RunProgram(QStringLiteral("pdfinfo"), {pdf});
    const auto at = info.find("Page size:");
    if (at == std::string::npos) return false;
    double width = 0;
    double height = 0;
    std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &width, &height);
    return width > height;
}

class ReportWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialogs = &InstallScriptedDialogs();
        folder = TempFolder();
        std::ofstream(folder + "/ORQ.ini", std::ios::binary) << "31\r\n";
        windows = MakeWindows(folder + "/ORQ.ini");
        ASSERT_TRUE(windows.Main->OpenList(Fixture("small_apl.xls")));
        form = windows.Print.get();
        CheckModel(form->Table()->model());
        CheckModel(windows.Past->Grid()->model());
        CheckModel(windows.Broken->Grid()->model());
    }

    template <typename T> T* Find(const char* name) {
        T* widget = form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void Click(const char* mainButton) {
        auto* button = windows.Main->findChild<QPushButton*>(QLatin1String(mainButton));
        ASSERT_NE(button, nullptr) << mainButton;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // The window shows exactly the core's table: texts, hidden columns, widths, colours.
    void ExpectShows(const reports::TReportWindow& core) {
        const QTableView* table = form->Table();
        const QAbstractItemModel& model = *table->model();
        EXPECT_EQ(ModelTexts(model), CoreTexts(core.PrintGrid));
        for (std::size_t c = 0; c < core.PrintGrid.ColumnCount(); ++c) {
            const int column = static_cast<int>(c);
            EXPECT_EQ(table->isColumnHidden(column), core.PrintGrid.Columns[c].Hidden) << c;
            if (!core.PrintGrid.Columns[c].Hidden) {
                EXPECT_EQ(table->columnWidth(column), core.PrintGrid.Columns[c].Width) << c;
            }
            for (std::size_t r = 0; r < core.PrintGrid.DataRowCount(); ++r) {
                const reports::TReportCell& cell = core.PrintGrid.Rows[r][c];
                const QVariant bg =
                    model.data(model.index(static_cast<int>(r), column), Qt::BackgroundRole);
                EXPECT_EQ(bg.isValid(), cell.Background.has_value());
                if (cell.Background) {
                    EXPECT_EQ(bg.value<QColor>(), gui::ToQColor(*cell.Background));
                }
            }
        }
        EXPECT_EQ(form->windowTitle().toStdString(), core.Caption);
        EXPECT_EQ(Find<QLabel>("Label1")->text().toStdString(), core.Label1);
        EXPECT_EQ(Find<QCheckBox>("CheckBox2")->isVisibleTo(form), core.CheckBox2Visible);
    }

    ScriptedDialogs* dialogs = nullptr;
    std::string folder;
    gui::OrqWindows windows;
    gui::TPrintForm* form = nullptr;
};

TEST_F(ReportWindowTest, LayoutBeforeTheFirstReport) {
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->size(), QSize(851, 489));
    EXPECT_EQ(form->minimumSize(), QSize(760, 382));
    EXPECT_EQ(Find<QComboBox>("EdCombo")->count(), 3);
    EXPECT_EQ(Find<QComboBox>("EdCombo")->currentText(), QStringLiteral("ALL"));
    EXPECT_EQ(Find<QComboBox>("CompCombo")->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>("CompCombo")->placeholderText(), QStringLiteral("ALL"));
    EXPECT_EQ(Find<QPushButton>("Button1")->text(), QStringLiteral("&Print"));
    EXPECT_EQ(Find<QPushButton>("Button2")->text(), QStringLiteral("&Save to XLS"));
    EXPECT_EQ(Find<QCheckBox>("CheckBox1")->text(), QStringLiteral("Hide Terminated"));
    EXPECT_EQ(Find<QTableView>("PrintGrid")->geometry(), QRect(8, 48, 844, 402));
    ExpectCaptionsFit(form);
    QStringList labels;
    for (QLabel* label : form->findChildren<QLabel*>())
        labels << label->text();
    for (const char* caption : {"RSID", "Recruiter", "Grad/Senior", "Component"})
        EXPECT_TRUE(labels.contains(QLatin1String(caption))) << caption;

    // Resizing keeps the table on all four edges and the buttons on the bottom edge.
    form->show();
    form->resize(1000, 600);
    EXPECT_EQ(Find<QTableView>("PrintGrid")->geometry(), QRect(8, 48, 993, 513));
    EXPECT_EQ(Find<QPushButton>("Button1")->geometry(), QRect(330, 567, 75, 25));
}

TEST_F(ReportWindowTest, EveryReportButtonShowsTheCoreReport) {
    struct Case {
        const char* button;
        int type;
    };
    const Case cases[] = {{"YesterDayButton", -1}, {"TodayButton", 0},  {"TomorButton", 1},
                          {"TwoButton", 2},        {"NoShowButton", 3}, {"AllButton", 4},
                          {"EstButton", 5},        {"TestButton", 6}};
    CoreReports core;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        const reports::TBuildResult result =
            reports::ReportButtonClick(core.state, core.window, static_cast<std::int8_t>(c.type));
        Click(c.button);
        ExpectShows(core.window);
        if (result.Count > 0) {
            EXPECT_TRUE(form->isVisible());
            EXPECT_EQ(form->windowTitle().toStdString(),
                      reports::ReportName(static_cast<std::int8_t>(c.type)));
            EXPECT_EQ(Find<QLabel>("Label1")->text(),
                      QString::number(result.Count) + QStringLiteral(" appointment(s) selected"));
        }
    }
    // "All Applicants" lists every record; "High EST/QT" hides "ApptSch".
    reports::ReportButtonClick(core.state, core.window, 4);
    Click("AllButton");
    EXPECT_EQ(Find<QLabel>("Label1")->text(), QStringLiteral("10 appointment(s) selected"));
    EXPECT_EQ(form->Table()->model()->columnCount(), 19);
    Click("EstButton");
    EXPECT_TRUE(form->Table()->isColumnHidden(10));
    Click("AllButton");
    EXPECT_FALSE(form->Table()->isColumnHidden(10));
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(ReportWindowTest, FiltersRebuildTheReport) {
    CoreReports core;
    reports::ReportButtonClick(core.state, core.window, 3);
    Click("NoShowButton");
    EXPECT_TRUE(Find<QCheckBox>("CheckBox2")->isVisibleTo(form));

    reports::ReportButtonClick(core.state, core.window, 4);
    Click("AllButton");
    EXPECT_FALSE(Find<QCheckBox>("CheckBox2")->isVisibleTo(form));
    ExpectShows(core.window);
    auto* stations = Find<QComboBox>("RSIDGridCombo");
    auto* recruiters = Find<QComboBox>("RctrGridCombo");
    EXPECT_EQ(stations->count(), 3);
    EXPECT_EQ(recruiters->count(), 5);

    reports::RSIDGridComboChange(core.state, core.window, 2);
    form->RSIDGridComboChange(2);
    ExpectShows(core.window);
    EXPECT_EQ(recruiters->count(), 3);
    EXPECT_EQ(recruiters->currentText(), QStringLiteral("ALL"));

    reports::RctrGridComboChange(core.state, core.window, 2);
    form->RctrGridComboChange(2);
    ExpectShows(core.window);

    reports::RctrGridComboChange(core.state, core.window, 0);
    form->RctrGridComboChange(0);
    reports::EdComboChange(core.state, core.window, 1);
    form->EdComboChange(1);
    ExpectShows(core.window);
    reports::CompComboChange(core.state, core.window, 2);
    form->CompComboChange(2);
    ExpectShows(core.window);
    reports::CompComboChange(core.state, core.window, 0);
    form->CompComboChange(0);
    reports::EdComboChange(core.state, core.window, 0);
    form->EdComboChange(0);

    // "Hide Terminated" through a real click on the box.
    reports::CheckBox1Click(core.state, core.window, true);
    QTest::mouseClick(Find<QCheckBox>("CheckBox1"), Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_TRUE(Find<QCheckBox>("CheckBox1")->isChecked());
    ExpectShows(core.window);

    // Another report keeps station and "Hide Terminated", resets Grad/Senior and component.
    reports::ReportButtonClick(core.state, core.window, 3);
    Click("NoShowButton");
    ExpectShows(core.window);
    EXPECT_EQ(stations->currentIndex(), 2);
    EXPECT_TRUE(Find<QCheckBox>("CheckBox1")->isChecked());
    reports::CheckBox2Click(core.state, core.window, true);
    form->CheckBox2Click(true);
    ExpectShows(core.window);
}

// A header click sorts by its column and marks it; it selects nothing, and a cell that was
// selected (and current) stays selected on its row wherever the row moves.
TEST_F(ReportWindowTest, HeaderClickSortsAndSelectsNothing) {
    CoreReports core;
    reports::ReportButtonClick(core.state, core.window, 4);
    Click("AllButton");
    QTableView* table = form->Table();
    const QAbstractItemModel& model = *table->model();
    auto* header = qobject_cast<gui::SortHeaderView*>(table->horizontalHeader());
    ASSERT_NE(header, nullptr);
    EXPECT_FALSE(header->isSortIndicatorShown()); // the style's indicator would hide the caption
    EXPECT_EQ(header->SortColumn(), 0);           // the report's own sort

    auto rowOf = [&](const char* name) {
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.data(model.index(row, 2)).toString() == QLatin1String(name)) return row;
        return -1;
    };
    auto clickHeader = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    };
    table->selectionModel()->setCurrentIndex(model.index(rowOf("Jones, Jack"), 2),
                                             QItemSelectionModel::ClearAndSelect);

    reports::HeaderClick(core.state, core.window, 2);
    clickHeader(2);
    ExpectShows(core.window);
    EXPECT_EQ(header->SortColumn(), 2);
    EXPECT_TRUE(header->SortAscending());
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), QStringLiteral("Adams, Amy"));
    const QModelIndexList selected = table->selectionModel()->selectedIndexes();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front().data().toString(), QStringLiteral("Jones, Jack"));
    EXPECT_EQ(table->currentIndex(), selected.front());

    reports::HeaderClick(core.state, core.window, 2);
    clickHeader(2);
    ExpectShows(core.window);
    EXPECT_FALSE(header->SortAscending());
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), QStringLiteral("Jones, Jack"));
    EXPECT_EQ(table->currentIndex().row(), 0);

    // Nothing selected before: nothing selected after, also when pressing and dragging over
    // the headers.
    table->clearSelection();
    clickHeader(5);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, 5));
    QTest::mouseMove(header->viewport(), QPoint(header->sectionViewportPosition(3) + 5, 5));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(3) + 5, 5));
    EXPECT_TRUE(table->selectionModel()->selectedIndexes().isEmpty());
}

// Every build shows the report from its first row and first column, with that cell current,
// whatever was scrolled to and selected before: a station chosen, another report, a filter.
TEST_F(ReportWindowTest, ARebuiltReportStartsAtItsFirstRow) {
    // Enough rows to scroll: the fixture's list eight times over.
    TOrqState& state = windows.Main->State();
    const auto once = state.Appts;
    for (int i = 0; i < 7; ++i)
        state.Appts.insert(state.Appts.end(), once.begin(), once.end());
    Click("AllButton");
    QTableView* table = form->Table();
    form->show();
    form->resize(500, 300);
    QApplication::processEvents();
    auto scrollAway = [&] {
        QApplication::processEvents();
        table->selectionModel()->setCurrentIndex(
            table->model()->index(table->model()->rowCount() - 1, 12),
            QItemSelectionModel::ClearAndSelect);
        table->scrollToBottom();
        table->horizontalScrollBar()->setValue(table->horizontalScrollBar()->maximum());
        ASSERT_GT(table->verticalScrollBar()->value(), 0);
    };
    auto expectAtStart = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(table->verticalScrollBar()->value(), 0);
        EXPECT_EQ(table->horizontalScrollBar()->value(), 0);
        EXPECT_EQ(table->rowAt(0), 0);
        EXPECT_EQ(table->columnAt(0), 0);
        EXPECT_EQ(table->currentIndex(), table->model()->index(0, 0));
        EXPECT_TRUE(table->selectionModel()->selectedIndexes().isEmpty());
    };
    scrollAway();
    ASSERT_GT(table->horizontalScrollBar()->value(), 0);
    form->RSIDGridComboChange(1);
    expectAtStart("station chosen");
    scrollAway();
    Click("TestButton");
    expectAtStart("Testers");
    scrollAway();
    QTest::mouseClick(Find<QCheckBox>("CheckBox1"), Qt::LeftButton, {}, QPoint(5, 8));
    expectAtStart("Hide Terminated");
}

TEST_F(ReportWindowTest, EscClosesAndResetsStationAndRecruiter) {
    Click("AllButton");
    form->RSIDGridComboChange(1);
    form->RctrGridComboChange(1);
    auto* ed = Find<QComboBox>("EdCombo");
    form->EdComboChange(1);
    ASSERT_TRUE(form->isVisible());

    QTest::keyClick(Find<QComboBox>("CompCombo"), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(Find<QComboBox>("RSIDGridCombo")->currentIndex(), 0);
    EXPECT_EQ(Find<QComboBox>("RctrGridCombo")->currentIndex(), 0);
    EXPECT_EQ(Find<QComboBox>("RctrGridCombo")->count(), 5);
    EXPECT_EQ(ed->currentIndex(), 1); // Grad/Senior stays until the next report button

    Click("TodayButton");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(ed->currentIndex(), 0);

    // From the table and from a check box too.
    QTest::keyClick(form->Table(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    Click("AllButton");
    ASSERT_TRUE(form->isVisible());
    QTest::keyClick(Find<QCheckBox>("CheckBox1"), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ReportWindowTest, PrintsTheReportInLandscapeUnderItsTitle) {
    Click("AllButton");
    const QString pdf = QString::fromStdString(folder + "/report.pdf");

    // Cancelled: nothing is printed.
    dialogs->printAnswers.push_back([](QPrinter&) { return false; });
    QTest::mouseClick(Find<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(pdf));

    dialogs->printAnswers.push_back([pdf](QPrinter& printer) {
        EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    QTest::mouseClick(Find<QPushButton>("Button1"), Qt::LeftButton);
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(PdfIsLandscape(pdf));
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("All Applicants"), std::string::npos) << text;
    for (const char* expected :
         {"RSID", "Rctr", "Name", "ApptMade", "Dispo", "Adams, Amy", "Jones, Jack", "1A1B"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    // The header row is printed once.
    EXPECT_EQ(text.find("ApptMade"), text.rfind("ApptMade"));
    EXPECT_EQ(windows.Print->Window().PrintGrid.Orientation, reports::TOrientation::Landscape);

    // "High EST/QT" prints without its hidden column.
    Click("EstButton");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString est = QString::fromStdString(folder + "/est.pdf");
    printer.setOutputFileName(est);
    form->PrintTo(printer);
    const std::string estText = PdfText(est);
    EXPECT_NE(estText.find("High EST/QT"), std::string::npos);
    EXPECT_EQ(estText.find("ApptSch"), std::string::npos);
    EXPECT_NE(estText.find("ApptCond"), std::string::npos);
}

// Rows that do not fit continue on the next page; the header row is printed once; a table wider
// than the page continues on further pages.
TEST(TablePrinterTest, LongAndWideTablesContinueOnFurtherPages) {
    reports::TReportTable table;
    table.Columns = {{"Station", 80, false}, {"Hidden", 80, true}, {"Applicant", 200, false}};
    table.SetDataRowCount(120);
    for (std::size_t r = 0; r < 120; ++r) {
        table.Rows[r][0].Text = "1A1A";
        table.Rows[r][1].Text = "secret";
        table.Rows[r][2].Text = "Row " + std::to_string(r + 1);
    }
    const QString pdf = QString::fromStdString(TempFolder() + "/long.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageOrientation(QPageLayout::Portrait);
    gui::TablePrintSettings settings;
    settings.Title = QStringLiteral("Testers\r\r");
    const int pages = gui::PaintTable(printer, table, settings);
    EXPECT_GE(pages, 2);
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("Row 1\n"), std::string::npos);
    EXPECT_NE(text.find("Row 120"), std::string::npos);
    EXPECT_EQ(text.find("secret"), std::string::npos);
    EXPECT_EQ(text.find("Applicant"), text.rfind("Applicant"));
    // The title heads every page.
    std::size_t titles = 0;
    for (auto at = text.find("Testers"); at != std::string::npos; at = text.find("Testers", at + 1))
        ++titles;
    EXPECT_EQ(titles, static_cast<std::size_t>(pages));

    // A column wider than the page band goes onto a page of its own.
    reports::TReportTable wide;
    wide.Columns = {{"Left", 600, false}, {"Right", 600, false}};
    wide.SetDataRowCount(1);
    wide.Rows[0][0].Text = "left cell";
    wide.Rows[0][1].Text = "right cell";
    QPrinter other(QPrinter::HighResolution);
    other.setOutputFormat(QPrinter::PdfFormat);
    other.setOutputFileName(QString::fromStdString(TempFolder() + "/wide.pdf"));
    EXPECT_EQ(gui::PaintTable(other, wide, {}), 2);
}

// The dark pixels of page 1 of a PDF rendered at 150 dots per inch (grid lines and the light
// header fill are not dark).
long DarkPixels(const QString& pdf) {
    const QString png = pdf + QStringLiteral(".page");
    RunProgram(QStringLiteral("pdftoppm"),
               {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-f"),
                QStringLiteral("1"), QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf,
                png});
    const QImage page(png + QStringLiteral(".png"));
    long dark = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 100) ++dark;
    return dark;
}

// The printed header row is bold: the same words take clearly more ink there than in a data
// row.
TEST(TablePrinterTest, HeaderRowPrintsBold) {
    const QString text = QStringLiteral("ApptMade Lead Src Next Action");
    auto print = [&](bool inHeader) {
        reports::TReportTable table;
        table.Columns = {{inHeader ? text.toStdString() : std::string(), 300, false}};
        table.SetDataRowCount(1);
        if (!inHeader) table.Rows[0][0].Text = text.toStdString();
        const QString pdf = QString::fromStdString(TempFolder() + "/table.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        gui::PaintTable(printer, table, {});
        return DarkPixels(pdf);
    };
    const long header = print(true);
    const long data = print(false);
    ASSERT_GT(data, 0);
    // Bold widths alone (thin strokes set wider apart) come to about 1.4 times the ink.
    EXPECT_GT(header, data * 17 / 10) << header << " against " << data;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The text of a cell of a saved workbook, read back through the program's own reader.
std::string SavedCell(const std::string& path, int row, int column) {
    auto import = xls::TTavroImport::WithOwnAdapter();
    import->OpenFile(path);
    import->SetActiveSheet(1);
    const TCellValue value = import->CellValue(row, column);
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* wide = std::get_if<std::u16string>(&value))
        return QString::fromStdU16String(*wide).toStdString();
    return {};
}

TEST_F(ReportWindowTest, SavesTheTableAndAsksBeforeOverwriting) {
    Click("AllButton");
    const std::string path = folder + "/report.xls";

    // Cancelled save dialog: nothing is written.
    QTest::mouseClick(Find<QPushButton>("Button2"), Qt::LeftButton);
    EXPECT_EQ(dialogs->lastSaveFilter, QStringLiteral("Excel Files (*.xls)"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));

    dialogs->saveAnswers.push_back(QString::fromStdString(path));
    QTest::mouseClick(Find<QPushButton>("Button2"), Qt::LeftButton);
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(SavedCell(path, 1, 1), "RSID");
    EXPECT_EQ(SavedCell(path, 1, 3), "Name");
    const QAbstractItemModel& model = *form->Table()->model();
    EXPECT_EQ(SavedCell(path, 2, 3), model.data(model.index(0, 2)).toString().toStdString());
    const std::string first = ReadBytes(path);

    // Another report over the same name: No keeps the old file, Yes replaces it.
    Click("EstButton");
    dialogs->saveAnswers.push_back(QString::fromStdString(path));
    dialogs->confirmAnswers.push_back(false);
    form->Button2Click();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].kind, QStringLiteral("confirm"));
    EXPECT_EQ(dialogs->messages[0].title, QStringLiteral("Confirm"));
    EXPECT_EQ(dialogs->messages[0].text,
              QString::fromStdString("File " + path + " already exists\nOk to overwrite ?"));
    EXPECT_EQ(ReadBytes(path), first);

    dialogs->saveAnswers.push_back(QString::fromStdString(path));
    dialogs->confirmAnswers.push_back(true);
    form->Button2Click();
    EXPECT_EQ(dialogs->messages.size(), 2u);
    EXPECT_NE(ReadBytes(path), first);
    // "High EST/QT" leaves its hidden "ApptSch" out: "ApptCond" moves to column 11.
    EXPECT_EQ(SavedCell(path, 1, 10), "ApptMade");
    EXPECT_EQ(SavedCell(path, 1, 11), "ApptCond");

    // A folder that does not exist: the writer's failure in the general error display.
    form->SaveTo(QString::fromStdString(folder + "/missing/report.xls"));
    ASSERT_EQ(dialogs->messages.size(), 3u);
    EXPECT_EQ(dialogs->messages[2].kind, QStringLiteral("critical"));
    EXPECT_EQ(dialogs->messages[2].title, QStringLiteral("ORQ"));
}

QString DocumentsOrHome() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// "&Save to XLS" offers the report's caption and the date in the folder last saved to (the
// Documents folder at first, and again in the next run), and saves a bare name with ".xls".
TEST_F(ReportWindowTest, SaveSuggestsANameAndAddsTheXlsEnding) {
    Click("TodayButton");
    ASSERT_EQ(form->windowTitle(), QStringLiteral("Today's Conducts"));
    QTest::mouseClick(Find<QPushButton>("Button2"), Qt::LeftButton); // cancelled
    EXPECT_EQ(dialogs->lastSaveSuggestion,
              DocumentsOrHome() + QStringLiteral("/Todays Conducts 2024-03-13.xls"));

    const QString saveFolder = QString::fromStdString(folder) + QStringLiteral("/reports");
    ASSERT_TRUE(QDir().mkpath(saveFolder));
    dialogs->saveAnswers.push_back(saveFolder + QStringLiteral("/today"));
    QTest::mouseClick(Find<QPushButton>("Button2"), Qt::LeftButton);
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_TRUE(QFile::exists(saveFolder + QStringLiteral("/today.xls")));
    EXPECT_FALSE(QFile::exists(saveFolder + QStringLiteral("/today")));
    EXPECT_EQ(SavedCell((saveFolder + QStringLiteral("/today.xls")).toStdString(), 1, 1), "RSID");

    Click("AllButton");
    form->Button2Click();
    EXPECT_EQ(dialogs->lastSaveSuggestion,
              saveFolder + QStringLiteral("/All Applicants 2024-03-13.xls"));

    // The overwrite question names the file that would be replaced.
    dialogs->saveAnswers.push_back(saveFolder + QStringLiteral("/today"));
    dialogs->confirmAnswers.push_back(false);
    form->Button2Click();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, QStringLiteral("File ") + saveFolder +
                                             QStringLiteral("/today.xls already exists\nOk to "
                                                            "overwrite ?"));

    // A name with its ending in capitals keeps it.
    dialogs->saveAnswers.push_back(saveFolder + QStringLiteral("/Week.XLS"));
    form->Button2Click();
    EXPECT_TRUE(QFileInfo::exists(saveFolder + QStringLiteral("/Week.XLS")));
    EXPECT_FALSE(QFileInfo::exists(saveFolder + QStringLiteral("/Week.XLS.xls")));

    gui::OrqWindows next = MakeWindows(folder + "/ORQ.ini", windows.Main->Prefs().Path());
    EXPECT_EQ(next.Print->SuggestedSaveFile(),
              saveFolder + QStringLiteral("/All Applicants 2024-03-13.xls"));
}

// Ctrl+P prints and Ctrl+S saves from any control of the report window; Ctrl+C copies the
// selected cells, the hidden column left out.
TEST_F(ReportWindowTest, StandardKeysOfTheReportWindow) {
    Click("EstButton"); // "High EST/QT" hides column 10
    ASSERT_TRUE(form->Table()->isColumnHidden(10));
    ASSERT_TRUE(ShowActive(form));

    bool printAsked = false;
    dialogs->printAnswers.push_back([&](QPrinter&) {
        printAsked = true;
        return false;
    });
    QTest::keyClick(form->Table(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(printAsked);
    QTest::keyClick(Find<QComboBox>("EdCombo"), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(dialogs->lastSaveSuggestion.endsWith(QLatin1String("/High EST-QT 2024-03-13.xls")))
        << dialogs->lastSaveSuggestion.toStdString();

    QTableView* table = form->Table();
    const QAbstractItemModel& model = *table->model();
    ASSERT_GE(model.rowCount(), 2);
    table->selectionModel()->select(QItemSelection(model.index(0, 9), model.index(1, 11)),
                                    QItemSelectionModel::ClearAndSelect);
    QApplication::clipboard()->clear();
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    const reports::TReportTable& core = form->Window().PrintGrid;
    std::string expected;
    for (std::size_t row = 0; row < 2; ++row)
        expected += core.Rows[row][9].Text + "\t" + core.Rows[row][11].Text + "\r\n";
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), expected);
}

TEST_F(ReportWindowTest, ListDialogsShowPrintAndCopy) {
    CoreReports core;
    reports::TPastDueList past;
    reports::BuildPastDueList(core.state, past);
    reports::TBrokenList broken;
    reports::BuildBrokenList(core.state, broken);

    struct Case {
        gui::TListForm* form;
        const char* button;
        const char* caption;
        const reports::TReportTable* table;
    };
    const Case cases[] = {
        {windows.Past.get(), "PastButton", "Past Due Actions", &past.PastGrid},
        {windows.Broken.get(), "BrokenButton", "Broken appointments", &broken.BrokenGrid},
    };
    std::string copied;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        bool shown = false;
        WhenModalShown([&](QWidget* dialog) {
            shown = true;
            EXPECT_EQ(dialog, c.form);
            EXPECT_EQ(dialog->windowTitle(), QLatin1String(c.caption));
            EXPECT_EQ(dialog->size(), QSize(426, 330));
            ExpectCaptionsFit(dialog);
            EXPECT_EQ(ModelTexts(*c.form->Grid()->model()), CoreTexts(*c.table));
            EXPECT_EQ(c.form->Grid()->horizontalHeader()->height(), 35);
            EXPECT_EQ(c.form->Grid()->rowHeight(0), 18);

            // Copy: the core's copy text on the clipboard, the data rows selected.
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button3")),
                              Qt::LeftButton);
            copied = QApplication::clipboard()->text().toStdString();
            EXPECT_EQ(copied, reports::CopyText(*c.table));
            EXPECT_EQ(c.form->Grid()->selectionModel()->selectedIndexes().size(),
                      static_cast<qsizetype>(c.table->DataRowCount() * c.table->ColumnCount()));
            // Ctrl+C copies the selected data rows the same way, without the header row.
            QApplication::clipboard()->clear();
            QTest::keyClick(c.form->Grid(), Qt::Key_C, Qt::ControlModifier);
            const std::string all = reports::CopyText(*c.table);
            EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
                      all.substr(all.find("\r\n") + 2));

            // Print: portrait, no title, every row.
            const QString pdf = QString::fromStdString(folder + "/list.pdf");
            QFile::remove(pdf);
            dialogs->printAnswers.push_back([pdf](QPrinter& printer) {
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(pdf);
                return true;
            });
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button2")),
                              Qt::LeftButton);
            EXPECT_FALSE(PdfIsLandscape(pdf));
            const std::string text = PdfText(pdf);
            EXPECT_NE(text.find("Applicant"), std::string::npos) << text;
            for (const auto& row : c.table->Rows) {
                std::string name = row[1].Text;
                while (!name.empty() && name.back() == ' ')
                    name.pop_back();
                if (!name.empty()) {
                    EXPECT_NE(text.find(name), std::string::npos) << name;
                }
            }
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        Click(c.button);
        EXPECT_TRUE(shown);
        EXPECT_FALSE(c.form->isVisible());
    }
    EXPECT_EQ(copied.rfind("Rctr   \tApplicant   \tError\r\n", 0), 0u) << copied;
}

} // namespace
} // namespace orq::guitest
