#pragma once
// The configuration dialog: the program's main window for its whole life,
// shown or hidden in the tray. It owns the tray icon and takes the tray
// menu's commands.

#include <functional>
#include <memory>
#include <string>

#include "app/client_availability.h"
#include "app/dialog_form.h"
#include "app/dialog_win.h"
#include "app/tray_icon_win.h"
#include "sync/shared_settings.h"
#include "sync/sync_engine.h"

struct SyncAddrDlgServices {
  SharedSettings& settings;
  CSyncEngine& engine;
  std::function<DetectedClients()> detectClients;
  std::function<std::u16string()> settingsPath;
};

class CSyncAddrDlg final : public CDialog {
 public:
  // `startHidden`: the dialog starts in the tray and is shown only when
  // asked to (the tray, a second launch).
  CSyncAddrDlg(HINSTANCE instance, SyncAddrDlgServices services, bool startHidden = false);

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  // Moves the state into the controls, or the controls into the state.
  void DoDataExchange(bool fromControls);
  bool OnCommand(int id, int code);
  void OnSave();
  void ShowDialog();
  void OnCancelAutoSync();
  // Ends the program as "退出" does: also on Windows' close requests.
  void OnExit();
  void HoldBackShowing(WINDOWPOS& pos);
  void OnTrayNotify(LPARAM mouseMessage);
  bool OnPaint();
  void ShowAbout();
  void UpdateTimeListEnabled();
  HWND Item(int id) const { return GetDlgItem(hwnd(), id); }

  SyncAddrDlgServices services_;
  HICON icon_ = nullptr;
  std::unique_ptr<TrayIcon> tray_;
  bool startHidden_;

  // Dialog state, exchanged with the controls.
  int32_t clientChoice_ = -1;
  std::u16string address_;
  std::u16string account_;
  std::u16string password_;
  bool savePassword_ = false;
};
