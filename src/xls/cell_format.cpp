#include "xls/cell_format.h"

#include <algorithm>
#include <cctype>

#include "base/error.h"
#include "xls/byte_reader.h"

namespace orq::xls {
namespace {

std::uint8_t ByteAt(std::span<const std::uint8_t> data, std::size_t offset) {
    return offset < data.size() ? data[offset] : 0;
}
std::uint16_t U16At(std::span<const std::uint8_t> data, std::size_t offset) {
    return static_cast<std::uint16_t>(ByteAt(data, offset) | ByteAt(data, offset + 1) << 8);
}
std::uint32_t U32At(std::span<const std::uint8_t> data, std::size_t offset) {
    return static_cast<std::uint32_t>(U16At(data, offset)) |
           static_cast<std::uint32_t>(U16At(data, offset + 2)) << 16;
}

// The text of an unformatted string (character count already read) at `offset`: option byte,
// then 8-bit or 16-bit characters. Characters past the end of the record are not there.
std::u16string StringAt(std::span<const std::uint8_t> data, std::size_t offset, std::size_t count) {
    std::u16string text;
    if (offset >= data.size()) return text;
    const bool wide = (data[offset] & 0x01) != 0;
    std::size_t at = offset + 1;
    text.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (wide) {
            if (at + 2 > data.size()) break;
            text.push_back(static_cast<char16_t>(U16At(data, at)));
            at += 2;
        } else {
            if (at >= data.size()) break;
            text.push_back(static_cast<char16_t>(data[at]));
            at += 1;
        }
    }
    return text;
}

int PaletteFromBiff(std::uint32_t colour) {
    return colour > 7 ? static_cast<int>(colour) - 7 : 1;
}

std::uint32_t BorderColour(int index) {
    std::uint32_t colour = static_cast<std::uint32_t>(index + 7) & 0x7F;
    if (colour <= 7) colour = 8;
    return std::min<std::uint32_t>(colour, 64);
}

std::uint32_t Masked7(int index) {
    return static_cast<std::uint32_t>(index + 7) & 0x7F;
}

std::u16string Widen(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

// Format 14: the short date in the order of the machine's pattern.
std::u16string ShortDateFormat(const TDateNotation& notation) {
    std::string order = "mm/dd/YYYY";
    for (char c : notation.shortDatePattern) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::string sep(1, notation.dateSeparator);
        if (lower == 'd') {
            order = "dd" + sep + "mm" + sep + "YYYY";
            break;
        }
        if (lower == 'm') {
            order = "mm" + sep + "dd" + sep + "YYYY";
            break;
        }
        if (lower == 'y') {
            order = "YYYY" + sep + "mm" + sep + "dd";
            break;
        }
    }
    return Widen(order);
}

} // namespace

std::vector<std::uint8_t> EncodeFontRecord(const TTavroFont& font) {
    if (font.Name.size() > 255) Fail(kMsgInvalidStringRecord);
    std::vector<std::uint8_t> out;
    out.reserve(16 + 2 * font.Name.size());
    std::uint16_t options = 0;
    // Bit 0 repeats the bold weight for readers that look at the bit rather than the weight.
    if (font.Style.Has(FontStyle::Bold)) options |= 0x01;
    if (font.Style.Has(FontStyle::Italic)) options |= 0x02;
    if (font.Style.Has(FontStyle::StrikeOut)) options |= 0x08;
    std::uint16_t script = 0;
    if (font.Style.Has(FontStyle::Subscript))
        script = 2;
    else if (font.Style.Has(FontStyle::Superscript))
        script = 1;
    std::uint8_t underline = 0;
    switch (font.Underline) {
    case FontUnderline::Single:
        underline = 0x01;
        break;
    case FontUnderline::Double:
        underline = 0x02;
        break;
    case FontUnderline::SingleAccounting:
        underline = 0x21;
        break;
    case FontUnderline::DoubleAccounting:
        underline = 0x22;
        break;
    case FontUnderline::None:
        break;
    }
    AppendLE(out, font.Size20);
    AppendLE(out, options);
    AppendLE(out, static_cast<std::uint16_t>(font.ColorIndex + 7));
    AppendLE(out, static_cast<std::uint16_t>(font.Style.Has(FontStyle::Bold) ? 700 : 400));
    AppendLE(out, script);
    out.push_back(underline);
    out.push_back(font.Family);
    out.push_back(font.CharSet);
    out.push_back(0); // reserved
    out.push_back(static_cast<std::uint8_t>(font.Name.size()));
    out.push_back(0x01); // 16-bit characters
    for (char16_t c : font.Name)
        AppendLE(out, static_cast<std::uint16_t>(c));
    return out;
}

