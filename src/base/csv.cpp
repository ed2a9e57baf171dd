#include "base/csv.h"

namespace orq {

void AppendCsvField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char ch = field[i];
        if (ch == '"') {
            out += "\"\"";
        } else if (ch == '\r') {
            out += '\n';
            if (i + 1 < field.size() && field[i + 1] == '\n') ++i;
        } else {
            out += ch;
        }
    }
    out += '"';
}

void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        AppendCsvField(out, fields[i]);
    }
    out += '\n';
}

} // namespace orq
