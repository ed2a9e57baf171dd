#include "domain/settings.h"

#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/error.h"
#include "base/file.h"
#include "base/file_replace.h"

namespace orq {
namespace {

constexpr std::uint8_t kDefaultMinEst = 31;
constexpr std::size_t kNumberChars = 32;

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// A whole decimal number with an optional sign; false when the token is not one or does not fit
// in 32 bits.
bool ParseWholeNumber(const std::string& token, long long& value) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < token.size() && (token[pos] == '+' || token[pos] == '-'))
        negative = token[pos++] == '-';
    if (pos >= token.size()) return false;
    value = 0;
    for (; pos < token.size(); ++pos) {
        if (token[pos] < '0' || token[pos] > '9') return false;
        value = value * 10 + (token[pos] - '0');
        if (value > 2147483648LL) return false;
    }
    if (negative) value = -value;
    return value <= 2147483647LL;
}

} // namespace

void ReadSettings(const std::string& path, TOrqState& state) {
    state.MinEST = kDefaultMinEst;
    state.FirstRun = false;
    state.ReserveList.clear();

    std::string content;
    try {
        // Only a regular file, opened without blocking; what lies past the limit is not read.
        const TFileBytes bytes = ReadRegularFile(path, kMaxSettingsFileSize, TOversize::ReadHead);
        const auto view = bytes.View();
        content.assign(view.begin(), view.end());
    } catch (const Error&) {
        // A settings file that is missing or cannot be opened (a folder, a FIFO) counts as none.
        state.FirstRun = true;
        return;
    }

    // The minimum EST: the first word after blanks and line ends, as a whole number.
    std::size_t pos = 0;
    while (pos < content.size() &&
           (content[pos] == ' ' || content[pos] == '\t' || IsLineEnd(content[pos])))
        ++pos;
    std::string token;
    while (pos < content.size() && token.size() < kNumberChars &&
           static_cast<unsigned char>(content[pos]) > ' ')
        token += content[pos++];
    long long value = 0;
    if (token.empty()) {
        state.MinEST = 0; // the end of the file reads as 0
    } else if (ParseWholeNumber(token, value)) {
        state.MinEST = static_cast<std::uint8_t>(static_cast<unsigned long long>(value) & 0xFF);
    } // else: a first line that is not a number keeps the default
    // The rest of that line goes.
    while (pos < content.size() && !IsLineEnd(content[pos]))
        ++pos;
    auto skipLineEnd = [&] {
        if (pos < content.size() && content[pos] == '\r') ++pos;
        if (pos < content.size() && content[pos] == '\n') ++pos;
    };
    skipLineEnd();

    // Every further line is one reserve recruiter, empty lines included.
    while (pos < content.size()) {
        std::size_t end = pos;
        while (end < content.size() && !IsLineEnd(content[end]))
            ++end;
        state.ReserveList.push_back(content.substr(pos, end - pos));
        pos = end;
        skipLineEnd();
    }
}

namespace {

// Writes the whole of `content` to `fd`.
bool WriteAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Creates `temporary` as a new file of this process. Whatever stands at that name (a file left
// by an earlier run, or a link planted there) is removed, never followed; a folder there makes
// the write fail.
int CreateTemporary(const std::string& temporary) {
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(temporary.c_str(), kFlags, 0666);
    if (fd < 0 && errno == EEXIST && ::unlink(temporary.c_str()) == 0)
        fd = ::open(temporary.c_str(), kFlags, 0666);
    return fd;
}

} // namespace

bool WriteSettings(const std::string& path, const std::string& estText,
                   const std::vector<std::string>& checkedNames, TOrqState& state) {
    std::string content = estText + "\r\n";
    for (const std::string& name : checkedNames) {
        state.ReserveList.push_back(name);
        content += name + "\r\n";
    }
    // Written beside the file, synced and renamed into place: a failed write keeps the earlier
    // file, and a crash leaves either the earlier file or the new one.
    const std::string temporary = path + ".tmp";
    const int fd = CreateTemporary(temporary);
    if (fd < 0) return false;
    KeepFileMode(fd, path);
    const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncParentFolder(path);
    return true;
}

std::string EstButtonCaption(std::uint8_t minEst) {
    return std::to_string(static_cast<unsigned>(minEst)) + "+ &EST/QT";
}

} // namespace orq
