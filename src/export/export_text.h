#pragma once

// Text and colour conversions of the report export: cell texts become the UTF-16 texts of sheet
// cells, and 24-bit colours become indexes of the standard BIFF8 palette.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/color.h"

namespace orq::exporter {

// The standard 56-colour BIFF8 palette in the program's colour order; entry i - 1 is palette index
// i (BIFF colour index i + 7).
inline constexpr int kPaletteSize = 56;
TColor PaletteColor(int paletteIndex);

// The palette index (1 to 55) nearest to the colour: an exact match at once, otherwise the
// smallest squared distance over red, green and blue, the lowest index among equals. The 56th
// entry is never chosen.
int NearestPaletteIndex(TColor color);

// The plain text of a rich-text (RTF) text, as an edit control would give it: groups, control
// words and hidden destinations (font and colour tables, style sheets, document information,
// pictures, field instructions) are dropped; \par and \line end a line ("\r\n"), \tab is a tab,
// \'hh is a Windows-1252 character, \uN a UTF-16 code unit (its fallback characters skipped as
// \ucN says). The paragraph mark that ends the document is not part of the text. Unbalanced
// braces are tolerated.
std::u16string RtfToPlainText(std::u16string_view rtf);

// The text of a cell as it goes into the sheet: a text that begins with "{\rtf" is taken as rich
// text and replaced by its plain text; then every carriage return followed by a line feed is
// dropped and every other carriage return becomes a line feed.
std::u16string NormalizeCellText(std::u16string_view text);

} // namespace orq::exporter
