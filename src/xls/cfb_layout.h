#pragma once

// The compound-file format, as its bytes lie on disk. Every number is little-endian.
//
//   header        512 bytes; in a version-4 file it fills the whole first 4,096-byte sector
//   sector 0      1 << sector shift bytes
//   sector 1      ...sector n starts at byte (n + 1) << sector shift
//
// Sectors are chained by the FAT, an array of 32-bit sector ids: the entry of a sector is the
// next sector of its chain, or one of the special ids below. The FAT's own sectors are listed by
// the DIFAT: the first 109 ids in the header, the rest in a chain of DIFAT sectors, each holding
// (sector size / 4 - 1) ids and, in its last four bytes, the next DIFAT sector.
//
// The directory is a chain of 128-byte entries. Entry 0 is the root storage; its stream is the
// mini stream, which holds the streams shorter than the mini-stream cutoff in 64-byte mini
// sectors, chained by the mini FAT (a chain of regular sectors laid out like the FAT). The
// elements of a storage form a red-black search tree in the name order (cfb_names.h), linked
// through each entry's left and right siblings; the storage's child link is the tree's root.
//
// Fields are given as {offset, size in bytes} (Field, byte_reader.h); the comment says what the
// field means and which values this program reads and writes.

#include <cstddef>
#include <cstdint>

#include "xls/byte_reader.h"

namespace orq::xls::cfb {

// ---- Sector ids ------------------------------------------------------------------------------

inline constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA; // the highest id of a real sector
inline constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;      // FAT entry of a DIFAT sector
inline constexpr std::uint32_t kFatSector = 0xFFFFFFFD;        // FAT entry of a FAT sector
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;       // the last sector of a chain
inline constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;       // an unused sector
// A directory link that points nowhere (no sibling, no child).
inline constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

// ---- Header ----------------------------------------------------------------------------------

inline constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
inline constexpr std::size_t kHeaderSize = 512;
// DIFAT entries held in the header itself.
inline constexpr std::size_t kHeaderDifatCount = 109;

inline constexpr std::uint16_t kMinorVersion = 0x003E;
inline constexpr std::uint16_t kByteOrderMark = 0xFFFE;
// Version 3 uses 512-byte sectors (shift 9), version 4 4,096-byte sectors (shift 12).
inline constexpr std::uint16_t kVersion3 = 3;
inline constexpr std::uint16_t kVersion3SectorShift = 9;
inline constexpr std::uint16_t kVersion4 = 4;
inline constexpr std::uint16_t kVersion4SectorShift = 12;

inline constexpr std::uint32_t kMiniSectorShift = 6;
inline constexpr std::uint32_t kMiniSectorSize = 1u << kMiniSectorShift;
// Streams shorter than this live in the mini stream.
inline constexpr std::uint64_t kMiniStreamCutoff = 4096;

namespace header {
inline constexpr Field Signature{0x00, 8};            // kSignature
inline constexpr Field Clsid{0x08, 16};               // zero
inline constexpr Field MinorVersion{0x18, 2};         // kMinorVersion (not checked)
inline constexpr Field MajorVersion{0x1A, 2};         // 3 or 4
inline constexpr Field ByteOrder{0x1C, 2};            // kByteOrderMark
inline constexpr Field SectorShift{0x1E, 2};          // 9 (version 3) or 12 (version 4)
inline constexpr Field MiniSectorShift{0x20, 2};      // kMiniSectorShift
inline constexpr Field Reserved{0x22, 6};             // zero
inline constexpr Field DirectorySectorCount{0x28, 4}; // zero in version 3 (not checked)
inline constexpr Field FatSectorCount{0x2C, 4};       // sectors of the FAT
inline constexpr Field FirstDirectorySector{0x30, 4}; // start of the directory chain
inline constexpr Field TransactionSignature{0x34, 4}; // zero (not read)
inline constexpr Field MiniStreamCutoff{0x38, 4};     // kMiniStreamCutoff
inline constexpr Field FirstMiniFatSector{0x3C, 4};   // start of the mini FAT, kEndOfChain: none
inline constexpr Field MiniFatSectorCount{0x40, 4};   // sectors of the mini FAT (not checked)
inline constexpr Field FirstDifatSector{0x44, 4};     // start of the DIFAT chain, or kEndOfChain
inline constexpr Field DifatSectorCount{0x48, 4};     // sectors of the DIFAT chain (not checked)
inline constexpr Field Difat{0x4C, 4 * kHeaderDifatCount}; // the first FAT sectors, kFreeSector
                                                           // after the last
static_assert(Tiles({Signature, Clsid, MinorVersion, MajorVersion, ByteOrder, SectorShift,
                     MiniSectorShift, Reserved, DirectorySectorCount, FatSectorCount,
                     FirstDirectorySector, TransactionSignature, MiniStreamCutoff,
                     FirstMiniFatSector, MiniFatSectorCount, FirstDifatSector, DifatSectorCount,
                     Difat},
                    kHeaderSize));
} // namespace header

// ---- Directory entry -------------------------------------------------------------------------

inline constexpr std::size_t kDirEntrySize = 128;
// The longest element name in UTF-16 units, without the terminating zero.
inline constexpr std::size_t kMaxNameUnits = 31;
// The name of entry 0 as this program writes it (readers ignore it).
inline constexpr const char16_t* kRootEntryName = u"Root Entry";

// Entry types.
inline constexpr std::uint8_t kTypeUnused = 0;
inline constexpr std::uint8_t kTypeStorage = 1;
inline constexpr std::uint8_t kTypeStream = 2;
inline constexpr std::uint8_t kTypeRoot = 5;
// Node colours of the red-black tree.
inline constexpr std::uint8_t kColorRed = 0;
inline constexpr std::uint8_t kColorBlack = 1;

namespace entry {
inline constexpr Field Name{0x00, 64};        // UTF-16, zero-terminated, kMaxNameUnits at most
inline constexpr Field NameLength{0x40, 2};   // bytes of the name, the terminating zero included
inline constexpr Field Type{0x42, 1};         // kTypeUnused, kTypeStorage, kTypeStream, kTypeRoot
inline constexpr Field Color{0x43, 1};        // kColorRed or kColorBlack (not checked)
inline constexpr Field Left{0x44, 4};         // left sibling, or kNoStream
inline constexpr Field Right{0x48, 4};        // right sibling, or kNoStream
inline constexpr Field Child{0x4C, 4};        // storages: root of the elements' tree, or kNoStream
inline constexpr Field Clsid{0x50, 16};       // zero (not read)
inline constexpr Field StateBits{0x60, 4};    // zero (not read)
inline constexpr Field CreationTime{0x64, 8}; // zero (not read)
inline constexpr Field ModifiedTime{0x6C, 8}; // zero (not read)
inline constexpr Field StartSector{0x74, 4};  // streams: first (mini) sector; root: mini stream
inline constexpr Field Size{0x78, 8};         // stream bytes; version 3: only the low 32 bits
static_assert(Tiles({Name, NameLength, Type, Color, Left, Right, Child, Clsid, StateBits,
                     CreationTime, ModifiedTime, StartSector, Size},
                    kDirEntrySize));
static_assert(Name.size == 2 * (kMaxNameUnits + 1));
} // namespace entry

// How many sectors holding `per` items each take `count` items (bytes, FAT entries, ...).
constexpr std::uint64_t DivCeil(std::uint64_t count, std::uint64_t per) {
    return count / per + (count % per != 0 ? 1 : 0);
}

} // namespace orq::xls::cfb
