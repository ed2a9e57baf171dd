// orq-cli cells FILE [--sheet N]: every non-empty cell value of a sheet as the import component
// returns it.
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <variant>

#include "base/error.h"
#include "base/utf.h"
#include "cli/cli.h"
#include "cli/load_list.h"
#include "import/list_import.h"
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

// The value as text on one line of the text output (see TerminalText).
std::string PlainText(const TCellValue& value) {
    switch (KindOf(value)) {
    case CellKind::Number:
        return NumberText(std::get<double>(value));
    case CellKind::Boolean:
        return std::get<bool>(value) ? "true" : "false";
    case CellKind::WideText:
        return TerminalText(ToUtf8(std::get<std::u16string>(value)));
    case CellKind::Text8:
        return TerminalText(std::get<std::string>(value));
    default:
        return {};
    }
}

// A sheet number beyond the workbook's sheets is the caller's mistake: the message names the
// sheets there are.
void CheckSheet(const import::TListImport& import, int sheet) {
    if (import.Xls() == nullptr) {
        // An .xlsx or a text list has its first sheet only.
        if (sheet > 1)
            throw UsageError{"--sheet " + std::to_string(sheet) +
                             " is out of range: the list has one sheet"};
        return;
    }
    const auto* file = dynamic_cast<const xls::TXLSFile*>(import.Xls()->File());
    if (file == nullptr) return;
    const int count = file->SheetCount();
    if (sheet <= count) return;
    std::vector<std::string> names;
    const auto& sheetNames = file->Workbook().Globals.SheetNames;
    for (std::size_t i = 0; i < sheetNames.size() && i < static_cast<std::size_t>(count); ++i)
        names.push_back(std::to_string(i + 1) + " \"" + TerminalText(ToUtf8(sheetNames[i])) + "\"");
    throw UsageError{"--sheet " + std::to_string(sheet) + " is out of range: " +
                     (count == 0 ? std::string("the workbook has no sheets")
                                 : "the sheets are " + ChoiceList(names))};
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

int RunCells(const Invocation& invocation, std::ostream& out, std::ostream&) {
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
    std::string body;
    bool first = true;
    auto print = [&] {
        if (json)
            out << "{\"cells\": [" << (first ? "" : "\n  ") << body << (first ? "" : "\n")
                << "]}\n";
        else
            out << body;
    };
    try {
        auto import = OpenListFile(invocation.positional[0]);
        if (invocation.Has("sheet")) CheckSheet(*import, sheet);
        import->SetActiveSheet(sheet);
        const int rows = import->RowCount();
        for (int row = 1; row <= rows; ++row) {
            for (int column : import->UsedColumns(row)) {
                const TCellValue value = import->CellValue(row, column);
                const CellKind kind = KindOf(value);
                if (kind == CellKind::Empty) continue;
                const std::string position = std::to_string(row) + (json ? ", " : "\t") +
                                             std::to_string(column) + (json ? ", \"" : "\t");
                if (json) {
                    body += (first ? "[" : ",\n  [") + position + KindName(kind) + "\", " +
                            JsonValue(value) + ']';
                } else {
                    body += position + KindName(kind) + '\t' + PlainText(value) + '\n';
                }
                first = false;
            }
        }
    } catch (const UsageError&) {
        throw;
    } catch (...) {
        print();
        throw;
    }
    print();
    return kOk;
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
