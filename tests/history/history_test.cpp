// The history on real SQLite files in a temporary folder: recording, the natural key, the weeks
// against the metrics' own counts, forgetting, and what happens to newer and damaged files.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "base/error.h"
#include "history/history.h"
#include "history/sha256.h"
#include "history/weeks_table.h"
#include "history_fixture.h"
#include "metrics/pms.h"
#include "support/temp_dir.h"

namespace orq::testing {
namespace {

using history::THistory;
using history::TWeek;
using history::TWeekQuery;

constexpr std::int64_t kRecordedMs = 1773820800000; // 2026-03-18 08:00 UTC

// The weeks' counts added up, in the shape of the metric counters.
history::TWeekCounts Sum(const std::vector<TWeek>& weeks) {
    history::TWeekCounts sum{};
    for (const TWeek& week : weeks)
        for (std::size_t c = 0; c < 2; ++c)
            for (std::size_t m = 0; m < 4; ++m)
                for (std::size_t g = 0; g < 3; ++g)
                    sum[c][m][g] += week.Counts[c][m][g];
    return sum;
}

void ExpectSameCounts(const history::TWeekCounts& weeks, const TMetricCounters& metrics,
                      const std::string& what) {
    for (std::size_t c = 0; c < 2; ++c)
        for (std::size_t m = 0; m < 4; ++m)
            for (std::size_t g = 0; g < 3; ++g)
                EXPECT_EQ(weeks[c][m][g], metrics[c][m][g])
                    << what << ": component " << c << " metric " << m << " group " << g;
}

TMetricCounters MetricsOf(TOrqState state, const TSelection& selection) {
    state.MetricCounters = {};
    CountPMS(state, selection);
    return state.MetricCounters;
}

TWeekQuery Query(std::optional<std::string> station = {},
                 std::optional<std::string> recruiter = {}) {
    TWeekQuery query;
    query.Selection.Station = std::move(station);
    query.Selection.Recruiter = std::move(recruiter);
    return query;
}

class HistoryTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.File("data/orq/history.sqlite");
};

TEST_F(HistoryTest, WeeksOfOneListAddUpToItsMetrics) {
    const TOrqState list = MakeVariedList(11, 600);
    THistory history(path, HistoryToday());
    ASSERT_TRUE(history.Record(FileNamed("a.xls"), list, kRecordedMs).Recorded);

    const std::vector<TSelection> selections = {
        {}, {"1A2B", std::nullopt}, {std::nullopt, "DOE, JANE"}, {"1A2C", "ROE, RICHARD"}};
    for (const TSelection& selection : selections) {
        TWeekQuery query;
        query.Selection = selection;
        const auto weeks = history.Weeks(query, HistoryToday());
        const std::string what =
            selection.Station.value_or("ALL") + "/" + selection.Recruiter.value_or("ALL");
        ExpectSameCounts(Sum(weeks), MetricsOf(list, selection), what);
        // Consecutive Mondays, none missing.
        for (std::size_t i = 0; i < weeks.size(); ++i) {
            EXPECT_EQ(weeks[i].Monday, history::MondayOf(weeks[i].Monday));
            if (i > 0) {
                EXPECT_EQ(weeks[i].Monday - weeks[i - 1].Monday, 7) << what;
            }
        }
    }
    // Nothing in the list is counted twice or lost: the made counts cover every row.
    const auto all = Sum(history.Weeks(Query(), HistoryToday()));
    std::uint32_t made = 0;
    for (std::size_t c = 0; c < 2; ++c)
        for (std::size_t g = 0; g < 3; ++g)
            made += all[c][kMade][g];
    EXPECT_EQ(made, 600u);
}

TEST_F(HistoryTest, EachAppointmentCountsInTheWeekOfItsMadeDay) {
    // Today is a Wednesday: -2 is Monday, -3 Sunday of the week before, +4 Sunday of this week.
    TApptTable appts = {MakeAppt("1A2B", "MONDAY", -2), MakeAppt("1A2B", "SUNDAY", -3),
                        MakeAppt("1A2B", "LAST SUNDAY", 4), MakeAppt("1A2B", "OLD", -30)};
    THistory history(path, HistoryToday());
    history.Record(FileNamed("a.xls"), MakeList(appts), kRecordedMs);
    const auto weeks = history.Weeks(Query(), HistoryToday());
    const TDateTime monday = HistoryToday() - 2;
    ASSERT_FALSE(weeks.empty());
    EXPECT_EQ(weeks.front().Monday, history::MondayOf(HistoryToday() - 30));
    EXPECT_EQ(weeks.back().Monday, monday);
    EXPECT_EQ(weeks.back().Total(kRA, kMade), 2u);
    EXPECT_EQ(weeks[weeks.size() - 2].Total(kRA, kMade), 1u);
    EXPECT_EQ(weeks.size(), 5u); // the weeks between count zero
    EXPECT_EQ(weeks[1].Total(kRA, kMade), 0u);

    // Bounds: whole weeks from the Monday of the first day to the Sunday of the last.
    TWeekQuery bounded = Query();
    bounded.From = HistoryToday() - 40;
    bounded.To = HistoryToday() - 3;
    const auto some = history.Weeks(bounded, HistoryToday());
    ASSERT_EQ(some.size(), 6u);
    EXPECT_EQ(some.front().Monday, history::MondayOf(HistoryToday() - 40));
    EXPECT_EQ(some.back().Monday, history::MondayOf(HistoryToday() - 3));
    EXPECT_EQ(some.back().Total(kRA, kMade), 1u);
}

TEST_F(HistoryTest, MondayOfAnyDay) {
    // 2026-03-16 is a Monday.
    const TDateTime monday = EncodeDate(2026, 3, 16);
    for (int offset = 0; offset < 7; ++offset)
        EXPECT_EQ(history::MondayOf(monday + offset), monday) << offset;
    EXPECT_EQ(history::MondayOf(monday - 1), monday - 7);
    EXPECT_EQ(history::MondayOf(EncodeDate(1899, 12, 25)), EncodeDate(1899, 12, 25));
}

TEST_F(HistoryTest, TheSameListTwiceIsStoredOnce) {
    const TOrqState list = MakeVariedList(3, 200);
    THistory history(path, HistoryToday());
    const auto first = history.Record(FileNamed("a.xls"), list, kRecordedMs);
    EXPECT_TRUE(first.Recorded);
    EXPECT_EQ(first.Added, 200u);
    const auto again = history.Record(FileNamed("a.xls"), list, kRecordedMs + 1000);
    EXPECT_FALSE(again.Recorded);
    EXPECT_EQ(again.ListId, first.ListId);
    EXPECT_TRUE(history.Has(FileNamed("a.xls").Sha256));
    EXPECT_EQ(history.Lists().size(), 1u);
    RawDb raw(path);
    EXPECT_EQ(raw.Int("SELECT count(*) FROM appts"), 200);
    EXPECT_EQ(raw.Int("SELECT count(*) FROM list_rows"), 200);
}

TEST_F(HistoryTest, RowsOfOneListNeverMerge) {
    // Two rows with the same station, name and ApptMade: two appointments (occurrences 1 and 2).
    TAppt twin = MakeAppt("1A2B", "TWIN", -5);
    THistory history(path, HistoryToday());
    history.Record(FileNamed("a.xls"), MakeList({twin, twin, MakeAppt("1A2B", "TWIN", -6)}),
                   kRecordedMs);
    EXPECT_EQ(Sum(history.Weeks(Query(), HistoryToday()))[kRA][kMade][kOther], 3u);
    // A later list holding the pair again adds nothing; holding one of them keeps the other.
    history.Record(FileNamed("b.xls"), MakeList({twin, twin}), kRecordedMs + 1);
    history.Record(FileNamed("c.xls"), MakeList({twin}), kRecordedMs + 2);
    EXPECT_EQ(Sum(history.Weeks(Query(), HistoryToday()))[kRA][kMade][kOther], 3u);
    RawDb raw(path);
    EXPECT_EQ(raw.Text("SELECT group_concat(occurrence) FROM appts WHERE name = 'TWIN' AND "
                       "made_day = (SELECT max(made_day) FROM appts) ORDER BY occurrence"),
              "1,2");
}

TEST_F(HistoryTest, OverlappingListsKeepTheLatestVersion) {
    // Monday's list: X made and scheduled (a no-show by today), Y only in it. Tuesday's list:
    // X conducted and approved, Z new. Recorded in either order, X is as Tuesday has it.
    TAppt x = MakeAppt("1A2B", "X", -10);
    TAppt y = MakeAppt("1A2B", "Y", -9);
    TAppt z = MakeAppt("1A2B", "Z", -1);
    TOrqState monday = MakeList({x, y});
    monday.ListEnd = HistoryToday() - 2;
    x.ApptCond = DayText(-8);
    x.ApprovedCond = "Y";
    TOrqState tuesday = MakeList({x, z});
    tuesday.ListEnd = HistoryToday() - 1;

    for (bool laterFirst : {false, true}) {
        SCOPED_TRACE(laterFirst ? "later list recorded first" : "in order");
        std::filesystem::remove_all(dir.Path() / "data");
        THistory history(path, HistoryToday());
        if (laterFirst) {
            history.Record(FileNamed("tue.xls"), tuesday, kRecordedMs);
            const auto older = history.Record(FileNamed("mon.xls"), monday, kRecordedMs + 1);
            EXPECT_EQ(older.Kept, 1u);
            EXPECT_EQ(older.Added, 1u);
        } else {
            history.Record(FileNamed("mon.xls"), monday, kRecordedMs);
            const auto newer = history.Record(FileNamed("tue.xls"), tuesday, kRecordedMs + 1);
            EXPECT_EQ(newer.Updated, 1u);
            EXPECT_EQ(newer.Added, 1u);
        }
        const auto sum = Sum(history.Weeks(Query(), HistoryToday()));
        EXPECT_EQ(sum[kRA][kMade][kOther], 3u);
        EXPECT_EQ(sum[kRA][kApprovedConduct][kOther], 1u); // X, as Tuesday has it
        EXPECT_EQ(sum[kRA][kNoShow][kOther], 1u);          // Y only; Z is scheduled tomorrow
        RawDb raw(path);
        EXPECT_EQ(raw.Int("SELECT count(*) FROM versions"), 4); // X twice, Y, Z
    }
}

TEST_F(HistoryTest, ListsEndingOnTheSameDayGoByRecordingTime) {
    TAppt x = MakeAppt("1A2B", "X", -10);
    TOrqState first = MakeList({x});
    x.Phone = "555-0199";
    x.ApptCond = DayText(-8);
    TOrqState second = MakeList({x});
    THistory history(path, HistoryToday());
    history.Record(FileNamed("later.xls"), second, kRecordedMs + 5000);
    history.Record(FileNamed("earlier.xls"), first, kRecordedMs); // recorded with an older clock
    RawDb raw(path);
    TAppt stored;
    ASSERT_TRUE(history::UnpackFields(
        raw.Blob("SELECT v.fields FROM appts a JOIN versions v ON v.id = a.id * 1048576 + "
                 "a.version"),
        stored));
    EXPECT_EQ(stored.Phone, "555-0199");
}

TEST_F(HistoryTest, StoresEveryFieldAsLoaded) {
    TAppt appt = MakeAppt("1A2B", "GARCÍA, JOSÉ", -4);
    const char* texts[] = {"", "x"};
    appt.AppType = "C";
    appt.TestDate = DayText(-3);
    appt.EST = 45;
    appt.QT = 77;
    appt.PhyDate = "3/20/2026";
    appt.PULHES = "111111";
    appt.Col19 = "c19";
    appt.Col20 = "c20";
    appt.NxtActionDate = DayText(5);
    appt.Col23 = "c23";
    appt.Dispo = "PENDING";
    appt.ApprovedMake = "Y";
    appt.Col27 = texts[1];
    appt.Terminated = true;
    THistory history(path, HistoryToday());
    history.Record(FileNamed("a.xls"), MakeList({appt}), kRecordedMs);
    RawDb raw(path);
    TAppt stored;
    ASSERT_TRUE(history::UnpackFields(raw.Blob("SELECT fields FROM versions"), stored));
    EXPECT_EQ(Joined(stored), "1A2B|SMITH, JOHN|GARCÍA, JOSÉ|555-0100|A|C|N|M|12H|WEB|" +
                                  DayText(-4) + "|" + DayText(-2, "10:00:00 AM") + "||45|" +
                                  DayText(-3) +
                                  "|77|3/20/2026|111111|c19|c20|APPOINTMENT-INITIAL|" + DayText(5) +
                                  "|c23|PENDING|Y||x|1");
    EXPECT_EQ(raw.Int("SELECT sch_day FROM versions"),
              static_cast<std::int64_t>(HistoryToday() - 2));
    const auto lists = history.Lists();
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].File, "/lists/a.xls");
    EXPECT_EQ(lists[0].Rows, 1);
    EXPECT_EQ(lists[0].Start, HistoryToday() - 4);
    EXPECT_EQ(lists[0].End, HistoryToday() - 4);
    EXPECT_EQ(lists[0].RecordedMs, kRecordedMs);
}

