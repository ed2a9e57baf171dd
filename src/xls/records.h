#pragma once

// BIFF8 records as the workbook model keeps them, and the record stream reader with its
// look-ahead rules. A record that the reader does not interpret is kept byte for byte, with the
// CONTINUE records that followed it, so that a workbook read in can be written out again.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/import.h"
#include "xls/biff_layout.h"
#include "xls/byte_reader.h"

namespace orq::xls {

// Fixed messages of the record reader.
inline constexpr const char* kMsgPasswordProtected = "File is password protected";
inline constexpr const char* kMsgInvalidVersion =
    "Template file is saved with an invalid Excel version";
inline constexpr const char* kMsgRecordInvalid = "Record with ID 0x%X is invalid";
inline constexpr const char* kMsgErrorReadingRecord = "Error reading record";

// Record ids (names as in the file format's documentation).
namespace rid {
inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kFormulaOld = 0x0406; // an older id of FORMULA, read as kFormula
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kCalcCount = 0x000C;
inline constexpr std::uint16_t kPrecision = 0x000E;
inline constexpr std::uint16_t kRefMode = 0x000F;
inline constexpr std::uint16_t kHeader = 0x0014;
inline constexpr std::uint16_t kFooter = 0x0015;
inline constexpr std::uint16_t kExternSheet = 0x0017;
inline constexpr std::uint16_t kName = 0x0018;
inline constexpr std::uint16_t kVerticalPageBreaks = 0x001A;
inline constexpr std::uint16_t kHorizontalPageBreaks = 0x001B;
inline constexpr std::uint16_t kNote = 0x001C;
inline constexpr std::uint16_t kDateMode = 0x0022;
inline constexpr std::uint16_t kExternName = 0x0023;
inline constexpr std::uint16_t kLeftMargin = 0x0026;
inline constexpr std::uint16_t kRightMargin = 0x0027;
inline constexpr std::uint16_t kTopMargin = 0x0028;
inline constexpr std::uint16_t kBottomMargin = 0x0029;
inline constexpr std::uint16_t kPrintGridLines = 0x002B;
inline constexpr std::uint16_t kFilePass = 0x002F;
inline constexpr std::uint16_t kFont = 0x0031;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kWindow1 = 0x003D;
inline constexpr std::uint16_t kPane = 0x0041;
inline constexpr std::uint16_t kCodePage = 0x0042;
inline constexpr std::uint16_t kPls = 0x004D;
inline constexpr std::uint16_t kDefColWidth = 0x0055;
inline constexpr std::uint16_t kXct = 0x0059;
inline constexpr std::uint16_t kCrn = 0x005A;
inline constexpr std::uint16_t kObj = 0x005D;
inline constexpr std::uint16_t kColInfo = 0x007D;
inline constexpr std::uint16_t kGuts = 0x0080;
inline constexpr std::uint16_t kWsBool = 0x0081;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kPalette = 0x0092;
inline constexpr std::uint16_t kStandardWidth = 0x0099;
inline constexpr std::uint16_t kScl = 0x00A0;
inline constexpr std::uint16_t kSetup = 0x00A1;
inline constexpr std::uint16_t kMulRk = 0x00BD;
inline constexpr std::uint16_t kMulBlank = 0x00BE;
inline constexpr std::uint16_t kObProj = 0x00D3;
inline constexpr std::uint16_t kRString = 0x00D6;
inline constexpr std::uint16_t kDbCell = 0x00D7;
inline constexpr std::uint16_t kBookBool = 0x00DA;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kMergeCells = 0x00E5;
inline constexpr std::uint16_t kMsoDrawingGroup = 0x00EB;
inline constexpr std::uint16_t kMsoDrawing = 0x00EC;
inline constexpr std::uint16_t kMsoDrawingSelection = 0x00ED;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kExtSst = 0x00FF;
inline constexpr std::uint16_t kSupBook = 0x01AE;
inline constexpr std::uint16_t kCondFmt = 0x01B0;
inline constexpr std::uint16_t kCf = 0x01B1;
inline constexpr std::uint16_t kDVal = 0x01B2;
inline constexpr std::uint16_t kTxo = 0x01B6;
inline constexpr std::uint16_t kHLink = 0x01B8;
inline constexpr std::uint16_t kCodeName = 0x01BA;
inline constexpr std::uint16_t kRecalcId = 0x01C1;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kString = 0x0207;
inline constexpr std::uint16_t kRow = 0x0208;
inline constexpr std::uint16_t kIndex = 0x020B;
inline constexpr std::uint16_t kArray = 0x0221;
inline constexpr std::uint16_t kExternName2 = 0x0223;
inline constexpr std::uint16_t kDefaultRowHeight = 0x0225;
inline constexpr std::uint16_t kTable = 0x0236;
inline constexpr std::uint16_t kWindow2 = 0x023E;
inline constexpr std::uint16_t kRk = 0x027E;
inline constexpr std::uint16_t kStyle = 0x0293;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kShrFmla = 0x04BC;
inline constexpr std::uint16_t kHLinkTooltip = 0x0800;
inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kChartAi = 0x1051;
inline constexpr std::uint16_t kChartFbi = 0x1060;
} // namespace rid

// BOF substream types and the only accepted version.
inline constexpr std::uint16_t kBiff8Version = 0x0600;
inline constexpr std::uint16_t kBofGlobals = 0x0005;
inline constexpr std::uint16_t kBofWorksheet = 0x0010;
inline constexpr std::uint16_t kBofChart = 0x0020;

// Records that the reader drops as soon as they are read: indexes and caches that a writer
// generates afresh or that this program never needs.
bool IsDroppedRecord(std::uint16_t id);
// Records whose data begins with a 0-based row and column (u16 each): every cell kind, ROW and
// NOTE. They must hold at least those 4 bytes.
bool IsRowColRecord(std::uint16_t id);

class TContinueRecord;

// One record as read: its id, its body bytes and the CONTINUE records that followed it.
class TBaseRecord {
public:
    TBaseRecord(std::uint16_t id, std::span<const std::uint8_t> data);
    virtual ~TBaseRecord();
    TBaseRecord(const TBaseRecord&) = delete;
    TBaseRecord& operator=(const TBaseRecord&) = delete;

