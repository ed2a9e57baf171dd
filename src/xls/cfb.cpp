#include "xls/cfb.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/file.h"
#include "base/utf.h"
#include "xls/byte_reader.h"
#include "xls/records.h"

// Layout of a compound file, as this reader and writer use it:
//
//   header (512 bytes; in a version-4 file it fills the first 4,096-byte sector)
//   sector 0, sector 1, ...   each 1 << sector shift bytes, sector n at (n + 1) << shift
//
// The FAT maps every sector to the next sector of its chain. The FAT's own sectors are listed by
// the DIFAT: 109 entries in the header, then a chain of DIFAT sectors, each holding
// (sector size / 4 - 1) entries and the index of the next DIFAT sector. The directory is a chain
// of 128-byte entries; entry 0 is the root storage, whose stream is the mini stream: small
// streams (under 4,096 bytes) live there in 64-byte mini sectors chained by the mini FAT. The
// elements of a storage form a binary search tree (left and right sibling links) whose root is
// the storage's child link.
//
// What the reader accepts and what it refuses:
//   - not a compound file (short, wrong signature) or a header it cannot interpret (version,
//     byte order, sector sizes, mini-stream cutoff): "The file \"%s\" is invalid";
//   - structural damage (a sector index outside the file or the FAT, a chain that repeats a
//     sector or ends early, a size the chain cannot hold, a directory link out of range, into
//     another tree or back into its own, a non-element in a tree, storages nested deeper than
//     kMaxStorageDepth): "Can't read file \"%s\"";
//   - tolerated as the platform tolerates them: the high half of version-3 sizes, a last sector
//     cut short after the stream's last byte, chain links after the last sector a stream needs,
//     a tree out of name order (the enumeration sorts), equal names (a name opens the first).
// Every walk is bounded by a visited set over its index space, so none can loop.

