// Times the history on real files: recording the largest list into a new history, recording it
// again, building a station's history from a year of daily lists, and the weeks of a year for
// one station from that history. Prints the median and the range of each figure (milliseconds).
//
//   tool_bench_history LARGEST.xls LARGEST_TODAY DAILY_DIR DAILY_TODAY WORK_DIR [--runs N]
//
//   LARGEST.xls  the largest list (bench/make_largest_apl.py), LARGEST_TODAY its day (2008-12-31)
//   DAILY_DIR    a year of daily lists (tool_make_history), DAILY_TODAY their last day; "-"
//                times the largest list only
//   WORK_DIR     where the history files are made (emptied first)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include <time.h>

#include "base/error.h"
#include "history/history.h"
#include "view/main_form.h"
#include "view/trends_form.h"
#include "xls/tavro_import.h"

namespace {

using namespace orq;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// The process's CPU time in milliseconds: the steadier figure on a machine that other work
// shares.
double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void Print(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%-58s median %8.2f ms  (min %.2f, max %.2f, %zu runs)\n", what,
                values[values.size() / 2], values.front(), values.back(), values.size());
}

TDateTime Day(const char* text) {
    TDateTime day = 0;
    if (!TryParseIsoDate(text, day)) {
        std::fprintf(stderr, "not a date: %s\n", text);
        std::exit(2);
    }
    return day;
}

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void Load(const std::string& file, TDateTime today, TOrqState& state) {
    state.Today = today;
    state.ReferenceDate = today;
    TMainView view;
    auto import = xls::TTavroImport::WithOwnAdapter();
    OpenApl(view, state, *import, file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fputs("usage: tool_bench_history LARGEST.xls LARGEST_TODAY DAILY_DIR DAILY_TODAY "
                   "WORK_DIR [--runs N]\n",
                   stderr);
        return 2;
    }
    const std::string largest = argv[1];
    const TDateTime largestToday = Day(argv[2]);
    const std::string daily = argv[3];
    const TDateTime dailyToday = Day(argv[4]);
    const std::filesystem::path work = argv[5];
    const int runs = argc > 7 && std::string(argv[6]) == "--runs" ? std::atoi(argv[7]) : 5;
    try {
        std::filesystem::remove_all(work);
        std::filesystem::create_directories(work);

        TOrqState state;
        Load(largest, largestToday, state);
        std::printf("largest list: %zu rows\n", state.Appts.size());
        std::vector<double> record, again, digest, write, recordCpu, againCpu;
        for (int run = 0; run < runs; ++run) {
            const std::string path =
                (work / ("largest-" + std::to_string(run) + ".sqlite")).string();
            // As File > Open records: the file's digest, the history opened, the list written.
            auto start = Clock::now();
            double cpu = CpuMs();
            {
                const history::TListFile file = history::DescribeListFile(largest);
                digest.push_back(Ms(start));
                history::THistory history(path, largestToday);
                const auto written = Clock::now();
                history.Record(file, state, NowMs());
                write.push_back(Ms(written));
            }
            record.push_back(Ms(start));
            recordCpu.push_back(CpuMs() - cpu);
            start = Clock::now();
            cpu = CpuMs();
            {
                const history::TListFile file = history::DescribeListFile(largest);
                history::THistory history(path, largestToday);
                if (history.Record(file, state, NowMs()).Recorded) std::puts("recorded twice!");
            }
            again.push_back(Ms(start));
            againCpu.push_back(CpuMs() - cpu);
        }
        Print("record the largest list (digest, open, write)", record);
        Print("  of which the file's digest", digest);
        Print("  of which writing the list", write);
        Print("  the same, CPU time", recordCpu);
        Print("record the largest list again (digest, open, found)", again);
        Print("  the same, CPU time", againCpu);

        // As the main window records after File > Open: the digest is taken on a thread of its
        // own while the list loads; timed is what is left after the load.
        std::vector<double> opened, openedCpu, reopened, reopenedCpu;
        for (int run = 0; run < runs; ++run) {
            const std::string path =
                (work / ("opened-" + std::to_string(run) + ".sqlite")).string();
            for (bool second : {false, true}) {
                auto digestTaken =
                    std::async(std::launch::async, history::DescribeListFile, largest);
                TOrqState loaded;
                Load(largest, largestToday, loaded);
                const auto start = Clock::now();
                const double cpu = CpuMs();
                {
                    const history::TListFile file = digestTaken.get();
                    history::THistory history(path, largestToday);
                    if (history.Record(file, loaded, NowMs()).Recorded == second)
                        std::puts("recorded wrongly!");
                }
                (second ? reopened : opened).push_back(Ms(start));
                (second ? reopenedCpu : openedCpu).push_back(CpuMs() - cpu);
            }
        }
        Print("after File > Open: record the largest list (open, write)", opened);
        Print("  the same, CPU time", openedCpu);
        Print("after File > Open: record it again (open, found)", reopened);
        Print("  the same, CPU time", reopenedCpu);

        if (daily == "-") return 0; // the largest list only
        std::vector<std::string> lists;
        for (const auto& entry : std::filesystem::directory_iterator(daily))
            if (entry.path().extension() == ".xls") lists.push_back(entry.path().string());
        std::sort(lists.begin(), lists.end());
        const std::string year = (work / "year.sqlite").string();
        std::vector<double> daySteps, dayCpu;
        std::size_t rows = 0;
        {
            history::THistory history(year, dailyToday);
            auto import = xls::TTavroImport::WithOwnAdapter();
            for (const std::string& list : lists) {
                TOrqState one;
                Load(list, dailyToday, one);
                rows += one.Appts.size();
                const auto start = Clock::now();
                const double cpu = CpuMs();
                history.Record(history::DescribeListFile(list), one, NowMs());
                daySteps.push_back(Ms(start));
                dayCpu.push_back(CpuMs() - cpu);
            }
        }
        std::printf("daily lists: %zu, %zu rows in all, history file %.1f MB\n", lists.size(), rows,
                    static_cast<double>(std::filesystem::file_size(year)) / 1e6);
        Print("record one daily list into the year's history", daySteps);
        Print("  the same, CPU time", dayCpu);

        std::vector<double> weeks, weeksCpu;
        std::size_t count = 0;
        for (int run = 0; run < std::max(runs, 10); ++run) {
            const auto start = Clock::now();
            const double cpu = CpuMs();
            history::THistory history(year, dailyToday);
            history::TWeekQuery query;
            query.Selection.Station = history.Stations().front();
            query.From = dailyToday - 364;
            query.To = dailyToday;
            count = history.Weeks(query, dailyToday).size();
            weeks.push_back(Ms(start));
            weeksCpu.push_back(CpuMs() - cpu);
        }
        std::printf("weeks of a year for one station: %zu weeks\n", count);
        Print("weeks of a year, one station (open, count)", weeks);
        Print("  the same, CPU time", weeksCpu);
        std::vector<double> trends, trendsCpu;
        for (int run = 0; run < std::max(runs, 10); ++run) {
            const auto start = Clock::now();
            const double cpu = CpuMs();
            history::THistory history(year, dailyToday);
            TTrendsView view;
            view.Today = dailyToday;
            view.SpanCombo.Items = {"12 weeks", "26 weeks", "52 weeks", "All weeks"};
            view.SpanCombo.ItemIndex = 2;
            LoadTrends(view, history);
            trends.push_back(Ms(start));
            trendsCpu.push_back(CpuMs() - cpu);
        }
        Print("Trends window state, 52 weeks (open, selectors, weeks)", trends);
        Print("  the same, CPU time", trendsCpu);
    } catch (const Error& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    return 0;
}
