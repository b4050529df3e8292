#include "app/quit_running_win.h"

#include <windows.h>

#include "app/message_box_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"

namespace {

// A download gives up at once when the program ends, but a run already
// writing finishes, and a large Outlook book takes long: as long as the
// run lock is waited for.
constexpr DWORD kWaitMs = 30 * 60 * 1000;

}  // namespace

int QuitRunningInstance() {
  const ULONGLONG deadline = GetTickCount64() + kWaitMs;
  // Loops in case a second instance was starting at the same moment.
  while (HWND running = FindWindowW(AsWide(kAppName), nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(running, &pid);
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    // The close request that Windows itself sends; the program ends on it.
    PostMessageW(running, WM_CLOSE, 0, 0);
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return 1;
    const DWORD left = static_cast<DWORD>(deadline - now);
    if (process) {
      if (WaitForSingleObject(process.get(), left) != WAIT_OBJECT_0) return 1;
    } else {
      // Without a handle, watch the window instead.
      while (IsWindow(running) && GetTickCount64() < deadline) Sleep(100);
      if (IsWindow(running)) return 1;
    }
  }
  return 0;
}
