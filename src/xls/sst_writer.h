#pragma once

// Writing the shared-string table: the SST record with its CONTINUE records, and its index
// EXTSST. The table's entries are passed as pointers to their 12-byte headers, each followed by
// the string exactly as stored (character count u16, option byte, optional run count and phonetic
// size, characters, runs, phonetic block).

#include <cstddef>
#include <cstdint>
#include <span>

#include "xls/record_sink.h"

namespace orq::xls {

// Entry header: reference count u16 at 0; stream position of the written string u32 at 2; its
// offset inside its record (counted from the record's first header byte) u16 at 6; its index
// in the written table u32 at 8.
inline constexpr std::size_t kSstHeaderSize = 12;
inline constexpr std::uint16_t kIdSst = 0x00FC, kIdExtSst = 0x00FF, kIdContinue = 0x003C;

// The size in bytes of the stored string at the start of `bytes` (from its character count on);
// a string that does not fit in `bytes` fails with "Error reading record".
std::size_t SstStringSize(std::span<const std::uint8_t> bytes);

// One entry: its header, followed in memory by its string of `stringSize` bytes.
struct TSstEntryRef {
    std::uint8_t* header;
    std::size_t stringSize;
};

// Writes SST and CONTINUE records for the entries in order. Each entry's header receives its
// stream position (the sink position of its first byte), its offset in the record and its
// index. Records hold at most 8,224 data bytes; an entry never starts with fewer than 32 free
// bytes in a record, so its character count and option byte are never split; characters are
// continued in chunks of 8-bit or 16-bit characters, each chunk after the first preceded by its
// own option byte.
void WriteSst(TRecordSink& sink, std::span<const TSstEntryRef> entries);

// Writes the EXTSST record from the positions WriteSst noted in the entry headers.
void WriteExtSst(TRecordSink& sink, std::span<const TSstEntryRef> entries);

} // namespace orq::xls
