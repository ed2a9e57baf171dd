// orq-cli report TYPE FILE [filters]: the report window after a report button and the given
// filter choices.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/load_list.h"
#include "cli/table_output.h"
#include "export/sheet_exporter.h"
#include "view/main_form.h"
#include "view/print_form.h"

namespace orq::cli {
namespace {

using reports::TReportWindow;

struct TNamedValue {
    const char* name;
    int value;
};

constexpr TNamedValue kTypes[] = {
    {"yesterday", reports::kYesterday}, {"today", reports::kTodaysConducts},
    {"48hr", reports::k48hrConducts},   {"72hr", reports::k72hrConducts},
    {"no-shows", reports::kNoShows},    {"all", reports::kAllApplicants},
    {"high-est", reports::kHighEstQt},  {"testers", reports::kTesters},
};
constexpr TNamedValue kEdChoices[] = {
    {"all", reports::kEdAll}, {"grads", reports::kEdGrads}, {"seniors", reports::kEdSeniors}};
constexpr TNamedValue kCompChoices[] = {{"all", reports::kCompAll},
                                        {"active", reports::kCompActive},
                                        {"reserve", reports::kCompReserve}};

template <std::size_t N>
int Lookup(const TNamedValue (&table)[N], const std::string& word, const std::string& what) {
    for (const TNamedValue& entry : table)
        if (word == entry.name) return entry.value;
    std::string choices;
    for (const TNamedValue& entry : table)
        choices += (choices.empty() ? "" : ", ") + std::string(entry.name);
    throw UsageError{what + " '" + word + "' is not one of " + choices};
}

// The filters as a user would set them in the report window: the filter lists as the first
// report with results leaves them, then station, recruiter, the two boxes and the check boxes.
void ApplyFilters(const Invocation& invocation, std::int8_t type, const TOrqState& state,
                  TReportWindow& window) {
    reports::LoadCombos(state, window);
    window.EdCombo.ItemIndex = reports::kEdAll;
    window.CompCombo.ItemIndex = reports::kCompAll;
    window.CheckBox2Visible = type == reports::kNoShows;
    if (auto station = invocation.Value("station"))
        reports::SelectStation(state, window,
                               ChoiceIndex(window.RSIDGridCombo.Items, *station, "station", false));
    if (auto recruiter = invocation.Value("recruiter"))
        window.RctrGridCombo.ItemIndex =
            ChoiceIndex(window.RctrGridCombo.Items, *recruiter, "recruiter", true);
    if (auto ed = invocation.Value("ed"))
        window.EdCombo.ItemIndex = Lookup(kEdChoices, *ed, "--ed");
    if (auto comp = invocation.Value("comp"))
        window.CompCombo.ItemIndex = Lookup(kCompChoices, *comp, "--comp");
    window.CheckBox1 = invocation.Has("hide-terminated");
    window.CheckBox2 = invocation.Has("hide-rescheduled");
}

// The rows of a JSON array of arrays, one a data row of `columns` values: each row's values
// from `row`, each written by `put(writer, value, first)` with the comma before it unless it is
// the row's first.
template <typename Row, typename Put>
void WriteJsonRows(TBlockWriter& writer, std::size_t rows, std::size_t columns, Row row, Put put) {
    writer.Put("[");
    for (std::size_t r = 0; r < rows; ++r) {
        writer.Put(r ? ",\n  [" : "\n  [");
        const auto values = row(r);
        for (std::size_t i = 0; i < columns; ++i)
            put(writer, values[i], i == 0);
        writer.Put("]");
    }
    writer.Put("]");
}

// The colours of a data row as the values of a JSON array ("FFFFFF", "", "CAFFFF", ...), made
// once for each run of colours: the rows of a report share a handful of them, so a large report
// copies one text for each of its rows instead of writing millions of colours one by one.
class TJsonColorRows {
public:
    const std::string& Text(const reports::TCellColor* colors, std::size_t count) {
        // Equal colours have equal numbers: the rows compare by their bytes.
        const std::string_view key(reinterpret_cast<const char*>(colors),
                                   count * sizeof(reports::TCellColor));
        if (last_ < made_.size() && made_[last_].key == key) return made_[last_].text;
        for (std::size_t i = 0; i < made_.size(); ++i)
            if (made_[i].key == key) {
                last_ = i;
                return made_[i].text;
            }
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            text += i ? ", \"" : "\"";
            reports::AppendColorText(text, colors[i]);
            text += '"';
        }
        if (made_.size() == kKept) { // a table of many runs: the rest are made each time
            other_ = std::move(text);
            return other_;
        }
        made_.push_back({std::string(key), std::move(text)});
        last_ = made_.size() - 1;
        return made_.back().text;
    }

private:
    static constexpr std::size_t kKept = 64;
    struct TMade {
        std::string key;
        std::string text;
    };
    std::vector<TMade> made_;
    std::size_t last_ = 0;
    std::string other_;
};

// The rows, background and font_color arrays of a report in JSON. The texts are written in one
// walk over the cells that also keeps the shown cells' colours (two bytes each); the colour
// arrays are written from those, so the cells of a large table are read once and not three times.
void WriteJsonTable(TBlockWriter& writer, const reports::TReportTable& grid,
                    const std::vector<std::size_t>& shown) {
    const std::size_t columns = shown.size();
    std::vector<reports::TCellColor> backgrounds, fontColors;
    backgrounds.reserve(grid.Rows.size() * columns);
    fontColors.reserve(grid.Rows.size() * columns);
    std::vector<const reports::TReportCell*> cells(columns);
    writer.Put(",\n \"rows\": ");
    WriteJsonRows(
        writer, grid.Rows.size(), columns,
        [&](std::size_t r) {
            reports::PrefetchCellsAhead(grid.Rows, r);
            for (std::size_t i = 0; i < columns; ++i) {
                cells[i] = &grid.Rows[r][shown[i]];
                backgrounds.push_back(cells[i]->Background);
                fontColors.push_back(cells[i]->FontColor);
            }
            return cells.data();
        },
        [](TBlockWriter& json, const reports::TReportCell* c, bool first) {
            char* out = json.Room(JsonStringRoom(c->Text.size()) + 2);
            if (!first) {
                *out++ = ',';
                *out++ = ' ';
            }
            json.Wrote(PutJsonString(out, c->Text));
        });
    TJsonColorRows colorRows;
    auto writeColors = [&](const std::vector<reports::TCellColor>& colors) {
        writer.Put("[");
        for (std::size_t r = 0; r < grid.Rows.size(); ++r) {
            writer.Put(r ? ",\n  [" : "\n  [");
            writer.Put(colorRows.Text(colors.data() + r * columns, columns));
            writer.Put("]");
        }
        writer.Put("]");
    };
    writer.Put(",\n \"background\": ");
    writeColors(backgrounds);
    writer.Put(",\n \"font_color\": ");
    writeColors(fontColors);
}

void PrintReport(std::ostream& out, const std::string& title, const TReportWindow& window,
                 const Invocation& invocation) {
    const reports::TReportTable& grid = window.PrintGrid;
    const std::vector<std::size_t> shown = grid.ShownColumns();
    if (invocation.Csv()) {
        WriteCsvTable(out, grid, shown);
        return;
    }
    TBlockWriter writer(out);
    if (invocation.Json()) {
        std::string head = "{\"title\": ";
        AppendJsonString(head, title);
        head += ",\n \"count\": ";
        AppendJsonString(head, window.Label1);
        head += ",\n \"columns\": [";
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (i) head += ", ";
            AppendJsonString(head, grid.Columns[shown[i]].Header);
        }
        head += "]";
        writer.Put(head);
        WriteJsonTable(writer, grid, shown);
        writer.Put("}\n");
        return;
    }
    writer.Put(title);
    writer.Put("\n");
    // The shown texts of the header and of every data row, a line each, separated by tabs.
    WriteDelimitedTable(
        writer, grid, shown, '\t', [](std::size_t size) { return TerminalTextRoom(size); },
        PutTerminalText);
    writer.Put(window.Label1);
    writer.Put("\n");
}

