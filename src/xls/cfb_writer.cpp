#include "xls/cfb_writer.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

#include "base/error.h"
#include "xls/byte_reader.h"
#include "xls/cfb_layout.h"
#include "xls/cfb_names.h"

namespace orq::xls::cfb {

namespace {

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
    static constexpr std::uint32_t kSectorShift = kVersion3SectorShift;
    static constexpr std::uint32_t kSectorSize = 1u << kSectorShift;
    static constexpr std::uint32_t kPerFatSector = kSectorSize / 4;
    static constexpr std::uint32_t kPerDifatSector = kPerFatSector - 1;

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
                Store<entry::Left>(file, at, kNoStream);
                Store<entry::Right>(file, at, kNoStream);
                Store<entry::Child>(file, at, kNoStream);
                continue;
            }
            const Item& item = items_[id];
            bool root = id == 0;
            std::u16string name = root ? kRootEntryName : item.node->name16;
            for (std::size_t i = 0; i < name.size(); ++i)
                StoreLE(file, at + entry::Name.offset + 2 * i, static_cast<std::uint16_t>(name[i]));
            Store<entry::NameLength>(file, at, static_cast<std::uint16_t>(2 * (name.size() + 1)));
            std::uint8_t type = root ? kTypeRoot : item.node->storage ? kTypeStorage : kTypeStream;
            Store<entry::Type>(file, at, type);
            Store<entry::Color>(file, at, root ? kColorBlack : item.color);
            Store<entry::Left>(file, at, item.left);
            Store<entry::Right>(file, at, item.right);
            Store<entry::Child>(file, at, item.child);
            std::uint32_t start = 0;
            std::uint64_t size = 0;
            if (root) {
                start = miniStreamCount_ > 0 ? miniStreamStart_ : kEndOfChain;
                size = miniSectorCount_ * kMiniSectorSize;
            } else if (!item.node->storage) {
                start = item.node->bytes.empty() ? kEndOfChain : item.start;
                size = item.node->bytes.size();
            }
            Store<entry::StartSector>(file, at, start);
            Store<entry::Size>(file, at, size);
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
        Store<header::MinorVersion>(file, 0, kMinorVersion);
        Store<header::MajorVersion>(file, 0, kVersion3);
        Store<header::ByteOrder>(file, 0, kByteOrderMark);
        Store<header::SectorShift>(file, 0, std::uint16_t{kSectorShift});
        Store<header::MiniSectorShift>(file, 0, std::uint16_t{kMiniSectorShift});
        Store<header::DirectorySectorCount>(file, 0, std::uint32_t{0});
        Store<header::FatSectorCount>(file, 0, fatCount_);
        Store<header::FirstDirectorySector>(file, 0, dirStart_);
        Store<header::MiniStreamCutoff>(file, 0, static_cast<std::uint32_t>(kMiniStreamCutoff));
        Store<header::FirstMiniFatSector>(file, 0, miniFatCount_ > 0 ? miniFatStart_ : kEndOfChain);
        Store<header::MiniFatSectorCount>(file, 0, miniFatCount_);
        Store<header::FirstDifatSector>(file, 0, difatCount_ > 0 ? difatStart_ : kEndOfChain);
        Store<header::DifatSectorCount>(file, 0, difatCount_);
        for (std::uint32_t i = 0; i < kHeaderDifatCount; ++i)
            StoreLE(file, header::Difat.offset + 4 * std::size_t{i},
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

} // namespace

std::vector<std::uint8_t> BuildCompoundFile(const Node& root) {
    return CompoundWriter(root).Build();
}

} // namespace orq::xls::cfb
