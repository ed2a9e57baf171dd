#include "reports/report_table.h"

#include <array>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

namespace orq::reports {
namespace {

// The colours of TCellColor. Numbers are handed out in order and an entry never changes once
// its number is out, so reading a colour needs no lock; adding one takes the lock. The colours
// of the first few numbers are looked up without a lock as well: they are nearly all a program
// uses.
class TPalette {
public:
    static constexpr std::size_t kMaxColors = 65535;
    static constexpr std::uint16_t kScanned = 8;

    TPalette() { colors_[0] = 0; }

    std::uint16_t Number(TColor color) {
        const std::uint16_t count = count_.load(std::memory_order_acquire);
        const std::uint16_t scanned = count < kScanned ? count : kScanned;
        for (std::uint16_t n = 1; n <= scanned; ++n)
            if (colors_[n] == color) return n;
        std::lock_guard<std::mutex> lock(mutex_);
        if (auto found = numbers_.find(color); found != numbers_.end()) return found->second;
        const std::uint16_t next = count_.load(std::memory_order_relaxed) + 1;
        if (next > kMaxColors) throw std::length_error("too many cell colours");
        colors_[next] = color;
        numbers_.emplace(color, next);
        count_.store(next, std::memory_order_release);
        return next;
    }
    TColor Color(std::uint16_t number) const { return colors_[number]; }

private:
    // Only the entries up to count_ are ever read: the untouched rest takes no memory.
    std::array<TColor, kMaxColors + 1> colors_;
    std::atomic<std::uint16_t> count_{0};
    std::mutex mutex_;
    std::unordered_map<TColor, std::uint16_t> numbers_;
};

// A report of a large list holds over a million cells: their looks stay within a word.
static_assert(sizeof(TReportCell) <= sizeof(std::string) + 8);

TPalette& Palette() {
    static TPalette* palette = new TPalette; // used until the process ends, by any table
    return *palette;
}

} // namespace

std::uint16_t TCellColor::PaletteNumber(TColor color) {
    return Palette().Number(color);
}

TColor TCellColor::PaletteColor(std::uint16_t number) {
    return Palette().Color(number);
}

std::ostream& operator<<(std::ostream& out, const TCellColor& color) {
    return out << (color ? ColorText(color) : std::string("none"));
}

char* PutColorText(char* out, TCellColor color) {
    if (!color) return out;
    // A report of a large list has millions of colours to write: no formatting call for each.
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::uint32_t value = *color & 0xFFFFFFu;
    for (int i = 5; i >= 0; --i, value >>= 4)
        out[i] = kDigits[value & 15];
    return out + 6;
}

void AppendColorText(std::string& out, TCellColor color) {
    char text[6];
    out.append(text, static_cast<std::size_t>(PutColorText(text, color) - text));
}

std::string ColorText(TCellColor color) {
    std::string text;
    AppendColorText(text, color);
    return text;
}

const std::string& TReportTable::Text(std::size_t row, std::size_t column) const {
    static const std::string empty;
    if (column >= Columns.size()) return empty;
    if (row == 0) return Columns[column].Header;
    if (row > Rows.size()) return empty;
    const TReportRow& cells = Rows[row - 1];
    return column < cells.size() ? cells[column].Text : empty;
}

std::vector<std::size_t> TReportTable::ShownColumns() const {
    std::vector<std::size_t> shown;
    shown.reserve(Columns.size());
    for (std::size_t c = 0; c < Columns.size(); ++c)
        if (!Columns[c].Hidden) shown.push_back(c);
    return shown;
}

void TReportTable::SetColumnCount(std::size_t count) {
    Columns.resize(count);
    for (TReportRow& row : Rows)
        row.resize(count);
}

void TReportTable::SetDataRowCount(std::size_t count) {
    Rows.resize(count, TReportRow(Columns.size()));
}

void TReportTable::Clear(std::size_t dataRows) {
    Rows.assign(dataRows, TReportRow(Columns.size()));
}

} // namespace orq::reports
