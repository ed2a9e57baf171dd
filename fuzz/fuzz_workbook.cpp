// Fuzzes the workbook reader. The input is read twice: as an .xls file, and as the record stream
// of a "Workbook" stream that the target wraps into a compound file (so that mutations reach the
// records without first breaking the compound file). Each time the workbook is opened from memory
// as the import component does, every used cell of every sheet is read through CellValue; then,
// on a copy opened from the same bytes, the first sheet gets the three column edits the loader
// makes on an old-layout list and a row deletion, and its cells are read again. Damaged input may
// fail with orq::Error; anything else (a crash, a hang, a sanitizer report) is a finding.
//
// Seeds (fuzz/corpus/fuzz_workbook): small fixtures of the tests, workbooks of our writer,
// hand-built workbooks and the bare record streams of some of them (*.biff).

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "xls/cfb.h"
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

void Exercise(std::span<const std::uint8_t> file) {
    auto component = TTavroImport::WithOwnAdapter();
    try {
        component->OpenMemory(file);
    } catch (const orq::Error&) {
        return;
    }
    const int sheets = component->File()->SheetCount();
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
        copy->OpenMemory(file);
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
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    Exercise(input);

    std::vector<std::uint8_t> wrapped;
    {
        auto storage = orq::xls::TOle2Storage::CreateInMemory(wrapped);
        {
            orq::xls::TOle2Stream stream(*storage, orq::xls::kWorkbookStreamName);
            stream.Write(data, size);
        }
        storage->Close();
    }
    Exercise(wrapped);
    return 0;
}
