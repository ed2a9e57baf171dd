#pragma once

// One checked little-endian cursor over a byte span. Every read of file data in the readers goes
// through ByteReader or the fixed-offset helpers below; a read that would pass the end of the
// span throws orq::Error with the message the reader was given, and never touches memory
// outside the span.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include "base/error.h"

namespace orq::xls {

// The message of a short read when the caller names none.
inline constexpr const char* kReadErrorMessage = "Error reading Excel records. File invalid";

namespace detail {

template <typename T> inline T LoadLE(const std::uint8_t* p) {
    static_assert(std::is_trivially_copyable_v<T>);
    if constexpr (std::endian::native == std::endian::little) {
        T value;
        std::memcpy(&value, p, sizeof(T));
        return value;
    } else {
        std::uint8_t swapped[sizeof(T)];
        for (std::size_t i = 0; i < sizeof(T); ++i)
            swapped[i] = p[sizeof(T) - 1 - i];
        T value;
        std::memcpy(&value, swapped, sizeof(T));
        return value;
    }
}

[[noreturn]] inline void ShortRead(std::string_view message) {
    throw Error(std::string(message));
}

// True when [offset, offset + count) lies inside a span of `size` bytes; safe against overflow.
inline bool Fits(std::size_t size, std::size_t offset, std::size_t count) {
    return offset <= size && count <= size - offset;
}

} // namespace detail

class ByteReader {
public:
    // The message must outlive the reader (a string literal or a string the caller keeps).
    explicit ByteReader(std::span<const std::uint8_t> data,
                        std::string_view message = kReadErrorMessage)
        : data_(data), message_(message) {}

    std::uint8_t U8() { return Take<std::uint8_t>(); }
    std::uint16_t U16() { return Take<std::uint16_t>(); }
    std::uint32_t U32() { return Take<std::uint32_t>(); }
    std::uint64_t U64() { return Take<std::uint64_t>(); }
    std::int8_t I8() { return Take<std::int8_t>(); }
    std::int16_t I16() { return Take<std::int16_t>(); }
    std::int32_t I32() { return Take<std::int32_t>(); }
    std::int64_t I64() { return Take<std::int64_t>(); }
    double F64() { return Take<double>(); }

    // The next `count` bytes, as a view into the underlying data.
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        Require(count);
        auto out = data_.subspan(position_, count);
        position_ += count;
        return out;
    }

    void Skip(std::size_t count) {
        Require(count);
        position_ += count;
    }

    // Moves to an absolute position; the end of the data is a valid position.
    void Seek(std::size_t position) {
        if (position > data_.size()) detail::ShortRead(message_);
        position_ = position;
    }

    std::size_t Position() const { return position_; }
    std::size_t Remaining() const { return data_.size() - position_; }
    std::size_t Size() const { return data_.size(); }
    bool AtEnd() const { return position_ == data_.size(); }
    std::span<const std::uint8_t> Data() const { return data_; }
    std::string_view Message() const { return message_; }

    // Fails with the reader's message unless `count` more bytes are there.
    void Require(std::size_t count) const {
        if (count > data_.size() - position_) detail::ShortRead(message_);
    }

private:
    template <typename T> T Take() {
        Require(sizeof(T));
        T value = detail::LoadLE<T>(data_.data() + position_);
        position_ += sizeof(T);
        return value;
    }

    std::span<const std::uint8_t> data_;
    std::string_view message_;
    std::size_t position_ = 0;
};

// Fixed-offset access with a checked bound.
template <typename T>
inline T ReadLE(std::span<const std::uint8_t> data, std::size_t offset,
                std::string_view message = kReadErrorMessage) {
    if (!detail::Fits(data.size(), offset, sizeof(T))) detail::ShortRead(message);
    return detail::LoadLE<T>(data.data() + offset);
}

