#include "xls/cfb_reader.h"

#include <algorithm>
#include <utility>

#include "base/error.h"
#include "base/file.h"
#include "base/utf.h"
#include "xls/byte_reader.h"
#include "xls/cfb_names.h"

namespace orq::xls::cfb {

namespace {} // namespace

Reader::Reader(std::span<const std::uint8_t> data, std::string displayName)
    : data_(data), name_(std::move(displayName)) {
    ReadHeader();
    ReadFat();
    ReadDirectory();
    ReadMiniFat();
    BuildTrees();
}

std::uint32_t Reader::Find(std::uint32_t storage, const std::string& name) const {
    const auto& children = entries_[storage].children;
    for (std::uint32_t id : children)
        if (entries_[id].name == name) return id;
    std::u16string name16 = Utf8ToUtf16(name);
    for (std::uint32_t id : children)
        if (CompareNames(entries_[id].name16, name16) == 0) return id;
    return kNoStream;
}

SectorClaims::SectorClaims(const Reader& reader)
    : sectors_(reader.fatLimit_), minis_(reader.miniLimit_) {}

std::vector<Run> Reader::StreamRuns(const DirEntry& item) const {
    return Runs(item, nullptr, nullptr);
}

std::vector<Run> Reader::StreamRuns(const DirEntry& item, SectorClaims& claims) const {
    if (item.size > 0 && item.size < kMiniStreamCutoff && !claims.miniStreamClaimed_) {
        for (std::uint32_t sector : miniStreamSectors_)
            if (!claims.sectors_.Mark(sector)) Damaged();
        claims.miniStreamClaimed_ = true;
    }
    return Runs(item, &claims.sectors_, &claims.minis_);
}

std::vector<Run> Reader::Runs(const DirEntry& item, VisitedSet* sectors, VisitedSet* minis) const {
    std::vector<Run> runs;
    if (item.size == 0) return runs;
    // A small stream lives in mini sectors inside the mini stream, a large one in sectors.
    const bool mini = item.size < kMiniStreamCutoff;
    const std::uint64_t unit = mini ? kMiniSectorSize : sectorSize_;
    VisitedSet* shared = mini ? minis : sectors;
    const std::uint32_t limit = mini ? miniLimit_ : fatLimit_;
    VisitedSet own(shared != nullptr ? 0 : limit);
    std::uint64_t remaining = item.size;
    std::uint64_t logical = 0;
    WalkChain(mini ? miniFat_ : fat_, limit, item.start, DivCeil(item.size, unit),
              shared != nullptr ? *shared : own, [&](std::uint32_t id) {
                  std::uint64_t length = std::min<std::uint64_t>(remaining, unit);
                  const std::uint64_t at = std::uint64_t{id} << kMiniSectorShift;
                  const std::uint64_t file = mini ? SectorOffset(miniStreamSectors_[at >> shift_]) +
                                                        (at & (sectorSize_ - 1))
                                                  : SectorOffset(id);
                  AddRun(runs, logical, file, length);
                  logical += length;
                  remaining -= length;
              });
    return runs;
}

std::vector<std::uint8_t> Reader::Assemble(const std::vector<Run>& runs, std::uint64_t size) const {
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(size));
    for (const Run& run : runs) {
        auto first = data_.begin() + static_cast<std::ptrdiff_t>(run.file);
        out.insert(out.end(), first, first + static_cast<std::ptrdiff_t>(run.length));
    }
    return out;
}

void Reader::Damaged() const {
    Fail(kMsgCantRead, name_.c_str());
}

void Reader::NotCompound() const {
    Fail(kMsgFileInvalid, name_.c_str());
}

