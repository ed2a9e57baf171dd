// The main window: layout before a load, File > Open, both tables cell by cell against the core's
// view, the selectors, failures that keep the previous list, the first-run settings dialog and
// the general error display.

#include "gui_test_support.h"

#include "domain/loader.h"
#include "domain/settings.h"
#include "gui/common/error_display.h"
#include "gui/common/grid_view.h"
#include "gui/common/preferences.h"
#include "gui/common/wrap_button.h"
#include "gui/main/about_form.h"
#include "gui/main/settings_form.h"
#include "gui/reports/list_forms.h"
#include "gui/reports/print_form.h"
#include "view/main_form.h"
#include "xls/tavro_import.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace orq::guitest {
namespace {

const char* const kButtons[] = {"AllButton",    "TodayButton",  "YesterDayButton", "TomorButton",
                                "TwoButton",    "NoShowButton", "EstButton",       "TestButton",
                                "BrokenButton", "PastButton"};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// The main view and state the core computes for a list, for comparing with what is shown.
struct CoreView {
    TOrqState state;
    TMainView view;

    CoreView(const QString& file, const std::vector<std::string>& reserve) {
        state.Today = FixtureToday();
        state.ReferenceDate = state.Today;
        state.ReserveList = reserve;
        InitMainView(view, state);
        auto import = xls::TTavroImport::WithOwnAdapter();
        import->OpenFile(file.toStdString());
        import->SetActiveSheet(1);
        LoadAplRows(view, state, *import);
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialogs = &InstallScriptedDialogs();
        folder = TempFolder();
        settings = folder + "/ORQ.ini";
        // A settings file keeps the first-run dialog out of the tests that do not want it.
        WriteFile(settings, "31\r\n");
        windows = MakeWindows(settings);
        main = windows.Main.get();
        CheckModel(Grid("MathGrid")->model());
        CheckModel(Grid("CondGrid")->model());
    }

