#pragma once
// The configuration dialog: the program's main window for its whole life,
// shown or hidden in the tray. It owns the tray icon and takes the tray
// menu's commands.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/client_availability.h"
#include "app/connection_check.h"
#include "app/dialog_form.h"
#include "app/dialog_win.h"
#include "app/manual_sync.h"
#include "app/policy_values.h"
#include "app/program_files.h"
#include "app/run_reports.h"
#include "app/tray_icon_win.h"
#include "app/tray_status.h"
#include "sync/shared_settings.h"
#include "sync/sync_engine.h"

struct SyncAddrDlgServices {
  SharedSettings& settings;
  CSyncEngine& engine;
  std::function<DetectedClients()> detectClients;
  const ProgramFiles& files;
  RunReports& runs;
};

class CSyncAddrDlg final : public CDialog {
 public:
  // `startHidden`: the dialog starts in the tray and is shown only when
  // asked to (the tray, a second launch).
  CSyncAddrDlg(HINSTANCE instance, SyncAddrDlgServices services, bool startHidden = false);
  ~CSyncAddrDlg() override;

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  // Moves the state into the controls, or the controls into the state.
  void DoDataExchange(bool fromControls);
  bool OnCommand(int id, int code);
  DialogInput ReadInput();
  void OnSave();
  // Tries the typed settings without saving them.
  void StartConnectionTest();
  void OnConnectionTestDone();
  void AbandonConnectionTest();
  void ShowTestGoing(bool going);
  // Changes the record and saves it; false, after saying so, when the file
  // could not be written (the record keeps the change for this session).
  bool StoreSettings(const std::function<void(SyncSettings&)>& change);
  void ShowDialog();
  void OnCancelAutoSync();
  void StartManualSync();
  void OnManualSyncDone();
  // The one place that shows a manual run's result.
  void ShowRunResultBox(const SyncRunOutcome& outcome);
  void OnRunReports();
  void SettingsChanged();
  void UpdateTip();
  // Ends the program as "退出" does: also on Windows' close requests.
  void OnExit();
  void ShowExitNotice();
  void FinishExit();
  void HoldBackShowing(WINDOWPOS& pos);
  void OnTrayNotify(LPARAM mouseMessage);
  bool OnPaint();
  void ShowAbout();
  void UpdateTimeListEnabled();
  // Reads the policy again and shows each managed setting greyed with its
  // value; one no longer managed gets the user's own value back.
  void ShowPolicy();
  HWND Item(int id) const { return GetDlgItem(hwnd(), id); }

  SyncAddrDlgServices services_;
  HICON icon_ = nullptr;
  std::unique_ptr<TrayIcon> tray_;
  bool startHidden_;
  ManualSync manual_;
  ConnectionCheck connectionTest_;
  FailureNotices notices_;
  std::optional<LastRun> lastRun_;
  bool exiting_ = false;
  std::thread exitWaiter_;  // waits for the runs to end after Exit

  std::array<bool, ClientAvailability::kKinds> clientAvailable_{};
  Policy policy_;  // as the controls show it

  // Dialog state, exchanged with the controls.
  int32_t clientChoice_ = -1;
  std::u16string address_;
  std::u16string account_;
  std::u16string password_;
  bool savePassword_ = false;
};
