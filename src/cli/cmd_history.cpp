// orq-cli history add|lists|weeks|forget: the history of the lists recorded, and its weeks.
//
//   history add FILE... [--history DB]
//   history lists [--history DB] [--json]
//   history weeks [--station RSID] [--recruiter NAME] [--from DATE] [--to DATE] [--history DB]
//                 [--json|--csv]
//   history forget FILE... | --before DATE [--history DB]
//
// DB defaults to history.sqlite in $XDG_DATA_HOME/orq (~/.local/share/orq), the desktop
// program's history.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "base/error.h"
#include "cli/cli.h"
#include "cli/load_list.h"
#include "history/history.h"
#include "history/weeks_table.h"
#include "view/main_form.h"

namespace orq::cli {
namespace {

using history::THistory;

std::string HistoryPath(const Invocation& invocation) {
    if (auto path = invocation.Value("history")) return *path;
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return std::string(data) + "/orq/" + history::kHistoryFileName;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == 0)
        throw UsageError{"no home folder: name the history with --history DB"};
    return std::string(home) + "/.local/share/orq/" + history::kHistoryFileName;
}

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

TDateTime DateOption(const Invocation& invocation, const std::string& name) {
    TDateTime day = 0;
    if (!TryParseIsoDate(*invocation.Value(name), day))
        throw UsageError{"--" + name + " needs a date as YYYY-MM-DD"};
    return day;
}

// Options that only some subcommands take.
void AllowOnly(const Invocation& invocation, const std::string& sub,
               const std::set<std::string>& allowed) {
    for (const char* name : {"station", "recruiter", "from", "to", "csv", "before", "json"})
        if (invocation.Has(name) && !allowed.count(name))
            throw UsageError{"history " + sub + " takes no --" + name};
}

// The history, whose notice (a damaged file set aside, when opening it or on the way) is printed
// on standard error once the command is done.
class TOpenHistory {
public:
    TOpenHistory(const Invocation& invocation, const TOrqState& state, std::ostream& err)
        : history_(HistoryPath(invocation), state.Today), err_(err) {}
    ~TOpenHistory() {
        if (!history_.Notice().empty()) err_ << DisplayText(history_.Notice()) << "\n";
    }
    THistory* operator->() { return &history_; }

private:
    THistory history_;
    std::ostream& err_;
};

int RunAdd(const Invocation& invocation, const std::vector<std::string>& files, std::ostream& out,
           std::ostream& err) {
    if (files.empty()) throw UsageError{"missing FILE"};
    AllowOnly(invocation, "add", {"json"});
    TOrqState start;
    PrepareState(invocation, start);
    TOpenHistory history(invocation, start, err);
    const bool progress = ::isatty(STDERR_FILENO) == 1;
    std::size_t recorded = 0, already = 0;
    std::vector<std::pair<std::string, std::string>> failed;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& file = files[i];
        if (progress)
            err << "\r\033[K[" << (i + 1) << "/" << files.size() << "] " << file << std::flush;
        try {
            const history::TListFile described = history::DescribeListFile(file);
            if (history->Has(described.Sha256)) {
                ++already;
                continue;
            }
            TOrqState state;
            TMainView view;
            LoadList(invocation, file, state, view);
            if (history->Record(described, state, NowMs()).Recorded)
                ++recorded;
            else
                ++already;
        } catch (...) {
            // A list that cannot be read or recorded is named at the end; the others go on.
            failed.emplace_back(file, FailureMessage(std::current_exception()));
        }
    }
    if (progress) err << "\r\033[K" << std::flush;
    for (const auto& [file, message] : failed)
        err << file << ": " << message << "\n";
    if (invocation.Json()) {
        out << "{\"recorded\": " << recorded << ", \"already_recorded\": " << already
            << ", \"failed\": [";
        for (std::size_t i = 0; i < failed.size(); ++i)
            out << (i ? ", " : "") << "{\"file\": " << JsonString(failed[i].first)
                << ", \"message\": " << JsonString(failed[i].second) << "}";
        out << "]}\n";
    } else {
        out << recorded << " recorded, " << already << " already recorded, " << failed.size()
            << " failed\n";
    }
    return failed.empty() ? kOk : kFailure;
}

std::string Period(const history::TListInfo& list) {
    return history::IsoDate(list.Start) + "/" + history::IsoDate(list.End);
}

int RunLists(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    AllowOnly(invocation, "lists", {"json"});
    TOrqState state;
    PrepareState(invocation, state);
    TOpenHistory history(invocation, state, err);
    const auto lists = history->Lists();
    if (invocation.Json()) {
        out << "{\"lists\": [";
        for (std::size_t i = 0; i < lists.size(); ++i) {
            const auto& list = lists[i];
            out << (i ? ",\n  " : "\n  ") << "{\"file\": " << JsonString(list.File)
                << ", \"sha256\": " << JsonString(list.Sha256)
                << ", \"period\": " << JsonString(Period(list)) << ", \"rows\": " << list.Rows
                << ", \"recorded\": " << JsonString(history::IsoTimeUtc(list.RecordedMs)) << "}";
        }
        out << "]}\n";
        return kOk;
    }
    for (const auto& list : lists)
        out << list.File << "\t" << list.Sha256 << "\t" << Period(list) << "\t" << list.Rows << "\t"
            << history::IsoTimeUtc(list.RecordedMs) << "\n";
    return kOk;
}

std::string JsonFigures(const history::TWeekFigures& figures) {
    return "{\"made\": " + std::to_string(figures.Made) +
           ", \"approved\": " + std::to_string(figures.Approved) +
           ", \"no_show\": " + std::to_string(figures.NoShow) +
           ", \"bad\": " + std::to_string(figures.Bad) + "}";
}

