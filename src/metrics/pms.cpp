#include "metrics/pms.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "domain/dates.h"
#include "domain/text.h"

namespace orq {
namespace {

void Increment(std::uint16_t& counter) {
    counter = static_cast<std::uint16_t>(counter + 1);
}

// The day of a date-time text as a whole day number.
TDateTime DayOf(const std::string& text, const TOrqState& state) {
    return DateOfText(text, state.Format, state.Today);
}

TDateTime ScheduledDay(const TOrqState& state, std::size_t index, TDayCache* days) {
    return days ? days->Scheduled(index) : DayOf(state.Appts[index].ApptSch, state);
}

TDateTime NextActionDay(const TOrqState& state, std::size_t index, TDayCache* days) {
    return days ? days->NextAction(index) : DayOf(state.Appts[index].NxtActionDate, state);
}

// Metrics table rows: the total row of each component; its groups follow it.
constexpr int kTotalRow[2] = {1, 6};

} // namespace

TDayCache::TDayCache(const TOrqState& state)
    : state_(state), scheduled_(state.Appts.size(), std::numeric_limits<double>::quiet_NaN()),
      nextAction_(state.Appts.size(), std::numeric_limits<double>::quiet_NaN()) {}

TDateTime TDayCache::Scheduled(std::size_t index) {
    TDateTime& day = scheduled_.at(index);
    if (std::isnan(day)) day = DayOf(state_.Appts[index].ApptSch, state_);
    return day;
}

TDateTime TDayCache::NextAction(std::size_t index) {
    TDateTime& day = nextAction_.at(index);
    if (std::isnan(day)) day = DayOf(state_.Appts[index].NxtActionDate, state_);
    return day;
}

TEdGroup GroupOf(const TAppt& appt) {
    if (appt.PS == "Y") return kOther;
    const std::string& ed = appt.Ed;
    if (ed == "11M" || ed == "11S" || ed == "11B") return kSenior;
    if (ed == "11E" || ed == "109" || ed == "11H" || ed == "12H") return kOther;
    return kGrad;
}

TComponent ComponentOf(const TAppt& appt) {
    return appt.Comp == "R" ? kAR : kRA;
}

void ZeroCounters(TOrqState& state) {
    state.MetricCounters = {};
    state.PendingCounters = {};
    state.RaRecruiters = 0;
    state.ArRecruiters = 0;
}

void CountPMS(TOrqState& state, const TSelection& selection, TDayCache* days) {
    const TDateTime reference = state.ReferenceDate;
    for (std::size_t i = 0; i < state.Appts.size(); ++i) {
        const TAppt& appt = state.Appts[i];
        if (!selection.Passes(appt)) continue;
        CountPMSRecord(
            state.MetricCounters, appt, reference, [&] { return ScheduledDay(state, i, days); },
            [&] { return NextActionDay(state, i, days); });
    }
}

void ConductStatus(TOrqState& state, const TSelection& selection, TDayCache* days) {
    const TDateTime reference = state.ReferenceDate;
    int day = 0;
    if (reference == state.Today + 1)
        day = 1;
    else if (reference == state.Today + 2)
        day = 2;
    auto& counters = state.PendingCounters[static_cast<std::size_t>(day)];
    for (std::size_t i = 0; i < state.Appts.size(); ++i) {
        const TAppt& appt = state.Appts[i];
        if (!selection.Passes(appt)) continue;
        if (!appt.ApprovedCond.empty()) continue;
        const TDateTime scheduled = ScheduledDay(state, i, days);
        const bool due = scheduled == reference ||
                         (!appt.NxtActionDate.empty() &&
                          NextActionDay(state, i, days) == reference && appt.NxtAction == kReview);
        if (!due) continue;
        Increment(counters[ComponentOf(appt)][GroupOf(appt)]);
    }
}

TRecruiterCounts CountRecruiters(TOrqState& state, const std::vector<std::string>& items,
                                 int selectedIndex) {
    const auto& reserve = state.ReserveList;
    std::size_t ra = 0, ar = 0;
    if (selectedIndex <= 0 || static_cast<std::size_t>(selectedIndex) >= items.size()) {
        for (const std::string& item : items)
            ar += static_cast<std::size_t>(std::count(reserve.begin(), reserve.end(), item));
        // More reserve matches than recruiters listed leaves no RA recruiter (never a wrapped
        // count).
        std::size_t listed = items.empty() ? 0 : items.size() - 1;
        ra = ar < listed ? listed - ar : 0;
    } else {
        const std::string& selected = items[static_cast<std::size_t>(selectedIndex)];
        ra = 1;
        ar = static_cast<std::size_t>(std::count(reserve.begin(), reserve.end(), selected));
        if (ar > 0) ra = 0;
    }
    state.RaRecruiters = static_cast<std::uint16_t>(state.RaRecruiters + ra);
    state.ArRecruiters = static_cast<std::uint16_t>(state.ArRecruiters + ar);
    TRecruiterCounts shown{state.RaRecruiters, state.ArRecruiters};
    if (state.ArRecruiters == 0) state.ArRecruiters = 1;
    if (state.RaRecruiters == 0) state.RaRecruiters = 1;
    return shown;
}

std::string RecruitersLabel(const TRecruiterCounts& shown) {
    return "Rctrs: " + std::to_string(shown.Ra) + " RA, " + std::to_string(shown.Ar) + " AR";
}

void LayoutMathGrid(TGrid& grid) {
    static const int kWidths[9] = {56, 31, 31, 42, 45, 55, 55, 45, 53};
    static const char* const kHeaders[9] = {"",           "AM",       "AC",          "No\rShow",
                                            "Bad\rCdcts", "Cdct\r%%", "No Show\r%%", "Avg\rMake",
                                            "Avg\rCdcts"};
    static const char* const kLabels[10] = {"", " RA", "   Grad", "   Senior", "   Other",
                                            "", " AR", "   Grad", "   Senior", "   Other"};
    grid.FixedRows = 1;
    grid.SetDefaultRowHeight(18);
    grid.RowHeights[0] = 35;
    for (int col = 0; col < 9; ++col) {
        grid.ColWidths[static_cast<std::size_t>(col)] = kWidths[col];
        for (int row = 0; row < 10; ++row) {
            TGridCell& cell = grid.Cell(col, row);
            cell.Align = col == 0 ? TAlign::Left : TAlign::Center;
            cell.Bold = row == 0;
            if (row == kTotalRow[kRA] || row == kTotalRow[kAR]) cell.FontColor = kBlue;
        }
        grid.Cell(col, 0).Text = kHeaders[col];
    }
    for (int row = 1; row < 10; ++row)
        grid.Cell(0, row).Text = kLabels[row];
}

void LayoutCondGrid(TGrid& grid) {
    static const char* const kHeaders[4] = {"", "Grad", "Senior", "Other"};
    static const char* const kLabels[10] = {"",      " Today", "   RA",     "   AR", " Tomorrow",
                                            "   RA", "   AR",  " Two days", "   RA", "   AR"};
    grid.FixedRows = 1;
    grid.ColWidths = {65, 45, 45, 45};
    grid.RowHeights[0] = 35;
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 10; ++row) {
            TGridCell& cell = grid.Cell(col, row);
            cell.Align = col == 0 ? TAlign::Left : TAlign::Center;
            cell.Bold = row == 0;
        }
        grid.Cell(col, 0).Text = kHeaders[col];
    }
    for (int row = 1; row < 10; ++row)
        grid.Cell(0, row).Text = kLabels[row];
}

