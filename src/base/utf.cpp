#include "base/utf.h"

#include <cstring>

namespace orq {
namespace {

// Writes the code units over `out`: ASCII in one copying pass, the rest code point by code point.
template <typename Unit> void UnitsToUtf8(std::size_t count, Unit unit, std::string& out) {
    out.resize(count);
    std::size_t i = 0;
    for (; i < count; ++i) {
        const char32_t code = unit(i);
        if (code >= 0x80) break;
        out[i] = static_cast<char>(code);
    }
    if (i == count) return;
    out.resize(i);
    for (; i < count; ++i) {
        char32_t code = unit(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < count && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 1) - 0xDC00u);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        AppendUtf8(out, code);
    }
}

} // namespace

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void Utf16ToUtf8Into(std::u16string_view text, std::string& out) {
    UnitsToUtf8(
        text.size(), [&](std::size_t i) -> char32_t { return text[i]; }, out);
}

void Utf16LeToUtf8Into(std::span<const std::uint8_t> bytes, std::string& out) {
    UnitsToUtf8(
        bytes.size() / 2,
        [&](std::size_t i) -> char32_t {
            return static_cast<char32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        },
        out);
}

void Latin1ToUtf8Into(std::span<const std::uint8_t> bytes, std::string& out) {
    // ASCII text (nearly every string) is copied as it is; the copy is checked 8 bytes at a time.
    out.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::uint64_t high = 0;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        high |= word;
    }
    for (; i < bytes.size(); ++i)
        high |= bytes[i];
    if ((high & 0x8080808080808080u) == 0) return;
    UnitsToUtf8(
        bytes.size(), [&](std::size_t k) -> char32_t { return bytes[k]; }, out);
}

void Utf16BeToUtf8Into(std::span<const std::uint8_t> bytes, std::string& out) {
    UnitsToUtf8(
        bytes.size() / 2,
        [&](std::size_t i) -> char32_t {
            return static_cast<char32_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
        },
        out);
}

void Windows1252ToUtf8Into(std::span<const std::uint8_t> bytes, std::string& out) {
    // 0x80 to 0x9F; the rest of the upper half is Latin-1.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    UnitsToUtf8(
        bytes.size(),
        [&](std::size_t k) -> char32_t {
            const std::uint8_t b = bytes[k];
            return b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b;
        },
        out);
}

bool IsUtf8(std::span<const std::uint8_t> bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        // ASCII runs 8 bytes at a time.
        if (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            if ((word & 0x8080808080808080u) == 0) {
                i += 8;
                continue;
            }
        }
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t code = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            code = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            code = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            code = b & 0x07;
        } else {
            return false;
        }
        if (n - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
            code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    Utf16ToUtf8Into(text, out);
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if ((c & 0xE0) == 0xC0) {
            extra = 1, code = c & 0x1Fu, minimum = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, code = c & 0x0Fu, minimum = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, code = c & 0x07u, minimum = 0x10000;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool valid = i + static_cast<std::size_t>(extra) < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const unsigned char next =
                static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                code = (code << 6) | (next & 0x3Fu);
        }
        if (!valid || code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        i += static_cast<std::size_t>(extra) + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

std::u32string Utf8ToCodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80    ? 1
                             : lead >= 0xF0 ? 4
                             : lead >= 0xE0 ? 3
                             : lead >= 0xC0 ? 2
                                            : 1;
        if (length == 1 || i + length > text.size()) {
            out += static_cast<char32_t>(lead);
            ++i;
            continue;
        }
        char32_t code = lead & (0x3Fu >> (length - 1));
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        out += code;
        i += length;
    }
    return out;
}

} // namespace orq
