// The entry list's positions after removals, against a plain vector doing
// the same. Portable code, tested with the other address-book pieces.

#include <gtest/gtest.h>

#include <random>

#include "clients/wab/wab_entry_list.h"

namespace {

WabEntryList::EntryId Id(uint32_t n) {
  return {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16)};
}

TEST(WabEntryListTest, RemovingMovesTheLaterEntriesDown) {
  WabEntryList list;
  for (uint32_t n = 0; n < 5; ++n) list.push_back(Id(n));
  list.erase(1);
  list.erase(1);
  EXPECT_EQ(list.size(), 3u);
  EXPECT_EQ(list.at(0), Id(0));
  EXPECT_EQ(list.at(1), Id(3));
  EXPECT_EQ(list.at(2), Id(4));
  list.push_back(Id(5));
  EXPECT_EQ(list.at(3), Id(5));
  list.clear();
  EXPECT_TRUE(list.empty());
  list.push_back(Id(6));
  EXPECT_EQ(list.at(0), Id(6));
}

TEST(WabEntryListTest, AgreesWithAVectorOverManyAppendsAndRemovals) {
  std::mt19937 random(20240229);
  WabEntryList list;
  std::vector<WabEntryList::EntryId> expected;
  uint32_t next = 0;
  for (int step = 0; step < 20000; ++step) {
    if (expected.empty() || random() % 3 == 0) {
      list.push_back(Id(next));
      expected.push_back(Id(next++));
    } else {
      const size_t position = random() % expected.size();
      list.erase(position);
      expected.erase(expected.begin() + position);
    }
    ASSERT_EQ(list.size(), expected.size());
    if (!expected.empty()) {
      const size_t probe = random() % expected.size();
      ASSERT_EQ(list.at(probe), expected[probe]) << "step " << step;
    }
  }
  for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(list.at(i), expected[i]);
}

}  // namespace
