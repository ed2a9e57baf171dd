// Colour mapping and text conversion of the report export.
#include <gtest/gtest.h>

#include "export/export_text.h"
#include "xls/cell_format.h"

namespace orq::exporter {
namespace {

TEST(NearestPaletteIndex, ColoursOfTheReports) {
    struct Case {
        TColor color;
        int index;
    };
    const Case cases[] = {
        {0xFFFFFF, 2},                 // white
        {0x000000, 1},                 // black
        {0xCAFFFF, 19},                // pale yellow -> 0xCCFFFF
        {0xF5ADB2, 17},                // lavender -> 0xFF9999
        {0x000080, 9},                 // maroon
        {0xF0F0F0, 2},                 // a usual button face: nearest is white
        {0xFEFEFE, 2},  {0xFF0000, 5}, // blue
    };
    for (const Case& c : cases)
        EXPECT_EQ(NearestPaletteIndex(c.color), c.index) << std::hex << c.color;
    // 0x333333 is only in the 56th entry, which is never chosen.
    EXPECT_NE(NearestPaletteIndex(0x333333), 56);
    EXPECT_EQ(PaletteColor(56), 0x333333u);
}

TEST(NearestPaletteIndex, TiesGoToTheLowestIndex) {
    // Entries 7 and 26 are both magenta: an exact match returns the first.
    EXPECT_EQ(PaletteColor(7), PaletteColor(26));
    EXPECT_EQ(NearestPaletteIndex(PaletteColor(26)), 7);
    // Every palette colour maps to the first entry holding it.
    for (int i = 1; i <= 55; ++i) {
        const int found = NearestPaletteIndex(PaletteColor(i));
        EXPECT_EQ(PaletteColor(found), PaletteColor(i));
        EXPECT_LE(found, i);
    }
}

TEST(NormalizeCellText, LineBreaks) {
    EXPECT_EQ(NormalizeCellText(u"A\r\nB"), u"A\nB");
    EXPECT_EQ(NormalizeCellText(u"A\rB"), u"A\nB");
    EXPECT_EQ(NormalizeCellText(u"A\nB"), u"A\nB");
    EXPECT_EQ(NormalizeCellText(u"A\r\r\nB\r"), u"A\n\nB\n");
    EXPECT_EQ(NormalizeCellText(u"x <b>bold</b><br>"), u"x <b>bold</b><br>");
    EXPECT_EQ(NormalizeCellText(u"=1+2"), u"=1+2");
    EXPECT_EQ(NormalizeCellText(u""), u"");
}

TEST(NormalizeCellText, RichTextBecomesPlainText) {
    const std::u16string rtf =
        u"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Tahoma;}}"
        u"{\\colortbl ;\\red255\\green0\\blue0;}"
        u"{\\*\\generator Riched20 10.0;}\\viewkind4\\uc1\\pard\\f0\\fs16 Smith, \\b John\\b0"
        u"\\par Caf\\'e9 \\u8364?5\\tab x\\{y\\}\\\\\\par\r\n}";
    EXPECT_EQ(NormalizeCellText(rtf), u"Smith, John\nCaf\u00E9 \u20AC5\tx{y}\\");
}

TEST(RtfToPlainText, ControlWordsAndDestinations) {
    struct Case {
        const char16_t* rtf;
        const char16_t* text;
    };
    const Case cases[] = {
        {u"{\\rtf1 plain}", u"plain"},
        {u"{\\rtf1 a\\line b}", u"a\r\nb"},
        {u"{\\rtf1 one\\par two\\par}", u"one\r\ntwo"},
        {u"{\\rtf1 \\'80\\'e9\\'41}", u"\u20AC\u00E9A"},
        {u"{\\rtf1\\uc2 \\u-3913??x}", u"\uF0B7x"}, // negative \u, two fallback characters
        {u"{\\rtf1\\uc0 \\u233 x}", u"\u00E9x"},
        {u"{\\rtf1 {\\*\\unknown hidden}shown}", u"shown"},
        {u"{\\rtf1 {\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}}", u"link"},
        {u"{\\rtf1 {\\info{\\author me}}body}", u"body"},
        {u"{\\rtf1 \\ldblquote q\\rdblquote\\~\\emdash}", u"\u201Cq\u201D\u00A0\u2014"},
        {u"{\\rtf1 unbalanced}}} more", u"unbalanced more"},
        {u"{\\rtf1 {{{ deep", u" deep"},
        {u"{\\rtf1 trailing\\", u"trailing"},
        {u"{\\rtf1 bad hex \\'zz}", u"bad hex zz"},
        {u"{\\", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RtfToPlainText(c.rtf), c.text);
}

} // namespace
} // namespace orq::exporter
