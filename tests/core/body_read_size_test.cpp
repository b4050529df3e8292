// How much each read of a body asks for, as reads come back.

#include "net/body_read_size.h"

#include <gtest/gtest.h>

namespace {

TEST(BodyReadSizeTest, GrowsWhileReadsComeBackFullAndQuicklyAndFallsBackWhenNot) {
  constexpr size_t k8 = BodyReadSize::kArrivedFull, kMax = BodyReadSize::kLargest;
  const struct {
    size_t before, got;
    uint64_t ms;
    size_t after;
  } cases[] = {
      {0, k8, 49, 2 * k8},          {0, k8 - 1, 0, 0},          {0, k8, 50, 0},  // what has arrived
      {2 * k8, 2 * k8, 49, 4 * k8}, {2 * k8, 2 * k8 - 1, 0, 0},                  // the body ended
      {2 * k8, 2 * k8, 50, 0},      {kMax, kMax, 50, kMax / 2},                  // the link slowed
      {kMax, kMax, 0, kMax},
  };
  for (const auto& c : cases) {
    BodyReadSize size;
    for (int i = 0; i < 9 && size.Next() < c.before; ++i)
      size.Took(size.Next() ? size.Next() : k8, 0);
    size.Took(c.got, c.ms);
    EXPECT_EQ(size.Next(), c.after) << (&c - cases);
  }
}

}  // namespace
