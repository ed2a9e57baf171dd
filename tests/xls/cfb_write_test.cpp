// Writing compound files: round trips through the reader, the mini-stream boundary, DIFAT for
// large files, the no-replace and all-or-nothing rules of creating a file, and locating a
// workbook by name.

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "xls/byte_reader.h"
#include "xls/cfb.h"
#include "xls/cfb_fixtures.h"

namespace orq::xls {
namespace {

using testing::Dump;
using testing::FailureOf;
using testing::Pattern;

TXlsStorage Stream(const std::string& name, std::size_t size, unsigned seed) {
    return {name, Pattern(size, seed), {}};
}
TXlsStorage Storage(const std::string& name, TXlsStorageList children) {
    return {name, {}, std::move(children)};
}

// Writes the held elements and a Workbook stream into a compound file in memory.
std::vector<std::uint8_t> WriteInMemory(const TXlsStorageList& held,
                                        const std::vector<std::uint8_t>& workbook) {
    std::vector<std::uint8_t> file;
    auto storage = TOle2Storage::CreateInMemory(file);
    for (const TXlsStorage& item : held)
        WriteElement(item, *storage);
    {
        TOle2Stream stream(*storage, "Workbook");
        // In pieces, as the workbook writer does.
        for (std::size_t at = 0; at < workbook.size(); at += 1000)
            stream.Write(workbook.data() + at, std::min<std::size_t>(1000, workbook.size() - at));
    }
    storage->Close();
    return file;
}

bool SameElements(const TXlsStorageList& a, const TXlsStorageList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].bytes != b[i].bytes ||
            !SameElements(a[i].children, b[i].children))
            return false;
    return true;
}

void SortByName(TXlsStorageList& list) {
    std::sort(list.begin(), list.end(), [](const TXlsStorage& x, const TXlsStorage& y) {
        return std::make_pair(x.name.size(), x.name) < std::make_pair(y.name.size(), y.name);
    });
    for (auto& item : list)
        SortByName(item.children);
}

// Header and root-entry fields of a version-3 file the writer made.
struct Layout {
    std::uint32_t fatSectors, difatSectors, miniFatSectors;
    std::uint64_t miniStreamSize;
};
Layout LayoutOf(const std::vector<std::uint8_t>& file) {
    std::span<const std::uint8_t> bytes(file);
    std::uint32_t firstDir = ReadU32LE(bytes, testing::kHdrFirstDir);
    return {ReadU32LE(bytes, testing::kHdrFatCount), ReadU32LE(bytes, testing::kHdrDifatCount),
            ReadU32LE(bytes, testing::kHdrMiniFatCount),
            ReadU64LE(bytes, (firstDir + 1) * 512 + testing::kEntSize)};
}

TEST(CfbWriter, RoundTripKeepsNestedElementsAndDropsEmptyOnes) {
    TXlsStorageList held;
    held.push_back(Stream("\x05SummaryInformation", 300, 1));
    held.push_back(Stream("Big", 100000, 2));
    held.push_back(Storage("Nested", {}));
    held.back().children.push_back(Stream("Workbook", 50, 3)); // not the top-level one: kept
    held.back().children.push_back(Storage("Deeper", {Stream("Leaf", 5000, 4)}));
    held.back().children.push_back(Stream("Empty", 0, 0));     // dropped
    held.back().children.push_back(Storage("Hollow", {}));     // dropped
    held.push_back(Storage("OnlyEmpty", {Stream("e", 0, 0)})); // written as an empty storage
    held.push_back(Stream("\xC3\x9C"
                          "ber",
                          64, 5)); // "Über"
    auto workbook = Pattern(12345, 9);

    auto file = WriteInMemory(held, workbook);
    auto storage = TOle2Storage::OpenReadMemory(file);
    TXlsStorageList back;
    CopyElements(back, *storage, false);
    EXPECT_EQ(Dump(back), "Big(100000) \xC3\x9C"
                          "ber(64) Nested{Deeper{Leaf(5000)} Workbook(50)} "
                          "OnlyEmpty{} \x05SummaryInformation(300)");
    EXPECT_EQ(TOle2Stream(*storage, "Workbook").ReadAll(), workbook);

    // What was read is what was written, less the dropped elements.
    TXlsStorageList expected = held;
    expected[2].children.resize(2);
    expected[3].children.clear();
    SortByName(expected);
    SortByName(back);
    EXPECT_TRUE(SameElements(back, expected));

    // Saved again, the empty storage disappears too; the rest stays byte for byte.
    auto again = WriteInMemory(back, workbook);
    auto reread = TOle2Storage::OpenReadMemory(again);
    TXlsStorageList third;
    CopyElements(third, *reread, false);
    EXPECT_EQ(Dump(third), "Big(100000) \xC3\x9C"
                           "ber(64) Nested{Deeper{Leaf(5000)} Workbook(50)} "
                           "\x05SummaryInformation(300)");
}

