// The byte layouts the writer produces for fonts, formats, cell XFs and the shared-string table.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/error.h"
#include "xls/byte_reader.h"
#include "xls/cell_format.h"
#include "xls/record_sink.h"
#include "xls/sst_writer.h"

#include "xls/record_stream.h"

namespace orq::xls {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Hex(const std::string& text) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

// The template's cell XF 15: font 0, format 0, locked, general and bottom, no borders, fill
// colours 64 and 65.
const Bytes kTemplateXF15 = Hex("00 00 00 00 01 00 20 00 00 00 00 00 00 00 00 00 00 00 C0 20");

TTavroFont Tahoma8() {
    TTavroFont font;
    font.Name = u"Tahoma";
    font.Size20 = 165;
    font.ColorIndex = 1;
    return font;
}

TEST(WriterEncode, FontRecordOfTheExample) {
    EXPECT_EQ(EncodeFontRecord(Tahoma8()),
              Hex("A5 00 00 00 08 00 90 01 00 00 00 00 00 00 06 01 54 00 61 00 68 00 6F 00 6D "
                  "00 61 00"));
}

TEST(WriterEncode, FontFieldsRoundTrip) {
    TTavroFont font = Tahoma8();
    font.Style.Set(FontStyle::Bold);
    font.Style.Set(FontStyle::Italic);
    font.Style.Set(FontStyle::StrikeOut);
    font.Style.Set(FontStyle::Subscript);
    font.Underline = FontUnderline::DoubleAccounting;
    font.Family = 2;
    font.CharSet = 0xA1;
    const Bytes bytes = EncodeFontRecord(font);
    EXPECT_EQ(ReadU16LE(bytes, 2), 0x0B); // bold (bit 0 beside the weight), italic, strike-out
    EXPECT_EQ(ReadU16LE(bytes, 6), 700);  // bold
    EXPECT_EQ(ReadU16LE(bytes, 8), 2);    // subscript
    EXPECT_EQ(bytes[10], 0x22);           // double accounting
    EXPECT_EQ(DecodeFontRecord(bytes), font);

    font.Style = {};
    font.Style.Set(FontStyle::Superscript);
    EXPECT_EQ(ReadU16LE(EncodeFontRecord(font), 8), 1);
    EXPECT_EQ(ReadU16LE(EncodeFontRecord(font), 2), 0); // not bold: bit 0 clear
}

TEST(WriterEncode, FontNameLimit) {
    TTavroFont font = Tahoma8();
    font.Name.assign(255, u'x');
    EXPECT_EQ(EncodeFontRecord(font).size(), 16u + 510u);
    font.Name.assign(256, u'x');
    try {
        EncodeFontRecord(font);
        FAIL() << "a 256-character font name was accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Invalid String record");
    }
}

TEST(WriterEncode, TemplateXF15Decodes) {
    const TTavroFormat f = DecodeXFRecord(kTemplateXF15);
    EXPECT_EQ(f.Borders.Left.Style, 0);
    EXPECT_EQ(f.Borders.Left.ColorIndex, 1);
    EXPECT_EQ(f.Borders.Bottom.ColorIndex, 1);
    EXPECT_EQ(f.Borders.Diagonal.ColorIndex, 1);
    EXPECT_EQ(f.FillPattern, kFillNone);
    EXPECT_EQ(f.FgColorIndex, 57);
    EXPECT_EQ(f.BgColorIndex, 58);
    EXPECT_EQ(f.HAlignment, kHAlignGeneral);
    EXPECT_EQ(f.VAlignment, kVAlignBottom);
    EXPECT_FALSE(f.WrapText);
    EXPECT_TRUE(f.Locked);
    EXPECT_FALSE(f.Hidden);
    EXPECT_EQ(f.Parent, 0);
}

TEST(WriterEncode, XFOfTheExample) {
    TTavroFormat f = DecodeXFRecord(kTemplateXF15);
    f.HAlignment = kHAlignLeft;
    f.VAlignment = kVAlignTop;
    EXPECT_EQ(EncodeXFRecord(f, 6, 0),
              Hex("06 00 00 00 01 00 01 00 00 FC 00 00 08 04 08 04 02 00 C0 20"));
}

