// The history under processes that die or write at once: a recording process killed at random
// points leaves a consistent file that loses at most the list it was writing, and two processes
// recording at once lose nothing.

#include <gtest/gtest.h>

#include <cstdio>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "base/error.h"
#include "history/history.h"
#include "history_fixture.h"
#include "support/temp_dir.h"

namespace orq::testing {
namespace {

using history::THistory;

// Lists of one station, each overlapping the one before: `count` lists of `rows` rows.
std::vector<TOrqState> DailyLists(const std::string& prefix, int count, int rows) {
    std::vector<TOrqState> lists;
    for (int day = 0; day < count; ++day) {
        TOrqState list = MakeVariedList(static_cast<unsigned>(day + 100), rows);
        for (std::size_t i = 0; i < list.Appts.size(); ++i)
            list.Appts[i].Name =
                prefix + std::to_string((static_cast<int>(i) + day * rows / 2) % (rows * 4));
        list.ListEnd = HistoryToday() - count + day;
        lists.push_back(std::move(list));
    }
    return lists;
}

// The file is sound and says the same thing everywhere: every list holds as many rows as it
// says, every row points at a stored version, every appointment at a row of its list.
void ExpectConsistent(const std::string& path) {
    RawDb raw(path);
    EXPECT_EQ(raw.Text("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(raw.Int("SELECT count(*) FROM lists l WHERE rows != "
                      "(SELECT count(*) FROM list_rows r WHERE r.list = l.id)"),
              0);
    EXPECT_EQ(raw.Int("SELECT count(*) FROM list_rows r WHERE "
                      "NOT EXISTS (SELECT 1 FROM lists l WHERE l.id = r.list) OR "
                      "NOT EXISTS (SELECT 1 FROM versions v WHERE v.id = r.appt * 1048576 + r.seq "
                      "AND v.appt = r.appt AND v.seq = r.seq)"),
              0);
    EXPECT_EQ(raw.Int("SELECT count(*) FROM versions WHERE id != appt * 1048576 + seq"), 0);
    EXPECT_EQ(raw.Int("SELECT count(*) FROM appts a WHERE NOT EXISTS (SELECT 1 FROM list_rows "
                      "r WHERE r.appt = a.id AND r.list = a.list AND r.seq = a.version)"),
              0);
}

// Records the lists in a child process, which writes one byte to `done` after each list.
pid_t RecordInChild(const std::string& path, const std::vector<TOrqState>& lists,
                    const std::string& prefix, int done) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    int status = 0;
    try {
        THistory history(path, HistoryToday());
        for (std::size_t i = 0; i < lists.size(); ++i) {
            history.Record(FileNamed(prefix + std::to_string(i)), lists[i],
                           1773820800000 + static_cast<std::int64_t>(i));
            if (done >= 0 && ::write(done, "x", 1) != 1) status = 3;
        }
    } catch (const Error& failure) {
        std::fprintf(stderr, "%s: %s\n", prefix.c_str(), failure.what());
        status = 2;
    }
    ::_exit(status);
}

TEST(Durability, AKillDuringAnImportLosesAtMostTheListBeingWritten) {
    TempDir dir;
    const std::string path = dir.File("history.sqlite");
    const auto lists = DailyLists("KILLED ", 6, 1500);
    std::mt19937 random(20260318);
    // One whole run first, unkilled: how long the lists take on this machine (under the
    // sanitizers or a busy machine much longer), so that the kills land all along an import.
    const auto started = std::chrono::steady_clock::now();
    const pid_t whole = RecordInChild(path, lists, "whole-", -1);
    int wholeStatus = 0;
    ASSERT_EQ(::waitpid(whole, &wholeStatus, 0), whole);
    ASSERT_TRUE(WIFEXITED(wholeStatus) && WEXITSTATUS(wholeStatus) == 0);
    const auto span = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - started)
                          .count();
    ExpectConsistent(path);
    std::size_t recorded = lists.size();
    int cutShort = 0; // rounds killed before the last list
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child =
            RecordInChild(path, lists, "round" + std::to_string(round) + "-", pipeFds[1]);
        ::close(pipeFds[1]);
        std::this_thread::sleep_for(
            std::chrono::milliseconds(random() % static_cast<unsigned>(span + 1)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        std::size_t committed = 0;
        char byte = 0;
        while (::read(pipeFds[0], &byte, 1) == 1)
            ++committed;
        ::close(pipeFds[0]);
        if (committed < lists.size()) ++cutShort;

        ExpectConsistent(path);
        THistory history(path, HistoryToday());
        EXPECT_TRUE(history.Notice().empty());
        const std::size_t now = history.Lists().size();
        // The lists that said so are there; one more may have committed before it could say.
        EXPECT_GE(now, recorded + committed);
        EXPECT_LE(now, recorded + committed + 1);
        recorded = now;
    }
    EXPECT_GT(cutShort, 0);
}

TEST(Durability, TwoWritersAtOnceLoseNothing) {
    TempDir dir;
    const std::string path = dir.File("history.sqlite");
    // The same appointments in both processes' lists, so that they meet on the same rows.
    const auto lists = DailyLists("SHARED ", 4, 1500);
    const pid_t first = RecordInChild(path, lists, "first-", -1);
    const pid_t second = RecordInChild(path, lists, "second-", -1);
    for (pid_t child : {first, second}) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    ExpectConsistent(path);
    THistory history(path, HistoryToday());
    EXPECT_EQ(history.Lists().size(), 8u);
    RawDb raw(path);
    EXPECT_EQ(raw.Int("SELECT count(*) FROM list_rows"), 8 * 1500);
}

} // namespace
} // namespace orq::testing