    std::uint16_t Id;
    std::vector<std::uint8_t> Data;
    // The CONTINUE that followed this record; a CONTINUE's own Continue makes a chain.
    std::unique_ptr<TBaseRecord> Continue;

    std::size_t DataSize() const { return Data.size(); }
    // A deep copy, CONTINUE chain and attachments included.
    virtual std::unique_ptr<TBaseRecord> Clone() const;
    // True for the entries that stand in the globals' misc records where the FONT, FORMAT and
    // XF lists are written.
    virtual bool IsPlaceholder() const { return false; }

protected:
    void CloneChainInto(TBaseRecord& copy) const;
};

class TContinueRecord final : public TBaseRecord {
public:
    explicit TContinueRecord(std::span<const std::uint8_t> data)
        : TBaseRecord(rid::kContinue, data) {}
    std::unique_ptr<TBaseRecord> Clone() const override;
};

// Stands where the first record of the FONT, FORMAT or XF list appeared in the globals; Id is
// the kind of list, Data is empty.
class TListPlaceholder final : public TBaseRecord {
public:
    explicit TListPlaceholder(std::uint16_t listId) : TBaseRecord(listId, {}) {}
    std::unique_ptr<TBaseRecord> Clone() const override;
    bool IsPlaceholder() const override { return true; }
};

// A FORMULA cell: its cached result (decoded when read) and the ARRAY, TABLE or SHRFMLA record
// that belongs to it.
class TFormulaRecord final : public TBaseRecord {
public:
    TFormulaRecord(std::span<const std::uint8_t> data);
    std::unique_ptr<TBaseRecord> Clone() const override;

    TCellValue Value;
    std::unique_ptr<TBaseRecord> Array;
    std::unique_ptr<TBaseRecord> Table;
    // The shared formula that followed this formula (it is kept with its first cell).
    std::unique_ptr<TBaseRecord> SharedFormula;
};

// A LABEL (or RSTRING) cell with its text decoded.
class TLabelRecord final : public TBaseRecord {
public:
    TLabelRecord(std::uint16_t id, std::span<const std::uint8_t> data) : TBaseRecord(id, data) {}
    std::unique_ptr<TBaseRecord> Clone() const override;

    std::u16string Text;
};

// A hyperlink with its tooltip record.
class THlinkRecord final : public TBaseRecord {
public:
    explicit THlinkRecord(std::span<const std::uint8_t> data) : TBaseRecord(rid::kHLink, data) {}
    std::unique_ptr<TBaseRecord> Clone() const override;