TEST(WriterEncode, XFFieldsRoundTrip) {
    TTavroFormat f;
    f.HAlignment = kHAlignRight;
    f.VAlignment = kVAlignCenter;
    f.WrapText = true;
    f.ShrinkToFit = true;
    f.Rotation = 90;
    f.Indent = 3;
    f.Locked = false;
    f.Hidden = true;
    f.FillPattern = kFillSolid;
    f.FgColorIndex = 19;
    f.BgColorIndex = 2;
    f.Borders.Left = {1, 10};
    f.Borders.Right = {2, 11};
    f.Borders.Top = {5, 12};
    f.Borders.Bottom = {13, 13};
    f.Borders.Diagonal = {7, 14};
    f.Borders.DiagonalKind = 3;
    const Bytes bytes = EncodeXFRecord(f, 7, 164);
    EXPECT_EQ(XFFontIndex(bytes), 7);
    EXPECT_EQ(XFFormatIndex(bytes), 164);
    TTavroFormat back = DecodeXFRecord(bytes);
    back.Font = f.Font;
    back.NumberFormat = f.NumberFormat;
    EXPECT_EQ(back, f);
}

TEST(WriterEncode, XFColourClamping) {
    TTavroFormat f;
    f.Borders.Left.ColorIndex = 0;     // BIFF colour 7: raised to 8
    f.Borders.Right.ColorIndex = 70;   // BIFF colour 77: limited to 64
    f.Borders.Top.ColorIndex = 121;    // (121 + 7) & 0x7F = 0: raised to 8
    f.Borders.Diagonal.ColorIndex = 0; // diagonal: masked only
    const Bytes bytes = EncodeXFRecord(f, 0, 0);
    const std::uint16_t lr = ReadU16LE(bytes, 12);
    const std::uint32_t rest = ReadU32LE(bytes, 14);
    EXPECT_EQ(lr & 0x7F, 8);
    EXPECT_EQ((lr >> 7) & 0x7F, 64);
    EXPECT_EQ(rest & 0x7F, 8u);
    EXPECT_EQ((rest >> 14) & 0x7F, 7u);
}

TEST(WriterEncode, FormatRecords) {
    EXPECT_EQ(EncodeFormatRecord(164, u"0.0"), Hex("A4 00 03 00 00 30 2E 30"));
    EXPECT_EQ(EncodeFormatRecord(165, u"\u20AC0"), Hex("A5 00 02 00 01 AC 20 30 00"));
    const Bytes fromTemplate = Hex("05 00 19 00 00 22 24 55 22 5C 20 23 2C 23 23 30 3B 22 24 55 22 "
                                   "5C 20 5C 2D 23 2C 23 23 30");
    EXPECT_EQ(FormatRecordIndex(fromTemplate), 5);
    EXPECT_EQ(FormatRecordText(fromTemplate), u"\"$U\"\\ #,##0;\"$U\"\\ \\-#,##0");
    EXPECT_EQ(FormatRecordText(EncodeFormatRecord(165, u"\u20AC0")), u"\u20AC0");
}

TEST(WriterEncode, BuiltInFormats) {
    const TDateNotation us;
    EXPECT_EQ(BuiltInFormatText(0, us), u"");
    EXPECT_EQ(BuiltInFormatText(3, us), u"#,##0");
    EXPECT_EQ(BuiltInFormatText(14, us), u"mm/dd/YYYY");
    EXPECT_EQ(BuiltInFormatText(22, us), u"mm/dd/YYYY hh:mm");
    EXPECT_EQ(BuiltInFormatText(23, us), u"");
    EXPECT_EQ(BuiltInFormatText(49, us), u"@");
    EXPECT_EQ(BuiltInFormatText(50, us), u"");
    EXPECT_EQ(BuiltInFormatText(-1, us), u"");

    struct Case {
        const char* pattern;
        char dateSep, timeSep;
        const char16_t* f14;
        const char16_t* f22;
    };
    const Case cases[] = {
        {"dd.MM.yyyy", '.', ':', u"dd.mm.YYYY", u"dd.mm.YYYY hh:mm"},
        {"yyyy-MM-dd", '-', '.', u"YYYY-mm-dd", u"YYYY-mm-dd hh.mm"},
        {"M/d/yyyy", '/', ':', u"mm/dd/YYYY", u"mm/dd/YYYY hh:mm"},
        {"", '-', ':', u"mm/dd/YYYY", u"mm/dd/YYYY hh:mm"},
    };
    for (const Case& c : cases) {
        const TDateNotation notation{c.pattern, c.dateSep, c.timeSep};
        EXPECT_EQ(BuiltInFormatText(14, notation), c.f14) << c.pattern;
        EXPECT_EQ(BuiltInFormatText(22, notation), c.f22) << c.pattern;
    }
}

// ---------------------------------------------------------------- shared strings

