#include "app/single_instance_win.h"

namespace {
// "Local\" is the log-on session's own namespace.
constexpr wchar_t kInstanceMutex[] = L"Local\\TarnwellAddrBookSync.Instance";
}  // namespace

SingleInstance::SingleInstance() {
  mutex_.reset(CreateMutexW(nullptr, FALSE, kInstanceMutex));
  first_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}