TEST_F(HistoryTest, StationsMixAndStaySeparate) {
    TOrqState a = MakeVariedList(5, 150);
    for (TAppt& appt : a.Appts)
        appt.Rsid = "1A2B";
    TOrqState b = MakeVariedList(6, 170);
    for (TAppt& appt : b.Appts)
        appt.Rsid = "9Z9Z";
    THistory history(path, HistoryToday());
    history.Record(FileNamed("a.xls"), a, kRecordedMs);
    history.Record(FileNamed("b.xls"), b, kRecordedMs + 1);
    ExpectSameCounts(Sum(history.Weeks(Query("1A2B"), HistoryToday())), MetricsOf(a, {}), "1A2B");
    ExpectSameCounts(Sum(history.Weeks(Query("9Z9Z"), HistoryToday())), MetricsOf(b, {}), "9Z9Z");
    TOrqState both = a;
    both.Appts.insert(both.Appts.end(), b.Appts.begin(), b.Appts.end());
    ExpectSameCounts(Sum(history.Weeks(Query(), HistoryToday())), MetricsOf(both, {}), "ALL");
    auto stations = history.Stations();
    std::sort(stations.begin(), stations.end());
    EXPECT_EQ(stations, (std::vector<std::string>{"1A2B", "9Z9Z"}));
}

