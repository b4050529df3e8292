#include "xml/xml_arena.h"

#include <algorithm>

namespace {

// Blocks double up to this size (below the usual threshold where heaps map
// fresh pages, which would fault in anew for every document); larger
// pieces get a block of their own.
constexpr std::size_t kMaxBlockSize = 64 * 1024;

}  // namespace

XmlArena::~XmlArena() {
  while (blocks_ != nullptr) {
    Block* previous = blocks_->previous;
    ::operator delete(blocks_);
    blocks_ = previous;
  }
}

void* XmlArena::AllocateSlow(std::size_t size, std::size_t alignment) {
  const std::size_t header =
      (sizeof(Block) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
  if (size > SIZE_MAX - header - alignment) throw std::bad_alloc();
  const std::size_t needed = header + size + alignment;
  const bool ownBlock = needed > nextBlockSize_;
  const std::size_t blockSize = ownBlock ? needed : nextBlockSize_;
  auto* block = static_cast<Block*>(::operator new(blockSize));
  const std::uintptr_t at =
      (reinterpret_cast<std::uintptr_t>(block) + header + alignment - 1) & ~(alignment - 1);
  if (ownBlock && blocks_ != nullptr) {
    // Keep filling the current block; this piece only needs to be freed.
    block->previous = blocks_->previous;
    blocks_->previous = block;
    return reinterpret_cast<void*>(at);
  }
  block->previous = blocks_;
  blocks_ = block;
  nextBlockSize_ = std::min(nextBlockSize_ * 2, kMaxBlockSize);
  next_ = reinterpret_cast<char*>(at + size);
  end_ = reinterpret_cast<char*>(block) + blockSize;
  return reinterpret_cast<void*>(at);
}
