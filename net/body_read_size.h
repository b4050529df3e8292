#pragma once
// How much each read of a response body asks for. A read of a whole block
// waits until the block is full, and while it waits the fetch's watchdog
// sees no bytes; a read of what has arrived never waits for more, but under
// Wine it takes at most 8 KiB, each read a round trip through its socket
// layer, which made a large body several times slower. So reads take what
// has arrived until the bytes flow, then whole blocks, doubling while they
// come back full and quickly and halving when one does not (the link
// slowed, or the server paused), back to what has arrived below the first
// block.

#include <cstddef>
#include <cstdint>

enum class BodyReads {
  Adaptive,        // as above
  WholeBlocks,     // always the largest block (the benchmark's yardstick)
  WhatHasArrived,  // never more than has arrived (the same)
};

class BodyReadSize {
 public:
  static constexpr size_t kLargest = 256 * 1024;
  // A read of what has arrived that brings this much finds the bytes
  // flowing: Wine hands at most 8 KiB at a time.
  static constexpr size_t kArrivedFull = 8 * 1024;
  static constexpr size_t kFirstBlock = 2 * kArrivedFull;
  // Quick enough that a link slowing down is noticed within a read or two.
  static constexpr uint32_t kQuickMs = 50;

  explicit BodyReadSize(BodyReads reads = BodyReads::Adaptive)
      : reads_(reads), block_(reads == BodyReads::WholeBlocks ? kLargest : 0) {}

  // What the next read asks for; 0 for what has arrived.
  size_t Next() const { return block_; }
  // The last read brought `got` bytes in `ms` milliseconds.
  void Took(size_t got, uint64_t ms);

 private:
  BodyReads reads_;
  size_t block_;
};
