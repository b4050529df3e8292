#pragma once
// The configuration dialog: the program's main window for its whole life,
// shown or hidden in the tray. It owns the tray icon and takes the tray
// menu's commands.

#include <functional>
#include <memory>
#include <string>

#include "app/client_availability.h"
#include "app/connection_check.h"
#include "app/dialog_win.h"
#include "app/manual_sync.h"
#include "app/program_exit_win.h"
#include "app/program_files.h"
#include "app/settings_form_win.h"
#include "app/tray_icon_win.h"
#include "app/tray_state.h"
#include "sync/shared_settings.h"
#include "sync/run_stop.h"
#include "sync/sync_engine.h"

struct SyncAddrDlgServices {
  SharedSettings& settings;
  CSyncEngine& engine;
  RunStop& runStop;
  std::function<DetectedClients()> detectClients;
  const ProgramFiles& files;
  TrayState& tray;
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
  bool OnCommand(int id, int code);
  void OnSave();
  // Tries the typed settings without saving them.
  void StartConnectionTest();
  void OnConnectionTestDone();
  void AbandonConnectionTest();
  // Changes the record and saves it; false, after saying so, when the file
  // could not be written (the record stays as it was).
  bool StoreSettings(const std::function<void(SyncSettings&)>& change);
  void ShowDialog();
  void OnCancelAutoSync();
  void StartManualSync();
  void OnManualSyncDone();
  void OnRunReports();
  void SettingsChanged();
  void UpdateTip();
  // Ends the program as "退出" does: also on Windows' close requests.
  void OnExit();
  void FinishExit();
  void HoldBackShowing(WINDOWPOS& pos);
  void OnTrayNotify(LPARAM mouseMessage);
  void AddTrayIcon();
  void ShowAbout();

  SyncAddrDlgServices services_;
  std::unique_ptr<TrayIcon> tray_;
  // Broadcast by the shell when its taskbar starts (again), without our icon.
  const UINT taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  bool startHidden_;
  SettingsForm form_;
  ManualSync manual_;
  ConnectionCheck connectionTest_;
  ProgramExit exit_;  // after manual_, which its waiting thread uses
};
