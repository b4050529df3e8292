#include "app/sync_log_view_win.h"

#include <shellapi.h>

#include <string>

#include "common/win/code_page_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"

namespace {
// Enough for the last line of any ordinary run, and cheap to read.
constexpr LONGLONG kTailBytes = 4096;
}  // namespace

std::u16string ReadLogTail(const std::u16string& path) {
  UniqueHandle file(CreateFileW(AsWide(path), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) return {};
  LARGE_INTEGER start{};
  start.QuadPart = size.QuadPart > kTailBytes ? size.QuadPart - kTailBytes : 0;
  if (!SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN)) return {};
  std::string bytes(static_cast<size_t>(size.QuadPart - start.QuadPart), '\0');
  DWORD got = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
    return {};
  bytes.resize(got);
  if (start.QuadPart > 0) {
    // The first line is cut; in the ANSI code pages a line feed byte is
    // never part of a double-byte character, so what follows it is whole.
    const size_t lineEnd = bytes.find('\n');
    bytes.erase(0, lineEnd == std::string::npos ? bytes.size() : lineEnd + 1);
  }
  // Read in the code page the log is written in.
  return CodePageToWide(bytes, UserDefaultAnsiCodePage());
}

void OpenLogFile(HWND owner, const std::u16string& path) {
  UniqueHandle file(CreateFileW(AsWide(path), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  file.reset();
  const auto opened = reinterpret_cast<INT_PTR>(
      ShellExecuteW(owner, L"open", AsWide(path), nullptr, nullptr, SW_SHOWNORMAL));
  if (opened > 32) return;
  // No program is registered for .log files on this machine.
  const std::u16string quoted = u"\"" + path + u"\"";
  ShellExecuteW(owner, L"open", L"notepad.exe", AsWide(quoted), nullptr, SW_SHOWNORMAL);
}