    std::unique_ptr<TBaseRecord> Tooltip;
};

using TRecordList = std::vector<std::unique_ptr<TBaseRecord>>;

// The size of the fixed part of a cell record, checked when it is read (4 for kinds without a
// fixed part beyond row and column).
constexpr std::size_t FixedCellSize(std::uint16_t id) {
    switch (id) {
    case rid::kBlank:
        return End(biff::cell::Xf); // row, column, XF
    case rid::kNumber:
        return End(biff::number::Value);
    case rid::kRk:
        return End(biff::rk::Value);
    case rid::kBoolErr:
        return End(biff::boolerr::IsError);
    case rid::kLabelSst:
        return End(biff::labelsst::Index);
    case rid::kLabel:
    case rid::kRString:
        return biff::cell::kValue; // + the string, checked as it is read
    case rid::kFormula:
        return End(biff::formula::Options); // cached result, option flags
    default:
        return End(biff::cell::Column);
    }
}
static_assert(FixedCellSize(rid::kNumber) == 14 && FixedCellSize(rid::kFormula) == 16 &&
              FixedCellSize(rid::kBoolErr) == 8 && FixedCellSize(0) == 4);
// Fails with "Record with ID 0x%X is invalid" when the record is shorter than `size`.
inline void RequireSize(std::uint16_t id, std::span<const std::uint8_t> data, std::size_t size) {
    if (data.size() < size) Fail(kMsgRecordInvalid, static_cast<unsigned>(id));
}

// One decoded BIFF8 string (XLUnicodeRichExtendedString and its short forms).
struct TExcelString {
    int LengthBytes = 2;      // width of the character count: 1 or 2
    std::uint16_t Count = 0;  // characters
    std::uint8_t Options = 0; // bit 0 16-bit characters, bit 2 phonetic, bit 3 runs
    std::uint16_t RunCount = 0;
    std::uint32_t PhoneticSize = 0;
    std::vector<std::uint8_t> Characters; // Count bytes (8-bit) or 2 * Count bytes (16-bit)
    std::vector<std::uint8_t> Runs;       // 4 bytes per run
    std::vector<std::uint8_t> Phonetic;

    bool Wide() const { return (Options & biff::kStringWide) != 0; }
    // The characters as UTF-16 code units; 8-bit characters are zero-extended.
    std::u16string Text() const;
};

// Reads bytes from a record and then from its CONTINUE chain, as strings split across records
// require. A field is never split: when the current record is used up exactly, reading goes on
// at the start of the next CONTINUE; a field that runs past a record's end, or a CONTINUE that
// is needed and missing, fails with "Error reading record".
class TContinuedReader {
public:
    explicit TContinuedReader(const TBaseRecord& record, std::size_t offset = 0);

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    // `count` bytes, taken piece by piece across record boundaries, appended to `out`.
    void AppendBytes(std::size_t count, std::vector<std::uint8_t>& out);
    // The characters of a string: 8-bit or 16-bit, with the width byte at the start of each
    // CONTINUE the characters run into. A string that meets a 16-bit part is widened; `wide`
    // is the string's width at the start and at the end. Characters are appended as stored
    // (one byte each when the string stays 8-bit, two bytes each otherwise).
    void AppendCharacters(std::size_t count, bool& wide, std::vector<std::uint8_t>& out);
    // A whole string as laid out in the file, with a 1- or 2-byte character count.
    TExcelString ReadString(int lengthBytes);

    // Bytes left in the current record.
    std::size_t CurrentRemaining() const { return reader_.Remaining(); }
    // Takes `count` bytes from the current record (the caller checked CurrentRemaining).
    std::span<const std::uint8_t> CurrentBytes(std::size_t count) { return reader_.Bytes(count); }
    // Moves on to the next CONTINUE when the current record is used up.
    void NextIfUsedUp();

private:
    void Next();

