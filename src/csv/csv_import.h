#pragma once

// The import component of a processing list saved as text (comma-separated values): RFC 4180
// records with quoted fields and line ends inside quotes; UTF-8 with or without its byte-order
// mark, UTF-16 with its mark, anything else read as Windows-1252; the delimiter (comma,
// semicolon or tab) sensed from the heading row. Every field is text, as the loader turns every
// value into text anyway; an empty field is no cell.

#include <cstdint>
#include <span>
#include <string>

#include "base/grid_import.h"

namespace orq::csv {

// Fixed messages of the text reader.
inline constexpr const char* kMsgUnterminatedQuote =
    "The quoted field in line %d of \"%s\" has no closing quote";
inline constexpr const char* kMsgLineTooLong = "Line %d of \"%s\" is longer than 16 MB";

// The longest record read: a list's line is a few hundred bytes.
inline constexpr std::size_t kMaxRecordBytes = std::size_t{16} << 20;

// The delimiter of a text: of comma, semicolon and tab the one that occurs most often (outside
// quotes) in the heading row, the line with most of them among the first 16; a comma when none.
char SenseDelimiter(std::string_view text);

class TCsvImport final : public TGridImport {
protected:
    // Fails with "The file \"%s\" is invalid" when the text holds NUL characters (it is no text).
    void Parse(std::span<const std::uint8_t> bytes, const std::string& fileName,
               TGridSheet& sheet) override;
};

} // namespace orq::csv
