#include "base/csv.h"

#include <cstring>

namespace orq {

namespace {

// A comma, a quote or a line break: the field is quoted. One loop over the bytes; a search for
// any of four characters runs a search for each byte, and a report has millions of fields.
bool NeedsQuotes(std::string_view field) {
    for (const char ch : field)
        if (ch == ',' || ch == '"' || ch == '\r' || ch == '\n') return true;
    return false;
}

} // namespace

char* PutCsvField(char* out, std::string_view field) {
    if (!NeedsQuotes(field)) {
        std::memcpy(out, field.data(), field.size());
        return out + field.size();
    }
    *out++ = '"';
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char ch = field[i];
        if (ch == '"') {
            *out++ = '"';
            *out++ = '"';
        } else if (ch == '\r') {
            *out++ = '\n';
            if (i + 1 < field.size() && field[i + 1] == '\n') ++i;
        } else {
            *out++ = ch;
        }
    }
    *out++ = '"';
    return out;
}

void AppendCsvField(std::string& out, std::string_view field) {
    const std::size_t size = out.size();
    out.resize(size + CsvFieldRoom(field.size()));
    out.resize(static_cast<std::size_t>(PutCsvField(out.data() + size, field) - out.data()));
}

void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        AppendCsvField(out, fields[i]);
    }
    out += '\n';
}

} // namespace orq
