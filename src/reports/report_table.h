#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/color.h"

// The grid tables of the reports subsystem as plain data: the report table of the report window
// and the tables of the past-due and broken-appointments dialogs. The Qt windows wrap a
// TReportTable in a QAbstractTableModel and draw it; the printing code and the .xls export read
// it. Nothing in here knows about fonts, screens or printers beyond the few numbers the
// windows and the export need (pixel sizes at 96 dots per inch, colours, a font style).
//
// Addressing, as the windows see the grid:
//   - grid row 0 is the fixed header row; its texts are the column headers;
//   - grid rows 1 .. DataRowCount() are the data rows, Rows[0] .. Rows[DataRowCount() - 1];
//   - columns are the stored columns 0 .. ColumnCount() - 1, hidden ones included. A hidden
//     column keeps its cells and width but is neither displayed, printed nor exported; use
//     ShownColumns() to map displayed columns to stored ones.
// Every data row always holds exactly ColumnCount() cells.
namespace orq::reports {

// A cell's own colour, or none, in two bytes. The colours cells are drawn in are few (a report
// uses five), so a cell keeps the number of its colour in a palette that every table shares and
// that only grows: a report of a large list holds millions of colours. It reads like a
// std::optional<TColor>: empty by default, true when set, `*color` the colour.
class TCellColor {
public:
    constexpr TCellColor() = default;
    constexpr TCellColor(std::nullopt_t) {}
    TCellColor(TColor color) : number_(PaletteNumber(color)) {}
    TCellColor(const std::optional<TColor>& color) : number_(color ? PaletteNumber(*color) : 0) {}

    bool has_value() const { return number_ != 0; }
    explicit operator bool() const { return has_value(); }
    // The colour; only for a set colour.
    TColor operator*() const { return PaletteColor(number_); }
    TColor value_or(TColor fallback) const { return has_value() ? **this : fallback; }
    void reset() { number_ = 0; }
    // The colour's number in the palette, 0 for none: equal colours have equal numbers, so a
    // writer can keep what it made of a colour by its number.
    std::uint16_t Number() const { return number_; }
    std::optional<TColor> AsOptional() const {
        return has_value() ? std::optional<TColor>(**this) : std::nullopt;
    }

    // Equal colours have one number, so the numbers compare as the colours do.
    bool operator==(const TCellColor&) const = default;
    friend bool operator==(const TCellColor& cell, TColor color) {
        return cell.has_value() && *cell == color;
    }
    friend bool operator==(const TCellColor& cell, const std::optional<TColor>& color) {
        return cell.AsOptional() == color;
    }
    friend bool operator==(const TCellColor& cell, std::nullopt_t) { return !cell.has_value(); }

private:
    // The colour's number in the palette (from 1), added when the colour is new. Fails with
    // std::length_error when the palette already holds 65,535 colours.
    static std::uint16_t PaletteNumber(TColor color);
    static TColor PaletteColor(std::uint16_t number);

    std::uint16_t number_ = 0; // 0: no colour of its own
};

// "CAFFFF" or "none", for test failure messages.
std::ostream& operator<<(std::ostream& out, const TCellColor& color);

// The six upper-case hexadecimal digits of a colour ("CAFFFF"), or "" for no colour of its own.
std::string ColorText(TCellColor color);
// ColorText appended to `out`.
void AppendColorText(std::string& out, TCellColor color);
// ColorText written at `out`, which has room for its six digits; returns the end of what was
// written.
char* PutColorText(char* out, TCellColor color);

// Font style flags of a cell. 0 is the regular style (the table's own font, not bold, not
// italic, not underlined, not struck out).
enum TFontStyle : std::uint8_t {
    kRegular = 0,
    kBold = 1,
    kItalic = 2,
    kUnderline = 4,
    kStrikeOut = 8,
};

// One cell: its text and its own drawing attributes. An attribute left empty means "the
// table's default": the system window colour for the background, the window text colour for
// the font; a FontStyle of kRegular means the table's font style unchanged. The attributes take
// five bytes, so that a cell is a string and eight bytes: a report of a large list holds over a
// million cells.
struct TReportCell {
    std::string Text;
    TCellColor Background;
    TCellColor FontColor;
    std::uint8_t FontStyle = kRegular;

    bool operator==(const TReportCell&) const = default;
};

struct TReportColumn {
    std::string Header; // the text of the header cell (grid row 0)
    int Width = 64;     // pixels at 96 dots per inch
    bool Hidden = false;

    bool operator==(const TReportColumn&) const = default;
};

enum class TOrientation : std::uint8_t { Portrait, Landscape };
enum class THorzAlign : std::uint8_t { Left, Center, Right };
enum class TVertAlign : std::uint8_t { Top, Center, Bottom };

using TReportRow = std::vector<TReportCell>;

// Asks for the memory of a row's cells ahead of reading them. The rows of a sorted table lie
// scattered in memory, and a writer that walks a large table row by row would otherwise wait for
// the first cells of every row.
inline void PrefetchCells(const TReportRow& row) {
    const auto* begin = reinterpret_cast<const char*>(row.data());
    const auto* end = reinterpret_cast<const char*>(row.data() + row.size());
    for (const char* line = begin; line < end; line += 64)
        __builtin_prefetch(line);
}
// PrefetchCells of the row `ahead` rows after row `row`, where there is one.
inline void PrefetchCellsAhead(const std::vector<TReportRow>& rows, std::size_t row,
                               std::size_t ahead = 4) {
    if (row + ahead < rows.size()) PrefetchCells(rows[row + ahead]);
}

// A grid table with one fixed header row and no fixed column.
struct TReportTable {
    std::vector<TReportColumn> Columns;
    std::vector<TReportRow> Rows; // data rows only (grid rows 1 and below)

    int RowHeight = 22;                      // pixels, every data row
    int HeaderRowHeight = 22;                // pixels, grid row 0 (drawn in the table font, bold)
    bool WordWrap = false;                   // multi-line cells
    THorzAlign HorzAlign = THorzAlign::Left; // every cell is drawn so
    TVertAlign VertAlign = TVertAlign::Top;

    // Sort indicator of the header: the column last sorted by and the direction of that sort;
    // -1 when the rows are not sorted (or the header was not clicked since the last build).
    int SortColumn = -1;
    bool SortAscending = true;

    // Print settings the export and printing read. The report window's Print button switches
    // the orientation to landscape and sets the title; both stay until the program ends.
    TOrientation Orientation = TOrientation::Portrait;
    std::string PrintTitle;

    std::size_t ColumnCount() const { return Columns.size(); }
    std::size_t DataRowCount() const { return Rows.size(); }
    // Grid rows including the header row.
    std::size_t GridRowCount() const { return Rows.size() + 1; }

    // The text at grid row `row` (0 = header) and stored column `column`; "" out of range.
    const std::string& Text(std::size_t row, std::size_t column) const;

    // The stored columns that are displayed, in order.
    std::vector<std::size_t> ShownColumns() const;

    // Sets the number of columns; data rows grow or shrink with it, new cells empty.
    void SetColumnCount(std::size_t count);
    // Sets the number of data rows; new rows hold empty cells.
    void SetDataRowCount(std::size_t count);
    // Every cell text, colour and font setting goes, in all rows and columns (hidden ones too);
    // then the table is cut back to the header row plus `dataRows` empty data rows. Headers,
    // widths and hidden flags stay.
    void Clear(std::size_t dataRows = 1);

    bool operator==(const TReportTable&) const = default;
};

} // namespace orq::reports
