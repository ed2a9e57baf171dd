// Compound-file speed: opening a 22 MB workbook file and taking its Workbook stream (the open
// path of every load), and writing one (the save path of every export).

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "xls/cfb.h"

namespace {

using orq::xls::TOle2Storage;
using orq::xls::TOle2Stream;

constexpr std::size_t kWorkbookSize = 22 * 1024 * 1024;

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> out(size);
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<std::uint8_t>(i * 31 + (i >> 9));
    return out;
}

// A file like a large processing list: the Workbook stream and the two summary streams.
std::vector<std::uint8_t> BuildFile() {
    std::vector<std::uint8_t> file;
    auto storage = TOle2Storage::CreateInMemory(file);
    orq::xls::WriteElement({"\x05SummaryInformation", Pattern(400), {}}, *storage);
    orq::xls::WriteElement({"\x05"
                            "DocumentSummaryInformation",
                            Pattern(300),
                            {}},
                           *storage);
    auto workbook = Pattern(kWorkbookSize);
    TOle2Stream(*storage, "Workbook").Write(workbook.data(), workbook.size());
    storage->Close();
    return file;
}

// The file on disk, removed at exit.
struct TempFile {
    std::string path;
    TempFile() {
        path = (std::filesystem::temp_directory_path() /
                ("orq-bench-cfb-" + std::to_string(::getpid()) + ".xls"))
                   .string();
        auto bytes = BuildFile();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

const std::string& FilePath() {
    static const TempFile file;
    return file.path;
}

void BM_OpenFileAndReadWorkbook(benchmark::State& state) {
    const std::string& path = FilePath();
    for (auto _ : state) {
        auto storage = TOle2Storage::OpenRead(path);
        orq::xls::TXlsStorageList held;
        orq::xls::CopyElements(held, *storage, false);
        auto workbook = TOle2Stream(*storage, "Workbook").ReadAll();
        benchmark::DoNotOptimize(workbook.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kWorkbookSize));
}
BENCHMARK(BM_OpenFileAndReadWorkbook)->Unit(benchmark::kMillisecond);

// The loader's path: the held elements copied, the Workbook stream's bytes viewed in place.
void BM_OpenFileAndViewWorkbook(benchmark::State& state) {
    const std::string& path = FilePath();
    for (auto _ : state) {
        auto storage = TOle2Storage::OpenRead(path);
        orq::xls::TXlsStorageList held;
        orq::xls::CopyElements(held, *storage, false);
        TOle2Stream stream(*storage, "Workbook");
        auto bytes = stream.Bytes();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kWorkbookSize));
}
BENCHMARK(BM_OpenFileAndViewWorkbook)->Unit(benchmark::kMillisecond);

void BM_OpenMemoryAndReadWorkbook(benchmark::State& state) {
    static const auto file = BuildFile();
    for (auto _ : state) {
        auto storage = TOle2Storage::OpenReadMemory(file);
        auto workbook = TOle2Stream(*storage, "Workbook").ReadAll();
        benchmark::DoNotOptimize(workbook.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kWorkbookSize));
}
BENCHMARK(BM_OpenMemoryAndReadWorkbook)->Unit(benchmark::kMillisecond);

void BM_WriteInMemory(benchmark::State& state) {
    static const auto workbook = Pattern(kWorkbookSize);
    for (auto _ : state) {
        std::vector<std::uint8_t> file;
        auto storage = TOle2Storage::CreateInMemory(file);
        TOle2Stream(*storage, "Workbook").Write(workbook.data(), workbook.size());
        storage->Close();
        benchmark::DoNotOptimize(file.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kWorkbookSize));
}
BENCHMARK(BM_WriteInMemory)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