inline std::uint8_t ReadU8(std::span<const std::uint8_t> data, std::size_t offset,
                           std::string_view message = kReadErrorMessage) {
    return ReadLE<std::uint8_t>(data, offset, message);
}
inline std::uint16_t ReadU16LE(std::span<const std::uint8_t> data, std::size_t offset,
                               std::string_view message = kReadErrorMessage) {
    return ReadLE<std::uint16_t>(data, offset, message);
}
inline std::uint32_t ReadU32LE(std::span<const std::uint8_t> data, std::size_t offset,
                               std::string_view message = kReadErrorMessage) {
    return ReadLE<std::uint32_t>(data, offset, message);
}
inline std::uint64_t ReadU64LE(std::span<const std::uint8_t> data, std::size_t offset,
                               std::string_view message = kReadErrorMessage) {
    return ReadLE<std::uint64_t>(data, offset, message);
}
inline std::int16_t ReadI16LE(std::span<const std::uint8_t> data, std::size_t offset,
                              std::string_view message = kReadErrorMessage) {
    return ReadLE<std::int16_t>(data, offset, message);
}
inline std::int32_t ReadI32LE(std::span<const std::uint8_t> data, std::size_t offset,
                              std::string_view message = kReadErrorMessage) {
    return ReadLE<std::int32_t>(data, offset, message);
}
inline double ReadF64LE(std::span<const std::uint8_t> data, std::size_t offset,
                        std::string_view message = kReadErrorMessage) {
    return ReadLE<double>(data, offset, message);
}

// A checked sub-range [offset, offset + count) of the data.
inline std::span<const std::uint8_t> Slice(std::span<const std::uint8_t> data, std::size_t offset,
                                           std::size_t count,
                                           std::string_view message = kReadErrorMessage) {
    if (!detail::Fits(data.size(), offset, count)) detail::ShortRead(message);
    return data.subspan(offset, count);
}

// A field of a fixed-layout structure in a file: its offset from the structure's start and its
// width in bytes. The layouts are declared as tables of these (cfb_layout.h, biff_layout.h).
struct Field {
    std::size_t offset;
    std::size_t size;
};

// Where the field ends: the least size of a structure that holds it.
constexpr std::size_t End(Field field) {
    return field.offset + field.size;
}

// True when the fields follow each other without a gap and end at `total`.
constexpr bool Tiles(std::initializer_list<Field> fields, std::size_t total) {
    std::size_t at = 0;
    for (const Field& field : fields) {
        if (field.offset != at) return false;
        at += field.size;
    }
    return at == total;
}

// The unsigned type of a field's width.
template <Field F>
using FieldType = std::conditional_t<
    F.size == 1, std::uint8_t,
    std::conditional_t<F.size == 2, std::uint16_t,
                       std::conditional_t<F.size == 4, std::uint32_t, std::uint64_t>>>;

// The field of the structure at `base` of `data`, checked against the end of `data`.
template <Field F>
inline FieldType<F> Load(std::span<const std::uint8_t> data, std::size_t base = 0,
                         std::string_view message = kReadErrorMessage) {
    static_assert(F.size == 1 || F.size == 2 || F.size == 4 || F.size == 8);
    return ReadLE<FieldType<F>>(data, base + F.offset, message);
}

// Little-endian stores into a growing buffer, for the writers.
template <typename Buffer, typename T> inline void AppendLE(Buffer& out, T value) {
    static_assert(std::is_integral_v<T> || std::is_floating_point_v<T>);
    std::uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    if constexpr (std::endian::native != std::endian::little) {
        for (std::size_t i = 0; i < sizeof(T) / 2; ++i)
            std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
    }
    // Grown, then filled: the same bytes as an insert of the range, which some optimisers take
    // for a write past the buffer.
    const std::size_t at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, bytes, sizeof(T));
}

// Stores at a fixed offset of a buffer the writer has already sized; the caller guarantees room.
template <typename T>
inline void StoreLE(std::span<std::uint8_t> out, std::size_t offset, T value) {
    std::uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    if constexpr (std::endian::native != std::endian::little) {
        for (std::size_t i = 0; i < sizeof(T) / 2; ++i)
            std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
    }
    if (!detail::Fits(out.size(), offset, sizeof(T))) detail::ShortRead(kReadErrorMessage);
    std::memcpy(out.data() + offset, bytes, sizeof(T));
}

// Stores the field of the structure at `base`; the value's type must have the field's width.
template <Field F, typename T>
inline void Store(std::span<std::uint8_t> out, std::size_t base, T value) {
    static_assert(F.size == 1 || F.size == 2 || F.size == 4 || F.size == 8);
    static_assert(std::is_same_v<T, FieldType<F>>, "the value must have the field's width");
    StoreLE(out, base + F.offset, value);
}

} // namespace orq::xls
