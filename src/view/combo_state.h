#pragma once

#include <string>
#include <vector>

namespace orq {

// A drop-down selector: its items, the selected index (-1 none) and whether it is enabled.
struct TComboState {
    std::vector<std::string> Items;
    int ItemIndex = -1;
    bool Enabled = false;

    // The selected item's text, empty when nothing is selected.
    std::string Text() const;
    void Clear() {
        Items.clear();
        ItemIndex = -1;
    }
};

} // namespace orq
