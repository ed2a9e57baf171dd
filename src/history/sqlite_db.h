#pragma once

// A thin layer over SQLite's C API: one connection, prepared statements with bound values, and
// SQLite's failures turned into the history's messages. A damaged file is told apart from other
// failures (TDamagedFile), so that the history can set it aside.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/error.h"

struct sqlite3;
struct sqlite3_stmt;

namespace orq::history {

// SQLite found the file damaged or not a database at all.
class TDamagedFile : public Error {
public:
    using Error::Error;
};

// Another connection holds the file.
class TBusyFile : public Error {
public:
    using Error::Error;
};

class TDatabase {
public:
    // Opens an existing file for reading and writing (never creates one), with `busyMs` as the
    // time to wait for another process's lock.
    TDatabase(const std::string& path, int busyMs);
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    // Runs statements that return nothing wanted.
    void Exec(const char* sql);
    // The integer the first column of a one-row statement gives.
    std::int64_t QueryInt(const char* sql);
    std::string QueryText(const char* sql);

    std::int64_t LastInsertId() const;
    // The most values one statement may bind.
    int MaxVariables() const;
    const std::string& Path() const { return path_; }
    sqlite3* Handle() const { return db_; }

    // Fails with the history's message for SQLite's result `code` (TDamagedFile for a damaged
    // file, TBusyFile for one another connection holds).
    [[noreturn]] void Raise(int code) const;

private:
    sqlite3* db_ = nullptr;
    std::string path_;
};

// One prepared statement; values are bound by 1-based position.
class TStatement {
public:
    TStatement(TDatabase& db, const char* sql);
    ~TStatement();
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    TStatement& Bind(int index, std::int64_t value);
    TStatement& Bind(int index, std::string_view text);
    // Binds text that stays valid, unchanged, until the statement has run (not copied).
    TStatement& BindStatic(int index, std::string_view text);
    TStatement& BindNull(int index);
    TStatement& BindBlob(int index, std::string_view bytes);
    // Binds bytes that stay valid, unchanged, until the statement has run (not copied).
    TStatement& BindBlobStatic(int index, std::string_view bytes);

    // Runs to the next row: true when there is one, false when done.
    bool Step();
    // Runs a statement that returns no row, then makes it ready to run again.
    void Run();
    void Reset();

    bool IsNull(int column) const;
    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    // The text of a column without copying, valid until the next step.
    std::string_view View(int column) const;
    // The bytes of a blob column without copying, valid until the next step.
    std::string_view BlobView(int column) const;

private:
    TDatabase& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// A transaction that takes the write lock at once (so waiting for another writer happens at the
// start, within the busy time) and rolls back unless committed.
class TTransaction {
public:
    explicit TTransaction(TDatabase& db);
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;
    void Commit();

private:
    TDatabase& db_;
    bool open_ = true;
};

} // namespace orq::history
