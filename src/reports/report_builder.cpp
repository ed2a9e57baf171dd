// The report builder: the rows of a report, their texts, colours and order.
#include "reports/report_builder.h"

#include <algorithm>
#include <functional>
#include <string>

#include "domain/dates.h"
#include "domain/text.h"
#include "orq_config.h"
#include "reports/report_sort.h"

namespace orq::reports {
namespace {

constexpr std::size_t kNarrowColumns = 13; // every type but 4 and 5
constexpr std::size_t kWideColumns = 19;   // types 4 "All Applicants" and 5 "High EST/QT"

bool IsWide(std::int8_t type) {
    return type == kAllApplicants || type == kHighEstQt;
}

// ReferenceDate shifted for one build and given back on every way out of it.
class TReferenceShift {
public:
    TReferenceShift(TOrqState& state, int days) : state_(state), days_(days) {
        state_.ReferenceDate += days_;
    }
    ~TReferenceShift() { Restore(); }
    TReferenceShift(const TReferenceShift&) = delete;
    TReferenceShift& operator=(const TReferenceShift&) = delete;

    void Restore() {
        if (active_) state_.ReferenceDate -= days_;
        active_ = false;
    }

private:
    TOrqState& state_;
    int days_;
    bool active_ = true;
};

void LayOut(TReportTable& grid, std::int8_t type) {
    static const char* const kHeaders[kWideColumns] = {
        "RSID", "Rctr",     "Name",     "Phone",     "Comp",     "PS",  "Sex",
        "Ed",   "Lead Src", "ApptMade", "ApptSch",   "ApptCond", "EST", "TestDate",
        "QT",   "PhyDate",  "PULHES",   "NxtAction", "Dispo"};
    const std::size_t count = IsWide(type) ? kWideColumns : kNarrowColumns;
    grid.SetColumnCount(count);
    for (std::size_t c = 0; c < count; ++c)
        grid.Columns[c].Header = kHeaders[c];
    if (type == kTesters) {
        grid.Columns[9].Header = "ApptCond";
        grid.Columns[10].Header = "EST";
        grid.Columns[11].Header = "Proj Test";
        grid.Columns[12].Header = "QT";
    }
    grid.Columns[12].Width = 28;
    grid.Columns[10].Width = type == kTesters ? 46 : 64;
    if (IsWide(type)) {
        static const int kWideWidths[6] = {67, 23, 67, 60, 130, 130};
        for (std::size_t c = 13; c < kWideColumns; ++c)
            grid.Columns[c].Width = kWideWidths[c - 13];
    }
    for (TReportColumn& column : grid.Columns)
        column.Hidden = false;
    grid.Columns[10].Hidden = type == kHighEstQt;
    grid.WordWrap = true;
}

std::string Number(std::uint8_t value) {
    return std::to_string(static_cast<unsigned>(value));
}
std::string NumberAbove0(std::uint8_t value) {
    return value > 0 ? Number(value) : std::string();
}
// The day and time of a date-time text: its getdate part, one space, its gettime part. Written
// into the cell's own text, so a reused row keeps its storage.
// The text is sized once: grown piece by piece past the short-string room it would take twice
// the heap it needs, in every date cell of a large report.
void SetDayAndTime(std::string& out, const std::string& text) {
    std::string time;
    AppendTime(time, text);
    const std::string_view day = GetDateView(text);
    out.clear();
    out.reserve(day.size() + 1 + time.size());
    out += day;
    out += ' ';
    out += time;
}
void SetProper(std::string& out, const std::string& text) {
    out.assign(text);
    ProperCase(out);
}

void WriteTexts(TReportRow& row, const TAppt& r, std::int8_t type) {
    row[0].Text = r.Rsid;
    SetProper(row[1].Text, r.Rctr);
    SetProper(row[2].Text, r.Name);
    row[3].Text = r.Phone;
    row[4].Text = r.Comp;
    row[5].Text = r.PS;
    row[6].Text = r.Sex;
    row[7].Text = r.Ed;
    SetProper(row[8].Text, r.LeadSrc);
    SetDayAndTime(row[9].Text, type == kTesters ? r.ApptCond : r.ApptMade);

    const std::string& x =
        r.NxtAction == "REVIEW" && !r.NxtActionDate.empty() ? r.NxtActionDate : r.ApptSch;
    if (type == kTesters)
        row[10].Text = NumberAbove0(r.EST);
    else if (type == kTodaysConducts || type == kHighEstQt)
        AppendTime(row[10].Text, x); // a taken row's cells are empty
    else
        SetDayAndTime(row[10].Text, x);

    if (type == kTesters) {
        row[11].Text = r.NxtActionDate.empty() ? std::string("NO DATE") : getdate(r.NxtActionDate);
        row[12].Text = Number(r.QT);
    } else {
        if (!r.ApptCond.empty()) SetDayAndTime(row[11].Text, r.ApptCond);
        row[12].Text = NumberAbove0(r.EST);
    }
    if (IsWide(type)) {
        row[13].Text = getdate(r.TestDate);
        row[14].Text = NumberAbove0(r.QT);
        row[15].Text = r.PhyDate.empty() ? std::string() : getdate(r.PhyDate);
        row[16].Text = r.PULHES;
        row[17].Text = r.NxtAction;
        row[18].Text = r.Dispo;
    }
}

// Colours and fonts of a written row. False when the day of the next action date, read for the
// pending-review marking, is not a date: the row keeps what it got so far.
bool Paint(TReportRow& row, const TAppt& r, std::int8_t type, const TOrqState& state) {
    // The colours looked up in the palette once, not for every cell.
    static const TCellColor white = kWhite, paleYellow = kPaleYellow, black = kBlack,
                            lavender = kLavender, maroon = kMaroon;
    auto whiten = [](TReportCell& cell) { cell.Background = white; };
    auto yellowIf = [](TReportCell& cell, bool yes) { cell.Background = yes ? paleYellow : white; };

    whiten(row[2]);
    whiten(row[9]);
    whiten(row[11]);
    row[2].FontColor = black;
    row[10].FontColor = black;

    if (type == kTesters) {
        if (!r.ApprovedCond.empty()) row[9].Background = paleYellow;
        if (!r.NxtActionDate.empty())
            yellowIf(row[11], getdate(r.TestDate) == getdate(r.NxtActionDate));
    } else {
        yellowIf(row[9], !r.ApprovedMake.empty());
        yellowIf(row[11], !r.ApprovedCond.empty());
    }
    whiten(row[10]);
    whiten(row[2]);

    if (type >= kYesterday && type <= kAllApplicants && r.NxtAction == "REVIEW" &&
        r.ApptCond.empty() && !r.NxtActionDate.empty()) {
        TDateTime day = 0;
        if (!TryStrToDate(GetDateView(r.NxtActionDate), state.Format, state.Today, day))
            return false;
        if (day >= state.ReferenceDate) {
            row[2].Background = lavender;
            row[10].Background = lavender;
        }
    }
    if (r.Terminated) {
        row[2].Background = maroon;
        row[2].FontColor = white;
        row[10].FontColor = white;
    }
    for (TReportCell& cell : row)
        cell.FontStyle = kRegular;
    return true;
}

// The table emptied of its data rows, which go to the spare rows.
void RecycleRows(TReportTable& grid, std::vector<TReportRow>& spareRows) {
    std::vector<TReportRow>& rows = grid.Rows;
    spareRows.reserve(spareRows.size() + rows.size());
    for (TReportRow& row : rows)
        spareRows.push_back(std::move(row));
    rows.clear();
    // Taken from the back in address order, so the next build walks memory forwards.
    std::sort(spareRows.begin(), spareRows.end(), [](const TReportRow& a, const TReportRow& b) {
        return std::less<const TReportCell*>()(b.data(), a.data());
    });
}

// An empty data row of `columns` cells, from the spare rows when there is one.
TReportRow TakeRow(std::vector<TReportRow>& spareRows, std::size_t columns) {
    if (spareRows.empty()) return TReportRow(columns);
    TReportRow row = std::move(spareRows.back());
    spareRows.pop_back();
    for (TReportCell& cell : row) {
        cell.Text.clear();
        cell.Background.reset();
        cell.FontColor.reset();
        cell.FontStyle = kRegular;
    }
    row.resize(columns);
    return row;
}

// Typical advance widths of Tahoma 8 point at 96 dots per inch, by character code (ASCII);
// every other character counts as 6 pixels.
struct TCharWidths {
    std::array<std::uint8_t, 128> Width{};
    TCharWidths() {
        Width.fill(6);
        for (char c : std::string_view(" ijl'.,:;!|"))
            Width[static_cast<unsigned char>(c)] = 3;
        for (char c : std::string_view("frtI()-/"))
            Width[static_cast<unsigned char>(c)] = 4;
        for (char c = 'a'; c <= 'z'; ++c)
            if (Width[static_cast<unsigned char>(c)] == 6) Width[static_cast<unsigned char>(c)] = 5;
        Width['m'] = Width['w'] = 8;
        for (char c = '0'; c <= '9'; ++c)
            Width[static_cast<unsigned char>(c)] = 5;
        for (char c = 'A'; c <= 'Z'; ++c)
            if (Width[static_cast<unsigned char>(c)] == 6) Width[static_cast<unsigned char>(c)] = 7;
        Width['M'] = Width['W'] = 9;
    }
};

} // namespace

int EstimateTextWidth(std::string_view text, bool bold) {
    static const TCharWidths widths;
    const int extra = bold ? 1 : 0;
    int widest = 0;
    int width = 0;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r' || c == '\n') {
            widest = std::max(widest, width);
            width = 0;
        } else if (c < 0x80) {
            width += widths.Width[c] + extra;
        } else if ((c & 0xC0) != 0x80) { // the first byte of a UTF-8 character
            width += 6 + extra;
        }
    }
    return std::max(widest, width);
}

