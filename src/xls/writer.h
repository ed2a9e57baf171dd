#pragma once

// The workbook writer. A new workbook is the built-in template read into the workbook model;
// the editing operations change that model, and saving writes it out as the "Workbook" stream
// of a new compound file. Rows and columns are 1-based in these operations (rows 1 to 65,536,
// columns 1 to 256); every operation works on the current sheet.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/import.h"
#include "xls/cell_format.h"
#include "xls/workbook.h"

namespace orq::xls {

inline constexpr const char* kMsgCantWriteFile =
    "Can't write to file \"%s\". Check it is not in use by another user";
inline constexpr const char* kMsgPropertyRange =
    "The index \"%d\" of the property \"%s\" is not in the range %d-%d";

// The XF every cell without a format of its own shows.
inline constexpr std::uint16_t kDefaultCellXF = 15;
// The first index a workbook's own number formats get.
inline constexpr std::uint16_t kFirstCustomFormat = 164;
// A cell holds at most this many characters; a longer text is cut there.
inline constexpr std::size_t kMaxCellTextLength = 32767;

class TXlsWriter {
public:
    TXlsWriter();
    ~TXlsWriter();
    TXlsWriter(const TXlsWriter&) = delete;
    TXlsWriter& operator=(const TXlsWriter&) = delete;
    TXlsWriter(TXlsWriter&&) noexcept;
    TXlsWriter& operator=(TXlsWriter&&) noexcept;

    // The machine's date notation, for the built-in formats 14 and 22.
    TDateNotation DateNotation;

    // Replaces the workbook by a new one from the template with `sheetCount` worksheets; the
    // current sheet is sheet 1.
    void NewFile(int sheetCount = 1);
    // Replaces the workbook by an existing one (read as the import component reads it).
    void OpenFile(const std::string& fileName);
    void OpenMemory(std::span<const std::uint8_t> bytes);

    int SheetCount() const;
    int ActiveSheet() const;
    void SetActiveSheet(int sheet);

    // Inserts `count` empty worksheets before the 1-based sheet position (SheetCount() + 1
    // appends); "Sheet number \"%d\" invalid. Must be between %d and %d" for a position outside.
    void InsertEmptySheets(int position, int count);

    // The format the cell shows: its own XF, else its row's, else its column's, else XF 15.
    TTavroFormat GetCellFormat(int row, int column);
    // The two halves of GetCellFormat: the XF index the cell shows, and the format of an XF.
    std::uint16_t GetCellXF(int row, int column);
    TTavroFormat FormatOfXF(std::uint16_t xf);
    // Stores a value: a non-empty text becomes a shared-string cell (a text beginning with "="
    // too: the writer makes no formulas); a number an RK or NUMBER cell; a Boolean a BOOLERR
    // cell; an empty value or text a formatted blank cell when the position's XF needs one.
    void SetCellValue(int row, int column, const TCellValue& value);
    // The XF index of an XF identical to the format's, added when there is none.
    std::uint16_t AddFormat(const TTavroFormat& format);
    void SetCellFormat(int row, int column, std::uint16_t xf);
    // Width in 1/256 of a character; height in twips.
    void SetColumnWidth(int column, std::uint16_t width);
    void SetRowHeight(int row, std::uint16_t height);

    // Page setup and sheet settings; each does nothing when the sheet lacks the record.
    std::uint16_t PageSetupOptions() const;
    void SetPageSetupOptions(std::uint16_t options); // only the low byte is kept
    void SetPrintScale(long scale);
    void SetSummaryRowsBelow(bool on);
    void SetSummaryColsRight(bool on);
    void SetShowGridLines(bool on);
    // Makes sheet `sheet` (1-based) the selected one.
    void SetSelectedSheet(int sheet);

    // Writes the workbook to a new file. Without `overwrite` an existing file is never touched:
    // "Can't write to file ..." before anything is created. The file appears only when it is
    // complete; a failure leaves no file behind (and an existing file as it was).
    void SaveAs(const std::string& fileName, bool overwrite = false);
    // The bytes of the compound file SaveAs would write.
    std::vector<std::uint8_t> SaveToMemory();
    // The "Workbook" record stream alone.
    std::vector<std::uint8_t> WorkbookStream();

    bool Modified() const;
    TXLSFile& File();
    const TXLSFile& File() const;

private:
    TWorkSheet& Sheet();
    const TWorkSheet& Sheet() const;
    TWorkbookGlobals& Globals();
    std::uint16_t DefaultXF(const TWorkSheet& sheet, int row, int column) const;
    void StoreCell(int row, int column, const TCellValue& value, const std::uint16_t* xf);
    std::uint32_t AddString(std::u16string_view text);
    void SortFormats();
    std::uint16_t FontIndexFor(const TTavroFont& font);
    std::uint16_t FormatIndexFor(const std::u16string& text);
    void WriteFile(TOle2Storage& storage);

    std::unique_ptr<TXLSFile> file_;
    bool formatsSorted_ = false;
    // The shared strings by the hash of their stored bytes, so that adding a text costs one
    // lookup: an open-addressing table of area positions with their hashes beside them.
    struct TStringIndex {
        std::vector<std::uint64_t> hashes;
        std::vector<std::uint32_t> positions; // kEmptySlot where free
        std::size_t count = 0;
        bool built = false;
        void Clear() { *this = TStringIndex(); }
        void Insert(std::uint64_t hash, std::uint32_t position);
        void Grow();
    };
    TStringIndex stringIndex_;
};

} // namespace orq::xls
