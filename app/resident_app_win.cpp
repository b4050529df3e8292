#include "app/resident_app_win.h"

#include <clocale>

#include "app/app_services_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text.h"

int RunResidentApp(HINSTANCE, int) {
  // One resident instance per session; a second launch leaves at once.
  UniqueHandle instanceMutex(CreateMutexW(nullptr, FALSE, L"Local\\TarnwellAddrBookSync.Instance"));
  if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  std::setlocale(LC_ALL, "");
  ScopedComInit com;

  AppServices services;
  services.settings().Replace(LoadSettings(GetSettingsFilePath()));
  services.engine().StartEngine(ModuleFilePath());

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  services.engine().Stop();
  return 0;
}