    template <typename T> T* Find(const char* name) {
        T* widget = main->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QTableView* Grid(const char* name) { return Find<QTableView>(name); }

    bool Load(const char* fixture) { return main->OpenList(Fixture(fixture)); }

    // Every cell of a shown table equals the core's grid: texts ("\r" as a line break),
    // alignment, colours, bold.
    void ExpectGridShows(const char* name, const TGrid& grid) {
        QTableView* view = Grid(name);
        const QAbstractItemModel& model = *view->model();
        ASSERT_EQ(model.columnCount(), grid.ColCount());
        ASSERT_EQ(model.rowCount(), grid.RowCount() - 1);
        for (int col = 0; col < grid.ColCount(); ++col) {
            QString header = QString::fromStdString(grid.Cell(col, 0).Text);
            header.replace(QLatin1Char('\r'), QLatin1Char('\n'));
            EXPECT_EQ(model.headerData(col, Qt::Horizontal).toString(), header) << name << col;
            EXPECT_TRUE(model.headerData(col, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
            EXPECT_EQ(view->columnWidth(col), grid.ColWidths[static_cast<std::size_t>(col)]);
            for (int row = 1; row < grid.RowCount(); ++row) {
                const TGridCell& cell = grid.Cell(col, row);
                const QModelIndex index = model.index(row - 1, col);
                EXPECT_EQ(model.data(index).toString().toStdString(), cell.Text)
                    << name << " col " << col << " row " << row;
                const int align = model.data(index, Qt::TextAlignmentRole).toInt();
                EXPECT_EQ((align & Qt::AlignHCenter) != 0, cell.Align == TAlign::Center);
                const QVariant fg = model.data(index, Qt::ForegroundRole);
                if (cell.FontColor) {
                    EXPECT_EQ(fg.value<QBrush>().color(), gui::ToQColor(*cell.FontColor));
                }
                EXPECT_EQ(model.data(index, Qt::FontRole).value<QFont>().bold(), cell.Bold);
            }
        }
        EXPECT_EQ(view->horizontalHeader()->height(), grid.RowHeights[0]);
        for (int row = 1; row < grid.RowCount(); ++row)
            EXPECT_EQ(view->rowHeight(row - 1), grid.RowHeights[static_cast<std::size_t>(row)]);
    }

    std::vector<std::string> Items(const char* name) {
        std::vector<std::string> items;
        auto* combo = Find<QComboBox>(name);
        for (int i = 0; i < combo->count(); ++i)
            items.push_back(combo->itemText(i).toStdString());
        return items;
    }

    ScriptedDialogs* dialogs = nullptr;
    std::string folder;
    std::string settings;
    gui::OrqWindows windows;
    gui::TMainForm* main = nullptr;
};

TEST_F(MainWindowTest, BeforeTheFirstLoad) {
    EXPECT_EQ(main->windowTitle(), QStringLiteral("ORQ  1.11"));
    EXPECT_EQ(main->centralWidget()->size(), QSize(454, 571));
    EXPECT_FALSE(Find<QWidget>("Panel1")->isVisibleTo(main));

    struct Expected {
        const char* name;
        const char* caption;
        const char* hint;
        QRect geometry;
    };
    const Expected buttons[] = {
        {"AllButton", "&All Apps", "shows all applicants", {16, 8, 63, 41}},
        {"TodayButton", "Todays &Conducts", "shows today's conducts", {89, 8, 63, 41}},
        {"YesterDayButton",
         "&Yesterday's Actions",
         "shows all yesterday's actions",
         {159, 8, 72, 41}},
        {"TomorButton", "&48 Hr Conducts", "shows tomorrow", {238, 8, 63, 41}},
        {"TwoButton", "&72 Hr Conducts", "shows 2 days out", {307, 8, 63, 41}},
        {"NoShowButton", "&No Show Appts", "list of no shows", {376, 8, 63, 41}},
        {"EstButton", "31+ &EST/QT", "potential alpha's", {168, 55, 63, 41}},
        {"TestButton", "&Testers", "", {237, 55, 64, 41}},
        {"BrokenButton",
         "&Broken Appts",
         "records built wrong, unapproved or other mistakes",
         {307, 55, 63, 41}},
        {"PastButton", "&Past Due", "", {376, 55, 63, 41}},
    };
    for (const Expected& expected : buttons) {
        auto* button = Find<gui::WrapButton>(expected.name);
        EXPECT_EQ(button->text(), QString::fromUtf8(expected.caption));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(expected.hint));
        EXPECT_EQ(button->geometry(), expected.geometry) << expected.name;
        EXPECT_FALSE(button->isEnabled()) << expected.name;
        EXPECT_TRUE(button->CaptionFits()) << expected.name << " caption is clipped";
    }
    auto* rsid = Find<QComboBox>("RsidCombo");
    auto* rctr = Find<QComboBox>("RctrCombo");
    EXPECT_EQ(rsid->geometry().topLeft(), QPoint(18, 55));
    EXPECT_EQ(rsid->width(), 79);
    EXPECT_EQ(rctr->geometry().topLeft(), QPoint(18, 82));
    EXPECT_EQ(rctr->width(), 141);
    EXPECT_FALSE(rsid->isEnabled());
    EXPECT_FALSE(rctr->isEnabled());
    EXPECT_EQ(rsid->count(), 0);

    // Tab order: the ten buttons, then the station and recruiter selectors.
    QWidget* widget = Find<QWidget>("AllButton");
    std::vector<std::string> order;
    for (int i = 0; i < 12; ++i) {
        order.push_back(widget->objectName().toStdString());
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty() ||
               widget->objectName().startsWith(QLatin1String("qt_")))
            widget = widget->nextInFocusChain();
    }
    std::vector<std::string> expectedOrder(std::begin(kButtons), std::end(kButtons));
    expectedOrder.push_back("RsidCombo");
    expectedOrder.push_back("RctrCombo");
    EXPECT_EQ(order, expectedOrder);

    // The menu.
    auto* open = Find<QAction>("Open1");
    EXPECT_EQ(open->text(), QStringLiteral("&Open"));
    EXPECT_EQ(open->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_TRUE(open->isEnabled());
    EXPECT_EQ(Find<QAction>("Exit1")->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(Find<QAction>("Exit1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_EQ(Find<QMenu>("OpenRecent1")->title(), QStringLiteral("Open &Recent"));
    EXPECT_FALSE(Find<QMenu>("OpenRecent1")->menuAction()->isEnabled()); // nothing opened yet
    EXPECT_EQ(Find<QAction>("ResetARRctrs1")->text(), QStringLiteral("&Reset USAR / EST"));
    EXPECT_FALSE(Find<QAction>("ResetARRctrs1")->isEnabled());
    EXPECT_EQ(Find<QAction>("About1")->text(), QStringLiteral("About"));
    QStringList menus;
    for (QAction* action : main->menuBar()->actions())
        menus << action->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Settings", "&History", "&Help"}));
}

TEST_F(MainWindowTest, OpenShowsTheMetricsOfTheList) {
    dialogs->openAnswers.push_back(Fixture("small_apl.xls"));
    main->Open1Click();
    EXPECT_EQ(dialogs->lastOpenFilter,
              QStringLiteral(
                  "Processing lists (*.xls *.xlsx *.csv);;Excel files (*.xls);;All files (*)"));
    EXPECT_TRUE(dialogs->messages.empty());

    const CoreView core(Fixture("small_apl.xls"), {});
    EXPECT_TRUE(Find<QWidget>("Panel1")->isVisibleTo(main));
    for (const char* name : kButtons)
        EXPECT_TRUE(Find<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(Find<QAction>("ResetARRctrs1")->isEnabled());
    EXPECT_TRUE(Find<QWidget>("Panel2")->isEnabled());

    EXPECT_EQ(Find<QLabel>("Label1")->text().toStdString(), core.view.Label1);
    EXPECT_EQ(Find<QLabel>("Label1")->text(),
              QStringLiteral("PMS: from 1/15/2024 to 3/8/2024, 7.7 weeks"));
    EXPECT_EQ(Find<QLabel>("Label3")->text(), QStringLiteral("Rctrs: 4 RA, 0 AR"));
    EXPECT_EQ(Find<QLabel>("Label2")->text(), QStringLiteral("Pending Conducts"));
    ExpectGridShows("MathGrid", core.view.MathGrid);
    ExpectGridShows("CondGrid", core.view.CondGrid);
    ExpectCaptionsFit(main);

    // A few cells worked out by hand: ten appointments made, one RA Grad today (Adams).
    const QAbstractItemModel& math = *Grid("MathGrid")->model();
    EXPECT_EQ(math.headerData(3, Qt::Horizontal).toString(), QStringLiteral("No\nShow"));
    EXPECT_EQ(math.data(math.index(0, 0)).toString(), QStringLiteral(" RA"));
    EXPECT_EQ(math.data(math.index(0, 1), Qt::ForegroundRole).value<QBrush>().color(),
              QColor(Qt::blue));
    EXPECT_EQ(math.data(math.index(5, 1), Qt::ForegroundRole).value<QBrush>().color(),
              QColor(Qt::blue));
    const QAbstractItemModel& cond = *Grid("CondGrid")->model();
    EXPECT_EQ(cond.data(cond.index(0, 0)).toString(), QStringLiteral(" Today"));

    EXPECT_EQ(Items("RsidCombo"), (std::vector<std::string>{"ALL", "1A1A", "1A1B"}));
    EXPECT_EQ(Items("RctrCombo"), core.view.RctrCombo.Items);
    EXPECT_EQ(Items("RctrCombo"), (std::vector<std::string>{"ALL", "DOE, JANE", "SMITH, JOHN",
                                                            "BROWN, BOB", "GREEN, AL"}));
    EXPECT_TRUE(Find<QComboBox>("RsidCombo")->isEnabled());
    EXPECT_EQ(Find<QComboBox>("RsidCombo")->currentIndex(), 0);
}

TEST_F(MainWindowTest, SelectorsRecomputeForTheirChoice) {
    ASSERT_TRUE(Load("small_apl.xls"));
    auto* rsid = Find<QComboBox>("RsidCombo");
    auto* rctr = Find<QComboBox>("RctrCombo");

    CoreView core(Fixture("small_apl.xls"), {});
    RsidComboChange(core.view, core.state, 2);
    main->RsidComboChange(2);
    EXPECT_EQ(Items("RctrCombo"), (std::vector<std::string>{"ALL", "BROWN, BOB", "GREEN, AL"}));
    EXPECT_EQ(rctr->currentIndex(), 0);
    ExpectGridShows("MathGrid", core.view.MathGrid);
    ExpectGridShows("CondGrid", core.view.CondGrid);
    EXPECT_EQ(Find<QLabel>("Label3")->text(), QStringLiteral("Rctrs: 2 RA, 0 AR"));

    RctrComboChange(core.view, core.state, 2);
    main->RctrComboChange(2);
    EXPECT_EQ(rctr->currentText(), QStringLiteral("GREEN, AL"));
    ExpectGridShows("MathGrid", core.view.MathGrid);
    ExpectGridShows("CondGrid", core.view.CondGrid);
    EXPECT_EQ(Find<QLabel>("Label3")->text(), QStringLiteral("Rctrs: 1 RA, 0 AR"));

    // Back to "ALL": every recruiter of every station again.
    main->RsidComboChange(0);
    EXPECT_EQ(rsid->currentIndex(), 0);
    EXPECT_EQ(Items("RctrCombo").size(), 5u);
}

TEST_F(MainWindowTest, FailedOpensKeepThePreviousList) {
    ASSERT_TRUE(Load("small_apl.xls"));
    const QString period = Find<QLabel>("Label1")->text();
    const std::size_t records = main->State().Appts.size();

    // Cancelled dialog: nothing happens.
    main->Open1Click();
    EXPECT_TRUE(dialogs->messages.empty());

    // Not a workbook: the reader's message in the general error display.
    EXPECT_FALSE(Load("not_a_workbook.xls"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].kind, QStringLiteral("critical"));
    EXPECT_EQ(dialogs->messages[0].title, QStringLiteral("ORQ"));
    EXPECT_FALSE(dialogs->messages[0].text.isEmpty());

    // A list without data rows: the information message, nothing changes.
    EXPECT_FALSE(Load("no_rows.xls"));
    ASSERT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages[1].kind, QStringLiteral("information"));
    EXPECT_EQ(dialogs->messages[1].text, QStringLiteral("APL has no appointments"));

    // A missing file.
    EXPECT_FALSE(main->OpenList(QString::fromStdString(folder + "/missing.xls")));
    EXPECT_EQ(dialogs->messages.size(), 3u);

    EXPECT_EQ(main->State().Appts.size(), records);
    EXPECT_EQ(Find<QLabel>("Label1")->text(), period);
    EXPECT_EQ(Items("RsidCombo"), (std::vector<std::string>{"ALL", "1A1A", "1A1B"}));
    EXPECT_TRUE(Find<QWidget>("Panel1")->isVisibleTo(main));
}

// A scheduled review whose date does not read stops the refresh: the general error display
// shows the date failure, the tables stay laid out without figures and the program goes on.
TEST_F(MainWindowTest, CountingStopsOnAnUnreadableDate) {
    EXPECT_FALSE(Load("bad_review_date.xls"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].kind, QStringLiteral("critical"));
    EXPECT_EQ(dialogs->messages[0].title, QStringLiteral("ORQ"));
    EXPECT_EQ(dialogs->messages[0].text, QStringLiteral("'13/45/2024 ' is not a valid date."));
    EXPECT_TRUE(Find<QWidget>("Panel1")->isVisibleTo(main));
    const QAbstractItemModel& math = *Grid("MathGrid")->model();
    EXPECT_EQ(math.data(math.index(0, 0)).toString(), QStringLiteral(" RA"));
    EXPECT_EQ(math.data(math.index(0, 1)).toString(), QString());

    // The report builder meets the same date; its failure is shown and the window goes on.
    dialogs->messages.clear();
    QTest::mouseClick(Find<QPushButton>("AllButton"), Qt::LeftButton);
    ASSERT_FALSE(dialogs->messages.empty());
    EXPECT_EQ(dialogs->messages[0].kind, QStringLiteral("critical"));
    EXPECT_TRUE(main->OpenList(Fixture("small_apl.xls")));
}

// A failure in the loader's row loop shows the loader's own message as it is (no full stop
// added); the window keeps what it showed except that both selectors are empty.
TEST_F(MainWindowTest, RowLoopFailureShowsTheLoadersMessage) {
    ASSERT_TRUE(Load("small_apl.xls"));
    const QString period = Find<QLabel>("Label1")->text();
    EXPECT_FALSE(Load("bad_est.xls"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].kind, QStringLiteral("critical"));
    EXPECT_EQ(dialogs->messages[0].text, gui::WithLineBreaks(LoadFailureMessage()));
    EXPECT_TRUE(dialogs->messages[0].text.startsWith(
        QStringLiteral("Could not open processing list\nMake sure it is saved in XLS format\n")));
    EXPECT_FALSE(dialogs->messages[0].text.endsWith(QLatin1Char('.')));
    EXPECT_EQ(Find<QLabel>("Label1")->text(), period);
    EXPECT_EQ(Find<QComboBox>("RsidCombo")->count(), 0);
    EXPECT_EQ(Find<QComboBox>("RctrCombo")->count(), 0);
    EXPECT_TRUE(Find<QWidget>("AllButton")->isEnabled());
}

TEST_F(MainWindowTest, ExitClosesTheWindowAndFreesTheList) {
    ASSERT_TRUE(Load("small_apl.xls"));
    main->show();
    Find<QAction>("Exit1")->trigger();
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(main->State().Appts.empty());
    EXPECT_EQ(main->State().StationList.Count(), 0u);
    // The settings file is not written on closing.
    EXPECT_EQ(ReadFile(settings), "31\r\n");
}

TEST_F(MainWindowTest, DroppingAListFileOpensIt) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Fixture("small_apl.xls"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main, &drop);
    EXPECT_EQ(main->State().Appts.size(), 10u);

    // The same list as .xls and as LibreOffice saves it as .xlsx and as .csv: the same table.
    ASSERT_TRUE(
        main->OpenList(QStringLiteral(ORQ_SOURCE_DIR "/tests/fixtures/apl/us_two_stations.xls")));
    const std::size_t fromXls = main->State().Appts.size();
    for (const char* name : {"us_two_stations.xlsx", "us_two_stations.csv"}) {
        ASSERT_TRUE(Load("small_apl.xls")); // another list first
        ASSERT_NE(main->State().Appts.size(), fromXls);
        QMimeData list;
        list.setUrls({QUrl::fromLocalFile(QStringLiteral(ORQ_SOURCE_DIR
                                                         "/tests/fixtures/converted/lo/") +
                                          QLatin1String(name))});
        QDragEnterEvent listEnter(QPoint(10, 10), Qt::CopyAction, &list, Qt::LeftButton,
                                  Qt::NoModifier);
        QApplication::sendEvent(main, &listEnter);
        EXPECT_TRUE(listEnter.isAccepted()) << name;
        QDropEvent listDrop(QPointF(10, 10), Qt::CopyAction, &list, Qt::LeftButton,
                            Qt::NoModifier);
        QApplication::sendEvent(main, &listDrop);
        EXPECT_TRUE(dialogs->messages.empty()) << name;
        EXPECT_EQ(main->State().Appts.size(), fromXls) << name;
        EXPECT_EQ(main->State().StationList.Count(), 2u) << name;
    }

    for (const char* name : {"/tmp/list.XLSX", "/tmp/list.csv"}) {
        QMimeData list;
        list.setUrls({QUrl::fromLocalFile(QString::fromLatin1(name))});
        QDragEnterEvent listEnter(QPoint(10, 10), Qt::CopyAction, &list, Qt::LeftButton,
                                  Qt::NoModifier);
        listEnter.setAccepted(false);
        QApplication::sendEvent(main, &listEnter);
        EXPECT_TRUE(listEnter.isAccepted()) << name;
    }

    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/list.txt"))});
    QDragEnterEvent other(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    other.setAccepted(false);
    QApplication::sendEvent(main, &other);
    EXPECT_FALSE(other.isAccepted());
}

TEST_F(MainWindowTest, ErrorDisplayAddsTheFullStopRule) {
    struct Case {
        const char* message;
        const char* shown;
    };
    const Case cases[] = {
        {"'13/45/2024 ' is not a valid date", "'13/45/2024 ' is not a valid date."},
        {"Could not read file 7", "Could not read file 7."},
        {"Ends with a full stop.", "Ends with a full stop."},
        {"Ends with a bang!", "Ends with a bang!"},
    };
    for (const Case& c : cases) {
        dialogs->messages.clear();
        EXPECT_FALSE(gui::RunCommand(main, [&] { throw orq::Error(c.message); }));
        ASSERT_EQ(dialogs->messages.size(), 1u);
        EXPECT_EQ(dialogs->messages[0].kind, QStringLiteral("critical"));
        EXPECT_EQ(dialogs->messages[0].title, QStringLiteral("ORQ"));
        EXPECT_EQ(dialogs->messages[0].text, QString::fromUtf8(c.shown));
    }
    dialogs->messages.clear();
    EXPECT_FALSE(gui::RunCommand(main, [] { throw std::runtime_error("Disk full"); }));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, QStringLiteral("Disk full."));
    EXPECT_TRUE(gui::RunCommand(main, [] {}));
}

// Every window is titled with its caption alone. The desktop appends the application's
// display name to each title once one is set (" — ORQ"), so none may be set: the display name
// must still follow the application name.
TEST_F(MainWindowTest, TitlesAreTheCaptionsAlone) {
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("probe"));
    QCoreApplication::setApplicationName(name);
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("orq"));

    const std::pair<QWidget*, const char*> captions[] = {
        {windows.Main.get(), "ORQ  1.11"},        {windows.Print.get(), "All Applicants"},
        {windows.About.get(), "About..."},        {windows.Settings.get(), "Settings"},
        {windows.Past.get(), "Past Due Actions"}, {windows.Broken.get(), "Broken appointments"},
    };
    for (const auto& [window, caption] : captions) {
        window->show();
        EXPECT_EQ(window->windowTitle(), QLatin1String(caption));
        ASSERT_NE(window->windowHandle(), nullptr);
        EXPECT_EQ(window->windowHandle()->title(), QLatin1String(caption));
        window->hide();
    }
}

// A single fixed border: the window keeps the size of its menu and client area, before and
// after a load, whatever it is asked; it has no maximise button.
TEST_F(MainWindowTest, MainWindowHasOneFixedSize) {
    main->show();
    QApplication::processEvents();
    const QSize size = main->size();
    EXPECT_EQ(main->minimumSize(), size);
    EXPECT_EQ(main->maximumSize(), size);
    EXPECT_EQ(main->centralWidget()->size(), QSize(454, 571));
    EXPECT_GT(size.height(), 571); // the menu bar above the client area
    EXPECT_FALSE(main->windowFlags() & Qt::WindowMaximizeButtonHint);
    main->resize(size + QSize(200, 100));
    EXPECT_EQ(main->size(), size);
    ASSERT_TRUE(Load("small_apl.xls"));
    QApplication::processEvents();
    EXPECT_EQ(main->size(), size);
    EXPECT_EQ(main->maximumSize(), size);
}

QString DownloadsOrHome() {
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return QFileInfo(downloads).isDir() ? downloads : QDir::homePath();
}

// File > Open starts in the Downloads folder, then in the folder the last list came from, also
// in the next run; a remembered folder that is gone counts as none.
TEST_F(MainWindowTest, OpenStartsInTheFolderOfTheLastList) {
    main->Open1Click();
    EXPECT_EQ(dialogs->lastOpenFolder, DownloadsOrHome());

    const QString listFolder = QString::fromStdString(TempFolder()) + QStringLiteral("/lists");
    ASSERT_TRUE(QDir().mkpath(listFolder));
    const QString list = listFolder + QStringLiteral("/Station APL.xls");
    ASSERT_TRUE(QFile::copy(Fixture("small_apl.xls"), list));
    dialogs->openAnswers.push_back(list);
    main->Open1Click();
    ASSERT_EQ(main->State().Appts.size(), 10u);
    main->Open1Click();
    EXPECT_EQ(dialogs->lastOpenFolder, listFolder);

    gui::OrqWindows next = MakeWindows(settings, main->Prefs().Path());
    next.Main->Open1Click();
    EXPECT_EQ(dialogs->lastOpenFolder, listFolder);

    ASSERT_TRUE(QDir(listFolder).removeRecursively());
    next.Main->Open1Click();
    EXPECT_EQ(dialogs->lastOpenFolder, DownloadsOrHome());
}

// File > Open Recent: the last five lists that loaded, the latest first; choosing one opens it
// and moves it to the top; one that is gone is taken off with a note.
TEST_F(MainWindowTest, OpenRecentListsTheLastFiveLists) {
    const QString listFolder = QString::fromStdString(TempFolder());
    QStringList lists;
    for (int i = 1; i <= 6; ++i) {
        lists << listFolder + QStringLiteral("/List %1.xls").arg(i);
        ASSERT_TRUE(QFile::copy(Fixture("small_apl.xls"), lists.back()));
        ASSERT_TRUE(main->OpenList(lists.back()));
    }
    EXPECT_FALSE(Load("not_a_workbook.xls")); // a list that does not load is not remembered
    dialogs->messages.clear();

    auto* recent = Find<QMenu>("OpenRecent1");
    auto entries = [&] {
        emit recent->aboutToShow();
        QStringList shown;
        for (QAction* action : recent->actions())
            shown << action->toolTip();
        return shown;
    };
    EXPECT_EQ(entries(), (QStringList{lists[5], lists[4], lists[3], lists[2], lists[1]}));
    EXPECT_TRUE(recent->menuAction()->isEnabled());
    EXPECT_EQ(recent->actions().front()->text(), QStringLiteral("&1 ") + lists[5]);

    recent->actions()[3]->trigger(); // List 3
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(entries(), (QStringList{lists[2], lists[5], lists[4], lists[3], lists[1]}));

    ASSERT_TRUE(QFile::remove(lists[4]));
    recent->actions()[2]->trigger(); // List 5, gone
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].kind, QStringLiteral("information"));
    EXPECT_EQ(dialogs->messages[0].title, QStringLiteral("ORQ"));
    EXPECT_TRUE(dialogs->messages[0].text.contains(QLatin1String("List 5.xls")))
        << dialogs->messages[0].text.toStdString();
    EXPECT_EQ(entries(), (QStringList{lists[2], lists[5], lists[3], lists[1]}));
    EXPECT_EQ(main->State().Appts.size(), 10u); // the loaded list stays

