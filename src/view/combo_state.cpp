#include "view/combo_state.h"

namespace orq {

std::string TComboState::Text() const {
    if (ItemIndex < 0 || static_cast<std::size_t>(ItemIndex) >= Items.size()) return {};
    return Items[static_cast<std::size_t>(ItemIndex)];
}

} // namespace orq