void Reader::AddRun(std::vector<Run>& runs, std::uint64_t logical, std::uint64_t file,
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
void Reader::WalkChain(const std::vector<std::uint32_t>& table, std::uint32_t limit,
                       std::uint32_t start, std::uint64_t needed, VisitedSet& visited,
                       Visit visit) const {
    if (needed == 0) return;
    if (needed > limit) Damaged(); // longer than the whole table: a size that lies
    std::uint32_t sector = start;
    for (std::uint64_t i = 0;; ++i) {
        if (sector >= limit || !visited.Mark(sector)) Damaged();
        visit(sector);
        if (i + 1 == needed) break;
        sector = table[sector];
    }
}

// A chain of unknown length (the directory, the mini FAT): every sector up to the end mark.
std::vector<std::uint32_t> Reader::WalkToEnd(std::uint32_t start) const {
    std::vector<std::uint32_t> sectors;
    VisitedSet visited(fatLimit_);
    for (std::uint32_t sector = start; sector != kEndOfChain; sector = fat_[sector]) {
        if (sector >= fatLimit_ || !visited.Mark(sector)) Damaged();
        sectors.push_back(sector);
    }
    return sectors;
}

// A whole sector, which must lie inside the file.
std::span<const std::uint8_t> Reader::Sector(std::uint32_t sector) const {
    std::uint64_t offset = SectorOffset(sector);
    if (!detail::Fits(data_.size(), offset, sectorSize_)) Damaged();
    return data_.subspan(offset, sectorSize_);
}

void Reader::ReadHeader() {
    if (data_.size() < kHeaderSize || !std::equal(std::begin(kSignature), std::end(kSignature),
                                                  data_.begin() + header::Signature.offset))
        NotCompound();
    std::uint16_t major = Load<header::MajorVersion>(data_);
    std::uint16_t shift = Load<header::SectorShift>(data_);
    if (Load<header::ByteOrder>(data_) != kByteOrderMark ||
        !((major == kVersion3 && shift == kVersion3SectorShift) ||
          (major == kVersion4 && shift == kVersion4SectorShift)) ||
        Load<header::MiniSectorShift>(data_) != kMiniSectorShift ||
        Load<header::MiniStreamCutoff>(data_) != kMiniStreamCutoff)
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

void Reader::ReadFat() {
    std::uint32_t fatSectors = Load<header::FatSectorCount>(data_);
    if (fatSectors == 0 || fatSectors > sectorCount_) Damaged();
    std::vector<std::uint32_t> fatList;
    fatList.reserve(fatSectors);
    for (std::size_t i = 0; i < kHeaderDifatCount && fatList.size() < fatSectors; ++i)
        fatList.push_back(ReadU32LE(data_, header::Difat.offset + 4 * i));
    // The DIFAT chain: each of its sectors holds entries and then the next DIFAT sector.
    std::uint32_t perDifat = sectorSize_ / 4 - 1;
    VisitedSet visited(sectorCount_);
    std::uint32_t difat = Load<header::FirstDifatSector>(data_);
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

void Reader::ReadDirectory() {
    auto sectors = WalkToEnd(Load<header::FirstDirectorySector>(data_));
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
        VisitedSet visited(fatLimit_);
        WalkChain(fat_, fatLimit_, root.start, needed, visited,
                  [&](std::uint32_t sector) { miniStreamSectors_.push_back(sector); });
        // The last sector must hold the mini stream's last bytes.
        std::uint64_t tail = miniStreamSize_ - (needed - 1) * sectorSize_;
        if (!detail::Fits(data_.size(), SectorOffset(miniStreamSectors_.back()), tail)) Damaged();
    }
}

void Reader::ParseEntry(std::span<const std::uint8_t> bytes, DirEntry& out) const {
    out.type = Load<entry::Type>(bytes);
    if (out.type == kTypeUnused) return;
    std::size_t units = Load<entry::NameLength>(bytes) / 2;
    units = std::min(units, kMaxNameUnits + 1);
    for (std::size_t i = 0; i < units; ++i) {
        char16_t unit = static_cast<char16_t>(ReadU16LE(bytes, entry::Name.offset + 2 * i));
        if (unit == 0) break;
        out.name16 += unit;
    }
    out.name = ToUtf8(out.name16);
    out.left = Load<entry::Left>(bytes);
    out.right = Load<entry::Right>(bytes);
    out.child = Load<entry::Child>(bytes);
    out.start = Load<entry::StartSector>(bytes);
    out.size = Load<entry::Size>(bytes);
    // Older writers left the high half of the size uninitialised in version-3 files.
    if (version_ == kVersion3) out.size &= 0xFFFFFFFFu;
}

void Reader::ReadMiniFat() {
    std::uint32_t first = Load<header::FirstMiniFatSector>(data_);
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
    miniLimit_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(miniFat_.size(), miniSectors));
}

// Walks every storage's tree once: each entry may appear in one tree only, so a link back
// into a tree (a cycle) or into another tree is damage. Fills each storage's children in
// enumeration order.
void Reader::BuildTrees() {
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
        std::stable_sort(children.begin(), children.end(), [&](std::uint32_t a, std::uint32_t b) {
            return CompareNames(entries_[a].name16, entries_[b].name16) < 0;
        });
        for (std::uint32_t id : children)
            if (entries_[id].type == kTypeStorage) storages.push_back({id, depth + 1});
        entries_[storage].children = std::move(children);
    }
}

} // namespace orq::xls::cfb
