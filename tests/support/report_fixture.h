#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "domain/dates.h"
#include "domain/state.h"
#include "reports/report_table.h"

// Applicant tables built in code for the reports tests. Today is Tuesday 15 January 2008 under
// the en_US short date format (M/d/yyyy).
namespace orq::reports::testing {

inline TDateTime Jan(int day) {
    return EncodeDate(2008, 1, day);
}

// "1/<day>/2008 <time>" -- a date-time text as the processing list writes it.
inline std::string At(int day, const std::string& time = "10:30:00 AM") {
    return "1/" + std::to_string(day) + "/2008 " + time;
}

// A plain active applicant: made on the 10th, scheduled for today 10:30, not conducted,
// approved make, next action "TEST" on the 20th.
inline TAppt Appt(const std::string& name = "DOE, JANE", const std::string& rctr = "SMITH, JOHN",
                  const std::string& rsid = "1A2B") {
    TAppt a;
    a.Rsid = rsid;
    a.Rctr = rctr;
    a.Name = name;
    a.Phone = "555-0100";
    a.Comp = "A";
    a.PS = "N";
    a.Sex = "F";
    a.Ed = "12";
    a.AppType = "N";
    a.LeadSrc = "WALK IN";
    a.ApptMade = At(10);
    a.ApptSch = At(15);
    a.NxtAction = "TEST";
    a.NxtActionDate = At(20, "8:00:00 AM");
    a.ApprovedMake = "Y";
    return a;
}

// A state on 15 January 2008 holding `appts`, with the station and recruiter lists filled as the
// loader fills them.
inline TOrqState State(TApptTable appts = {}) {
    TOrqState state;
    state.Today = Jan(15);
    state.ReferenceDate = state.Today;
    state.Appts = std::move(appts);
    for (const TAppt& a : state.Appts) {
        state.RecruiterList.Add(a.Rsid + a.Rctr);
        state.StationList.Add(a.Rsid);
    }
    return state;
}

// The texts of one stored column of the data rows, top to bottom.
inline std::vector<std::string> Col(const TReportTable& t, std::size_t c) {
    std::vector<std::string> out;
    for (const TReportRow& row : t.Rows)
        out.push_back(row[c].Text);
    return out;
}

} // namespace orq::reports::testing
