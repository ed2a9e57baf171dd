#include "history/history.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "base/file.h"
#include "history/packed_fields.h"
#include "history/sha256.h"
#include "history/sqlite_db.h"
#include "history/weeks_table.h"
#include "history/writeback.h"

namespace orq::history {
namespace {

// How long a second process waits for the first one's write lock. Recording the largest list
// takes a fraction of a second; this leaves room for a slow disk.
constexpr int kBusyMs = 15000;

constexpr const char* kMsgNotAValidDate = "'%s' is not a valid date";

// How long the log may grow before a commit copies it into the file.
constexpr std::int64_t kCheckpointBytes = std::int64_t{16} << 20;

// Version 1: the lists, the appointments and each version's fields in columns of their own.
constexpr const char* kVersion1Schema = R"sql(
CREATE TABLE lists (
    id INTEGER PRIMARY KEY,
    file TEXT NOT NULL,
    sha256 TEXT NOT NULL UNIQUE,
    size INTEGER NOT NULL,
    period_start INTEGER NOT NULL,   -- days since 1899-12-30
    period_end INTEGER NOT NULL,
    rows INTEGER NOT NULL,
    recorded INTEGER NOT NULL        -- milliseconds since 1970-01-01 UTC
);
CREATE TABLE appts (
    id INTEGER PRIMARY KEY,
    station TEXT NOT NULL,
    made_day INTEGER NOT NULL,
    name TEXT NOT NULL,
    made_time TEXT NOT NULL,
    occurrence INTEGER NOT NULL,
    version INTEGER NOT NULL,        -- seq of the version of the latest list holding it
    list INTEGER NOT NULL,           -- that list
    versions INTEGER NOT NULL        -- the highest seq given so far
);
-- The natural key is (station, made_day, name, made_time, occurrence); recording keeps it unique
-- inside its write transaction. The index serves that and the weeks of a station.
CREATE INDEX appts_station_day ON appts (station, made_day);
CREATE TABLE versions (
    id INTEGER PRIMARY KEY,          -- appt * 2^20 + seq
    appt INTEGER NOT NULL,
    seq INTEGER NOT NULL,
    rsid TEXT NOT NULL, rctr TEXT NOT NULL, name TEXT NOT NULL, phone TEXT NOT NULL,
    comp TEXT NOT NULL, app_type TEXT NOT NULL, ps TEXT NOT NULL, sex TEXT NOT NULL,
    ed TEXT NOT NULL, lead_src TEXT NOT NULL, appt_made TEXT NOT NULL, appt_sch TEXT NOT NULL,
    appt_cond TEXT NOT NULL, est INTEGER NOT NULL, test_date TEXT NOT NULL, qt INTEGER NOT NULL,
    phy_date TEXT NOT NULL, pulhes TEXT NOT NULL, col19 TEXT NOT NULL, col20 TEXT NOT NULL,
    nxt_action TEXT NOT NULL, nxt_action_date TEXT NOT NULL, col23 TEXT NOT NULL,
    dispo TEXT NOT NULL, approved_make TEXT NOT NULL, approved_cond TEXT NOT NULL,
    col27 TEXT NOT NULL, terminated INTEGER NOT NULL,
    sch_day INTEGER,                 -- the day of appt_sch; NULL when it does not convert
    nxt_day INTEGER                  -- the day of nxt_action_date; NULL when it does not convert
);
CREATE TABLE list_rows (
    appt INTEGER NOT NULL,
    list INTEGER NOT NULL,
    seq INTEGER NOT NULL,
    PRIMARY KEY (appt, list)
) WITHOUT ROWID;
)sql";

// The columns of a version in schema version 1, which kept each field in a column of its own.
constexpr const char* kVersion1Columns =
    "rsid, rctr, name, phone, comp, app_type, ps, sex, ed, lead_src, appt_made, appt_sch, "
    "appt_cond, est, test_date, qt, phy_date, pulhes, col19, col20, nxt_action, "
    "nxt_action_date, col23, dispo, approved_make, approved_cond, col27, terminated, sch_day, "
    "nxt_day";

// A record's fields with its two stored days (none: the text does not convert).
struct TVersion {
    const TAppt* Appt = nullptr;
    std::optional<std::int64_t> Scheduled;
    std::optional<std::int64_t> NextAction;
};

std::optional<std::int64_t> DayOfText(const std::string& text, const TOrqState& state) {
    TDateTime day = 0;
    if (!TryStrToDate(GetDateView(text), state.Format, state.Today, day)) return std::nullopt;
    return static_cast<std::int64_t>(day);
}

void BindDay(TStatement& statement, int index, const std::optional<std::int64_t>& day) {
    if (day)
        statement.Bind(index, *day);
    else
        statement.BindNull(index);
}

std::optional<std::int64_t> ReadDay(const TStatement& statement, int column) {
    if (statement.IsNull(column)) return std::nullopt;
    return statement.Int(column);
}

// The PMS rules for a stored version: the days come from the version; one the rules need but that
// did not convert fails as the date conversion does.
template <typename Counters>
void CountVersion(Counters& counters, const TAppt& appt, const std::optional<std::int64_t>& sch,
                  const std::optional<std::int64_t>& nxt, TDateTime reference) {
    CountPMSRecord(
        counters, appt, reference,
        [&] {
            if (!sch) Fail(kMsgNotAValidDate, getdate(appt.ApptSch));
            return static_cast<TDateTime>(*sch);
        },
        [&] {
            if (!nxt) Fail(kMsgNotAValidDate, getdate(appt.NxtActionDate));
            return static_cast<TDateTime>(*nxt);
        });
}

// Reads a stored version's packed fields; fields that do not read make the file a damaged one.
void ReadStoredFields(const TDatabase& db, std::string_view packed, TFieldViews& fields) {
    if (!ReadFields(packed, fields))
        throw TDamagedFile(Format("The history \"%s\" is damaged: %s", db.Path(),
                                  std::string("a stored appointment does not read")));
}

// Version 2: a version's fields packed in one blob, which a list of tens of thousands of rows
// writes with a few values a row instead of thirty.
void PackVersionFields(TDatabase& db) {
    db.Exec(R"sql(
CREATE TABLE packed_versions (
    id INTEGER PRIMARY KEY,          -- appt * 2^20 + seq
    appt INTEGER NOT NULL,
    seq INTEGER NOT NULL,
    fields BLOB NOT NULL,            -- the 27 columns and the terminated flag (packed_fields.h)
    sch_day INTEGER,                 -- the day of ApptSch; NULL when it does not convert
    nxt_day INTEGER                  -- the day of NxtActionDate; NULL when it does not convert
);
)sql");
    {
        TStatement read(db, (std::string("SELECT id, appt, seq, ") + kVersion1Columns +
                             " FROM versions ORDER BY id")
                                .c_str());
        TStatement write(db, "INSERT INTO packed_versions (id, appt, seq, fields, sch_day, "
                             "nxt_day) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        TAppt appt;
        std::string packed;
        while (read.Step()) {
            // The 27 columns in sheet order from column 3 on; EST and QT are numbers.
            int column = 3;
            for (std::string* text : {&appt.Rsid, &appt.Rctr, &appt.Name, &appt.Phone, &appt.Comp,
                                      &appt.AppType, &appt.PS, &appt.Sex, &appt.Ed, &appt.LeadSrc,
                                      &appt.ApptMade, &appt.ApptSch, &appt.ApptCond}) {
                *text = read.View(column++);
            }
            appt.EST = static_cast<std::uint8_t>(read.Int(column++));
            appt.TestDate = read.View(column++);
            appt.QT = static_cast<std::uint8_t>(read.Int(column++));
            for (std::string* text :
                 {&appt.PhyDate, &appt.PULHES, &appt.Col19, &appt.Col20, &appt.NxtAction,
                  &appt.NxtActionDate, &appt.Col23, &appt.Dispo, &appt.ApprovedMake,
                  &appt.ApprovedCond, &appt.Col27}) {
                *text = read.View(column++);
            }
            appt.Terminated = read.Int(column++) != 0;
            packed.clear();
            PackFields(appt, packed);
            write.Bind(1, read.Int(0)).Bind(2, read.Int(1)).Bind(3, read.Int(2));
            write.BindBlob(4, packed);
            BindDay(write, 5, ReadDay(read, column));
            BindDay(write, 6, ReadDay(read, column + 1));
            write.Run();
        }
    }
    db.Exec("DROP TABLE versions; ALTER TABLE packed_versions RENAME TO versions");
}

// The schema, one step per version: step n brings a file of version n to version n + 1.
using TMigration = void (*)(TDatabase&);
const TMigration kMigrations[] = {
    [](TDatabase& db) { db.Exec(kVersion1Schema); },
    PackVersionFields,
};
static_assert(std::size(kMigrations) == kSchemaVersion);

// The row id of version `seq` of appointment `appt`: the versions of one appointment lie together
// and a new appointment's first version goes at the end of the table.
constexpr std::int64_t kVersionsPerAppt = std::int64_t{1} << 20;
std::int64_t VersionId(std::int64_t appt, std::int64_t seq) {
    if (seq >= kVersionsPerAppt) Fail("An appointment of the history has too many versions");
    return appt * kVersionsPerAppt + seq;
}

// Which of two lists is the later: period end, then recording time, then the order recorded.
struct TListOrder {
    std::int64_t End = 0;
    std::int64_t Recorded = 0;
    std::int64_t Id = 0;
    bool operator<(const TListOrder& other) const {
        return std::tie(End, Recorded, Id) < std::tie(other.End, other.Recorded, other.Id);
    }
};

// The natural key of an appointment without its occurrence; the texts are the list's own.
struct TKeyView {
    std::string_view Station, Name, Time; // Time: ApptMade after its date
    std::int64_t Day = 0;                 // ApptMade's date
    bool operator==(const TKeyView&) const = default;

    // FNV-1a over the texts (each ended by its length) and the day.
    std::uint64_t Hash() const {
        std::uint64_t hash = 14695981039346656037ull;
        auto add = [&hash](std::uint64_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
        for (const std::string_view text : {Station, Name, Time}) {
            for (const char c : text)
                add(static_cast<unsigned char>(c));
            add(text.size());
        }
        add(static_cast<std::uint64_t>(Day));
        return hash;
    }
};

// The fields of every row of a list, packed one after the other in list order.
struct TPackedRows {
    std::string Bytes;
    std::vector<std::size_t> Ends; // where each row's fields end

    explicit TPackedRows(const TApptTable& appts) {
        // Room for rows of some 250 bytes packed (longer ones grow it as needed); pages that
        // are not written are not taken.
        Bytes.reserve(appts.size() * 256);
        Ends.reserve(appts.size());
        for (const TAppt& appt : appts) {
            PackFields(appt, Bytes);
            Ends.push_back(Bytes.size());
        }
    }
    std::size_t Offset(std::size_t row) const { return row ? Ends[row - 1] : 0; }
    std::size_t Size(std::size_t row) const { return Ends[row] - Offset(row); }
    std::string_view Fields(std::size_t row) const {
        return std::string_view(Bytes).substr(Offset(row), Size(row));
    }
};

// The keys of one list while it is recorded: the occurrences of each key in list order, and the
// appointments stored before with those keys. The keys are the list's (`keys`, which must
// outlive this), held in an open-addressing table of slots.
class TKnownAppts {
public:
    // An appointment stored before: its id, its current version and list, its highest seq.
    struct TKnown {
        std::int64_t Id = 0, Seq = 0, List = 0, Highest = 0;
        std::int64_t Occurrence = 0;
        std::int32_t Next = -1; // the next of the same key, or -1
    };

    explicit TKnownAppts(const std::vector<TKeyView>& keys) : keys_(keys) {
        std::size_t size = 16;
        while (size < 2 * keys.size())
            size *= 2;
        slots_.resize(size);
        slotOfRow_.resize(keys.size());
        stationOfRow_.resize(keys.size());
        std::unordered_map<std::string_view, std::uint32_t> stationIds;
        std::string_view lastStation;
        std::uint32_t station = 0;
        for (std::size_t row = 0; row < keys.size(); ++row) {
            const TKeyView& key = keys[row];
            if (row == 0 || lastStation != key.Station) {
                const auto [found, added] = stationIds.try_emplace(
                    key.Station, static_cast<std::uint32_t>(stations_.size()));
                if (added) stations_.push_back({key.Station, key.Day, key.Day, 0});
                lastStation = key.Station;
                station = found->second;
            }
            stationOfRow_[row] = station;
            TStation& days = stations_[station];
            days.First = std::min(days.First, key.Day);
            days.Last = std::max(days.Last, key.Day);
            std::size_t at = Find(key);
            if (slots_[at].Row < 0) slots_[at].Row = static_cast<std::int32_t>(row);
            slotOfRow_[row] = static_cast<std::uint32_t>(at);
        }
        std::vector<TStation*> byName;
        byName.reserve(stations_.size());
        for (TStation& one : stations_)
            byName.push_back(&one);
        std::sort(byName.begin(), byName.end(),
                  [](const TStation* a, const TStation* b) { return a->Name < b->Name; });
        for (std::size_t rank = 0; rank < byName.size(); ++rank)
            byName[rank]->Rank = static_cast<std::uint32_t>(rank);
    }

    // The place of the station of the list's row `row` among the list's stations in the order
    // of their texts.
    std::uint32_t StationRank(std::size_t row) const { return stations_[stationOfRow_[row]].Rank; }

    // Reads the stored appointments of the list's stations made within its days.
    void ReadStored(TDatabase& db) {
        TStatement stored(db, "SELECT id, made_day, name, made_time, occurrence, version, "
                              "list, versions FROM appts WHERE station = ?1 AND made_day "
                              "BETWEEN ?2 AND ?3");
        for (const TStation& station : stations_) {
            stored.Bind(1, station.Name).Bind(2, station.First).Bind(3, station.Last);
            while (stored.Step()) {
                TSlot& slot = slots_[Find(
                    TKeyView{station.Name, stored.View(2), stored.View(3), stored.Int(1)})];
                if (slot.Row < 0) continue; // not in this list
                known_.push_back({stored.Int(0), stored.Int(5), stored.Int(6), stored.Int(7),
                                  stored.Int(4), slot.First});
                slot.First = static_cast<std::int32_t>(known_.size() - 1);
            }
            stored.Reset();
        }
    }

    // The occurrence of the list's row `row` (rows are taken in list order), and the appointment
    // stored before with its key and that occurrence (nullptr: none).
    std::pair<std::int64_t, const TKnown*> Next(std::size_t row) {
        TSlot& slot = slots_[slotOfRow_[row]];
        const std::int64_t occurrence = ++slot.Seen;
        for (std::int32_t at = slot.First; at >= 0;) {
            const TKnown& known = known_[static_cast<std::size_t>(at)];
            if (known.Occurrence == occurrence) return {occurrence, &known};
            at = known.Next;
        }
        return {occurrence, nullptr};
    }

private:
    struct TSlot {
        std::uint64_t Hash = 0;
        std::int32_t Row = -1;   // the first row of the list with this key; -1: a free slot
        std::int32_t First = -1; // the first stored appointment with this key, or -1
        std::int64_t Seen = 0;   // rows of the list with this key so far
    };

    // The slot of `key`, or the free slot where it would go.
    std::size_t Find(const TKeyView& key) {
        const std::uint64_t hash = key.Hash();
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            TSlot& slot = slots_[at];
            if (slot.Row < 0) {
                slot.Hash = hash;
                return at;
            }
            if (slot.Hash == hash && keys_[static_cast<std::size_t>(slot.Row)] == key) return at;
        }
    }

    // A station of the list: the first and last day of its appointments in the list, and its
    // place in the order of the stations' texts.
    struct TStation {
        std::string_view Name;
        std::int64_t First = 0, Last = 0;
        std::uint32_t Rank = 0;
    };

    const std::vector<TKeyView>& keys_;
    std::vector<TStation> stations_;
    std::vector<std::uint32_t> stationOfRow_;
    std::vector<TSlot> slots_;
    std::vector<std::uint32_t> slotOfRow_;
    std::vector<TKnown> known_;
};

// Inserts rows many to a statement, which spares SQLite a statement's start and end for each
// row. `head` is the statement up to VALUES; each row has `perRow` values, bound from position
// `at` on by bind(statement, at, row), and then the constant SQL text `tail`.
constexpr std::size_t kRowsPerInsert = 64;
template <typename Row, typename BindRow>
void InsertRows(TDatabase& db, const std::string& head, std::span<const Row> rows, int perRow,
                BindRow bind, const std::string& tail = {}) {
    std::string one = "(";
    for (int i = 0; i < perRow; ++i)
        one += i ? ", ?" : "?";
    one += tail + ")";
    auto statementOf = [&](std::size_t count) {
        std::string sql = head;
        for (std::size_t i = 0; i < count; ++i)
            (sql += i ? ", " : "") += one;
        return std::make_unique<TStatement>(db, sql.c_str());
    };
    const std::size_t batch =
        std::min(kRowsPerInsert, static_cast<std::size_t>(db.MaxVariables() / perRow));
    std::unique_ptr<TStatement> full;
    for (std::size_t first = 0; first < rows.size(); first += batch) {
        const std::size_t count = std::min(batch, rows.size() - first);
        std::unique_ptr<TStatement> rest;
        if (count == batch && !full) full = statementOf(batch);
        TStatement& insert = count == batch ? *full : *(rest = statementOf(count));
        for (std::size_t i = 0; i < count; ++i)
            bind(insert, 1 + static_cast<int>(i) * perRow, rows[first + i]);
        insert.Run();
    }
}

// Creates the folders of `folder` that are missing, mode 0700.
void MakeFolders(const std::filesystem::path& folder) {
    if (folder.empty()) return;
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) return;
    MakeFolders(folder.parent_path());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        Fail(kMsgHistoryFolder, folder.string(), std::string(std::strerror(errno)));
}

// Switching a new file to WAL takes it whole for a moment, and SQLite does not wait for that
// lock: a second process opening the same new file at that moment is told the file is busy. It
// tries again for as long as any statement would wait.
std::string SwitchToWal(TDatabase& db) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyMs);
    for (;;) {
        try {
            return db.QueryText("PRAGMA journal_mode=WAL");
        } catch (const TBusyFile&) {
            if (std::chrono::steady_clock::now() >= until) throw;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
}

} // namespace

