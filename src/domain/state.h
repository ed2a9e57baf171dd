#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "domain/appt.h"
#include "domain/dates.h"
#include "domain/sorted_list.h"

namespace orq {

// Component of an applicant: RA (Comp is not "R") or AR (Comp is "R").
enum TComponent : std::uint8_t { kRA = 0, kAR = 1 };
// Education group.
enum TEdGroup : std::uint8_t { kGrad = 0, kSenior = 1, kOther = 2 };
// PMS metrics.
enum TMetric : std::uint8_t { kMade = 0, kApprovedConduct = 1, kNoShow = 2, kBadConduct = 3 };

// MetricCounters[component][metric][group], 16-bit, wrapping.
using TMetricCounters = std::array<std::array<std::array<std::uint16_t, 3>, 4>, 2>;
// PendingCounters[day][component][group], day 0 today, 1 tomorrow, 2 the day after.
using TPendingCounters = std::array<std::array<std::array<std::uint16_t, 3>, 2>, 3>;

// The process-wide values of the program, owned by the main window (or by a CLI command). The
// core never reads the clock, the environment or the locale: Today, Format and the lists'
// collation are supplied by the owner.
struct TOrqState {
    // The applicant table: one record per data row of the loaded list, in sheet order.
    TApptTable Appts;
    // Station ids and station id + recruiter texts of the loaded list, sorted, no duplicates.
    TSortedList StationList;
    TSortedList RecruiterList;
    // Settings: reserve (AR) recruiter names, unsorted, duplicates kept; the minimum EST.
    std::vector<std::string> ReserveList;
    std::uint8_t MinEST = 31;
    bool FirstRun = false; // no settings file at start; cleared when the dialog has run

    // The day the metrics and the report rules evaluate against; today after every refresh.
    TDateTime ReferenceDate = 0;
    // The period of the loaded list and its length in weeks (at least 1).
    TDateTime ListStart = 0;
    TDateTime ListEnd = 0;
    float ListWeeks = 1.0f;
    bool OldLayout = false; // the list lacked "APP TYPE" and was brought into the current layout

    TMetricCounters MetricCounters{};
    TPendingCounters PendingCounters{};
    std::uint16_t RaRecruiters = 0;
    std::uint16_t ArRecruiters = 0;

    std::int8_t CurrentReportType = 0; // the report type last built

    // Supplied by the owner.
    TFormatSettings Format;
    TDateTime Today = 0; // the current local date, a whole day

    // Sets the collation of both lists (empties them).
    void SetCollation(const CollationCompare& compare) {
        StationList.SetCollation(compare);
        RecruiterList.SetCollation(compare);
    }
};

} // namespace orq
