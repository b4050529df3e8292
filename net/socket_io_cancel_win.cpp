// Winsock first: it must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "net/socket_io_cancel_win.h"

#include <windows.h>

#include <cstddef>
#include <vector>

namespace {

// SystemExtendedHandleInformation: every open handle of every process.
constexpr ULONG kExtendedHandleInformation = 64;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
// Far beyond any real handle table; a bound so that a misbehaving answer
// cannot make the loop allocate without end.
constexpr size_t kMaxTableBytes = size_t{512} << 20;

struct HandleEntry {
  void* object;
  ULONG_PTR processId;
  ULONG_PTR handleValue;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG handleAttributes;
  ULONG reserved;
};

struct HandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

std::vector<std::byte> ReadHandleTable() {
  const auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return {};
  std::vector<std::byte> table(size_t{1} << 20);
  for (;;) {
    ULONG needed = 0;
    const LONG status = query(kExtendedHandleInformation, table.data(),
                              static_cast<ULONG>(table.size()), &needed);
    if (status == 0) return table;
    if (status != kInfoLengthMismatch || table.size() * 2 > kMaxTableBytes) return {};
    table.resize(table.size() * 2);
  }
}

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

int CancelSocketIoToPort(uint16_t port) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
  int found = 0;
  const std::vector<std::byte> bytes = ReadHandleTable();
  if (bytes.size() >= sizeof(HandleTable)) {
    const auto* table = reinterpret_cast<const HandleTable*>(bytes.data());
    const size_t room = (bytes.size() - offsetof(HandleTable, entries)) / sizeof(HandleEntry);
    const DWORD self = GetCurrentProcessId();
    for (size_t i = 0; i < table->count && i < room; ++i) {
      const HandleEntry& entry = table->entries[i];
      if (entry.processId != self) continue;
      const auto s = static_cast<SOCKET>(entry.handleValue);
      if (!IsConnectedToPort(s, port)) continue;
      // The socket stays open: it belongs to the platform, which closes it
      // once its call has returned.
      CancelIoEx(reinterpret_cast<HANDLE>(s), nullptr);
      ++found;
    }
  }
  WSACleanup();
  return found;
}
