#pragma once
// Drives the real program through window messages, as a person would,
// polling with deadlines instead of sleeping.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "app/tray_icon_win.h"
#include "common/win/scoped_handles.h"

class ProgramDriver {
 public:
  // Starts `exe` (with arguments) without waiting for it.
  bool Start(const std::u16string& exe, const std::u16string& arguments = u"");
  // Waits for the program's configuration dialog.
  HWND WaitForDialog(DWORD ms = 20000);
  // Start and WaitForDialog: the dialog, or nothing.
  HWND StartShowingDialog(const std::u16string& exe);
  // Waits until the process ends; its exit code, or nothing on time-out.
  std::optional<DWORD> WaitForExit(DWORD ms = 20000);
  // Chooses the tray's Exit and waits for the end.
  std::optional<DWORD> Exit(HWND dialog);
  DWORD pid() const { return pid_; }

  // A top-level window of the program of `className` whose caption is
  // `title` (any caption when empty), visible.
  HWND FindOwnWindow(const wchar_t* className, const std::u16string& title) const;
  // The message box on screen and its text.
  HWND WaitForMessageBox(std::u16string& text, DWORD ms = 20000) const;
  // What the program last passed to the notification area.
  static std::optional<TrayReport> QueryTray(HWND dialog);
  static std::u16string TrayTip(HWND dialog);
  ~ProgramDriver();

 private:
  HWND WaitForOwnWindow(const wchar_t* className, const std::u16string& title, DWORD ms) const;

  UniqueHandle process_;
  DWORD pid_ = 0;
};

std::u16string ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::u16string& text);
bool IsChecked(HWND dialog, int id);
int ListSelection(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
