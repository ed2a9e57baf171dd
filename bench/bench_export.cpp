// Save to XLS and make-demo on a list of the largest size the program handles (65,527 data rows,
// the most a sheet of 65,536 rows holds below its title block). The list is the demo list,
// written once and loaded as File > Open loads it; the export writes its "All Applicants" report
// (19 columns). Peak memory of the same work as whole processes: scripts/bench_export.sh.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "domain/state.h"
#include "export/demo_list.h"
#include "export/sheet_exporter.h"
#include "reports/report_rules.h"
#include "view/main_form.h"
#include "view/print_form.h"
#include "xls/tavro_import.h"
#include "xls/writer.h"

namespace {

using namespace orq;

std::string TempFile(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("orq-bench-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

exporter::TDemoOptions LargestDemo() {
    exporter::TDemoOptions options;
    options.Rows = exporter::kDemoMaxRows;
    options.Seed = 11;
    options.Today = EncodeDate(2024, 3, 14);
    return options;
}

// The report window after "&All Apps" on the largest list.
const reports::TReportWindow& AllApplicants() {
    static const reports::TReportWindow window = [] {
        const std::string apl = TempFile("largest.xls");
        exporter::WriteDemoList(LargestDemo(), apl, true);
        TOrqState state;
        state.Today = state.ReferenceDate = LargestDemo().Today;
        TMainView view;
        InitMainView(view, state);
        auto import = xls::TTavroImport::WithOwnAdapter();
        OpenApl(view, state, *import, apl);
        std::filesystem::remove(apl);
        reports::TReportWindow built;
        reports::ReportButtonClick(state, built, reports::kAllApplicants);
        return built;
    }();
    return window;
}

void BM_ExportAllApplicants(benchmark::State& bench) {
    const reports::TReportWindow& window = AllApplicants();
    const std::string path = TempFile("export.xls");
    for (auto _ : bench) {
        exporter::TSheetExporter exporter(window.PrintGrid);
        exporter.Options.ExportOverwrite = exporter::TOverwriteMode::omAlways;
        exporter.ExportToXls(path);
    }
    bench.counters["rows"] = static_cast<double>(window.PrintGrid.GridRowCount());
    bench.counters["columns"] = static_cast<double>(window.PrintGrid.ShownColumns().size());
    bench.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ExportAllApplicants)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MakeDemoLargest(benchmark::State& bench) {
    const std::string path = TempFile("demo.xls");
    for (auto _ : bench)
        exporter::WriteDemoList(LargestDemo(), path, true);
    bench.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_MakeDemoLargest)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