namespace orq::xls {

namespace {

// Special sector numbers.
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kHeaderDifatCount = 109;
constexpr std::size_t kDirEntrySize = 128;
constexpr std::uint32_t kMiniSectorShift = 6;
constexpr std::uint32_t kMiniSectorSize = 1u << kMiniSectorShift;
constexpr std::uint64_t kMiniStreamCutoff = 4096;
constexpr std::size_t kMaxNameUnits = 31; // 32 UTF-16 units including the terminating zero

// Header fields (offset, size in bytes).
namespace header {
constexpr std::size_t Signature = 0x00;            // 8: D0 CF 11 E0 A1 B1 1A E1
constexpr std::size_t MinorVersion = 0x18;         // 2: 0x003E
constexpr std::size_t MajorVersion = 0x1A;         // 2: 3 or 4
constexpr std::size_t ByteOrder = 0x1C;            // 2: 0xFFFE
constexpr std::size_t SectorShift = 0x1E;          // 2: 9 (version 3) or 12 (version 4)
constexpr std::size_t MiniSectorShift = 0x20;      // 2: 6
constexpr std::size_t DirectorySectorCount = 0x28; // 4: 0 in version 3
constexpr std::size_t FatSectorCount = 0x2C;       // 4
constexpr std::size_t FirstDirectorySector = 0x30; // 4
constexpr std::size_t MiniStreamCutoff = 0x38;     // 4: 4096
constexpr std::size_t FirstMiniFatSector = 0x3C;   // 4
constexpr std::size_t MiniFatSectorCount = 0x40;   // 4
constexpr std::size_t FirstDifatSector = 0x44;     // 4
constexpr std::size_t DifatSectorCount = 0x48;     // 4
constexpr std::size_t Difat = 0x4C;                // 109 x 4
} // namespace header

// Directory entry fields (offset within the 128-byte entry, size in bytes).
namespace entry {
constexpr std::size_t Name = 0x00;        // 64: UTF-16, zero-terminated
constexpr std::size_t NameLength = 0x40;  // 2: bytes, including the terminating zero
constexpr std::size_t Type = 0x42;        // 1: 0 unused, 1 storage, 2 stream, 5 root
constexpr std::size_t Color = 0x43;       // 1: 0 red, 1 black
constexpr std::size_t Left = 0x44;        // 4: left sibling
constexpr std::size_t Right = 0x48;       // 4: right sibling
constexpr std::size_t Child = 0x4C;       // 4: root of the tree of a storage's elements
constexpr std::size_t StartSector = 0x74; // 4
constexpr std::size_t Size = 0x78;        // 8 (version 3: only the low 32 bits count)
} // namespace entry

constexpr std::uint8_t kTypeUnused = 0;
constexpr std::uint8_t kTypeStorage = 1;
constexpr std::uint8_t kTypeStream = 2;
constexpr std::uint8_t kTypeRoot = 5;
constexpr std::uint8_t kColorRed = 0;
constexpr std::uint8_t kColorBlack = 1;

// The writer's refusal of a file the format cannot hold (streams of 2 GB and more).
constexpr const char* kMsgTooLarge = "The compound file would be too large";

std::uint64_t DivCeil(std::uint64_t value, std::uint64_t divisor) {
    return value / divisor + (value % divisor != 0 ? 1 : 0);
}

// ---- Names ----------------------------------------------------------------------------------

// The upper-case form the name order compares: the simple mappings of the Latin, Greek and
// Cyrillic letters, which covers every element name real files use.
char16_t UpperUnit(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c < 0xE0) return c;
    if (c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        // Latin Extended-A pairs: even upper, odd lower (shifted by one from 0x139 to 0x148 and
        // from 0x179 to 0x17E).
        bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        bool lower = shifted ? (c % 2 == 0) : (c % 2 == 1);
        return lower ? static_cast<char16_t>(c - 1) : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

// The compound-file name order: shorter names first, then unit by unit upper-cased.
int CompareNames(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = UpperUnit(a[i]);
        char16_t y = UpperUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

// A bit per index, for the cycle checks of chain and tree walks.
class VisitedSet {
public:
    explicit VisitedSet(std::size_t count) : bits_((count + 63) / 64, 0) {}
    // Marks the index; false when it was marked already (or lies outside the set).
    bool Mark(std::size_t index) {
        if (index / 64 >= bits_.size()) return false;
        std::uint64_t mask = std::uint64_t{1} << (index % 64);
        std::uint64_t& word = bits_[index / 64];
        if (word & mask) return false;
        word |= mask;
        return true;
    }

private:
    std::vector<std::uint64_t> bits_;
};

// One piece of a stream: `length` bytes at `file` in the file, at `logical` in the stream.
struct Run {
    std::uint64_t logical;
    std::uint64_t file;
    std::uint64_t length;
};

struct DirEntry {
    std::u16string name16;
    std::string name;
    std::uint8_t type = kTypeUnused;
    std::uint32_t left = kNoStream;
    std::uint32_t right = kNoStream;
    std::uint32_t child = kNoStream;
    std::uint32_t start = kEndOfChain;
    std::uint64_t size = 0;
    std::vector<std::uint32_t> children; // storages: elements in enumeration order
};

// ---- Reader ---------------------------------------------------------------------------------

class CompoundReader {
public:
    CompoundReader(TFileBytes bytes, std::string displayName)
        : bytes_(std::move(bytes)), data_(bytes_.View()), name_(std::move(displayName)) {
        ReadHeader();
        ReadFat();
        ReadDirectory();
        ReadMiniFat();
        BuildTrees();
    }

    const DirEntry& Entry(std::uint32_t id) const { return entries_[id]; }

    // The element of the storage `storage` with that name: the exact name first, else the first
    // whose name matches in the name order (which ignores letter case).
    std::uint32_t Find(std::uint32_t storage, const std::string& name) const {
        const auto& children = entries_[storage].children;
        for (std::uint32_t id : children)
            if (entries_[id].name == name) return id;
        std::u16string name16 = Utf8ToUtf16(name);
        for (std::uint32_t id : children)
            if (CompareNames(entries_[id].name16, name16) == 0) return id;
        return kNoStream;
    }

    // The pieces of a stream's content, in order, adjacent pieces merged: one walk of its chain.
    std::vector<Run> StreamRuns(const DirEntry& item) const {
        std::vector<Run> runs;
        if (item.size == 0) return runs;
        if (item.size < kMiniStreamCutoff) {
            std::uint64_t needed = DivCeil(item.size, kMiniSectorSize);
            std::uint64_t remaining = item.size;
            std::uint64_t logical = 0;
            WalkChain(miniFat_, miniLimit_, item.start, needed, [&](std::uint32_t mini) {
                std::uint64_t length = std::min<std::uint64_t>(remaining, kMiniSectorSize);
                std::uint64_t at = std::uint64_t{mini} << kMiniSectorShift;
                std::uint64_t sector = miniStreamSectors_[at >> shift_];
                AddRun(runs, logical, SectorOffset(sector) + (at & (sectorSize_ - 1)), length);
                logical += length;
                remaining -= length;
            });
        } else {
            std::uint64_t needed = DivCeil(item.size, sectorSize_);
            std::uint64_t remaining = item.size;
            std::uint64_t logical = 0;
            WalkChain(fat_, fatLimit_, item.start, needed, [&](std::uint32_t sector) {
                std::uint64_t length = std::min<std::uint64_t>(remaining, sectorSize_);
                AddRun(runs, logical, SectorOffset(sector), length);
                logical += length;
                remaining -= length;
            });
        }
        return runs;
    }

    std::span<const std::uint8_t> Data() const { return data_; }

    // The bytes of the pieces, one copy per piece.
    std::vector<std::uint8_t> Assemble(const std::vector<Run>& runs, std::uint64_t size) const {
        std::vector<std::uint8_t> out;
        out.reserve(static_cast<std::size_t>(size));
        for (const Run& run : runs) {
            auto first = data_.begin() + static_cast<std::ptrdiff_t>(run.file);
            out.insert(out.end(), first, first + static_cast<std::ptrdiff_t>(run.length));
        }
        return out;
    }

    // Copies the elements of a storage, as CopyElements describes, straight from the directory,
    // so that elements of equal names each keep their own content.
    void CopyElements(std::uint32_t storage, TXlsStorageList& target, bool nested) const {
        for (std::uint32_t id : entries_[storage].children) {
            const DirEntry& item = entries_[id];
            if (item.type == kTypeStorage) {
                target.push_back({item.name, {}, {}});
                CopyElements(id, target.back().children, true);
            } else if (nested || item.name != kWorkbookStreamName) {
                target.push_back({item.name, Assemble(StreamRuns(item), item.size), {}});
            }
        }
    }

    [[noreturn]] void Damaged() const { Fail(kMsgCantRead, name_.c_str()); }

private:
    [[noreturn]] void NotCompound() const { Fail(kMsgFileInvalid, name_.c_str()); }

    std::uint64_t SectorOffset(std::uint64_t sector) const { return (sector + 1) << shift_; }

    void AddRun(std::vector<Run>& runs, std::uint64_t logical, std::uint64_t file,
                std::uint64_t length) const {
        if (!detail::Fits(data_.size(), file, length)) Damaged();
        if (!runs.empty() && runs.back().file + runs.back().length == file)
            runs.back().length += length;
        else
            runs.push_back({logical, file, length});
    }

    // Follows `needed` links of a chain from `start` through `table`; every index must be below
    // `limit` and appear once. Calls visit(index) for each sector of the chain.
    template <typename Visit>
    void WalkChain(const std::vector<std::uint32_t>& table, std::uint32_t limit,
                   std::uint32_t start, std::uint64_t needed, Visit visit) const {
        if (needed == 0) return;
        if (needed > limit) Damaged(); // longer than the whole table: a size that lies
        VisitedSet visited(limit);
        std::uint32_t sector = start;
        for (std::uint64_t i = 0;; ++i) {
            if (sector >= limit || !visited.Mark(sector)) Damaged();
            visit(sector);
            if (i + 1 == needed) break;
            sector = table[sector];
        }
    }

    // A chain of unknown length (the directory, the mini FAT): every sector up to the end mark.
    std::vector<std::uint32_t> WalkToEnd(std::uint32_t start) const {
        std::vector<std::uint32_t> sectors;
        VisitedSet visited(fatLimit_);
        for (std::uint32_t sector = start; sector != kEndOfChain; sector = fat_[sector]) {
            if (sector >= fatLimit_ || !visited.Mark(sector)) Damaged();
            sectors.push_back(sector);
        }
        return sectors;
    }

    // A whole sector, which must lie inside the file.
    std::span<const std::uint8_t> Sector(std::uint32_t sector) const {
        std::uint64_t offset = SectorOffset(sector);
        if (!detail::Fits(data_.size(), offset, sectorSize_)) Damaged();
        return data_.subspan(offset, sectorSize_);
    }

    void ReadHeader() {
        if (data_.size() < kHeaderSize || !std::equal(std::begin(kSignature), std::end(kSignature),
                                                      data_.begin() + header::Signature))
            NotCompound();
        std::uint16_t major = ReadU16LE(data_, header::MajorVersion);
        std::uint16_t shift = ReadU16LE(data_, header::SectorShift);
        if (ReadU16LE(data_, header::ByteOrder) != 0xFFFE ||
            !((major == 3 && shift == 9) || (major == 4 && shift == 12)) ||
            ReadU16LE(data_, header::MiniSectorShift) != kMiniSectorShift ||
            ReadU32LE(data_, header::MiniStreamCutoff) != kMiniStreamCutoff)
            NotCompound();
        version_ = major;
        shift_ = shift;
        sectorSize_ = std::uint32_t{1} << shift;
        if (data_.size() < sectorSize_) Damaged(); // a version-4 header fills a whole sector
        // Sectors that start inside the file; the last may be cut short, which only matters if a
        // stream needs its missing bytes.
        std::uint64_t sectors = DivCeil(data_.size() - sectorSize_, sectorSize_);
        sectorCount_ = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(sectors, kMaxRegularSector + std::uint64_t{1}));
    }

    void ReadFat() {
        std::uint32_t fatSectors = ReadU32LE(data_, header::FatSectorCount);
        if (fatSectors == 0 || fatSectors > sectorCount_) Damaged();
        std::vector<std::uint32_t> fatList;
        fatList.reserve(fatSectors);
        for (std::size_t i = 0; i < kHeaderDifatCount && fatList.size() < fatSectors; ++i)
            fatList.push_back(ReadU32LE(data_, header::Difat + 4 * i));
        // The DIFAT chain: each of its sectors holds entries and then the next DIFAT sector.
        std::uint32_t perDifat = sectorSize_ / 4 - 1;
        VisitedSet visited(sectorCount_);
        std::uint32_t difat = ReadU32LE(data_, header::FirstDifatSector);
        while (fatList.size() < fatSectors) {
            if (difat >= sectorCount_ || !visited.Mark(difat)) Damaged();
            auto bytes = Sector(difat);
            for (std::uint32_t i = 0; i < perDifat && fatList.size() < fatSectors; ++i)
                fatList.push_back(ReadU32LE(bytes, 4 * std::size_t{i}));
            difat = ReadU32LE(bytes, 4 * std::size_t{perDifat});
        }
        std::uint32_t perSector = sectorSize_ / 4;
        fat_.resize(std::size_t{fatSectors} * perSector);
        std::size_t at = 0;
        for (std::uint32_t sector : fatList) {
            if (sector >= sectorCount_) Damaged();
            auto bytes = Sector(sector);
            for (std::uint32_t i = 0; i < perSector; ++i)
                fat_[at++] = ReadU32LE(bytes, 4 * std::size_t{i});
        }
        fatLimit_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(fat_.size(), sectorCount_));
    }

    void ReadDirectory() {
        auto sectors = WalkToEnd(ReadU32LE(data_, header::FirstDirectorySector));
        if (sectors.empty()) Damaged();
        std::size_t perSector = sectorSize_ / kDirEntrySize;
        entries_.resize(sectors.size() * perSector);
        std::size_t id = 0;
        for (std::uint32_t sector : sectors) {
            auto bytes = Sector(sector);
            for (std::size_t i = 0; i < perSector; ++i, ++id)
                ParseEntry(bytes.subspan(i * kDirEntrySize, kDirEntrySize), entries_[id]);
        }
        const DirEntry& root = entries_[0];
        if (root.type != kTypeRoot) Damaged();
        // The mini stream: the root entry's stream, in regular sectors.
        miniStreamSize_ = root.size;
        if (miniStreamSize_ > 0) {
            std::uint64_t needed = DivCeil(miniStreamSize_, sectorSize_);
            miniStreamSectors_.reserve(
                static_cast<std::size_t>(std::min<std::uint64_t>(needed, fatLimit_)));
            WalkChain(fat_, fatLimit_, root.start, needed,
                      [&](std::uint32_t sector) { miniStreamSectors_.push_back(sector); });
            // The last sector must hold the mini stream's last bytes.
            std::uint64_t tail = miniStreamSize_ - (needed - 1) * sectorSize_;
            if (!detail::Fits(data_.size(), SectorOffset(miniStreamSectors_.back()), tail))
                Damaged();
        }
    }

    void ParseEntry(std::span<const std::uint8_t> bytes, DirEntry& out) const {
        out.type = ReadU8(bytes, entry::Type);
        if (out.type == kTypeUnused) return;
        std::size_t units = ReadU16LE(bytes, entry::NameLength) / 2;
        units = std::min(units, kMaxNameUnits + 1);
        for (std::size_t i = 0; i < units; ++i) {
            char16_t unit = static_cast<char16_t>(ReadU16LE(bytes, entry::Name + 2 * i));
            if (unit == 0) break;
            out.name16 += unit;
        }
        out.name = ToUtf8(out.name16);
        out.left = ReadU32LE(bytes, entry::Left);
        out.right = ReadU32LE(bytes, entry::Right);
        out.child = ReadU32LE(bytes, entry::Child);
        out.start = ReadU32LE(bytes, entry::StartSector);
        out.size = ReadU64LE(bytes, entry::Size);
        // Older writers left the high half of the size uninitialised in version-3 files.
        if (version_ == 3) out.size &= 0xFFFFFFFFu;
    }

    void ReadMiniFat() {
        std::uint32_t first = ReadU32LE(data_, header::FirstMiniFatSector);
        std::uint64_t miniSectors = DivCeil(miniStreamSize_, kMiniSectorSize);
        if (first == kEndOfChain || first == kFreeSector) {
            miniLimit_ = 0;
            return;
        }
        auto sectors = WalkToEnd(first);
        std::uint32_t perSector = sectorSize_ / 4;
        miniFat_.resize(sectors.size() * perSector);
        std::size_t at = 0;
        for (std::uint32_t sector : sectors) {
            auto bytes = Sector(sector);
            for (std::uint32_t i = 0; i < perSector; ++i)
                miniFat_[at++] = ReadU32LE(bytes, 4 * std::size_t{i});
        }
        miniLimit_ =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(miniFat_.size(), miniSectors));
    }

