// Fuzzes the text reader: the input is read as a list file, every cell of it read both ways and
// the loader's edits made on it (see grid_exercise.h). Damaged input may fail with orq::Error;
// anything else (a crash, a hang, a sanitizer report) is a finding.
//
// Seeds (fuzz/corpus/fuzz_csv): the fixtures as LibreOffice writes them as text, and small texts
// in each encoding, delimiter and quoting.

#include <cstdint>
#include <span>

#include "csv/csv_import.h"
#include "grid_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orq::csv::TCsvImport component;
    try {
        component.OpenMemory(std::span<const std::uint8_t>(data, size), "fuzz.csv");
    } catch (const orq::Error&) {
        return 0;
    }
    orq::fuzzing::ExerciseGrid(component);
    return 0;
}
