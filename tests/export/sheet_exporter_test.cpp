// Save to XLS: what the exporter writes for a report table, and how it treats existing files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/error.h"
#include "export/sheet_exporter.h"
#include "xls/byte_reader.h"
#include "xls/cfb.h"
#include "xls/tavro_import.h"
#include "xls/writer.h"

#include "xls/record_stream.h"

namespace orq::exporter {
namespace {

using reports::TReportCell;
using reports::TReportTable;
using Bytes = std::vector<std::uint8_t>;

using Rec = xls::testing::TStreamRecord;

std::vector<Rec> Records(const Bytes& stream) {
    return xls::testing::SplitRecords(stream);
}

std::vector<Rec> OfId(const std::vector<Rec>& records, std::uint16_t id) {
    std::vector<Rec> out;
    for (const Rec& r : records)
        if (r.id == id) out.push_back(r);
    return out;
}

// A small report: RSID, Rctr, Name, ApptSch (hidden), EST; two data rows.
TReportTable SmallTable() {
    TReportTable t;
    const char* headers[] = {"RSID", "Rctr", "Name", "ApptSch", "EST"};
    const int widths[] = {34, 71, 74, 111, 28};
    for (int c = 0; c < 5; ++c)
        t.Columns.push_back({headers[c], widths[c], c == 3});
    t.SetDataRowCount(2);
    const char* row1[] = {"1A2B", "Smith, John", "Doe, Jane", "3/31/2008  9:05 ", "45"};
    const char* row2[] = {"1A2B", "Adams, Bob", "O'Brien, Pat", "4/1/2008  10:30 ", ""};
    for (int c = 0; c < 5; ++c) {
        t.Rows[0][static_cast<std::size_t>(c)].Text = row1[c];
        t.Rows[1][static_cast<std::size_t>(c)].Text = row2[c];
    }
    t.Rows[0][2].Background = kLavender;
    t.Rows[1][2].Background = kMaroon;
    t.Rows[1][2].FontColor = kWhite;
    t.WordWrap = true;
    return t;
}

xls::TXlsWriter Exported(const TReportTable& table, TExportLook look = {}) {
    TSheetExporter exporter(table);
    exporter.Look = look;
    xls::TXlsWriter writer;
    writer.NewFile(1);
    exporter.ExportGrid(writer);
    return writer;
}

class ExportFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("orq-export-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }
    std::size_t Count() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_),
                                                      std::filesystem::directory_iterator()));
    }
    static std::string Content(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }
    std::filesystem::path dir_;
};

// ---------------------------------------------------------------- sizes

TEST(ExportSizes, PixelConversions) {
    EXPECT_EQ(ColumnWidth256(71), 2597);
    EXPECT_EQ(ColumnWidth256(34), 1243);
    EXPECT_EQ(ColumnWidth256(0), 0);
    EXPECT_EQ(RowHeightTwips(22), 330);
    EXPECT_EQ(RowHeightTwips(0.5), 8);   // 7.5: ties to even
    EXPECT_EQ(RowHeightTwips(1.1), 16);  // 16.5: ties to even
    EXPECT_EQ(FontSize20(-11, 96), 165); // 8.25 pt
    EXPECT_EQ(FontSize20(-11, 120), 132);
    EXPECT_EQ(FontSize20(-13, 96), 195);
    EXPECT_EQ(OverwriteMessage("File %s already exists\rOk to overwrite ?", "/tmp/a.xls"),
              "File /tmp/a.xls already exists\rOk to overwrite ?");
}

// ---------------------------------------------------------------- the sheet

