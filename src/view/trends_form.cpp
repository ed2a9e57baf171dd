#include "view/trends_form.h"

#include <algorithm>
#include <filesystem>

#include "base/error.h"
#include "domain/loader.h"
#include "domain/text.h"
#include "history/weeks_table.h"
#include "view/main_form.h"

namespace orq {
namespace {

constexpr const char* kAll = "ALL";

void FillRecruiters(TTrendsView& view, history::THistory& history) {
    // As the main window: for "ALL" every station id + recruiter without its first four
    // characters, for one station its recruiters.
    TSortedList entries(view.Collation);
    const std::string station = view.RsidCombo.ItemIndex > 0 ? view.RsidCombo.Text() : "";
    for (const auto& [rsid, rctr] : history.StationRecruiters()) {
        if (station.empty())
            entries.Add(rsid + rctr);
        else if (rsid == station)
            entries.Add(rctr);
    }
    view.RctrCombo.Items.assign(1, kAll);
    for (const std::string& entry : entries.Items())
        view.RctrCombo.Items.push_back(station.empty() ? DropLeft(entry, 4) : entry);
    view.RctrCombo.ItemIndex = 0;
    view.RctrCombo.Enabled = !view.Empty;
}

void Recount(TTrendsView& view, history::THistory& history) {
    history::TWeekQuery query;
    if (view.RsidCombo.ItemIndex > 0) query.Selection.Station = view.RsidCombo.Text();
    if (view.RctrCombo.ItemIndex > 0) query.Selection.Recruiter = view.RctrCombo.Text();
    const int span = kTrendsSpans[std::clamp(view.SpanCombo.ItemIndex, 0, 3)];
    if (span > 0) {
        query.From = history::MondayOf(view.Today) - 7 * (span - 1);
        query.To = view.Today;
    }
    view.Weeks = view.Empty ? std::vector<history::TWeek>{} : history.Weeks(query, view.Today);
    view.Table.assign(1, history::WeeksTableHeader());
    for (const history::TWeek& week : view.Weeks)
        view.Table.push_back(history::WeeksTableRow(week, DateToStr(week.Monday, view.Format),
                                                    view.Format.decimalSeparator, "%"));
}

} // namespace

void LoadTrends(TTrendsView& view, history::THistory& history) {
    const std::vector<std::string> stations = history.Stations();
    view.Empty = stations.empty();
    TSortedList sorted(view.Collation);
    for (const std::string& station : stations)
        sorted.Add(station);
    const std::string chosen = view.RsidCombo.Text();
    view.RsidCombo.Items.assign(1, kAll);
    for (const std::string& station : sorted.Items())
        view.RsidCombo.Items.push_back(station);
    auto found = std::find(view.RsidCombo.Items.begin(), view.RsidCombo.Items.end(), chosen);
    view.RsidCombo.ItemIndex = found == view.RsidCombo.Items.end()
                                   ? 0
                                   : static_cast<int>(found - view.RsidCombo.Items.begin());
    view.RsidCombo.Enabled = sorted.Count() > 1;
    if (sorted.Count() == 1) view.RsidCombo.ItemIndex = 1;
    if (view.SpanCombo.Items.empty()) {
        view.SpanCombo.Items = {"12 weeks", "26 weeks", "52 weeks", "All weeks"};
        view.SpanCombo.ItemIndex = 0;
    }
    view.SpanCombo.Enabled = !view.Empty;
    FillRecruiters(view, history);
    Recount(view, history);
}

void TrendsStationChange(TTrendsView& view, history::THistory& history, int index) {
    view.RsidCombo.ItemIndex = index;
    FillRecruiters(view, history);
    Recount(view, history);
}

void TrendsRecruiterChange(TTrendsView& view, history::THistory& history, int index) {
    view.RctrCombo.ItemIndex = index;
    Recount(view, history);
}

void TrendsSpanChange(TTrendsView& view, history::THistory& history, int index) {
    view.SpanCombo.ItemIndex = index;
    Recount(view, history);
}

std::string TrendsCsv(const TTrendsView& view) {
    return history::WeeksCsv(view.Weeks);
}

TRecordOutcome RecordListFile(history::THistory& history, ImportComponent& import,
                              const std::string& path, const TFormatSettings& format,
                              TDateTime today, std::int64_t nowMs) {
    TRecordOutcome outcome;
    try {
        const history::TListFile file = history::DescribeListFile(path);
        if (history.Has(file.Sha256)) {
            outcome.Outcome = TRecordOutcome::AlreadyRecorded;
            return outcome;
        }
        TOrqState state;
        state.Format = format;
        state.Today = today;
        state.ReferenceDate = today;
        TMainView view;
        const TLoadResult loaded = OpenApl(view, state, import, path);
        if (loaded.Outcome == TLoadResult::NoAppointments) {
            outcome.Message = loaded.Message;
            return outcome;
        }
        outcome.Outcome = history.Record(file, state, nowMs).Recorded
                              ? TRecordOutcome::Recorded
                              : TRecordOutcome::AlreadyRecorded;
    } catch (const TLoadFailure& failure) {
        outcome.Message = failure.what();
    } catch (const Error& failure) {
        outcome.Message = DisplayText(failure.what());
    }
    return outcome;
}

std::vector<std::string> ListFilesOfFolder(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (IsListFileName(entry.path().filename().string()) && entry.is_regular_file(error))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace orq
