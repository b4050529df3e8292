// Winsock first: it must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "net/socket_io_cancel_win.h"

#include <windows.h>

#include <cstdint>

#include "common/win/scoped_handles.h"

namespace {

// Handle values are small multiples of four, handed out lowest first, so
// the walk stops after a long run of values that are not open (Wine gives
// no count of a process's handles), or here, far past any table this
// program grows.
constexpr uintptr_t kHandleStep = 4;
constexpr uintptr_t kLastHandleValue = kHandleStep << 16;
constexpr int kClosedRunToStop = 512;

bool IsConnectedToPort(SOCKET s, uint16_t port) {
  int type = 0;
  int length = sizeof(type);
  if (getsockopt(s, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length) != 0 ||
      type != SOCK_STREAM) {
    return false;
  }
  sockaddr_storage peer{};
  int peerLength = sizeof(peer);
  if (getpeername(s, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0) return false;
  if (peer.ss_family == AF_INET) {
    return ntohs(reinterpret_cast<const sockaddr_in&>(peer).sin_port) == port;
  }
  if (peer.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6&>(peer).sin6_port) == port;
  }
  return false;
}

}  // namespace

bool ClosingRequestLeavesReadsBlocked() {
  // Wine's ntdll exports its version; Windows' does not.
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Only this process's own handles are looked at, by value. Reading the
// system's handle table instead (every process's handles, from the kernel
// or Wine's server) once in a few hundred tries under load ended the
// calling thread with it under Wine.
int CancelSocketIoToPort(uint16_t port) {
  const WinsockSession winsock = StartWinsock();
  if (!winsock) return 0;
  int found = 0;
  int closedRun = 0;
  for (uintptr_t value = kHandleStep; value <= kLastHandleValue && closedRun < kClosedRunToStop;
       value += kHandleStep) {
    const auto handle = reinterpret_cast<HANDLE>(value);
    DWORD flags = 0;
    if (!GetHandleInformation(handle, &flags)) {
      ++closedRun;
      continue;
    }
    closedRun = 0;
    const auto s = static_cast<SOCKET>(value);
    if (!IsConnectedToPort(s, port)) continue;
    // The socket stays open: it belongs to the platform, which closes it
    // once its call has returned.
    CancelIoEx(handle, nullptr);
    ++found;
  }
  return found;
}