TEST(ExportGrid, CellsFormatsAndSizes) {
    const TReportTable table = SmallTable();
    xls::TXlsWriter writer = Exported(table);
    // The hidden column is left out: EST moves into column 4.
    xls::TTavroImport import;
    xls::TXLSAdapter adapter;
    import.Adapter = &adapter;
    import.OpenMemory(writer.SaveToMemory());
    import.SetActiveSheet(1);
    EXPECT_EQ(import.RowCount(), 3);
    EXPECT_EQ(std::get<std::u16string>(import.CellValue(1, 4)), u"EST");
    EXPECT_EQ(std::get<std::u16string>(import.CellValue(2, 4)), u"45");
    EXPECT_EQ(std::get<std::u16string>(import.CellValue(3, 3)), u"O'Brien, Pat");
    EXPECT_EQ(import.CellValue(3, 4).index(), 0u); // empty text: a formatted blank
    EXPECT_EQ(import.CellValue(1, 5).index(), 0u);

    // Formats: header bold Tahoma with the button face as a solid fill (nearest: white);
    // data cells regular, white cells without fill, own backgrounds and font colours mapped to
    // the palette; every cell left and top aligned.
    const xls::TTavroFormat header = writer.GetCellFormat(1, 1);
    EXPECT_EQ(header.Font.Name, u"Tahoma");
    EXPECT_EQ(header.Font.Size20, 165);
    EXPECT_TRUE(header.Font.Style.Has(xls::FontStyle::Bold));
    EXPECT_EQ(header.Font.ColorIndex, 1);
    EXPECT_EQ(header.FillPattern, xls::kFillSolid);
    EXPECT_EQ(header.FgColorIndex, 2);
    EXPECT_EQ(header.HAlignment, xls::kHAlignLeft);
    EXPECT_EQ(header.VAlignment, xls::kVAlignTop);
    const xls::TTavroFormat plain = writer.GetCellFormat(2, 1);
    EXPECT_FALSE(plain.Font.Style.Has(xls::FontStyle::Bold));
    EXPECT_EQ(plain.FillPattern, xls::kFillNone);
    EXPECT_FALSE(plain.WrapText);
    const xls::TTavroFormat lavender = writer.GetCellFormat(2, 3);
    EXPECT_EQ(lavender.FillPattern, xls::kFillSolid);
    EXPECT_EQ(lavender.FgColorIndex, 17);
    const xls::TTavroFormat maroon = writer.GetCellFormat(3, 3);
    EXPECT_EQ(maroon.FgColorIndex, 9);
    EXPECT_EQ(maroon.Font.ColorIndex, 2);
    EXPECT_EQ(writer.GetCellFormat(3, 4), plain); // the blank cell has the same format

    const auto sheet = Records(writer.WorkbookStream());
    // Column widths of the shown columns: 34, 71, 74 and 28 pixels; the hidden 111 is gone.
    const auto colinfo = OfId(sheet, 0x007D);
    std::vector<std::uint16_t> widths;
    for (const Rec& c : colinfo)
        for (std::uint16_t col = xls::ReadU16LE(c.data, 0); col <= xls::ReadU16LE(c.data, 2); ++col)
            widths.push_back(xls::ReadU16LE(c.data, 4));
    EXPECT_EQ(widths, (std::vector<std::uint16_t>{1243, 2597, 2706, 1024}));
    // Every row has its height: 22 pixels, 330 twips.
    const auto rows = OfId(sheet, 0x0208);
    ASSERT_EQ(rows.size(), 3u);
    for (const Rec& r : rows)
        EXPECT_EQ(xls::ReadU16LE(r.data, 6), 330);
    // The template's FORMAT records, sorted by the format lookups.
    std::vector<std::uint16_t> formats;
    for (const Rec& f : OfId(sheet, 0x041E))
        formats.push_back(xls::ReadU16LE(f.data, 0));
    EXPECT_EQ(formats, (std::vector<std::uint16_t>{5, 6, 7, 8, 41, 42, 43, 44}));
    // Portrait page setup at 100 %, printer settings valid; grid lines shown; outline flags off.
    const Rec setup = OfId(sheet, 0x00A1).front();
    EXPECT_EQ(xls::ReadU16LE(setup.data, 2), 100);
    EXPECT_EQ(xls::ReadU16LE(setup.data, 10), 0x0002);
    EXPECT_EQ(OfId(sheet, 0x0081).front().data[0] & 0xC0, 0);
    EXPECT_EQ(xls::ReadU16LE(OfId(sheet, 0x023E).front().data, 0) & 0x0002, 0x0002);
}

