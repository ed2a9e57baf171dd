#include "xls/sst.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "base/memory.h"
#include "base/utf.h"

namespace orq::xls {

void TSST::Clear() {
    area_.clear();
    entries_.clear();
    readEntries_.clear();
    sorted_ = true;
}

namespace {
constexpr std::uint8_t kZeroHeader[TSST::kHeaderSize] = {};
} // namespace

void TSST::Read(const TBaseRecord& sst) {
    Clear();
    std::size_t stored = 0;
    for (const TBaseRecord* record = &sst; record; record = record->Continue.get())
        stored += record->Data.size();

    TContinuedReader in(sst);
    // The counts of biff::sst, then the strings.
    in.U32(); // the total number of references: not needed
    const std::uint32_t unique = in.U32();
    // Every string takes at least 3 bytes of the record, so the stored size bounds what the
    // unique count may reserve.
    const std::size_t plausible = std::min<std::size_t>(unique, stored / 3);
    entries_.reserve(plausible);
    area_.reserve(stored + kHeaderSize * plausible);
    AdviseHugePages(area_.data(), area_.capacity());

    for (std::uint32_t i = 0; i < unique; ++i) {
        const std::size_t start = area_.size();
        if (start > std::numeric_limits<std::uint32_t>::max() - kHeaderSize)
            Fail(kMsgErrorReadingRecord);

        // The string's own header: character count, options, run count, phonetic size.
        std::uint8_t head[9];
        const std::uint16_t count = in.U16();
        const std::uint8_t options = in.U8();
        StoreLE<std::uint16_t>(head, 0, count);
        head[2] = options;
        std::size_t headSize = 3;
        std::uint16_t runCount = 0;
        std::uint32_t phonetic = 0;
        if (options & biff::kStringRichText) {
            runCount = in.U16();
            StoreLE<std::uint16_t>(head, headSize, runCount);
            headSize += 2;
        }
        if (options & biff::kStringPhonetic) {
            phonetic = in.U32();
            StoreLE<std::uint32_t>(head, headSize, phonetic);
            headSize += 4;
        }
        bool wide = (options & biff::kStringWide) != 0;
        const std::size_t rest =
            count * (wide ? std::size_t{2} : std::size_t{1}) + biff::kRunSize * runCount + phonetic;
        area_.insert(area_.end(), kZeroHeader, kZeroHeader + kHeaderSize);
        area_.insert(area_.end(), head, head + headSize);
        if (in.CurrentRemaining() >= rest) {
            // The whole string lies in the current record: one copy.
            auto bytes = in.CurrentBytes(rest);
            area_.insert(area_.end(), bytes.begin(), bytes.end());
        } else {
            in.AppendCharacters(count, wide, area_);
            if (wide)
                area_[start + kHeaderSize + 2] =
                    static_cast<std::uint8_t>(options | biff::kStringWide);
            in.AppendBytes(biff::kRunSize * runCount, area_);
            in.AppendBytes(phonetic, area_);
        }
        if (area_.size() > std::numeric_limits<std::uint32_t>::max()) Fail(kMsgErrorReadingRecord);
        entries_.push_back(static_cast<std::uint32_t>(start));
    }
    sorted_ = entries_.size() < 2;
    readEntries_.resize(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i)
        readEntries_[i] = {entries_[i], 0};
}

std::uint32_t TSST::ResolveRead(std::uint32_t index) {
    if (index >= readEntries_.size()) Fail(kReadErrorMessage);
    ReadEntry& entry = readEntries_[index];
    ++entry.references;
    return entry.position;
}

void TSST::ApplyReadReferences() {
    for (const ReadEntry& entry : readEntries_) {
        const std::uint32_t count = RefCount(entry.position) + entry.references;
        StoreLE<std::uint16_t>(
            area_, entry.position + kRefCountOffset,
            static_cast<std::uint16_t>(std::min<std::uint32_t>(count, kRefCountSaturated)));
    }
    readEntries_.clear();
    readEntries_.shrink_to_fit();
}

namespace {

// The header of the string of an entry: character count, options, and the run count and the
// phonetic size where the options say they are there.
struct StringHeader {
    std::uint16_t count = 0;
    bool wide = false;
    std::uint16_t runCount = 0;
    std::uint32_t phonetic = 0;
};

// Reads the header of the entry at `position`; leaves the cursor on its first character. Inlined:
// it runs for every text cell a lookup returns.
[[gnu::always_inline]] inline StringHeader ReadStringHeader(ByteReader& in,
                                                            std::uint32_t position) {
    StringHeader header;
    in.Seek(std::size_t{position} + TSST::kHeaderSize);
    header.count = in.U16();
    const std::uint8_t options = in.U8();
    header.wide = (options & biff::kStringWide) != 0;
    if (options & biff::kStringRichText) header.runCount = in.U16();
    if (options & biff::kStringPhonetic) header.phonetic = in.U32();
    return header;
}

std::size_t CharacterBytes(const StringHeader& header) {
    return header.count * (header.wide ? std::size_t{2} : std::size_t{1});
}

// Where the characters of a string entry start and how they are stored.
struct CharacterView {
    std::span<const std::uint8_t> bytes;
    bool wide = false;
};

// Read for every text cell a lookup returns: the string's header and one checked view of its
// characters.
CharacterView Characters(std::span<const std::uint8_t> area, std::uint32_t position) {
    ByteReader in(area, kMsgErrorReadingRecord);
    const StringHeader header = ReadStringHeader(in, position);
    return {in.Bytes(CharacterBytes(header)), header.wide};
}

} // namespace

TSST::Layout TSST::Decode(std::uint32_t position) const {
    ByteReader in(area_, kMsgErrorReadingRecord);
    const StringHeader header = ReadStringHeader(in, position);
    Layout layout{};
    layout.count = header.count;
    layout.wide = header.wide;
    layout.runCount = header.runCount;
    layout.characters = in.Position();
    layout.runs = layout.characters + CharacterBytes(header);
    layout.end = layout.runs + biff::kRunSize * header.runCount + header.phonetic;
    return layout;
}

std::u16string TSST::Text(std::uint32_t position) const {
    const CharacterView view = Characters(area_, position);
    if (!view.wide) {
        // 8-bit characters are the code units of the same value.
        return std::u16string(view.bytes.begin(), view.bytes.end());
    }
    const std::size_t count = view.bytes.size() / 2;
    std::u16string text(count, u'\0');
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(text.data(), view.bytes.data(), view.bytes.size());
    } else {
        for (std::size_t i = 0; i < count; ++i)
            text[i] = static_cast<char16_t>(view.bytes[2 * i] | (view.bytes[2 * i + 1] << 8));
    }
    return text;
}

