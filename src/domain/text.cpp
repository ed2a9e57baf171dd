#include "domain/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "base/utf.h"

namespace orq {
namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The byte offset of character `index` (0-based); the text's size when it has fewer.
std::size_t ByteOffset(std::string_view text, std::size_t index) {
    std::size_t offset = 0;
    for (std::size_t seen = 0; offset < text.size(); ++offset) {
        if (IsContinuation(text[offset])) continue;
        if (seen++ == index) return offset;
    }
    return text.size();
}

char32_t OtherCase(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 'A' && c <= 'Z') return c + 32;
    return c;
}

// A value as decimal digits: value = 0.d1d2... x 10^exponent, rounded half away from zero to
// `precision` significant digits (the digits of the exact binary value taken to 18 places
// first). Empty digits for zero (or a value that rounds away).
struct TDecimal {
    std::string digits;
    int exponent = 0;
    bool negative = false;
};

TDecimal ToDecimal(long double value, int precision) {
    TDecimal out;
    out.negative = value < 0;
    if (value == 0) return out;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.17Le", std::fabs(value));
    std::string digits;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    int exponent = std::atoi(p + 1) + 1;
    if (precision < 0) return out;
    if (precision == 0) {
        bool up = digits[0] >= '5';
        digits.assign(up ? 1 : 0, '1');
        if (up) ++exponent;
    } else if (static_cast<std::size_t>(precision) < digits.size()) {
        bool up = digits[static_cast<std::size_t>(precision)] >= '5';
        digits.resize(static_cast<std::size_t>(precision));
        if (up) {
            int k = precision - 1;
            while (k >= 0 && digits[static_cast<std::size_t>(k)] == '9')
                digits[static_cast<std::size_t>(k--)] = '0';
            if (k >= 0) {
                ++digits[static_cast<std::size_t>(k)];
            } else {
                digits.insert(digits.begin(), '1');
                digits.pop_back();
                ++exponent;
            }
        }
    }
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    out.digits = digits;
    out.exponent = exponent;
    if (digits.empty()) out.negative = false;
    return out;
}

} // namespace

std::string FloatToText(double value, char decimalSeparator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    // Whole numbers below 10^15 are their digits (the common case: counts, scores, phones).
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        if (value == 0) return "0";
        return std::to_string(static_cast<long long>(value));
    }
    TDecimal decimal = ToDecimal(value, 15);
    if (decimal.digits.empty()) return "0";
    std::string digits = decimal.digits;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = decimal.exponent; // the value is 0.d1d2... x 10^exponent

    std::string out = decimal.negative ? "-" : "";
    if (exponent > 15 || exponent < -4) {
        out += digits[0];
        if (digits.size() > 1) {
            out += decimalSeparator;
            out.append(digits, 1);
        }
        out += exponent - 1 < 0 ? "E-" : "E+";
        out += std::to_string(std::abs(exponent - 1));
        return out;
    }
    if (exponent <= 0) {
        out += '0';
        out += decimalSeparator;
        out.append(static_cast<std::size_t>(-exponent), '0');
        out += digits;
        return out;
    }
    auto whole = static_cast<std::size_t>(exponent);
    if (digits.size() <= whole) {
        out += digits;
        out.append(whole - digits.size(), '0');
    } else {
        out.append(digits, 0, whole);
        out += decimalSeparator;
        out.append(digits, whole);
    }
    return out;
}

std::string FormatFloatFixed(long double value, int precision, int decimals,
                             char decimalSeparator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    TDecimal probe = ToDecimal(value, 18);
    int keep = precision;
    if (!probe.digits.empty()) keep = std::min(precision, probe.exponent + decimals);
    TDecimal decimal = ToDecimal(value, keep);
    if (decimal.digits.empty()) {
        std::string out = "0";
        if (decimals > 0) {
            out += decimalSeparator;
            out.append(static_cast<std::size_t>(decimals), '0');
        }
        return out;
    }
    std::string out = decimal.negative ? "-" : "";
    int exponent = decimal.exponent;
    if (exponent > precision) {
        // Too many integer digits for the precision: scientific notation.
        std::string digits = decimal.digits;
        digits.resize(static_cast<std::size_t>(precision), '0');
        out += digits[0];
        if (digits.size() > 1) {
            out += decimalSeparator;
            out.append(digits, 1);
        }
        out += "E+" + std::to_string(exponent - 1);
        return out;
    }
    // Digit k (0-based) of the decimal string has the weight 10^(exponent - 1 - k).
    auto digitAt = [&](int k) {
        return k >= 0 && k < static_cast<int>(decimal.digits.size())
                   ? decimal.digits[static_cast<std::size_t>(k)]
                   : '0';
    };
    if (exponent <= 0) {
        out += '0';
    } else {
        for (int k = 0; k < exponent; ++k)
            out += digitAt(k);
    }
    if (decimals > 0) {
        out += decimalSeparator;
        for (int k = 0; k < decimals; ++k)
            out += digitAt(exponent + k);
    }
    return out;
}