long double ConductPercent(unsigned made, unsigned approved, unsigned bad) {
    using Wide = long double;
    if (made == 0) return 0;
    return (Wide(approved) + Wide(bad)) / Wide(made) * 100;
}

long double NoShowPercent(unsigned made, unsigned noShow) {
    using Wide = long double;
    if (made == 0) return 0;
    return Wide(noShow) / Wide(made) * 100;
}

std::string FixedOneDecimal(double value, char decimalSeparator) {
    return FormatFloatFixed(value, 4, 1, decimalSeparator);
}

void WriteMetrics(const TOrqState& state, TGrid& mathGrid, TGrid& condGrid) {
    const char separator = state.Format.decimalSeparator;
    using Wide = long double;
    struct Figures {
        unsigned am, ac, ns, bc;
    };
    auto figuresOf = [&](int component, int group) {
        const auto& c = state.MetricCounters[static_cast<std::size_t>(component)];
        if (group >= 0) {
            auto g = static_cast<std::size_t>(group);
            return Figures{c[kMade][g], c[kApprovedConduct][g], c[kNoShow][g], c[kBadConduct][g]};
        }
        Figures sum{0, 0, 0, 0};
        for (std::size_t g = 0; g < 3; ++g) {
            sum.am += c[kMade][g];
            sum.ac += c[kApprovedConduct][g];
            sum.ns += c[kNoShow][g];
            sum.bc += c[kBadConduct][g];
        }
        return sum;
    };
    // Row of component c, group g (-1: the total row).
    auto rowOf = [](int component, int group) { return kTotalRow[component] + 1 + group; };

    // The counts, then the percentages, then the averages.
    for (int c = 0; c < 2; ++c)
        for (int g = -1; g < 3; ++g) {
            Figures f = figuresOf(c, g);
            int row = rowOf(c, g);
            mathGrid.Cell(1, row).Text = std::to_string(f.am);
            mathGrid.Cell(2, row).Text = std::to_string(f.ac);
            mathGrid.Cell(3, row).Text = std::to_string(f.ns);
            mathGrid.Cell(4, row).Text = std::to_string(f.bc);
        }
    for (int c = 0; c < 2; ++c)
        for (int g = -1; g < 3; ++g) {
            Figures f = figuresOf(c, g);
            int row = rowOf(c, g);
            const Wide conduct = ConductPercent(f.am, f.ac, f.bc);
            const Wide noShow = NoShowPercent(f.am, f.ns);
            mathGrid.Cell(5, row).Text = FormatFloatFixed(conduct, 4, 1, separator) + "%";
            mathGrid.Cell(6, row).Text = FormatFloatFixed(noShow, 4, 1, separator) + "%";
        }
    const Wide weeks = static_cast<Wide>(state.ListWeeks);
    for (int c = 0; c < 2; ++c)
        for (int g = -1; g < 3; ++g) {
            Figures f = figuresOf(c, g);
            int row = rowOf(c, g);
            const Wide recruiters = c == kRA ? state.RaRecruiters : state.ArRecruiters;
            mathGrid.Cell(7, row).Text =
                FormatFloatFixed(Wide(f.am) / weeks / recruiters, 15, 2, separator);
            mathGrid.Cell(8, row).Text =
                FormatFloatFixed(Wide(f.ac) / weeks / recruiters, 15, 2, separator);
        }

    condGrid.SetDefaultRowHeight(18);
    for (int d = 0; d < 3; ++d)
        for (int c = 0; c < 2; ++c)
            for (int g = 0; g < 3; ++g)
                condGrid.Cell(g + 1, 3 * d + 2 + c).Text = std::to_string(
                    state.PendingCounters[static_cast<std::size_t>(d)][static_cast<std::size_t>(c)]
                                         [static_cast<std::size_t>(g)]);
}

} // namespace orq
