#include "reports/check_lists.h"

#include <algorithm>

#include "domain/dates.h"
#include "domain/text.h"

namespace orq::reports {
namespace {

constexpr int kListRowHeight = 18;
constexpr int kListHeaderHeight = 35;
constexpr std::size_t kPaddingRows = 3;

void LayOutList(TReportTable& grid, std::initializer_list<std::pair<const char*, int>> columns) {
    grid.SetColumnCount(columns.size());
    grid.Clear(kPaddingRows);
    std::size_t c = 0;
    for (const auto& [header, width] : columns) {
        grid.Columns[c].Header = header;
        grid.Columns[c].Width = width;
        grid.Columns[c].Hidden = false;
        ++c;
    }
    grid.RowHeight = kListRowHeight;
    grid.HeaderRowHeight = kListHeaderHeight;
    grid.SortColumn = -1;
}

// Row n (from 1) of a list, growing the table from the fourth entry on.
TReportRow& ListRow(TReportTable& grid, std::size_t n) {
    if (n > grid.DataRowCount()) grid.SetDataRowCount(n);
    return grid.Rows[n - 1];
}

// The recruiter's first word with its space, padded to 10 characters.
std::string RecruiterCell(const TAppt& appt) {
    std::string text = LeftCopy(appt.Rctr, static_cast<long>(CharPosFrom(' ', appt.Rctr, 1)));
    PadRight(text, ' ', 10);
    return text;
}

// The name in proper case, cut to 16 characters and padded to 17.
std::string ApplicantCell(const TAppt& appt) {
    std::string name = appt.Name;
    ProperCase(name);
    std::string text = LeftCopy(name, 16);
    PadRight(text, ' ', 17);
    return text;
}

std::string ActionCell(const std::string& action) {
    if (action.empty()) return "NO ACTION!";
    std::string text = action;
    static const std::string kInitial = "APPOINTMENT-INITIAL";
    for (std::size_t at = text.find(kInitial); at != std::string::npos;
         at = text.find(kInitial, at + 9))
        text.replace(at, kInitial.size(), "APPT-INIT");
    text = LeftCopy(text, 10);
    PadRight(text, ' ', 11);
    return text;
}

TDateTime Day(const std::string& dateTimeText, const TOrqState& state) {
    return DateOfText(dateTimeText, state.Format, state.Today);
}

} // namespace

void BuildPastDueList(const TOrqState& state, TPastDueList& list) {
    list.PastRowCount = 0;
    LayOutList(list.PastGrid,
               {{"Rctr   ", 80}, {"Applicant   ", 120}, {"Next Action", 140}, {"Date", 66}});
    for (std::size_t i = 0; i < state.Appts.size(); ++i) {
        const TAppt& r = state.Appts[i];
        if (r.NxtActionDate.empty())
            AddPastRow(state, list, i, kNoDate);
        else if (Day(r.NxtActionDate, state) < state.ReferenceDate)
            AddPastRow(state, list, i, kDatePassed);
    }
}

void AddPastRow(const TOrqState& state, TPastDueList& list, std::size_t index, int kind) {
    if (index >= state.Appts.size()) return;
    const TAppt& r = state.Appts[index];
    TReportRow& row = ListRow(list.PastGrid, ++list.PastRowCount);
    row[0].Text = RecruiterCell(r);
    row[1].Text = ApplicantCell(r);
    row[2].Text = ActionCell(r.NxtAction);
    row[3].Text = kind == kNoDate ? std::string("NO DATE!") : getdate(r.NxtActionDate);
}

std::string BrokenReasonText(int code) {
    switch (code) {
    case kNoEst:
        return "no EST";
    case kRaCihs:
        return "RA CIHS";
    case kConduct72:
        return "conduct 72hrs+";
    case kApprovedLowEst:
        return "app. low EST";
    case kUnapprovedMake:
        return "unapp. make";
    case kUnapprovedCond:
        return "unapp. conduct";
    default:
        return {};
    }
}

void BuildBrokenList(const TOrqState& state, TBrokenList& list) {
    list.BrokenRowCount = 0;
    LayOutList(list.BrokenGrid, {{"Rctr   ", 100}, {"Applicant   ", 140}, {"Error", 140}});
    for (std::size_t i = 0; i < state.Appts.size(); ++i) {
        const TAppt& r = state.Appts[i];
        if (!r.ApptCond.empty() && r.PS == "N" && r.EST == 0 && r.QT == 0)
            AddBrokenRow(state, list, i, kNoEst);
        if (r.Ed == "109" && r.Comp == "A") AddBrokenRow(state, list, i, kRaCihs);
        if (Day(r.ApptSch, state) - state.ReferenceDate > 3)
            AddBrokenRow(state, list, i, kConduct72);
        if (!r.ApprovedCond.empty() && r.EST < state.MinEST && r.EST != 0 && r.QT == 0)
            AddBrokenRow(state, list, i, kApprovedLowEst);
        if (r.ApprovedMake.empty()) AddBrokenRow(state, list, i, kUnapprovedMake);
        if (!r.ApptCond.empty() && r.ApprovedCond.empty() && (r.EST >= state.MinEST || r.QT != 0))
            AddBrokenRow(state, list, i, kUnapprovedCond);
    }
}

void AddBrokenRow(const TOrqState& state, TBrokenList& list, std::size_t index, int code) {
    if (index >= state.Appts.size()) return;
    const TAppt& r = state.Appts[index];
    TReportRow& row = ListRow(list.BrokenGrid, ++list.BrokenRowCount);
    row[0].Text = RecruiterCell(r);
    row[1].Text = ApplicantCell(r);
    row[2].Text = BrokenReasonText(code);
}

std::string CopyText(const TReportTable& table) {
    std::string out;
    for (std::size_t row = 0; row < table.GridRowCount(); ++row) {
        std::string line;
        for (std::size_t c = 0; c < table.ColumnCount(); ++c) {
            const std::string& text = table.Text(row, c);
            if (text.find('\r') != std::string::npos) {
                line += '"';
                for (char ch : text)
                    if (ch != '\r') line += ch;
                line += '"';
            } else {
                line += text;
            }
            line += '\t';
        }
        if (!line.empty()) line.pop_back();
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace orq::reports