    // Walks every storage's tree once: each entry may appear in one tree only, so a link back
    // into a tree (a cycle) or into another tree is damage. Fills each storage's children in
    // enumeration order.
    void BuildTrees() {
        VisitedSet seen(entries_.size());
        seen.Mark(0);
        std::vector<std::pair<std::uint32_t, int>> storages{{0, 0}};
        std::vector<std::uint32_t> stack;
        while (!storages.empty()) {
            auto [storage, depth] = storages.back();
            storages.pop_back();
            if (depth > kMaxStorageDepth) Damaged();
            std::vector<std::uint32_t> children;
            // In-order walk of the storage's tree.
            std::uint32_t node = entries_[storage].child;
            auto descend = [&](std::uint32_t id) {
                while (id != kNoStream) {
                    if (id >= entries_.size() || !seen.Mark(id)) Damaged();
                    const DirEntry& item = entries_[id];
                    if (item.type != kTypeStorage && item.type != kTypeStream) Damaged();
                    stack.push_back(id);
                    id = item.left;
                }
            };
            descend(node);
            while (!stack.empty()) {
                std::uint32_t id = stack.back();
                stack.pop_back();
                children.push_back(id);
                descend(entries_[id].right);
            }
            // A valid tree is already in name order; the sort makes the order the same for a
            // damaged one.
            std::stable_sort(children.begin(), children.end(),
                             [&](std::uint32_t a, std::uint32_t b) {
                                 return CompareNames(entries_[a].name16, entries_[b].name16) < 0;
                             });
            for (std::uint32_t id : children)
                if (entries_[id].type == kTypeStorage) storages.push_back({id, depth + 1});
            entries_[storage].children = std::move(children);
        }
    }

