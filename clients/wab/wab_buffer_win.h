#pragma once
// Owners for the buffers that the address book hands out; each is given
// back through the WAB object's FreeBuffer, which must outlive the owner.

#include "clients/wab/wab_api_win.h"

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
    if (buffer_) wab_.FreeBuffer(buffer_);
    buffer_ = nullptr;
  }

 private:
  IWABObject& wab_;
  T* buffer_ = nullptr;
};

// A table's rows: every row's property array is a buffer of its own,
// given back before the row set.
class WabRowSet {
 public:
  explicit WabRowSet(IWABObject& wab) : wab_(wab) {}
  ~WabRowSet() { reset(); }
  WabRowSet(const WabRowSet&) = delete;
  WabRowSet& operator=(const WabRowSet&) = delete;

  const SRowSet* get() const { return rows_; }
  explicit operator bool() const { return rows_ != nullptr; }
  SRowSet** out() {
    reset();
    return &rows_;
  }
  void reset() {
    if (!rows_) return;
    for (ULONG i = 0; i < rows_->cRows; ++i) {
      if (rows_->aRow[i].lpProps) wab_.FreeBuffer(rows_->aRow[i].lpProps);
    }
    wab_.FreeBuffer(rows_);
    rows_ = nullptr;
  }

 private:
  IWABObject& wab_;
  SRowSet* rows_ = nullptr;
};
