#pragma once

// Small compound files built field by field, for the reader tests and their one-field
// corruptions.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/error.h"
#include "support/temp_dir.h"
#include "xls/cfb.h"

namespace orq::xls::testing {

inline constexpr std::uint32_t kEnd = 0xFFFFFFFE;  // end of a chain
inline constexpr std::uint32_t kFree = 0xFFFFFFFF; // unused sector, no sibling
inline constexpr std::uint32_t kFatMark = 0xFFFFFFFD;

// Header field offsets.
inline constexpr std::size_t kHdrMajor = 0x1A;
inline constexpr std::size_t kHdrByteOrder = 0x1C;
inline constexpr std::size_t kHdrSectorShift = 0x1E;
inline constexpr std::size_t kHdrFatCount = 0x2C;
inline constexpr std::size_t kHdrFirstDir = 0x30;
inline constexpr std::size_t kHdrFirstMiniFat = 0x3C;
inline constexpr std::size_t kHdrMiniFatCount = 0x40;
inline constexpr std::size_t kHdrFirstDifat = 0x44;
inline constexpr std::size_t kHdrDifatCount = 0x48;
inline constexpr std::size_t kHdrDifat = 0x4C;

// Directory entry field offsets.
inline constexpr std::size_t kEntName = 0x00;
inline constexpr std::size_t kEntNameLength = 0x40;
inline constexpr std::size_t kEntType = 0x42;
inline constexpr std::size_t kEntColor = 0x43;
inline constexpr std::size_t kEntLeft = 0x44;
inline constexpr std::size_t kEntRight = 0x48;
inline constexpr std::size_t kEntChild = 0x4C;
inline constexpr std::size_t kEntStart = 0x74;
inline constexpr std::size_t kEntSize = 0x78;

// The byte at position i of the test streams.
inline std::uint8_t PatternByte(std::size_t i, unsigned seed) {
    return static_cast<std::uint8_t>((i * 7 + seed * 13 + (i >> 8)) & 0xFF);
}
inline std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> out(size);
    for (std::size_t i = 0; i < size; ++i)
        out[i] = PatternByte(i, seed);
    return out;
}

// The hand-built file:
//
//   Root Entry (root, mini stream in sector 3)
//   |-- Sub        storage
//   |   `-- Data   stream, 20 bytes, mini sectors 1
//   |-- Notes      stream, 10 bytes, mini sector 0
//   `-- Workbook   stream, 5,000 bytes in regular sectors, in two runs with a gap
//
// Sectors: 0 FAT, 1 directory (first part), 2 mini FAT, 3 mini stream, 4 directory (second
// part), then the Workbook chain. Version 3 (512-byte sectors): Workbook in 5-9 and 11-15,
// sector 10 free. Version 4 (4,096-byte sectors): Workbook in 5 and 7, sector 6 free.
struct HandFile {
    int version = 3;
    std::uint32_t sectorSize = 512;
    std::vector<std::uint8_t> bytes;

    static constexpr std::size_t kWorkbookSize = 5000;
    static constexpr std::size_t kNotesSize = 10;
    static constexpr std::size_t kDataSize = 20;
    // Directory ids.
    static constexpr std::uint32_t kRoot = 0, kWorkbook = 1, kNotes = 2, kSub = 3, kData = 4;

    std::size_t HeaderSize() const { return sectorSize; }
    std::size_t SectorOffset(std::uint32_t sector) const {
        return (std::size_t{sector} + 1) * sectorSize;
    }
    std::size_t FatEntry(std::uint32_t sector) const { return SectorOffset(0) + 4 * sector; }
    std::size_t MiniFatEntry(std::uint32_t mini) const { return SectorOffset(2) + 4 * mini; }
    std::size_t Entry(std::uint32_t id, std::size_t field) const {
        std::uint32_t perSector = sectorSize / 128;
        std::uint32_t sector = id < perSector ? 1 : 4;
        return SectorOffset(sector) + 128 * (id % perSector) + field;
    }