std::string ApplicantErrorMessage(std::size_t index, const std::string& name) {
    return "Error on applicant " + std::to_string(index) + ", " + name + ".\r" +
           "Please send APL and ORQ version # to " + config::kSupportEmail;
}

TReportBuild BuildReportRows(TOrqState& state, const TReportFilter& filter, std::int8_t type,
                             TReportTable& grid, std::vector<TReportRow>& spareRows,
                             const TTextWidth& textWidth) {
    TReportBuild result;
    state.CurrentReportType = type;
    RecycleRows(grid, spareRows);
    grid.SetColumnCount(kNarrowColumns);
    grid.SortColumn = -1;
    LayOut(grid, type);
    grid.Rows.push_back(TakeRow(spareRows, grid.ColumnCount()));

    TReferenceShift shift(state, type < kNoShows ? type : 0);
    // Column 2 is sized to its widest text, each measured as its row is written (a large
    // report's rows are long out of the cache once all are written).
    int widest = textWidth(grid.Columns[2].Header, true);
    std::size_t n = 0;
    for (std::size_t i = 0; i < state.Appts.size(); ++i) {
        const TAppt& r = state.Appts[i];
        // A record is some 800 bytes of strings, most of which the rules and the row read:
        // its memory is asked for a few records ahead.
        if (i + 4 < state.Appts.size()) {
            const auto* ahead = reinterpret_cast<const char*>(&state.Appts[i + 4]);
            for (std::size_t line = 0; line < sizeof(TAppt); line += 64)
                __builtin_prefetch(ahead + line);
        }
        if (!PassesStationAndRecruiter(r, filter)) continue;
        if (!testquery(state, filter, i, type)) continue;
        ++n;
        if (n >= 2) grid.Rows.push_back(TakeRow(spareRows, grid.ColumnCount()));
        TReportRow& row = grid.Rows[n - 1];
        WriteTexts(row, r, type);
        widest = std::max(widest, textWidth(row[2].Text, false));
        if (!Paint(row, r, type, state)) {
            result.RowError = ApplicantErrorMessage(i, row[2].Text);
            break;
        }
    }
    shift.Restore();
    if (n == 0) widest = std::max(widest, textWidth(grid.Rows[0][2].Text, false));
    grid.Columns[2].Width = widest + kCellPadding;
    result.Count = n;
    return result;
}

void SortReport(TReportTable& grid, std::int8_t type, const TOrqState& state) {
    switch (type) {
    case kTodaysConducts:
        SortRows(grid, 10, true, state.Format, state.Today);
        break;
    case kHighEstQt:
        SortRows(grid, 12, false, state.Format, state.Today);
        break;
    case k48hrConducts:
    case k72hrConducts:
    case kNoShows:
    case kAllApplicants:
        SortRows(grid, 0, true, state.Format, state.Today);
        break;
    case kTesters:
        SortRows(grid, 11, true, state.Format, state.Today);
        break;
    default:
        break; // "Yesterday" keeps the order of the applicant table
    }
}

} // namespace orq::reports
