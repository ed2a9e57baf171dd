#pragma once

// Starts the disk writing the history's log (the -wal file) while a long write goes on, so that
// the checkpoint that ends it, which syncs the log before copying it into the file, waits for
// less. Nothing is synced here and nothing is changed: the kernel is only asked, every few
// milliseconds on a thread of its own, to begin writing the pages already written. Where the
// system has no such request, this does nothing.
//
// Only the log is ever opened, never the database file itself: closing any descriptor of a file
// lets go of every lock the process holds on it (POSIX locks), SQLite's among them, and another
// process could then take the file for its own and remove the log under this one. SQLite keeps
// no lock on the log.

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace orq::history {

class TWriteback {
public:
    // Watches the log at `logPath` if it exists now.
    explicit TWriteback(const std::string& logPath);
    // Stops the thread (it ends at once) and closes the log.
    ~TWriteback();
    TWriteback(const TWriteback&) = delete;
    TWriteback& operator=(const TWriteback&) = delete;

    bool Watching() const { return fd_ >= 0; }

private:
    void Run();

    int fd_ = -1;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace orq::history
