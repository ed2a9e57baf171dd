#pragma once

// The import component of a processing list saved as an Office Open XML workbook (.xlsx): the
// first sheet in workbook order, read as a stream of XML (no document tree) from the zip archive.
// Shared strings (their rich-text runs joined, phonetic hints left out), inline strings, numbers,
// Booleans, errors as their text and the cached results of formulas; dates stored as numbers
// stay numbers. XML with a document type or entity declarations is refused unread, as are
// elements nested deeper than kMaxXmlDepth and attribute values longer than kMaxAttributeLength.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/grid_import.h"

namespace orq::xlsx {

inline constexpr int kMaxXmlDepth = 256;
inline constexpr std::size_t kMaxAttributeLength = 65536;
// The longest text of one cell or shared string read (a cell holds at most 32,767 characters).
inline constexpr std::size_t kMaxTextLength = std::size_t{1} << 20;

// What reads the sheet and the shared strings: the scanner of xml_scanner.h (several times as
// fast on a large sheet), or expat, which reads the small parts in any case and serves the tests
// and the fuzz target as the reference.
enum class TXmlReader : std::uint8_t { Scanner, Expat };

class TXlsxImport final : public TGridImport {
public:
    explicit TXlsxImport(TXmlReader reader = TXmlReader::Scanner);

protected:
    void Parse(std::span<const std::uint8_t> bytes, const std::string& fileName,
               TGridSheet& sheet) override;

private:
    TXmlReader reader_;
};

} // namespace orq::xlsx
