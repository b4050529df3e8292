// Sends the running program's dialog what the notification area would:
// "tray_poke right" opens the tray menu, "tray_poke left" shows the dialog;
// "tray_poke exit" chooses Exit. Used by the screenshot script.

#include <windows.h>

#include <cwchar>

#include "app/tray_icon_win.h"
#include "resources/resource.h"

int wmain(int argc, wchar_t** argv) {
  HWND dialog = FindWindowW(L"Tarnwell地址簿同步", nullptr);
  if (!dialog) return 1;
  if (argc > 1 && wcscmp(argv[1], L"exit") == 0) {
    PostMessageW(dialog, WM_COMMAND, ID_TRAY_EXIT, 0);
    return 0;
  }
  const bool right = argc > 1 && wcscmp(argv[1], L"right") == 0;
  PostMessageW(dialog, kTrayCallbackMessage, kTrayIconId, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN);
  return 0;
}
