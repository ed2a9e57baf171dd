#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "domain/state.h"

// Which records of the applicant table belong to which report. The rules only read: the record,
// the report type, ReferenceDate and MinEST of the state, and the report window's filter
// settings as a plain TReportFilter (which the report window and orq-cli both fill).
namespace orq::reports {

// The report types (ReportType): the value selects the report, its name and the day the rules
// compare against during the build (ReferenceDate shifted by the value for types below 3).
enum TReportType : std::int8_t {
    kYesterday = -1,
    kTodaysConducts = 0,
    k48hrConducts = 1,
    k72hrConducts = 2,
    kNoShows = 3,
    kAllApplicants = 4,
    kHighEstQt = 5,
    kTesters = 6,
};

// "Yesterday", "Today's Conducts", ..., "Testers"; empty for any other value.
std::string ReportName(std::int8_t type);

// The Grad/Senior box (EdCombo) and the component box (CompCombo) item indexes.
enum TEdFilter : int { kEdAll = 0, kEdGrads = 1, kEdSeniors = 2 };
enum TCompFilter : int { kCompAll = 0, kCompActive = 1, kCompReserve = 2 };

// The filter settings of the report window as the rules read them. An index of -1 (no item
// selected, or a typed text that is no item) counts as "ALL", as does item 0.
struct TReportFilter {
    int StationIndex = -1;        // RSIDGridCombo: 0 "ALL", then the station ids
    std::string StationText;      // the selected item's text
    int RecruiterIndex = -1;      // RctrGridCombo: 0 "ALL", then recruiter names
    std::string RecruiterText;    // the selected item's text
    int EdIndex = kEdAll;         // TEdFilter
    int CompIndex = kCompAll;     // TCompFilter
    bool HideTerminated = false;  // CheckBox1
    bool HideRescheduled = false; // CheckBox2, read by "No Shows" only
};

// The station and recruiter filters, which the report builder applies before asking testquery:
// with a station (recruiter) item other than item 0 selected, the record's Rsid (Rctr) must
// equal that item's text exactly.
bool PassesStationAndRecruiter(const TAppt& appt, const TReportFilter& filter);

// True when record `index` of the applicant table belongs to report `type` under the filter
// (every condition but the station and recruiter filters). Reads ReferenceDate as it stands.
// A day that has to be read from text that is not a date fails with "'%s' is not a valid
// date"; conditions that read no date are decided first, so a record rejected by them never
// fails. An index outside the table selects nothing.
bool testquery(const TOrqState& state, const TReportFilter& filter, std::size_t index,
               std::int8_t type);

} // namespace orq::reports
