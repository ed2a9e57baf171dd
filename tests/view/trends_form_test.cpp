// The Trends window's state over a real history file: the selectors as the main window builds
// them, the span, the table and CSV, the empty history; and recording list files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "history/history.h"
#include "history/weeks_table.h"
#include "support/fake_import.h"
#include "support/temp_dir.h"
#include "view/main_form.h"
#include "view/trends_form.h"

namespace orq {
namespace {

using testing::AplRow;
using testing::FakeImport;
using testing::TempDir;
using testing::WriteApl;
using V = std::vector<std::string>;

const TDateTime kToday = EncodeDate(2008, 3, 31); // a Monday

AplRow Row(std::string rsid, std::string rctr, int made) {
    AplRow row;
    row.rsid = rsid;
    row.rctr = rsid + rctr;
    row.comp = "A";
    row.ed = "";
    row.made = DateToStr(kToday + made, TFormatSettings{}) + " 8:00:00 AM";
    row.sch = DateToStr(kToday + made + 2, TFormatSettings{}) + " 9:00:00 AM";
    return row;
}

// A file whose bytes stand for a list (the fake import component ignores them).
std::string ListFile(const TempDir& dir, const std::string& name) {
    const std::string path = dir.File(name);
    std::ofstream(path, std::ios::binary) << name;
    return path;
}

struct Trends {
    TempDir dir;
    history::THistory history{dir.File("history.sqlite"), kToday};
    TTrendsView view;
    Trends() { view.Today = kToday; }

    TRecordOutcome Record(const std::string& name, FakeImport sheet) {
        return RecordListFile(history, sheet, ListFile(dir, name), TFormatSettings{}, kToday,
                              1700000000000);
    }
};

TEST(TrendsView, AnEmptyHistoryShowsHowToFillIt) {
    Trends trends;
    LoadTrends(trends.view, trends.history);
    EXPECT_TRUE(trends.view.Empty);
    EXPECT_EQ(trends.view.EmptyText, kTrendsEmptyText);
    EXPECT_TRUE(trends.view.Weeks.empty());
    EXPECT_EQ(trends.view.RsidCombo.Items, V{"ALL"});
    EXPECT_FALSE(trends.view.SpanCombo.Enabled);
}

TEST(TrendsView, SelectorsSpanAndTableFollowTheHistory) {
    Trends trends;
    FakeImport first;
    WriteApl(first, {Row("2B3C", "SMITH, JOHN", -3), Row("1A2B", "SMITH, JOHN", -10),
                     Row("1A2B", "ADAMS, BOB", -200)});
    ASSERT_EQ(trends.Record("a.xls", first).Outcome, TRecordOutcome::Recorded);
    LoadTrends(trends.view, trends.history);
    TTrendsView& view = trends.view;
    EXPECT_FALSE(view.Empty);
    EXPECT_EQ(view.RsidCombo.Items, (V{"ALL", "1A2B", "2B3C"}));
    EXPECT_EQ(view.RsidCombo.ItemIndex, 0);
    // As the main window: under "ALL" a name once per station.
    EXPECT_EQ(view.RctrCombo.Items, (V{"ALL", "ADAMS, BOB", "SMITH, JOHN", "SMITH, JOHN"}));

    // 12 weeks ending with this week: the appointment 200 days back is outside.
    ASSERT_EQ(view.Weeks.size(), 12u);
    EXPECT_EQ(view.Weeks.back().Monday, kToday);
    std::uint32_t made = 0;
    for (const auto& week : view.Weeks)
        made += week.Total(kRA, kMade);
    EXPECT_EQ(made, 2u);
    ASSERT_EQ(view.Table.size(), 13u);
    EXPECT_EQ(view.Table[0], history::WeeksTableHeader());
    EXPECT_EQ(view.Table.back()[0], "3/31/2008");
    EXPECT_EQ(TrendsCsv(view), history::WeeksCsv(view.Weeks));

    TrendsSpanChange(view, trends.history, 3); // all weeks
    EXPECT_EQ(view.Weeks.front().Monday, history::MondayOf(kToday - 200));

    TrendsStationChange(view, trends.history, 1);
    EXPECT_EQ(view.RctrCombo.Items, (V{"ALL", "ADAMS, BOB", "SMITH, JOHN"}));
    TrendsRecruiterChange(view, trends.history, 2);
    made = 0;
    for (const auto& week : view.Weeks)
        made += week.Total(kRA, kMade);
    EXPECT_EQ(made, 1u);
}

TEST(TrendsView, RecordingListFiles) {
    Trends trends;
    FakeImport sheet;
    WriteApl(sheet, {Row("1A2B", "SMITH, JOHN", -3)});
    EXPECT_EQ(trends.Record("a.xls", sheet).Outcome, TRecordOutcome::Recorded);
    EXPECT_EQ(trends.Record("a.xls", sheet).Outcome, TRecordOutcome::AlreadyRecorded);

    FakeImport empty; // fewer than ten rows
    const TRecordOutcome none = trends.Record("empty.xls", empty);
    EXPECT_EQ(none.Outcome, TRecordOutcome::Failed);
    EXPECT_EQ(none.Message, "APL has no appointments");

    FakeImport bad;
    AplRow row = Row("1A2B", "SMITH, JOHN", -3);
    row.made = "not a date";
    WriteApl(bad, {row});
    const TRecordOutcome failed = trends.Record("bad.xls", bad);
    EXPECT_EQ(failed.Outcome, TRecordOutcome::Failed);
    EXPECT_EQ(failed.Message.rfind("Could not open processing list", 0), 0u) << failed.Message;

    const TRecordOutcome missing = RecordListFile(
        trends.history, sheet, trends.dir.File("nosuch.xls"), TFormatSettings{}, kToday, 0);
    EXPECT_EQ(missing.Outcome, TRecordOutcome::Failed);
    EXPECT_EQ(missing.Message, "No such file or directory.");
    EXPECT_EQ(trends.history.Lists().size(), 1u);
}

TEST(TrendsView, ListFilesOfAFolder) {
    TempDir dir;
    for (const char* name :
         {"b.xls", "a.XLS", "notes.txt", "c.xlsx", "d.CSV", "e.xlsm", "xls", ".csv.bak"})
        std::ofstream(dir.File(name)) << "x";
    std::filesystem::create_directories(dir.Path() / "sub.xls");
    EXPECT_EQ(ListFilesOfFolder(dir.Path().string()),
              (V{dir.File("a.XLS"), dir.File("b.xls"), dir.File("c.xlsx"), dir.File("d.CSV")}));
}

} // namespace
} // namespace orq
