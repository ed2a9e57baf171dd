// orq-cli cells FILE [--sheet N]: every non-empty cell value of a sheet as the import component
// returns it.
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <variant>

#include "base/error.h"
#include "base/utf.h"
#include "cli/cli.h"
#include "xls/records.h"
#include "xls/tavro_import.h"

namespace orq::cli {
namespace {

const char* KindName(CellKind kind) {
    switch (kind) {
    case CellKind::Number:
        return "number";
    case CellKind::WideText:
        return "text";
    case CellKind::Text8:
        return "text8";
    case CellKind::Boolean:
        return "bool";
    default:
        return "empty";
    }
}

// The shortest text that reads back as the same double ("10", "9.75", "1e+300").
std::string NumberText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The value as text: a line of the text output keeps to one line, so tabs and line breaks
// inside a text are printed as spaces.
std::string PlainText(const TCellValue& value) {
    std::string text;
    switch (KindOf(value)) {
    case CellKind::Number:
        return NumberText(std::get<double>(value));
    case CellKind::Boolean:
        return std::get<bool>(value) ? "true" : "false";
    case CellKind::WideText:
        text = ToUtf8(std::get<std::u16string>(value));
        break;
    case CellKind::Text8:
        text = std::get<std::string>(value);
        break;
    default:
        break;
    }
    for (char& ch : text)
        if (ch == '\t' || ch == '\r' || ch == '\n') ch = ' ';
    return text;
}

std::string JsonValue(const TCellValue& value) {
    switch (KindOf(value)) {
    case CellKind::Number: {
        const double number = std::get<double>(value);
        return std::isfinite(number) ? NumberText(number) : JsonNumber(number);
    }
    case CellKind::Boolean:
        return std::get<bool>(value) ? "true" : "false";
    case CellKind::WideText:
        return JsonString(ToUtf8(std::get<std::u16string>(value)));
    case CellKind::Text8:
        return JsonString(std::get<std::string>(value));
    default:
        return "null";
    }
}

int RunCells(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    int sheet = 1;
    if (auto text = invocation.Value("sheet")) {
        char* end = nullptr;
        const long number = std::strtol(text->c_str(), &end, 10);
        if (text->empty() || *end != '\0' || number < 1 || number > 65535)
            throw UsageError{"--sheet needs a sheet number from 1"};
        sheet = static_cast<int>(number);
    }
    const bool json = invocation.Json();
    // Whatever was produced before a failure is still printed.
    std::ostringstream body;
    bool first = true;
    int status = kOk;
    try {
        auto import = xls::TTavroImport::WithOwnAdapter();
        import->OpenFile(invocation.positional[0]);
        import->SetActiveSheet(sheet);
        const int rows = import->RowCount();
        for (int row = 1; row <= rows; ++row) {
            for (int column : import->UsedColumns(row)) {
                const TCellValue value = import->CellValue(row, column);
                const CellKind kind = KindOf(value);
                if (kind == CellKind::Empty) continue;
                if (json) {
                    body << (first ? "" : ",\n  ") << '[' << row << ", " << column << ", \""
                         << KindName(kind) << "\", " << JsonValue(value) << ']';
                } else {
                    body << row << '\t' << column << '\t' << KindName(kind) << '\t'
                         << PlainText(value) << '\n';
                }
                first = false;
            }
        }
    } catch (const Error& error) {
        err << DisplayText(error.what()) << "\n";
        status = kFailure;
    }
    if (json)
        out << "{\"cells\": [" << (first ? "" : "\n  ") << body.str() << (first ? "" : "\n")
            << "]}\n";
    else
        out << body.str();
    return status;
}

const Registration registration{Command{
    "cells",
    "cells FILE [--sheet N] [--json]",
    {"FILE"},
    {{"sheet", true}},
    RunCells,
}};

} // namespace
} // namespace orq::cli
