// orq-cli stations FILE: every station of a list with its recruiters, as the main window's two
// selectors list them (the recruiter selector as it stands after the station's choice).
#include <string>
#include <vector>

#include "base/csv.h"
#include "cli/cli.h"
#include "cli/load_list.h"
#include "view/main_form.h"

namespace orq::cli {
namespace {

struct TStation {
    std::string Rsid;
    std::vector<std::string> Recruiters;
};

// The selectors' items after their first item, "ALL".
std::vector<TStation> Stations(TMainView& view, TOrqState& state) {
    std::vector<TStation> stations;
    const std::vector<std::string> items = view.RsidCombo.Items;
    for (std::size_t i = 1; i < items.size(); ++i) {
        RsidComboChange(view, state, static_cast<int>(i));
        const auto& recruiters = view.RctrCombo.Items;
        stations.push_back(
            {items[i], {recruiters.begin() + (recruiters.empty() ? 0 : 1), recruiters.end()}});
    }
    return stations;
}

int RunStations(const Invocation& invocation, std::ostream& out, std::ostream&) {
    TOrqState& state = KeptUntilExit<TOrqState>();
    TMainView& view = KeptUntilExit<TMainView>();
    LoadList(invocation, invocation.positional[0], state, view);
    const std::vector<TStation> stations = Stations(view, state);
    if (invocation.Json()) {
        out << "{\"stations\": [";
        for (std::size_t s = 0; s < stations.size(); ++s) {
            out << (s ? ",\n  " : "\n  ") << "{\"rsid\": " << JsonString(stations[s].Rsid)
                << ", \"recruiters\": [";
            for (std::size_t r = 0; r < stations[s].Recruiters.size(); ++r)
                out << (r ? ", " : "") << JsonString(stations[s].Recruiters[r]);
            out << "]}";
        }
        out << (stations.empty() ? "" : "\n") << "]}\n";
    } else if (invocation.Csv()) {
        std::string csv;
        AppendCsvRecord(csv, {"RSID", "Rctr"});
        for (const TStation& station : stations)
            for (const std::string& recruiter : station.Recruiters)
                AppendCsvRecord(csv, {station.Rsid, recruiter});
        out << csv;
    } else {
        // One line a station: its id, then its recruiters, separated by tabs.
        for (const TStation& station : stations) {
            out << TerminalText(station.Rsid);
            for (const std::string& recruiter : station.Recruiters)
                out << '\t' << TerminalText(recruiter);
            out << '\n';
        }
    }
    return kOk;
}

const Registration registration{Command{
    "stations",
    "stations FILE [--json|--csv]",
    {"FILE"},
    {},
    RunStations,
    /*csv=*/true,
}};

} // namespace
} // namespace orq::cli
