#pragma once

// UTF-16 and 8-bit (Latin-1) characters of a workbook string as UTF-8 text.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orq::xls {

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t code);

// Writes UTF-16 text over `out` as UTF-8. A surrogate without its partner becomes U+FFFD.
void Utf16ToUtf8Into(std::u16string_view text, std::string& out);

// The same for UTF-16 code units stored little-endian, two bytes each.
void Utf16LeToUtf8Into(std::span<const std::uint8_t> bytes, std::string& out);

// Writes 8-bit characters (each the code point of its value) over `out` as UTF-8.
void Latin1ToUtf8Into(std::span<const std::uint8_t> bytes, std::string& out);

} // namespace orq::xls
