// Report building, header-click sorting and the two check lists on a list of the largest size
// the program handles (65,527 data rows, the most a sheet of 65,536 rows holds below its title
// block). The applicant table is made in code, with the spread of a real station's list: several
// stations, a few dozen recruiters, dates around today, every next action and disposition; or,
// with ORQ_LARGEST_APL set, loaded from the list bench/make_largest_apl.py writes.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "domain/dates.h"
#include "domain/loader.h"
#include "domain/state.h"
#include "reports/check_lists.h"
#include "view/print_form.h"
#include "xls/tavro_import.h"

namespace {

using namespace orq;
using namespace orq::reports;

constexpr std::size_t kLargestList = 65527;

std::string DateTimeText(TDateTime day, int minutes, const TFormatSettings& format) {
    const int hour = minutes / 60;
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    return DateToStr(day, format) + " " + std::to_string(hour12) + ":" +
           (minutes % 60 < 10 ? "0" : "") + std::to_string(minutes % 60) + ":00 " +
           (hour < 12 ? "AM" : "PM");
}

TOrqState LargestList() {
    static const std::array<const char*, 12> last = {"SMITH",  "JOHNSON", "WILLIAMS", "BROWN",
                                                     "JONES",  "GARCIA",  "MILLER",   "DAVIS",
                                                     "MARTIN", "LOPEZ",   "O'NEIL",   "NGUYEN"};
    static const std::array<const char*, 10> first = {"JAMES", "MARY",     "ROBERT",  "PATRICIA",
                                                      "JOHN",  "JENNIFER", "MICHAEL", "LINDA",
                                                      "DAVID", "ELIZABETH"};
    static const std::array<const char*, 6> actions = {"REVIEW",   "TEST", "APPOINTMENT-INITIAL",
                                                       "PHYSICAL", "",     "FOLLOW UP"};
    static const std::array<const char*, 5> eds = {"12", "11S", "109", "GED", "14"};
    static const std::array<const char*, 4> sources = {"WALK IN", "REFERRAL", "WEB LEAD",
                                                       "SCHOOL VISIT"};
    TOrqState state;
    state.Today = EncodeDate(2008, 3, 15);
    state.ReferenceDate = state.Today;
    std::mt19937 random(20080315);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    state.Appts.resize(kLargestList);
    for (std::size_t i = 0; i < kLargestList; ++i) {
        TAppt& a = state.Appts[i];
        const int station = pick(8);
        a.Rsid = "1A" + std::to_string(station) + "B";
        a.Rctr = std::string(last[static_cast<std::size_t>(pick(12))]) + ", " +
                 first[static_cast<std::size_t>(station + pick(3))];
        a.Terminated = pick(40) == 0;
        a.Name = std::string(last[static_cast<std::size_t>(pick(12))]) + ", " +
                 first[static_cast<std::size_t>(pick(10))] + " " + std::to_string(i % 997);
        a.Phone = "555-" + std::to_string(1000 + pick(9000));
        a.Comp = pick(4) == 0 ? "R" : "A";
        a.PS = pick(5) == 0 ? "Y" : "N";
        a.Sex = pick(2) ? "M" : "F";
        a.Ed = eds[static_cast<std::size_t>(pick(5))];
        a.LeadSrc = sources[static_cast<std::size_t>(pick(4))];
        const TDateTime made = state.Today - pick(365);
        a.ApptMade = DateTimeText(made, 480 + pick(600), state.Format);
        const TDateTime scheduled = made + pick(375);
        a.ApptSch = DateTimeText(scheduled, 480 + pick(600), state.Format);
        if (scheduled < state.Today && pick(3) > 0) {
            a.ApptCond = DateTimeText(scheduled, 480 + pick(600), state.Format);
            a.EST = static_cast<std::uint8_t>(pick(99));
            a.QT = static_cast<std::uint8_t>(pick(4) == 0 ? pick(99) : 0);
            a.TestDate = DateTimeText(scheduled + pick(20), 480, state.Format);
            if (pick(2)) a.ApprovedCond = "Y";
        }
        if (pick(4) > 0) a.ApprovedMake = "Y";
        a.NxtAction = actions[static_cast<std::size_t>(pick(6))];
        if (pick(8) > 0)
            a.NxtActionDate =
                DateTimeText(state.Today - 30 + pick(60), 480 + pick(600), state.Format);
        if (pick(3) == 0) a.PhyDate = DateTimeText(scheduled + pick(30), 420, state.Format);
        a.PULHES = "111111";
        a.Dispo = pick(10) == 0 ? "UNQUALIFIED" : "PENDING";
        state.StationList.Add(a.Rsid);
        state.RecruiterList.Add(a.Rsid + a.Rctr);
    }
    return state;
}

// With ORQ_LARGEST_APL naming a list written by bench/make_largest_apl.py, that list is loaded
// instead (through the import component and the loader, en_US dates, today 31 December 2008).
TOrqState LoadedList(const char* path) {
    TOrqState state;
    state.Today = EncodeDate(2008, 12, 31);
    auto import = xls::TTavroImport::WithOwnAdapter();
    import->OpenFile(path);
    import->SetActiveSheet(1);
    ReadAplRows(*import, state);
    state.ReferenceDate = state.Today;
    return state;
}

TOrqState& List() {
    static TOrqState state = [] {
        const char* path = std::getenv("ORQ_LARGEST_APL");
        return path && *path ? LoadedList(path) : LargestList();
    }();
    return state;
}

void BM_BuildReport(benchmark::State& bench) {
    TOrqState& state = List();
    const auto type = static_cast<std::int8_t>(bench.range(0));
    TReportWindow window;
    for (auto _ : bench) {
        TBuildResult result = LoadApps(state, window, type);
        benchmark::DoNotOptimize(result.Count);
    }
    bench.SetLabel(ReportName(type) + ", " + std::to_string(window.PrintGrid.DataRowCount()) +
                   " rows");
}
BENCHMARK(BM_BuildReport)->DenseRange(-1, 6)->Unit(benchmark::kMillisecond);

// The first build into a new window: every row and text is allocated (the rebuilds above reuse
// the rows of the build before).
void BM_FirstBuild(benchmark::State& bench) {
    TOrqState& state = List();
    const auto type = static_cast<std::int8_t>(bench.range(0));
    for (auto _ : bench) {
        bench.PauseTiming();
        auto window = std::make_unique<TReportWindow>();
        bench.ResumeTiming();
        benchmark::DoNotOptimize(LoadApps(state, *window, type).Count);
        bench.PauseTiming();
        window.reset();
        bench.ResumeTiming();
    }
    bench.SetLabel(ReportName(type));
}
BENCHMARK(BM_FirstBuild)->Arg(kAllApplicants)->Arg(kHighEstQt)->Unit(benchmark::kMillisecond);

void BM_HeaderClick(benchmark::State& bench) {
    TOrqState& state = List();
    TReportWindow window;
    LoadApps(state, window, kAllApplicants);
    const auto column = static_cast<std::size_t>(bench.range(0));
    for (auto _ : bench) {
        HeaderClick(state, window, column); // flips the direction on every click
        benchmark::DoNotOptimize(window.PrintGrid.Rows.data());
    }
    bench.SetLabel(window.PrintGrid.Columns[column].Header);
}
BENCHMARK(BM_HeaderClick)->DenseRange(0, 18)->Unit(benchmark::kMillisecond);

void BM_PastDue(benchmark::State& bench) {
    TOrqState& state = List();
    TPastDueList list;
    for (auto _ : bench) {
        BuildPastDueList(state, list);
        benchmark::DoNotOptimize(list.PastRowCount);
    }
    bench.SetLabel(std::to_string(list.PastRowCount) + " rows");
}
BENCHMARK(BM_PastDue)->Unit(benchmark::kMillisecond);

void BM_Broken(benchmark::State& bench) {
    TOrqState& state = List();
    TBrokenList list;
    for (auto _ : bench) {
        BuildBrokenList(state, list);
        benchmark::DoNotOptimize(list.BrokenRowCount);
    }
    bench.SetLabel(std::to_string(list.BrokenRowCount) + " rows");
}
BENCHMARK(BM_Broken)->Unit(benchmark::kMillisecond);

void BM_CopyText(benchmark::State& bench) {
    TOrqState& state = List();
    TBrokenList list;
    BuildBrokenList(state, list);
    for (auto _ : bench)
        benchmark::DoNotOptimize(CopyText(list.BrokenGrid).size());
}
BENCHMARK(BM_CopyText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