    TFileBytes bytes_;
    std::span<const std::uint8_t> data_;
    std::string name_;

    std::uint16_t version_ = 3;
    std::uint32_t shift_ = 9;
    std::uint32_t sectorSize_ = 512;
    std::uint32_t sectorCount_ = 0;
    std::vector<std::uint32_t> fat_;
    std::uint32_t fatLimit_ = 0; // valid sector indices are below this
    std::vector<DirEntry> entries_;
    std::uint64_t miniStreamSize_ = 0;
    std::vector<std::uint32_t> miniStreamSectors_;
    std::vector<std::uint32_t> miniFat_;
    std::uint32_t miniLimit_ = 0; // valid mini sector indices are below this
};

// ---- Writer ---------------------------------------------------------------------------------

struct Node {
    std::string name;
    std::u16string name16;
    bool storage = false;
    std::vector<std::uint8_t> bytes;
    std::vector<std::unique_ptr<Node>> children;
};

std::string SystemReason(int error) {
    return std::strerror(error);
}

// Lays out a version-3 compound file holding the tree under `root`.
class CompoundWriter {
public:
    explicit CompoundWriter(const Node& root) { Collect(root); }

    std::vector<std::uint8_t> Build() {
        AssignTrees();
        PlanSectors();
        std::vector<std::uint8_t> out(kHeaderSize + std::size_t{totalSectors_} * kSectorSize, 0);
        std::span<std::uint8_t> file(out);
        WriteFat(file);
        WriteDirectory(file);
        WriteMiniStream(file);
        WriteStreams(file);
        WriteHeader(file);
        return out;
    }

private:
    static constexpr std::uint32_t kSectorShift = 9;
    static constexpr std::uint32_t kSectorSize = 512;
    static constexpr std::uint32_t kPerFatSector = kSectorSize / 4;
    static constexpr std::uint32_t kPerDifatSector = kPerFatSector - 1;
    // Version-3 streams must stay under 2 GB.
    static constexpr std::uint64_t kMaxStreamSize = 0x80000000u;

    struct Item {
        const Node* node;
        std::vector<std::uint32_t> children;
        std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
        std::uint8_t color = kColorBlack;
        std::uint32_t start = kEndOfChain;
        bool mini = false;
    };

    void Collect(const Node& root) {
        // Directory ids in pre-order: the root is 0.
        std::vector<std::pair<const Node*, std::uint32_t>> pending{{&root, kNoStream}};
        while (!pending.empty()) {
            auto [node, parent] = pending.back();
            pending.pop_back();
            auto id = static_cast<std::uint32_t>(items_.size());
            items_.push_back({node, {}});
            if (parent != kNoStream) items_[parent].children.push_back(id);
            for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
                pending.emplace_back(it->get(), id);
        }
    }

