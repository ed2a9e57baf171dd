#include "xls/records.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/utf.h"

namespace orq::xls {

bool IsDroppedRecord(std::uint16_t id) {
    switch (id) {
    case rid::kXct:
    case rid::kCrn:
    case rid::kDbCell:
    case rid::kMsoDrawingSelection:
    case rid::kExtSst:
    case rid::kRecalcId:
    case rid::kIndex:
    case rid::kChartFbi:
        return true;
    default:
        return false;
    }
}

bool IsRowColRecord(std::uint16_t id) {
    switch (id) {
    case rid::kFormula:
    case rid::kBlank:
    case rid::kNumber:
    case rid::kLabel:
    case rid::kRString:
    case rid::kBoolErr:
    case rid::kRk:
    case rid::kLabelSst:
    case rid::kMulRk:
    case rid::kMulBlank:
    case rid::kArray:
    case rid::kTable:
    case rid::kShrFmla:
    case rid::kRow:
    case rid::kNote:
        return true;
    default:
        return false;
    }
}

// ---- Records ----------------------------------------------------------------------------------

TBaseRecord::TBaseRecord(std::uint16_t id, std::span<const std::uint8_t> data)
    : Id(id), Data(data.begin(), data.end()) {}

TBaseRecord::~TBaseRecord() {
    // Releases the CONTINUE chain link by link: a long chain must not recurse.
    std::unique_ptr<TBaseRecord> next = std::move(Continue);
    while (next)
        next = std::move(next->Continue);
}

void TBaseRecord::CloneChainInto(TBaseRecord& copy) const {
    const TBaseRecord* source = Continue.get();
    TBaseRecord* target = &copy;
    while (source) {
        target->Continue = std::make_unique<TContinueRecord>(source->Data);
        target = target->Continue.get();
        source = source->Continue.get();
    }
}

std::unique_ptr<TBaseRecord> TBaseRecord::Clone() const {
    auto copy = std::make_unique<TBaseRecord>(Id, Data);
    CloneChainInto(*copy);
    return copy;
}

std::unique_ptr<TBaseRecord> TContinueRecord::Clone() const {
    auto copy = std::make_unique<TContinueRecord>(Data);
    CloneChainInto(*copy);
    return copy;
}

std::unique_ptr<TBaseRecord> TListPlaceholder::Clone() const {
    return std::make_unique<TListPlaceholder>(Id);
}

namespace {
std::unique_ptr<TBaseRecord> CloneOrNull(const std::unique_ptr<TBaseRecord>& record) {
    return record ? record->Clone() : nullptr;
}
} // namespace

TFormulaRecord::TFormulaRecord(std::span<const std::uint8_t> data)
    : TBaseRecord(rid::kFormula, data) {
    namespace f = biff::formula;
    // The cached result: a double, unless its top two bytes are kResultNotNumber, when its first
    // byte gives its type.
    if (Load<f::ResultMark>(Data) != biff::kResultNotNumber) {
        Value = ReadF64LE(Data, f::Result.offset);
    } else {
        switch (Load<f::ResultType>(Data)) {
        case biff::kResultText:
            Value = std::string();
            break; // a STRING record follows
        case biff::kResultBoolean:
            Value = Load<f::ResultValue>(Data) == 1;
            break;
        case biff::kResultError:
            if (const char* text = KnownErrorCodeText(Load<f::ResultValue>(Data)))
                Value = std::string(text);
            break;
        default:
            break;
        }
    }
    // The formula is marked to be calculated again when the workbook is opened.
    Store<f::Options>(Data, 0,
                      static_cast<std::uint16_t>(Load<f::Options>(Data) | biff::kCalculateOnLoad));
}

std::unique_ptr<TBaseRecord> TFormulaRecord::Clone() const {
    auto copy = std::make_unique<TFormulaRecord>(Data);
    CloneChainInto(*copy);
    copy->Value = Value;
    copy->Array = CloneOrNull(Array);
    copy->Table = CloneOrNull(Table);
    copy->SharedFormula = CloneOrNull(SharedFormula);
    return copy;
}

std::unique_ptr<TBaseRecord> TLabelRecord::Clone() const {
    auto copy = std::make_unique<TLabelRecord>(Id, Data);
    CloneChainInto(*copy);
    copy->Text = Text;
    return copy;
}

std::unique_ptr<TBaseRecord> THlinkRecord::Clone() const {
    auto copy = std::make_unique<THlinkRecord>(Data);
    CloneChainInto(*copy);
    copy->Tooltip = CloneOrNull(Tooltip);
    return copy;
}

// ---- Strings ----------------------------------------------------------------------------------

std::u16string TExcelString::Text() const {
    std::u16string text;
    if (Wide()) {
        text.resize(Characters.size() / 2);
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(ReadU16LE(Characters, 2 * i));
    } else {
        text.assign(Characters.begin(), Characters.end());
    }
    return text;
}

TContinuedReader::TContinuedReader(const TBaseRecord& record, std::size_t offset)
    : record_(&record), reader_(record.Data, kMsgErrorReadingRecord) {
    reader_.Seek(offset);
}

void TContinuedReader::Next() {
    if (!record_->Continue) Fail(kMsgErrorReadingRecord);
    record_ = record_->Continue.get();
    reader_ = ByteReader(record_->Data, kMsgErrorReadingRecord);
}

void TContinuedReader::NextIfUsedUp() {
    if (reader_.AtEnd()) Next();
}

std::uint8_t TContinuedReader::U8() {
    NextIfUsedUp();
    return reader_.U8();
}

std::uint16_t TContinuedReader::U16() {
    NextIfUsedUp();
    return reader_.U16();
}

std::uint32_t TContinuedReader::U32() {
    NextIfUsedUp();
    return reader_.U32();
}

void TContinuedReader::AppendBytes(std::size_t count, std::vector<std::uint8_t>& out) {
    while (count > 0) {
        NextIfUsedUp();
        std::size_t take = std::min(count, reader_.Remaining());
        auto bytes = reader_.Bytes(take);
        out.insert(out.end(), bytes.begin(), bytes.end());
        count -= take;
    }
}

void TContinuedReader::AppendCharacters(std::size_t count, bool& wide,
                                        std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    bool partWide = wide;
    while (count > 0) {
        if (reader_.AtEnd()) {
            // Characters that run into a CONTINUE: its first byte gives their width.
            Next();
            partWide = (reader_.U8() & biff::kStringWide) != 0;
            if (partWide && !wide) {
                // The 8-bit characters read so far become 16-bit.
                std::size_t narrow = out.size() - start;
                out.resize(start + 2 * narrow);
                for (std::size_t i = narrow; i-- > 0;) {
                    out[start + 2 * i] = out[start + i];
                    out[start + 2 * i + 1] = 0;
                }
                wide = true;
            }
        }
        const std::size_t width = partWide ? 2 : 1;
        const std::size_t fit = reader_.Remaining() / width;
        if (fit == 0) Fail(kMsgErrorReadingRecord); // half a character before the record's end
        const std::size_t take = std::min(count, fit);
        auto bytes = reader_.Bytes(take * width);
        if (partWide || !wide) {
            out.insert(out.end(), bytes.begin(), bytes.end());
        } else {
            // 8-bit characters inside a 16-bit string are widened one by one.
            for (std::uint8_t byte : bytes) {
                out.push_back(byte);
                out.push_back(0);
            }
        }
        count -= take;
    }
}

TExcelString TContinuedReader::ReadString(int lengthBytes) {
    TExcelString s;
    s.LengthBytes = lengthBytes;
    s.Count = lengthBytes == 1 ? U8() : U16();
    s.Options = U8();
    if (s.Options & biff::kStringRichText) s.RunCount = U16();
    if (s.Options & biff::kStringPhonetic) s.PhoneticSize = U32();
    bool wide = s.Wide();
    AppendCharacters(s.Count, wide, s.Characters);
    if (wide) s.Options |= biff::kStringWide;
    AppendBytes(std::size_t{4} * s.RunCount, s.Runs);
    AppendBytes(s.PhoneticSize, s.Phonetic);
    return s;
}

// ---- Record stream ----------------------------------------------------------------------------

void TRecordReader::CheckRecord(std::uint16_t id, std::span<const std::uint8_t> body) {
    if (id == rid::kBof && Load<biff::bof::Version>(body) != kBiff8Version)
        Fail(kMsgInvalidVersion);
    if (id == rid::kFilePass) Fail(kMsgPasswordProtected);
    if (IsRowColRecord(id) && body.size() < 4) Fail(kMsgRecordInvalid, static_cast<unsigned>(id));
}

std::unique_ptr<TBaseRecord> TRecordReader::ReadRecord(const TRecordHeader& header) {
    auto body = ReadBody(header);
    CheckRecord(header.Id, body);
    // A dropped record is freed at once; every other one is held by the workbook.
    if (!IsDroppedRecord(header.Id)) Hold(kHeldPerRecord + body.size());
    std::unique_ptr<TBaseRecord> record;
    switch (header.Id) {
    case rid::kFormula:
        RequireSize(header.Id, body, FixedCellSize(header.Id));
        record = std::make_unique<TFormulaRecord>(body);
        break;
    case rid::kLabel:
    case rid::kRString:
        record = std::make_unique<TLabelRecord>(header.Id, body);
        break;
    case rid::kHLink:
        record = std::make_unique<THlinkRecord>(body);
        break;
    case rid::kContinue:
        record = std::make_unique<TContinueRecord>(body);
        break;
    default:
        record = std::make_unique<TBaseRecord>(header.Id, body);
        break;
    }
    LookAhead(*record);
    return record;
}

std::unique_ptr<TContinueRecord> TRecordReader::ReadContinue() {
    TRecordHeader header;
    ReadHeader(header);
    return std::make_unique<TContinueRecord>(ReadBody(header));
}

namespace {
// Records after which a STRING record (a formula's text result) may follow.
bool TakesString(std::uint16_t id) {
    return id == rid::kFormula || id == rid::kShrFmla || id == rid::kArray || id == rid::kTable;
}
} // namespace

void TRecordReader::LookAhead(TBaseRecord& record) {
    TBaseRecord* tail = &record;
    for (;;) {
        TRecordHeader next;
        if (!PeekHeader(next)) return;
        switch (next.Id) {
        case rid::kContinue:
            // Read by the same rule, so the CONTINUE's own look-ahead runs next.
            Hold(kHeldPerRecord + next.Size);
            tail->Continue = ReadContinue();
            tail = tail->Continue.get();
            continue;
        case rid::kString:
            if (!TakesString(tail->Id)) Fail(kReadErrorMessage);
            return;
        case rid::kArray:
        case rid::kTable: {
            // Only a FORMULA itself (never one of its CONTINUEs) owns an ARRAY or TABLE.
            if (tail->Id != rid::kFormula) Fail(kReadErrorMessage);
            auto& formula = static_cast<TFormulaRecord&>(*tail);
            ReadHeader(next);
            auto attached = ReadRecord(next);
            (next.Id == rid::kArray ? formula.Array : formula.Table) = std::move(attached);
            return;
        }
        case rid::kHLinkTooltip: {
            if (tail->Id != rid::kHLink) Fail(kReadErrorMessage);
            auto& link = static_cast<THlinkRecord&>(*tail);
            ReadHeader(next);
            link.Tooltip = ReadRecord(next);
            return;
        }
        default:
            return;
        }
    }
}

void TRecordReader::LookAheadCompactSlow(std::uint16_t id) {
    for (;;) {
        TRecordHeader next;
        if (!PeekHeader(next)) return;
        switch (next.Id) {
        case rid::kContinue:
            ReadContinue();
            id = rid::kContinue;
            continue;
        case rid::kString:
            if (!TakesString(id)) Fail(kReadErrorMessage);
            return;
        case rid::kArray:
        case rid::kTable:
        case rid::kHLinkTooltip:
            Fail(kReadErrorMessage); // compact cells are never their owners
        default:
            return;
        }
    }
}

// ---- Values -----------------------------------------------------------------------------------

double DecodeRk(std::uint32_t rk) {
    double value;
    if (rk & 0x02) {
        // A signed 30-bit integer in the upper bits.
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        // The upper 30 bits of a double whose lower 34 bits are 0.
        value = std::bit_cast<double>(static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32);
    }
    if (rk & 0x01) value /= 100;
    return value;
}

const char* KnownErrorCodeText(std::uint8_t code) {
    switch (code) {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    case 0x2A:
        return "#N/A";
    default:
        return nullptr;
    }
}

const char* ErrorCodeText(std::uint8_t code) {
    const char* text = KnownErrorCodeText(code);
    return text ? text : "#NULL!";
}

} // namespace orq::xls
