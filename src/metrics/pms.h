#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "domain/state.h"
#include "metrics/grid.h"

namespace orq {

// What the main window's station and recruiter selectors let through: no value means "ALL"
// (or nothing selected); a value is compared exactly with TAppt.Rsid / TAppt.Rctr.
struct TSelection {
    std::optional<std::string> Station;
    std::optional<std::string> Recruiter;

    bool Passes(const TAppt& appt) const {
        return (!Station || appt.Rsid == *Station) && (!Recruiter || appt.Rctr == *Recruiter);
    }
};

// The next action whose date stands in for the scheduled date in the no-show and pending rules.
inline constexpr const char* kReview = "REVIEW";

// The education group and component rules shared by the counting operations.
TEdGroup GroupOf(const TAppt& appt);
TComponent ComponentOf(const TAppt& appt);

// Zeroes the 24 metric counters, the 18 pending counters and the two recruiter counts.
void ZeroCounters(TOrqState& state);

// The days of the scheduled and next-action date-time texts of the applicant table, converted
// the first time a count needs them and kept for the rest of one refresh (the four counting
// passes of a refresh then convert each text at most once). A text that does not convert fails
// where it is first needed, exactly as without the cache. Valid while the table is unchanged.
class TDayCache {
public:
    explicit TDayCache(const TOrqState& state);
    TDateTime Scheduled(std::size_t index);
    TDateTime NextAction(std::size_t index);

private:
    const TOrqState& state_;
    std::vector<TDateTime> scheduled_;  // NaN: not converted yet
    std::vector<TDateTime> nextAction_; // NaN: not converted yet
};

// The PMS rules for one record: adds its made, approved conduct, no show and bad conduct counts
// to `counters` (indexed [component][metric][group], counters of any unsigned width, wrapping),
// judged against the whole day `reference`. `scheduledDay()` and `nextActionDay()` give the days
// of ApptSch and NxtActionDate; each is called only where the rules need that date, so a text
// that does not convert fails exactly where the count needs it.
template <typename Counters, typename ScheduledDay, typename NextActionDay>
void CountPMSRecord(Counters& counters, const TAppt& appt, TDateTime reference,
                    ScheduledDay&& scheduledDay, NextActionDay&& nextActionDay) {
    auto& byMetric = counters[ComponentOf(appt)];
    const TEdGroup group = GroupOf(appt);
    auto add = [&](TMetric metric) {
        auto& counter = byMetric[metric][group];
        counter = static_cast<std::remove_reference_t<decltype(counter)>>(counter + 1);
    };
    add(kMade);
    if (!appt.ApprovedCond.empty()) add(kApprovedConduct);
    if (appt.NxtAction == kReview) {
        if (!appt.NxtActionDate.empty() && appt.ApptCond.empty() && nextActionDay() < reference)
            add(kNoShow);
    } else {
        // The scheduled date is converted for every such record, conducted or not.
        if (scheduledDay() < reference && appt.ApptCond.empty()) add(kNoShow);
    }
    if (!appt.ApptCond.empty() && appt.ApprovedCond.empty()) add(kBadConduct);
}

// Adds the PMS counts of every selected record to MetricCounters, judged against
// ReferenceDate. A scheduled or review date that does not convert stops the counting with the
// date conversion failure; the counters keep what was counted.
void CountPMS(TOrqState& state, const TSelection& selection, TDayCache* days = nullptr);

// Adds the pending conducts of the day in ReferenceDate (today, tomorrow or the day after) to
// PendingCounters. Fails as CountPMS.
void ConductStatus(TOrqState& state, const TSelection& selection, TDayCache* days = nullptr);

// The recruiter counts as shown in the "Rctrs" label (before being raised to 1).
struct TRecruiterCounts {
    std::uint16_t Ra = 0;
    std::uint16_t Ar = 0;
};

// Adds the RA and AR recruiter counts of the recruiter selector (`items`, item 0 "ALL", with
// `selectedIndex`) to RaRecruiters and ArRecruiters, raising each to at least 1, and returns the
// shown counts. A reserve-name count above the number of recruiters listed gives RA 0.
TRecruiterCounts CountRecruiters(TOrqState& state, const std::vector<std::string>& items,
                                 int selectedIndex);

// "Rctrs: <RA> RA, <AR> AR".
std::string RecruitersLabel(const TRecruiterCounts& shown);

// The layout of the metrics table (9 x 10) and of the pending-conducts table (4 x 10): sizes,
// alignment, header texts, row labels and the blue total rows.
void LayoutMathGrid(TGrid& grid);
void LayoutCondGrid(TGrid& grid);

// Writes the counts, percentages and averages of MetricCounters into the metrics table and the
// pending counts into the pending-conducts table.
void WriteMetrics(const TOrqState& state, TGrid& mathGrid, TGrid& condGrid);

// The percentages of the metrics table: conducts (approved and bad) and no-shows per
// appointment made, times 100; 0 when nothing was made.
long double ConductPercent(unsigned made, unsigned approved, unsigned bad);
long double NoShowPercent(unsigned made, unsigned noShow);

// Fixed-point with one decimal and the format's decimal separator ("66.7"); used for the
// percentages and the week figure.
std::string FixedOneDecimal(double value, char decimalSeparator);

} // namespace orq