TEST(CfbWriter, MiniStreamHoldsStreamsUnder4096Bytes) {
    struct Case {
        std::size_t size;
        std::uint64_t miniStream; // bytes of the mini stream
    };
    for (Case c : {Case{1, 64}, Case{64, 64}, Case{65, 128}, Case{4095, 4096}, Case{4096, 0},
                   Case{4097, 0}}) {
        auto file = WriteInMemory({Stream("S", c.size, 7)}, {});
        Layout layout = LayoutOf(file);
        EXPECT_EQ(layout.miniStreamSize, c.miniStream) << c.size;
        EXPECT_EQ(layout.miniFatSectors, c.miniStream > 0 ? 1u : 0u) << c.size;
        auto storage = TOle2Storage::OpenReadMemory(file);
        EXPECT_EQ(TOle2Stream(*storage, "S").ReadAll(), Pattern(c.size, 7)) << c.size;
        // The empty Workbook stream written through a stream object stays, with size 0.
        EXPECT_EQ(TOle2Stream(*storage, "Workbook").Size(), 0u);
    }
}

TEST(CfbWriter, ManySmallStreamsNeedSeveralMiniFatSectors) {
    // 300 streams of 100 bytes: 600 mini sectors, 5 mini FAT sectors, 150 directory entries.
    TXlsStorageList held;
    for (int i = 0; i < 300; ++i)
        held.push_back(Stream("s" + std::to_string(i), 100, static_cast<unsigned>(i)));
    auto file = WriteInMemory(held, Pattern(5000, 1));
    EXPECT_EQ(LayoutOf(file).miniFatSectors, 5u);
    auto storage = TOle2Storage::OpenReadMemory(file);
    TXlsStorageList back;
    CopyElements(back, *storage, false);
    ASSERT_EQ(back.size(), 300u);
    // Enumeration order: shorter names first.
    EXPECT_EQ(back.front().name, "s0");
    EXPECT_EQ(back[10].name, "s10");
    EXPECT_EQ(back.back().name, "s299");
    for (const auto& item : back)
        EXPECT_EQ(item.bytes, Pattern(100, static_cast<unsigned>(std::stoi(item.name.substr(1)))));
}

TEST(CfbWriter, MoreThan109FatSectorsUseTheDifat) {
    // 110 FAT sectors describe up to 14,080 sectors: a 7.2 MB Workbook needs more than 109.
    auto workbook = Pattern(110 * 128 * 512, 4);
    auto file = WriteInMemory({Stream("Other", 9000, 5)}, workbook);
    Layout layout = LayoutOf(file);
    EXPECT_GT(layout.fatSectors, 109u);
    EXPECT_EQ(layout.difatSectors, 1u);
    auto storage = TOle2Storage::OpenReadMemory(file);
    EXPECT_EQ(TOle2Stream(*storage, "Workbook").ReadAll(), workbook);
    EXPECT_EQ(TOle2Stream(*storage, "Other").ReadAll(), Pattern(9000, 5));

    // The DIFAT sector's entries matter: pointing the first of them at a data sector breaks the
    // file.
    std::uint32_t difat = ReadU32LE(file, testing::kHdrFirstDifat);
    std::size_t entry = (std::size_t{difat} + 1) * 512;
    ASSERT_LT(entry + 4, file.size());
    file[entry] ^= 0x01;
    EXPECT_EQ(FailureOf([&] {
                  auto damaged = TOle2Storage::OpenReadMemory(file, "big.xls");
                  TOle2Stream(*damaged, "Workbook").ReadAll();
              }),
              "Can't read file \"big.xls\"");
}

