#pragma once
// The notification-area icon: added again on every timer tick so that it
// comes back after the shell restarts; removed only on exit.

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

inline constexpr UINT kTrayCallbackMessage = WM_USER + 110;
inline constexpr UINT kTrayIconId = 10;

class TrayIcon {
 public:
  TrayIcon(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {}
  // Adds the icon; fails harmlessly while it is already there.
  void Add();
  void Remove();

 private:
  NOTIFYICONDATAW Record() const;

  HINSTANCE instance_;
  HWND owner_;
};

// Shows the tray menu at the cursor; the chosen command goes to `owner`.
void ShowTrayMenu(HINSTANCE instance, HWND owner, int32_t syncType);
