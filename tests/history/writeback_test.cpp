// Asking the disk to start on the history's log while it is written: the log is left as it is
// written, a log that does not exist is left out, and stopping lets the log go at once.

#include <gtest/gtest.h>

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

TEST(Writeback, TheLogIsLeftAsItIsWrittenAndLetGoWhenItStops) {
    TempDir dir;
    const std::string path = dir.File("history.sqlite-wal");
    std::ofstream(path, std::ios::binary) << "start";
    const std::size_t before = OpenFiles();
    std::string written(4 << 20, '\0');
    for (std::size_t i = 0; i < written.size(); ++i)
        written[i] = static_cast<char>(i * 7 + i / 4096);
    {
        const history::TWriteback writeback(path);
#if defined(__linux__)
        EXPECT_TRUE(writeback.Watching());
#endif
        std::ofstream out(path, std::ios::binary | std::ios::app);
        for (std::size_t at = 0; at < written.size(); at += 65536) {
            out.write(written.data() + at, 65536);
            out.flush();
        }
    }
    EXPECT_EQ(OpenFiles(), before);
    written.insert(0, "start");
    EXPECT_TRUE(Bytes(path) == written);
}

TEST(Writeback, NoLogToWatchStartsNothing) {
    TempDir dir;
    const history::TWriteback writeback(dir.File("missing-wal"));
    EXPECT_FALSE(writeback.Watching());
}

} // namespace
} // namespace orq::testing
