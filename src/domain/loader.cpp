#include "domain/loader.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "base/error.h"
#include "domain/text.h"
#include "orq_config.h"

namespace orq {
namespace {

constexpr const char* kCurrentLayoutHeading = "APP TYPE";
constexpr const char* kEndOfListMarker = "ANY ";
constexpr const char* kTerminatedMark = "*Term*";
constexpr long kTerminatedTail = 7; // " *Term*"
// A cell value that does not convert to the number a column needs.
constexpr const char* kMsgInvalidConversion = "Invalid variant type conversion";

// Deletes `count` characters from 1-based position `pos`.
void DeleteChars(std::string& text, std::size_t pos, std::size_t count) {
    std::string head = LeftCopy(text, static_cast<long>(pos - 1));
    std::string tail = DropLeft(text, pos - 1 + count);
    text = head + tail;
}

// A whole decimal number as the program reads one: blanks before, an optional sign, digits;
// stored modulo 256. False when the text is not a whole number within 32 bits.
bool TryWholeNumberByte(const std::string& text, std::uint8_t& result) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    if (pos >= text.size()) return false;
    std::int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max() + std::int64_t{1}) return false;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return false;
    result = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) & 0xFF);
    return true;
}

// The EST of a cell text: a leading star and a star after one or two digits go.
std::uint8_t EstOf(std::string text) {
    if (CharPosFrom('*', text, 1) == 1) DeleteChars(text, 1, 1);
    if (CharPosFrom('*', text, 1) == 2) DeleteChars(text, 2, 2);
    if (CharPosFrom('*', text, 1) == 3) DeleteChars(text, 3, 3);
    if (text.empty()) return 0; // as "0"
    std::uint8_t est = 0;
    if (!TryWholeNumberByte(text, est)) Fail("'%s' is not a valid integer value", text.c_str());
    return est;
}

// A value rounded to a whole number, halves to even, kept in the low 8 bits.
std::uint8_t RoundToByte(double value) {
    if (!std::isfinite(value) || value > std::numeric_limits<std::int32_t>::max() ||
        value < std::numeric_limits<std::int32_t>::min())
        Fail(kMsgInvalidConversion);
    double rounded = std::nearbyint(value);
    if (std::fabs(value - std::trunc(value)) == 0.5) {
        // Halves go to the even neighbour whatever the rounding mode.
        double low = std::floor(value);
        rounded = std::fmod(low, 2.0) == 0 ? low : low + 1;
    }
    auto whole = static_cast<std::int64_t>(rounded);
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(whole) & 0xFF);
}

// The QT of a cell value, taken as an integer directly.
std::uint8_t QtOf(const TCellValue& value, const TFormatSettings& format) {
    switch (KindOf(value)) {
    case CellKind::Empty:
        return 0;
    case CellKind::Number:
        return RoundToByte(std::get<double>(value));
    case CellKind::Boolean:
        return std::get<bool>(value) ? 0xFF : 0; // True is -1
    case CellKind::WideText:
    case CellKind::Text8: {
        std::string text = CellText(value, format);
        double number = 0;
        if (!TryTextToFloat(text, format.decimalSeparator, number))
            Fail("Could not convert variant of type (String) into type (Integer)");
        return RoundToByte(number);
    }
    }
    return 0;
}

// The text of a cell cut to a fixed capacity.
std::string Capped(std::string text, long capacity) {
    // Cut in place at a character boundary; a text within the capacity is kept as it is.
    if (text.size() > static_cast<std::size_t>(capacity))
        text.resize(LeftCopy(text, capacity).size());
    return text;
}

constexpr std::size_t kColumns = 27;

// Scratch space kept from row to row: the cell values of a row (their text buffers are reused)
// and the recruiter list entry.
struct RowScratch {
    std::array<TCellValue, kColumns> values;
    std::string entry;
};