// One SST entry as the table holds it: header, then the stored string.
struct Entry {
    Bytes bytes;
    Entry(std::uint16_t refs, const Bytes& string) : bytes(kSstHeaderSize, 0) {
        bytes[0] = static_cast<std::uint8_t>(refs & 0xFF);
        bytes[1] = static_cast<std::uint8_t>(refs >> 8);
        bytes.insert(bytes.end(), string.begin(), string.end());
    }
    TSstEntryRef Ref() { return {bytes.data(), bytes.size() - kSstHeaderSize}; }
    std::uint32_t Position() const { return ReadU32LE(bytes, 2); }
    std::uint16_t Offset() const { return ReadU16LE(bytes, 6); }
    std::uint32_t Index() const { return ReadU32LE(bytes, 8); }
};

Bytes Narrow(const std::string& text) {
    Bytes out;
    AppendLE(out, static_cast<std::uint16_t>(text.size()));
    out.push_back(0);
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

Bytes Wide(const std::u16string& text) {
    Bytes out;
    AppendLE(out, static_cast<std::uint16_t>(text.size()));
    out.push_back(1);
    for (char16_t c : text)
        AppendLE(out, static_cast<std::uint16_t>(c));
    return out;
}

using Record = testing::TStreamRecord;

std::vector<Record> Records(const Bytes& stream) {
    return testing::SplitRecords(stream);
}

Bytes WriteTable(std::vector<Entry>& entries, std::size_t lead = 0) {
    TVectorSink sink;
    sink.Write(Bytes(lead, 0xAA)); // records before the SST
    std::vector<TSstEntryRef> refs;
    for (Entry& e : entries)
        refs.push_back(e.Ref());
    WriteSst(sink, refs);
    WriteExtSst(sink, refs);
    return Bytes(sink.Bytes().begin() + static_cast<std::ptrdiff_t>(lead), sink.Bytes().end());
}

TEST(WriterSst, EmptyTable) {
    std::vector<Entry> none;
    EXPECT_EQ(WriteTable(none), Hex("FC 00 08 00 00 00 00 00 00 00 00 00 FF 00 02 00 08 00"));
}

TEST(WriterSst, CountsPositionsAndIndexes) {
    std::vector<Entry> entries{{2, Narrow("RSID")}, {1, Narrow("Rctr")}};
    const std::size_t lead = 100;
    const auto records = Records(WriteTable(entries, lead));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].id, kIdSst);
    EXPECT_EQ(records[0].data,
              Hex("03 00 00 00 02 00 00 00 04 00 00 52 53 49 44 04 00 00 52 63 74 72"));
    EXPECT_EQ(entries[0].Position(), lead + 12);
    EXPECT_EQ(entries[0].Offset(), 12);
    EXPECT_EQ(entries[1].Position(), lead + 19);
    EXPECT_EQ(entries[1].Index(), 1u);
    // EXTSST: bucket size 8, one bucket for entry 0.
    EXPECT_EQ(records[1].data, Hex("08 00 70 00 00 00 0C 00 00 00"));
}

TEST(WriterSst, LongNarrowTextFillsTheRecordAndContinues) {
    std::vector<Entry> entries{{1, Narrow(std::string(10000, 'x'))}};
    const auto records = Records(WriteTable(entries));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].data.size(), 8224u);
    EXPECT_EQ(records[1].id, kIdContinue);
    EXPECT_EQ(records[1].data.size(), 1u + 10000u - (8224u - 8u - 3u));
    EXPECT_EQ(records[1].data[0], 0x00); // option byte of the continued characters
    EXPECT_EQ(records[2].id, kIdExtSst);
}

TEST(WriterSst, EntriesNeverStartInTheLast31Bytes) {
    // First entry leaves exactly 31 free bytes: the second starts a CONTINUE at offset 4.
    const std::size_t first = 8224 - 8 - 3 - 31;
    std::vector<Entry> entries{{1, Narrow(std::string(first, 'a'))}, {1, Narrow("b")}};
    const auto records = Records(WriteTable(entries));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].data.size(), 8224u - 31u);
    EXPECT_EQ(records[1].id, kIdContinue);
    EXPECT_EQ(records[1].data, Hex("01 00 00 62"));
    EXPECT_EQ(entries[1].Offset(), 4);
    EXPECT_EQ(entries[1].Position(), records[1].at + 4);

    // With 32 free bytes it stays in the SST.
    std::vector<Entry> fits{{1, Narrow(std::string(first - 1, 'a'))}, {1, Narrow("b")}};
    EXPECT_EQ(Records(WriteTable(fits)).size(), 2u);
}

