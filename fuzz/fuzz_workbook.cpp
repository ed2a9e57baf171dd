// Fuzzes the workbook reader: opens the input from memory as the import component does, then for
// every sheet reads every used cell through CellValue; then, on a copy opened from the same
// bytes, makes on the first sheet the three column edits the loader makes on an old-layout list
// and a row deletion, reading the cells again afterwards. Damaged input may fail with orq::Error;
// anything else (a crash, a hang, a sanitizer report) is a finding.
//
// Seeds (fuzz/corpus/fuzz_workbook): small fixtures of the tests and workbooks of our writer.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "xls/error.h"
#include "xls/tavro_import.h"

namespace {

using orq::xls::TTavroImport;

void ReadAllCells(TTavroImport& component) {
    // Past the used rows the reader answers "empty" without work; a few rows more cover that path.
    const int rows = std::min(component.RowCount() + 2, 65536);
    for (int row = 1; row <= rows; ++row) {
        for (int column : component.UsedColumns(row))
            (void)component.CellValue(row, column);
        (void)component.CellValue(row, 256);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto component = TTavroImport::WithOwnAdapter();
    try {
        component->OpenMemory(std::span<const std::uint8_t>(data, size));
    } catch (const orq::Error&) {
        return 0;
    }
    const int sheets = component->File() != nullptr ? component->File()->SheetCount() : 0;
    for (int sheet = 1; sheet <= sheets; ++sheet) {
        try {
            component->SetActiveSheet(sheet);
            ReadAllCells(*component);
        } catch (const orq::Error&) {
        }
    }
    // The edits work on a copy of the workbook (read again from the same bytes), so that the
    // reads above saw the workbook as opened.
    auto copy = TTavroImport::WithOwnAdapter();
    try {
        copy->OpenMemory(std::span<const std::uint8_t>(data, size));
    } catch (const orq::Error&) {
        std::abort(); // it opened once: the same bytes must open again
    }
    try {
        copy->SetActiveSheet(1);
        copy->InsertAndCopyColumns(6, 6, 6, 1);
        copy->InsertAndCopyColumns(24, 24, 23, 1);
        copy->DeleteColumns(25, 1);
        copy->DeleteRows(10, 1);
        ReadAllCells(*copy);
    } catch (const orq::Error&) {
    }
    return 0;
}
