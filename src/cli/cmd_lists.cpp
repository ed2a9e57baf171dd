// orq-cli past-due FILE and orq-cli broken FILE: the two check lists as "&Copy" puts them on the
// clipboard.
#include <functional>
#include <string>

#include "cli/cli.h"
#include "cli/load_list.h"
#include "cli/table_output.h"
#include "reports/check_lists.h"
#include "view/main_form.h"

namespace orq::cli {
namespace {

using TBuild = std::function<const reports::TReportTable&(const TOrqState&)>;

void PrintList(std::ostream& out, const reports::TReportTable& grid, const Invocation& invocation) {
    if (invocation.Csv()) {
        WriteCsvTable(out, grid, AllColumns(grid));
        return;
    }
    const std::string clipboard = reports::CopyText(grid);
    if (!invocation.Json()) {
        out << clipboard;
        return;
    }
    out << "{\"rows\": [";
    for (std::size_t r = 0; r < grid.Rows.size(); ++r) {
        out << (r ? ",\n  [" : "\n  [");
        for (std::size_t c = 0; c < grid.Rows[r].size(); ++c)
            out << (c ? ", " : "") << JsonString(grid.Rows[r][c].Text);
        out << "]";
    }
    out << "],\n \"clipboard\": " << JsonString(clipboard) << "}\n";
}

int RunList(const Invocation& invocation, std::ostream& out, const TBuild& build) {
    TOrqState& state = KeptUntilExit<TOrqState>();
    TMainView& view = KeptUntilExit<TMainView>();
    LoadList(invocation, invocation.positional[0], state, view);
    PrintList(out, build(state), invocation);
    return kOk;
}

int RunPastDue(const Invocation& invocation, std::ostream& out, std::ostream&) {
    reports::TPastDueList list;
    return RunList(invocation, out, [&](const TOrqState& state) -> const reports::TReportTable& {
        reports::BuildPastDueList(state, list);
        return list.PastGrid;
    });
}

int RunBroken(const Invocation& invocation, std::ostream& out, std::ostream&) {
    reports::TBrokenList list;
    return RunList(invocation, out, [&](const TOrqState& state) -> const reports::TReportTable& {
        reports::BuildBrokenList(state, list);
        return list.BrokenGrid;
    });
}

const Registration pastDue{
    Command{"past-due", "past-due FILE [--json|--csv]", {"FILE"}, {}, RunPastDue, /*csv=*/true}};
const Registration broken{
    Command{"broken", "broken FILE [--json|--csv]", {"FILE"}, {}, RunBroken, /*csv=*/true}};

} // namespace
} // namespace orq::cli
