#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orq {

// A point in time as a count of days since 30 December 1899, the time of day as the fraction.
// Every date the program makes is a whole day; only differences and comparisons matter.
using TDateTime = double;

// The order of day, month and year in the short date format.
enum class DateOrder : std::uint8_t { MDY, DMY, YMD };

// The machine's date and number format: the short date format (with a four-digit year), its
// date separator and field order, the decimal separator and the two-digit-year window. The
// default is the en_US format, which the C/POSIX locale also uses.
struct TFormatSettings {
    DateOrder order = DateOrder::MDY;
    char dateSeparator = '/';
    // Pattern letters: d, dd (day), M, MM (month), yy, yyyy (year); anything else is literal.
    std::string shortDatePattern = "M/d/yyyy";
    char decimalSeparator = '.';
    // A year written with one or two digits is placed in [base, base + 99].
    int twoDigitYearWindowBase = 1950;
};

// The format settings of a short date pattern: its order and separator are taken from the
// pattern; a two-digit year in the pattern is widened to four digits.
TFormatSettings MakeFormatSettings(std::string_view shortDatePattern, char decimalSeparator);

// Calendar <-> day number. EncodeDate returns false for a day that does not exist.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day); // fails with an orq::Error on a bad date
void DecodeDate(TDateTime date, int& year, int& month, int& day);

// The whole day of a date-time value.
inline TDateTime DateOf(TDateTime value) {
    return static_cast<TDateTime>(static_cast<std::int64_t>(value - (value < 0 ? 1 : 0)));
}

// Reads an ISO date "YYYY-MM-DD" (the CLI's --today); false when it is not one.
bool TryParseIsoDate(std::string_view text, TDateTime& result);

// The date conversion of a text by the short date format: day, month and year in the format's
// order, separated by its date separator; day and month of one or two digits; two numbers only
// take the year of `today`; a one- or two-digit year goes through the two-digit-year window;
// blanks before and after are skipped. Allocates nothing and reads no locale.
bool TryStrToDate(std::string_view text, const TFormatSettings& format, TDateTime today,
                  TDateTime& result) noexcept;

// As TryStrToDate, failing with "'%s' is not a valid date".
TDateTime StrToDate(std::string_view text, const TFormatSettings& format, TDateTime today);

// The date written with the short date format.
std::string DateToStr(TDateTime date, const TFormatSettings& format);

// The date part of a date-time text: everything up to and including the first space; empty
// when there is no space.
std::string getdate(const std::string& text);
// The same as a view into `text`, for the counting loops.
std::string_view GetDateView(std::string_view text) noexcept;

// The time part of a date-time text without its seconds and without the day-half designator
// (see the helpers' tests for the exact rule).
std::string gettime(const std::string& text);
// gettime appended to `out`.
void AppendTime(std::string& out, std::string_view text);

// The date of a date-time text: the date conversion of its getdate part.
TDateTime DateOfText(std::string_view dateTimeText, const TFormatSettings& format, TDateTime today);

} // namespace orq