void TSST::TextUtf8(std::uint32_t position, std::string& out) const {
    const CharacterView view = Characters(area_, position);
    if (view.wide)
        Utf16LeToUtf8Into(view.bytes, out);
    else
        Latin1ToUtf8Into(view.bytes, out);
}

std::span<const std::uint8_t> TSST::Runs(std::uint32_t position) const {
    const Layout layout = Decode(position);
    return Slice(area_, layout.runs, biff::kRunSize * layout.runCount, kMsgErrorReadingRecord);
}

std::span<const std::uint8_t> TSST::StringBytes(std::uint32_t position) const {
    const Layout layout = Decode(position);
    const std::size_t begin = position + kHeaderSize;
    return Slice(area_, begin, layout.end - begin, kMsgErrorReadingRecord);
}

std::uint16_t TSST::RefCount(std::uint32_t position) const {
    return ReadU16LE(area_, position + kRefCountOffset);
}

void TSST::AddRef(std::uint32_t position) {
    const std::uint16_t count = RefCount(position);
    if (count != kRefCountSaturated)
        StoreLE<std::uint16_t>(area_, position + kRefCountOffset,
                               static_cast<std::uint16_t>(count + 1));
}

void TSST::Release(std::uint32_t position) {
    const std::uint16_t count = RefCount(position);
    if (count != kRefCountSaturated && count > 0)
        StoreLE<std::uint16_t>(area_, position + kRefCountOffset,
                               static_cast<std::uint16_t>(count - 1));
}

void TSST::SortByContent() {
    if (sorted_) return;
    std::sort(entries_.begin(), entries_.end(), [this](std::uint32_t a, std::uint32_t b) {
        auto left = StringBytes(a);
        auto right = StringBytes(b);
        if (left.size() != right.size()) return left.size() < right.size();
        return std::memcmp(left.data(), right.data(), left.size()) < 0;
    });
    sorted_ = true;
}

} // namespace orq::xls
