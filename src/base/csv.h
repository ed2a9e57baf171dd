#pragma once

// Comma-separated values as RFC 4180 has them: a field is quoted when it holds a comma, a quote
// or a line break, and a quote inside it is doubled; records end with LF. A CR or CR LF inside a
// field becomes LF, so that every line break of a file is the same.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orq {

// Appends `field` to `out`, quoted where needed.
void AppendCsvField(std::string& out, std::string_view field);
// The same written at `out`, which has room for CsvFieldRoom(field.size()) bytes; returns the end
// of what was written.
char* PutCsvField(char* out, std::string_view field);
constexpr std::size_t CsvFieldRoom(std::size_t size) {
    return 2 * size + 2;
}

// Appends the fields separated by commas and the record's LF.
void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields);

} // namespace orq