int RunWeeks(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    AllowOnly(invocation, "weeks", {"station", "recruiter", "from", "to", "csv", "json"});
    TOrqState state;
    PrepareState(invocation, state);
    history::TWeekQuery query;
    query.Selection.Station = invocation.Value("station");
    query.Selection.Recruiter = invocation.Value("recruiter");
    if (invocation.Has("from")) query.From = DateOption(invocation, "from");
    if (invocation.Has("to")) query.To = DateOption(invocation, "to");
    if (query.From && query.To && *query.To < *query.From)
        throw UsageError{"--to is before --from"};
    TOpenHistory history(invocation, state, err);
    const auto weeks = history->Weeks(query, state.Today);

    if (invocation.Has("csv")) {
        out << history::WeeksCsv(weeks);
        return kOk;
    }
    if (invocation.Json()) {
        static const char* const kGroups[] = {"grad", "senior", "other"};
        out << "{\"weeks\": [";
        for (std::size_t i = 0; i < weeks.size(); ++i) {
            const auto& week = weeks[i];
            out << (i ? ",\n  " : "\n  ")
                << "{\"week\": " << JsonString(history::IsoDate(week.Monday))
                << ", \"ra\": " << JsonFigures(history::FiguresOf(week, kRA))
                << ", \"ar\": " << JsonFigures(history::FiguresOf(week, kAR)) << ", \"groups\": {";
            for (TComponent component : {kRA, kAR}) {
                out << (component == kRA ? "\"ra\": {" : ", \"ar\": {");
                for (TEdGroup group : {kGrad, kSenior, kOther})
                    out << (group == kGrad ? "" : ", ") << "\"" << kGroups[group]
                        << "\": " << JsonFigures(history::FiguresOf(week, component, group));
                out << "}";
            }
            out << "}}";
        }
        out << "]}\n";
        return kOk;
    }
    const auto& header = history::WeeksTableHeader();
    for (std::size_t i = 0; i < header.size(); ++i)
        out << (i ? "\t" : "") << header[i];
    out << "\n";
    for (const auto& week : weeks) {
        const auto row = history::WeeksTableRow(week, history::IsoDate(week.Monday),
                                                state.Format.decimalSeparator, "%");
        for (std::size_t i = 0; i < row.size(); ++i)
            out << (i ? "\t" : "") << row[i];
        out << "\n";
    }
    return kOk;
}

bool IsDigest(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

int RunForget(const Invocation& invocation, const std::vector<std::string>& files,
              std::ostream& out, std::ostream& err) {
    AllowOnly(invocation, "forget", {"before"});
    if (files.empty() == !invocation.Has("before"))
        throw UsageError{"name the lists to forget: FILE... or --before DATE"};
    TOrqState state;
    PrepareState(invocation, state);
    std::optional<TDateTime> before;
    if (invocation.Has("before")) before = DateOption(invocation, "before");
    TOpenHistory history(invocation, state, err);
    const auto lists = history->Lists();
    std::vector<std::int64_t> ids;
    if (before) {
        for (const auto& list : lists)
            if (list.End < *before) ids.push_back(list.Id);
    }
    // A file is found by its content when it can be read, else by the name it was recorded
    // under (the whole path, or the file name alone) or by its digest.
    for (const std::string& file : files) {
        std::string digest;
        std::error_code error;
        if (IsDigest(file)) {
            digest = file;
        } else if (std::filesystem::is_regular_file(file, error)) {
            try {
                digest = history::DescribeListFile(file).Sha256;
            } catch (const Error&) {
            }
        }
        const std::string absolute =
            std::filesystem::absolute(file, error).lexically_normal().string();
        std::size_t found = 0;
        for (const auto& list : lists) {
            const bool byName =
                digest.empty() &&
                (list.File == absolute || std::filesystem::path(list.File).filename() == file);
            if (list.Sha256 == digest || byName) {
                ids.push_back(list.Id);
                ++found;
            }
        }
        if (found == 0) {
            err << "\"" << file << "\" is not in the history\n";
            return kFailure;
        }
    }
    const std::size_t removed = history->Forget(ids);
    out << removed << (removed == 1 ? " list forgotten\n" : " lists forgotten\n");
    return kOk;
}

int RunHistory(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    const std::string& sub = invocation.positional[0];
    const std::vector<std::string> rest(invocation.positional.begin() + 1,
                                        invocation.positional.end());
    if (sub == "add") return RunAdd(invocation, rest, out, err);
    if (!rest.empty() && sub != "forget") throw UsageError{"unexpected argument " + rest.front()};
    if (sub == "lists") return RunLists(invocation, out, err);
    if (sub == "weeks") return RunWeeks(invocation, out, err);
    if (sub == "forget") return RunForget(invocation, rest, out, err);
    throw UsageError{"unknown history command '" + sub + "'"};
}

const Registration registration{Command{
    "history",
    "history add FILE... [--history DB]\n"
    "  history lists [--history DB] [--json]\n"
    "  history weeks [--station RSID] [--recruiter NAME] [--from DATE] [--to DATE] "
    "[--history DB] [--json|--csv]\n"
    "  history forget FILE... | --before DATE [--history DB]",
    {"SUBCOMMAND", "[FILE...]"},
    {{"history", true},
     {"station", true},
     {"recruiter", true},
     {"from", true},
     {"to", true},
     {"before", true},
     {"csv", false}},
    RunHistory,
}};

} // namespace
} // namespace orq::cli
