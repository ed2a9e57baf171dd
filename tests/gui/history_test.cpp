// The "&History" menu driven through the real windows: recording on File > Open (and not when
// switched off, and a failure as one status line), the Trends window against the core's state,
// its CSV and PNG, the empty history, importing lists and forgetting them.

#include "gui_test_support.h"

#include "export/demo_list.h"
#include "gui/common/error_display.h"
#include "gui/history/forget_form.h"
#include "gui/history/history_menu.h"
#include "gui/history/trends_form.h"
#include "history/history.h"
#include "history/weeks_table.h"
#include "view/trends_form.h"
#include "xls/tavro_import.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

#include <fstream>

namespace orq::guitest {
namespace {

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialogs = &InstallScriptedDialogs();
        folder = TempFolder();
        std::ofstream(folder + "/ORQ.ini", std::ios::binary) << "31\r\n";
        Start();
    }

    void Start() {
        // The preferences beside the settings, kept from one start to the next.
        windows = MakeWindows(folder + "/ORQ.ini", QString::fromStdString(folder + "/orq.conf"));
        main = windows.Main.get();
    }

    QAction* Action(const char* name) {
        auto* action = main->findChild<QAction*>(QLatin1String(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }

    std::size_t ListsRecorded() {
        history::THistory history(folder + "/history.sqlite", FixtureToday());
        return history.Lists().size();
    }

    // A demo list of its own, dated around the fixtures' day.
    QString DemoList(const char* name, std::uint64_t seed) {
        exporter::TDemoOptions options;
        options.Rows = 120;
        options.Seed = seed;
        options.Today = FixtureToday();
        const std::string path = folder + "/" + name;
        exporter::WriteDemoList(options, path, true);
        return QString::fromStdString(path);
    }

    gui::TTrendsForm* OpenTrends() {
        Action("Trends1")->trigger();
        return main->History()->Trends();
    }

    ScriptedDialogs* dialogs = nullptr;
    std::string folder;
    gui::OrqWindows windows;
    gui::TMainForm* main = nullptr;
};

TEST_F(HistoryWindowTest, TheMenuStandsBesideSettings) {
    QStringList menus;
    for (QAction* action : main->menuBar()->actions())
        menus.append(action->text());
    EXPECT_EQ(menus, (QStringList{"&File", "&Settings", "&History", "&Help"}));
    for (const char* name : {"Trends1", "ImportLists1", "ImportFolder1", "Forget1"})
        EXPECT_TRUE(Action(name)->isEnabled()) << name;
    EXPECT_EQ(Action("Trends1")->text(), QStringLiteral("&Trends..."));
    EXPECT_EQ(Action("ImportLists1")->text(), QStringLiteral("&Import lists..."));
    EXPECT_EQ(Action("Forget1")->text(), QStringLiteral("&Forget..."));
    QAction* record = Action("RecordOpenedLists1");
    EXPECT_EQ(record->text(), QStringLiteral("&Record opened lists"));
    EXPECT_TRUE(record->isCheckable());
    EXPECT_TRUE(record->isChecked());
}

TEST_F(HistoryWindowTest, OpeningAListRecordsItUnlessSwitchedOff) {
    ASSERT_TRUE(main->OpenList(Fixture("small_apl.xls")));
    EXPECT_EQ(ListsRecorded(), 1u);
    ASSERT_TRUE(main->OpenList(Fixture("small_apl.xls"))); // the same file: stored once
    EXPECT_EQ(ListsRecorded(), 1u);

    Action("RecordOpenedLists1")->setChecked(false);
    // Remembered across runs.
    windows = {};
    Start();
    EXPECT_FALSE(Action("RecordOpenedLists1")->isChecked());
    ASSERT_TRUE(main->OpenList(DemoList("demo.xls", 3)));
    EXPECT_EQ(ListsRecorded(), 1u);
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(HistoryWindowTest, AFailureToRecordIsOneStatusLineAndTheListLoads) {
    // The history's folder would be a regular file: it cannot be made.
    windows = {};
    std::ofstream(folder + "/blocker", std::ios::binary) << "x";
    gui::StartupOptions blocked;
    blocked.SettingsPath = folder + "/ORQ.ini";
    blocked.HistoryPath = folder + "/blocker/history.sqlite";
    blocked.PreferencesPath = QString::fromStdString(folder + "/orq.conf");
    blocked.Today = FixtureToday();
    blocked.MakeImport = [] {
        return std::unique_ptr<ImportComponent>(xls::TTavroImport::WithOwnAdapter());
    };
    windows = gui::CreateWindows(std::move(blocked));
    main = windows.Main.get();
    ASSERT_TRUE(main->OpenList(Fixture("small_apl.xls")));
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_TRUE(main->View().CommandsEnabled);
    const QString line = main->statusBar()->currentMessage();
    EXPECT_TRUE(line.startsWith(QStringLiteral("Not recorded in the history: "))) << gui::S(line);
    EXPECT_FALSE(line.contains(QLatin1Char('\n')));
}

TEST_F(HistoryWindowTest, TrendsShowTheHistorysWeeks) {
    ASSERT_TRUE(main->OpenList(Fixture("small_apl.xls")));
    ASSERT_TRUE(main->OpenList(DemoList("demo.xls", 5)));
    gui::TTrendsForm* trends = OpenTrends();
    ASSERT_NE(trends, nullptr);
    EXPECT_TRUE(trends->isVisible());
    EXPECT_EQ(trends->findChild<QStackedWidget*>()->currentIndex(), 1);

    // What is shown is the core's state for the same history.
    history::THistory history(folder + "/history.sqlite", FixtureToday());
    TTrendsView core;
    core.Today = FixtureToday();
    LoadTrends(core, history);
    auto* station = trends->findChild<QComboBox*>(QStringLiteral("RsidCombo"));
    ASSERT_EQ(station->count(), static_cast<int>(core.RsidCombo.Items.size()));
    EXPECT_EQ(station->itemText(0), QStringLiteral("ALL"));
    auto* span = trends->findChild<QComboBox*>(QStringLiteral("SpanCombo"));
    EXPECT_EQ(span->currentText(), QStringLiteral("12 weeks"));
    auto* grid = trends->findChild<QTableView*>(QStringLiteral("TrendsGrid"));
    EXPECT_EQ(ModelTexts(*grid->model()), core.Table);
    EXPECT_EQ(grid->model()->rowCount(), 12);

    // A station, then every week.
    station->setCurrentIndex(2);
    emit station->activated(2);
    TrendsStationChange(core, history, 2);
    span->setCurrentIndex(3);
    emit span->activated(3);
    TrendsSpanChange(core, history, 3);
    EXPECT_EQ(ModelTexts(*grid->model()), core.Table);
    auto* recruiter = trends->findChild<QComboBox*>(QStringLiteral("RctrCombo"));
    EXPECT_EQ(recruiter->count(), static_cast<int>(core.RctrCombo.Items.size()));

    const QString csv = QString::fromStdString(folder + "/weeks.csv");
    const QString png = QString::fromStdString(folder + "/chart.png");
    dialogs->saveAnswers = {csv, png};
    trends->findChild<QPushButton*>(QStringLiteral("SaveCsvButton"))->click();
    trends->findChild<QPushButton*>(QStringLiteral("SavePngButton"))->click();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), TrendsCsv(core));
    QImage picture(png);
    EXPECT_FALSE(picture.isNull());
    EXPECT_GT(picture.width(), 300);
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(HistoryWindowTest, AnEmptyHistoryShowsHowToFillIt) {
    gui::TTrendsForm* trends = OpenTrends();
    ASSERT_NE(trends, nullptr);
    EXPECT_EQ(trends->findChild<QStackedWidget*>()->currentIndex(), 0);
    auto* label = trends->findChild<QLabel*>(QStringLiteral("EmptyLabel"));
    EXPECT_EQ(label->text().toStdString(), kTrendsEmptyText);
    EXPECT_FALSE(trends->findChild<QPushButton*>(QStringLiteral("SaveCsvButton"))->isEnabled());
    EXPECT_FALSE(trends->findChild<QComboBox*>(QStringLiteral("SpanCombo"))->isEnabled());
}

TEST_F(HistoryWindowTest, ImportRecordsTheListsAndNamesTheDamagedOnes) {
    const QString first = DemoList("first.xls", 1);
    const QString second = DemoList("second.xls", 2);
    dialogs->openManyAnswers = {{first, Fixture("not_a_workbook.xls"), second, first}};
    Action("ImportLists1")->trigger();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    const QString summary = dialogs->messages[0].text;
    EXPECT_TRUE(summary.startsWith(QStringLiteral("2 of 4 lists recorded, 1 already in the "
                                                  "history")))
        << gui::S(summary);
    EXPECT_TRUE(summary.contains(Fixture("not_a_workbook.xls") + QStringLiteral(": ")))
        << gui::S(summary);
    EXPECT_EQ(ListsRecorded(), 2u);

    // A folder: every list in it, of any of the three formats (here the two demo lists, already
    // recorded, and one saved as .csv by another program).
    std::filesystem::copy_file(ORQ_SOURCE_DIR "/tests/fixtures/converted/lo/reports.csv",
                               folder + "/reports.csv");
    dialogs->messages.clear();
    dialogs->folderAnswers = {QString::fromStdString(folder)};
    Action("ImportFolder1")->trigger();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_TRUE(dialogs->messages[0].text.startsWith(
        QStringLiteral("1 of 3 lists recorded, 2 already in the history")))
        << gui::S(dialogs->messages[0].text);
    EXPECT_EQ(ListsRecorded(), 3u);
}

TEST_F(HistoryWindowTest, ForgetRemovesTheChosenLists) {
    ASSERT_TRUE(main->OpenList(DemoList("first.xls", 1)));
    ASSERT_TRUE(main->OpenList(DemoList("second.xls", 2)));
    ASSERT_EQ(ListsRecorded(), 2u);
    dialogs->confirmAnswers = {true};
    WhenModalShown([](QWidget* dialog) {
        auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("ForgetList"));
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->topLevelItemCount(), 2);
        list->topLevelItem(0)->setSelected(true); // the newest
        dialog->findChild<QPushButton*>(QStringLiteral("ForgetButton"))->click();
        EXPECT_EQ(list->topLevelItemCount(), 1);
        dialog->close();
    });
    Action("Forget1")->trigger();
    history::THistory history(folder + "/history.sqlite", FixtureToday());
    const auto lists = history.Lists();
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].File, folder + "/first.xls");
}

} // namespace
} // namespace orq::guitest
