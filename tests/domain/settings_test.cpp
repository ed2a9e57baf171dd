#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "domain/settings.h"

namespace orq {
namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orq-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        path_ = folder_ + "/ORQ.ini";
    }
    void TearDown() override {
        std::remove(path_.c_str());
        std::remove((path_ + ".tmp").c_str());
        rmdir(folder_.c_str());
    }
    void Write(const std::string& content) { std::ofstream(path_, std::ios::binary) << content; }
    std::string Read() {
        std::ifstream file(path_, std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        return content.str();
    }
    std::string folder_, path_;
};

TEST_F(Settings, MissingFileMeansDefaultsAndFirstRun) {
    TOrqState state;
    state.ReserveList = {"stale"};
    ReadSettings(path_, state);
    EXPECT_EQ(state.MinEST, 31);
    EXPECT_TRUE(state.FirstRun);
    EXPECT_TRUE(state.ReserveList.empty());
    EXPECT_EQ(EstButtonCaption(state.MinEST), "31+ &EST/QT");
}

TEST_F(Settings, ReadsTheMinimumEstAndTheReserveNames) {
    struct Case {
        std::string content;
        int minEst;
        std::vector<std::string> reserve;
    };
    const std::vector<Case> cases = {
        {"31\r\nSMITH, JOHN\r\n", 31, {"SMITH, JOHN"}},
        {"", 0, {}}, // an empty file reads as 0
        {"45 and further words\r\nDOE, JANE\r\n", 45, {"DOE, JANE"}},
        {"\r\n\r\n  40\r\nA\r\n\r\nB", 40, {"A", "", "B"}}, // empty lines before the number
        {"300\r\n", 44, {}},                                // modulo 256
        {"-1\r\n", 255, {}},
        {"31\nLF ONLY\nNEXT\n", 31, {"LF ONLY", "NEXT"}},
        {"31", 31, {}},
        {"abc\r\nSMITH, JOHN\r\n", 31, {"SMITH, JOHN"}}, // not a number: the default stays
        {"99999999999\r\n", 31, {}},
        {"31\r\n  padded name  \r\n", 31, {"  padded name  "}},
    };
    for (const Case& c : cases) {
        Write(c.content);
        TOrqState state;
        ReadSettings(path_, state);
        EXPECT_EQ(state.MinEST, c.minEst) << c.content;
        EXPECT_EQ(state.ReserveList, c.reserve) << c.content;
        EXPECT_FALSE(state.FirstRun);
    }
}

TEST_F(Settings, OkWritesTheFileAndAppendsTheCheckedNames) {
    TOrqState state;
    state.ReserveList = {"EARLIER"};
    ASSERT_TRUE(WriteSettings(path_, "40", {"SMITH, JOHN", "DOE, JANE"}, state));
    EXPECT_EQ(Read(), "40\r\nSMITH, JOHN\r\nDOE, JANE\r\n");
    EXPECT_EQ(state.ReserveList, (std::vector<std::string>{"EARLIER", "SMITH, JOHN", "DOE, JANE"}));
    EXPECT_EQ(state.MinEST, 31); // takes effect at the next start

    TOrqState next;
    ReadSettings(path_, next);
    EXPECT_EQ(next.MinEST, 40);
    EXPECT_EQ(next.ReserveList, (std::vector<std::string>{"SMITH, JOHN", "DOE, JANE"}));

    // An existing file is replaced; no temporary file stays behind.
    ASSERT_TRUE(WriteSettings(path_, "31", {}, next));
    EXPECT_EQ(Read(), "31\r\n");
    struct stat info {};
    EXPECT_NE(stat((path_ + ".tmp").c_str(), &info), 0);
}

TEST_F(Settings, AFailedWriteKeepsTheEarlierFile) {
    Write("45\r\nKEEP\r\n");
    // The temporary file cannot be made when a folder stands in its place.
    ASSERT_EQ(mkdir((path_ + ".tmp").c_str(), 0700), 0);
    TOrqState state;
    EXPECT_FALSE(WriteSettings(path_, "40", {"NEW"}, state));
    rmdir((path_ + ".tmp").c_str());
    EXPECT_EQ(Read(), "45\r\nKEEP\r\n");
    EXPECT_FALSE(WriteSettings(folder_ + "/missing/ORQ.ini", "40", {}, state));
}

TEST_F(Settings, OnlyARegularFileIsRead) {
    // A FIFO would block the start for ever waiting for a writer; a device never ends.
    const std::string fifo = folder_ + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), folder_}) {
        TOrqState state;
        state.ReserveList = {"stale"};
        ReadSettings(path, state);
        EXPECT_TRUE(state.FirstRun) << path;
        EXPECT_EQ(state.MinEST, 31) << path;
        EXPECT_TRUE(state.ReserveList.empty()) << path;
    }
    unlink(fifo.c_str());
}

TEST_F(Settings, WhatLiesPastTheSizeLimitIsIgnored) {
    // Line ends only: every one would be a reserve name.
    std::string content = "40\r\nFIRST\r\n";
    content.append(3 * kMaxSettingsFileSize, '\n');
    content += "LAST\r\n";
    Write(content);
    TOrqState state;
    ReadSettings(path_, state);
    EXPECT_EQ(state.MinEST, 40);
    EXPECT_FALSE(state.FirstRun);
    ASSERT_FALSE(state.ReserveList.empty());
    EXPECT_EQ(state.ReserveList.front(), "FIRST");
    EXPECT_LE(state.ReserveList.size(), kMaxSettingsFileSize);
    EXPECT_NE(state.ReserveList.back(), "LAST");
}

TEST_F(Settings, TheWriteNeverFollowsALinkAndKeepsTheFileMode) {
    Write("45\r\n");
    ASSERT_EQ(chmod(path_.c_str(), 0600), 0);
    // A link planted at the temporary name points at a file that must stay as it is.
    const std::string victim = folder_ + "/victim";
    std::ofstream(victim, std::ios::binary) << "untouched";
    ASSERT_EQ(symlink(victim.c_str(), (path_ + ".tmp").c_str()), 0);
    TOrqState state;
    ASSERT_TRUE(WriteSettings(path_, "40", {"NEW"}, state));
    EXPECT_EQ(Read(), "40\r\nNEW\r\n");
    std::ifstream in(victim, std::ios::binary);
    std::stringstream kept;
    kept << in.rdbuf();
    EXPECT_EQ(kept.str(), "untouched");
    struct stat info {};
    ASSERT_EQ(lstat(path_.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_NE(lstat((path_ + ".tmp").c_str(), &info), 0);
    unlink(victim.c_str());
}

} // namespace
} // namespace orq