    // The next run has the same list.
    gui::OrqWindows next = MakeWindows(settings, main->Prefs().Path());
    EXPECT_EQ(next.Main->Prefs().RecentLists(),
              (QStringList{lists[2], lists[5], lists[3], lists[1]}));
}

// Ctrl+Q ends the program as Exit does; Enter in the settings dialog presses its "&Ok".
TEST_F(MainWindowTest, StandardKeys) {
    ASSERT_TRUE(Load("small_apl.xls"));
    for (const char* focus : {"ESTEdit", "USARListview"}) {
        SCOPED_TRACE(focus);
        bool shown = false;
        WhenModalShown([&](QWidget* dialog) {
            shown = true;
            auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("USARListview"));
            auto* est = dialog->findChild<QSpinBox*>(QStringLiteral("ESTEdit"));
            ASSERT_TRUE(list && est);
            list->topLevelItem(0)->setCheckState(0, Qt::Checked);
            est->setValue(45);
            QWidget* target = dialog->findChild<QWidget*>(QLatin1String(focus));
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Return);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "Enter did not close the dialog";
                dialog->close();
            }
        });
        main->ResetARRctrs1Click();
        EXPECT_TRUE(shown);
        EXPECT_EQ(ReadFile(settings), "45\r\nDOE, JANE\r\n");
        WriteFile(settings, "31\r\n");
    }

    ASSERT_TRUE(ShowActive(main));
    QTest::keyClick(main, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(main->State().Appts.empty());
}