TEST(CfbWriter, StreamsSeekAndOverwrite) {
    std::vector<std::uint8_t> file;
    auto storage = TOle2Storage::CreateInMemory(file);
    {
        TOle2Stream stream(*storage, "Workbook");
        stream.Write("abcdef", 6);
        EXPECT_EQ(stream.Seek(2, SeekOrigin::Begin), 2u);
        stream.Write("XY", 2);
        EXPECT_EQ(stream.Seek(3, SeekOrigin::End), 9u); // past the end: a gap of zeros
        stream.Write("!", 1);
        EXPECT_EQ(stream.Size(), 10u);
        EXPECT_EQ(stream.Position(), 10u);
        stream.Seek(0, SeekOrigin::Begin);
        char head[4] = {};
        EXPECT_EQ(stream.Read(head, 4), 4u);
        EXPECT_EQ(std::string(head, 4), "abXY");
    }
    EXPECT_EQ(storage->List().size(), 1u);
    storage->Close();
    auto reader = TOle2Storage::OpenReadMemory(file);
    auto bytes = TOle2Stream(*reader, "Workbook").ReadAll();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("abXYef\0\0\0!", 10));
    // A position beyond what a stream can hold is refused, not allocated.
    std::vector<std::uint8_t> other;
    auto big = TOle2Storage::CreateInMemory(other);
    TOle2Stream huge(*big, "Huge");
    huge.Seek(std::int64_t{1} << 40, SeekOrigin::Begin);
    EXPECT_EQ(FailureOf([&] { huge.Write("x", 1); }), "The compound file would be too large");
    // A read-mode stream refuses writes.
    TOle2Stream stream(*reader, "Workbook");
    EXPECT_NE(FailureOf([&] { stream.Write("x", 1); }), "");
}

TEST(CfbWriter, RefusesBadAndDuplicateNames) {
    std::vector<std::uint8_t> file;
    auto storage = TOle2Storage::CreateInMemory(file);
    TOle2Stream first(*storage, "Data");
    EXPECT_EQ(FailureOf([&] { TOle2Stream again(*storage, "DATA"); }), "\"DATA\" already exists");
    EXPECT_EQ(FailureOf([&] { storage->Enter(std::string(32, 'n')); }),
              "\"" + std::string(32, 'n') + "\" is an invalid name");
    EXPECT_EQ(FailureOf([&] { TOle2Stream empty(*storage, ""); }), "\"\" is an invalid name");
    EXPECT_EQ(storage->Depth(), 0u);
    TOle2Stream longest(*storage, std::string(31, 'n'));
}

// ---- Files ----------------------------------------------------------------------------------

std::vector<std::uint8_t> SmallWorkbook() {
    return Pattern(700, 8);
}

void FillAndClose(TOle2Storage& storage) {
    WriteElement(Stream("Notes", 100, 1), storage);
    auto workbook = SmallWorkbook();
    TOle2Stream(storage, "Workbook").Write(workbook.data(), workbook.size());
    storage.Close();
}

TEST(CfbCreate, FileAppearsOnlyWhenComplete) {
    testing::TempDir dir;
    std::string path = dir.File("report.xls");
    auto storage = TOle2Storage::Create(path, false);
    // Until Close() only a hidden temporary file exists next to the target.
    ASSERT_EQ(dir.Names().size(), 1u);
    EXPECT_EQ(dir.Names()[0].rfind(".~report.xls.", 0), 0u);
    FillAndClose(*storage);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"report.xls"});
    auto reader = TOle2Storage::OpenRead(path);
    EXPECT_EQ(Dump(*reader), "Notes(100) Workbook(700)");
    storage->Close(); // a second Close does nothing
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"report.xls"});
}

TEST(CfbCreate, FailedOrAbandonedSaveLeavesNothing) {
    testing::TempDir dir;
    std::string path = dir.File("report.xls");
    {
        auto storage = TOle2Storage::Create(path, false);
        WriteElement(Stream("Notes", 100, 1), *storage);
        // No Close(): the command failed part-way.
    }
    EXPECT_TRUE(dir.Names().empty());
    // An exception between create and close.
    EXPECT_EQ(FailureOf([&] {
                  auto storage = TOle2Storage::Create(path, false);
                  TOle2Stream(*storage, "Workbook").Write("abc", 3);
                  TOle2Stream(*storage, "Workbook"); // fails: the name exists
                  storage->Close();
              }),
              "\"Workbook\" already exists");
    EXPECT_TRUE(dir.Names().empty());
}

