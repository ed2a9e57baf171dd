#include "base/format.h"

#include <cstdio>

namespace orq::format_detail {
namespace {

// Formats one value with a printf conversion built from a checked pattern's flags, width and
// precision, the length modifier the value's type needs and the conversion letter.
template <typename T>
void Append(std::string& out, std::string_view spec, std::string_view length, char letter,
            T value) {
    std::string conversion(spec);
    conversion += length;
    conversion += letter;
    char small[64];
    const int size = std::snprintf(small, sizeof small, conversion.c_str(), value);
    if (size < 0) return;
    if (static_cast<std::size_t>(size) < sizeof small) {
        out.append(small, static_cast<std::size_t>(size));
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(size) + 1);
    std::snprintf(out.data() + at, static_cast<std::size_t>(size) + 1, conversion.c_str(), value);
    out.resize(at + static_cast<std::size_t>(size));
}

} // namespace

void AppendInteger(std::string& out, std::string_view spec, char letter, long long value) {
    if (letter == 'c')
        Append(out, spec, "", letter, static_cast<int>(value));
    else
        Append(out, spec, "ll", letter, value);
}

void AppendUnsigned(std::string& out, std::string_view spec, char letter,
                    unsigned long long value) {
    Append(out, spec, "ll", letter, value);
}

void AppendFloating(std::string& out, std::string_view spec, char letter, double value) {
    Append(out, spec, "", letter, value);
}

void AppendText(std::string& out, std::string_view spec, std::string_view value) {
    if (spec == "%") {
        out += value;
        return;
    }
    const std::string text(value);
    Append(out, spec, "", 's', text.c_str());
}

} // namespace orq::format_detail
