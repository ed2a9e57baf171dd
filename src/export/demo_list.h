#pragma once

// A synthetic Applicant Processing List in the current layout: a title block in rows 1 to 8,
// the column headings in row 9 ("APP TYPE" in column 6) and one appointment per row from row 10
// on, 27 columns, with date-times as text in the machine's short date format. The rows are
// random but reproducible from a seed, spread around a given day so that the metrics, the
// pending conducts and every report have something to show. Used by `orq-cli make-demo` and
// the desktop program's demo start.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "domain/dates.h"

namespace orq::exporter {

inline constexpr int kDemoColumns = 27;
inline constexpr int kDemoFirstDataRow = 10;
// The sheet has 65,536 rows; data rows start at row 10.
inline constexpr int kDemoMaxRows = 65536 - kDemoFirstDataRow + 1;

struct TDemoOptions {
    int Rows = 200;         // data rows, 0 to kDemoMaxRows
    std::uint64_t Seed = 1; // the same seed gives the same list
    TDateTime Today = 0;    // the day the list is spread around
    TFormatSettings Format; // the short date format of the date texts
    // The portal ends its lists with a row whose first cell begins with "ANY "; written after the
    // last data row when there is room for it.
    bool EndMarker = true;
};

// A cell of the demo list: empty, a text or a number.
using TDemoValue = std::variant<std::monostate, std::string, double>;
using TDemoRow = std::array<TDemoValue, kDemoColumns>;

// The headings of row 9.
const std::array<const char*, kDemoColumns>& DemoHeadings();

// Calls `row` for every non-empty sheet row of the list, top to bottom, with its 1-based sheet
// row number and its cells (title rows, the heading row, the data rows, the end marker).
void MakeDemoRows(const TDemoOptions& options,
                  const std::function<void(int sheetRow, const TDemoRow& cells)>& row);

// Writes the demo list as a one-sheet .xls workbook with the program's workbook writer. An
// existing file is replaced only when `overwrite` is set; otherwise "File %s already exists".
void WriteDemoList(const TDemoOptions& options, const std::string& path, bool overwrite);

} // namespace orq::exporter