    // Each storage's elements as a balanced search tree in name order, coloured so that it is a
    // valid red-black tree: every level but the deepest is full, so the nodes of an incomplete
    // deepest level are red and all others black.
    void AssignTrees() {
        for (Item& item : items_) {
            if (item.children.empty()) continue;
            std::vector<std::uint32_t> sorted = item.children;
            std::sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
                return CompareNames(items_[a].node->name16, items_[b].node->name16) < 0;
            });
            std::size_t full = 0; // levels that are full: floor(log2(n + 1))
            while ((std::size_t{2} << full) - 1 <= sorted.size())
                ++full;
            item.child = Balance(sorted, 0, sorted.size(), 0, full);
        }
    }

    std::uint32_t Balance(const std::vector<std::uint32_t>& sorted, std::size_t begin,
                          std::size_t end, std::size_t depth, std::size_t full) {
        if (begin == end) return kNoStream;
        std::size_t middle = begin + (end - begin) / 2;
        std::uint32_t id = sorted[middle];
        items_[id].color = depth >= full ? kColorRed : kColorBlack;
        items_[id].left = Balance(sorted, begin, middle, depth + 1, full);
        items_[id].right = Balance(sorted, middle + 1, end, depth + 1, full);
        return id;
    }

    std::uint32_t Take(std::uint64_t count) {
        std::uint64_t first = nextSector_;
        nextSector_ += count;
        if (nextSector_ > kMaxRegularSector) Fail(std::string(kMsgTooLarge));
        return static_cast<std::uint32_t>(first);
    }

    void PlanSectors() {
        // Small streams go to the mini stream, each starting on a 64-byte boundary.
        std::uint64_t miniSectors = 0;
        std::uint64_t streamSectors = 0;
        for (Item& item : items_) {
            if (item.node->storage) continue;
            std::uint64_t size = item.node->bytes.size();
            if (size >= kMaxStreamSize) Fail(std::string(kMsgTooLarge));
            if (size == 0) continue;
            if (size < kMiniStreamCutoff) {
                item.mini = true;
                item.start = static_cast<std::uint32_t>(miniSectors);
                miniSectors += DivCeil(size, kMiniSectorSize);
            } else {
                streamSectors += DivCeil(size, kSectorSize);
            }
        }
        miniSectorCount_ = miniSectors;
        std::uint64_t dirSectors = DivCeil(items_.size() * kDirEntrySize, kSectorSize);
        std::uint64_t miniFatSectors = DivCeil(miniSectors * 4, kSectorSize);
        std::uint64_t miniStreamSectors = DivCeil(miniSectors * kMiniSectorSize, kSectorSize);
        std::uint64_t data = dirSectors + miniFatSectors + miniStreamSectors + streamSectors;
        // The FAT covers every sector, its own and the DIFAT's included.
        std::uint64_t fat = 0, difat = 0;
        for (;;) {
            std::uint64_t nextFat = DivCeil(data + fat + difat, kPerFatSector);
            std::uint64_t nextDifat = nextFat > kHeaderDifatCount
                                          ? DivCeil(nextFat - kHeaderDifatCount, kPerDifatSector)
                                          : 0;
            if (nextFat == fat && nextDifat == difat) break;
            fat = nextFat;
            difat = nextDifat;
        }
        fatStart_ = Take(fat);
        fatCount_ = static_cast<std::uint32_t>(fat);
        difatStart_ = Take(difat);
        difatCount_ = static_cast<std::uint32_t>(difat);
        dirStart_ = Take(dirSectors);
        dirCount_ = static_cast<std::uint32_t>(dirSectors);
        miniFatStart_ = Take(miniFatSectors);
        miniFatCount_ = static_cast<std::uint32_t>(miniFatSectors);
        miniStreamStart_ = Take(miniStreamSectors);
        miniStreamCount_ = static_cast<std::uint32_t>(miniStreamSectors);
        for (Item& item : items_) {
            if (item.node->storage || item.mini || item.node->bytes.empty()) continue;
            item.start = Take(DivCeil(item.node->bytes.size(), kSectorSize));
        }
        totalSectors_ = static_cast<std::uint32_t>(nextSector_);
    }

    static std::size_t Offset(std::uint64_t sector) {
        return static_cast<std::size_t>((sector + 1) << kSectorShift);
    }

    void WriteFat(std::span<std::uint8_t> file) {
        std::vector<std::uint32_t> fat(std::size_t{fatCount_} * kPerFatSector, kFreeSector);
        auto chain = [&](std::uint32_t start, std::uint32_t count) {
            for (std::uint32_t i = 0; i < count; ++i)
                fat[start + i] = i + 1 == count ? kEndOfChain : start + i + 1;
        };
        for (std::uint32_t i = 0; i < fatCount_; ++i)
            fat[fatStart_ + i] = kFatSector;
        for (std::uint32_t i = 0; i < difatCount_; ++i)
            fat[difatStart_ + i] = kDifatSector;
        chain(dirStart_, dirCount_);
        chain(miniFatStart_, miniFatCount_);
        chain(miniStreamStart_, miniStreamCount_);
        for (const Item& item : items_) {
            if (item.node->storage || item.mini || item.node->bytes.empty()) continue;
            chain(item.start,
                  static_cast<std::uint32_t>(DivCeil(item.node->bytes.size(), kSectorSize)));
        }
        for (std::size_t i = 0; i < fat.size(); ++i)
            StoreLE(file, Offset(fatStart_) + 4 * i, fat[i]);
        // DIFAT sectors: the FAT sectors after the header's first 109.
        for (std::uint32_t d = 0; d < difatCount_; ++d) {
            std::size_t base = Offset(difatStart_ + d);
            for (std::uint32_t i = 0; i < kPerDifatSector; ++i) {
                std::uint64_t index = kHeaderDifatCount + std::uint64_t{d} * kPerDifatSector + i;
                std::uint32_t value =
                    index < fatCount_ ? fatStart_ + static_cast<std::uint32_t>(index) : kFreeSector;
                StoreLE(file, base + 4 * std::size_t{i}, value);
            }
            StoreLE(file, base + 4 * std::size_t{kPerDifatSector},
                    d + 1 == difatCount_ ? kEndOfChain : difatStart_ + d + 1);
        }
        // The mini FAT: each small stream is one run of adjacent mini sectors.
        std::vector<std::uint32_t> miniFat(std::size_t{miniFatCount_} * kPerFatSector, kFreeSector);
        for (const Item& item : items_) {
            if (!item.mini) continue;
            auto count =
                static_cast<std::uint32_t>(DivCeil(item.node->bytes.size(), kMiniSectorSize));
            for (std::uint32_t i = 0; i < count; ++i)
                miniFat[item.start + i] = i + 1 == count ? kEndOfChain : item.start + i + 1;
        }
        for (std::size_t i = 0; i < miniFat.size(); ++i)
            StoreLE(file, Offset(miniFatStart_) + 4 * i, miniFat[i]);
    }

    void WriteDirectory(std::span<std::uint8_t> file) {
        std::size_t base = Offset(dirStart_);
        std::size_t slots = std::size_t{dirCount_} * (kSectorSize / kDirEntrySize);
        for (std::size_t id = 0; id < slots; ++id) {
            std::size_t at = base + id * kDirEntrySize;
            if (id >= items_.size()) {
                // Unused entries: all zero but for the three links.
                StoreLE(file, at + entry::Left, kNoStream);
                StoreLE(file, at + entry::Right, kNoStream);
                StoreLE(file, at + entry::Child, kNoStream);
                continue;
            }
            const Item& item = items_[id];
            bool root = id == 0;
            std::u16string name = root ? u"Root Entry" : item.node->name16;
            for (std::size_t i = 0; i < name.size(); ++i)
                StoreLE(file, at + entry::Name + 2 * i, static_cast<std::uint16_t>(name[i]));
            StoreLE(file, at + entry::NameLength,
                    static_cast<std::uint16_t>(2 * (name.size() + 1)));
            std::uint8_t type = root ? kTypeRoot : item.node->storage ? kTypeStorage : kTypeStream;
            StoreLE(file, at + entry::Type, type);
            StoreLE(file, at + entry::Color, root ? kColorBlack : item.color);
            StoreLE(file, at + entry::Left, item.left);
            StoreLE(file, at + entry::Right, item.right);
            StoreLE(file, at + entry::Child, item.child);
            std::uint32_t start = 0;
            std::uint64_t size = 0;
            if (root) {
                start = miniStreamCount_ > 0 ? miniStreamStart_ : kEndOfChain;
                size = miniSectorCount_ * kMiniSectorSize;
            } else if (!item.node->storage) {
                start = item.node->bytes.empty() ? kEndOfChain : item.start;
                size = item.node->bytes.size();
            }
            StoreLE(file, at + entry::StartSector, start);
            StoreLE(file, at + entry::Size, size);
        }
    }

    void WriteMiniStream(std::span<std::uint8_t> file) {
        for (const Item& item : items_) {
            if (!item.mini) continue;
            const auto& bytes = item.node->bytes;
            // The mini stream's sectors are adjacent, so each small stream is one piece.
            std::size_t at = Offset(miniStreamStart_) + std::size_t{item.start} * kMiniSectorSize;
            std::memcpy(file.data() + at, bytes.data(), bytes.size());
        }
    }

    void WriteStreams(std::span<std::uint8_t> file) {
        for (const Item& item : items_) {
            if (item.node->storage || item.mini || item.node->bytes.empty()) continue;
            std::memcpy(file.data() + Offset(item.start), item.node->bytes.data(),
                        item.node->bytes.size());
        }
    }

    void WriteHeader(std::span<std::uint8_t> file) {
        std::copy(std::begin(kSignature), std::end(kSignature), file.begin());
        StoreLE(file, header::MinorVersion, std::uint16_t{0x003E});
        StoreLE(file, header::MajorVersion, std::uint16_t{3});
        StoreLE(file, header::ByteOrder, std::uint16_t{0xFFFE});
        StoreLE(file, header::SectorShift, std::uint16_t{kSectorShift});
        StoreLE(file, header::MiniSectorShift, std::uint16_t{kMiniSectorShift});
        StoreLE(file, header::DirectorySectorCount, std::uint32_t{0});
        StoreLE(file, header::FatSectorCount, fatCount_);
        StoreLE(file, header::FirstDirectorySector, dirStart_);
        StoreLE(file, header::MiniStreamCutoff, static_cast<std::uint32_t>(kMiniStreamCutoff));
        StoreLE(file, header::FirstMiniFatSector, miniFatCount_ > 0 ? miniFatStart_ : kEndOfChain);
        StoreLE(file, header::MiniFatSectorCount, miniFatCount_);
        StoreLE(file, header::FirstDifatSector, difatCount_ > 0 ? difatStart_ : kEndOfChain);
        StoreLE(file, header::DifatSectorCount, difatCount_);
        for (std::uint32_t i = 0; i < kHeaderDifatCount; ++i)
            StoreLE(file, header::Difat + 4 * std::size_t{i},
                    i < fatCount_ ? fatStart_ + i : kFreeSector);
    }

    std::vector<Item> items_;
    std::uint64_t nextSector_ = 0;
    std::uint64_t miniSectorCount_ = 0;
    std::uint32_t totalSectors_ = 0;
    std::uint32_t fatStart_ = 0, fatCount_ = 0, difatStart_ = 0, difatCount_ = 0;
    std::uint32_t dirStart_ = 0, dirCount_ = 0, miniFatStart_ = 0, miniFatCount_ = 0;
    std::uint32_t miniStreamStart_ = 0, miniStreamCount_ = 0;
};

