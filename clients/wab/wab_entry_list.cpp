#include "clients/wab/wab_entry_list.h"

#include <bit>
#include <utility>

WabEntryList::EntryId& WabEntryList::at(size_t position) { return slots_[SlotOf(position)]; }

void WabEntryList::push_back(EntryId id) {
  slots_.push_back(std::move(id));
  const size_t node = slots_.size();  // 1-based
  // A new node covers the slots (node - lowbit(node), node].
  const size_t covered = node & (~node + 1);
  tree_.push_back(1 + PrefixCount(node - 1) - PrefixCount(node - covered));
  ++count_;
}

void WabEntryList::erase(size_t position) {
  const size_t slot = SlotOf(position);
  EntryId().swap(slots_[slot]);
  for (size_t node = slot + 1; node <= tree_.size(); node += node & (~node + 1)) --tree_[node - 1];
  --count_;
}

void WabEntryList::clear() {
  slots_.clear();
  tree_.clear();
  count_ = 0;
}

uint32_t WabEntryList::PrefixCount(size_t slots) const {
  uint32_t sum = 0;
  for (size_t node = slots; node > 0; node &= node - 1) sum += tree_[node - 1];
  return sum;
}

size_t WabEntryList::SlotOf(size_t position) const {
  // Descends the tree to the last node whose prefix holds `position`
  // entries; the next slot is the one asked for.
  size_t node = 0;
  size_t remaining = position + 1;
  for (size_t step = std::bit_floor(tree_.size()); step > 0; step >>= 1) {
    if (node + step <= tree_.size() && tree_[node + step - 1] < remaining) {
      node += step;
      remaining -= tree_[node - 1];
    }
  }
  return node;
}