    void Put8(std::size_t at, std::uint8_t v) { bytes.at(at) = v; }
    void Put16(std::size_t at, std::uint16_t v) {
        for (std::size_t i = 0; i < 2; ++i)
            bytes.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void Put32(std::size_t at, std::uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i)
            bytes.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void Put64(std::size_t at, std::uint64_t v) {
        for (std::size_t i = 0; i < 8; ++i)
            bytes.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
    }

    std::vector<std::uint32_t> WorkbookSectors() const {
        if (version == 3) return {5, 6, 7, 8, 9, 11, 12, 13, 14, 15};
        return {5, 7};
    }

    void PutEntry(std::uint32_t id, const std::u16string& name, std::uint8_t type,
                  std::uint8_t color, std::uint32_t left, std::uint32_t right, std::uint32_t child,
                  std::uint32_t start, std::uint64_t size) {
        for (std::size_t i = 0; i < name.size(); ++i)
            Put16(Entry(id, kEntName + 2 * i), static_cast<std::uint16_t>(name[i]));
        Put16(Entry(id, kEntNameLength), static_cast<std::uint16_t>(2 * (name.size() + 1)));
        Put8(Entry(id, kEntType), type);   // 1 storage, 2 stream, 5 root
        Put8(Entry(id, kEntColor), color); // 0 red, 1 black
        Put32(Entry(id, kEntLeft), left);
        Put32(Entry(id, kEntRight), right);
        Put32(Entry(id, kEntChild), child);
        Put32(Entry(id, kEntStart), start);
        Put64(Entry(id, kEntSize), size);
    }

    explicit HandFile(int fileVersion = 3) : version(fileVersion) {
        sectorSize = version == 3 ? 512 : 4096;
        std::uint32_t sectorCount = version == 3 ? 16 : 8;
        bytes.assign(SectorOffset(sectorCount), 0);

        // Header.
        const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        std::memcpy(bytes.data(), signature, 8);               // signature; CLSID stays zero
        Put16(0x18, 0x003E);                                   // minor version
        Put16(kHdrMajor, static_cast<std::uint16_t>(version)); // major version
        Put16(kHdrByteOrder, 0xFFFE);                          // little-endian
        Put16(kHdrSectorShift, version == 3 ? 9 : 12);         // sector size 512 / 4096
        Put16(0x20, 6);                                        // mini sector size 64
        Put32(0x28, version == 3 ? 0 : 2);                     // directory sectors (v4 only)
        Put32(kHdrFatCount, 1);                                // one FAT sector
        Put32(kHdrFirstDir, 1);                                // directory starts in sector 1
        Put32(0x38, 4096);                                     // mini stream cutoff
        Put32(kHdrFirstMiniFat, 2);                            // mini FAT in sector 2
        Put32(kHdrMiniFatCount, 1);
        Put32(kHdrFirstDifat, kEnd); // no DIFAT sectors
        Put32(kHdrDifatCount, 0);
        Put32(kHdrDifat, 0); // the FAT is sector 0
        for (std::size_t i = 1; i < 109; ++i)
            Put32(kHdrDifat + 4 * i, kFree);

        // FAT.
        for (std::uint32_t s = 0; s < sectorSize / 4; ++s)
            Put32(FatEntry(s), kFree);
        Put32(FatEntry(0), kFatMark); // the FAT itself
        Put32(FatEntry(1), 4);        // directory: 1 -> 4
        Put32(FatEntry(4), kEnd);
        Put32(FatEntry(2), kEnd); // mini FAT
        Put32(FatEntry(3), kEnd); // mini stream
        auto chain = WorkbookSectors();
        for (std::size_t i = 0; i < chain.size(); ++i)
            Put32(FatEntry(chain[i]), i + 1 < chain.size() ? chain[i + 1] : kEnd);

        // Mini FAT: Notes in mini sector 0, Data in mini sector 1.
        for (std::uint32_t m = 0; m < sectorSize / 4; ++m)
            Put32(MiniFatEntry(m), kFree);
        Put32(MiniFatEntry(0), kEnd);
        Put32(MiniFatEntry(1), kEnd);

        // Directory: unused slots first, then the five entries. The tree of the root's elements
        // in name order (shorter first): Sub < Notes < Workbook, rooted at Notes.
        std::uint32_t slots = 2 * (sectorSize / 128);
        for (std::uint32_t id = 0; id < slots; ++id) {
            Put32(Entry(id, kEntLeft), kFree);
            Put32(Entry(id, kEntRight), kFree);
            Put32(Entry(id, kEntChild), kFree);
        }
        PutEntry(kRoot, u"Root Entry", 5, 1, kFree, kFree, kNotes, 3, 128);
        PutEntry(kWorkbook, u"Workbook", 2, 0, kFree, kFree, kFree, chain[0], kWorkbookSize);
        PutEntry(kNotes, u"Notes", 2, 1, kSub, kWorkbook, kFree, 0, kNotesSize);
        PutEntry(kSub, u"Sub", 1, 0, kFree, kFree, kData, 0, 0);
        PutEntry(kData, u"Data", 2, 1, kFree, kFree, kFree, 1, kDataSize);

        // Contents.
        auto notes = Pattern(kNotesSize, 1);
        auto data = Pattern(kDataSize, 2);
        std::memcpy(&bytes[SectorOffset(3)], notes.data(), notes.size());
        std::memcpy(&bytes[SectorOffset(3) + 64], data.data(), data.size());
        auto workbook = Pattern(kWorkbookSize, 3);
        for (std::size_t i = 0; i < chain.size(); ++i) {
            std::size_t from = i * sectorSize;
            std::size_t n = std::min<std::size_t>(sectorSize, kWorkbookSize - from);
            std::memcpy(&bytes[SectorOffset(chain[i])], workbook.data() + from, n);
        }
    }
};

// The message of the failure `action` raises, or "" when it succeeds.
inline std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const orq::Error& error) {
        return error.what();
    }
    return "";
}

