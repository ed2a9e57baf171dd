#pragma once

// The order of element names in a compound file: a storage's elements are kept, and listed, in
// this order.

#include <string>

namespace orq::xls::cfb {

// The upper-case form the name order compares: the simple mappings of the Latin, Greek and
// Cyrillic letters, which covers every element name real files use.
char16_t UpperUnit(char16_t c);

// Shorter names first, then unit by unit upper-cased: <0, 0 or >0.
int CompareNames(const std::u16string& a, const std::u16string& b);

} // namespace orq::xls::cfb
