// Entry point: "/sync" runs one sync and exits; "/quit" ends a running
// instance; otherwise the resident program starts, with "/tray" hidden in
// the notification area when its settings are complete (the log-on start).

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/one_shot_sync_win.h"
#include "app/quit_running_win.h"
#include "app/sync_addr_app_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/test_bound_win.h"

namespace {

bool HasSwitch(const wchar_t* name) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const UniqueLocalMemory owner(argv);
  if (!argv) return false;
  for (int i = 1; i < argc; ++i) {
    const bool isSwitch = argv[i][0] == L'/' || argv[i][0] == L'-';
    if (isSwitch && lstrcmpiW(argv[i] + 1, name) == 0) return true;
  }
  return false;
}

// The program's folder is one the user can write: DLLs loaded by name come
// from System32 only. The loader itself takes only known system DLLs from
// there, so the program imports the others delay-loaded (cmake
// `tw_delayed`): they load at their first call, after this one. Windows 7
// has the call only with KB2533623; without it, at least the current
// folder is left out.
void LoadSystemDllsFromSystem32Only() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
      kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr));
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  LoadSystemDllsFromSystem32Only();
#ifdef TW_TEST_BOUNDS
  TestBoundsAllowed() = true;
#endif
  if (HasSwitch(L"sync")) return RunOneShotSync();
  if (HasSwitch(L"quit")) return QuitRunningInstance();
  CSyncAddrApp app(instance, HasSwitch(L"tray"));
  return app.Run();
}
