#pragma once
// Reference copy of xml/xml_arena.h before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
// Bump allocation for one parsed document. A tree is built and dropped as a
// whole, so its nodes, lists and strings share a few large blocks instead of
// one heap allocation each; the blocks go back when the last handle to any
// node of the tree is dropped.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <string_view>
#include <type_traits>

namespace reference {

class XmlArena {
 public:
  XmlArena() = default;
  XmlArena(const XmlArena&) = delete;
  XmlArena& operator=(const XmlArena&) = delete;
  ~XmlArena();

  // Throws std::bad_alloc like operator new.
  void* Allocate(std::size_t size, std::size_t alignment) {
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(end_);
    const std::uintptr_t at =
        (reinterpret_cast<std::uintptr_t>(next_) + alignment - 1) & ~(alignment - 1);
    if (next_ == nullptr || at > end || size > end - at) return AllocateSlow(size, alignment);
    next_ = reinterpret_cast<char*>(at + size);
    return reinterpret_cast<void*>(at);
  }

  template <class T>
  T* AllocateArray(std::size_t count) {
    static_assert(std::is_trivially_destructible_v<T>);
    if (count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(Allocate(count * sizeof(T), alignof(T)));
  }

  std::u16string_view Copy(std::u16string_view text) {
    if (text.empty()) return std::u16string_view(u"", 0);
    char16_t* chars = AllocateArray<char16_t>(text.size());
    std::memcpy(chars, text.data(), text.size() * sizeof(char16_t));
    return std::u16string_view(chars, text.size());
  }

 private:
  struct Block {
    Block* previous;
  };

  void* AllocateSlow(std::size_t size, std::size_t alignment);

  Block* blocks_ = nullptr;
  char* next_ = nullptr;
  char* end_ = nullptr;
  std::size_t nextBlockSize_ = 16 * 1024;
};

// A growable list of trivially copyable items in an arena. Growth doubles,
// so a list of n items costs O(n) copying in all.
template <class T>
class XmlList {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  void Push(XmlArena& arena, const T& item) {
    if (size_ == capacity_) Grow(arena);
    items_[size_++] = item;
  }
  T& Back() { return items_[size_ - 1]; }
  std::size_t Size() const { return size_; }
  const T& operator[](std::size_t index) const { return items_[index]; }
  std::span<const T> View() const { return {items_, size_}; }

 private:
  void Grow(XmlArena& arena) {
    if (capacity_ > UINT32_MAX / 2) throw std::bad_alloc();
    const std::uint32_t capacity = capacity_ == 0 ? 2 : capacity_ * 2;
    T* items = arena.AllocateArray<T>(capacity);
    if (size_ > 0) std::memcpy(static_cast<void*>(items), items_, size_ * sizeof(T));
    items_ = items;
    capacity_ = capacity;
  }

  T* items_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;
};

}  // namespace reference
