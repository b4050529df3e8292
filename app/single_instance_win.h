#pragma once
// One resident program per log-on session. Two launches in the same
// instant both miss each other's window; the named mutex that the first of
// them creates decides.

#include "common/win/scoped_handles.h"

class SingleInstance {
 public:
  SingleInstance();
  // True for the program that is to stay. Without the mutex (the system
  // refused it) only the window search decides.
  bool first() const { return first_; }

 private:
  UniqueHandle mutex_;
  bool first_ = true;
};
