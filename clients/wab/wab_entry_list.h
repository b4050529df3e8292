#pragma once
// The address book's entry IDs by list position, where removing one moves
// every later one down a position. Looking up and removing by position
// cost O(log n) rather than O(n), so a scan that deletes thousands of
// marked entries does not slow down with the size of the address book.

#include <cstddef>
#include <cstdint>
#include <vector>

class WabEntryList {
 public:
  using EntryId = std::vector<uint8_t>;

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  // `position` < size().
  EntryId& at(size_t position);
  void push_back(EntryId id);
  void erase(size_t position);
  void clear();

 private:
  // The slot of the `position`-th entry still in the list.
  size_t SlotOf(size_t position) const;
  uint32_t PrefixCount(size_t slots) const;

  std::vector<EntryId> slots_;  // every ID added since the last clear, removed ones empty
  std::vector<uint32_t> tree_;  // Fenwick tree over the slots: 1 for each one in the list
  size_t count_ = 0;
};
