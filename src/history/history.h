#pragma once

// The history: every processing list recorded adds to one SQLite file of the lists and their
// appointments, from which the weeks of a station (or of all stations, or of one recruiter) are
// counted with the metrics' own PMS rules.
//
// What is kept
//   lists      one row per list recorded: its file, SHA-256 digest, size, period, rows and when
//              it was recorded. The same file (by digest) is recorded once.
//   appts      one row per appointment, identified by its natural key (below); it points at the
//              version of the latest list that holds it.
//   versions   the appointment's fields as a list had them (all 27 columns as loaded and the
//              terminated flag, packed in one blob: packed_fields.h; and the scheduled and
//              next-action days). A list that holds an appointment unchanged shares the version
//              of the list before it.
//   list_rows  which version of which appointment each list holds.
//
// The natural key of an appointment is its station (Rsid), the applicant's name, the day its
// appointment was made and the time text after that date (ApptMade split in two, so that the key
// does not depend on the short date format), and an occurrence number: the n-th row of one list
// with the same station, name and ApptMade gets occurrence n, so two rows of one list are never
// merged. The recruiter, phone, schedule and everything else may change from one list to the next
// without making a new appointment. An appointment held by several lists keeps the version of the
// latest of them: the one with the latest period end, then the latest recording time.
//
// Durability: the file is in WAL mode; each list is recorded in one transaction (a process killed
// in the middle loses at most that list); a second process waits for the first one's lock (busy
// timeout); PRAGMA user_version holds the schema version, which opening brings up to date. A file
// of a newer version is refused and left as it is; a damaged file is renamed with the date and a
// new one is started.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "domain/dates.h"
#include "domain/state.h"
#include "metrics/pms.h"

namespace orq::history {

class TDatabase;

// The schema version this program writes.
inline constexpr int kSchemaVersion = 2;
// The file name of the history in the user's data folder.
inline constexpr const char* kHistoryFileName = "history.sqlite";

inline constexpr const char* kMsgHistoryNewer =
    "The history \"%s\" was written by a newer version of ORQ (schema %d); it was left as it is";
inline constexpr const char* kMsgHistorySetAside =
    "The history \"%s\" was damaged; it was set aside as \"%s\" and a new one started";
inline constexpr const char* kMsgHistoryFolder = "Can't create the history folder \"%s\": %s";

// A list's file as recorded: its path, the SHA-256 digest of its bytes and its size.
struct TListFile {
    std::string Path;
    std::string Sha256;
    std::uint64_t Size = 0;
};

// Reads the file (as every input file is read) and takes its digest; the path is made absolute.
TListFile DescribeListFile(const std::string& path);

// One list recorded.
struct TListInfo {
    std::int64_t Id = 0;
    std::string File;
    std::string Sha256;
    std::uint64_t Size = 0;
    TDateTime Start = 0; // the list period (ListStart, ListEnd)
    TDateTime End = 0;
    std::int64_t Rows = 0;
    std::int64_t RecordedMs = 0; // milliseconds since 1970-01-01 UTC
};

struct TRecordResult {
    bool Recorded = false; // false: the same file was recorded before
    std::int64_t ListId = 0;
    std::size_t Added = 0;   // appointments first seen in this list
    std::size_t Updated = 0; // appointments whose stored version is now this list's
    std::size_t Kept = 0;    // appointments a later list holds, kept as that list has them
};

// The PMS counts of one week: [component][metric][group].
using TWeekCounts = std::array<std::array<std::array<std::uint32_t, 3>, 4>, 2>;

struct TWeek {
    TDateTime Monday = 0;
    TWeekCounts Counts{};
    // The component's count of a metric over its three groups.
    std::uint32_t Total(TComponent component, TMetric metric) const;
};

struct TWeekQuery {
    TSelection Selection;          // station and recruiter, as the main window's selectors
    std::optional<TDateTime> From; // the week holding this day is the first (default: the
    std::optional<TDateTime> To;   // first week of the history), this day's the last
};

// The Monday of the week (Monday to Sunday) holding `day`.
TDateTime MondayOf(TDateTime day);

class THistory {
public:
    // Opens the history at `path`, creating it (and its folder, mode 0700; the file 0600) when
    // missing and bringing its schema up to date. A file of a newer schema fails with
    // kMsgHistoryNewer and is not touched. A damaged file is renamed to
    // "<path>.damaged-<today as YYYY-MM-DD>" and a new one is started; Notice() says so.
    THistory(std::string path, TDateTime today);
    ~THistory();
    THistory(const THistory&) = delete;
    THistory& operator=(const THistory&) = delete;

    const std::string& Path() const { return path_; }
    // What the user should be told about the file (a damaged one set aside), or empty.
    const std::string& Notice() const { return notice_; }

    // True when a list with this digest is recorded.
    bool Has(const std::string& sha256);

    // Records the loaded list of `state` (its applicant table and period) as the file `file`, in
    // one transaction. A list recorded before (same digest) is not recorded again. The scheduled
    // and next-action dates that the PMS rules read must convert, or recording fails with the
    // date conversion's message and nothing is written.
    TRecordResult Record(const TListFile& file, const TOrqState& state, std::int64_t recordedMs);

    // The lists recorded, oldest recording first.
    std::vector<TListInfo> Lists();

    // Removes the lists and what only they held; an appointment that other lists hold too goes
    // back to the latest of those lists' versions. Returns the number of lists removed.
    std::size_t Forget(const std::vector<std::int64_t>& listIds);

    // The station ids of the appointments, and every station id with a recruiter name of the
    // stored versions (as pairs), in no particular order.
    std::vector<std::string> Stations();
    std::vector<std::pair<std::string, std::string>> StationRecruiters();

    // The weeks of the appointments the query selects, each counted with the PMS rules against
    // `reference` (today), from the first week to the last with every week between (empty
    // weeks count zero). Nothing recorded and no bounds given: no weeks.
    std::vector<TWeek> Weeks(const TWeekQuery& query, TDateTime reference);

private:
    void Open(TDateTime today);
    void SetAside(TDateTime today);
    void Migrate();
    std::optional<std::int64_t> FindList(const std::string& sha256);
    template <typename Operation> auto Guarded(Operation operation);

    std::string path_;
    TDateTime today_;
    std::unique_ptr<TDatabase> db_;
    std::string notice_;
};

} // namespace orq::history