TListFile DescribeListFile(const std::string& path) {
    // The file is hashed as it is read: it need not be held whole.
    TSha256 digest;
    TListFile file;
    file.Size = ReadRegularFileInPieces(
        path, [&](std::span<const std::uint8_t> piece) { digest.Update(piece); });
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    file.Path = error ? path : absolute.lexically_normal().string();
    file.Sha256 = digest.Hex();
    return file;
}

std::uint32_t TWeek::Total(TComponent component, TMetric metric) const {
    const auto& groups = Counts[component][metric];
    return groups[kGrad] + groups[kSenior] + groups[kOther];
}

TDateTime MondayOf(TDateTime day) {
    // Day 2 (1 January 1900) was a Monday.
    const auto whole = static_cast<std::int64_t>(std::floor(day));
    const std::int64_t offset = ((whole - 2) % 7 + 7) % 7;
    return static_cast<TDateTime>(whole - offset);
}

THistory::THistory(std::string path, TDateTime today) : path_(std::move(path)), today_(today) {
    Open(today);
}

THistory::~THistory() = default;

void THistory::Open(TDateTime today) {
    MakeFolders(std::filesystem::path(path_).parent_path());
    // The file holds applicants' names and phones: only its owner may read it. SQLite gives the
    // journal files the mode of the file.
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) Fail("Can't open the history \"%s\": %s", path_, std::string(std::strerror(errno)));
    ::close(fd);
    try {
        db_ = std::make_unique<TDatabase>(path_, kBusyMs);
        // Reading the version and the schema finds a file that is no database or is damaged.
        const std::int64_t version = db_->QueryInt("PRAGMA user_version");
        db_->QueryInt("SELECT count(*) FROM sqlite_schema");
        if (version > kSchemaVersion) {
            db_.reset();
            Fail(kMsgHistoryNewer, path_, static_cast<int>(version));
        }
        // A new file gets pages of 64 KiB, the largest: a list of tens of thousands of rows
        // then writes a sixteenth of the pages (and of their headers, log frames and splits) it
        // would in 4 KiB ones. A file that has tables keeps the size it has.
        if (version == 0) db_->Exec("PRAGMA page_size=65536");
        if (SwitchToWal(*db_) != "wal")
            Fail("The history \"%s\" failed: %s", path_, std::string("WAL mode is not available"));
        // WAL makes each commit durable against a crash of the program; the disk is synced at
        // checkpoints. A list of tens of thousands of rows touches some twenty megabytes of pages:
        // keep them in memory for the transaction (the cache grows only as far as it is used).
        db_->Exec("PRAGMA synchronous=NORMAL; PRAGMA cache_size=-131072; PRAGMA temp_store=MEMORY");
        // The log is copied into the file (a checkpoint) at the commit that makes it longer than
        // some 16 MiB, whatever the size of the pages: a long list is checkpointed as it is
        // committed, short ones together at the close.
        const std::int64_t pageSize = db_->QueryInt("PRAGMA page_size");
        db_->Exec(("PRAGMA wal_autocheckpoint=" +
                   std::to_string(std::max<std::int64_t>(1, kCheckpointBytes / pageSize)))
                      .c_str());
        Migrate();
    } catch (const TDamagedFile&) {
        db_.reset();
        SetAside(today);
        Open(today);
    }
}