TEST_F(HistoryTest, ForgettingAListGoesBackToTheOthers) {
    TAppt x = MakeAppt("1A2B", "X", -10);
    TOrqState monday = MakeList({x, MakeAppt("1A2B", "Y", -9)});
    x.ApptCond = DayText(-8);
    x.ApprovedCond = "Y";
    TOrqState tuesday = MakeList({x});
    tuesday.ListEnd = monday.ListEnd + 1;
    THistory history(path, HistoryToday());
    const auto mon = history.Record(FileNamed("mon.xls"), monday, kRecordedMs).ListId;
    const auto tue = history.Record(FileNamed("tue.xls"), tuesday, kRecordedMs + 1).ListId;

    EXPECT_EQ(history.Forget({tue}), 1u);
    auto sum = Sum(history.Weeks(Query(), HistoryToday()));
    EXPECT_EQ(sum[kRA][kMade][kOther], 2u);
    EXPECT_EQ(sum[kRA][kApprovedConduct][kOther], 0u); // X as Monday had it
    EXPECT_EQ(sum[kRA][kNoShow][kOther], 2u);
    RawDb raw(path);
    EXPECT_EQ(raw.Int("SELECT count(*) FROM versions"), 2); // Tuesday's X is gone

    EXPECT_EQ(history.Forget({mon, mon, 12345}), 1u);
    EXPECT_TRUE(history.Weeks(Query(), HistoryToday()).empty());
    EXPECT_TRUE(history.Lists().empty());
    EXPECT_EQ(raw.Int("SELECT (SELECT count(*) FROM appts) + (SELECT count(*) FROM versions) + "
                      "(SELECT count(*) FROM list_rows)"),
              0);
}

