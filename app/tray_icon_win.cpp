#include "app/tray_icon_win.h"

#include <cwchar>

#include "app/message_box_win.h"
#include "common/win/wide_text.h"
#include "resources/resource.h"

NOTIFYICONDATAW TrayIcon::Record() const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = owner_;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = static_cast<HICON>(
      LoadImageW(instance_, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 16, 16, LR_SHARED));
  const size_t capacity = sizeof(data.szTip) / sizeof(data.szTip[0]);
  wcsncpy(data.szTip, AsWide(kAppName), capacity - 1);
  data.szTip[capacity - 1] = L'\0';
  return data;
}

void TrayIcon::Add() {
  NOTIFYICONDATAW data = Record();
  Shell_NotifyIconW(NIM_ADD, &data);
}

void TrayIcon::Remove() {
  NOTIFYICONDATAW data = Record();
  Shell_NotifyIconW(NIM_DELETE, &data);
}

void ShowTrayMenu(HINSTANCE instance, HWND owner, int32_t syncType) {
  HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_TRAY_MENU));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu, 0);
  EnableMenuItem(popup, ID_TRAY_CANCEL_AUTO, MF_BYCOMMAND | (syncType == 0 ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(popup, ID_TRAY_MANUAL_SYNC, MF_BYCOMMAND | (syncType == 1 ? MF_ENABLED : MF_GRAYED));
  POINT cursor{};
  GetCursorPos(&cursor);
  // Without the foreground the menu would not close on a click elsewhere.
  SetForegroundWindow(owner);
  TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, owner, nullptr);
  PostMessageW(owner, WM_NULL, 0, 0);
  DestroyMenu(menu);
}
