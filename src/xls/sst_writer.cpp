#include "xls/sst_writer.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/error.h"
#include "xls/byte_reader.h"
#include "xls/records.h"

namespace orq::xls {
namespace {

constexpr std::size_t kRecordBuffer = 8228; // 4 header bytes and at most 8,224 data bytes
constexpr std::size_t kMinFreeForEntry = 32;

// The parts of a stored string.
struct TStringParts {
    std::uint16_t count = 0;
    std::uint8_t options = 0;
    std::size_t headerSize = 0; // count, option byte, run count, phonetic size
    std::span<const std::uint8_t> characters;
    std::span<const std::uint8_t> runs;
    std::span<const std::uint8_t> phonetic;
};

TStringParts Split(std::span<const std::uint8_t> string) {
    ByteReader reader(string, kMsgErrorReadingRecord);
    TStringParts parts;
    parts.count = reader.U16();
    parts.options = reader.U8();
    std::uint16_t runCount = 0;
    std::uint32_t phoneticSize = 0;
    if (parts.options & 0x08) runCount = reader.U16();
    if (parts.options & 0x04) phoneticSize = reader.U32();
    parts.headerSize = reader.Position();
    parts.characters =
        reader.Bytes(static_cast<std::size_t>(parts.count) * ((parts.options & 0x01) ? 2 : 1));
    parts.runs = reader.Bytes(static_cast<std::size_t>(runCount) * 4);
    parts.phonetic = reader.Bytes(phoneticSize);
    return parts;
}

// The record being built: SST first, then CONTINUE records.
class TSstBuffer {
public:
    explicit TSstBuffer(TRecordSink& sink) : sink_(sink) { Begin(kIdSst); }

    std::size_t Free() const { return kRecordBuffer - length_; }
    std::size_t Length() const { return length_; }
    std::uint64_t StreamPosition() const { return start_ + length_; }
    std::uint8_t* At(std::size_t offset) { return buffer_.data() + offset; }

    void Put(std::span<const std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(length_));
        length_ += bytes.size();
    }
    void PutByte(std::uint8_t b) { buffer_[length_++] = b; }
    template <typename T> void PutLE(T value) {
        StoreLE(std::span<std::uint8_t>(buffer_), length_, value);
        length_ += sizeof(T);
    }

    void Flush() {
        StoreLE(std::span<std::uint8_t>(buffer_), 2, static_cast<std::uint16_t>(length_ - 4));
        sink_.Write(std::span<const std::uint8_t>(buffer_.data(), length_));
    }
    void Continue() {
        Flush();
        Begin(kIdContinue);
    }

private:
    void Begin(std::uint16_t id) {
        start_ = sink_.Position();
        StoreLE(std::span<std::uint8_t>(buffer_), 0, id);
        length_ = 4;
    }

    TRecordSink& sink_;
    std::array<std::uint8_t, kRecordBuffer> buffer_{};
    std::size_t length_ = 0;
    std::uint64_t start_ = 0;
};

// Writes runs or a phonetic block: whole 4-byte units per record, continued without option bytes.
void PutContinued(TSstBuffer& out, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const std::size_t free = out.Free();
        const std::size_t take = bytes.size() <= free ? bytes.size() : free - free % 4;
        if (take == 0) {
            out.Continue();
            continue;
        }
        out.Put(bytes.first(take));
        bytes = bytes.subspan(take);
    }
}

void PutEntry(TSstBuffer& out, const TSstEntryRef& entry, std::uint32_t index) {
    std::uint8_t* header = entry.header;
    const std::span<const std::uint8_t> string(header + kSstHeaderSize, entry.stringSize);
    const TStringParts parts = Split(string);
    if (out.Free() < kMinFreeForEntry) out.Continue();

    const std::span<std::uint8_t> head(header, kSstHeaderSize);
    StoreLE(head, 2, static_cast<std::uint32_t>(out.StreamPosition()));
    StoreLE(head, 6, static_cast<std::uint16_t>(out.Length()));
    StoreLE(head, 8, index);

    out.Put(string.first(parts.headerSize));
    std::size_t optionAt = out.Length() - parts.headerSize + 2;

    const bool wide = (parts.options & 0x01) != 0;
    const std::uint8_t* chars = parts.characters.data();
    std::size_t remaining = parts.count;
    while (remaining > 0) {
        const std::size_t free = out.Free();
        const std::size_t a = std::min(remaining, free);
        const std::size_t b = std::min(remaining, free / 2);
        std::size_t n;
        if (!wide) {
            out.Put({chars, a});
            chars += a;
            *out.At(optionAt) &= 0xFE;
            n = a;
        } else {
            std::size_t c = 0;
            while (c < a && chars[2 * c + 1] == 0)
                ++c;
            if (c >= b) {
                for (std::size_t i = 0; i < c; ++i)
                    out.PutByte(chars[2 * i]);
                *out.At(optionAt) &= 0xFE;
                n = c;
            } else {
                out.Put({chars, 2 * b});
                *out.At(optionAt) |= 0x01;
                n = b;
            }
            chars += 2 * n;
        }
        remaining -= n;
        if (remaining > 0) {
            out.Continue();
            optionAt = out.Length();
            out.PutByte(0);
        }
    }
    PutContinued(out, parts.runs);
    PutContinued(out, parts.phonetic);
}

} // namespace

std::size_t SstStringSize(std::span<const std::uint8_t> bytes) {
    const TStringParts parts = Split(bytes);
    return parts.headerSize + parts.characters.size() + parts.runs.size() + parts.phonetic.size();
}

void WriteSst(TRecordSink& sink, std::span<const TSstEntryRef> entries) {
    std::uint32_t total = 0;
    for (const TSstEntryRef& entry : entries)
        total += ReadU16LE({entry.header, kSstHeaderSize}, 0);
    TSstBuffer out(sink);
    out.PutLE(total);
    out.PutLE(static_cast<std::uint32_t>(entries.size()));
    std::uint32_t index = 0;
    for (const TSstEntryRef& entry : entries)
        PutEntry(out, entry, index++);
    out.Flush();
}

void WriteExtSst(TRecordSink& sink, std::span<const TSstEntryRef> entries) {
    const std::size_t n = entries.size();
    const std::size_t perBucket = std::max<std::size_t>(n / 128 + 1, 8);
    const std::size_t buckets = n == 0 ? 0 : (n - 1) / perBucket + 1;
    std::vector<std::uint8_t> data;
    data.reserve(2 + 8 * buckets);
    AppendLE(data, static_cast<std::uint16_t>(perBucket));
    for (std::size_t i = 0; i < buckets; ++i) {
        const std::span<const std::uint8_t> head(entries[i * perBucket].header, kSstHeaderSize);
        AppendLE(data, ReadU32LE(head, 2));
        AppendLE(data, ReadU16LE(head, 6));
        AppendLE(data, static_cast<std::uint16_t>(0));
    }
    sink.Record(kIdExtSst, data);
}

} // namespace orq::xls