// Every element of the current storage, recursively, as "name(size)" and "name{...}" texts.
inline std::string Dump(TOle2Storage& storage) {
    std::string out;
    for (const TElementInfo& element : storage.List()) {
        if (!out.empty()) out += ' ';
        if (element.type == kElementStorage) {
            storage.Enter(element.name);
            out += element.name + "{" + Dump(storage) + "}";
            storage.Leave();
        } else {
            TOle2Stream stream(storage, element.name);
            auto bytes = stream.ReadAll();
            if (bytes.size() != element.size) out += "!size";
            out += element.name + "(" + std::to_string(element.size) + ")";
        }
    }
    return out;
}

// The same for a list of held elements.
inline std::string Dump(const TXlsStorageList& list) {
    std::string out;
    for (const TXlsStorage& item : list) {
        if (!out.empty()) out += ' ';
        if (!item.children.empty() || item.bytes.empty())
            out += item.name + "{" + Dump(item.children) + "}";
        else
            out += item.name + "(" + std::to_string(item.bytes.size()) + ")";
    }
    return out;
}

using orq::testing::TempDir;

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
}

// The CRC-32 of zlib, as olefile_listing.py computes it.
inline std::uint32_t Crc32(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The listing olefile_listing.py prints: "S path" per storage, "F path size checksum" per
// stream, sorted.
inline void ListInto(TOle2Storage& storage, const std::string& prefix,
                     std::vector<std::string>& lines) {
    for (const TElementInfo& element : storage.List()) {
        std::string path = prefix + element.name;
        if (element.type == kElementStorage) {
            lines.push_back("S " + path);
            storage.Enter(element.name);
            ListInto(storage, path + "/", lines);
            storage.Leave();
        } else {
            auto bytes = TOle2Stream(storage, element.name).ReadAll();
            char sum[9];
            std::snprintf(sum, sizeof sum, "%08x", static_cast<unsigned>(Crc32(bytes)));
            lines.push_back("F " + path + " " + std::to_string(bytes.size()) + " " + sum);
        }
    }
}

inline std::string Listing(TOle2Storage& storage) {
    std::vector<std::string> lines;
    ListInto(storage, "", lines);
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& line : lines)
        out += line + "\n";
    return out;
}

} // namespace orq::xls::testing
