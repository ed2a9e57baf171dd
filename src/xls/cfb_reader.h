#pragma once

// Reading a compound file held in memory: the reader parses the header, the FAT, the directory
// and the mini FAT of a byte span once, and then tells where each stream's bytes lie. It opens
// no file and copies nothing of the span; the span must outlive the reader.
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
//
// What reading may cost: the file is at most kMaxInputFileSize bytes (base/file.h) and is held
// once; the streams copied out of it (the elements kept besides the "Workbook" stream) claim
// their sectors in one SectorClaims, so no sector is copied twice: a sector that a second
// stream names is damage ("Can't read file \"%s\""), and together the copies never exceed the
// file's own size. Each walk is linear in the sectors it visits; the claims are one bit per
// sector and per mini sector, made once for all the copies.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "xls/cfb_layout.h"

namespace orq::xls::cfb {

// Nesting of sub-storages the reader follows.
inline constexpr int kMaxStorageDepth = 64;

// One piece of a stream: `length` bytes at `file` in the file, at `logical` in the stream.
struct Run {
    std::uint64_t logical;
    std::uint64_t file;
    std::uint64_t length;
};

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

// One directory entry as the reader keeps it.
struct DirEntry {
    std::u16string name16;
    std::string name; // UTF-8
    std::uint8_t type = kTypeUnused;
    std::uint32_t left = kNoStream;
    std::uint32_t right = kNoStream;
    std::uint32_t child = kNoStream;
    std::uint32_t start = kEndOfChain;
    std::uint64_t size = 0;
    std::vector<std::uint32_t> children; // storages: elements in enumeration order
};

class Reader;

// The sectors and mini sectors that the streams walked with it occupy (see StreamRuns).
class SectorClaims {
public:
    explicit SectorClaims(const Reader& reader);

private:
    friend class Reader;
    VisitedSet sectors_;
    VisitedSet minis_;
    bool miniStreamClaimed_ = false;
};

class Reader {
public:
    // Parses the file; `displayName` is the text the failure messages show.
    Reader(std::span<const std::uint8_t> data, std::string displayName);

    // Entry 0 is the root storage.
    const DirEntry& Entry(std::uint32_t id) const { return entries_[id]; }

    // The element of the storage `storage` with that name: the exact name first, else the first
    // whose name matches in the name order (which ignores letter case); kNoStream when none.
    std::uint32_t Find(std::uint32_t storage, const std::string& name) const;

    // The pieces of a stream's content, in order, adjacent pieces merged: one walk of its chain.
    std::vector<Run> StreamRuns(const DirEntry& item) const;
    // The same for one of several streams that are all copied: a sector (or mini sector) that
    // an earlier stream of `claims` occupies is damage. The first stream in the mini stream
    // claims the mini stream's own sectors.
    std::vector<Run> StreamRuns(const DirEntry& item, SectorClaims& claims) const;

    std::span<const std::uint8_t> Data() const { return data_; }

    // The bytes of the pieces, one copy per piece.
    std::vector<std::uint8_t> Assemble(const std::vector<Run>& runs, std::uint64_t size) const;

private:
    [[noreturn]] void Damaged() const;
    [[noreturn]] void NotCompound() const;

    std::uint64_t SectorOffset(std::uint64_t sector) const { return (sector + 1) << shift_; }
    void AddRun(std::vector<Run>& runs, std::uint64_t logical, std::uint64_t file,
                std::uint64_t length) const;
    template <typename Visit>
    void WalkChain(const std::vector<std::uint32_t>& table, std::uint32_t limit,
                   std::uint32_t start, std::uint64_t needed, VisitedSet& visited,
                   Visit visit) const;
    std::vector<Run> Runs(const DirEntry& item, VisitedSet* sectors, VisitedSet* minis) const;
    std::vector<std::uint32_t> WalkToEnd(std::uint32_t start) const;
    std::span<const std::uint8_t> Sector(std::uint32_t sector) const;

    void ReadHeader();
    void ReadFat();
    void ReadDirectory();
    void ParseEntry(std::span<const std::uint8_t> bytes, DirEntry& out) const;
    void ReadMiniFat();
    void BuildTrees();

    std::span<const std::uint8_t> data_;
    std::string name_;

    std::uint16_t version_ = kVersion3;
    std::uint32_t shift_ = kVersion3SectorShift;
    std::uint32_t sectorSize_ = 1u << kVersion3SectorShift;
    std::uint32_t sectorCount_ = 0;
    std::vector<std::uint32_t> fat_;
    std::uint32_t fatLimit_ = 0; // valid sector indices are below this
    std::vector<DirEntry> entries_;
    std::uint64_t miniStreamSize_ = 0;
    std::vector<std::uint32_t> miniStreamSectors_;
    std::vector<std::uint32_t> miniFat_;
    std::uint32_t miniLimit_ = 0; // valid mini sector indices are below this

    friend class SectorClaims;
};

} // namespace orq::xls::cfb