TEST(WriterSst, WideTextChunksFollowTheEightOrSixteenBitRule) {
    // A 16-bit entry whose tail after the first record is all Latin-1: the continuation is
    // written with 8-bit characters.
    const std::size_t head = (8224 - 8 - 3) / 2; // 16-bit characters that fit in the SST
    std::u16string text(head, u'\u0416');
    text += std::u16string(500, u'z');
    std::vector<Entry> entries{{1, Wide(text)}};
    auto records = Records(WriteTable(entries));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].data[10], 0x01);
    EXPECT_EQ(records[0].data.size(), 8u + 3u + 2u * head);
    EXPECT_EQ(records[1].data.size(), 1u + 500u);
    EXPECT_EQ(records[1].data[0], 0x00);
    EXPECT_EQ(records[1].data[1], 'z');

    // A 16-bit entry that begins with Latin-1 characters: as many as fit go 8-bit. In the
    // continuation 787 Latin-1 characters come before the 16-bit one, fewer than the 788
    // characters a 16-bit chunk holds, so the whole rest is written 16-bit.
    std::u16string latinFirst(9000, u'y');
    latinFirst += u"\u0416";
    std::vector<Entry> second{{1, Wide(latinFirst)}};
    records = Records(WriteTable(second));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].data[10], 0x00); // first chunk written 8-bit
    EXPECT_EQ(records[0].data.size(), 8224u);
    const std::size_t rest = 9001 - (8224 - 11);
    EXPECT_EQ(records[1].data[0], 0x01);
    EXPECT_EQ(records[1].data.size(), 1u + 2u * rest);
    EXPECT_EQ(records[1].data[1], 'y');
    EXPECT_EQ(records[1].data[2], 0x00);
}

TEST(WriterSst, RunsAndPhoneticBlockContinueInWholeUnits) {
    // An 8-bit string with 3 runs and a 6-byte phonetic block, placed so that the runs straddle
    // the end of the SST record.
    Bytes s;
    const std::size_t chars = 8224 - 8 - 9 - 6; // leaves 6 free bytes for the runs
    AppendLE(s, static_cast<std::uint16_t>(chars));
    s.push_back(0x0C);
    AppendLE(s, static_cast<std::uint16_t>(3));
    AppendLE(s, static_cast<std::uint32_t>(6));
    s.insert(s.end(), chars, 'r');
    const Bytes runs = Hex("01 00 02 00 03 00 04 00 05 00 06 00");
    s.insert(s.end(), runs.begin(), runs.end());
    const Bytes phonetic = Hex("F1 F2 F3 F4 F5 F6");
    s.insert(s.end(), phonetic.begin(), phonetic.end());
    EXPECT_EQ(SstStringSize(s), s.size());
    std::vector<Entry> entries{{1, s}};
    const auto records = Records(WriteTable(entries));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].data.size(), 8224u - 2u); // one 4-byte run, not six bytes
    EXPECT_EQ(records[1].data, Hex("03 00 04 00 05 00 06 00 F1 F2 F3 F4 F5 F6"));
}

TEST(WriterSst, ExtSstBuckets) {
    for (std::size_t n : {1u, 8u, 9u, 1023u, 1024u, 3000u}) {
        std::vector<Entry> entries;
        for (std::size_t i = 0; i < n; ++i)
            entries.emplace_back(1, Narrow(std::to_string(i)));
        const auto records = Records(WriteTable(entries));
        const Record& ext = records.back();
        ASSERT_EQ(ext.id, kIdExtSst);
        const std::size_t d = std::max<std::size_t>(n / 128 + 1, 8);
        const std::size_t buckets = (n - 1) / d + 1;
        EXPECT_EQ(ReadU16LE(ext.data, 0), d) << n;
        ASSERT_EQ(ext.data.size(), 2 + 8 * buckets) << n;
        for (std::size_t b = 0; b < buckets; ++b) {
            EXPECT_EQ(ReadU32LE(ext.data, 2 + 8 * b), entries[b * d].Position());
            EXPECT_EQ(ReadU16LE(ext.data, 6 + 8 * b), entries[b * d].Offset());
        }
    }
}

TEST(WriterSst, DamagedStringIsRejected) {
    EXPECT_THROW(SstStringSize(Hex("05 00 00 41 42")), Error);
    EXPECT_THROW(SstStringSize(Hex("01 00 04 00 00")), Error);
}

} // namespace
} // namespace orq::xls
