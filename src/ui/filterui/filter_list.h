// The filters of the main window in the order they apply: the one list the dialog owns, held as
// values. The list box shows it and changes it only through these functions.
#pragma once

#include <utility>

#include "core/rules/rule.h"

namespace ui {

class FilterList {
public:
    const core::RuleList& rules() const { return rules_; }
    int size() const { return static_cast<int>(rules_.size()); }
    bool contains(int index) const { return index >= 0 && index < size(); }
    const core::Rule& at(int index) const { return rules_.at(static_cast<std::size_t>(index)); }

    void assign(core::RuleList rules) { rules_ = std::move(rules); }
    void clear() { rules_.clear(); }
    // A new filter always goes at the end.
    void add(core::Rule rule) { rules_.push_back(std::move(rule)); }
    void replace(int index, core::Rule rule);
    void remove(int index);
    // Moves filter `from` so that it lands before filter `before` (size() for the end): the drop
    // rule of the list. Returns where it landed; onto itself or the place just below, it stays.
    int move(int from, int before);

private:
    core::RuleList rules_;
};

}  // namespace ui
