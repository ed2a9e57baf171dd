#include "export/export_text.h"

#include <array>
#include <cctype>
#include <limits>
#include <vector>

namespace orq::exporter {
namespace {

// The palette as red-green-blue values (red in the high byte), as it is usually printed.
constexpr std::array<std::uint32_t, kPaletteSize> kPaletteRGB = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

constexpr TColor SwapRedBlue(std::uint32_t c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Windows-1252 characters 0x80 to 0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

char16_t FromCp1252(unsigned byte) {
    if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
    return static_cast<char16_t>(byte);
}

bool IsAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Destinations whose text is not part of the document's plain text.
bool IsHiddenDestination(std::u16string_view word) {
    static constexpr std::u16string_view kHidden[] = {
        u"fonttbl",
        u"colortbl",
        u"stylesheet",
        u"info",
        u"pict",
        u"object",
        u"header",
        u"headerl",
        u"headerr",
        u"headerf",
        u"footer",
        u"footerl",
        u"footerr",
        u"footerf",
        u"fldinst",
        u"listtable",
        u"rsidtbl",
        u"generator",
        u"filetbl",
        u"revtbl",
        u"themedata",
        u"datastore",
        u"xmlnstbl",
        u"latentstyles",
        u"listoverridetable",
        u"colorschememapping",
        u"pgdsctbl",
        u"bkmkstart",
        u"bkmkend",
    };
    for (std::u16string_view hidden : kHidden)
        if (word == hidden) return true;
    return false;
}

struct TGroupState {
    bool skip = false; // inside a destination that is not shown
    int fallback = 1;  // characters to skip after \uN (\ucN)
};

} // namespace

TColor PaletteColor(int paletteIndex) {
    if (paletteIndex < 1 || paletteIndex > kPaletteSize) return 0;
    return SwapRedBlue(kPaletteRGB[static_cast<std::size_t>(paletteIndex - 1)]);
}

int NearestPaletteIndex(TColor color) {
    const int r = static_cast<int>(color & 0xFF), g = static_cast<int>((color >> 8) & 0xFF),
              b = static_cast<int>((color >> 16) & 0xFF);
    int best = 1;
    long bestDistance = std::numeric_limits<long>::max();
    for (int i = 1; i <= kPaletteSize - 1; ++i) {
        const TColor p = PaletteColor(i);
        const long dr = r - static_cast<int>(p & 0xFF), dg = g - static_cast<int>((p >> 8) & 0xFF),
                   db = b - static_cast<int>((p >> 16) & 0xFF);
        const long distance = dr * dr + dg * dg + db * db;
        if (distance == 0) return i;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

std::u16string RtfToPlainText(std::u16string_view rtf) {
    std::u16string out;
    std::vector<TGroupState> stack;
    TGroupState state;
    int pendingSkip = 0; // fallback characters still to skip after \uN
    bool endsWithParagraph = false;

    auto emit = [&](std::u16string_view text) {
        if (state.skip) return;
        if (pendingSkip > 0) {
            --pendingSkip;
            return;
        }
        out.append(text);
        endsWithParagraph = false;
    };

    std::size_t i = 0;
    while (i < rtf.size()) {
        const char16_t c = rtf[i];
        if (c == u'{') {
            stack.push_back(state);
            pendingSkip = 0;
            ++i;
            // "{\*\destination ...}": an optional destination this reader does not know.
            if (i + 1 < rtf.size() && rtf[i] == u'\\' && rtf[i + 1] == u'*') {
                state.skip = true;
                i += 2;
            }
            continue;
        }
        if (c == u'}') {
            if (!stack.empty()) {
                state = stack.back();
                stack.pop_back();
            }
            pendingSkip = 0;
            ++i;
            continue;
        }
        if (c == u'\r' || c == u'\n') {
            ++i;
            continue;
        }
        if (c != u'\\') {
            emit(std::u16string_view(&rtf[i], 1));
            ++i;
            continue;
        }
        // A control symbol or control word.
        ++i;
        if (i >= rtf.size()) break;
        const char16_t s = rtf[i];
        if (!IsAsciiLetter(s)) {
            ++i;
            switch (s) {
            case u'\\':
            case u'{':
            case u'}':
                emit(std::u16string_view(&s, 1));
                break;
            case u'~':
                emit(u"\u00A0");
                break;
            case u'_':
                emit(u"-");
                break;
            case u'\'': {
                if (i + 1 < rtf.size() && HexValue(rtf[i]) >= 0 && HexValue(rtf[i + 1]) >= 0) {
                    const char16_t ch = FromCp1252(
                        static_cast<unsigned>(HexValue(rtf[i]) * 16 + HexValue(rtf[i + 1])));
                    i += 2;
                    emit(std::u16string_view(&ch, 1));
                }
                break;
            }
            case u'\r':
            case u'\n': // "\" before a line break is a paragraph mark
                if (!state.skip) out.append(u"\r\n"), endsWithParagraph = true;
                break;
            default:
                break; // \- optional hyphen, \| and the others: nothing visible
            }
            continue;
        }
        const std::size_t wordStart = i;
        while (i < rtf.size() && IsAsciiLetter(rtf[i]))
            ++i;
        const std::u16string_view word = rtf.substr(wordStart, i - wordStart);
        bool hasNumber = false;
        bool negative = false;
        long number = 0;
        if (i < rtf.size() && rtf[i] == u'-' && i + 1 < rtf.size() && IsDigit(rtf[i + 1])) {
            negative = true;
            ++i;
        }
        while (i < rtf.size() && IsDigit(rtf[i])) {
            hasNumber = true;
            if (number < 1000000) number = number * 10 + (rtf[i] - u'0');
            ++i;
        }
        if (negative) number = -number;
        if (i < rtf.size() && rtf[i] == u' ') ++i; // the delimiter belongs to the word

        if (IsHiddenDestination(word)) {
            state.skip = true;
        } else if (word == u"par" || word == u"line") {
            if (!state.skip) {
                out.append(u"\r\n");
                endsWithParagraph = true;
            }
        } else if (word == u"tab") {
            emit(u"\t");
        } else if (word == u"uc") {
            state.fallback = hasNumber ? static_cast<int>(number < 0 ? 0 : number) : 1;
        } else if (word == u"u" && hasNumber) {
            const char16_t ch = static_cast<char16_t>(number < 0 ? number + 65536 : number);
            emit(std::u16string_view(&ch, 1));
            pendingSkip = state.fallback;
        } else if (word == u"emdash") {
            emit(u"\u2014");
        } else if (word == u"endash") {
            emit(u"\u2013");
        } else if (word == u"lquote") {
            emit(u"\u2018");
        } else if (word == u"rquote") {
            emit(u"\u2019");
        } else if (word == u"ldblquote") {
            emit(u"\u201C");
        } else if (word == u"rdblquote") {
            emit(u"\u201D");
        } else if (word == u"bullet") {
            emit(u"\u2022");
        }
    }
    if (endsWithParagraph && out.size() >= 2) out.resize(out.size() - 2);
    return out;
}

std::u16string NormalizeCellText(std::u16string_view text) {
    std::u16string plain;
    if (text.substr(0, 5) == u"{\\rtf") {
        plain = RtfToPlainText(text);
        text = plain;
    }
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') continue; // the line feed stays
            out.push_back(u'\n');
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

} // namespace orq::exporter
