#pragma once

#include <string>

#include "base/error.h"
#include "base/import.h"
#include "domain/state.h"

namespace orq {

// The information message of a list without data rows; not an error.
inline constexpr const char* kAplHasNoAppointments = "APL has no appointments";

// The loader's own failure: the window shows it in a message box of its own, its text exactly as
// it reads (no full stop is added, unlike the general error display).
class TLoadFailure : public Error {
public:
    using Error::Error;
};

// The fixed message of a load that fails in its row loop (the support address follows it).
std::string LoadFailureMessage();

// The first data row and the heading row of a processing list.
inline constexpr int kHeadingRow = 9;
inline constexpr int kFirstDataRow = 10;

// True when the active sheet has at least one data row (RowCount of 10 or more).
bool AplHasRows(const ImportComponent& import);

// Builds the applicant table, StationList, RecruiterList, ListStart, ListEnd and OldLayout of
// `state` from the active sheet: the reset, the layout test and edits, and the row loop. The
// caller has checked AplHasRows. A failure in the row loop is an orq::Error carrying
// LoadFailureMessage(); the table, the lists and the period keep what was read so far. Failures
// before the loop (the heading cell, the layout edits) keep their own message.
void ReadAplRows(ImportComponent& import, TOrqState& state);

// The list period in weeks from ListStart and ListEnd (at least 1), single precision.
float ListPeriodWeeks(TDateTime listStart, TDateTime listEnd);

// "PMS: from <ListStart> to <ListEnd>, <weeks> week(s)" with the format's dates and separator.
std::string PeriodCaption(const TOrqState& state);

} // namespace orq
