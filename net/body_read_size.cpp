#include "net/body_read_size.h"

#include <algorithm>

void BodyReadSize::Took(size_t got, uint64_t ms) {
  if (reads_ != BodyReads::Adaptive) return;
  const bool quick = ms < kQuickMs;
  if (block_ == 0) {
    if (quick && got >= kArrivedFull) block_ = kFirstBlock;
  } else if (quick && got == block_) {
    block_ = std::min(block_ * 2, kLargest);
  } else {
    block_ = block_ / 2 < kFirstBlock ? 0 : block_ / 2;
  }
}
