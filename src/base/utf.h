#pragma once

// The program's one set of text conversions: UTF-16, little-endian and big-endian UTF-16 bytes,
// 8-bit (Latin-1, Windows-1252) characters to UTF-8, and UTF-8 to UTF-16 and to code points.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orq {

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t code);

// Writes UTF-16 text over `out` as UTF-8. A surrogate without its partner becomes U+FFFD.
void Utf16ToUtf8Into(std::u16string_view text, std::string& out);

// The same for UTF-16 code units stored little-endian, two bytes each.
void Utf16LeToUtf8Into(std::span<const std::uint8_t> bytes, std::string& out);

// Writes 8-bit characters (each the code point of its value) over `out` as UTF-8.
void Latin1ToUtf8Into(std::span<const std::uint8_t> bytes, std::string& out);

// The same for UTF-16 code units stored big-endian.
void Utf16BeToUtf8Into(std::span<const std::uint8_t> bytes, std::string& out);

// Writes Windows-1252 characters over `out` as UTF-8 (the five unassigned bytes as U+FFFD).
void Windows1252ToUtf8Into(std::span<const std::uint8_t> bytes, std::string& out);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF).
bool IsUtf8(std::span<const std::uint8_t> bytes);

// UTF-16 code units (unpaired surrogates as U+FFFD) to UTF-8.
std::string ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16; a byte that starts no valid sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// UTF-8 to code points, leniently: a byte that starts no complete sequence stands for itself
// (its value as the code point), so that a search over the result sees every byte of the text.
std::u32string Utf8ToCodePoints(std::string_view text);

} // namespace orq
