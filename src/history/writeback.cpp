#include "history/writeback.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>

namespace orq::history {
namespace {

// Often enough that the disk is kept busy while a list of tens of thousands of rows is written
// (some megabytes every few milliseconds); each request costs little when nothing is new.
constexpr std::chrono::milliseconds kInterval{2};

} // namespace

TWriteback::TWriteback(const std::string& logPath) {
#if defined(__linux__)
    fd_ = ::open(logPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd_ >= 0) thread_ = std::thread([this] { Run(); });
#else
    (void)logPath;
#endif
}

TWriteback::~TWriteback() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
}

void TWriteback::Run() {
#if defined(__linux__)
    std::unique_lock lock(mutex_);
    while (!stop_) {
        lock.unlock();
        ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
        lock.lock();
        wake_.wait_for(lock, kInterval, [this] { return stop_; });
    }
#endif
}

} // namespace orq::history
