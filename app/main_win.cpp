// Entry point: "/sync" runs one sync and exits; otherwise the resident
// program starts.

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/one_shot_sync_win.h"
#include "app/sync_addr_app_win.h"

namespace {

bool HasSyncSwitch() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return false;
  bool found = false;
  for (int i = 1; i < argc; ++i) {
    if (lstrcmpiW(argv[i], L"/sync") == 0 || lstrcmpiW(argv[i], L"-sync") == 0) found = true;
  }
  LocalFree(argv);
  return found;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  if (HasSyncSwitch()) return RunOneShotSync();
  CSyncAddrApp app(instance);
  return app.Run();
}
