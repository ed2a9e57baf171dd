// Reading input files: only regular files, never blocking, within a size limit. Creating files:
// whole or not at all.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/error.h"
#include "base/file.h"
#include "support/temp_dir.h"

namespace orq {
namespace {

using testing::TempDir;

std::string Write(const TempDir& dir, const std::string& name, const std::string& content) {
    const std::string path = dir.File(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string Text(const TFileBytes& bytes) {
    return {reinterpret_cast<const char*>(bytes.View().data()), bytes.View().size()};
}

// The message ReadRegularFile fails with, or "" when it reads the file.
std::string FailureOf(const std::string& path, std::uint64_t limit = kMaxInputFileSize) {
    try {
        ReadRegularFile(path, limit);
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

TEST(ReadRegularFile, ReadsTheWholeFile) {
    TempDir dir;
    EXPECT_EQ(Text(ReadRegularFile(Write(dir, "a.txt", "line 1\nline 2\n"))), "line 1\nline 2\n");
    EXPECT_EQ(Text(ReadRegularFile(Write(dir, "empty", ""))), "");
    // Large enough for the huge-page buffer.
    const std::string big(5 << 20, 'x');
    EXPECT_EQ(ReadRegularFile(Write(dir, "big", big)).Size(), big.size());
}

TEST(ReadRegularFile, RefusesWhatIsNoRegularFileWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir.File("pipe.xls");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // No writer ever opens the FIFO: a blocking open would wait here for ever.
    EXPECT_EQ(FailureOf(fifo), "The file \"" + fifo + "\" is invalid");
    EXPECT_EQ(FailureOf(dir.Path().string()),
              "The file \"" + dir.Path().string() + "\" is invalid");
    EXPECT_EQ(FailureOf("/dev/zero"), "The file \"/dev/zero\" is invalid");
    EXPECT_EQ(FailureOf(dir.File("missing.xls")), "No such file or directory");
}

TEST(ReadRegularFile, AFileThatCannotBeOpenedGivesTheSystemsReason) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempDir dir;
    const std::string path = Write(dir, "locked.xls", "secret");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    EXPECT_EQ(FailureOf(path), "Permission denied");
}

TEST(ReadRegularFile, SizeLimit) {
    TempDir dir;
    const std::string path = Write(dir, "ten", "0123456789");
    EXPECT_EQ(FailureOf(path, 10), "");
    EXPECT_EQ(FailureOf(path, 9), "Can't read file \"" + path + "\"");
    EXPECT_EQ(Text(ReadRegularFile(path, 4, TOversize::ReadHead)), "0123");
    // A sparse file of 5 GB is refused before anything is allocated for it.
    const std::string huge = dir.File("huge.xls");
    {
        const int fd = ::open(huge.c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{5} << 30), 0);
        ::close(fd);
    }
    EXPECT_EQ(FailureOf(huge), "Can't read file \"" + huge + "\"");
}

// The bytes of a file, as text.
std::string Contents(const std::string& path) {
    return Text(ReadRegularFile(path));
}

TEST(TNewFile, AppearsWholeOnCommitAndOnlyThen) {
    TempDir dir;
    const std::string path = dir.File("out.xls");
    const std::string text = "0123456789";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    {
        TNewFile file(path, false);
        EXPECT_EQ(dir.Count(), 1u); // only the hidden temporary file
        file.Commit(bytes);
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.xls"});
        // A second commit is refused and leaves the file as it is.
        EXPECT_THROW(file.Commit(bytes), Error);
    }
    EXPECT_EQ(Contents(path), text);
    { TNewFile abandoned(dir.File("other.xls"), false); }
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.xls"});
}

TEST(TNewFile, ReplacesAnExistingFileOnlyWithOverwrite) {
    TempDir dir;
    const std::string path = Write(dir, "out.xls", "old");
    try {
        TNewFile refused(path, false);
        ADD_FAILURE() << "an existing file was accepted";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Can't create file \"" + path + "\": File exists");
    }
    EXPECT_EQ(Contents(path), "old");
    TNewFile file(path, true);
    file.Commit(std::vector<std::uint8_t>{'n', 'e', 'w'});
    EXPECT_EQ(Contents(path), "new");
    EXPECT_EQ(dir.Count(), 1u);
}

// The read end of a pipe that holds `content` and whose writer has gone (the sizes here fit the
// pipe's buffer): standard input given as "-".
int PipeHolding(const std::string& content) {
    int ends[2];
    if (::pipe(ends) != 0) return -1;
    if (::write(ends[1], content.data(), content.size()) != static_cast<ssize_t>(content.size()))
        return -1;
    ::close(ends[1]);
    return ends[0];
}

TEST(ReadToEnd, ReadsAPipeWithinItsLimit) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{40000}}) {
        const std::string content(size, 'x');
        const int fd = PipeHolding(content);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(Text(ReadToEnd(fd, "-", 40000)), content) << size;
        ::close(fd);
    }
    // One byte more than the limit fails, as a file over the limit does.
    const int fd = PipeHolding(std::string(40001, 'x'));
    ASSERT_GE(fd, 0);
    std::string message;
    try {
        ReadToEnd(fd, "-", 40000);
    } catch (const Error& error) {
        message = error.what();
    }
    ::close(fd);
    EXPECT_EQ(message, "Can't read file \"-\"");
}

} // namespace
} // namespace orq
