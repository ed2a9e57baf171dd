// orq-cli make-demo OUT.xls [--rows N] [--seed S] [--overwrite]: a synthetic processing list
// written with the program's own workbook writer.
#include <charconv>
#include <string>

#include "cli/cli.h"
#include "cli/load_list.h"
#include "export/demo_list.h"

namespace orq::cli {
namespace {

template <typename T> T Whole(const std::string& text, const std::string& option, T low, T high) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw UsageError{"--" + option + " needs a whole number from " + std::to_string(low) +
                         " to " + std::to_string(high)};
    return value;
}

int RunMakeDemo(const Invocation& invocation, std::ostream& out, std::ostream&) {
    exporter::TDemoOptions options;
    if (auto rows = invocation.Value("rows"))
        options.Rows = Whole<int>(*rows, "rows", 0, exporter::kDemoMaxRows);
    if (auto seed = invocation.Value("seed"))
        options.Seed = Whole<std::uint64_t>(*seed, "seed", 0, UINT64_MAX);
    TOrqState state;
    PrepareState(invocation, state); // the machine's date format and today (or --today)
    options.Today = state.Today;
    options.Format = state.Format;
    const std::string& path = invocation.positional[0];
    exporter::WriteDemoList(options, path, invocation.Has("overwrite"));
    if (!invocation.Json())
        out << "Wrote " << options.Rows << " appointment rows to " << path << "\n";
    else
        out << "{\"file\": " << JsonString(path) << ", \"rows\": " << options.Rows << "}\n";
    return kOk;
}

const Registration registration{Command{
    "make-demo",
    "make-demo OUT.xls [--rows N] [--seed S] [--overwrite]",
    {"OUT.xls"},
    {{"rows", true}, {"seed", true}, {"overwrite", false}},
    RunMakeDemo,
}};

} // namespace
} // namespace orq::cli
