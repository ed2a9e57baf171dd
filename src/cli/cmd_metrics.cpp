// orq-cli metrics FILE [--station RSID] [--recruiter NAME]: the main window after File > Open
// and the given selector choices.
#include <string>
#include <vector>

#include "base/csv.h"
#include "cli/cli.h"
#include "cli/load_list.h"
#include "view/main_form.h"

namespace orq::cli {
namespace {

void PrintGrid(std::ostream& out, const TGrid& grid) {
    for (int row = 0; row < grid.RowCount(); ++row) {
        std::vector<std::string> cells = grid.RowTexts(row);
        for (std::size_t col = 0; col < cells.size(); ++col)
            out << (col ? "\t" : "") << TerminalText(cells[col]);
        out << "\n";
    }
}

std::string CsvGrid(const TGrid& grid) {
    std::string csv;
    for (int row = 0; row < grid.RowCount(); ++row)
        AppendCsvRecord(csv, grid.RowTexts(row));
    return csv;
}

std::string JsonStrings(const std::vector<std::string>& texts) {
    std::string out = "[";
    for (std::size_t i = 0; i < texts.size(); ++i)
        out += (i ? ", " : "") + JsonString(texts[i]);
    return out + "]";
}

std::string JsonGrid(const TGrid& grid) {
    std::string out = "[";
    for (int row = 0; row < grid.RowCount(); ++row)
        out += (row ? ",\n  " : "\n  ") + JsonStrings(grid.RowTexts(row));
    return out + "]";
}

void PrintView(std::ostream& out, const TMainView& view, const Invocation& invocation) {
    if (invocation.Csv()) {
        out << CsvGrid(view.MathGrid) << "\n" << CsvGrid(view.CondGrid);
        return;
    }
    if (invocation.Json()) {
        out << "{\"period\": " << JsonString(view.Label1) << ",\n"
            << " \"recruiters\": " << JsonString(view.Label3) << ",\n"
            << " \"stations\": " << JsonStrings(view.RsidCombo.Items) << ",\n"
            << " \"recruiter_choices\": " << JsonStrings(view.RctrCombo.Items) << ",\n"
            << " \"metrics\": " << JsonGrid(view.MathGrid) << ",\n"
            << " \"pending\": " << JsonGrid(view.CondGrid) << "}\n";
        return;
    }
    out << TerminalText(view.Label1) << "\n" << TerminalText(view.Label3) << "\n\n";
    PrintGrid(out, view.MathGrid);
    out << "\nPending Conducts\n";
    PrintGrid(out, view.CondGrid);
}

int RunMetrics(const Invocation& invocation, std::ostream& out, std::ostream&) {
    TOrqState& state = KeptUntilExit<TOrqState>();
    TMainView& view = KeptUntilExit<TMainView>();
    LoadList(invocation, invocation.positional[0], state, view);
    if (auto station = invocation.Value("station"))
        RsidComboChange(view, state, ChoiceIndex(view.RsidCombo.Items, *station, "station", false));
    if (auto recruiter = invocation.Value("recruiter"))
        RctrComboChange(view, state,
                        ChoiceIndex(view.RctrCombo.Items, *recruiter, "recruiter", true));
    PrintView(out, view, invocation);
    return kOk;
}

const Registration registration{Command{
    "metrics",
    "metrics FILE [--station RSID] [--recruiter NAME] [--json|--csv]",
    {"FILE"},
    {{"station", true}, {"recruiter", true}},
    RunMetrics,
    /*csv=*/true,
}};

} // namespace
} // namespace orq::cli