TTavroFont DecodeFontRecord(std::span<const std::uint8_t> data) {
    TTavroFont font;
    font.Size20 = U16At(data, 0);
    const std::uint16_t options = U16At(data, 2);
    font.ColorIndex = static_cast<int>(U16At(data, 4)) - 7;
    font.Style.Set(FontStyle::Bold, U16At(data, 6) == 700);
    font.Style.Set(FontStyle::Italic, (options & 0x02) != 0);
    font.Style.Set(FontStyle::StrikeOut, (options & 0x08) != 0);
    const std::uint16_t script = U16At(data, 8);
    font.Style.Set(FontStyle::Superscript, script == 1);
    font.Style.Set(FontStyle::Subscript, script == 2);
    switch (ByteAt(data, 10)) {
    case 0x01:
        font.Underline = FontUnderline::Single;
        break;
    case 0x02:
        font.Underline = FontUnderline::Double;
        break;
    case 0x21:
        font.Underline = FontUnderline::SingleAccounting;
        break;
    case 0x22:
        font.Underline = FontUnderline::DoubleAccounting;
        break;
    default:
        font.Underline = FontUnderline::None;
        break;
    }
    font.Family = ByteAt(data, 11);
    font.CharSet = ByteAt(data, 12);
    font.Name = StringAt(data, 15, ByteAt(data, 14));
    return font;
}

std::vector<std::uint8_t> EncodeXFRecord(const TTavroFormat& format, std::uint16_t fontIndex,
                                         std::uint16_t formatIndex) {
    std::vector<std::uint8_t> out;
    out.reserve(20);
    AppendLE(out, fontIndex);
    AppendLE(out, formatIndex);
    AppendLE(out,
             static_cast<std::uint16_t>((format.Locked ? 0x01 : 0) | (format.Hidden ? 0x02 : 0)));
    out.push_back(static_cast<std::uint8_t>((format.HAlignment & 0x07) |
                                            (format.WrapText ? 0x08 : 0) |
                                            (format.VAlignment & 0x07) << 4));
    out.push_back(format.Rotation);
    AppendLE(out, static_cast<std::uint16_t>((format.Indent & 0x0F) |
                                             (format.ShrinkToFit ? 0x10 : 0) | 0xFC00));
    const TTavroBorders& b = format.Borders;
    AppendLE(out,
             static_cast<std::uint16_t>((b.Left.Style & 0x0F) | (b.Right.Style & 0x0F) << 4 |
                                        (b.Top.Style & 0x0F) << 8 | (b.Bottom.Style & 0x0F) << 12));
    AppendLE(out, static_cast<std::uint16_t>(
                      BorderColour(b.Left.ColorIndex) | BorderColour(b.Right.ColorIndex) << 7 |
                      static_cast<std::uint32_t>(b.DiagonalKind & 0x03) << 14));
    AppendLE(out, static_cast<std::uint32_t>(
                      BorderColour(b.Top.ColorIndex) | BorderColour(b.Bottom.ColorIndex) << 7 |
                      Masked7(b.Diagonal.ColorIndex) << 14 |
                      (static_cast<std::uint32_t>(b.Diagonal.Style) & 0x0F) << 21 |
                      (static_cast<std::uint32_t>(format.FillPattern - 1) & 0x3F) << 26));
    AppendLE(out, static_cast<std::uint16_t>(Masked7(format.FgColorIndex) |
                                             Masked7(format.BgColorIndex) << 7));
    return out;
}

