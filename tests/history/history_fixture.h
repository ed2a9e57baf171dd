#pragma once

// Lists for the history tests: applicant tables built in memory as the loader leaves them, on a
// fixed day, and checks that read the SQLite file directly.

#include <sqlite3.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "domain/dates.h"
#include "domain/state.h"
#include "history/history.h"
#include "history/packed_fields.h"
#include "metrics/pms.h"

namespace orq::testing {

// Wednesday 18 March 2026.
// The bytes of a file (none when it cannot be read).
inline std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline TDateTime HistoryToday() {
    return EncodeDate(2026, 3, 18);
}

// "M/d/yyyy h:mm:ss AM" of a day offset from today.
inline std::string DayText(int offset, const char* time = "9:00:00 AM") {
    return DateToStr(HistoryToday() + offset, TFormatSettings{}) + " " + time;
}

// One appointment of station `rsid`, made `madeOffset` days from today and scheduled two days
// later, not conducted.
inline TAppt MakeAppt(const std::string& rsid, const std::string& name, int madeOffset) {
    TAppt appt;
    appt.Rsid = rsid;
    appt.Rctr = "SMITH, JOHN";
    appt.Name = name;
    appt.Phone = "555-0100";
    appt.Comp = "A";
    appt.AppType = "N";
    appt.PS = "N";
    appt.Sex = "M";
    appt.Ed = "12H";
    appt.LeadSrc = "WEB";
    appt.ApptMade = DayText(madeOffset);
    appt.ApptSch = DayText(madeOffset + 2, "10:00:00 AM");
    appt.NxtAction = "APPOINTMENT-INITIAL";
    return appt;
}

// A list as the loader leaves it: the table, the period and today.
inline TOrqState MakeList(TApptTable appts) {
    TOrqState state;
    state.Today = HistoryToday();
    state.ReferenceDate = state.Today;
    state.ListStart = state.Today;
    state.ListEnd = state.Today - 365;
    for (const TAppt& appt : appts) {
        const TDateTime made = DateOfText(appt.ApptMade, state.Format, state.Today);
        if (made < state.ListStart) state.ListStart = made;
        if (made > state.ListEnd) state.ListEnd = made;
    }
    state.Appts = std::move(appts);
    return state;
}

// A varied list: every component, education group, next action and outcome the PMS rules tell
// apart, over `days` days before today, for two stations and three recruiters.
inline TOrqState MakeVariedList(unsigned seed, int rows, int days = 70) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const char* const stations[] = {"1A2B", "1A2C"};
    const char* const recruiters[] = {"SMITH, JOHN", "DOE, JANE", "ROE, RICHARD"};
    const char* const eds[] = {"", "11M", "11S", "11B", "11E", "109", "11H", "12H", "BA"};
    TApptTable appts;
    for (int i = 0; i < rows; ++i) {
        const int made = -pick(days);
        TAppt appt = MakeAppt(stations[pick(2)], "APPLICANT " + std::to_string(pick(rows)), made);
        appt.Rctr = recruiters[pick(3)];
        appt.Comp = pick(4) == 0 ? "R" : (pick(8) == 0 ? "r" : "A");
        appt.PS = pick(5) == 0 ? "Y" : "N";
        appt.Ed = eds[pick(9)];
        const int scheduled = made + pick(10);
        appt.ApptSch = DayText(scheduled, "1:30:00 PM");
        if (pick(3) == 0 && scheduled < 0) appt.ApptCond = DayText(scheduled, "2:00:00 PM");
        if (pick(3) == 0) appt.ApprovedCond = "Y";
        if (pick(4) == 0) {
            appt.NxtAction = "REVIEW";
            if (pick(3) != 0) appt.NxtActionDate = DayText(made + pick(12) - 2);
        }
        appt.ApptMade = DayText(made, pick(2) ? "9:15:00 AM" : "3:45:00 PM");
        appts.push_back(appt);
    }
    return MakeList(std::move(appts));
}

// An appointment's 27 fields in sheet order and its terminated flag, joined by '|'.
inline std::string Joined(const TAppt& a) {
    std::string text;
    for (const std::string* field :
         {&a.Rsid, &a.Rctr, &a.Name, &a.Phone, &a.Comp, &a.AppType, &a.PS, &a.Sex, &a.Ed,
          &a.LeadSrc, &a.ApptMade, &a.ApptSch, &a.ApptCond})
        text += *field + "|";
    text += std::to_string(a.EST) + "|" + a.TestDate + "|" + std::to_string(a.QT) + "|";
    for (const std::string* field :
         {&a.PhyDate, &a.PULHES, &a.Col19, &a.Col20, &a.NxtAction, &a.NxtActionDate, &a.Col23,
          &a.Dispo, &a.ApprovedMake, &a.ApprovedCond, &a.Col27})
        text += *field + "|";
    return text + (a.Terminated ? "1" : "0");
}

inline history::TListFile FileNamed(const std::string& name) {
    // A digest of the name stands in for the file's: distinct names are distinct files.
    std::string digest(64, '0');
    std::size_t hash = std::hash<std::string>{}(name);
    for (std::size_t i = 0; i < 16; ++i, hash >>= 4)
        digest[i] = "0123456789abcdef"[hash & 15];
    for (std::size_t i = 0; i < name.size() && 16 + 2 * i + 1 < 64; ++i) {
        digest[16 + 2 * i] = "0123456789abcdef"[static_cast<unsigned char>(name[i]) >> 4];
        digest[16 + 2 * i + 1] = "0123456789abcdef"[static_cast<unsigned char>(name[i]) & 15];
    }
    return {"/lists/" + name, digest, 1000};
}

// The file opened directly, for looking at what the history wrote.
class RawDb {
public:
    explicit RawDb(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~RawDb() { sqlite3_close(db_); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    std::string Text(const std::string& sql) const {
        sqlite3_stmt* statement = nullptr;
        std::string result;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(statement, 0);
            if (text != nullptr) result = reinterpret_cast<const char*>(text);
        } else {
            result = std::string("error: ") + sqlite3_errmsg(db_);
        }
        sqlite3_finalize(statement);
        return result;
    }
    std::int64_t Int(const std::string& sql) const { return std::stoll("0" + Text(sql)); }
    // The first column of every row, its bytes as they are.
    std::vector<std::string> Column(const std::string& sql) const {
        sqlite3_stmt* statement = nullptr;
        std::vector<std::string> result;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, 0));
                result.emplace_back(bytes ? bytes : "",
                                    static_cast<std::size_t>(sqlite3_column_bytes(statement, 0)));
            }
        }
        sqlite3_finalize(statement);
        return result;
    }
    // The bytes of the first column of the first row, as they are.
    std::string Blob(const std::string& sql) const {
        sqlite3_stmt* statement = nullptr;
        std::string result;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, 0));
            if (bytes != nullptr)
                result.assign(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, 0)));
        }
        sqlite3_finalize(statement);
        return result;
    }
    void Exec(const std::string& sql) const {
        sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    }

private:
    sqlite3* db_ = nullptr;
};

} // namespace orq::testing