TEST(ExportGrid, LandscapeAfterPrinting) {
    TReportTable table = SmallTable();
    table.Orientation = reports::TOrientation::Landscape;
    xls::TXlsWriter writer = Exported(table);
    EXPECT_EQ(writer.PageSetupOptions(), 0x0000);
}

TEST(ExportGrid, ReportWithoutAppointments) {
    TReportTable table = SmallTable();
    table.Clear(1); // the header row and one empty data row
    xls::TXlsWriter writer = Exported(table);
    const auto sheet = Records(writer.WorkbookStream());
    EXPECT_EQ(OfId(sheet, 0x00FD).size(), 4u); // the four shown headers
    const auto blanks = OfId(sheet, 0x00BE);   // row 2: one run of formatted blanks
    ASSERT_EQ(blanks.size(), 1u);
    EXPECT_EQ(xls::ReadU16LE(blanks[0].data, 0), 1);
    EXPECT_EQ(blanks[0].data.size(), 6u + 2u * 4u);
}

TEST(ExportGrid, TextsOfCells) {
    TReportTable table = SmallTable();
    const std::pair<const char*, const char16_t*> cases[] = {
        {"A\r\nB", u"A\nB"},
        {"A\rB", u"A\nB"},
        {"=1+2", u"=1+2"}, // stays text: no formula is ever written
        {"x <b>bold</b>", u"x <b>bold</b>"},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}\\f0 Rich\\par Text\\par}", u"Rich\nText"},
        {"{\\b not rtf}", u"not rtf"}, // "{\" alone is read as rich text by the table
        {"caf\xC3\xA9 \xE2\x82\xAC", u"caf\u00E9 \u20AC"},
    };
    table.SetDataRowCount(std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        table.Rows[i][4].Text = cases[i].first;
    xls::TXlsWriter writer = Exported(table);
    xls::TTavroImport import;
    xls::TXLSAdapter adapter;
    import.Adapter = &adapter;
    import.OpenMemory(writer.SaveToMemory());
    import.SetActiveSheet(1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const int row = static_cast<int>(i) + 2;
        EXPECT_EQ(std::get<std::u16string>(import.CellValue(row, 4)), cases[i].second) << i;
        const bool lineFeed = std::u16string(cases[i].second).find(u'\n') != std::u16string::npos;
        EXPECT_EQ(writer.GetCellFormat(row, 4).WrapText, lineFeed) << i;
    }
    EXPECT_TRUE(OfId(Records(writer.WorkbookStream()), 0x0006).empty());
}

TEST(ExportGrid, NearlyWhiteIsASolidFill) {
    TReportTable table = SmallTable();
    table.Rows[0][0].Background = 0xFEFEFE;
    table.Rows[0][1].Background = 0xFFFFFF;
    xls::TXlsWriter writer = Exported(table);
    EXPECT_EQ(writer.GetCellFormat(2, 1).FillPattern, xls::kFillSolid);
    EXPECT_EQ(writer.GetCellFormat(2, 1).FgColorIndex, 2);
    EXPECT_EQ(writer.GetCellFormat(2, 2).FillPattern, xls::kFillNone);
}

TEST(ExportGrid, LookOfTheScreen) {
    TExportLook look;
    look.PixelsPerInch = 120;
    look.ButtonFaceColor = 0xFFFFFF; // a scheme whose buttons are white: no fill
    look.WindowTextColor = 0xFF0000; // blue text
    look.FontName = u"DejaVu Sans";
    xls::TXlsWriter writer = Exported(SmallTable(), look);
    const xls::TTavroFormat header = writer.GetCellFormat(1, 1);
    EXPECT_EQ(header.Font.Size20, 132);
    EXPECT_EQ(header.Font.Name, u"DejaVu Sans");
    EXPECT_EQ(header.FillPattern, xls::kFillNone);
    EXPECT_EQ(writer.GetCellFormat(2, 1).Font.ColorIndex, 5);
    EXPECT_EQ(writer.GetCellFormat(3, 3).Font.ColorIndex, 2); // the cell's own white
}