bool TryTextToFloat(std::string_view text, char decimalSeparator, double& result) {
    std::size_t pos = 0, end = text.size();
    while (pos < end && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    while (end > pos && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    std::string plain; // the number with '.' as its separator, for strtod
    if (pos < end && (text[pos] == '+' || text[pos] == '-')) plain += text[pos++];
    bool digits = false, separator = false;
    for (; pos < end; ++pos) {
        char c = text[pos];
        if (c >= '0' && c <= '9') {
            digits = true;
            plain += c;
        } else if (c == decimalSeparator && !separator) {
            separator = true;
            plain += '.';
        } else {
            break;
        }
    }
    if (!digits) return false;
    if (pos < end && (text[pos] == 'e' || text[pos] == 'E')) {
        plain += 'e';
        ++pos;
        if (pos < end && (text[pos] == '+' || text[pos] == '-')) plain += text[pos++];
        bool expDigits = false;
        for (; pos < end && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
            expDigits = true;
            plain += text[pos];
        }
        if (!expDigits) return false;
    }
    if (pos != end) return false;
    result = std::strtod(plain.c_str(), nullptr);
    return std::isfinite(result);
}

std::string CellText(const TCellValue& value, const TFormatSettings& format) {
    switch (KindOf(value)) {
    case CellKind::Empty:
        return {};
    case CellKind::Number:
        return FloatToText(std::get<double>(value), format.decimalSeparator);
    case CellKind::WideText:
        return ToUtf8(std::get<std::u16string>(value));
    case CellKind::Text8:
        return std::get<std::string>(value);
    case CellKind::Boolean:
        return std::get<bool>(value) ? "True" : "False";
    }
    return {};
}

std::string CellText(TCellValue&& value, const TFormatSettings& format) {
    if (auto* text = std::get_if<std::string>(&value)) return std::move(*text);
    return CellText(static_cast<const TCellValue&>(value), format);
}

std::size_t CharCount(std::string_view text) noexcept {
    std::size_t count = 0;
    for (char c : text)
        if (!IsContinuation(c)) ++count;
    return count;
}

std::size_t CharPosFrom(char c, std::string_view text, std::size_t start) noexcept {
    if (text.empty() || start == 0) return 0;
    std::size_t position = 0;
    for (char byte : text) {
        if (IsContinuation(byte)) continue;
        ++position;
        if (position >= start && byte == c) return position;
    }
    return 0;
}

std::size_t LastPosOf(std::string_view pattern, std::string_view text, long end) noexcept {
    if (text.empty() || pattern.empty()) return 0;
    std::u32string s = Utf8ToCodePoints(text), p = Utf8ToCodePoints(pattern);
    std::size_t limit = end == 0 ? s.size() : static_cast<std::size_t>(std::labs(end));
    if (limit > s.size()) limit = s.size();
    if (p.size() > limit) return 0;
    for (std::size_t start = limit - p.size() + 1; start >= 1; --start) {
        bool match = true;
        for (std::size_t k = 0; k < p.size() && match; ++k) {
            char32_t want = p[k], have = s[start - 1 + k];
            match = want == U'?' || want == have || (end < 0 && OtherCase(want) == have);
        }
        if (match) return start;
    }
    return 0;
}

void ProperCase(std::string& text) {
    char previous = ' ';
    for (char& c : text) {
        bool upper = static_cast<unsigned char>(previous) < 0x30;
        if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        previous = c;
    }
}

std::string LeftCopy(std::string_view text, long count) {
    if (count <= 0) return {};
    return std::string(text.substr(0, ByteOffset(text, static_cast<std::size_t>(count))));
}

std::string DropLeft(std::string_view text, std::size_t count) {
    return std::string(text.substr(ByteOffset(text, count)));
}

void PadRight(std::string& text, char fill, long length) {
    std::size_t have = CharCount(text);
    if (length > 0 && have < static_cast<std::size_t>(length))
        text.append(static_cast<std::size_t>(length) - have, fill);
}

void FillRun(std::string& text, long pos, long count, char fill) {
    std::size_t length = CharCount(text);
    if (text.empty() || pos < 1 || static_cast<std::size_t>(pos) > length || count <= 0) return;
    std::size_t first = static_cast<std::size_t>(pos) - 1;
    std::size_t run = std::min(static_cast<std::size_t>(count), length - first);
    std::size_t from = ByteOffset(text, first), to = ByteOffset(text, first + run);
    text.replace(from, to - from, run, fill);
}

std::string gettime(const std::string& text) {
    std::string time;
    AppendTime(time, text);
    return time;
}

void AppendTime(std::string& out, std::string_view text) {
    if (text.empty()) return;
    std::size_t space = text.find(' ');
    std::string_view t = space == std::string_view::npos ? text : text.substr(space + 1);
    // Up to and including the last space, without the colon and the two characters after it
    // that come last: "10:30:00 AM" gives "10:30 ". Counted in characters; where all are ASCII
    // (a report's every date) bytes are characters and the text is cut as it stands.
    const bool ascii = std::all_of(t.begin(), t.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        std::string cut = LeftCopy(t, static_cast<long>(LastPosOf(" ", t, 0)));
        if (std::size_t colon = LastPosOf(":", cut, 0); colon != 0) {
            std::size_t from = ByteOffset(cut, colon - 1), to = ByteOffset(cut, colon + 2);
            cut.erase(from, to - from);
        }
        out += cut;
        return;
    }
    const std::size_t last = t.rfind(' ');
    if (last == std::string_view::npos) return;
    t = t.substr(0, last + 1);
    const std::size_t colon = t.rfind(':');
    if (colon == std::string_view::npos) {
        out += t;
        return;
    }
    out += t.substr(0, colon);
    out += t.substr(std::min(colon + 3, t.size()));
}

std::string ProgramFolder(const std::string& programPath) {
    std::string path = programPath;
    if (path.empty()) {
        std::string buffer(4096, '\0');
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length <= 0) return {};
        buffer.resize(static_cast<std::size_t>(length));
        path = buffer;
    }
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return path.substr(0, slash + 1);
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

} // namespace orq
