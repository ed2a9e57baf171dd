// Compound files checked against independent implementations: fixtures written by xlwt and
// LibreOffice are read and compared with olefile's listing of them (made with the fixtures), and
// files our writer makes are read by olefile (python3-olefile), which must accept them, list
// the same elements and bytes, and find every directory tree a valid red-black search tree.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "xls/cfb.h"
#include "xls/cfb_fixtures.h"

namespace orq::xls {
namespace {

using testing::Listing;
using testing::Pattern;

const std::string kFixtures = std::string(ORQ_SOURCE_DIR) + "/tests/fixtures/cfb/";
const char* kPython = "/usr/bin/python3";

bool HaveOlefile() {
    static const bool have =
        std::system((std::string(kPython) + " -c 'import olefile' >/dev/null 2>&1").c_str()) == 0;
    return have;
}

struct Oracle {
    int status;
    std::string listing;
};

// Runs olefile_listing.py on the file: its exit status and listing.
Oracle OlefileListing(const std::string& path) {
    std::string command = std::string(kPython) + " " + kFixtures + "olefile_listing.py '" + path +
                          "' 2>" + path + ".err";
    Oracle out{-1, ""};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.listing.append(buffer, n);
    out.status = ::pclose(pipe);
    if (out.status != 0) {
        auto err = testing::ReadFile(path + ".err");
        out.listing += std::string(err.begin(), err.end());
    }
    return out;
}

std::string OurListing(const std::string& path) {
    auto storage = TOle2Storage::OpenRead(path);
    return Listing(*storage);
}

std::string FileText(const std::string& path) {
    auto bytes = testing::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Reads a fixture as the workbook open does and writes it back as the workbook save does.
void CopyWorkbook(const std::string& from, const std::string& to) {
    TXlsStorageList held;
    std::vector<std::uint8_t> workbook;
    {
        auto source = TOle2Storage::OpenRead(from);
        CopyElements(held, *source, false);
        workbook = TOle2Stream(*source, "Workbook").ReadAll();
    }
    auto target = TOle2Storage::Create(to, false);
    for (const TXlsStorage& item : held)
        if (item.name != "Workbook") WriteElement(item, *target);
    TOle2Stream(*target, "Workbook").Write(workbook.data(), workbook.size());
    target->Close();
}

class FixtureTest : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureTest, ReadsWhatOlefileReads) {
    std::string path = kFixtures + GetParam();
    EXPECT_EQ(OurListing(path), FileText(path + ".txt"));
}

TEST_P(FixtureTest, CopyKeepsEveryElement) {
    if (!HaveOlefile()) GTEST_SKIP() << "python3-olefile is not installed";
    testing::TempDir dir;
    std::string copy = dir.File("copy.xls");
    CopyWorkbook(kFixtures + GetParam(), copy);
    Oracle oracle = OlefileListing(copy);
    EXPECT_EQ(oracle.status, 0) << oracle.listing;
    EXPECT_EQ(oracle.listing, FileText(kFixtures + GetParam() + ".txt"));
}

INSTANTIATE_TEST_SUITE_P(Writers, FixtureTest, ::testing::Values("xlwt_book.xls", "lo_book.xls"),
                         [](const auto& param) {
                             return std::string(param.param).substr(0, 2) == "lo" ? "LibreOffice"
                                                                                  : "xlwt";
                         });

// Files our writer makes, as olefile sees them.
class WriterOracleTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveOlefile()) GTEST_SKIP() << "python3-olefile is not installed";
    }

    void Check(const TXlsStorageList& held, const std::vector<std::uint8_t>& workbook) {
        std::string path = dir_.File("w" + std::to_string(count_++) + ".xls");
        auto storage = TOle2Storage::Create(path, false);
        for (const TXlsStorage& item : held)
            WriteElement(item, *storage);
        TOle2Stream(*storage, "Workbook").Write(workbook.data(), workbook.size());
        storage->Close();
        Oracle oracle = OlefileListing(path);
        EXPECT_EQ(oracle.status, 0) << oracle.listing;
        EXPECT_EQ(oracle.listing, OurListing(path));
    }

    testing::TempDir dir_;
    int count_ = 0;
};

TEST_F(WriterOracleTest, NestedStoragesAndBothStreamKinds) {
    TXlsStorageList held;
    held.push_back({"\x05SummaryInformation", Pattern(300, 1), {}});
    held.push_back({"Edge", Pattern(4095, 2), {}});
    held.push_back({"Over", Pattern(4096, 3), {}});
    TXlsStorage nested{"_VBA_PROJECT_CUR", {}, {}};
    nested.children.push_back({"Workbook", Pattern(64, 4), {}});
    nested.children.push_back({"VBA", {}, {{"dir", Pattern(5000, 5), {}}, {"x", {1}, {}}}});
    held.push_back(nested);
    Check(held, Pattern(20000, 6));
}

TEST_F(WriterOracleTest, TreesOfEverySize) {
    // One storage per element count, so that trees of many shapes are checked.
    TXlsStorageList held;
    for (int count : {1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 31, 32, 33, 100}) {
        TXlsStorage storage{"T" + std::to_string(count), {}, {}};
        for (int i = 0; i < count; ++i) {
            // Names of mixed length and case, so the order is not the plain byte order.
            std::string name = (i % 3 == 0   ? "n"
                                : i % 3 == 1 ? "Name"
                                             : "LONGER_") +
                               std::to_string(count * 1000 + i);
            storage.children.push_back({name, Pattern(static_cast<std::size_t>(10 + i), 7), {}});
        }
        held.push_back(storage);
    }
    Check(held, Pattern(100, 8));
}

TEST_F(WriterOracleTest, EmptyFile) {
    Check({}, {});
    Check({{"Only", {}, {}}}, {1, 2, 3});
}

TEST_F(WriterOracleTest, MoreThan109FatSectors) {
    Check({{"Other", Pattern(9000, 9), {}}}, Pattern(110 * 128 * 512 + 1, 10));
}

} // namespace
} // namespace orq::xls
