#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/import.h"
#include "domain/dates.h"

namespace orq {

// Text helpers on UTF-8 text. Positions and counts are 1-based character positions (a
// character is one Unicode code point); for ASCII text they are byte positions.

// The text of a cell value: empty for no cell; text as UTF-8; a number in the general format with
// 15 significant digits and the format's decimal separator ("45", "39667.6041666667",
// "1.5E+20"); a truth value as "True" or "False".
std::string CellText(const TCellValue& value, const TFormatSettings& format);
// The same for a value no longer needed: 8-bit text is moved out, not copied.
std::string CellText(TCellValue&& value, const TFormatSettings& format);

// A number in the general format with 15 significant digits (the number part of CellText).
std::string FloatToText(double value, char decimalSeparator);

// Fixed-point text with `decimals` decimals after rounding half away from zero to at most
// `precision` significant digits ("%.2f" is precision 15, decimals 2; the percentages are
// precision 4, decimals 1); a value with more integer digits than `precision` is written in
// scientific notation.
std::string FormatFloatFixed(long double value, int precision, int decimals, char decimalSeparator);

// Reads a number as the locale-aware text-to-number conversion does: blanks around, an optional
// sign, digits with at most one decimal separator, an optional exponent. False otherwise.
bool TryTextToFloat(std::string_view text, char decimalSeparator, double& result);

// The number of characters of a UTF-8 text.
std::size_t CharCount(std::string_view text) noexcept;

// The position of the first `c` at or after `start`; 0 when the text is empty, start is 0 or
// beyond the end, or `c` does not occur there.
std::size_t CharPosFrom(char c, std::string_view text, std::size_t start) noexcept;

// The last start position at which `pattern` matches and ends at or before position |end|
// (the whole text when end is 0). "?" in the pattern matches any character; a negative end
// also matches ASCII letters in the other case. 0 when nothing matches.
std::size_t LastPosOf(std::string_view pattern, std::string_view text, long end) noexcept;

// Upper-cases an ASCII letter that follows a character below '0' (or starts the text) and
// lower-cases every other ASCII letter: "SMITH, JOHN" -> "Smith, John".
void ProperCase(std::string& text);

// The first `count` characters; all of the text when it is shorter; empty for count <= 0.
std::string LeftCopy(std::string_view text, long count);

// The text without its first `count` characters; empty when it has no more.
std::string DropLeft(std::string_view text, std::size_t count);

// Lengthens the text to `length` characters with `fill`; never shortens it.
void PadRight(std::string& text, char fill, long length);

// From position `pos` on, at most `count` characters (never past the end) become `fill`;
// nothing changes for an empty text or a position outside it.
void FillRun(std::string& text, long pos, long count, char fill);

// The folder of the running program, ending with the separator. `programPath` is the program
// file (argv[0] resolved, for example); when empty, /proc/self/exe is read.
std::string ProgramFolder(const std::string& programPath = {});

// Upper-cases ASCII a-z only.
std::string AsciiUpper(std::string_view text);

} // namespace orq
