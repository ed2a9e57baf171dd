// Opening a list by its content: which reader a file's first bytes choose, files named for
// another format, and what no reader takes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/error.h"
#include "import/list_import.h"

namespace orq::import {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(SniffListFormat, FirstBytes) {
    struct Case {
        std::string_view head;
        ListFormat format;
    };
    const std::vector<Case> cases = {
        {std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10), ListFormat::Xls},
        {std::string_view("PK\x03\x04\x14\0", 6), ListFormat::Xlsx},
        {std::string_view("PK\x05\x06\0\0", 6), ListFormat::Xlsx},
        {"RSID,NAME\r\n", ListFormat::Csv},
        {"\xEF\xBB\xBFRSID;NAME\n", ListFormat::Csv},
        {std::string_view("\xFF\xFER\0S\0", 6), ListFormat::Csv},
        {std::string_view("\xFE\xFF\0R\0S", 6), ListFormat::Csv},
        {"caf\xE9", ListFormat::Csv},
        {std::string_view("\x7F"
                          "ELF\x02\x01\0\0",
                          8),
         ListFormat::Unknown},
        {std::string_view("\xD0\xCF\x11\xE0", 4), ListFormat::Csv}, // half a signature is text
        {"", ListFormat::Unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SniffListFormat(Bytes(c.head)), c.format) << c.head;
}

std::string Fixture(const std::string& path) {
    return std::string(ORQ_SOURCE_DIR) + "/tests/fixtures/" + path;
}

// A copy of a fixture under another name in a temporary folder.
std::string CopyAs(const std::string& fixture, const std::string& name) {
    const auto target = std::filesystem::temp_directory_path() / ("orq_list_import_" + name);
    std::filesystem::copy_file(Fixture(fixture), target,
                               std::filesystem::copy_options::overwrite_existing);
    return target.string();
}

TEST(ListImport, EachFormatOpensByItsContentWhateverItsName) {
    struct Case {
        std::string fixture;
        std::string name;
        ListFormat format;
    };
    const std::vector<Case> cases = {
        {"apl/us_two_stations.xls", "a.csv", ListFormat::Xls},
        {"converted/lo/us_two_stations.xlsx", "b.xls", ListFormat::Xlsx},
        {"converted/openpyxl/us_two_stations.xlsx", "c.xlsx", ListFormat::Xlsx},
        {"converted/lo/us_two_stations.csv", "d.xls", ListFormat::Csv},
    };
    TListImport import;
    for (const Case& c : cases) {
        const std::string path = CopyAs(c.fixture, c.name);
        import.OpenFile(path);
        import.SetActiveSheet(1);
        EXPECT_EQ(import.Format(), c.format) << c.fixture;
        EXPECT_EQ(import.RowCount(), 18) << c.fixture;
        // The station of the first data row, as text in every format.
        const TCellValue station = import.CellValue(10, 1);
        std::string text = std::holds_alternative<std::string>(station)
                               ? std::get<std::string>(station)
                               : std::string(std::get<std::u16string>(station).begin(),
                                             std::get<std::u16string>(station).end());
        EXPECT_EQ(text.substr(0, 4), "1A2B") << c.fixture;
        std::filesystem::remove(path);
    }
}

TEST(ListImport, WhatNoReaderTakes) {
    const auto folder = std::filesystem::temp_directory_path();
    const std::string binary = (folder / "orq_list_import_binary.xls").string();
    std::ofstream(binary, std::ios::binary) << std::string("\x7F"
                                                           "ELF\x02\x01\x01\0",
                                                           8);
    const std::string empty = (folder / "orq_list_import_empty.csv").string();
    std::ofstream(empty, std::ios::binary).flush();
    TListImport import;
    for (const std::string& path : {binary, empty}) {
        try {
            import.OpenFile(path);
            ADD_FAILURE() << path << " opened";
        } catch (const Error& error) {
            EXPECT_EQ(error.what(), "The file \"" + path + "\" is invalid");
        }
        std::filesystem::remove(path);
    }
    // A file that is not there: the .xls reader's own words.
    try {
        import.OpenFile("/no/such/folder/list.xlsx");
        ADD_FAILURE() << "a missing file opened";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Can't find the file \"/no/such/folder/list.xlsx\"");
    }
    EXPECT_THROW(import.RowCount(), Error); // nothing open
}

} // namespace
} // namespace orq::import
