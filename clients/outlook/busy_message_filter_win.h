#pragma once
// The message filter through which COM asks what to do while a call into an
// out-of-process Outlook waits: a call turned away as busy is offered again
// after a pause while the run's busy budget lasts, and a call that has not
// returned after the call limit is cancelled (COM consults the filter when
// a message arrives during the call; the waiting thread posts one).

#include <windows.h>
#include <objbase.h>

#include "clients/outlook/outlook_waits.h"
#include "common/win/scoped_handles.h"

// A new filter with one reference held by the caller.
UniqueComRef<IMessageFilter> MakeBusyMessageFilter(const OutlookCallContext& context);

// Installs a filter on the calling thread for the object's lifetime and
// puts the previous filter back afterwards. Only single-threaded apartments
// have message filters; elsewhere this does nothing.
class ScopedBusyMessageFilter {
 public:
  explicit ScopedBusyMessageFilter(const OutlookCallContext& context = {});
  ~ScopedBusyMessageFilter();
  ScopedBusyMessageFilter(const ScopedBusyMessageFilter&) = delete;
  ScopedBusyMessageFilter& operator=(const ScopedBusyMessageFilter&) = delete;

  bool installed() const { return installed_; }

 private:
  UniqueComRef<IMessageFilter> previous_;
  bool installed_ = false;
};
