// Reading compound files: hand-built files of both versions, and one-field corruptions of them
// that must each fail with the right message.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "xls/cfb.h"
#include "xls/cfb_fixtures.h"

namespace orq::xls {
namespace {

using testing::Dump;
using testing::FailureOf;
using testing::HandFile;
using testing::kEnd;
using testing::kFree;
using testing::Pattern;

const std::string kName = "t.xls";
const std::string kInvalid = "The file \"t.xls\" is invalid";
const std::string kCantRead = "Can't read file \"t.xls\"";
const std::string kRecords = "Error reading Excel records. File invalid";

std::vector<std::uint8_t> StreamBytes(TOle2Storage& storage, const std::string& name) {
    TOle2Stream stream(storage, name);
    return stream.ReadAll();
}

// Opens the file, lists every element and reads every stream; the failure message or "".
std::string OpenAndReadEverything(const std::vector<std::uint8_t>& bytes) {
    return FailureOf([&] {
        auto storage = TOle2Storage::OpenReadMemory(bytes, kName);
        Dump(*storage);
        TOle2Stream workbook(*storage, "Workbook");
        workbook.ReadAll();
    });
}

class HandFileTest : public ::testing::TestWithParam<int> {};

TEST_P(HandFileTest, ListsAndReadsEveryElement) {
    HandFile file(GetParam());
    auto storage = TOle2Storage::OpenReadMemory(file.bytes, kName);
    EXPECT_EQ(Dump(*storage), "Sub{Data(20)} Notes(10) Workbook(5000)");

    auto root = storage->List();
    ASSERT_EQ(root.size(), 3u);
    EXPECT_EQ(root[0].type, kElementStorage);
    EXPECT_EQ(root[0].size, 0u);
    EXPECT_EQ(root[1].type, kElementStream);

    EXPECT_EQ(StreamBytes(*storage, "Workbook"), Pattern(HandFile::kWorkbookSize, 3));
    EXPECT_EQ(StreamBytes(*storage, "Notes"), Pattern(HandFile::kNotesSize, 1));
    storage->Enter("Sub");
    EXPECT_EQ(storage->Depth(), 1u);
    EXPECT_EQ(StreamBytes(*storage, "Data"), Pattern(HandFile::kDataSize, 2));
    storage->Leave();
    EXPECT_EQ(storage->Depth(), 0u);
}

TEST_P(HandFileTest, ReadsInPiecesAndSeeks) {
    HandFile file(GetParam());
    auto storage = TOle2Storage::OpenReadMemory(file.bytes, kName);
    TOle2Stream stream(*storage, "Workbook");
    auto expected = Pattern(HandFile::kWorkbookSize, 3);
    EXPECT_EQ(stream.Size(), expected.size());

    // Pieces that straddle sector and run boundaries.
    std::vector<std::uint8_t> got;
    std::uint8_t buffer[333];
    while (std::size_t n = stream.Read(buffer, sizeof buffer))
        got.insert(got.end(), buffer, buffer + n);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(stream.Read(buffer, 0), 0u);

    EXPECT_EQ(stream.Seek(-10, SeekOrigin::End), expected.size() - 10);
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 10u);
    EXPECT_EQ(buffer[0], expected[expected.size() - 10]);
    EXPECT_EQ(stream.Seek(2559, SeekOrigin::Begin), 2559u);
    EXPECT_EQ(stream.Seek(2, SeekOrigin::Current), 2561u);
    ASSERT_EQ(stream.Read(buffer, 3), 3u);
    EXPECT_EQ(buffer[0], expected[2561]);
    EXPECT_EQ(buffer[2], expected[2563]);
    EXPECT_EQ(stream.Seek(100000, SeekOrigin::Begin), 100000u);
    EXPECT_EQ(stream.Read(buffer, 1), 0u);
    EXPECT_EQ(FailureOf([&] { stream.Seek(-1, SeekOrigin::Begin); }), kRecords);
    // The whole stream does not depend on the position.
    EXPECT_EQ(stream.ReadAll(), expected);
    auto view = stream.Bytes();
    EXPECT_EQ(std::vector<std::uint8_t>(view.begin(), view.end()), expected);
    // A small stream in one piece is viewed in place.
    TOle2Stream notes(*storage, "Notes");
    auto inPlace = notes.Bytes();
    EXPECT_EQ(std::vector<std::uint8_t>(inPlace.begin(), inPlace.end()),
              Pattern(HandFile::kNotesSize, 1));
}

INSTANTIATE_TEST_SUITE_P(Versions, HandFileTest, ::testing::Values(3, 4));

TEST(CfbReader, CopyElementsSkipsOnlyTheTopLevelWorkbook) {
    HandFile file;
    // The sub-storage's stream is called Workbook too: copied, since it is not the top level's.
    file.PutEntry(HandFile::kData, u"Workbook", 2, 1, kFree, kFree, kFree, 1, HandFile::kDataSize);
    auto storage = TOle2Storage::OpenReadMemory(file.bytes, kName);
    TXlsStorageList held;
    CopyElements(held, *storage, false);
    EXPECT_EQ(Dump(held), "Sub{Workbook(20)} Notes(10)");
    EXPECT_EQ(held[0].children[0].bytes, Pattern(HandFile::kDataSize, 2));
    EXPECT_EQ(held[1].bytes, Pattern(HandFile::kNotesSize, 1));
    EXPECT_EQ(storage->Depth(), 0u);

    TXlsStorageList all;
    CopyElements(all, *storage, true);
    EXPECT_EQ(Dump(all), "Sub{Workbook(20)} Notes(10) Workbook(5000)");
}

TEST(CfbReader, ElementsOfEqualNamesKeepTheirOwnContent) {
    HandFile file;
    // A damaged directory with two streams called Workbook (Notes renamed).
    file.PutEntry(HandFile::kNotes, u"Workbook", 2, 1, HandFile::kSub, HandFile::kWorkbook, kFree,
                  0, HandFile::kNotesSize);
    auto storage = TOle2Storage::OpenReadMemory(file.bytes, kName);
    TXlsStorageList held;
    CopyElements(held, *storage, true);
    EXPECT_EQ(Dump(held), "Sub{Data(20)} Workbook(10) Workbook(5000)");
    EXPECT_EQ(held[1].bytes, Pattern(HandFile::kNotesSize, 1));
    EXPECT_EQ(held[2].bytes, Pattern(HandFile::kWorkbookSize, 3));
    // By name, the first of them opens.
    EXPECT_EQ(StreamBytes(*storage, "Workbook"), Pattern(HandFile::kNotesSize, 1));
}

TEST(CfbReader, EnumerationFollowsTheNameOrderWhateverTheTreeShape) {
    HandFile file;
    // A tree whose in-order walk gives Workbook, Sub, Notes.
    file.Put32(file.Entry(HandFile::kRoot, testing::kEntChild), HandFile::kSub);
    file.Put32(file.Entry(HandFile::kSub, testing::kEntLeft), HandFile::kWorkbook);
    file.Put32(file.Entry(HandFile::kSub, testing::kEntRight), HandFile::kNotes);
    file.Put32(file.Entry(HandFile::kNotes, testing::kEntLeft), kFree);
    file.Put32(file.Entry(HandFile::kNotes, testing::kEntRight), kFree);
    auto storage = TOle2Storage::OpenReadMemory(file.bytes, kName);
    EXPECT_EQ(Dump(*storage), "Sub{Data(20)} Notes(10) Workbook(5000)");
}

TEST(CfbReader, NamesAreUtf16AndLookupIgnoresCase) {
    HandFile file;
    // "\x05Ümlaut" keeps its control character and becomes UTF-8; same length as "Notes"+1.
    file.PutEntry(HandFile::kNotes, u"\u0005\u00DCmlaut", 2, 1, HandFile::kSub, HandFile::kWorkbook,
                  kFree, 0, HandFile::kNotesSize);
    file.PutEntry(HandFile::kWorkbook, u"WORKBOOK", 2, 0, kFree, kFree, kFree,
                  file.WorkbookSectors()[0], HandFile::kWorkbookSize);
    auto storage = TOle2Storage::OpenReadMemory(file.bytes, kName);
    EXPECT_EQ(Dump(*storage), "Sub{Data(20)} \x05\xC3\x9Cmlaut(10) WORKBOOK(5000)");
    // The stream is found as "Workbook", as the platform's storage does, but it is not the
    // exact name, so the element copy keeps it.
    EXPECT_EQ(StreamBytes(*storage, "Workbook").size(), HandFile::kWorkbookSize);
    EXPECT_EQ(StreamBytes(*storage, "\x05\xC3\xBCMLAUT").size(), HandFile::kNotesSize);
    TXlsStorageList held;
    CopyElements(held, *storage, false);
    EXPECT_EQ(Dump(held), "Sub{Data(20)} \x05\xC3\x9Cmlaut(10) WORKBOOK(5000)");
}

TEST(CfbReader, MissingElements) {
    HandFile file;
    file.PutEntry(HandFile::kWorkbook, u"Workbooc", 2, 0, kFree, kFree, kFree,
                  file.WorkbookSectors()[0], HandFile::kWorkbookSize);
    auto storage = TOle2Storage::OpenReadMemory(file.bytes, kName);
    // A compound file without a Workbook stream, for example an older-format workbook.
    EXPECT_EQ(FailureOf([&] { TOle2Stream stream(*storage, "Workbook"); }), kRecords);
    // A storage is not a stream, a stream is not a storage.
    EXPECT_EQ(FailureOf([&] { TOle2Stream stream(*storage, "Sub"); }), kRecords);
    EXPECT_EQ(FailureOf([&] { storage->Enter("Notes"); }), "Can't read file \"Notes\"");
    EXPECT_EQ(storage->Depth(), 0u);
}

TEST(CfbReader, VersionThreeIgnoresTheHighHalfOfSizes) {
    HandFile file;
    file.Put64(file.Entry(HandFile::kWorkbook, testing::kEntSize),
               (std::uint64_t{0xDEAD} << 32) | HandFile::kWorkbookSize);
    auto storage = TOle2Storage::OpenReadMemory(file.bytes, kName);
    EXPECT_EQ(StreamBytes(*storage, "Workbook"), Pattern(HandFile::kWorkbookSize, 3));
}

TEST(CfbReader, LastSectorMayBeShortWhenTheStreamEndsInIt) {
    HandFile file;
    // The Workbook's last sector (15) holds 5000 - 9 * 512 = 392 bytes.
    file.bytes.resize(file.SectorOffset(15) + 392);
    auto storage = TOle2Storage::OpenReadMemory(file.bytes, kName);
    EXPECT_EQ(StreamBytes(*storage, "Workbook"), Pattern(HandFile::kWorkbookSize, 3));
    file.bytes.pop_back();
    EXPECT_EQ(OpenAndReadEverything(file.bytes), kCantRead);
}

TEST(CfbReader, StreamOutlivesClose) {
    HandFile file;
    auto storage = TOle2Storage::OpenReadMemory(file.bytes, kName);
    TOle2Stream stream(*storage, "Workbook");
    storage->Close();
    EXPECT_EQ(stream.ReadAll(), Pattern(HandFile::kWorkbookSize, 3));
}

// One field of a valid file changed; each must fail with its message, never crash or hang.
TEST(CfbReader, CopiedStreamsNeverShareASector) {
    // Many entries naming one chain would make a small file hold its content many times over.
    auto copy = [](const HandFile& file, bool withWorkbook) {
        return FailureOf([&] {
            auto storage = TOle2Storage::OpenReadMemory(file.bytes, kName);
            TXlsStorageList held;
            CopyElements(held, *storage, withWorkbook);
        });
    };
    // Data starts in Notes's mini sector.
    HandFile sharedMini;
    sharedMini.PutEntry(HandFile::kData, u"Data", 2, 1, kFree, kFree, kFree, 0,
                        HandFile::kDataSize);
    EXPECT_EQ(copy(sharedMini, false), kCantRead);
    // Notes is the Workbook's chain: a fault only when the Workbook stream is copied as well.
    HandFile sharedChain;
    sharedChain.PutEntry(HandFile::kNotes, u"Notes", 2, 1, HandFile::kSub, HandFile::kWorkbook,
                         kFree, sharedChain.WorkbookSectors()[0], HandFile::kWorkbookSize);
    EXPECT_EQ(copy(sharedChain, false), "");
    EXPECT_EQ(copy(sharedChain, true), kCantRead);
    // Notes's chain runs through the mini stream's sector, which Data's copy already claims.
    HandFile intoMiniStream;
    intoMiniStream.PutEntry(HandFile::kNotes, u"Notes", 2, 1, HandFile::kSub, HandFile::kWorkbook,
                            kFree, 10, 4096);
    intoMiniStream.Put32(intoMiniStream.FatEntry(10), 3);
    intoMiniStream.Put32(intoMiniStream.FatEntry(3), 5);
    EXPECT_EQ(copy(intoMiniStream, false), kCantRead);
    EXPECT_EQ(copy(HandFile(), true), "");
}

struct Corruption {
    const char* what;
    int version;
    std::function<void(HandFile&)> damage;
    const std::string& message;
};

class CorruptionTest : public ::testing::TestWithParam<Corruption> {};

TEST_P(CorruptionTest, FailsWithTheRightMessage) {
    const Corruption& c = GetParam();
    HandFile file(c.version);
    ASSERT_EQ(OpenAndReadEverything(file.bytes), "");
    c.damage(file);
    EXPECT_EQ(OpenAndReadEverything(file.bytes), c.message) << c.what;
}

using H = HandFile;
namespace f = testing;

const Corruption kCorruptions[] = {
    // Not a compound file at all, or a header this reader cannot interpret.
    {"empty", 3, [](H& h) { h.bytes.clear(); }, kInvalid},
    {"shorter than the header", 3, [](H& h) { h.bytes.resize(511); }, kInvalid},
    {"bad signature", 3, [](H& h) { h.Put8(7, 0xE0); }, kInvalid},
    {"text file", 3, [](H& h) { h.bytes.assign(600, 'x'); }, kInvalid},
    {"unknown major version", 3, [](H& h) { h.Put16(f::kHdrMajor, 5); }, kInvalid},
    {"sector shift", 3, [](H& h) { h.Put16(f::kHdrSectorShift, 10); }, kInvalid},
    {"version 3 with 4096-byte sectors", 3, [](H& h) { h.Put16(f::kHdrSectorShift, 12); },
     kInvalid},
    {"byte order", 3, [](H& h) { h.Put16(f::kHdrByteOrder, 0xFEFF); }, kInvalid},
    {"mini sector shift", 3, [](H& h) { h.Put16(0x20, 7); }, kInvalid},
    {"mini stream cutoff", 3, [](H& h) { h.Put32(0x38, 8192); }, kInvalid},
    {"version 4 header cut", 4, [](H& h) { h.bytes.resize(2048); }, kCantRead},
    // FAT and DIFAT.
    {"no FAT sectors", 3, [](H& h) { h.Put32(f::kHdrFatCount, 0); }, kCantRead},
    {"more FAT sectors than the file has", 3, [](H& h) { h.Put32(f::kHdrFatCount, 1000); },
     kCantRead},
    {"FAT sector past the end", 3, [](H& h) { h.Put32(f::kHdrDifat, 999); }, kCantRead},
    // More than 109 FAT sectors (the one FAT sector listed again and again, in a file padded to
    // 300 sectors), so the DIFAT chain is needed.
    {"DIFAT sector past the end", 3,
     [](H& h) {
         h.bytes.resize(h.SectorOffset(300));
         for (std::size_t i = 0; i < 109; ++i)
             h.Put32(f::kHdrDifat + 4 * i, 0);
         h.Put32(f::kHdrFatCount, 110);
         h.Put32(f::kHdrFirstDifat, 5000);
         h.Put32(f::kHdrDifatCount, 1);
     },
     kCantRead},
    {"DIFAT cycle", 3,
     [](H& h) {
         h.bytes.resize(h.SectorOffset(300));
         for (std::size_t i = 0; i < 109; ++i)
             h.Put32(f::kHdrDifat + 4 * i, 0);
         h.Put32(f::kHdrFatCount, 109 + 127 + 1); // needs a second DIFAT sector
         h.Put32(f::kHdrFirstDifat, 10);          // sector 10 is free in the valid file
         h.Put32(f::kHdrDifatCount, 2);
         for (std::size_t i = 0; i < 127; ++i)
             h.Put32(h.SectorOffset(10) + 4 * i, 0);
         h.Put32(h.SectorOffset(10) + 4 * 127, 10); // the next DIFAT sector is itself
     },
     kCantRead},
    // Chains.
    {"FAT cycle", 3, [](H& h) { h.Put32(h.FatEntry(9), 5); }, kCantRead},
    {"FAT cycle, version 4", 4, [](H& h) { h.Put32(h.FatEntry(5), 5); }, kCantRead},
    {"chain pointing past the end", 3, [](H& h) { h.Put32(h.FatEntry(9), 1000); }, kCantRead},
    {"chain pointing to a free mark", 3, [](H& h) { h.Put32(h.FatEntry(9), kFree); }, kCantRead},
    {"chain ends early", 3, [](H& h) { h.Put32(h.FatEntry(9), kEnd); }, kCantRead},
    {"stream start past the end", 3, [](H& h) { h.Put32(h.Entry(H::kWorkbook, f::kEntStart), 77); },
     kCantRead},
    {"file cut inside a chain", 3, [](H& h) { h.bytes.resize(h.SectorOffset(13)); }, kCantRead},
    {"huge stream size", 3, [](H& h) { h.Put64(h.Entry(H::kWorkbook, f::kEntSize), 0xFFFFFFF0u); },
     kCantRead},
    {"huge stream size, version 4", 4,
     [](H& h) { h.Put64(h.Entry(H::kWorkbook, f::kEntSize), std::uint64_t{1} << 40); }, kCantRead},
    // Directory.
    {"directory past the end", 3, [](H& h) { h.Put32(f::kHdrFirstDir, 77); }, kCantRead},
    {"no directory", 3, [](H& h) { h.Put32(f::kHdrFirstDir, kEnd); }, kCantRead},
    {"directory chain cycle", 3, [](H& h) { h.Put32(h.FatEntry(4), 1); }, kCantRead},
    {"first entry not the root", 3, [](H& h) { h.Put8(h.Entry(H::kRoot, f::kEntType), 1); },
     kCantRead},
    {"directory cycle", 3, [](H& h) { h.Put32(h.Entry(H::kWorkbook, f::kEntLeft), H::kNotes); },
     kCantRead},
    {"directory cycle, version 4", 4,
     [](H& h) { h.Put32(h.Entry(H::kSub, f::kEntRight), H::kNotes); }, kCantRead},
    {"element in two trees", 3, [](H& h) { h.Put32(h.Entry(H::kSub, f::kEntChild), H::kNotes); },
     kCantRead},
    {"storage inside itself", 3, [](H& h) { h.Put32(h.Entry(H::kSub, f::kEntChild), H::kSub); },
     kCantRead},
    {"sibling index past the directory", 3,
     [](H& h) { h.Put32(h.Entry(H::kNotes, f::kEntRight), 500); }, kCantRead},
    {"unused entry in the tree", 3, [](H& h) { h.Put32(h.Entry(H::kNotes, f::kEntRight), 7); },
     kCantRead},
    {"root entry inside the tree", 3,
     [](H& h) { h.Put32(h.Entry(H::kNotes, f::kEntRight), H::kRoot); }, kCantRead},
    // Mini stream and mini FAT.
    {"mini stream size lies", 3, [](H& h) { h.Put64(h.Entry(H::kRoot, f::kEntSize), 64 * 100); },
     kCantRead},
    {"mini stream size lies, version 4", 4,
     [](H& h) { h.Put64(h.Entry(H::kRoot, f::kEntSize), 64 * 1000); }, kCantRead},
    {"small stream past the mini stream", 3,
     [](H& h) { h.Put32(h.Entry(H::kNotes, f::kEntStart), 2); }, kCantRead},
    {"small stream longer than its chain", 3,
     [](H& h) { h.Put64(h.Entry(H::kNotes, f::kEntSize), 100); }, kCantRead},
    {"mini FAT cycle", 3,
     [](H& h) {
         h.Put64(h.Entry(H::kNotes, f::kEntSize), 100);
         h.Put32(h.MiniFatEntry(0), 0);
     },
     kCantRead},
    {"mini FAT past the end", 3, [](H& h) { h.Put32(f::kHdrFirstMiniFat, 900); }, kCantRead},
    {"no mini FAT", 3, [](H& h) { h.Put32(f::kHdrFirstMiniFat, kEnd); }, kCantRead},
    // A compound file without the workbook.
    {"no Workbook stream", 3, [](H& h) { h.Put16(h.Entry(H::kWorkbook, f::kEntName + 14), 'c'); },
     kRecords},
};

INSTANTIATE_TEST_SUITE_P(OneField, CorruptionTest, ::testing::ValuesIn(kCorruptions),
                         [](const auto& param) { return "case" + std::to_string(param.index); });

TEST(CfbReader, OpenFromPath) {
    testing::TempDir dir;
    HandFile file;
    std::string path = dir.File("book.xls");
    testing::WriteFile(path, file.bytes);
    auto storage = TOle2Storage::OpenRead(path);
    EXPECT_EQ(Dump(*storage), "Sub{Data(20)} Notes(10) Workbook(5000)");

    std::string text = dir.File("page.xls");
    testing::WriteFile(text, std::vector<std::uint8_t>(2000, '<'));
    EXPECT_EQ(FailureOf([&] { TOle2Storage::OpenRead(text); }),
              "The file \"" + text + "\" is invalid");
    // A file that cannot be opened: the system's reason.
    EXPECT_EQ(FailureOf([&] { TOle2Storage::OpenRead(dir.File("none.xls")); }),
              "No such file or directory");
    EXPECT_EQ(FailureOf([&] { TOle2Storage::OpenRead(dir.Path().string()); }),
              "The file \"" + dir.Path().string() + "\" is invalid");

    file.Put32(file.FatEntry(9), 5);
    testing::WriteFile(path, file.bytes);
    EXPECT_EQ(FailureOf([&] {
                  auto damaged = TOle2Storage::OpenRead(path);
                  TOle2Stream(*damaged, "Workbook").ReadAll();
              }),
              "Can't read file \"" + path + "\"");
}

} // namespace
} // namespace orq::xls