// ---- Files ----------------------------------------------------------------------------------

void WriteAllTo(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw errno;
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

// ---- TOle2Storage ---------------------------------------------------------------------------

struct TOle2Storage::Impl {
    Mode mode = Mode::Read;
    bool closed = false;

    // Read mode.
    std::shared_ptr<const CompoundReader> reader;
    std::vector<std::uint32_t> path{0}; // the entered storages, the current one last

    // Create mode.
    Node root;
    std::vector<Node*> nodes; // the entered storages, the current one last
    std::vector<std::uint8_t>* target = nullptr;
    std::string filePath;
    std::string tempPath;
    int tempFd = -1;
    bool overwrite = false;

    ~Impl() { Discard(); }

    // Drops the temporary file of an unfinished create.
    void Discard() noexcept {
        if (tempFd >= 0) ::close(tempFd);
        tempFd = -1;
        if (!tempPath.empty()) ::unlink(tempPath.c_str());
        tempPath.clear();
    }

    const CompoundReader& Reader() const {
        if (!reader) Fail(std::string(kMsgRecordsInvalid));
        return *reader;
    }

    std::uint32_t Current() const { return path.back(); }

    Node* Find(const std::string& name) const {
        for (auto& child : nodes.back()->children)
            if (child->name == name) return child.get();
        std::u16string name16 = Utf8ToUtf16(name);
        for (auto& child : nodes.back()->children)
            if (CompareNames(child->name16, name16) == 0) return child.get();
        return nullptr;
    }

    Node* Add(const std::string& name, bool storage) {
        std::u16string name16 = Utf8ToUtf16(name);
        if (name16.empty() || name16.size() > kMaxNameUnits)
            Fail("\"%s\" is an invalid name", name.c_str());
        if (Find(name) != nullptr) Fail("\"%s\" already exists", name.c_str());
        auto node = std::make_unique<Node>();
        node->name = name;
        node->name16 = std::move(name16);
        node->storage = storage;
        nodes.back()->children.push_back(std::move(node));
        return nodes.back()->children.back().get();
    }

    void Finish() {
        std::vector<std::uint8_t> bytes = CompoundWriter(root).Build();
        if (target != nullptr) {
            *target = std::move(bytes);
            return;
        }
        try {
            WriteAllTo(tempFd, bytes);
            if (::fsync(tempFd) != 0) throw errno;
            int fd = tempFd;
            tempFd = -1;
            if (::close(fd) != 0) throw errno;
            Place();
        } catch (int error) {
            Discard();
            Fail(kMsgCantCreate, filePath.c_str(), SystemReason(error).c_str());
        }
    }

    // Moves the finished temporary file into place; without overwrite never replaces a file.
    void Place() {
        if (overwrite) {
            if (::rename(tempPath.c_str(), filePath.c_str()) != 0) throw errno;
            tempPath.clear();
            return;
        }
        if (::renameat2(AT_FDCWD, tempPath.c_str(), AT_FDCWD, filePath.c_str(), RENAME_NOREPLACE) ==
            0) {
            tempPath.clear();
            return;
        }
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) throw errno;
        // A file system without the no-replace rename: a hard link fails when the name exists.
        if (::link(tempPath.c_str(), filePath.c_str()) != 0) throw errno;
        ::unlink(tempPath.c_str());
        tempPath.clear();
    }
};

