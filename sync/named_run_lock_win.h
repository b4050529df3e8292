#pragma once
// Keeps runs of all instances of the program apart: they share address.xml,
// the log and the mail client.

#include <windows.h>

#include "common/win/scoped_handles.h"
#include "sync/sync_engine.h"

class NamedRunLock final : public IRunLock {
 public:
  NamedRunLock();
  void Lock() override;
  void Unlock() override;

 private:
  UniqueHandle mutex_;
  bool held_ = false;
};
