#include "domain/sorted_list.h"

namespace orq {

int CaseInsensitiveCompare(const std::string& a, const std::string& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

TSortedList::TSortedList(CollationCompare compare)
    : compare_(compare ? std::move(compare) : CollationCompare(CaseInsensitiveCompare)),
      set_(Less{compare_}) {}

void TSortedList::SetCollation(CollationCompare compare) {
    compare_ = compare ? std::move(compare) : CollationCompare(CaseInsensitiveCompare);
    set_ = std::set<std::string, Less>(Less{compare_});
    seen_.clear();
    last_.clear();
    hasLast_ = false;
    items_.clear();
    itemsValid_ = true;
}

bool TSortedList::Add(const std::string& text) {
    // A text seen byte for byte before is equal to a held entry under any collation. Lists are
    // mostly filled with runs of the same text, so the last one is checked first.
    if (hasLast_ && text == last_) return false;
    last_ = text;
    hasLast_ = true;
    if (!seen_.insert(text).second) return false;
    if (!set_.insert(text).second) return false;
    itemsValid_ = false;
    return true;
}

void TSortedList::Clear() {
    set_.clear();
    seen_.clear();
    last_.clear();
    hasLast_ = false;
    items_.clear();
    itemsValid_ = true;
}

const std::vector<std::string>& TSortedList::Items() const {
    if (!itemsValid_) {
        items_.assign(set_.begin(), set_.end());
        itemsValid_ = true;
    }
    return items_;
}

long TSortedList::IndexOf(const std::string& text) const {
    auto it = set_.find(text);
    if (it == set_.end()) return -1;
    return static_cast<long>(std::distance(set_.begin(), it));
}

} // namespace orq
