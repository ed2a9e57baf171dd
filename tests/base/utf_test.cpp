// The program's text conversions.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf.h"

namespace orq {
namespace {

TEST(Utf8ToUtf16, DecodesAndReplacesBadBytes) {
    EXPECT_EQ(Utf8ToUtf16("abc"), u"abc");
    EXPECT_EQ(Utf8ToUtf16("\xC3\xA9t\xC3\xA9"), u"\u00E9t\u00E9");
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82\xAC"), u"\u20AC");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(Utf8ToUtf16("a\xFFz"), u"a\uFFFDz");
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");                               // cut short
    EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD");                     // over-long
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");           // surrogate
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD"); // beyond U+10FFFF
}

TEST(ToUtf8, PairsSurrogatesAndReplacesLoneOnes) {
    EXPECT_EQ(ToUtf8(u"abc"), "abc");
    EXPECT_EQ(ToUtf8(u"\u00E9\u20AC"), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    const char16_t lone[] = {u'a', 0xD83D, u'b', 0xDE00, 0};
    EXPECT_EQ(ToUtf8(lone), "a\xEF\xBF\xBD"
                            "b\xEF\xBF\xBD");
    const char16_t highAtEnd[] = {u'x', 0xD83D, 0};
    EXPECT_EQ(ToUtf8(highAtEnd), "x\xEF\xBF\xBD");
    // Every UTF-8 text of valid characters comes back unchanged.
    for (const char* text :
         {"", "plain", "\xC3\xA9", "\xF0\x9F\x98\x80z", "\xE2\x82\xAC\xE2\x82\xAC"})
        EXPECT_EQ(ToUtf8(Utf8ToUtf16(text)), text);
}

TEST(Latin1ToUtf8Into, AsciiFastPathAndHighBytes) {
    std::string out = "stale text that must go";
    // 17 bytes: two 8-byte words and one byte checked alone; the high byte is in the tail.
    std::vector<std::uint8_t> bytes(16, 'a');
    bytes.push_back(0xE9);
    Latin1ToUtf8Into(bytes, out);
    EXPECT_EQ(out, std::string(16, 'a') + "\xC3\xA9");
    bytes.assign({'A', 0xFF, 'B'});
    Latin1ToUtf8Into(bytes, out);
    EXPECT_EQ(out, "A\xC3\xBF"
                   "B");
    bytes.assign(9, 'z');
    Latin1ToUtf8Into(bytes, out);
    EXPECT_EQ(out, "zzzzzzzzz");
}

TEST(Utf16LeToUtf8Into, ReadsLittleEndianUnitsAndIgnoresAnOddByte) {
    std::string out;
    const std::vector<std::uint8_t> bytes = {'H', 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 'x'};
    Utf16LeToUtf8Into(bytes, out);
    EXPECT_EQ(out, "H\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(Utf8ToCodePoints, DecodesAndKeepsBadBytesAsThemselves) {
    EXPECT_EQ(Utf8ToCodePoints("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              U"a\u00E9\u20AC\U0001F600");
    // A stray continuation byte and a sequence cut short by the end stand for their bytes.
    EXPECT_EQ(Utf8ToCodePoints("\x80z\xE2\x82"), (std::u32string{0x80, U'z', 0xE2, 0x82}));
    EXPECT_EQ(Utf8ToCodePoints(""), U"");
}

std::span<const std::uint8_t> BytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(IsUtf8, AcceptsWellFormedTextOnly) {
    struct Case {
        std::string_view bytes;
        bool utf8;
    };
    for (const Case& c :
         std::initializer_list<Case>{{"plain ASCII text, longer than one word", true},
                                     {"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", true},
                                     {"caf\xE9", false},          // Windows-1252
                                     {"12345678\xC3", false},     // cut short after an ASCII word
                                     {"\xC0\x80", false},         // over-long
                                     {"\xE0\x80\x80", false},     // over-long in three bytes
                                     {"\xED\xA0\x80", false},     // surrogate
                                     {"\xF4\x90\x80\x80", false}, // beyond U+10FFFF
                                     {"\xE2\x82", false},         // a three-byte form cut short
                                     {"\xE2\x28\xAC", false}}) {  // a bad continuation byte
        EXPECT_EQ(IsUtf8(BytesOf(c.bytes)), c.utf8) << c.bytes;
    }
}

TEST(EightBitAndBigEndian, DecodeToUtf8) {
    std::string out;
    Windows1252ToUtf8Into(BytesOf("\x80 \x93q\x94 \xE9 \x81"), out);
    EXPECT_EQ(out, "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D \xC3\xA9 \xEF\xBF\xBD");
    Utf16BeToUtf8Into(BytesOf(std::string_view("\x00"
                                               "a\x20\xAC\xD8\x3D\xDE\x00",
                                               8)),
                      out);
    EXPECT_EQ(out, "a\xE2\x82\xAC\xF0\x9F\x98\x80");
}

} // namespace
} // namespace orq
