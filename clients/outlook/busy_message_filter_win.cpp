#include "clients/outlook/busy_message_filter_win.h"

#include <atomic>

namespace {

class BusyMessageFilter final : public IMessageFilter {
 public:
  explicit BusyMessageFilter(const OutlookCallContext& context)
      : busy_(context.busy), callLimitMs_(context.limits.callMs) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMessageFilter) {
      *out = static_cast<IMessageFilter*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD rejectType) override {
    constexpr DWORD kCancel = static_cast<DWORD>(-1);
    if (rejectType != SERVERCALL_RETRYLATER && rejectType != SERVERCALL_REJECTED) return kCancel;
    const auto pause = busy_->NextPause();
    // COM reads 0-99 as "at once" and 100 or more as a pause in milliseconds.
    return pause ? *pause : kCancel;
  }
  // `elapsedMs` counts from the start of the call; COM then fails it with
  // RPC_E_CALL_CANCELED.
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD elapsedMs, DWORD) override {
    return elapsedMs >= callLimitMs_ ? PENDINGMSG_CANCELCALL : PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  ~BusyMessageFilter() = default;

  std::atomic<ULONG> references_{1};
  const std::shared_ptr<BusyRetryBudget> busy_;
  const DWORD callLimitMs_;
};

}  // namespace

UniqueComRef<IMessageFilter> MakeBusyMessageFilter(const OutlookCallContext& context) {
  return UniqueComRef<IMessageFilter>(new BusyMessageFilter(context));
}

ScopedBusyMessageFilter::ScopedBusyMessageFilter(const OutlookCallContext& context) {
  UniqueComRef<IMessageFilter> filter = MakeBusyMessageFilter(context);
  // COM keeps its own reference to the filter while it is installed.
  installed_ = SUCCEEDED(CoRegisterMessageFilter(filter.get(), previous_.put()));
}

ScopedBusyMessageFilter::~ScopedBusyMessageFilter() {
  if (!installed_) return;
  UniqueComRef<IMessageFilter> ours;
  CoRegisterMessageFilter(previous_.get(), ours.put());
}
