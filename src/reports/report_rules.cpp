#include "reports/report_rules.h"

#include "domain/dates.h"

namespace orq::reports {
namespace {

TDateTime Day(const std::string& dateTimeText, const TOrqState& state) {
    return DateOfText(dateTimeText, state.Format, state.Today);
}

// The report's own rule (everything after the common filters).
bool OwnRule(const TOrqState& state, const TReportFilter& filter, const TAppt& r,
             std::int8_t type) {
    const TDateTime d = state.ReferenceDate;
    switch (type) {
    case kYesterday: {
        // All three days are read whatever the earlier ones gave, so a bad date in any of them
        // fails the build the same way whatever the record's other dates are.
        bool hit = Day(r.ApptSch, state) == d;
        if (Day(r.ApptMade, state) == d) hit = true;
        if (!r.ApptCond.empty() && Day(r.ApptCond, state) == d) hit = true;
        return hit;
    }
    case kTodaysConducts:
    case k48hrConducts:
    case k72hrConducts: {
        bool hit = Day(r.ApptSch, state) == d;
        if (!r.NxtActionDate.empty()) {
            const bool reviewDue = Day(r.NxtActionDate, state) == d;
            if (reviewDue && r.NxtAction == "REVIEW" && r.ApptCond.empty()) hit = true;
        }
        return hit;
    }
    case kNoShows: {
        if (!(Day(r.ApptSch, state) < d && r.ApptCond.empty())) return false;
        // A no-show whose review is still ahead counts as rescheduled.
        if (filter.HideRescheduled && !r.NxtActionDate.empty() && r.NxtAction == "REVIEW" &&
            Day(r.NxtActionDate, state) >= d)
            return false;
        return true;
    }
    case kAllApplicants:
        return true;
    case kHighEstQt:
        return r.EST >= state.MinEST || r.QT >= 31;
    case kTesters:
        return r.NxtAction == "TEST";
    default:
        return false;
    }
}

} // namespace

std::string ReportName(std::int8_t type) {
    switch (type) {
    case kYesterday:
        return "Yesterday";
    case kTodaysConducts:
        return "Today's Conducts";
    case k48hrConducts:
        return "48hr Conducts";
    case k72hrConducts:
        return "72hr Conducts";
    case kNoShows:
        return "No Shows";
    case kAllApplicants:
        return "All Applicants";
    case kHighEstQt:
        return "High EST/QT";
    case kTesters:
        return "Testers";
    default:
        return {};
    }
}

bool PassesStationAndRecruiter(const TAppt& appt, const TReportFilter& filter) {
    if (filter.StationIndex > 0 && appt.Rsid != filter.StationText) return false;
    if (filter.RecruiterIndex > 0 && appt.Rctr != filter.RecruiterText) return false;
    return true;
}

bool testquery(const TOrqState& state, const TReportFilter& filter, std::size_t index,
               std::int8_t type) {
    if (index >= state.Appts.size()) return false;
    const TAppt& r = state.Appts[index];
    if (r.ApptSch.empty()) return false;
    if (filter.HideTerminated && r.Terminated) return false;
    switch (filter.EdIndex) {
    case kEdGrads:
        if (r.Ed == "109" || r.Ed.find("11") != std::string::npos || r.PS == "Y") return false;
        break;
    case kEdSeniors:
        if (r.Ed != "11S") return false;
        break;
    default:
        break;
    }
    switch (filter.CompIndex) {
    case kCompActive:
        if (r.Comp != "A") return false;
        break;
    case kCompReserve:
        if (r.Comp != "R") return false;
        break;
    default:
        break;
    }
    return OwnRule(state, filter, r, type);
}

} // namespace orq::reports
