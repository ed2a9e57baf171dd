#pragma once

// The shared-string table: every string of the SST record packed into one byte area. Each entry
// is a 12-byte header followed by the string as the file stores it (character count u16, option
// byte, run count, phonetic size, characters, runs, phonetic block). Cells refer to an entry by
// its position in the area, so reordering the entry list never changes a cell.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "xls/records.h"

namespace orq::xls {

class TSST {
public:
    // Entry header fields (offsets inside the 12-byte header).
    static constexpr std::size_t kRefCountOffset = 0;  // u16
    static constexpr std::size_t kStreamPosOffset = 2; // u32, noted by the writer for EXTSST
    static constexpr std::size_t kRecordPosOffset = 6; // u16, noted by the writer for EXTSST
    static constexpr std::size_t kIndexOffset = 8;     // u32, the entry's index when written
    static constexpr std::size_t kHeaderSize = 12;
    // A reference count that reached this value stays there: the entry is never dropped.
    static constexpr std::uint16_t kRefCountSaturated = 0xFFFF;

    void Clear();
    // Parses an SST record and its CONTINUE chain; the n-th string becomes entry n.
    void Read(const TBaseRecord& sst);

    std::size_t Count() const { return entries_.size(); }
    // The area position of entry `index` in the current entry order.
    std::uint32_t EntryPosition(std::size_t index) const { return entries_[index]; }
    const std::vector<std::uint32_t>& Entries() const { return entries_; }
    std::vector<std::uint32_t>& Entries() { return entries_; }
    std::span<const std::uint8_t> Area() const { return area_; }
    std::vector<std::uint8_t>& MutableArea() { return area_; }

    // The characters of the entry at `position`, without runs and phonetic block.
    std::u16string Text(std::uint32_t position) const;
    // The same characters written over `out` as UTF-8.
    void TextUtf8(std::uint32_t position, std::string& out) const;
    // The entry's rich-text runs (character index u16, font index u16 each).
    std::span<const std::uint8_t> Runs(std::uint32_t position) const;
    // The string bytes of the entry as stored (without the 12-byte header).
    std::span<const std::uint8_t> StringBytes(std::uint32_t position) const;

    // A hint that the entry at `position` (or, while reading, string `index`) is wanted soon.
    void Prefetch(std::uint32_t position) const {
        if (position < area_.size()) __builtin_prefetch(area_.data() + position + kHeaderSize);
    }
    void PrefetchRead(std::uint32_t index) const {
        if (index < readEntries_.size()) __builtin_prefetch(readEntries_.data() + index);
    }

    std::uint16_t RefCount(std::uint32_t position) const;
    void AddRef(std::uint32_t position);
    void Release(std::uint32_t position);

    // While a workbook is read: the area position of string `index` ("Error reading Excel
    // records. File invalid" when there is no such string), counting one more reference to it.
    // The counts are tallied by index and go into the entry headers in one pass when reading
    // ends (ApplyReadReferences), which spares every cell a visit to its string's header.
    std::uint32_t ResolveRead(std::uint32_t index);
    void ApplyReadReferences();

    // Orders the entry list by content: shorter strings first, equal sizes by their bytes from
    // the character count on. Done once, when something first needs the order (a writer adding
    // a string searches it by bisection); reading alone never needs it.
    void SortByContent();
    bool Sorted() const { return sorted_; }

private:
    struct Layout {
        std::uint16_t count;
        bool wide;
        std::size_t characters; // offset of the characters in the area
        std::size_t runs;       // offset of the runs
        std::uint16_t runCount;
        std::size_t end; // one past the entry's last byte
    };
    Layout Decode(std::uint32_t position) const;

    std::vector<std::uint8_t> area_;
    std::vector<std::uint32_t> entries_;
    // While reading, by entry index: the entry's position and the references counted so far
    // (side by side, so that resolving a cell touches one place).
    struct ReadEntry {
        std::uint32_t position;
        std::uint32_t references;
    };
    std::vector<ReadEntry> readEntries_;
    bool sorted_ = true;
};

} // namespace orq::xls