TEST_F(MainWindowTest, AboutBoxShowsTheVersion) {
    WhenModalShown([](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("About..."));
        EXPECT_EQ(dialog->size(), QSize(276, 278));
        ExpectCaptionsFit(dialog);
        auto* version = dialog->findChild<QLabel*>(QStringLiteral("VersionLabel"));
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(version->text(), QStringLiteral("ORQ 1.11"));
        auto* credits = dialog->findChild<gui::CreditsBox*>(QStringLiteral("CreditsBox"));
        ASSERT_NE(credits, nullptr);
        // The credits loop: after scrolling past their end they start again.
        for (int i = 0; i < 2000 && credits->Offset() != 0; ++i)
            credits->Step();
        int steps = 0;
        do {
            credits->Step();
            ++steps;
        } while (credits->Offset() != 0 && steps < 5000);
        EXPECT_LT(steps, 5000);
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("OkButton"));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), QStringLiteral("&Ok"));
        ok->click();
    });
    main->About1Click();
    EXPECT_FALSE(windows.About->isVisible());
}

// No settings file at start: the first load opens the settings dialog before anything is
// counted; its Ok writes the file and the checked recruiters count as AR at once.
TEST(FirstRunTest, SettingsDialogOpensOnTheFirstLoad) {
    ScriptedDialogs& dialogs = InstallScriptedDialogs();
    const std::string folder = TempFolder();
    const std::string settings = folder + "/ORQ.ini";
    gui::OrqWindows windows = MakeWindows(settings);
    EXPECT_TRUE(windows.Main->State().FirstRun);

    std::vector<std::string> listed;
    WhenModalShown([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Settings"));
        EXPECT_EQ(dialog->size(), QSize(341, 397));
        ExpectCaptionsFit(dialog);
        auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("USARListview"));
        auto* est = dialog->findChild<QSpinBox*>(QStringLiteral("ESTEdit"));
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("Button1"));
        ASSERT_TRUE(list && est && ok);
        EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Recruiter"));
        EXPECT_EQ(list->columnWidth(0), 160);
        EXPECT_EQ(est->value(), 31);
        EXPECT_EQ(est->minimum(), 1);
        EXPECT_EQ(est->maximum(), 99);
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            listed.push_back(list->topLevelItem(i)->text(0).toStdString());
            EXPECT_EQ(list->topLevelItem(i)->checkState(0), Qt::Unchecked);
        }
        list->topLevelItem(0)->setCheckState(0, Qt::Checked); // DOE, JANE
        list->topLevelItem(3)->setCheckState(0, Qt::Checked); // GREEN, AL
        est->setValue(40);
        ok->click();
    });
    ASSERT_TRUE(windows.Main->OpenList(Fixture("small_apl.xls")));
    EXPECT_EQ(listed,
              (std::vector<std::string>{"DOE, JANE", "SMITH, JOHN", "BROWN, BOB", "GREEN, AL"}));
    EXPECT_EQ(ReadFile(settings), "40\r\nDOE, JANE\r\nGREEN, AL\r\n");
    EXPECT_FALSE(windows.Main->State().FirstRun);
    auto* rctrs = windows.Main->findChild<QLabel*>(QStringLiteral("Label3"));
    EXPECT_EQ(rctrs->text(), QStringLiteral("Rctrs: 2 RA, 2 AR"));
    // The new minimum EST takes effect at the next start only.
    EXPECT_EQ(windows.Main->findChild<QPushButton*>(QStringLiteral("EstButton"))->text(),
              QStringLiteral("31+ &EST/QT"));
    EXPECT_TRUE(dialogs.messages.empty());

    // A second load does not open the dialog again (a dialog would block this call).
    ASSERT_TRUE(windows.Main->OpenList(Fixture("small_apl.xls")));

    // "&Reset USAR / EST" empties the reserve list and asks again; closing the dialog by its
    // close box keeps the file.
    WhenModalShown([](QWidget* dialog) {
        auto* est = dialog->findChild<QSpinBox*>(QStringLiteral("ESTEdit"));
        EXPECT_EQ(est->value(), 40); // what it held when it last closed
        dialog->close();
    });
    windows.Main->ResetARRctrs1Click();
    EXPECT_EQ(rctrs->text(), QStringLiteral("Rctrs: 4 RA, 0 AR"));
    EXPECT_EQ(ReadFile(settings), "40\r\nDOE, JANE\r\nGREEN, AL\r\n");
}

TEST(StartTest, EstButtonShowsTheMinimumEstReadAtStart) {
    InstallScriptedDialogs();
    const std::string folder = TempFolder();
    WriteFile(folder + "/ORQ.ini", "45 and more words\r\nSMITH, JOHN\r\n");
    gui::OrqWindows windows = MakeWindows(folder + "/ORQ.ini");
    EXPECT_EQ(windows.Main->findChild<QPushButton*>(QStringLiteral("EstButton"))->text(),
              QStringLiteral("45+ &EST/QT"));
    EXPECT_EQ(windows.Main->State().ReserveList, (std::vector<std::string>{"SMITH, JOHN"}));
    EXPECT_FALSE(windows.Main->State().FirstRun);
}

} // namespace
} // namespace orq::guitest
