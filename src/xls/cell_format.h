#pragma once

// The format of one cell as the writer's callers see it, and its encoding as the FONT, FORMAT and
// XF records of a BIFF8 workbook. Palette indexes are 1-based: palette index i is BIFF colour
// index i + 7.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orq::xls {

// A text too long for the record that holds it.
inline constexpr const char* kMsgInvalidStringRecord = "Invalid String record";

enum class FontStyle : std::uint8_t {
    Bold = 0x01,
    Italic = 0x02,
    StrikeOut = 0x04,
    Superscript = 0x08,
    Subscript = 0x10,
};

// A set of FontStyle values.
struct TFontStyles {
    std::uint8_t bits = 0;
    bool Has(FontStyle s) const { return (bits & static_cast<std::uint8_t>(s)) != 0; }
    void Set(FontStyle s, bool on = true) {
        if (on)
            bits = static_cast<std::uint8_t>(bits | static_cast<std::uint8_t>(s));
        else
            bits = static_cast<std::uint8_t>(bits & ~static_cast<std::uint8_t>(s));
    }
    bool operator==(const TFontStyles&) const = default;
};

enum class FontUnderline : std::uint8_t {
    None,
    Single,
    Double,
    SingleAccounting,
    DoubleAccounting
};

struct TTavroFont {
    std::u16string Name;
    std::uint16_t Size20 = 200; // twentieths of a point
    int ColorIndex = 0;         // palette index
    TFontStyles Style;
    FontUnderline Underline = FontUnderline::None;
    std::uint8_t Family = 0;
    std::uint8_t CharSet = 0;
    bool operator==(const TTavroFont&) const = default;
};

struct TTavroBorder {
    int Style = 0;      // BIFF8 line style 0 to 13
    int ColorIndex = 1; // palette index
    bool operator==(const TTavroBorder&) const = default;
};

struct TTavroBorders {
    TTavroBorder Left, Right, Top, Bottom, Diagonal;
    int DiagonalKind = 0; // the two BIFF8 diagonal bits
    bool operator==(const TTavroBorders&) const = default;
};

// Horizontal alignment values of BIFF8.
inline constexpr std::uint8_t kHAlignGeneral = 0, kHAlignLeft = 1, kHAlignCenter = 2,
                              kHAlignRight = 3;
// Vertical alignment values of BIFF8.
inline constexpr std::uint8_t kVAlignTop = 0, kVAlignCenter = 1, kVAlignBottom = 2;
// Fill patterns as held in TTavroFormat (BIFF8 pattern + 1).
inline constexpr int kFillNone = 1, kFillSolid = 2;

struct TTavroFormat {
    TTavroFont Font;
    TTavroBorders Borders;
    std::u16string NumberFormat; // the empty text is format 0
    int FillPattern = kFillNone;
    int FgColorIndex = 57;
    int BgColorIndex = 58;
    std::uint8_t HAlignment = kHAlignGeneral;
    std::uint8_t VAlignment = kVAlignBottom;
    bool Locked = true;
    bool Hidden = false;
    std::uint16_t Parent = 0; // as read; not used when writing
    bool WrapText = false;
    bool ShrinkToFit = false;
    std::uint8_t Rotation = 0;
    std::uint8_t Indent = 0; // 0 to 15
    bool operator==(const TTavroFormat&) const = default;
};

// Record ids of the format records.
inline constexpr std::uint16_t kIdFont = 0x0031, kIdFormat = 0x041E, kIdXF = 0x00E0;

// The data bytes of a FONT record for the font. A name of 256 or more characters fails with
// "Invalid String record".
std::vector<std::uint8_t> EncodeFontRecord(const TTavroFont& font);

// Decodes the data bytes of a FONT record (a short record decodes its missing fields as 0).
TTavroFont DecodeFontRecord(std::span<const std::uint8_t> data);

// The 20 data bytes of a cell XF for the format with the given font and format indexes.
std::vector<std::uint8_t> EncodeXFRecord(const TTavroFormat& format, std::uint16_t fontIndex,
                                         std::uint16_t formatIndex);

// Decodes every field of an XF record except the font and the number format text.
TTavroFormat DecodeXFRecord(std::span<const std::uint8_t> data);
// The font index (u16 at 0) and format index (u16 at 2) of an XF record.
std::uint16_t XFFontIndex(std::span<const std::uint8_t> data);
std::uint16_t XFFormatIndex(std::span<const std::uint8_t> data);

// Appends a string as BIFF8 stores it: the character count (`countBytes` 1 or 2), the option
// byte and the characters, 8-bit when every code unit is at most 0xFF, else 16-bit.
void AppendExcelString(std::vector<std::uint8_t>& out, std::u16string_view text, int countBytes);

// The data bytes of a FORMAT record: index, the text with a 2-byte count, 8-bit when every code
// unit is at most 0xFF.
std::vector<std::uint8_t> EncodeFormatRecord(std::uint16_t index, const std::u16string& text);
// The index (u16 at 0) and the text of a FORMAT record.
std::uint16_t FormatRecordIndex(std::span<const std::uint8_t> data);
std::u16string FormatRecordText(std::span<const std::uint8_t> data);

// The machine's date and time notation, for the two built-in formats that follow it.
struct TDateNotation {
    std::string shortDatePattern = "M/d/yyyy";
    char dateSeparator = '/';
    char timeSeparator = ':';
};

// The built-in number format text of index 0 to 49 (empty for the indexes without one and for
// every index outside 0 to 49).
std::u16string BuiltInFormatText(int index, const TDateNotation& notation);

// The list position of font index i in the FONT list and back: BIFF8 has no font index 4.
inline std::size_t FontListPosition(std::uint16_t fontIndex) {
    return fontIndex > 3 ? static_cast<std::size_t>(fontIndex) - 1 : fontIndex;
}
inline std::uint16_t FontIndexOfPosition(std::size_t position) {
    return static_cast<std::uint16_t>(position > 3 ? position + 1 : position);
}

} // namespace orq::xls
