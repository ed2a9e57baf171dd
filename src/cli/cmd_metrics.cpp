// orq-cli metrics FILE [--station RSID] [--recruiter NAME]: the main window after File > Open
// and the given selector choices.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "base/error.h"
#include "cli/cli.h"
#include "cli/load_list.h"
#include "domain/loader.h"
#include "domain/settings.h"
#include "view/main_form.h"
#include "xls/tavro_import.h"

namespace orq::cli {
namespace {

int IndexOf(const TComboState& combo, const std::string& text) {
    auto it = std::find(combo.Items.begin(), combo.Items.end(), text);
    return it == combo.Items.end() ? -1 : static_cast<int>(it - combo.Items.begin());
}

std::string PlainCell(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

void PrintGrid(std::ostream& out, const TGrid& grid) {
    for (int row = 0; row < grid.RowCount(); ++row) {
        std::vector<std::string> cells = grid.RowTexts(row);
        for (std::size_t col = 0; col < cells.size(); ++col)
            out << (col ? "\t" : "") << PlainCell(cells[col]);
        out << "\n";
    }
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

void PrintView(std::ostream& out, const TMainView& view, bool json) {
    if (json) {
        out << "{\"period\": " << JsonString(view.Label1) << ",\n"
            << " \"recruiters\": " << JsonString(view.Label3) << ",\n"
            << " \"stations\": " << JsonStrings(view.RsidCombo.Items) << ",\n"
            << " \"recruiter_choices\": " << JsonStrings(view.RctrCombo.Items) << ",\n"
            << " \"metrics\": " << JsonGrid(view.MathGrid) << ",\n"
            << " \"pending\": " << JsonGrid(view.CondGrid) << "}\n";
        return;
    }
    out << view.Label1 << "\n" << view.Label3 << "\n\n";
    PrintGrid(out, view.MathGrid);
    out << "\nPending Conducts\n";
    PrintGrid(out, view.CondGrid);
}

int RunMetrics(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    TOrqState state;
    TMainView view;
    if (int code = LoadList(invocation, invocation.positional[0], state, view, err); code != kOk)
        return code;
    try {
        if (auto station = invocation.Value("station")) {
            int index = IndexOf(view.RsidCombo, *station);
            if (index < 0) throw UsageError{"station " + *station + " is not in the list"};
            RsidComboChange(view, state, index);
        }
        if (auto recruiter = invocation.Value("recruiter")) {
            int index = IndexOf(view.RctrCombo, *recruiter);
            if (index < 0) throw UsageError{"recruiter " + *recruiter + " is not in the list"};
            RctrComboChange(view, state, index);
        }
    } catch (const Error& failure) {
        err << DisplayText(failure.what()) << "\n";
        return kFailure;
    }
    PrintView(out, view, invocation.Json());
    return kOk;
}

const Registration registration{Command{
    "metrics",
    "metrics FILE [--station RSID] [--recruiter NAME]",
    {"FILE"},
    {{"station", true}, {"recruiter", true}},
    RunMetrics,
}};

} // namespace
} // namespace orq::cli