TOle2Storage::TOle2Storage(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TOle2Storage::~TOle2Storage() = default;

std::unique_ptr<TOle2Storage> TOle2Storage::OpenRead(const std::string& path) {
    // The whole file is read once; nothing of it stays open after this.
    auto impl = std::make_unique<Impl>();
    impl->reader = std::make_shared<const CompoundReader>(ReadRegularFile(path), path);
    return std::unique_ptr<TOle2Storage>(new TOle2Storage(std::move(impl)));
}

std::unique_ptr<TOle2Storage> TOle2Storage::OpenReadMemory(std::span<const std::uint8_t> bytes,
                                                           const std::string& name) {
    return OpenReadBuffer(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), name);
}

std::unique_ptr<TOle2Storage> TOle2Storage::OpenReadBuffer(std::vector<std::uint8_t> bytes,
                                                           const std::string& name) {
    auto impl = std::make_unique<Impl>();
    impl->reader = std::make_shared<const CompoundReader>(TFileBytes(std::move(bytes)), name);
    return std::unique_ptr<TOle2Storage>(new TOle2Storage(std::move(impl)));
}

std::unique_ptr<TOle2Storage> TOle2Storage::Create(const std::string& path, bool overwrite) {
    auto impl = std::make_unique<Impl>();
    impl->mode = Mode::Create;
    impl->nodes.push_back(&impl->root);
    impl->root.storage = true;
    impl->filePath = path;
    impl->overwrite = overwrite;
    struct stat info {};
    if (!overwrite && ::lstat(path.c_str(), &info) == 0)
        Fail(kMsgCantCreate, path.c_str(), SystemReason(EEXIST).c_str());
    // The temporary file sits next to the target, so the final move stays on one file system.
    std::filesystem::path target(path);
    std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string base = target.filename().string();
    for (int attempt = 0; attempt < 100 && impl->tempFd < 0; ++attempt) {
        std::string candidate = folder + "/.~" + base + "." + std::to_string(::getpid()) + "-" +
                                std::to_string(attempt) + ".tmp";
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            impl->tempFd = fd;
            impl->tempPath = candidate;
        } else if (errno != EEXIST) {
            Fail(kMsgCantCreate, path.c_str(), SystemReason(errno).c_str());
        }
    }
    if (impl->tempFd < 0) Fail(kMsgCantCreate, path.c_str(), SystemReason(EEXIST).c_str());
    return std::unique_ptr<TOle2Storage>(new TOle2Storage(std::move(impl)));
}

std::unique_ptr<TOle2Storage> TOle2Storage::CreateInMemory(std::vector<std::uint8_t>& target) {
    auto impl = std::make_unique<Impl>();
    impl->mode = Mode::Create;
    impl->nodes.push_back(&impl->root);
    impl->root.storage = true;
    impl->target = &target;
    return std::unique_ptr<TOle2Storage>(new TOle2Storage(std::move(impl)));
}

TOle2Storage::Mode TOle2Storage::GetMode() const {
    return impl_->mode;
}

std::vector<TElementInfo> TOle2Storage::List() {
    std::vector<TElementInfo> out;
    if (impl_->mode == Mode::Create) {
        std::vector<const Node*> children;
        for (auto& child : impl_->nodes.back()->children)
            children.push_back(child.get());
        std::stable_sort(children.begin(), children.end(), [](const Node* a, const Node* b) {
            return CompareNames(a->name16, b->name16) < 0;
        });
        for (const Node* child : children)
            out.push_back({child->name, child->storage ? kElementStorage : kElementStream,
                           child->storage ? 0 : child->bytes.size()});
        return out;
    }
    const CompoundReader& reader = impl_->Reader();
    for (std::uint32_t id : reader.Entry(impl_->Current()).children) {
        const DirEntry& item = reader.Entry(id);
        bool storage = item.type == kTypeStorage;
        out.push_back(
            {item.name, storage ? kElementStorage : kElementStream, storage ? 0 : item.size});
    }
    return out;
}

void TOle2Storage::Enter(const std::string& name) {
    if (impl_->mode == Mode::Create) {
        impl_->nodes.push_back(impl_->Add(name, true));
        return;
    }
    const CompoundReader& reader = impl_->Reader();
    std::uint32_t id = reader.Find(impl_->Current(), name);
    if (id == kNoStream || reader.Entry(id).type != kTypeStorage) Fail(kMsgCantRead, name.c_str());
    impl_->path.push_back(id);
}

void TOle2Storage::Leave() {
    if (impl_->mode == Mode::Create) {
        if (impl_->nodes.size() > 1) impl_->nodes.pop_back();
    } else if (impl_->path.size() > 1) {
        impl_->path.pop_back();
    }
}

std::size_t TOle2Storage::Depth() const {
    return (impl_->mode == Mode::Create ? impl_->nodes.size() : impl_->path.size()) - 1;
}

void TOle2Storage::Close() {
    if (impl_->closed) return;
    impl_->closed = true;
    if (impl_->mode == Mode::Create)
        impl_->Finish();
    else
        impl_->reader.reset();
}

// ---- TOle2Stream ----------------------------------------------------------------------------

struct TOle2Stream::Impl {
    TOle2Storage::Impl* storage = nullptr;
    std::uint64_t position = 0;
    // Read mode: the stream's pieces in the file.
    std::shared_ptr<const CompoundReader> reader; // kept alive past the storage's Close()
    std::vector<Run> runs;
    std::uint64_t size = 0;
    std::size_t hint = 0;                // the run the last read ended in
    std::vector<std::uint8_t> assembled; // Bytes() of a stream in several pieces
    bool isAssembled = false;
    // Create mode: the stream's bytes.
    Node* node = nullptr;
};