TTavroFormat DecodeXFRecord(std::span<const std::uint8_t> data) {
    TTavroFormat f;
    const std::uint8_t styles0 = ByteAt(data, 10), styles1 = ByteAt(data, 11);
    f.Borders.Left.Style = styles0 & 0x0F;
    f.Borders.Right.Style = styles0 >> 4;
    f.Borders.Top.Style = styles1 & 0x0F;
    f.Borders.Bottom.Style = styles1 >> 4;
    const std::uint16_t colours = U16At(data, 12);
    const std::uint32_t more = U32At(data, 14);
    f.Borders.Left.ColorIndex = PaletteFromBiff(colours & 0x7Fu);
    f.Borders.Right.ColorIndex = PaletteFromBiff((colours >> 7) & 0x7Fu);
    f.Borders.Top.ColorIndex = PaletteFromBiff(more & 0x7Fu);
    f.Borders.Bottom.ColorIndex = PaletteFromBiff((more >> 7) & 0x7Fu);
    f.Borders.Diagonal.ColorIndex = PaletteFromBiff((more >> 14) & 0x7Fu);
    f.Borders.Diagonal.Style = static_cast<int>((more >> 21) & 0x0Fu);
    f.Borders.DiagonalKind = colours >> 14;
    f.FillPattern = static_cast<int>(more >> 26) + 1;
    const std::uint16_t fill = U16At(data, 18);
    f.FgColorIndex = static_cast<int>(fill & 0x7Fu) - 7;
    f.BgColorIndex = static_cast<int>((fill >> 7) & 0x7Fu) - 7;
    const std::uint8_t align = ByteAt(data, 6);
    f.HAlignment = align & 0x07;
    f.WrapText = (align & 0x08) != 0;
    f.VAlignment = (align >> 4) & 0x07;
    f.Rotation = ByteAt(data, 7);
    const std::uint8_t indent = ByteAt(data, 8);
    f.Indent = indent & 0x0F;
    f.ShrinkToFit = (indent & 0x10) != 0;
    const std::uint16_t protection = U16At(data, 4);
    f.Locked = (protection & 0x01) != 0;
    f.Hidden = (protection & 0x02) != 0;
    f.Parent = static_cast<std::uint16_t>(protection & 0xFFF0);
    return f;
}

std::uint16_t XFFontIndex(std::span<const std::uint8_t> data) {
    return U16At(data, 0);
}
std::uint16_t XFFormatIndex(std::span<const std::uint8_t> data) {
    return U16At(data, 2);
}

void AppendExcelString(std::vector<std::uint8_t>& out, std::u16string_view text, int countBytes) {
    const bool wide = std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
    if (countBytes == 1)
        out.push_back(static_cast<std::uint8_t>(text.size()));
    else
        AppendLE(out, static_cast<std::uint16_t>(text.size()));
    out.push_back(wide ? 0x01 : 0x00);
    for (char16_t c : text) {
        if (wide)
            AppendLE(out, static_cast<std::uint16_t>(c));
        else
            out.push_back(static_cast<std::uint8_t>(c));
    }
}

std::vector<std::uint8_t> EncodeFormatRecord(std::uint16_t index, const std::u16string& text) {
    std::vector<std::uint8_t> out;
    out.reserve(5 + 2 * text.size());
    AppendLE(out, index);
    AppendExcelString(out, text, 2);
    return out;
}

std::uint16_t FormatRecordIndex(std::span<const std::uint8_t> data) {
    return U16At(data, 0);
}

std::u16string FormatRecordText(std::span<const std::uint8_t> data) {
    return StringAt(data, 4, U16At(data, 2));
}

std::u16string BuiltInFormatText(int index, const TDateNotation& notation) {
    switch (index) {
    case 1:
        return u"0";
    case 2:
        return u"0.00";
    case 3:
        return u"#,##0";
    case 4:
        return u"#,##0.00";
    case 9:
        return u"0%";
    case 10:
        return u"0.00%";
    case 11:
        return u"0.00E+00";
    case 12:
        return u"?/?";
    case 13:
        return u"# ?"
               u"?/?"
               u"?"; // split so no trigraph forms
    case 14:
        return ShortDateFormat(notation);
    case 15:
        return u"DD-MMM-YY";
    case 16:
        return u"DD-MMM";
    case 17:
        return u"MMM-YY";
    case 18:
        return u"h:mm AM/PM";
    case 19:
        return u"h:mm:ss AM/PM";
    case 20:
        return u"hh:mm";
    case 21:
        return u"hh:mm:ss";
    case 22:
        return ShortDateFormat(notation) + u" hh" +
               std::u16string(
                   1, static_cast<char16_t>(static_cast<unsigned char>(notation.timeSeparator))) +
               u"mm";
    case 37:
        return u"#,##0 _$;-#,##0 _$";
    case 38:
        return u"#,##0 _$;[Red]-#,##0 _$";
    case 39:
        return u"#,##0.00 _$;-#,##0.00 _$";
    case 40:
        return u"#,##0.00 _$;[Red]-#,##0.00 _$";
    case 45:
        return u"mm:ss";
    case 46:
        return u"[h]:mm:ss";
    case 47:
        return u"mm:ss,0";
    case 48:
        return u"##0.0E+0";
    case 49:
        return u"@";
    default:
        return u"";
    }
}

} // namespace orq::xls
