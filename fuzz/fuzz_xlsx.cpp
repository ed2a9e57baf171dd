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

#include <zip.h>

#include "grid_exercise.h"
#include "xlsx/xlsx_import.h"

namespace {

constexpr const char* kRootRels =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/)"
    R"(relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)";
constexpr const char* kWorkbook =
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)";
constexpr const char* kWorkbookRels =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/)"
    R"(relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/)"
    R"(relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>)";
constexpr const char* kStrings =
    R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>a</t></si>)"
    R"(<si><r><t>b</t></r><r><t>c</t></r></si></sst>)";

// A stored archive of the fixed parts and `sheet` as the first sheet.
std::vector<std::uint8_t> Archive(std::span<const std::uint8_t> sheet) {
    std::vector<std::uint8_t> out;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(target);
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    const std::pair<const char*, std::string> parts[] = {
        {"_rels/.rels", kRootRels},
        {"xl/workbook.xml", kWorkbook},
        {"xl/_rels/workbook.xml.rels", kWorkbookRels},
        {"xl/sharedStrings.xml", kStrings},
        {"xl/worksheets/sheet1.xml", std::string(sheet.begin(), sheet.end())}};
    for (const auto& [name, data] : parts) {
        zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
        const zip_int64_t index = zip_file_add(archive, name, source, 0);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    zip_close(archive);
    zip_source_open(target);
    zip_source_seek(target, 0, SEEK_END);
    out.resize(static_cast<std::size_t>(zip_source_tell(target)));
    zip_source_seek(target, 0, SEEK_SET);
    zip_source_read(target, out.data(), out.size());
    zip_source_close(target);
    zip_source_free(target);
    zip_error_fini(&error);
    return out;
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
