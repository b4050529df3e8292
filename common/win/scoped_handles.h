#pragma once
// Move-only owners for everything the program and its tests open or start
// on the platform. Each closes its handle (or undoes its start) exactly
// once, with the function that belongs to it; a copy would do it twice, so
// none can be copied. Only declarations come in with the headers: each user
// links the libraries of what it uses.

#include <windows.h>  // also Winsock 1 (unless winsock2.h came first), OLE, CryptoAPI
#include <msi.h>
#include <wininet.h>

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

// Kernel handles: some APIs give NULL, file APIs and directory searches
// (FindFirstFile) INVALID_HANDLE_VALUE.
template <BOOL(WINAPI* CloseFn)(HANDLE)>
struct KernelHandleTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseFn(h); }
};

using UniqueHandle = UniqueAny<KernelHandleTraits<CloseHandle>>;
using UniqueFindHandle = UniqueAny<KernelHandleTraits<FindClose>>;

// A private object namespace, and the boundary that opens it.
inline void ClosePrivateNamespaceHandle(HANDLE h) { ClosePrivateNamespace(h, 0); }
using UniquePrivateNamespace = UniqueAny<NullIsEmpty<HANDLE, ClosePrivateNamespaceHandle>>;
using UniqueBoundaryDescriptor = UniqueAny<NullIsEmpty<HANDLE, DeleteBoundaryDescriptor>>;
using UniqueHKey = UniqueAny<NullIsEmpty<HKEY, RegCloseKey>>;
using UniqueHModule = UniqueAny<NullIsEmpty<HMODULE, FreeLibrary>>;
using UniqueHMenu = UniqueAny<NullIsEmpty<HMENU, DestroyMenu>>;
// Memory the platform hands out for the caller to LocalFree.
using UniqueLocalMemory = UniqueAny<NullIsEmpty<HLOCAL, LocalFree>>;
// A WinInet session, connection or request.
using UniqueHInternet = UniqueAny<NullIsEmpty<HINTERNET, InternetCloseHandle>>;
using UniqueBstr = UniqueAny<NullIsEmpty<BSTR, SysFreeString>>;

inline void CloseCertStore(HCERTSTORE store) { CertCloseStore(store, 0); }
using UniqueCertStore = UniqueAny<NullIsEmpty<HCERTSTORE, CloseCertStore>>;
using UniqueCertContext = UniqueAny<NullIsEmpty<PCCERT_CONTEXT, CertFreeCertificateContext>>;

struct MsiHandleTraits {
  using Type = MSIHANDLE;
  static MSIHANDLE Invalid() { return 0; }
  static bool IsValid(MSIHANDLE h) { return h != 0; }
  static void Close(MSIHANDLE h) { MsiCloseHandle(h); }
};
using UniqueMsiHandle = UniqueAny<MsiHandleTraits>;

struct SocketTraits {
  using Type = SOCKET;
  static SOCKET Invalid() { return INVALID_SOCKET; }
  static bool IsValid(SOCKET s) { return s != INVALID_SOCKET; }
  static void Close(SOCKET s) { closesocket(s); }
};
using UniqueSocket = UniqueAny<SocketTraits>;

// A platform service started for the owner's lifetime: `StopFn` runs once,
// and only when the start succeeded.
template <auto StopFn>
struct StartedTraits {
  using Type = bool;
  static bool Invalid() { return false; }
  static bool IsValid(bool started) { return started; }
  static void Close(bool) { StopFn(); }
};

using WinsockSession = UniqueAny<StartedTraits<WSACleanup>>;
inline WinsockSession StartWinsock(WORD version = MAKEWORD(2, 2)) {
  WSADATA data;
  return WinsockSession(WSAStartup(version, &data) == 0);
}

using OleSession = UniqueAny<StartedTraits<OleUninitialize>>;
inline OleSession StartOle() { return OleSession(SUCCEEDED(OleInitialize(nullptr))); }

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
  explicit ScopedComInit(DWORD model = COINIT_APARTMENTTHREADED)
      : hr_(CoInitializeEx(nullptr, model)), started_(SUCCEEDED(hr_)) {}
  bool ok() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT hr_;
  UniqueAny<StartedTraits<CoUninitialize>> started_;
};

// A VARIANT that clears what it holds (strings, object references).
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&value_); }
  ~ScopedVariant() { VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  // A VARIANT is a plain union: moving it is copying its bits and leaving
  // the source empty.
  ScopedVariant(ScopedVariant&& other) noexcept : value_(other.value_) {
    VariantInit(&other.value_);
  }
  ScopedVariant& operator=(ScopedVariant&& other) noexcept {
    if (this != &other) {
      VariantClear(&value_);
      value_ = other.value_;
      VariantInit(&other.value_);
    }
    return *this;
  }

  const VARIANT& get() const { return value_; }
  VARIANT* get() { return &value_; }
  // Empties the value for an out-parameter.
  VARIANT* put() {
    VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};
