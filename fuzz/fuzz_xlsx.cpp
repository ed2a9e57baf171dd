// Fuzzes the .xlsx reader. The input is read twice: as a whole .xlsx file, and as the XML of the
// first sheet that the target puts into an otherwise sound archive (so that mutations reach the
// sheet's parser without first breaking the archive). Whatever opens has every cell read both
// ways and the loader's edits made on it (see grid_exercise.h). Damaged input may fail with
// orq::Error; anything else (a crash, a hang, a sanitizer report) is a finding.
//
// Seeds (fuzz/corpus/fuzz_xlsx): the fixtures as LibreOffice and python3-openpyxl write them,
// and sheet parts (*.xml) with each kind of cell.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "grid_exercise.h"
#include "xlsx/xlsx_builder.h"
#include "xlsx/xlsx_import.h"

namespace {

namespace build = orq::xlsx::testing;

// A stored archive of a one-sheet workbook's fixed parts and `sheet` as its sheet.
std::vector<std::uint8_t> Archive(std::span<const std::uint8_t> sheet) {
    static const std::string workbook = build::Workbook({{"S", "rId1"}});
    static const std::string rels = build::WorkbookRels(1);
    static const std::string strings =
        build::SharedStrings("<si><t>a</t></si><si><r><t>b</t></r><r><t>c</t></r></si>");
    return build::Zip({{"_rels/.rels", build::kRootRels},
                       {"xl/workbook.xml", workbook},
                       {"xl/_rels/workbook.xml.rels", rels},
                       {"xl/sharedStrings.xml", strings},
                       {"xl/worksheets/sheet1.xml", std::string(sheet.begin(), sheet.end())}},
                      /*deflate=*/false);
}

using orq::xlsx::TXlsxImport;
using orq::xlsx::TXmlReader;

// Whether two components hold the same sheet: rows, used columns and values.
bool SameSheet(const TXlsxImport& a, const TXlsxImport& b) {
    if (a.RowCount() != b.RowCount()) return false;
    bool same = true;
    orq::fuzzing::ForRows(a.RowCount(), [&](int row) {
        const std::vector<int> columns = a.UsedColumns(row);
        if (columns != b.UsedColumns(row)) same = false;
        for (int column : columns)
            if (!orq::fuzzing::SameValue(a.CellValue(row, column), b.CellValue(row, column)))
                same = false;
    });
    return same;
}

// The scanner against expat on the same file: where expat reads the sheet, the scanner must
// read the same cells (it may refuse a document that is not UTF-8, which expat is told it is);
// where expat refuses, the scanner may be the more lenient.
void Exercise(std::span<const std::uint8_t> file) {
    TXlsxImport scanned(TXmlReader::Scanner);
    TXlsxImport parsed(TXmlReader::Expat);
    std::string scanFailure;
    bool parsedOpen = true;
    try {
        scanned.OpenMemory(file, "fuzz.xlsx");
    } catch (const orq::Error& error) {
        scanFailure = error.what();
    }
    try {
        parsed.OpenMemory(file, "fuzz.xlsx");
    } catch (const orq::Error&) {
        parsedOpen = false;
    }
    if (parsedOpen) {
        if (!scanFailure.empty()) {
            if (scanFailure.find("XML not in UTF-8") == std::string::npos) std::abort();
        } else if (!SameSheet(scanned, parsed)) {
            std::abort();
        }
    }
    if (scanFailure.empty()) orq::fuzzing::ExerciseGrid(scanned);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    Exercise(input);
    Exercise(Archive(input));
    return 0;
}
