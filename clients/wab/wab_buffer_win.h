#pragma once
// Owners for the buffers that the address book hands out; each is given
// back through the WAB object's FreeBuffer, which must outlive the owner.

#include "clients/wab/wab_api_win.h"

inline void FreeWabBuffer(IWABObject& wab, void* buffer) { wab.FreeBuffer(buffer); }

// A table's rows: every row's property array is a buffer of its own,
// given back before the row set.
inline void FreeWabBuffer(IWABObject& wab, SRowSet* rows) {
  for (ULONG i = 0; i < rows->cRows; ++i) {
    if (rows->aRow[i].lpProps) wab.FreeBuffer(rows->aRow[i].lpProps);
  }
  wab.FreeBuffer(rows);
}

template <typename T>
class WabBuffer {
 public:
  explicit WabBuffer(IWABObject& wab) : wab_(wab) {}
  ~WabBuffer() { reset(); }
  WabBuffer(const WabBuffer&) = delete;
  WabBuffer& operator=(const WabBuffer&) = delete;

  T* get() const { return buffer_; }
  explicit operator bool() const { return buffer_ != nullptr; }
  // For the out-parameter of the call that allocates the buffer.
  T** out() {
    reset();
    return &buffer_;
  }
  void reset() {
    if (buffer_) FreeWabBuffer(wab_, buffer_);
    buffer_ = nullptr;
  }

 private:
  IWABObject& wab_;
  T* buffer_ = nullptr;
};

using WabRowSet = WabBuffer<SRowSet>;
