#pragma once
// The scope node's Rule list: the Rule items in load order followed by creation order.
// Portable so that the decisions the console relies on (which item leaves the list at a
// show, which Rules the store gets) are tested natively.
#include <concepts>
#include <cstddef>
#include <memory>
#include <vector>

#include "rules/rule.h"

namespace ostrel::snapin {

template <class Item>
concept RuleListItem = requires(Item& item, const Item& c) {
  { c.deleted() } -> std::convertible_to<bool>;
  { item.rule() } -> std::same_as<Rule&>;
};

template <RuleListItem Item>
class RuleList {
 public:
  void append(std::unique_ptr<Item> item) { items_.push_back(std::move(item)); }

  // Takes the first item with a Deleted mark out of the list (the others keep their
  // order). Only one item leaves per call: every confirmed deletion is followed by a show.
  // The item is not destroyed here: the console's dispatch of the deletion may still be
  // working on it when the show runs inside it, and the console may still hold a data
  // object naming it. Dropped items live as long as the list.
  Item* dropFirstMarked() {
    for (auto it = items_.begin(); it != items_.end(); ++it) {
      if (!(*it)->deleted()) continue;
      Item* item = it->get();
      dropped_.push_back(std::move(*it));
      items_.erase(it);
      return item;
    }
    return nullptr;
  }

  // The Rules that the store keeps: every item without a Deleted mark, in list order.
  [[nodiscard]] std::vector<Rule*> liveRules() const {
    std::vector<Rule*> live;
    for (const auto& item : items_)
      if (!item->deleted()) live.push_back(&item->rule());
    return live;
  }

  [[nodiscard]] std::size_t size() const { return items_.size(); }
  [[nodiscard]] bool empty() const { return items_.empty(); }
  [[nodiscard]] Item& operator[](std::size_t i) const { return *items_[i]; }
  [[nodiscard]] std::size_t droppedCount() const { return dropped_.size(); }

  template <class F>
  void forEach(F&& f) const {
    for (const auto& item : items_) f(*item);
  }

 private:
  std::vector<std::unique_ptr<Item>> items_;
  std::vector<std::unique_ptr<Item>> dropped_;
};

}  // namespace ostrel::snapin
