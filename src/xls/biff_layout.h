#pragma once

// The layouts of the BIFF8 records the readers interpret, as their bodies lie in the Workbook
// stream (after the 4-byte record header of id and size). Every number is little-endian. Fields
// are given as {offset, size in bytes} (Field, byte_reader.h); the comment says what the field
// means. A record's body may be longer than its fixed part; where a field has no fixed size
// (a string, a list of entries) its offset is given alone.

#include <cstddef>
#include <cstdint>

#include "xls/byte_reader.h"

namespace orq::xls::biff {

// ---- Substreams ------------------------------------------------------------------------------

// BOF: starts the globals and every sheet.
namespace bof {
inline constexpr Field Version{0x00, 2};       // kBiff8Version
inline constexpr Field Type{0x02, 2};          // kBofGlobals, kBofWorksheet, kBofChart, ...
inline constexpr Field Build{0x04, 2};         // the writer's build
inline constexpr Field Year{0x06, 2};          // the writer's build year
inline constexpr Field History{0x08, 4};       // file history flags
inline constexpr Field LowestVersion{0x0C, 4}; // the lowest version that can read all records
inline constexpr std::size_t kSize = 16;
static_assert(Tiles({Version, Type, Build, Year, History, LowestVersion}, kSize));
} // namespace bof

// ---- Workbook globals ------------------------------------------------------------------------

// BOUNDSHEET: one sheet of the workbook.
namespace boundsheet {
inline constexpr Field StreamPosition{0x00, 4}; // where the sheet's BOF starts (made afresh)
inline constexpr Field Visibility{0x04, 1};     // 0 visible, 1 hidden, 2 very hidden
inline constexpr Field SheetType{0x05, 1};      // 0 worksheet, 2 chart, 6 macro sheet
inline constexpr std::size_t kName = 0x06;      // the name: a string with a 1-byte count
static_assert(Tiles({StreamPosition, Visibility, SheetType}, kName));
} // namespace boundsheet

// WINDOW1: the workbook window.
namespace window1 {
inline constexpr Field Left{0x00, 2}; // position and size, in 1/20 of a point
inline constexpr Field Top{0x02, 2};
inline constexpr Field Width{0x04, 2};
inline constexpr Field Height{0x06, 2};
inline constexpr Field Options{0x08, 2};      // hidden, minimised, scroll bars, tabs
inline constexpr Field ActiveSheet{0x0A, 2};  // the selected sheet (0-based)
inline constexpr Field FirstTab{0x0C, 2};     // the first sheet tab shown
inline constexpr Field SelectedTabs{0x0E, 2}; // how many sheets are selected
inline constexpr Field TabRatio{0x10, 2};     // width of the tab bar, in 1/1000 of the window
inline constexpr std::size_t kSize = 18;
static_assert(Tiles({Left, Top, Width, Height, Options, ActiveSheet, FirstTab, SelectedTabs,
                     TabRatio},
                    kSize));
} // namespace window1

// ---- Sheets ----------------------------------------------------------------------------------

// DIMENSIONS: the used range of a sheet.
namespace dimensions {
inline constexpr Field FirstRow{0x00, 4};
inline constexpr Field LastRowPlus1{0x04, 4};
inline constexpr Field FirstColumn{0x08, 2};
inline constexpr Field LastColumnPlus1{0x0A, 2};
inline constexpr Field Reserved{0x0C, 2};
inline constexpr std::size_t kSize = 14;
static_assert(Tiles({FirstRow, LastRowPlus1, FirstColumn, LastColumnPlus1, Reserved}, kSize));
} // namespace dimensions

// COLINFO: width and format of a range of columns.
namespace colinfo {
inline constexpr Field FirstColumn{0x00, 2};
inline constexpr Field LastColumn{0x02, 2};
inline constexpr Field Width{0x04, 2};   // in 1/256 of a character width
inline constexpr Field Xf{0x06, 2};      // the columns' format
inline constexpr Field Options{0x08, 2}; // hidden, outline level, collapsed
inline constexpr Field Reserved{0x0A, 2};
// The part the reader needs: a record without the reserved field is accepted.
inline constexpr std::size_t kReadSize = 10;
static_assert(Tiles({FirstColumn, LastColumn, Width, Xf, Options}, kReadSize));
} // namespace colinfo

// DEFCOLWIDTH and STANDARDWIDTH: the default column width.
namespace defcolwidth {
inline constexpr Field Width{0x00, 2}; // in characters
} // namespace defcolwidth
namespace standardwidth {
inline constexpr Field Width{0x00, 2}; // in 1/256 of a character width
} // namespace standardwidth

// DEFAULTROWHEIGHT: the height of rows without a ROW record.
namespace defaultrowheight {
inline constexpr Field Options{0x00, 2};
inline constexpr Field Height{0x02, 2}; // in 1/20 of a point
} // namespace defaultrowheight

// WINDOW2: a sheet's window.
namespace window2 {
inline constexpr Field Options{0x00, 2}; // kWindow2Selected | kWindow2Shown: the active sheet
} // namespace window2
inline constexpr std::uint16_t kWindow2Selected = 0x0200;
inline constexpr std::uint16_t kWindow2Shown = 0x0400;

// ROW: the properties of one row.
namespace row {
inline constexpr Field Row{0x00, 2};
inline constexpr Field FirstColumn{0x02, 2};
inline constexpr Field LastColumnPlus1{0x04, 2};
inline constexpr Field Height{0x06, 2};   // in 1/20 of a point (bit 15: default height)
inline constexpr Field Reserved{0x08, 2}; // zero: kept zero by the reader
inline constexpr Field Unused{0x0A, 2};   // a position in older files; ignored
inline constexpr Field Options{0x0C, 2};  // outline, collapsed, hidden, kRowOptionsAlways
inline constexpr Field Xf{0x0E, 2};       // the row's format (12 bits) and border flags
inline constexpr std::size_t kSize = 16;
static_assert(Tiles({Row, FirstColumn, LastColumnPlus1, Height, Reserved, Unused, Options, Xf},
                    kSize));
} // namespace row
// An option bit every ROW record has set.
inline constexpr std::uint16_t kRowOptionsAlways = 0x0100;

// ---- Cells -----------------------------------------------------------------------------------

// Every cell record (BLANK, NUMBER, RK, BOOLERR, LABELSST, LABEL, RSTRING, FORMULA) starts with
// the cell's place and format; MULRK and MULBLANK start with the row and their first column.
namespace cell {
inline constexpr Field Row{0x00, 2};
inline constexpr Field Column{0x02, 2};
inline constexpr Field Xf{0x04, 2};
inline constexpr std::size_t kValue = 0x06; // where the value starts
static_assert(Tiles({Row, Column, Xf}, kValue));
} // namespace cell

namespace number {
inline constexpr Field Value{cell::kValue, 8}; // IEEE double
} // namespace number

namespace rk {
inline constexpr Field Value{cell::kValue, 4}; // an RK number (DecodeRk)
} // namespace rk

namespace boolerr {
inline constexpr Field Value{cell::kValue, 1};       // 0 or 1, or an error code
inline constexpr Field IsError{cell::kValue + 1, 1}; // 1: Value is an error code
} // namespace boolerr

namespace labelsst {
inline constexpr Field Index{cell::kValue, 4}; // the string's index in the shared strings
inline constexpr std::size_t kSize = cell::kValue + 4;
} // namespace labelsst

// LABEL and RSTRING: the text as a string with a 2-byte count at cell::kValue; an RSTRING's
// formatting runs follow it.

// MULRK and MULBLANK: cells of adjacent columns of one row. Entries of kMulRkEntry (XF, RK) or
// kMulBlankEntry (XF) bytes start at kEntries; the record ends with the last column (u16).
namespace mulcells {
inline constexpr Field Row{0x00, 2};
inline constexpr Field FirstColumn{0x02, 2};
inline constexpr std::size_t kEntries = 0x04;
inline constexpr Field EntryXf{0x00, 2}; // within an entry
inline constexpr Field EntryRk{0x02, 4}; // within a MULRK entry
inline constexpr std::size_t kMulRkEntry = 6;
inline constexpr std::size_t kMulBlankEntry = 2;
inline constexpr std::size_t kLastColumnSize = 2;
static_assert(Tiles({Row, FirstColumn}, kEntries));
static_assert(Tiles({EntryXf, EntryRk}, kMulRkEntry));
} // namespace mulcells

// FORMULA: the cached result, options and the parsed formula.
namespace formula {
inline constexpr Field Result{cell::kValue, 8};           // a double, unless ResultMark is 0xFFFF
inline constexpr Field ResultType{cell::kValue, 1};       // with the mark: kResultText, ...
inline constexpr Field ResultValue{cell::kValue + 2, 1};  // a boolean or an error code
inline constexpr Field ResultMark{cell::kValue + 6, 2};   // kResultNotNumber, or a double's top
inline constexpr Field Options{cell::kValue + 8, 2};      // kCalculateOnLoad, ...
inline constexpr Field Cache{cell::kValue + 10, 4};       // zero
inline constexpr std::size_t kParsed = cell::kValue + 14; // size (u16) and tokens
static_assert(Tiles({cell::Row, cell::Column, cell::Xf, Result, Options, Cache}, kParsed));
} // namespace formula
inline constexpr std::uint16_t kResultNotNumber = 0xFFFF;
inline constexpr std::uint8_t kResultText = 0;
inline constexpr std::uint8_t kResultBoolean = 1;
inline constexpr std::uint8_t kResultError = 2;
inline constexpr std::uint16_t kCalculateOnLoad = 0x0002;

// ---- Strings ---------------------------------------------------------------------------------

// SST: the shared strings. Counts, then the strings one after another.
namespace sst {
inline constexpr Field TotalReferences{0x00, 4}; // cells that refer to a string
inline constexpr Field Unique{0x04, 4};          // strings in the table
inline constexpr std::size_t kStrings = 0x08;
static_assert(Tiles({TotalReferences, Unique}, kStrings));
} // namespace sst

// A string: character count (u8 or u16, as the record says), options (u8), the run count (u16)
// when kStringRichText, the phonetic size (u32) when kStringPhonetic, the characters (one byte
// each, two when kStringWide), then 4 bytes per run and the phonetic data.
inline constexpr std::uint8_t kStringWide = 0x01;
inline constexpr std::uint8_t kStringPhonetic = 0x04;
inline constexpr std::uint8_t kStringRichText = 0x08;
inline constexpr std::size_t kRunSize = 4;

} // namespace orq::xls::biff
