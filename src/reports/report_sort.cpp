#include "reports/report_sort.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>
#include <vector>

namespace orq::reports {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// [sign] digits [sep digits] | [sign] sep digits, on a trimmed text.
std::optional<double> ReadNumber(std::string_view text, char decimalSeparator) {
    if (text.empty()) return 0.0;
    std::size_t i = 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    double value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits)
        value = value * 10 + (text[i] - '0');
    if (i < text.size() && text[i] == decimalSeparator) {
        ++i;
        double scale = 0.1;
        for (; i < text.size() && IsDigit(text[i]); ++i, ++digits, scale /= 10)
            value += (text[i] - '0') * scale;
    }
    if (digits == 0 || i != text.size()) return std::nullopt;
    return negative ? -value : value;
}

// h:mm or h:mm:ss, optionally followed by blanks and AM or PM (any case): the fraction of a day.
std::optional<double> ReadTime(std::string_view text) {
    std::size_t i = 0;
    int fields[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        std::size_t start = i;
        int value = 0;
        while (i < text.size() && IsDigit(text[i]) && i - start < 2)
            value = value * 10 + (text[i++] - '0');
        if (i == start) return std::nullopt;
        fields[count++] = value;
        if (i < text.size() && text[i] == ':' && count < 3) {
            ++i;
            continue;
        }
        break;
    }
    if (count < 2) return std::nullopt;
    int hour = fields[0];
    const int minute = fields[1];
    const int second = fields[2];
    std::string_view rest = Trim(text.substr(i));
    if (!rest.empty()) {
        if (rest.size() != 2 || (rest[1] != 'M' && rest[1] != 'm')) return std::nullopt;
        const char half = rest[0];
        if (half != 'A' && half != 'a' && half != 'P' && half != 'p') return std::nullopt;
        if (hour < 1 || hour > 12) return std::nullopt;
        if (hour == 12) hour = 0;
        if (half == 'P' || half == 'p') hour += 12;
    }
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

std::optional<double> ReadDateTime(std::string_view text, const TFormatSettings& format,
                                   TDateTime today) {
    if (auto time = ReadTime(text)) return time;
    TDateTime date = 0;
    const std::size_t space = text.find(' ');
    if (space != std::string_view::npos) {
        std::string_view rest = Trim(text.substr(space));
        if (auto time = ReadTime(rest)) {
            if (TryStrToDate(text.substr(0, space), format, today, date)) {
                // A time counts forward from the day, also before 30 December 1899.
                return date < 0 ? date - *time : date + *time;
            }
        }
    }
    if (TryStrToDate(text, format, today, date)) return date;
    return std::nullopt;
}

int Compare(double a, double b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// One row's key as the sort handles it: the kind, then two 64-bit values that order like the key
// (the number's bits made sortable, or the first sixteen bytes of a text, big-endian), then for
// texts the whole text to settle equal first bytes. Kept contiguous with the row number so the
// sort reads no cell while it compares.
struct TSortItem {
    std::uint64_t Major = 0;
    std::uint64_t Minor = 0; // texts: bytes 9 to 16
    std::string_view Text;
    std::uint32_t Row = 0;
    TSortKind Kind = TSortKind::Number;
};

std::uint64_t OrderedBits(double value) {
    if (value == 0) value = 0; // -0 reads as 0
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
}

// Eight bytes of a text from `from` on, big-endian, zeros past its end.
std::uint64_t TextBytes(std::string_view text, std::size_t from) {
    std::uint64_t bytes = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        bytes = bytes << 8 | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
    return bytes;
}

int CompareItems(const TSortItem& a, const TSortItem& b) {
    if (a.Kind != b.Kind) return a.Kind < b.Kind ? -1 : 1;
    if (a.Major != b.Major) return a.Major < b.Major ? -1 : 1;
    if (a.Minor != b.Minor) return a.Minor < b.Minor ? -1 : 1;
    if (a.Kind != TSortKind::Text || (a.Text.size() <= 16 && a.Text.size() == b.Text.size()))
        return 0;
    const int c = a.Text.compare(b.Text);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Sorts perm[first, last) by column `columns[level]`, then refines each run of equal keys by the
// next shown column. Each level has one item buffer, from its start as long as the range being
// sorted: a level's runs are refined one after the other, each to its end before the next, so
// the next level's buffer need only be as long as the longest run, not the table.
class RowSorter {
public:
    RowSorter(const TReportTable& table, std::vector<std::size_t> columns, bool ascending,
              const TFormatSettings& format, TDateTime today)
        : table_(table), columns_(std::move(columns)), ascending_(ascending), format_(format),
          today_(today), items_(columns_.size()), texts_(table.Rows.size()) {}

    void Sort(std::vector<std::uint32_t>& perm, std::size_t first, std::size_t last,
              std::size_t level) {
        if (last - first < 2 || level >= columns_.size()) return;
        std::vector<TSortItem>& items = items_[level];
        if (items.size() < last - first) items.resize(last - first);
        const std::size_t column = columns_[level];
        // First the texts, in a loop of independent loads (the rows of a run lie scattered in
        // memory, and a tight loop lets many of those loads overlap), then the keys, asking a
        // few steps ahead for the memory of the texts.
        for (std::size_t i = first; i < last; ++i) {
            const TReportRow& cells = table_.Rows[perm[i]];
            texts_[i] =
                column < cells.size() ? std::string_view(cells[column].Text) : std::string_view();
        }
        for (std::size_t i = first; i < last; ++i) {
            if (i + 8 < last) __builtin_prefetch(texts_[i + 8].data());
            const TSortKey key = CellSortKey(texts_[i], format_, today_);
            TSortItem& item = items[i - first];
            item.Row = perm[i];
            item.Kind = key.Kind;
            item.Text = key.Text;
            if (key.Kind == TSortKind::Text) {
                item.Major = TextBytes(key.Text, 0);
                item.Minor = TextBytes(key.Text, 8);
            } else {
                item.Major = OrderedBits(key.Value);
                item.Minor = 0;
            }
        }
        auto begin = items.begin();
        auto end = items.begin() + static_cast<std::ptrdiff_t>(last - first);
        // A range already in order (a list kept by station, the ties of a column) stays as it is.
        if (ascending_) {
            auto before = [](const TSortItem& a, const TSortItem& b) {
                return CompareItems(a, b) < 0;
            };
            if (!std::is_sorted(begin, end, before)) std::stable_sort(begin, end, before);
        } else {
            auto before = [](const TSortItem& a, const TSortItem& b) {
                return CompareItems(a, b) > 0;
            };
            if (!std::is_sorted(begin, end, before)) std::stable_sort(begin, end, before);
        }
        for (std::size_t i = first; i < last; ++i)
            perm[i] = items[i - first].Row;
        std::size_t runStart = 0;
        for (std::size_t i = 1; i <= last - first; ++i) {
            if (i == last - first || CompareItems(items[runStart], items[i]) != 0) {
                Sort(perm, first + runStart, first + i, level + 1);
                runStart = i;
            }
        }
    }

private:
    const TReportTable& table_;
    std::vector<std::size_t> columns_;
    bool ascending_;
    const TFormatSettings& format_;
    TDateTime today_;
    std::vector<std::vector<TSortItem>> items_;
    std::vector<std::string_view> texts_; // the cell texts of the range being keyed
};

} // namespace

TSortKey CellSortKey(std::string_view text, const TFormatSettings& format, TDateTime today) {
    const std::string_view trimmed = Trim(text);
    if (auto number = ReadNumber(trimmed, format.decimalSeparator))
        return {TSortKind::Number, *number, {}};
    if (auto when = ReadDateTime(trimmed, format, today)) return {TSortKind::DateTime, *when, {}};
    return {TSortKind::Text, 0, text};
}

int CompareSortKeys(const TSortKey& a, const TSortKey& b) {
    if (a.Kind != b.Kind) return a.Kind < b.Kind ? -1 : 1;
    if (a.Kind == TSortKind::Text) {
        const int c = a.Text.compare(b.Text);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return Compare(a.Value, b.Value);
}

TRowOrder SortRows(TReportTable& table, std::size_t column, bool ascending,
                   const TFormatSettings& format, TDateTime today) {
    if (column >= table.Columns.size()) return {};
    std::vector<std::size_t> columns;
    for (std::size_t c = column; c < table.Columns.size(); ++c)
        if (c == column || !table.Columns[c].Hidden) columns.push_back(c);

    TRowOrder perm(table.Rows.size());
    std::iota(perm.begin(), perm.end(), std::uint32_t{0});
    RowSorter sorter(table, std::move(columns), ascending, format, today);
    sorter.Sort(perm, 0, perm.size(), 0);

    std::vector<TReportRow> sorted;
    sorted.reserve(table.Rows.size());
    for (std::size_t row : perm)
        sorted.push_back(std::move(table.Rows[row]));
    table.Rows = std::move(sorted);
    table.SortColumn = static_cast<int>(column);
    table.SortAscending = ascending;
    return perm;
}

} // namespace orq::reports
