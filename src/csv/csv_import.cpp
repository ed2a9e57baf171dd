#include "csv/csv_import.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "base/error.h"
#include "base/file.h"
#include "base/utf.h"

namespace orq::csv {
namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> mark) {
    return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

// The file's text as UTF-8: a view of the bytes themselves when they are UTF-8 already, else
// the text decoded into `decoded`.
std::string_view DecodeText(std::span<const std::uint8_t> bytes, std::string& decoded) {
    if (StartsWith(bytes, {0xFF, 0xFE})) {
        Utf16LeToUtf8Into(bytes.subspan(2), decoded);
        return decoded;
    }
    if (StartsWith(bytes, {0xFE, 0xFF})) {
        Utf16BeToUtf8Into(bytes.subspan(2), decoded);
        return decoded;
    }
    if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) bytes = bytes.subspan(3);
    if (IsUtf8(bytes)) return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    Windows1252ToUtf8Into(bytes, decoded);
    return decoded;
}

// Reads the records of a text, field by field.
class TRecords {
public:
    TRecords(std::string_view text, char delimiter, const std::string& name)
        : text_(text), delimiter_(delimiter), name_(name) {}

    bool AtEnd() const { return at_ >= text_.size(); }
    int Line() const { return line_; }

    // Reads the next field into `field` (a view of the text, or of `scratch` for a quoted field
    // with doubled quotes); false when the field ended its record.
    bool Field(std::string_view& field, std::string& scratch) {
        const std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '"') return Quoted(field, scratch, start);
        std::size_t i = at_;
        while (i < text_.size()) {
            const char c = text_[i];
            if (c == delimiter_ || c == '\n' || c == '\r') break;
            ++i;
        }
        field = text_.substr(at_, i - at_);
        at_ = i;
        return Separator(start);
    }

private:
    bool Quoted(std::string_view& field, std::string& scratch, std::size_t start) {
        const int firstLine = line_;
        std::size_t i = at_ + 1;
        bool doubled = false;
        std::size_t close = std::string_view::npos;
        while (i < text_.size()) {
            const auto quote = text_.find('"', i);
            if (quote == std::string_view::npos) break;
            CountLines(i, quote);
            if (quote + 1 < text_.size() && text_[quote + 1] == '"') {
                doubled = true;
                i = quote + 2;
                continue;
            }
            close = quote;
            break;
        }
        if (close == std::string_view::npos) Fail(kMsgUnterminatedQuote, firstLine, name_.c_str());
        const std::string_view inner = text_.substr(at_ + 1, close - at_ - 1);
        if (doubled) {
            scratch.clear();
            for (std::size_t k = 0; k < inner.size(); ++k) {
                scratch += inner[k];
                if (inner[k] == '"') ++k;
            }
            field = scratch;
        } else {
            field = inner;
        }
        at_ = close + 1;
        // Text between the closing quote and the delimiter is kept as it stands.
        std::size_t i2 = at_;
        while (i2 < text_.size() && text_[i2] != delimiter_ && text_[i2] != '\n' &&
               text_[i2] != '\r')
            ++i2;
        if (i2 > at_) {
            if (!doubled) scratch.assign(field);
            scratch.append(text_.substr(at_, i2 - at_));
            field = scratch;
            at_ = i2;
        }
        return Separator(start);
    }

    void CountLines(std::size_t from, std::size_t to) {
        line_ +=
            static_cast<int>(std::count(text_.begin() + static_cast<std::ptrdiff_t>(from),
                                        text_.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
    }

    // Steps over the delimiter or line end after a field: true when another field of the same
    // record follows.
    bool Separator(std::size_t fieldStart) {
        recordBytes_ += at_ - fieldStart;
        if (recordBytes_ > kMaxRecordBytes) Fail(kMsgLineTooLong, line_, name_.c_str());
        if (at_ >= text_.size()) return EndRecord();
        const char c = text_[at_];
        if (c == delimiter_) {
            ++at_;
            ++recordBytes_;
            return true;
        }
        ++at_; // CR, LF or CR LF
        if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') ++at_;
        ++line_;
        return EndRecord();
    }

    bool EndRecord() {
        recordBytes_ = 0;
        return false;
    }

    std::string_view text_;
    char delimiter_;
    const std::string& name_;
    std::size_t at_ = 0;
    std::size_t recordBytes_ = 0;
    int line_ = 1;
};

} // namespace

char SenseDelimiter(std::string_view text) {
    constexpr std::array<char, 3> kCandidates = {',', ';', '\t'};
    std::array<int, 3> best{};
    int bestTotal = 0;
    std::array<int, 3> counts{};
    bool quoted = false;
    int lines = 0;
    auto endLine = [&] {
        const int total = counts[0] + counts[1] + counts[2];
        if (total > bestTotal) {
            bestTotal = total;
            best = counts;
        }
        counts = {};
        ++lines;
    };
    for (std::size_t i = 0; i < text.size() && lines < 16; ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == '\n') {
            endLine();
        } else {
            for (std::size_t k = 0; k < kCandidates.size(); ++k)
                if (c == kCandidates[k]) ++counts[k];
        }
    }
    if (lines < 16) endLine();
    std::size_t pick = 0;
    for (std::size_t k = 1; k < kCandidates.size(); ++k)
        if (best[k] > best[pick]) pick = k;
    return kCandidates[pick];
}

void TCsvImport::Parse(std::span<const std::uint8_t> bytes, const std::string& fileName,
                       TGridSheet& sheet) {
    std::string decoded;
    const std::string_view text = DecodeText(bytes, decoded);
    if (text.find('\0') != std::string_view::npos) Fail(kMsgFileInvalid, fileName.c_str());

    // A field takes some 10 bytes of a list's text; the texts at most the text itself.
    sheet.Reserve(text.size() / 10, text.size());
    TRecords records(text, SenseDelimiter(text), fileName);
    std::string scratch;
    std::string_view field;
    for (int row = 1; !records.AtEnd(); ++row) {
        sheet.NoteRow(row);
        for (int column = 1;; ++column) {
            const bool more = records.Field(field, scratch);
            if (!field.empty()) sheet.AddText(row, column, field);
            if (!more) break;
        }
    }
}

} // namespace orq::csv