// Reads one data row into `appt`; false at the stop row or the end-of-list marker.
bool ReadRow(ImportComponent& import, TOrqState& state, int row, TAppt& appt, RowScratch& scratch) {
    const TFormatSettings& format = state.Format;
    import.RowValues(row, scratch.values);
    const auto& values = scratch.values;
    auto text = [&](int column) {
        return CellText(values[static_cast<std::size_t>(column - 1)], format);
    };
    std::string& entry = scratch.entry;

    const TCellValue& first = values[0];
    std::string station;
    switch (KindOf(first)) {
    case CellKind::Empty:
        return false;
    case CellKind::WideText:
    case CellKind::Text8:
        station = CellText(first, format);
        if (station.empty()) return false;
        break;
    default:
        // A number or truth value cannot be compared with an empty text.
        Fail(kMsgInvalidConversion);
    }
    appt.Rsid = LeftCopy(AsciiUpper(station), 4);
    if (appt.Rsid == kEndOfListMarker) {
        import.DeleteRows(row, 1);
        return false;
    }

    std::string full = text(2);
    std::string recruiter = DropLeft(full, 4);
    appt.Terminated = full.find(kTerminatedMark) != std::string::npos;
    if (appt.Terminated) {
        std::size_t length = CharCount(recruiter);
        if (length >= static_cast<std::size_t>(kTerminatedTail))
            recruiter = LeftCopy(recruiter, static_cast<long>(length) - kTerminatedTail);
    }
    appt.Rctr = recruiter;
    entry.assign(appt.Rsid).append(recruiter);
    state.RecruiterList.Add(entry);
    state.StationList.Add(appt.Rsid);

    appt.Name = text(3);
    appt.Phone = Capped(text(4), 12);
    appt.Comp = Capped(text(5), 1);
    appt.AppType = Capped(text(6), 1);
    appt.PS = Capped(text(7), 1);
    appt.Sex = Capped(text(8), 1);
    appt.Ed = Capped(text(9), 3);
    appt.LeadSrc = text(10);
    appt.ApptMade = text(11);

    TDateTime made = DateOfText(appt.ApptMade, format, state.Today);
    if (made < state.ListStart) state.ListStart = made;
    if (made > state.ListEnd) state.ListEnd = made;

    appt.ApptSch = text(12);
    appt.ApptCond = text(13);
    if (appt.ApptSch.empty()) appt.ApptSch = appt.ApptMade;

    appt.EST = EstOf(text(14));
    appt.TestDate = text(15);
    appt.QT = QtOf(values[15], format);

    appt.PhyDate = text(17);
    appt.PULHES = text(18);
    appt.Col19 = text(19);
    appt.Col20 = text(20);
    appt.NxtAction = text(21);
    appt.NxtActionDate = text(22);
    appt.Col23 = text(23);
    appt.Dispo = text(24);
    appt.ApprovedMake = text(25);
    appt.ApprovedCond = text(26);
    appt.Col27 = text(27);
    return true;
}

} // namespace

std::string LoadFailureMessage() {
    return std::string("Could not open processing list\r\n"
                       "Make sure it is saved in XLS format\r\n"
                       "If you cannot solve the problem, please email the APL to ") +
           config::kSupportEmail;
}

bool AplHasRows(const ImportComponent& import) {
    return import.RowCount() >= kFirstDataRow;
}

void ReadAplRows(ImportComponent& import, TOrqState& state) {
    const int rowCount = import.RowCount();
    state.StationList.Clear();
    state.RecruiterList.Clear();
    state.ListStart = state.Today;
    state.ListEnd = state.Today - 365;

    std::string heading = CellText(import.CellValue(kHeadingRow, 6), state.Format);
    std::size_t length = 0;
    if (heading == kCurrentLayoutHeading) {
        state.OldLayout = false;
        length = static_cast<std::size_t>(std::max(0, rowCount - kHeadingRow));
    } else {
        state.OldLayout = true;
        length = static_cast<std::size_t>(std::max(0, rowCount - kFirstDataRow));
        // The old layout lacks "APP TYPE" (its place takes a copy of the column after it) and
        // holds the two columns that become 23 and 24 the other way round.
        import.InsertAndCopyColumns(6, 6, 6, 1);
        import.InsertAndCopyColumns(24, 24, 23, 1);
        import.DeleteColumns(25, 1);
    }

    // The table has `length` empty records from the start and is cut at the stop row. The
    // records are made as the rows are read (one pass over the memory instead of two), and a
    // failed load still leaves the full length, the unread records empty.
    state.Appts.clear();
    state.Appts.reserve(length);
    RowScratch scratch;
    try {
        for (std::size_t i = 0; i < length; ++i) {
            const int row = kFirstDataRow + static_cast<int>(i);
            TAppt& appt = state.Appts.emplace_back();
            if (!ReadRow(import, state, row, appt, scratch)) {
                state.Appts.pop_back();
                break;
            }
        }
    } catch (const std::exception&) {
        // The records read so far stay, as do the lists and the period.
        state.Appts.resize(length);
        throw TLoadFailure(LoadFailureMessage());
    }
}

float ListPeriodWeeks(TDateTime listStart, TDateTime listEnd) {
    double weeks = std::fabs(listEnd - listStart) + 1;
    if (weeks < 7.0) weeks = 1;
    if (weeks > 1.0) weeks = weeks / 7;
    return static_cast<float>(weeks);
}

std::string PeriodCaption(const TOrqState& state) {
    std::string caption = "PMS: from " + DateToStr(state.ListStart, state.Format) + " to " +
                          DateToStr(state.ListEnd, state.Format) + ", ";
    if (state.ListWeeks == 1.0f)
        caption += "1 week";
    else
        caption += FormatFloatFixed(static_cast<double>(state.ListWeeks), 4, 1,
                                    state.Format.decimalSeparator) +
                   " weeks";
    return caption;
}

} // namespace orq