TEST_F(HistoryTest, AListWhoseDatesTheRulesNeedDoNotConvertIsNotRecorded) {
    TAppt bad = MakeAppt("1A2B", "BAD", -3);
    bad.ApptSch = "31/31/2026 9:00";
    // A review record does not need its scheduled date: that alone is recorded.
    TAppt review = bad;
    review.Name = "REVIEW";
    review.NxtAction = "REVIEW";
    THistory history(path, HistoryToday());
    EXPECT_TRUE(history.Record(FileNamed("ok.xls"), MakeList({review}), kRecordedMs).Recorded);
    try {
        history.Record(FileNamed("bad.xls"), MakeList({MakeAppt("1A2B", "OK", -2), bad}),
                       kRecordedMs);
        FAIL() << "recorded";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "'31/31/2026 ' is not a valid date");
    }
    EXPECT_EQ(history.Lists().size(), 1u);
    EXPECT_EQ(Sum(history.Weeks(Query(), HistoryToday()))[kRA][kMade][kOther], 1u);
}

TEST_F(HistoryTest, FolderAndFileAreTheOwnersOnly) {
    THistory history(path, HistoryToday());
    history.Record(FileNamed("a.xls"), MakeVariedList(1, 10), kRecordedMs);
    struct stat info {};
    ASSERT_EQ(::stat((dir.Path() / "data/orq").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((dir.Path() / "data").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((path + "-wal").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    RawDb raw(path);
    EXPECT_EQ(raw.Text("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(raw.Int("PRAGMA user_version"), history::kSchemaVersion);
}

TEST_F(HistoryTest, AnEmptyFileIsBroughtUpToTheSchema) {
    std::filesystem::create_directories(dir.Path() / "data/orq");
    std::ofstream(path).close(); // version 0, no tables
    THistory history(path, HistoryToday());
    EXPECT_TRUE(history.Notice().empty());
    EXPECT_TRUE(history.Record(FileNamed("a.xls"), MakeVariedList(1, 5), kRecordedMs).Recorded);
    THistory again(path, HistoryToday());
    EXPECT_EQ(again.Lists().size(), 1u);
}

// A file of the first schema, as the release that wrote it left it: three daily lists of one
// station (one version edited to hold EST, QT, the terminated flag and text beyond ASCII), with
// that release's weeks of it as CSV.
std::string HistoryFixture(const std::string& name) {
    return std::string(ORQ_SOURCE_DIR) + "/tests/fixtures/history/" + name;
}

TEST_F(HistoryTest, AFileOfTheFirstSchemaIsBroughtUpToDateKeepingAllItHolds) {
    std::filesystem::create_directories(dir.Path() / "data/orq");
    std::filesystem::copy_file(HistoryFixture("history-v1.sqlite"), path);
    const std::string days = "ifnull(sch_day, '-') || '|' || ifnull(nxt_day, '-')";
    std::vector<std::string> before; // each version's fields and days, in the order of ids
    std::string keys;                // the lists, appointments and rows, whole
    const std::string keysSql =
        "SELECT (SELECT group_concat(id || sha256 || rows, ',') FROM lists) || ';' || "
        "(SELECT group_concat(id || station || made_day || name || made_time || occurrence || "
        "version || list || versions, ',') FROM appts) || ';' || "
        "(SELECT group_concat(appt || '.' || list || '.' || seq, ',') FROM list_rows) || ';' || "
        "(SELECT group_concat(id || '.' || appt || '.' || seq, ',') FROM versions)";
    {
        RawDb raw(path);
        ASSERT_EQ(raw.Int("PRAGMA user_version"), 1);
        before = raw.Column(
            "SELECT rsid || '|' || rctr || '|' || name || '|' || phone || '|' || comp || '|' || "
            "app_type || '|' || ps || '|' || sex || '|' || ed || '|' || lead_src || '|' || "
            "appt_made || '|' || appt_sch || '|' || appt_cond || '|' || est || '|' || test_date "
            "|| '|' || qt || '|' || phy_date || '|' || pulhes || '|' || col19 || '|' || col20 || "
            "'|' || nxt_action || '|' || nxt_action_date || '|' || col23 || '|' || dispo || '|' "
            "|| approved_make || '|' || approved_cond || '|' || col27 || '|' || terminated || "
            "'|' || " +
            days + " FROM versions ORDER BY id");
        keys = raw.Text(keysSql);
    }
    ASSERT_EQ(before.size(), 208u);

    THistory history(path, HistoryToday());
    EXPECT_TRUE(history.Notice().empty());
    {
        RawDb raw(path);
        EXPECT_EQ(raw.Int("PRAGMA user_version"), history::kSchemaVersion);
        EXPECT_EQ(raw.Text("PRAGMA integrity_check"), "ok");
        EXPECT_EQ(raw.Text(keysSql), keys);
        const auto packed = raw.Column("SELECT fields FROM versions ORDER BY id");
        const auto storedDays = raw.Column("SELECT " + days + " FROM versions ORDER BY id");
        ASSERT_EQ(packed.size(), before.size());
        ASSERT_EQ(storedDays.size(), before.size());
        for (std::size_t i = 0; i < packed.size(); ++i) {
            TAppt appt;
            ASSERT_TRUE(history::UnpackFields(packed[i], appt)) << i;
            EXPECT_EQ(Joined(appt) + "|" + storedDays[i], before[i]);
        }
        EXPECT_EQ(raw.Int("SELECT count(*) FROM versions WHERE est = 45"), 0)
            << "the columns of the first schema are gone";
    }

    EXPECT_EQ(history::WeeksCsv(history.Weeks(Query(), HistoryToday())),
              Bytes(HistoryFixture("weeks-all.csv")));
    TWeekQuery lee = Query("1A2B", "LEE, KIM");
    lee.From = EncodeDate(2026, 1, 5);
    EXPECT_EQ(history::WeeksCsv(history.Weeks(lee, HistoryToday())),
              Bytes(HistoryFixture("weeks-lee-from-january.csv")));
    EXPECT_EQ(history.StationRecruiters().size(), 7u);
    EXPECT_TRUE(history.Has("9cfeb56776e7dc0348cd72765bf05e59dfd9436f87195e5cd5b8c8479c16e893"));

    // The file goes on as one of this schema: a later list, then forgetting the first one.
    TOrqState later = MakeVariedList(5, 40);
    for (TAppt& appt : later.Appts)
        appt.Rsid = "1A2B";
    EXPECT_TRUE(history.Record(FileNamed("later.xls"), later, kRecordedMs).Recorded);
    EXPECT_EQ(history.Forget({history.Lists().front().Id}), 1u);
    EXPECT_EQ(history.Lists().size(), 3u);
    RawDb raw(path);
    EXPECT_EQ(raw.Text("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(raw.Int("SELECT count(*) FROM lists l WHERE rows != "
                      "(SELECT count(*) FROM list_rows r WHERE r.list = l.id)"),
              0);
}

TEST_F(HistoryTest, ANewerSchemaIsRefusedAndLeftAsItIs) {
    {
        THistory history(path, HistoryToday());
        history.Record(FileNamed("a.xls"), MakeVariedList(1, 5), kRecordedMs);
    }
    {
        RawDb raw(path);
        raw.Exec("PRAGMA user_version = 7");
    }
    const std::string before = Bytes(path);
    try {
        THistory history(path, HistoryToday());
        FAIL() << "opened";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "The history \"" + path +
                      "\" was written by a newer version of ORQ (schema 7); it was left as it is");
    }
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"data"});
}

TEST_F(HistoryTest, AFileThatIsNoDatabaseIsSetAsideWithTheDate) {
    std::filesystem::create_directories(dir.Path() / "data/orq");
    const std::string garbage(10000, 'x');
    std::ofstream(path, std::ios::binary) << garbage;
    std::ofstream(path + ".damaged-2026-03-18", std::ios::binary) << "an earlier one";
    THistory history(path, HistoryToday());
    const std::string aside = path + ".damaged-2026-03-18-2";
    EXPECT_EQ(history.Notice(), "The history \"" + path + "\" was damaged; it was set aside as \"" +
                                    aside + "\" and a new one started");
    EXPECT_EQ(Bytes(aside), garbage);
    EXPECT_TRUE(history.Record(FileNamed("a.xls"), MakeVariedList(1, 5), kRecordedMs).Recorded);
    EXPECT_EQ(history.Lists().size(), 1u);
}

TEST_F(HistoryTest, DamageFoundWhileReadingSetsTheFileAside) {
    {
        THistory history(path, HistoryToday());
        history.Record(FileNamed("a.xls"), MakeVariedList(1, 2000), kRecordedMs);
    }
    // Every page after the first (the schema) overwritten.
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(0, std::ios::end);
        const auto size = static_cast<std::size_t>(file.tellg());
        unsigned char header[18] = {};
        file.seekg(0);
        file.read(reinterpret_cast<char*>(header), sizeof header);
        const std::size_t pageSize = std::size_t{header[16]} << 8 | header[17]; // big-endian, at 16
        ASSERT_GT(size, 2 * pageSize);
        file.seekp(static_cast<std::streamoff>(pageSize));
        file << std::string(size - pageSize, '\xA5');
    }
    THistory history(path, HistoryToday());
    EXPECT_TRUE(history.Weeks(Query(), HistoryToday()).empty());
    EXPECT_NE(history.Notice().find("was damaged; it was set aside as"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(path + ".damaged-2026-03-18"));
    EXPECT_TRUE(history.Record(FileNamed("b.xls"), MakeVariedList(2, 5), kRecordedMs).Recorded);
}

TEST_F(HistoryTest, AStoredAppointmentThatDoesNotReadSetsTheFileAside) {
    {
        THistory history(path, HistoryToday());
        history.Record(FileNamed("a.xls"), MakeVariedList(1, 20), kRecordedMs);
    }
    {
        RawDb raw(path);
        raw.Exec("UPDATE versions SET fields = x'05414243' WHERE id = (SELECT min(id) FROM "
                 "versions)"); // a length beyond its bytes
    }
    THistory history(path, HistoryToday());
    EXPECT_TRUE(history.Weeks(Query(), HistoryToday()).empty());
    EXPECT_NE(history.Notice().find("was damaged; it was set aside as"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(path + ".damaged-2026-03-18"));
}

TEST(Sha256, KnownDigests) {
    const std::string abc = "abc";
    EXPECT_EQ(history::Sha256Hex({reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()}),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(history::Sha256Hex({}),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST_F(HistoryTest, DescribeListFileDigestsTheBytes) {
    const std::string file = dir.File("list.xls");
    std::ofstream(file, std::ios::binary) << "abc";
    const auto described = history::DescribeListFile(file);
    EXPECT_EQ(described.Sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(described.Size, 3u);
    EXPECT_EQ(described.Path, file);
    EXPECT_THROW(history::DescribeListFile(dir.File("missing.xls")), Error);

    // A file of several read pieces, the last one short, digests as its bytes do whole.
    std::vector<std::uint8_t> bytes((std::size_t{3} << 20) + 7);
    std::mt19937 random(7);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    const std::string large = dir.File("large.xls");
    std::ofstream(large, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const auto whole = history::DescribeListFile(large);
    EXPECT_EQ(whole.Sha256, history::Sha256Hex(bytes));
    EXPECT_EQ(whole.Size, bytes.size());
    // Only regular files: a folder is refused as ReadRegularFile refuses it.
    EXPECT_THROW(history::DescribeListFile(dir.Path().string()), Error);
}

} // namespace
} // namespace orq::testing
