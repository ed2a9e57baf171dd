#include "xls/sst.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace orq::xls {

void TSST::Clear() {
    area_.clear();
    entries_.clear();
    sorted_ = true;
}

void TSST::Read(const TBaseRecord& sst) {
    Clear();
    std::size_t stored = 0;
    for (const TBaseRecord* record = &sst; record; record = record->Continue.get())
        stored += record->Data.size();

    TContinuedReader in(sst);
    in.U32(); // total number of references: not needed
    const std::uint32_t unique = in.U32();
    // Every string takes at least 3 bytes of the record, so the stored size bounds what the
    // unique count may reserve.
    const std::size_t plausible = std::min<std::size_t>(unique, stored / 3);
    entries_.reserve(plausible);
    area_.reserve(stored + kHeaderSize * plausible);

    for (std::uint32_t i = 0; i < unique; ++i) {
        const std::size_t start = area_.size();
        if (start > std::numeric_limits<std::uint32_t>::max() - kHeaderSize)
            Fail(kMsgErrorReadingRecord);
        area_.resize(start + kHeaderSize);

        const std::uint16_t count = in.U16();
        const std::uint8_t options = in.U8();
        const std::size_t optionsAt = area_.size() + 2;
        AppendLE(area_, count);
        AppendLE(area_, options);
        std::uint16_t runCount = 0;
        std::uint32_t phonetic = 0;
        if (options & 0x08) {
            runCount = in.U16();
            AppendLE(area_, runCount);
        }
        if (options & 0x04) {
            phonetic = in.U32();
            AppendLE(area_, phonetic);
        }
        bool wide = (options & 0x01) != 0;
        const std::size_t rest =
            count * (wide ? std::size_t{2} : std::size_t{1}) + std::size_t{4} * runCount + phonetic;
        if (in.CurrentRemaining() >= rest) {
            // The whole string lies in the current record: one copy.
            auto bytes = in.CurrentBytes(rest);
            area_.insert(area_.end(), bytes.begin(), bytes.end());
        } else {
            in.AppendCharacters(count, wide, area_);
            if (wide) area_[optionsAt] = static_cast<std::uint8_t>(options | 0x01);
            in.AppendBytes(std::size_t{4} * runCount, area_);
            in.AppendBytes(phonetic, area_);
        }
        if (area_.size() > std::numeric_limits<std::uint32_t>::max()) Fail(kMsgErrorReadingRecord);
        entries_.push_back(static_cast<std::uint32_t>(start));
    }
    sorted_ = entries_.size() < 2;
}

TSST::Layout TSST::Decode(std::uint32_t position) const {
    Layout layout{};
    ByteReader in(area_, kMsgErrorReadingRecord);
    in.Seek(position + kHeaderSize);
    layout.count = in.U16();
    const std::uint8_t options = in.U8();
    layout.wide = (options & 0x01) != 0;
    if (options & 0x08) layout.runCount = in.U16();
    std::uint32_t phonetic = 0;
    if (options & 0x04) phonetic = in.U32();
    layout.characters = in.Position();
    layout.runs = layout.characters + layout.count * (layout.wide ? std::size_t{2} : 1);
    layout.end = layout.runs + std::size_t{4} * layout.runCount + phonetic;
    return layout;
}

std::u16string TSST::Text(std::uint32_t position) const {
    const Layout layout = Decode(position);
    const std::size_t bytes = layout.runs - layout.characters;
    auto characters = Slice(area_, layout.characters, bytes, kMsgErrorReadingRecord);
    std::u16string text(layout.count, u'\0');
    if (layout.wide) {
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(characters[2 * i] | (characters[2 * i + 1] << 8));
    } else {
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = characters[i];
    }
    return text;
}

std::span<const std::uint8_t> TSST::Runs(std::uint32_t position) const {
    const Layout layout = Decode(position);
    return Slice(area_, layout.runs, std::size_t{4} * layout.runCount, kMsgErrorReadingRecord);
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