void THistory::SetAside(TDateTime today) {
    std::string aside = path_ + ".damaged-" + IsoDate(today);
    for (int n = 2; std::filesystem::exists(aside); ++n)
        aside = path_ + ".damaged-" + IsoDate(today) + "-" + std::to_string(n);
    std::error_code error;
    std::filesystem::rename(path_, aside, error);
    if (error) Fail("Can't open the history \"%s\": %s", path_, error.message());
    // A write-ahead log left beside the damaged file belongs to it, never to the new one.
    std::filesystem::rename(path_ + "-wal", aside + "-wal", error);
    std::filesystem::remove(path_ + "-shm", error);
    notice_ = Format(kMsgHistorySetAside, path_, aside);
}

void THistory::Migrate() {
    if (db_->QueryInt("PRAGMA user_version") == kSchemaVersion) return;
    TTransaction transaction(*db_);
    // Another process may have brought the file up to date meanwhile.
    std::int64_t version = db_->QueryInt("PRAGMA user_version");
    if (version > kSchemaVersion) Fail(kMsgHistoryNewer, path_, static_cast<int>(version));
    for (; version < kSchemaVersion; ++version) {
        kMigrations[version](*db_);
        db_->Exec(("PRAGMA user_version=" + std::to_string(version + 1)).c_str());
    }
    transaction.Commit();
}