TEST(ExportGrid, FontStylesOfCells) {
    TReportTable table = SmallTable();
    table.Rows[0][0].FontStyle = reports::kItalic | reports::kUnderline;
    table.Rows[0][1].FontStyle = reports::kBold | reports::kStrikeOut;
    xls::TXlsWriter writer = Exported(table);
    const xls::TTavroFont italic = writer.GetCellFormat(2, 1).Font;
    EXPECT_TRUE(italic.Style.Has(xls::FontStyle::Italic));
    EXPECT_FALSE(italic.Style.Has(xls::FontStyle::Bold));
    EXPECT_EQ(italic.Underline, xls::FontUnderline::Single);
    const xls::TTavroFont bold = writer.GetCellFormat(2, 2).Font;
    EXPECT_TRUE(bold.Style.Has(xls::FontStyle::Bold));
    EXPECT_TRUE(bold.Style.Has(xls::FontStyle::StrikeOut));
}

// ---------------------------------------------------------------- files

TEST_F(ExportFiles, SameTableTwiceGivesTheSameFile) {
    const TReportTable table = SmallTable();
    TSheetExporter exporter(table);
    EXPECT_TRUE(exporter.ExportToXls(File("a.xls")));
    EXPECT_TRUE(exporter.ExportToXls(File("b.xls")));
    EXPECT_EQ(Content(File("a.xls")), Content(File("b.xls")));
}

TEST_F(ExportFiles, OverwriteIsAskedOnce) {
    const TReportTable table = SmallTable();
    const std::string path = File("report.xls");
    std::ofstream(path) << "old";
    TSheetExporter exporter(table);
    std::vector<std::string> questions;
    bool answer = false;
    exporter.ConfirmOverwrite = [&](const std::string& message) {
        questions.push_back(message);
        return answer;
    };
    EXPECT_FALSE(exporter.ExportToXls(path)); // answered No: nothing written
    EXPECT_EQ(Content(path), "old");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "File " + path + " already exists\rOk to overwrite ?");

    answer = true;
    EXPECT_TRUE(exporter.ExportToXls(path));
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_NO_THROW(xls::TOle2Storage::OpenRead(path));
    EXPECT_EQ(Count(), 1u); // no temporary file left

    exporter.ConfirmOverwrite = nullptr; // nobody to ask: the file stays
    EXPECT_FALSE(exporter.ExportToXls(path));
}

TEST_F(ExportFiles, NeverModeRefusesAndFailuresLeaveNothing) {
    const TReportTable table = SmallTable();
    const std::string path = File("report.xls");
    std::ofstream(path) << "old";
    TSheetExporter exporter(table);
    exporter.Options.ExportOverwrite = TOverwriteMode::omNever;
    try {
        exporter.ExportToXls(path);
        FAIL() << "an existing file was replaced";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Can't write to file \"" + path + "\". Check it is not in use by another user");
    }
    EXPECT_EQ(Content(path), "old");

    // A folder that does not exist: the export fails and leaves nothing behind.
    EXPECT_THROW(exporter.ExportToXls(File("missing/report.xls")), Error);
    EXPECT_EQ(Count(), 1u);
}

TEST_F(ExportFiles, CommandLineAnswer) {
    const TReportTable table = SmallTable();
    const std::string path = File("cli.xls");
    SaveReportAsXls(table, path, false);
    const std::string first = Content(path);
    try {
        SaveReportAsXls(table, path, false);
        FAIL() << "an existing file was replaced without --overwrite";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "File " + path + " already exists");
    }
    SaveReportAsXls(table, path, true);
    EXPECT_EQ(Content(path), first);
}

} // namespace
} // namespace orq::exporter
