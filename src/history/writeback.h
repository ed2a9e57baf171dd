#pragma once

// Starts the disk writing the history's files while a long write goes on, so that the
// checkpoint that ends it, which syncs the log (the -wal file) before copying it into the
// database file and then syncs that, waits for less. Nothing is synced here and nothing is
// changed: the kernel is only asked, every few milliseconds on a thread of its own, to begin
// writing the pages already written. Where the system has no such request, this does nothing.
//
// The log is opened for this. The database file never is: closing any descriptor of a file lets
// go of every lock the process holds on it (POSIX locks), SQLite's among them, and another
// process could then take the file for its own and remove the log under this one. A descriptor
// of the database file that the process holds already (SQLite's) is used instead, found by the
// file's identity, and never closed here. SQLite keeps no lock on the log.

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace orq::history {

class TWriteback {
public:
    // Watches the log at `logPath` if it exists now, and the database file at `databasePath` if
    // the process holds it open.
    TWriteback(const std::string& logPath, const std::string& databasePath);
    // Stops the thread (it ends at once) and closes the log.
    ~TWriteback();
    TWriteback(const TWriteback&) = delete;
    TWriteback& operator=(const TWriteback&) = delete;

    bool WatchingLog() const { return log_ >= 0; }
    bool WatchingDatabase() const { return database_ >= 0; }

private:
    void Run();

    int log_ = -1;      // opened here
    int database_ = -1; // the process's own, not closed here
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace orq::history