    const TBaseRecord* record_;
    ByteReader reader_;
};

// The 4-byte header of a record.
struct TRecordHeader {
    std::uint16_t Id = 0;
    std::uint16_t Size = 0;
};

// What a read of a record stream may hold beyond the stream itself: a fixed allowance plus a
// multiple of the stream's size (the resource policy is described in workbook.cpp).
inline constexpr std::size_t kHeldAllowance = std::size_t{32} << 20;
inline constexpr std::size_t kHeldPerStreamByte = 8;
// What one held item costs, as charged against that limit.
inline constexpr std::size_t kHeldPerRecord = 80;  // a record object, its list slot and heap block
inline constexpr std::size_t kHeldPerRowSlot = 80; // one row of the cell list and row-record list

// Sequential reader of a workbook record stream. The stream bytes must outlive it.
class TRecordReader {
public:
    explicit TRecordReader(std::span<const std::uint8_t> stream)
        : reader_(stream), heldLimit_(kHeldAllowance + kHeldPerStreamByte * stream.size()) {}

    // Counts `bytes` as held by what is read from this stream; past the limit the stream is
    // refused with "Error reading Excel records. File invalid".
    void Hold(std::size_t bytes) {
        if (!CanHold(bytes)) Fail(kReadErrorMessage);
        held_ += bytes;
    }
    // Whether `bytes` more fit under the limit (for room that is only a hint, such as a
    // reservation).
    bool CanHold(std::size_t bytes) const { return bytes <= heldLimit_ - held_; }

    // Reads the next header; false (nothing consumed) when fewer than 4 bytes are left.
    bool ReadHeader(TRecordHeader& header) {
        if (!PeekHeader(header)) return false;
        reader_.Skip(4);
        return true;
    }
    // Reads the next header inside a substream, where a short header is a damaged file.
    TRecordHeader RequireHeader() {
        TRecordHeader header;
        if (!ReadHeader(header)) Fail(kReadErrorMessage);
        return header;
    }
    // The next header without consuming it; false when fewer than 4 bytes are left.
    bool PeekHeader(TRecordHeader& header) const {
        if (reader_.Remaining() < 4) return false;
        const std::uint32_t both = ReadU32LE(reader_.Data(), reader_.Position());
        header.Id = static_cast<std::uint16_t>(both);
        if (header.Id == rid::kFormulaOld) header.Id = rid::kFormula;
        header.Size = static_cast<std::uint16_t>(both >> 16);
        return true;
    }
    // The body of the record after the next header, when the stream holds all of it (a look
    // further ahead, for prefetching only).
    std::span<const std::uint8_t> PeekNextBody(std::uint16_t& id) const {
        TRecordHeader next;
        if (!PeekHeader(next) || reader_.Remaining() - 4 < next.Size) return {};
        id = next.Id;
        return reader_.Data().subspan(reader_.Position() + 4, next.Size);
    }
    // The body of the record whose header was just read.
    std::span<const std::uint8_t> ReadBody(const TRecordHeader& header) {
        return reader_.Bytes(header.Size);
    }

    // Reads the body of the record whose header was just read, checks it, makes the record
    // object of its kind and runs the look-ahead (CONTINUE, STRING, ARRAY, TABLE and
    // HLINKTOOLTIP rules).
    std::unique_ptr<TBaseRecord> ReadRecord(const TRecordHeader& header);
    // The checks made on every record body: BOF version, FILEPASS, row and column present.
    static void CheckRecord(std::uint16_t id, std::span<const std::uint8_t> body);
    // The look-ahead for a record kept in compact form (a cell without a record object): any
    // CONTINUE records that follow are read (with their own look-ahead) and dropped.
    void LookAheadCompact(std::uint16_t id) {
        TRecordHeader next;
        if (!PeekHeader(next)) return;
        switch (next.Id) {
        case rid::kContinue:
        case rid::kString:
        case rid::kArray:
        case rid::kTable:
        case rid::kHLinkTooltip:
            LookAheadCompactSlow(id);
            return;
        default:
            return;
        }
    }

    std::size_t Position() const { return reader_.Position(); }
    std::span<const std::uint8_t> Data() const { return reader_.Data(); }

private:
    void LookAhead(TBaseRecord& record);
    void LookAheadCompactSlow(std::uint16_t id);
    std::unique_ptr<TContinueRecord> ReadContinue();

    ByteReader reader_;
    std::size_t heldLimit_;
    std::size_t held_ = 0;
};

// RK number decoding: a 30-bit integer or the upper 30 bits of a double, optionally / 100.
double DecodeRk(std::uint32_t rk);
// The text of a BOOLERR error code; an unknown code reads as "#NULL!".
const char* ErrorCodeText(std::uint8_t code);
// The text of an error code known to the file format, or nullptr for any other code.
const char* KnownErrorCodeText(std::uint8_t code);

} // namespace orq::xls
