#include "ui/filterui/filter_list.h"

#include <algorithm>
#include <iterator>

namespace ui {

void FilterList::replace(int index, core::Rule rule) {
    if (contains(index)) rules_[static_cast<std::size_t>(index)] = std::move(rule);
}

void FilterList::remove(int index) {
    if (contains(index)) rules_.erase(rules_.begin() + index);
}

int FilterList::move(int from, int before) {
    if (!contains(from) || before < 0 || before > size() || before == from || before == from + 1) return from;
    const auto first = rules_.begin();
    // A rotation keeps every other filter in its order, with no copy of a Rule.
    if (from < before) {
        std::rotate(first + from, first + from + 1, first + before);
        return before - 1;
    }
    std::rotate(first + before, first + from, first + from + 1);
    return before;
}

}  // namespace ui
