#pragma once

// Comma-separated values as RFC 4180 has them: a field is quoted when it holds a comma, a quote
// or a line break, and a quote inside it is doubled; records end with LF. A CR or CR LF inside a
// field becomes LF, so that every line break of a file is the same.

#include <string>
#include <string_view>
#include <vector>

namespace orq {

// Appends `field` to `out`, quoted where needed.
void AppendCsvField(std::string& out, std::string_view field);

// Appends the fields separated by commas and the record's LF.
void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields);

} // namespace orq
