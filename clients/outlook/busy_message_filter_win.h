#pragma once
// The message filter through which COM asks what to do when an
// out-of-process Outlook turns a call away as busy: offer it again after a
// pause until the busy policy gives up.

#include <windows.h>
#include <objbase.h>

#include "clients/outlook/busy_retry_policy.h"
#include "common/win/scoped_handles.h"

// A new filter with one reference held by the caller.
UniqueComRef<IMessageFilter> MakeBusyMessageFilter(const BusyRetryPolicy& policy);

// Installs a busy filter on the calling thread for the object's lifetime
// and puts the previous filter back afterwards. Only single-threaded
// apartments have message filters; elsewhere this does nothing.
class ScopedBusyMessageFilter {
 public:
  explicit ScopedBusyMessageFilter(const BusyRetryPolicy& policy = {});
  ~ScopedBusyMessageFilter();
  ScopedBusyMessageFilter(const ScopedBusyMessageFilter&) = delete;
  ScopedBusyMessageFilter& operator=(const ScopedBusyMessageFilter&) = delete;

  bool installed() const { return installed_; }

 private:
  UniqueComRef<IMessageFilter> previous_;
  bool installed_ = false;
};
