// Winsock must come before anything that pulls in windows.h.
#include <winsock2.h>

#include "app/sync_addr_app_win.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <clocale>

#include "app/app_services_win.h"
#include "app/client_detection_win.h"
#include "app/policy_store_win.h"
#include "app/program_files_win.h"
#include "app/single_instance_win.h"
#include "app/sync_addr_dlg_win.h"
#include "clients/foxmail7/foxmail7_locate_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"
#include "resources/resource.h"

namespace {

bool RegisterDialogClass(HINSTANCE instance) {
  // The dialog template names this class; it behaves like the system's
  // dialog class, and the single-instance test looks for it.
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(nullptr, L"#32770", &wc)) return false;
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefDlgProcW;
  wc.hInstance = instance;
  wc.lpszClassName = AsWide(kAppName);
  return RegisterClassExW(&wc) != 0;
}

// As by hand: a running one comes forward.
void StartUsersOwnProgram(std::u16string folder) {
  if (folder.back() != u'\\') folder += u'\\';
  const std::u16string path = folder + kAppName + u".exe";
  ShellExecuteW(nullptr, nullptr, AsWide(path), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

bool ActivateRunningInstance(DWORD waitMs) {
  HWND first = FindWindowW(AsWide(kAppName), nullptr);
  for (const ULONGLONG deadline = GetTickCount64() + waitMs;
       !first && GetTickCount64() < deadline;) {
    Sleep(50);
    first = FindWindowW(AsWide(kAppName), nullptr);
  }
  if (!first) return false;
  if (IsIconic(first)) ShowWindow(first, SW_RESTORE);
  ShowWindow(first, SW_SHOWNORMAL);
  SetForegroundWindow(first);
  SetForegroundWindow(GetLastActivePopup(first));
  return true;
}

int CSyncAddrApp::Run() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  // The standard classes, and the link control of the dialog.
  controls.dwICC = 0xFF | ICC_LINK_CLASS;
  InitCommonControlsEx(&controls);

  // Decided once: every file of the run, the dialog and the log follow it.
  const ThisProgram self = LocateThisProgram();
  if (self.perMachine) {
    if (const auto own = UsersOwnInstallation()) {
      // The user's own installation was there first and starts at log-on
      // by itself; started by hand, the machine's program hands over to it.
      if (!startInTray_ && !own->empty()) StartUsersOwnProgram(*own);
      return 0;
    }
  }

  const SingleInstance instance;
  if (!instance.first()) {
    // The other program may not have shown its window yet. A log-on start
    // leaves it as it is; a start by hand brings it forward.
    if (!startInTray_) ActivateRunningInstance(10000);
    return 0;
  }
  const bool running =
      startInTray_ ? FindWindowW(AsWide(kAppName), nullptr) != nullptr : ActivateRunningInstance();
  if (running) return 0;

  std::setlocale(LC_ALL, "");
  const WinsockSession sockets = StartWinsock(MAKEWORD(1, 1));
  if (!sockets) {
    wchar_t text[128] = {};
    LoadStringW(instance_, IDS_SOCKETS_INIT_FAILED, text, ARRAYSIZE(text));
    MessageBoxW(nullptr, text, AsWide(kAppName), MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  const OleSession ole = StartOle();

  TrayState tray(kAppName);
  const ProgramFiles& files = self.files;
  AppServices services(files, &tray);
  services.settings().Replace(LoadSettings(files.settings));
  PutUnderPolicy(services.settings(), files.settings);
  services.engine().Start();
  RegisterDialogClass(instance_);

  const bool hidden = startInTray_ && SettingsComplete(services.settings().InEffect());
  CSyncAddrDlg dialog(
      instance_,
      SyncAddrDlgServices{services.settings(), services.engine(), services.runStop(),
                          [] { return DetectInstalledClients(IsFoxmail7Installed); }, files, tray},
      hidden);
  dialog.DoModal(nullptr);
  // A scheduled run in progress finishes before the process ends.
  services.engine().Stop();
  return 0;
}
