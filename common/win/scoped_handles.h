#pragma once
// Move-only owners for the platform handles the program opens. Each closes
// its handle exactly once, with the function that belongs to it.

#include <windows.h>

#include <utility>

// Traits: `T` the handle type, `Invalid()` the empty value, `IsValid(h)`,
// and `Close(h)`.
template <typename Traits>
class UniqueAny {
  using T = typename Traits::Type;

 public:
  UniqueAny() = default;
  explicit UniqueAny(T value) : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  T get() const { return value_; }
  bool valid() const { return Traits::IsValid(value_); }
  explicit operator bool() const { return valid(); }
  T release() { return std::exchange(value_, Traits::Invalid()); }
  void reset(T value = Traits::Invalid()) {
    T old = std::exchange(value_, value);
    if (Traits::IsValid(old)) Traits::Close(old);
  }
  // For out-parameters of APIs that open the handle.
  T* put() {
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::Invalid();
};

template <typename H, auto CloseFn>
struct NullIsEmpty {
  using Type = H;
  static H Invalid() { return nullptr; }
  static bool IsValid(H h) { return h != nullptr; }
  static void Close(H h) { CloseFn(h); }
};

// Kernel handles: some APIs give NULL, file APIs INVALID_HANDLE_VALUE.
struct KernelHandleTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};

using UniqueHandle = UniqueAny<KernelHandleTraits>;
using UniqueHKey = UniqueAny<NullIsEmpty<HKEY, RegCloseKey>>;
using UniqueHModule = UniqueAny<NullIsEmpty<HMODULE, FreeLibrary>>;
// Memory the platform hands out for the caller to LocalFree.
using UniqueLocalMemory = UniqueAny<NullIsEmpty<HLOCAL, LocalFree>>;

// One counted reference to a COM interface (any IUnknown-derived type).
template <typename I>
struct ComRefTraits {
  using Type = I*;
  static I* Invalid() { return nullptr; }
  static bool IsValid(I* p) { return p != nullptr; }
  static void Close(I* p) { p->Release(); }
};

template <typename I>
class UniqueComRef : public UniqueAny<ComRefTraits<I>> {
 public:
  using UniqueAny<ComRefTraits<I>>::UniqueAny;
  I* operator->() const { return this->get(); }
  I& operator*() const { return *this->get(); }
};

// COM for the calling thread for the lifetime of the object. A thread that
// is already in another apartment keeps it; only a successful call is undone.
class ScopedComInit {
 public:
  explicit ScopedComInit(DWORD model = COINIT_APARTMENTTHREADED) {
    hr_ = CoInitializeEx(nullptr, model);
  }
  ScopedComInit(const ScopedComInit&) = delete;
  ScopedComInit& operator=(const ScopedComInit&) = delete;
  ~ScopedComInit() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  bool ok() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT hr_;
};