// --xls OUT.xls [--overwrite]: the table saved as "&Save to XLS" saves it; "--xls -" writes the
// workbook to standard output instead of the table.
void SaveXls(const std::string& path, const TReportWindow& window, const Invocation& invocation,
             std::ostream& out) {
    if (path == kStandardStream) {
        const std::vector<std::uint8_t> bytes = exporter::ReportXlsBytes(window.PrintGrid);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    } else {
        exporter::SaveReportAsXls(window.PrintGrid, path, invocation.Has("overwrite"));
    }
}

int RunReport(const Invocation& invocation, std::ostream& out, std::ostream&) {
    const auto type =
        static_cast<std::int8_t>(Lookup(kTypes, invocation.positional[0], "report type"));
    if (invocation.Has("hide-rescheduled") && type != reports::kNoShows)
        throw UsageError{"--hide-rescheduled belongs to the no-shows report"};
    if (auto ed = invocation.Value("ed")) Lookup(kEdChoices, *ed, "--ed");
    if (auto comp = invocation.Value("comp")) Lookup(kCompChoices, *comp, "--comp");
    const auto xls = invocation.Value("xls");
    const bool xlsToOutput = xls == kStandardStream;
    if (xlsToOutput && (invocation.Json() || invocation.Csv()))
        throw UsageError{"--xls - writes the workbook to standard output: no --json or --csv"};

    ReuseLoadMemory();
    TOrqState& state = KeptUntilExit<TOrqState>();
    TMainView& view = KeptUntilExit<TMainView>();
    LoadList(invocation, invocation.positional[1], state, view);

    TReportWindow& window = KeptUntilExit<TReportWindow>();
    ApplyFilters(invocation, type, state, window);
    const reports::TBuildResult result = reports::LoadApps(state, window, type);
    if (!xlsToOutput) PrintReport(out, reports::ReportName(type), window, invocation);
    if (xls) SaveXls(*xls, window, invocation, out);
    if (!result.RowError.empty()) throw Failure{result.RowError}; // the builder's message box
    return kOk;
}

const Registration registration{Command{
    "report",
    "report TYPE FILE [--station RSID] [--recruiter NAME] [--ed all|grads|seniors] "
    "[--comp all|active|reserve] [--hide-terminated] [--hide-rescheduled] "
    "[--xls OUT.xls [--overwrite]] [--json|--csv]",
    {"TYPE", "FILE"},
    {{"station", true},
     {"recruiter", true},
     {"ed", true},
     {"comp", true},
     {"hide-terminated", false},
     {"hide-rescheduled", false},
     {"xls", true},
     {"overwrite", false}},
    RunReport,
    /*csv=*/true,
}};

} // namespace
} // namespace orq::cli
