#pragma once
// Owners for the automation values that pass through IDispatch::Invoke.

#include <windows.h>
#include <oleauto.h>

#include "common/win/scoped_handles.h"

using UniqueBstr = UniqueAny<NullIsEmpty<BSTR, SysFreeString>>;

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
