#include "domain/dates.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/error.h"

namespace orq {
namespace {

// Days from 1 March of year 0 (proleptic Gregorian) to the civil date, and back.
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? 0u - 3u : 9u)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

constexpr std::int64_t kEpoch = DaysFromCivil(1899, 12, 30);

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

void AppendNumber(std::string& out, int value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    out += buffer;
}

bool IsPatternLetter(char c) {
    return c == 'd' || c == 'M' || c == 'y';
}

// Walks a date pattern: `field(letter, run)` for each run of d, M or y; `literal(c)` for every
// other character, the quotes around quoted text included (quoted letters are literals).
template <typename Field, typename Literal>
void WalkPattern(std::string_view pattern, Field field, Literal literal) {
    bool inQuote = false;
    for (std::size_t i = 0; i < pattern.size();) {
        char c = pattern[i];
        if (c == '\'' || inQuote || !IsPatternLetter(c)) {
            if (c == '\'') inQuote = !inQuote;
            literal(c);
            ++i;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        field(c, run);
        i += run;
    }
}

} // namespace

TFormatSettings MakeFormatSettings(std::string_view pattern, char decimalSeparator) {
    TFormatSettings format;
    format.decimalSeparator = decimalSeparator;
    std::string widened;
    constexpr std::size_t kNone = std::string_view::npos;
    std::size_t firstD = kNone, firstM = kNone, firstY = kNone;
    char separator = 0;
    WalkPattern(
        pattern,
        [&](char letter, std::size_t run) {
            std::size_t& first = letter == 'd' ? firstD : letter == 'M' ? firstM : firstY;
            if (first == kNone) first = widened.size();
            if (letter == 'y')
                widened += "yyyy";
            else
                widened.append(std::min<std::size_t>(run, 2), letter);
        },
        [&](char c) {
            // The first literal after a field is the date separator.
            if (!separator && !widened.empty() && c != ' ' && c != '\'') separator = c;
            widened += c;
        });
    if (firstD == kNone || firstM == kNone || firstY == kNone) {
        TFormatSettings fallback;
        fallback.decimalSeparator = decimalSeparator;
        return fallback;
    }
    format.shortDatePattern = widened;
    format.dateSeparator = separator ? separator : '/';
    if (firstY < firstM && firstY < firstD)
        format.order = DateOrder::YMD;
    else if (firstD < firstM)
        format.order = DateOrder::DMY;
    else
        format.order = DateOrder::MDY;
    return format;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return false;
    result = static_cast<TDateTime>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpoch);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result)) Fail("Invalid argument to date encode");
    return result;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
    std::int64_t z = static_cast<std::int64_t>(std::floor(date)) + kEpoch + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

bool TryParseIsoDate(std::string_view text, TDateTime& result) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    int parts[3] = {0, 0, 0};
    std::size_t starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
    for (int k = 0; k < 3; ++k) {
        for (std::size_t i = 0; i < lengths[k]; ++i) {
            char c = text[starts[k] + i];
            if (c < '0' || c > '9') return false;
            parts[k] = parts[k] * 10 + (c - '0');
        }
    }
    return TryEncodeDate(parts[0], parts[1], parts[2], result);
}

bool TryStrToDate(std::string_view text, const TFormatSettings& format, TDateTime today,
                  TDateTime& result) noexcept {
    // One pass over the text: up to three numbers of at most four digits, separated by the date
    // separator, blanks allowed around each. This runs for every record of every count, so it
    // allocates nothing and reads nothing but the text and the format.
    const char* p = text.data();
    const char* const end = p + text.size();
    const char separator = format.dateSeparator;
    auto skipBlanks = [&] {
        while (p != end && (*p == ' ' || *p == '\t'))
            ++p;
    };
    int numbers[3] = {0, 0, 0}, digits[3] = {0, 0, 0}, count = 0;
    for (;;) {
        skipBlanks();
        int value = 0, length = 0;
        for (; p != end && static_cast<unsigned>(*p - '0') < 10u; ++p) {
            if (++length > 4) return false;
            value = value * 10 + (*p - '0');
        }
        if (length == 0) return false;
        numbers[count] = value;
        digits[count] = length;
        ++count;
        skipBlanks();
        if (count == 3 || p == end || *p != separator) break;
        ++p;
    }
    if (count < 2) return false;

    int year = 0, month = 0, day = 0, yearDigits = 4;
    if (count == 3) {
        switch (format.order) {
        case DateOrder::MDY:
            month = numbers[0], day = numbers[1], year = numbers[2];
            break;
        case DateOrder::DMY:
            day = numbers[0], month = numbers[1], year = numbers[2];
            break;
        case DateOrder::YMD:
            year = numbers[0], month = numbers[1], day = numbers[2];
            break;
        }
        const int yearAt = format.order == DateOrder::YMD ? 0 : 2;
        yearDigits = digits[yearAt];
        for (int k = 0; k < 3; ++k)
            if (k != yearAt && digits[k] > 2) return false;
        // A separator ending the pattern ("yyyy. MM. dd.") may also end the text.
        const std::string& pattern = format.shortDatePattern;
        if (p != end && *p == separator && !pattern.empty() && pattern.back() == separator) {
            ++p;
            skipBlanks();
        }
    } else {
        // Two numbers: day and month of the current year.
        if (digits[0] > 2 || digits[1] > 2) return false;
        int todayMonth = 0, todayDay = 0;
        DecodeDate(today, year, todayMonth, todayDay);
        if (format.order == DateOrder::DMY)
            day = numbers[0], month = numbers[1];
        else
            month = numbers[0], day = numbers[1];
    }
    if (p != end) return false;
    if (yearDigits <= 2) {
        const int base = format.twoDigitYearWindowBase;
        int candidate = base - base % 100 + year;
        if (candidate < base) candidate += 100;
        year = candidate;
    }
    return TryEncodeDate(year, month, day, result);
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& format, TDateTime today) {
    TDateTime result = 0;
    if (!TryStrToDate(text, format, today, result))
        Fail("'%s' is not a valid date", std::string(text).c_str());
    return result;
}

std::string DateToStr(TDateTime date, const TFormatSettings& format) {
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    std::string out;
    WalkPattern(
        format.shortDatePattern,
        [&](char letter, std::size_t run) {
            if (letter == 'y')
                AppendNumber(out, run <= 2 ? year % 100 : year, run <= 2 ? 2 : 4);
            else
                AppendNumber(out, letter == 'd' ? day : month, run >= 2 ? 2 : 1);
        },
        [&](char c) {
            if (c != '\'') out += c;
        });
    return out;
}

std::string_view GetDateView(std::string_view text) noexcept {
    std::size_t space = text.find(' ');
    if (space == std::string_view::npos) return {};
    return text.substr(0, space + 1);
}

std::string getdate(const std::string& text) {
    return std::string(GetDateView(text));
}

TDateTime DateOfText(std::string_view dateTimeText, const TFormatSettings& format,
                     TDateTime today) {
    return StrToDate(GetDateView(dateTimeText), format, today);
}

} // namespace orq
