// Fuzzes the workbook reader. The input is read twice: as an .xls file, and as the record stream
// of a "Workbook" stream that the target wraps into a compound file (so that mutations reach the
// records without first breaking the compound file). Each time the workbook is opened from memory
// as the import component does, every used cell of every sheet is read through CellValue, and
// the first 27 columns of every row through RowValues, which must agree with CellValue; then,
// on a copy opened from the same bytes, the first sheet gets the three column edits the loader
// makes on an old-layout list and a row deletion, and its cells are read again. Damaged input may
// fail with orq::Error; anything else (a crash, a hang, a sanitizer report) is a finding.
//
// Seeds (fuzz/corpus/fuzz_workbook): small fixtures of the tests, workbooks of our writer,
// hand-built workbooks and the bare record streams of some of them (*.biff).

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "base/error.h"
#include "base/utf.h"
#include "xls/cfb.h"
#include "xls/tavro_import.h"

namespace {

using orq::TCellValue;
using orq::xls::TTavroImport;

// Whether a value of a row read equals the single lookup's (shared strings come as UTF-8 there).
bool SameValue(const TCellValue& fromRow, const TCellValue& single) {
    const auto* text = std::get_if<std::string>(&fromRow);
    const auto* wide = std::get_if<std::u16string>(&single);
    if (text && wide) {
        std::string converted;
        orq::Utf16ToUtf8Into(*wide, converted);
        return *text == converted;
    }
    const auto* number = std::get_if<double>(&fromRow);
    const auto* singleNumber = std::get_if<double>(&single);
    if (number && singleNumber) // a NaN read from the file equals itself bit for bit
        return std::bit_cast<std::uint64_t>(*number) == std::bit_cast<std::uint64_t>(*singleNumber);
    return fromRow == single;
}

void ReadAllCells(TTavroImport& component) {
    // Past the used rows the reader answers "empty" without work; a few rows more cover that path.
    const int rows = std::min(component.RowCount() + 2, 65536);
    std::array<TCellValue, 27> values;
    for (int row = 1; row <= rows; ++row) {
        for (int column : component.UsedColumns(row))
            (void)component.CellValue(row, column);
        (void)component.CellValue(row, 256);
        component.RowValues(row, values);
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!SameValue(values[i], component.CellValue(row, static_cast<int>(i) + 1)))
                std::abort();
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
