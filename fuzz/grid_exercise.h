#pragma once

// What the fuzz targets of the whole-file readers do with a component that opened: read every
// cell of every row through CellValue and RowValues (which must agree), then make the loader's
// three column edits and a row deletion and read everything again.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "base/error.h"
#include "base/grid_import.h"

namespace orq::fuzzing {

inline bool SameValue(const TCellValue& a, const TCellValue& b) {
    const auto* x = std::get_if<double>(&a);
    const auto* y = std::get_if<double>(&b);
    if (x && y) return std::bit_cast<std::uint64_t>(*x) == std::bit_cast<std::uint64_t>(*y);
    return a == b;
}

// The rows a target reads: the first 2,000 and the last 50 (and two past the end), so that a
// reference to row 1,000,000 costs no more than a short sheet.
template <typename Visit> void ForRows(int rowCount, Visit visit) {
    for (int row = 1; row <= rowCount + 2; ++row) {
        if (row > 2000 && row < rowCount - 50) row = rowCount - 50;
        visit(row);
    }
}

inline void ReadAllCells(const TGridImport& component) {
    std::array<TCellValue, 27> values;
    ForRows(component.RowCount(), [&](int row) {
        for (int column : component.UsedColumns(row))
            if (component.CellValue(row, column).index() == 0) std::abort(); // a used column
        component.RowValues(row, values);
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!SameValue(values[i], component.CellValue(row, static_cast<int>(i) + 1)))
                std::abort();
    });
}

inline void ExerciseGrid(TGridImport& component) {
    ReadAllCells(component);
    try {
        component.InsertAndCopyColumns(6, 6, 6, 1);
        component.InsertAndCopyColumns(24, 24, 23, 1);
        component.DeleteColumns(25, 1);
        component.DeleteRows(10, 1);
    } catch (const Error&) {
    }
    ReadAllCells(component);
}

} // namespace orq::fuzzing
