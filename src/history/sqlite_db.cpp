#include "history/sqlite_db.h"

#include <sqlite3.h>

namespace orq::history {
namespace {

constexpr const char* kMsgHistoryFailed = "The history \"%s\" failed: %s";
constexpr const char* kMsgHistoryBusy =
    "The history \"%s\" is in use by another program; try again";
constexpr const char* kMsgHistoryDamaged = "The history \"%s\" is damaged: %s";
constexpr const char* kMsgHistoryCantOpen = "Can't open the history \"%s\": %s";

} // namespace

TDatabase::TDatabase(const std::string& path, int busyMs) : path_(path) {
    const int code =
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        const std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
        sqlite3_close(db_);
        db_ = nullptr;
        Fail(kMsgHistoryCantOpen, path, reason);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, busyMs);
}

TDatabase::~TDatabase() {
    sqlite3_close_v2(db_);
}

void TDatabase::Raise(int code) const {
    const std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    switch (code & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        throw TDamagedFile(Format(kMsgHistoryDamaged, path_, reason));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw TBusyFile(Format(kMsgHistoryBusy, path_));
    default:
        Fail(kMsgHistoryFailed, path_, reason);
    }
}

void TDatabase::Exec(const char* sql) {
    const int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) Raise(code);
}

std::int64_t TDatabase::QueryInt(const char* sql) {
    TStatement statement(*this, sql);
    return statement.Step() ? statement.Int(0) : 0;
}

std::string TDatabase::QueryText(const char* sql) {
    TStatement statement(*this, sql);
    return statement.Step() ? statement.Text(0) : std::string();
}

int TDatabase::MaxVariables() const {
    return sqlite3_limit(db_, SQLITE_LIMIT_VARIABLE_NUMBER, -1);
}

std::int64_t TDatabase::LastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

TStatement::TStatement(TDatabase& db, const char* sql) : db_(db) {
    const int code =
        sqlite3_prepare_v3(db.Handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (code != SQLITE_OK) db.Raise(code);
}

TStatement::~TStatement() {
    sqlite3_finalize(stmt_);
}

TStatement& TStatement::Bind(int index, std::int64_t value) {
    const int code = sqlite3_bind_int64(stmt_, index, value);
    if (code != SQLITE_OK) db_.Raise(code);
    return *this;
}

TStatement& TStatement::Bind(int index, std::string_view text) {
    // SQLite copies the text at once; the bytes are not kept.
    const int code =
        sqlite3_bind_text64(stmt_, index, text.data(), static_cast<sqlite3_uint64>(text.size()),
                            SQLITE_TRANSIENT, SQLITE_UTF8);
    if (code != SQLITE_OK) db_.Raise(code);
    return *this;
}

TStatement& TStatement::BindStatic(int index, std::string_view text) {
    const int code =
        sqlite3_bind_text64(stmt_, index, text.data(), static_cast<sqlite3_uint64>(text.size()),
                            SQLITE_STATIC, SQLITE_UTF8);
    if (code != SQLITE_OK) db_.Raise(code);
    return *this;
}

TStatement& TStatement::BindNull(int index) {
    const int code = sqlite3_bind_null(stmt_, index);
    if (code != SQLITE_OK) db_.Raise(code);
    return *this;
}

TStatement& TStatement::BindBlob(int index, std::string_view bytes) {
    const int code = sqlite3_bind_blob64(
        stmt_, index, bytes.data(), static_cast<sqlite3_uint64>(bytes.size()), SQLITE_TRANSIENT);
    if (code != SQLITE_OK) db_.Raise(code);
    return *this;
}

TStatement& TStatement::BindBlobStatic(int index, std::string_view bytes) {
    const int code = sqlite3_bind_blob64(stmt_, index, bytes.data(),
                                         static_cast<sqlite3_uint64>(bytes.size()), SQLITE_STATIC);
    if (code != SQLITE_OK) db_.Raise(code);
    return *this;
}

bool TStatement::Step() {
    const int code = sqlite3_step(stmt_);
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    sqlite3_reset(stmt_);
    db_.Raise(code);
}

void TStatement::Run() {
    while (Step()) {
    }
    Reset();
}

void TStatement::Reset() {
    // Every run binds all its values anew; text bound without a copy is not used after this.
    sqlite3_reset(stmt_);
}

bool TStatement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t TStatement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string TStatement::Text(int column) const {
    return std::string(View(column));
}

std::string_view TStatement::View(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (text == nullptr) return {};
    return {text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
}

std::string_view TStatement::BlobView(int column) const {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
    if (bytes == nullptr) return {};
    return {bytes, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
}

TTransaction::TTransaction(TDatabase& db) : db_(db) {
    db_.Exec("BEGIN IMMEDIATE");
}

TTransaction::~TTransaction() {
    if (open_) sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void TTransaction::Commit() {
    db_.Exec("COMMIT");
    open_ = false;
}

} // namespace orq::history