// Runs an operation; when SQLite finds the file damaged on the way, the file is set aside, a new
// one is started and the operation runs again on it.
template <typename Operation> auto THistory::Guarded(Operation operation) {
    try {
        return operation();
    } catch (const TDamagedFile&) {
        db_.reset();
        SetAside(today_);
        Open(today_);
        return operation();
    }
}

std::optional<std::int64_t> THistory::FindList(const std::string& sha256) {
    TStatement find(*db_, "SELECT id FROM lists WHERE sha256 = ?1");
    find.Bind(1, sha256);
    if (!find.Step()) return std::nullopt;
    return find.Int(0);
}

bool THistory::Has(const std::string& sha256) {
    return Guarded([&] { return FindList(sha256).has_value(); });
}

TRecordResult THistory::Record(const TListFile& file, const TOrqState& state,
                               std::int64_t recordedMs) {
    // A list recorded before is found by its digest before anything else is done.
    const std::optional<std::int64_t> recordedBefore =
        Guarded([&] { return FindList(file.Sha256); });
    if (recordedBefore) {
        TRecordResult result;
        result.ListId = *recordedBefore;
        return result;
    }
    // The rows' fields are packed on a thread of their own while the dates are converted and
    // the stored appointments are read.
    auto packAll = [&state] { return TPackedRows(state.Appts); };
    std::future<TPackedRows> packing;
    try {
        packing = std::async(std::launch::async, packAll);
    } catch (const std::system_error&) {
        packing = std::async(std::launch::deferred, packAll); // no thread to be had: in turn
    }
    std::optional<TPackedRows> packedRows;
    auto allFields = [&]() -> const TPackedRows& {
        if (!packedRows) packedRows.emplace(packing.get());
        return *packedRows;
    };
    // The versions of the list, and the failure the PMS rules would meet, before anything is
    // written.
    const std::size_t rows = state.Appts.size();
    std::vector<TVersion> versions(rows);
    std::vector<TKeyView> keys(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        TVersion& version = versions[i];
        const TAppt& appt = state.Appts[i];
        version.Appt = &appt;
        version.Scheduled = DayOfText(appt.ApptSch, state);
        version.NextAction = DayOfText(appt.NxtActionDate, state);
        const std::string_view made = appt.ApptMade;
        keys[i] = {appt.Rsid, appt.Name, made.substr(GetDateView(made).size()),
                   static_cast<std::int64_t>(DateOfText(appt.ApptMade, state.Format, state.Today))};
        TMetricCounters unused{};
        CountPMSRecord(
            unused, appt, state.Today,
            [&] {
                return version.Scheduled ? static_cast<TDateTime>(*version.Scheduled)
                                         : DateOfText(appt.ApptSch, state.Format, state.Today);
            },
            [&] {
                return version.NextAction
                           ? static_cast<TDateTime>(*version.NextAction)
                           : DateOfText(appt.NxtActionDate, state.Format, state.Today);
            });
    }

    return Guarded([&] {
        TRecordResult result;
        TTransaction transaction(*db_);
        // Another process may have recorded it meanwhile.
        if (const auto id = FindList(file.Sha256)) {
            result.ListId = *id;
            return result;
        }
        TStatement insertList(*db_,
                              "INSERT INTO lists (file, sha256, size, period_start, "
                              "period_end, rows, recorded) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        const TListOrder order{static_cast<std::int64_t>(state.ListEnd), recordedMs, 0};
        insertList.Bind(1, file.Path)
            .Bind(2, file.Sha256)
            .Bind(3, static_cast<std::int64_t>(file.Size))
            .Bind(4, static_cast<std::int64_t>(state.ListStart))
            .Bind(5, order.End)
            .Bind(6, static_cast<std::int64_t>(rows))
            .Bind(7, recordedMs);
        insertList.Run();
        const std::int64_t listId = db_->LastInsertId();
        TListOrder ours = order;
        ours.Id = listId;

        std::map<std::int64_t, TListOrder> orders;
        {
            TStatement all(*db_, "SELECT id, period_end, recorded FROM lists");
            while (all.Step())
                orders[all.Int(0)] = {all.Int(1), all.Int(2), all.Int(0)};
        }

        // Every key of the list, with the appointments already stored that this list may hold
        // again: those of its stations made within its days.
        TKnownAppts known(keys);
        known.ReadStored(*db_);

        TStatement readVersion(*db_, "SELECT fields, sch_day, nxt_day FROM versions WHERE id = ?1");
        TStatement setCurrent(
            *db_, "UPDATE appts SET version = ?2, list = ?3, versions = ?4 WHERE id = ?1");

        // The new rows of the three tables, inserted many to a statement at the end: new
        // appointments take the ids after the highest one, as the table would give them.
        struct TNewAppt {
            std::int64_t Id = 0;
            TKeyView Key;
            std::int64_t Occurrence = 0;
            const TVersion* Version = nullptr;
            std::size_t Offset = 0, Size = 0; // its fields in the list's packed rows
        };
        // A new version's fields lie at Offset of the list's packed rows, and of `packed` once
        // gathered.
        struct TNewVersion {
            std::int64_t Id = 0;
            const TVersion* Version = nullptr;
            std::size_t Offset = 0, Size = 0;
        };
        std::vector<TNewAppt> newAppts;
        std::vector<TNewVersion> newVersions;
        std::vector<std::pair<std::int64_t, std::int64_t>> newRows; // appointment, seq
        const TPackedRows& all = allFields();
        // The new appointments in the order of the index on (station, made_day): the place of
        // the station's text, the day, then list order.
        std::vector<std::pair<std::uint64_t, std::uint32_t>> newOrder;
        newRows.reserve(rows);
        std::int64_t lastId = db_->QueryInt("SELECT coalesce(max(id), 0) FROM appts");
        for (std::size_t i = 0; i < rows; ++i) {
            const TVersion& version = versions[i];
            const auto [occurrence, current] = known.Next(i);
            const std::size_t offset = all.Offset(i), size = all.Size(i);
            if (current == nullptr) {
                // Days of dates that convert lie well within 32 bits; the sign bit flipped
                // orders them as unsigned numbers.
                const auto day = static_cast<std::uint32_t>(keys[i].Day) ^ 0x80000000u;
                newOrder.emplace_back(std::uint64_t{known.StationRank(i)} << 32 | day,
                                      static_cast<std::uint32_t>(newAppts.size()));
                newAppts.push_back({0, keys[i], occurrence, &version, offset, size});
                continue;
            }
            std::int64_t highestSeq = current->Highest;
            readVersion.Bind(1, VersionId(current->Id, current->Seq));
            bool same = readVersion.Step();
            if (same) {
                same = readVersion.BlobView(0) == all.Fields(i) &&
                       ReadDay(readVersion, 1) == version.Scheduled &&
                       ReadDay(readVersion, 2) == version.NextAction;
            }
            readVersion.Reset();
            std::int64_t seq = current->Seq;
            if (!same) {
                seq = ++highestSeq;
                newVersions.push_back({VersionId(current->Id, seq), &version, offset, size});
            }
            newRows.emplace_back(current->Id, seq);
            const auto currentOrder = orders.find(current->List);
            const bool later = currentOrder == orders.end() || currentOrder->second < ours;
            if (later || highestSeq != current->Highest) {
                setCurrent.Bind(1, current->Id)
                    .Bind(2, later ? seq : current->Seq)
                    .Bind(3, later ? listId : current->List)
                    .Bind(4, highestSeq);
                setCurrent.Run();
            }
            if (later)
                ++result.Updated;
            else
                ++result.Kept;
        }

        // The new appointments take the ids after the highest one in the order of the index on
        // (station, made_day), so that the index grows in runs (at its end, for a new history)
        // instead of at random places of its pages.
        std::sort(newOrder.begin(), newOrder.end());
        std::vector<TNewAppt> ordered;
        ordered.reserve(newAppts.size());
        for (const auto& [place, index] : newOrder) {
            TNewAppt& appt = ordered.emplace_back(newAppts[index]);
            appt.Id = ++lastId;
            newVersions.push_back({VersionId(appt.Id, 1), appt.Version, appt.Offset, appt.Size});
            newRows.emplace_back(appt.Id, 1);
        }
        newAppts = std::move(ordered);
        result.Added = newAppts.size();
        // In the order of the tables' keys, so that the rows of one page go in together.
        std::sort(newVersions.begin(), newVersions.end(),
                  [](const TNewVersion& a, const TNewVersion& b) { return a.Id < b.Id; });
        // The packed fields are gathered in that order too, so that SQLite reads them one after
        // the other instead of all over the list.
        std::string packed;
        {
            std::size_t bytes = 0;
            for (const TNewVersion& version : newVersions)
                bytes += version.Size;
            packed.reserve(bytes);
            for (TNewVersion& version : newVersions) {
                const std::size_t offset = packed.size();
                packed.append(all.Bytes, version.Offset, version.Size);
                version.Offset = offset;
            }
        }
        // The new appointments' first versions come last (their ids are above all others), in
        // the appointments' order; their key texts are read from those gathered fields, which
        // hold the station, the name and ApptMade as the list has them.
        {
            const std::size_t firstNew = newVersions.size() - newAppts.size();
            TFieldViews fields;
            for (std::size_t i = 0; i < newAppts.size(); ++i) {
                const TNewVersion& version = newVersions[firstNew + i];
                TKeyView& key = newAppts[i].Key;
                if (!ReadFields(std::string_view(packed).substr(version.Offset, version.Size),
                                fields))
                    continue; // (never so: they were packed above) the list's own texts stay
                const std::string_view made = fields.Text[kFieldApptMade];
                key.Station = fields.Text[kFieldRsid];
                key.Name = fields.Text[kFieldName];
                key.Time = made.substr(made.size() - key.Time.size());
            }
        }
        InsertRows(
            *db_,
            "INSERT OR FAIL INTO appts (id, station, made_day, name, made_time, occurrence, "
            "version, list, versions) VALUES ",
            std::span<const TNewAppt>(newAppts), 6,
            [&](TStatement& insert, int at, const TNewAppt& appt) {
                insert.Bind(at, appt.Id)
                    .BindStatic(at + 1, appt.Key.Station)
                    .Bind(at + 2, appt.Key.Day)
                    .BindStatic(at + 3, appt.Key.Name)
                    .BindStatic(at + 4, appt.Key.Time)
                    .Bind(at + 5, appt.Occurrence);
            },
            ", 1, " + std::to_string(listId) + ", 1");
        InsertRows(*db_,
                   "INSERT OR FAIL INTO versions (id, appt, seq, fields, sch_day, nxt_day) "
                   "VALUES ",
                   std::span<const TNewVersion>(newVersions), 6,
                   [&](TStatement& insert, int at, const TNewVersion& row) {
                       insert.Bind(at, row.Id)
                           .Bind(at + 1, row.Id / kVersionsPerAppt)
                           .Bind(at + 2, row.Id % kVersionsPerAppt)
                           .BindBlobStatic(at + 3,
                                           std::string_view(packed).substr(row.Offset, row.Size));
                       BindDay(insert, at + 4, row.Version->Scheduled);
                       BindDay(insert, at + 5, row.Version->NextAction);
                   });
        std::sort(newRows.begin(), newRows.end());
        InsertRows(
            *db_, "INSERT OR FAIL INTO list_rows (appt, seq, list) VALUES ",
            std::span<const std::pair<std::int64_t, std::int64_t>>(newRows), 2,
            [&](TStatement& insert, int at, const std::pair<std::int64_t, std::int64_t>& row) {
                insert.Bind(at, row.first).Bind(at + 1, row.second);
            },
            ", " + std::to_string(listId));
        {
            // The commit writes the list to the log and, the log being long, copies it into the
            // file (the checkpoint), syncing both: the disk starts on them as they are written.
            const TWriteback writeback(path_ + "-wal", path_);
            transaction.Commit();
        }
        result.Recorded = true;
        result.ListId = listId;
        return result;
    });
}

std::vector<TListInfo> THistory::Lists() {
    return Guarded([&] {
        std::vector<TListInfo> lists;
        TStatement all(*db_, "SELECT id, file, sha256, size, period_start, period_end, rows, "
                             "recorded FROM lists ORDER BY recorded, id");
        while (all.Step()) {
            TListInfo info;
            info.Id = all.Int(0);
            info.File = all.Text(1);
            info.Sha256 = all.Text(2);
            info.Size = static_cast<std::uint64_t>(all.Int(3));
            info.Start = static_cast<TDateTime>(all.Int(4));
            info.End = static_cast<TDateTime>(all.Int(5));
            info.Rows = all.Int(6);
            info.RecordedMs = all.Int(7);
            lists.push_back(std::move(info));
        }
        return lists;
    });
}

std::size_t THistory::Forget(const std::vector<std::int64_t>& listIds) {
    return Guarded([&] {
        TTransaction transaction(*db_);
        db_->Exec("CREATE TEMP TABLE IF NOT EXISTS doomed (id INTEGER PRIMARY KEY);"
                  "DELETE FROM temp.doomed");
        {
            TStatement add(*db_, "INSERT OR IGNORE INTO temp.doomed (id) SELECT id FROM lists "
                                 "WHERE id = ?1");
            for (std::int64_t id : listIds) {
                add.Bind(1, id);
                add.Run();
            }
        }
        const auto removed =
            static_cast<std::size_t>(db_->QueryInt("SELECT count(*) FROM temp.doomed"));
        std::vector<std::int64_t> affected;
        {
            TStatement find(*db_, "SELECT DISTINCT appt FROM list_rows WHERE list IN "
                                  "(SELECT id FROM temp.doomed)");
            while (find.Step())
                affected.push_back(find.Int(0));
        }
        db_->Exec("DELETE FROM list_rows WHERE list IN (SELECT id FROM temp.doomed);"
                  "DELETE FROM lists WHERE id IN (SELECT id FROM temp.doomed)");
        TStatement best(*db_, "SELECT r.seq, r.list FROM list_rows r JOIN lists l ON l.id = r.list "
                              "WHERE r.appt = ?1 ORDER BY l.period_end DESC, l.recorded DESC, "
                              "l.id DESC LIMIT 1");
        TStatement dropVersions(*db_, "DELETE FROM versions WHERE id BETWEEN ?1 * 1048576 AND "
                                      "?1 * 1048576 + 1048575");
        TStatement dropAppt(*db_, "DELETE FROM appts WHERE id = ?1");
        TStatement setCurrent(*db_, "UPDATE appts SET version = ?2, list = ?3 WHERE id = ?1");
        TStatement dropUnused(*db_, "DELETE FROM versions WHERE id BETWEEN ?1 * 1048576 AND "
                                    "?1 * 1048576 + 1048575 AND seq NOT IN "
                                    "(SELECT seq FROM list_rows WHERE appt = ?1)");
        for (std::int64_t appt : affected) {
            best.Bind(1, appt);
            if (!best.Step()) {
                best.Reset();
                dropVersions.Bind(1, appt);
                dropVersions.Run();
                dropAppt.Bind(1, appt);
                dropAppt.Run();
                continue;
            }
            const std::int64_t seq = best.Int(0);
            const std::int64_t list = best.Int(1);
            best.Reset();
            setCurrent.Bind(1, appt).Bind(2, seq).Bind(3, list);
            setCurrent.Run();
            dropUnused.Bind(1, appt);
            dropUnused.Run();
        }
        db_->Exec("DELETE FROM temp.doomed");
        transaction.Commit();
        return removed;
    });
}

std::vector<std::string> THistory::Stations() {
    return Guarded([&] {
        std::vector<std::string> stations;
        TStatement all(*db_, "SELECT DISTINCT station FROM appts");
        while (all.Step())
            stations.push_back(all.Text(0));
        return stations;
    });
}

std::vector<std::pair<std::string, std::string>> THistory::StationRecruiters() {
    return Guarded([&] {
        std::map<std::string, std::set<std::string, std::less<>>, std::less<>> recruiters;
        TStatement all(*db_, "SELECT a.station, v.fields FROM appts a JOIN versions v "
                             "ON v.id = a.id * 1048576 + a.version");
        TFieldViews fields;
        while (all.Step()) {
            ReadStoredFields(*db_, all.BlobView(1), fields);
            const std::string_view station = all.View(0);
            auto of = recruiters.find(station);
            if (of == recruiters.end()) of = recruiters.try_emplace(std::string(station)).first;
            const std::string_view rctr = fields.Text[kFieldRctr];
            if (of->second.find(rctr) == of->second.end()) of->second.emplace(rctr);
        }
        std::vector<std::pair<std::string, std::string>> pairs;
        for (const auto& [station, names] : recruiters)
            for (const std::string& name : names)
                pairs.emplace_back(station, name);
        return pairs;
    });
}

std::vector<TWeek> THistory::Weeks(const TWeekQuery& query, TDateTime reference) {
    return Guarded([&] {
        const TSelection& selection = query.Selection;
        std::string sql = "SELECT a.made_day, a.station, v.fields, v.sch_day, v.nxt_day "
                          "FROM appts a JOIN versions v ON v.id = a.id * 1048576 + a.version "
                          "WHERE a.made_day BETWEEN ?1 AND ?2";
        if (selection.Station) sql += " AND a.station = ?3";
        // The weeks asked for, whole: the Monday of the first day to the Sunday of the last.
        const std::int64_t first =
            query.From ? static_cast<std::int64_t>(MondayOf(*query.From)) : INT32_MIN;
        const std::int64_t last =
            query.To ? static_cast<std::int64_t>(MondayOf(*query.To)) + 6 : INT32_MAX;
        TStatement select(*db_, sql.c_str());
        select.Bind(1, first).Bind(2, last);
        if (selection.Station) select.Bind(3, std::string_view(*selection.Station));

        std::map<std::int64_t, TWeekCounts> weeks;
        TAppt appt;
        TFieldViews fields;
        while (select.Step()) {
            ReadStoredFields(*db_, select.BlobView(2), fields);
            appt.Rsid = select.View(1);
            appt.Rctr = fields.Text[kFieldRctr];
            if (!selection.Passes(appt)) continue;
            appt.Comp = fields.Text[kFieldComp];
            appt.PS = fields.Text[kFieldPS];
            appt.Ed = fields.Text[kFieldEd];
            appt.ApprovedCond = fields.Text[kFieldApprovedCond];
            appt.NxtAction = fields.Text[kFieldNxtAction];
            appt.NxtActionDate = fields.Text[kFieldNxtActionDate];
            appt.ApptCond = fields.Text[kFieldApptCond];
            appt.ApptSch = fields.Text[kFieldApptSch];
            const auto monday =
                static_cast<std::int64_t>(MondayOf(static_cast<TDateTime>(select.Int(0))));
            CountVersion(weeks[monday], appt, ReadDay(select, 3), ReadDay(select, 4), reference);
        }

        std::vector<TWeek> result;
        std::int64_t from = query.From ? first : (weeks.empty() ? 0 : weeks.begin()->first);
        std::int64_t to = query.To ? last - 6 : (weeks.empty() ? -1 : weeks.rbegin()->first);
        if ((!query.From || !query.To) && weeks.empty()) return result;
        for (std::int64_t monday = from; monday <= to; monday += 7) {
            TWeek week;
            week.Monday = static_cast<TDateTime>(monday);
            if (auto it = weeks.find(monday); it != weeks.end()) week.Counts = it->second;
            result.push_back(week);
        }
        return result;
    });
}

} // namespace orq::history