TOle2Stream::TOle2Stream(TOle2Storage& storage, const std::string& name)
    : impl_(std::make_unique<Impl>()) {
    TOle2Storage::Impl& owner = *storage.impl_;
    impl_->storage = &owner;
    if (owner.mode == TOle2Storage::Mode::Create) {
        if (owner.closed) Fail(kMsgCantCreate, owner.filePath.c_str(), "closed");
        impl_->node = owner.Add(name, false);
        return;
    }
    const CompoundReader& reader = owner.Reader();
    std::uint32_t id = reader.Find(owner.Current(), name);
    if (id == kNoStream || reader.Entry(id).type != kTypeStream)
        Fail(std::string(kMsgRecordsInvalid));
    impl_->reader = owner.reader;
    impl_->size = reader.Entry(id).size;
    impl_->runs = reader.StreamRuns(reader.Entry(id));
}

TOle2Stream::~TOle2Stream() = default;

std::size_t TOle2Stream::Read(void* buffer, std::size_t count) {
    if (count == 0) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (impl_->node != nullptr) {
        const auto& bytes = impl_->node->bytes;
        if (impl_->position >= bytes.size()) return 0;
        std::size_t at = static_cast<std::size_t>(impl_->position);
        std::size_t n = std::min(count, bytes.size() - at);
        std::memcpy(out, bytes.data() + at, n);
        impl_->position += n;
        return n;
    }
    if (impl_->reader == nullptr) return 0;
    const auto& runs = impl_->runs;
    auto data = impl_->reader->Data();
    std::size_t done = 0;
    while (done < count && impl_->position < impl_->size) {
        // Find the run holding the position, starting from the last one used.
        std::size_t& r = impl_->hint;
        if (r >= runs.size() || runs[r].logical > impl_->position) r = 0;
        while (r + 1 < runs.size() && runs[r + 1].logical <= impl_->position)
            ++r;
        const Run& run = runs[r];
        std::uint64_t within = impl_->position - run.logical;
        std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(count - done, run.length - within));
        std::memcpy(out + done, data.data() + run.file + within, n);
        done += n;
        impl_->position += n;
    }
    return done;
}

void TOle2Stream::Write(const void* buffer, std::size_t count) {
    if (impl_->node == nullptr) Fail(std::string(kMsgRecordsInvalid));
    if (count == 0) return;
    auto& bytes = impl_->node->bytes;
    // A version-3 stream stays under 2 GB.
    if (impl_->position >= 0x80000000u || count >= 0x80000000u - impl_->position)
        Fail(std::string(kMsgTooLarge));
    std::uint64_t end = impl_->position + count;
    if (end > bytes.size()) bytes.resize(static_cast<std::size_t>(end));
    std::memcpy(bytes.data() + impl_->position, buffer, count);
    impl_->position = end;
}

std::uint64_t TOle2Stream::Seek(std::int64_t offset, SeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current) base = static_cast<std::int64_t>(impl_->position);
    if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(Size());
    if ((offset < 0 && base + offset < 0) ||
        (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset))
        Fail(std::string(kMsgRecordsInvalid));
    impl_->position = static_cast<std::uint64_t>(base + offset);
    return impl_->position;
}

std::uint64_t TOle2Stream::Position() const {
    return impl_->position;
}

std::uint64_t TOle2Stream::Size() const {
    return impl_->node != nullptr ? impl_->node->bytes.size() : impl_->size;
}

std::vector<std::uint8_t> TOle2Stream::ReadAll() {
    if (impl_->node != nullptr) return impl_->node->bytes;
    std::vector<std::uint8_t> out;
    if (impl_->reader == nullptr) return out;
    return impl_->reader->Assemble(impl_->runs, impl_->size);
}

std::span<const std::uint8_t> TOle2Stream::Bytes() {
    if (impl_->node != nullptr) return impl_->node->bytes;
    if (impl_->reader == nullptr || impl_->runs.empty()) return {};
    if (impl_->runs.size() == 1) {
        const Run& run = impl_->runs.front();
        return impl_->reader->Data().subspan(static_cast<std::size_t>(run.file),
                                             static_cast<std::size_t>(run.length));
    }
    if (!impl_->isAssembled) {
        impl_->assembled = ReadAll();
        impl_->isAssembled = true;
    }
    return impl_->assembled;
}

// ---- Elements -------------------------------------------------------------------------------

void CopyElements(TXlsStorageList& target, TOle2Storage& storage, bool nested) {
    if (storage.impl_->mode == TOle2Storage::Mode::Read) {
        storage.impl_->Reader().CopyElements(storage.impl_->Current(), target, nested);
        return;
    }
    for (const TElementInfo& element : storage.List()) {
        if (element.type == kElementStorage) {
            storage.Enter(element.name);
            target.push_back({element.name, {}, {}});
            try {
                CopyElements(target.back().children, storage, true);
            } catch (...) {
                storage.Leave();
                throw;
            }
            storage.Leave();
        } else if (element.type == kElementStream) {
            if (!nested && element.name == kWorkbookStreamName) continue;
            TOle2Stream stream(storage, element.name);
            target.push_back({element.name, stream.ReadAll(), {}});
        }
    }
}

void WriteElement(const TXlsStorage& item, TOle2Storage& storage) {
    if (!item.bytes.empty()) {
        TOle2Stream stream(storage, item.name);
        stream.Write(item.bytes.data(), item.bytes.size());
    } else if (!item.children.empty()) {
        storage.Enter(item.name);
        for (const TXlsStorage& child : item.children)
            WriteElement(child, storage);
        storage.Leave();
    }
}

std::string LocateWorkbookFile(const std::string& name) {
    namespace fs = std::filesystem;
    if (name.empty()) Fail(kMsgCantFind, name.c_str());
    fs::path path(name);
    if (!path.has_extension()) path += ".xls";
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status) || fs::is_directory(status)) Fail(kMsgCantFind, name.c_str());
    fs::path full = fs::absolute(path, error);
    if (error) Fail(kMsgCantFind, name.c_str());
    return full.lexically_normal().string();
}

} // namespace orq::xls
