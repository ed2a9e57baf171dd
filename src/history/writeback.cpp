#include "history/writeback.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace orq::history {
namespace {

// Often enough that the disk is kept busy while a list of tens of thousands of rows is written
// (some megabytes every few milliseconds); each request costs little when nothing is new.
constexpr std::chrono::milliseconds kInterval{2};

#if defined(__linux__)
// A descriptor the process holds of the file at `path` (the same device and inode), or -1.
int HeldDescriptor(const std::string& path) {
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) return -1;
    std::error_code error;
    for (std::filesystem::directory_iterator entry("/proc/self/fd", error), last;
         !error && entry != last; entry.increment(error)) {
        char* end = nullptr;
        const std::string name = entry->path().filename().string();
        const long fd = std::strtol(name.c_str(), &end, 10);
        struct stat held {};
        if (end == name.c_str() || *end != '\0' || ::fstat(static_cast<int>(fd), &held) != 0)
            continue;
        if (held.st_dev == file.st_dev && held.st_ino == file.st_ino) return static_cast<int>(fd);
    }
    return -1;
}
#endif

} // namespace

TWriteback::TWriteback(const std::string& logPath, const std::string& databasePath) {
#if defined(__linux__)
    log_ = ::open(logPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    database_ = HeldDescriptor(databasePath);
    try {
        if (log_ >= 0 || database_ >= 0) thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread to be had: the syncs wait as they would without this.
    }
#else
    (void)logPath;
    (void)databasePath;
#endif
}

TWriteback::~TWriteback() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    if (log_ >= 0) ::close(log_);
}

void TWriteback::Run() {
#if defined(__linux__)
    std::unique_lock lock(mutex_);
    while (!stop_) {
        lock.unlock();
        for (const int fd : {log_, database_})
            if (fd >= 0) ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        lock.lock();
        wake_.wait_for(lock, kInterval, [this] { return stop_; });
    }
#endif
}

} // namespace orq::history