TEST(CfbCreate, NeverReplacesAFileWithoutOverwrite) {
    testing::TempDir dir;
    std::string path = dir.File("report.xls");
    std::vector<std::uint8_t> original{'k', 'e', 'e', 'p'};
    testing::WriteFile(path, original);
    EXPECT_EQ(FailureOf([&] { TOle2Storage::Create(path, false); }),
              "Can't create file \"" + path + "\": File exists");
    EXPECT_EQ(testing::ReadFile(path), original);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"report.xls"});

    // A file that appears while the workbook is being built is not replaced either.
    std::string late = dir.File("late.xls");
    auto storage = TOle2Storage::Create(late, false);
    testing::WriteFile(late, original);
    EXPECT_EQ(FailureOf([&] { FillAndClose(*storage); }),
              "Can't create file \"" + late + "\": File exists");
    EXPECT_EQ(testing::ReadFile(late), original);
    storage.reset();
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"late.xls", "report.xls"}));
}

TEST(CfbCreate, OverwriteReplaces) {
    testing::TempDir dir;
    std::string path = dir.File("report.xls");
    testing::WriteFile(path, {'o', 'l', 'd'});
    // A private file stays private when it is replaced.
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    auto storage = TOle2Storage::Create(path, true);
    FillAndClose(*storage);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"report.xls"});
    auto reader = TOle2Storage::OpenRead(path);
    EXPECT_EQ(TOle2Stream(*reader, "Workbook").ReadAll(), SmallWorkbook());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(CfbCreate, NamesUpToTheFileSystemLimitCanBeSaved) {
    // The temporary file's name is longer than the target's; a name the file system takes
    // must still save. 254 bytes of ASCII, and 2-byte characters cut where a character ends.
    for (const std::string& name :
         {std::string(250, 'r') + ".xls", std::string(125, 'x') + "\xC3\xA9" + ".xls", [] {
              std::string text;
              for (int i = 0; i < 125; ++i)
                  text += "\xC3\xA9";
              return text + ".xls";
          }()}) {
        testing::TempDir dir;
        const std::string path = dir.File(name);
        auto storage = TOle2Storage::Create(path, false);
        FillAndClose(*storage);
        EXPECT_EQ(dir.Names(), std::vector<std::string>{name}) << name.size();
    }
}

TEST(CfbCreate, MissingFolderFailsAtCreate) {
    testing::TempDir dir;
    std::string path = dir.File("no/such/folder/report.xls");
    EXPECT_EQ(FailureOf([&] { TOle2Storage::Create(path, false); }),
              "Can't create file \"" + path + "\": No such file or directory");
}

// ---- Locating a workbook --------------------------------------------------------------------

TEST(CfbLocate, AppendsXlsOnlyWithoutAnExtension) {
    testing::TempDir dir;
    testing::WriteFile(dir.File("apl.xls"), {1});
    testing::WriteFile(dir.File("apl"), {2});
    testing::WriteFile(dir.File("list.v2"), {3});
    EXPECT_EQ(LocateWorkbookFile(dir.File("apl")), dir.File("apl.xls"));
    EXPECT_EQ(LocateWorkbookFile(dir.File("apl.xls")), dir.File("apl.xls"));
    EXPECT_EQ(LocateWorkbookFile(dir.File("list.v2")), dir.File("list.v2"));
    EXPECT_EQ(FailureOf([&] { LocateWorkbookFile(dir.File("list")); }),
              "Can't find the file \"" + dir.File("list") + "\"");
    EXPECT_EQ(FailureOf([&] { LocateWorkbookFile("missing"); }), "Can't find the file \"missing\"");
    EXPECT_EQ(FailureOf([&] { LocateWorkbookFile(""); }), "Can't find the file \"\"");
    // A folder is not a workbook.
    std::filesystem::create_directory(dir.File("folder.xls"));
    EXPECT_EQ(FailureOf([&] { LocateWorkbookFile(dir.File("folder")); }),
              "Can't find the file \"" + dir.File("folder") + "\"");
}

TEST(CfbLocate, RelativeNamesResolveFromTheCurrentFolder) {
    testing::TempDir dir;
    testing::WriteFile(dir.File("apl.xls"), {1});
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    std::string found = LocateWorkbookFile("./apl");
    std::filesystem::current_path(previous);
    EXPECT_EQ(std::filesystem::canonical(found), std::filesystem::canonical(dir.File("apl.xls")));
    EXPECT_TRUE(std::filesystem::path(found).is_absolute());
}

} // namespace
} // namespace orq::xls
