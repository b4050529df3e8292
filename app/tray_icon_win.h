#pragma once
// The notification-area icon: added again when the shell announces a new
// taskbar; its tip tells the last result or that a run is going; removed
// only on exit.

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>

#include "app/tray_state.h"

inline constexpr UINT kTrayCallbackMessage = WM_USER + 110;
inline constexpr UINT kTrayIconId = 10;

// What the program last passed to the notification area, for tests: a
// window that sends kTrayReportRequest (wParam: its own handle) gets a
// WM_COPYDATA with kTrayReportTag and a TrayReport.
inline constexpr UINT kTrayReportRequest = WM_APP + 40;
inline constexpr ULONG_PTR kTrayReportTag = 0x54524159;
struct TrayReport {
  NOTIFYICONDATAW tip;      // the last record that carried a tip
  NOTIFYICONDATAW balloon;  // the last record that carried a balloon
  UINT balloons;            // how many balloons were asked for
};

class TrayIcon {
 public:
  TrayIcon(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {}
  // Adds the icon with its tip. True when the notification area holds it,
  // also when it was there already.
  bool Add();
  void Remove();
  // Cut to the tip's size; changes the icon only when the text changes.
  void SetTip(const std::u16string& tip);
  void ShowBalloon(const TrayBalloon& balloon);
  void SendReport(HWND requester) const;

 private:
  NOTIFYICONDATAW Record() const;
  bool Notify(DWORD message, NOTIFYICONDATAW& data);

  HINSTANCE instance_;
  HWND owner_;
  std::u16string tip_;
  TrayReport report_{};
};

// Shows the tray menu at the cursor; the chosen command goes to `owner`.
void ShowTrayMenu(HINSTANCE instance, HWND owner, bool cancelAutoOffered, bool manualOffered);
