// Asking the disk to start on the history's files while they are written: the files are left as
// they are written; the log is opened and let go when it stops, the database file only through
// the descriptor the process holds already, which stays open; files that do not exist or that
// the process does not hold are left out.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "history/writeback.h"
#include "history_fixture.h"
#include "support/temp_dir.h"

namespace orq::testing {
namespace {

std::size_t OpenFiles() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

TEST(Writeback, TheFilesAreLeftAsTheyAreWrittenAndTheHeldDescriptorStaysOpen) {
    TempDir dir;
    const std::string database = dir.File("history.sqlite");
    const std::string log = database + "-wal";
    std::string written(4 << 20, '\0');
    for (std::size_t i = 0; i < written.size(); ++i)
        written[i] = static_cast<char>(i * 7 + i / 4096);
    std::ofstream(log, std::ios::binary) << "log";
    // The process holds the database file open, as SQLite does.
    const int held = ::open(database.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::write(held, "db", 2), 2);
    const std::size_t before = OpenFiles();
    {
        const history::TWriteback writeback(log, database);
#if defined(__linux__)
        EXPECT_TRUE(writeback.WatchingLog());
        EXPECT_TRUE(writeback.WatchingDatabase());
#endif
        std::ofstream out(log, std::ios::binary | std::ios::app);
        for (std::size_t at = 0; at < written.size(); at += 65536) {
            out.write(written.data() + at, 65536);
            out.flush();
            ASSERT_EQ(::write(held, written.data() + at, 65536), 65536);
        }
    }
    EXPECT_EQ(OpenFiles(), before) << "the log is let go, the database file kept";
    EXPECT_NE(::fcntl(held, F_GETFD), -1);
    ::close(held);
    EXPECT_TRUE(Bytes(log) == "log" + written);
    EXPECT_TRUE(Bytes(database) == "db" + written);
}

TEST(Writeback, FilesThatAreMissingOrNotHeldAreLeftOut) {
    TempDir dir;
    const std::string database = dir.File("history.sqlite");
    std::ofstream(database, std::ios::binary) << "not held";
    const std::size_t before = OpenFiles();
    {
        const history::TWriteback writeback(database + "-wal", database);
        EXPECT_FALSE(writeback.WatchingLog());
        EXPECT_FALSE(writeback.WatchingDatabase());
    }
    EXPECT_EQ(OpenFiles(), before);
    EXPECT_EQ(Bytes(database), "not held");
}

} // namespace
} // namespace orq::testing
