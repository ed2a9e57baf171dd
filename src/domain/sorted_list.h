#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

namespace orq {

// The collation the lists order by: negative, zero or positive as strcmp. The program passes the
// user locale's collation with letter case ignored; the default compares bytes ignoring ASCII
// case.
using CollationCompare = std::function<int(const std::string&, const std::string&)>;

int CaseInsensitiveCompare(const std::string& a, const std::string& b);

// A sorted text list that ignores duplicates: an entry that the collation finds equal to one
// already held is not added (the first spelling stays). Adding is O(log n); texts already seen
// byte for byte are recognised without consulting the collation.
class TSortedList {
public:
    explicit TSortedList(CollationCompare compare = CaseInsensitiveCompare);

    void SetCollation(CollationCompare compare); // empties the list
    const CollationCompare& Collation() const { return compare_; }

    // Adds the text unless an equal entry is held; true when it was added.
    bool Add(const std::string& text);
    void Clear();

    std::size_t Count() const { return set_.size(); }
    bool Empty() const { return set_.empty(); }
    // The entries in order.
    const std::vector<std::string>& Items() const;
    const std::string& operator[](std::size_t index) const { return Items()[index]; }
    // The position of the entry equal to `text` under the collation, or -1.
    long IndexOf(const std::string& text) const;

private:
    struct Less {
        CollationCompare compare;
        bool operator()(const std::string& a, const std::string& b) const {
            return compare(a, b) < 0;
        }
    };
    CollationCompare compare_;
    std::set<std::string, Less> set_;
    std::unordered_set<std::string> seen_; // exact texts offered so far
    std::string last_;                     // the text offered last
    bool hasLast_ = false;
    mutable std::vector<std::string> items_;
    mutable bool itemsValid_ = true;
};

} // namespace orq
