// The main window's recount after a selector change, and the loader's row loop, on a list of the
// largest size the program handles (65,527 data rows). The list is made in code with the spread
// of a real one: several stations, a few dozen recruiters, dates around today, reviews, conducts
// and approvals. A selector change must stay within 30 ms.
#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "base/import.h"
#include "domain/dates.h"
#include "domain/loader.h"
#include "domain/state.h"
#include "metrics/pms.h"
#include "view/main_form.h"

namespace {

using namespace orq;

constexpr int kLargestList = 65527;
const TDateTime kToday = EncodeDate(2008, 3, 31);

std::string DateTimeText(TDateTime day, int minutes, const TFormatSettings& format) {
    const int hour = minutes / 60, hour12 = hour % 12 == 0 ? 12 : hour % 12;
    return DateToStr(day, format) + " " + std::to_string(hour12) + ":" +
           (minutes % 60 < 10 ? "0" : "") + std::to_string(minutes % 60) + ":00 " +
           (hour < 12 ? "AM" : "PM");
}

// A sheet in memory behind the import component's interface.
class MemorySheet : public ImportComponent {
public:
    void OpenFile(const std::string&) override {}
    void SetActiveSheet(int) override {}
    void CloseFile() override {}
    int RowCount() const override { return static_cast<int>(rows.size()); }
    TCellValue CellValue(int row, int column) const override {
        if (row < 1 || row > RowCount() || column < 1 || column > 27) return {};
        return rows[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    void InsertAndCopyColumns(int, int, int, int) override {}
    void DeleteColumns(int, int) override {}
    void DeleteRows(int, int) override {}

    std::vector<std::array<TCellValue, 27>> rows;
};

const MemorySheet& LargestSheet() {
    static const MemorySheet sheet = [] {
        static const std::array<const char*, 10> last = {"SMITH",  "JOHNSON", "WILLIAMS", "BROWN",
                                                         "JONES",  "GARCIA",  "MILLER",   "DAVIS",
                                                         "O'NEIL", "NGUYEN"};
        static const std::array<const char*, 6> first = {"JAMES", "MARY",  "ROBERT",
                                                         "LINDA", "DAVID", "ANN"};
        static const std::array<const char*, 9> eds = {"12H", "11S", "109", "11M", "",
                                                       "11B", "11E", "GED", "13"};
        static const std::array<const char*, 4> actions = {"REVIEW", "TEST", "", "PHYSICAL"};
        MemorySheet out;
        TFormatSettings format;
        std::mt19937 random(20080331);
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        out.rows.resize(9);
        out.rows[8][5] = std::string("APP TYPE");
        for (int i = 0; i < kLargestList; ++i) {
            std::array<TCellValue, 27> row;
            const std::string station = "1A" + std::to_string(10 + pick(8));
            const std::string recruiter = std::string(last[static_cast<std::size_t>(pick(10))]) +
                                          ", " + first[static_cast<std::size_t>(pick(6))];
            const TDateTime made = kToday - pick(120);
            const TDateTime scheduled = made + pick(10);
            row[0] = station;
            row[1] = station + recruiter + (pick(40) == 0 ? " *Term*" : "");
            row[2] = std::string("APPLICANT, NUMBER ") + std::to_string(i);
            row[3] = std::string("555-010-") + std::to_string(1000 + pick(9000));
            row[4] = std::string(pick(4) == 0 ? "R" : "A");
            row[5] = std::string("N");
            row[6] = std::string(pick(10) == 0 ? "Y" : "N");
            row[7] = std::string(pick(2) ? "M" : "F");
            row[8] = std::string(eds[static_cast<std::size_t>(pick(9))]);
            row[9] = std::string("WALK IN");
            row[10] = DateTimeText(made, 480 + pick(600), format);
            row[11] = DateTimeText(scheduled, 480 + pick(600), format);
            if (scheduled < kToday && pick(3)) row[12] = DateTimeText(scheduled, 600, format);
            row[13] = std::to_string(pick(99));
            row[15] = static_cast<double>(pick(99));
            const char* action = actions[static_cast<std::size_t>(pick(4))];
            row[20] = std::string(action);
            if (*action) row[21] = DateTimeText(kToday - 5 + pick(10), 540, format);
            if (pick(2)) row[24] = std::string("Y");
            if (pick(3) == 0) row[25] = std::string("Y");
            out.rows.push_back(std::move(row));
        }
        return out;
    }();
    return sheet;
}

struct Loaded {
    TMainView view;
    TOrqState state;
    Loaded() {
        state.Today = kToday;
        MemorySheet sheet = LargestSheet();
        LoadAplRows(view, state, sheet);
    }
};

Loaded& LoadedList() {
    static Loaded loaded;
    return loaded;
}

void BM_LoadAplRows(benchmark::State& run) {
    // The memory sheet ignores the edits, and a current-layout list gets none: it is shared.
    auto& sheet = const_cast<MemorySheet&>(LargestSheet());
    for (auto _ : run) {
        TMainView view;
        TOrqState state;
        state.Today = kToday;
        LoadAplRows(view, state, sheet);
        benchmark::DoNotOptimize(state.Appts.data());
    }
}
BENCHMARK(BM_LoadAplRows)->Unit(benchmark::kMillisecond);

void BM_SelectAllStations(benchmark::State& run) {
    Loaded& list = LoadedList();
    for (auto _ : run)
        RsidComboChange(list.view, list.state, 0);
}
BENCHMARK(BM_SelectAllStations)->Unit(benchmark::kMillisecond);

void BM_SelectStation(benchmark::State& run) {
    Loaded& list = LoadedList();
    for (auto _ : run)
        RsidComboChange(list.view, list.state, 3);
}
BENCHMARK(BM_SelectStation)->Unit(benchmark::kMillisecond);

void BM_SelectRecruiter(benchmark::State& run) {
    Loaded& list = LoadedList();
    RsidComboChange(list.view, list.state, 0);
    for (auto _ : run)
        RctrComboChange(list.view, list.state, 5);
}
BENCHMARK(BM_SelectRecruiter)->Unit(benchmark::kMillisecond);

void BM_CountPMS(benchmark::State& run) {
    Loaded& list = LoadedList();
    for (auto _ : run) {
        ZeroCounters(list.state);
        CountPMS(list.state, TSelection{});
    }
}
BENCHMARK(BM_CountPMS)->Unit(benchmark::kMillisecond);

void BM_DateOfText(benchmark::State& run) {
    TFormatSettings format;
    const std::string text = "12/31/2007 11:59:00 PM";
    for (auto _ : run)
        benchmark::DoNotOptimize(DateOfText(text, format, kToday));
}
BENCHMARK(BM_DateOfText);

} // namespace

BENCHMARK_MAIN();
