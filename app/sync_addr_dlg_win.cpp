#include "app/sync_addr_dlg_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/message_box_win.h"
#include "app/policy_store_win.h"
#include "app/settings_store_win.h"
#include "app/sync_log_view_win.h"
#include "common/win/wide_text_win.h"
#include "net/http_answer_fetcher_win.h"
#include "sync/connection_test.h"
#include "resources/resource.h"

namespace {

// Only while the notification area refuses the icon: a shell busy starting
// may answer too late, and announces nothing when it is ready.
constexpr UINT_PTR kTrayRetryTimer = 1;
// Exit that has not finished after this long is waiting for a run that
// was not yet visible when Exit was chosen (one waiting for its turn).
constexpr UINT_PTR kExitNoticeTimer = 2;
// Posted to the dialog from the threads that run syncs.
constexpr UINT kRunReportsMessage = WM_APP + 1;
constexpr UINT kManualSyncDoneMessage = WM_APP + 2;
constexpr UINT kExitReadyMessage = WM_APP + 3;
constexpr UINT kConnectionTestDoneMessage = WM_APP + 4;
constexpr wchar_t kMakerPage[] = L"https://www.tarnwell.example/";

void ShowRefusal(HWND owner, const std::u16string& text) {
  MessageBoxW(owner, AsWide(text), AsWide(kAppName), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

CSyncAddrDlg::CSyncAddrDlg(HINSTANCE instance, SyncAddrDlgServices services, bool startHidden)
    : CDialog(instance, IDD_SYNCADDR_DIALOG),
      services_(std::move(services)),
      startHidden_(startHidden),
      manual_(services_.engine),
      exit_(services_.engine, services_.runStop, manual_) {}

BOOL CSyncAddrDlg::OnInitDialog() {
  HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
  wchar_t aboutText[128] = {};
  if (systemMenu && LoadStringW(instance(), IDS_ABOUTBOX, aboutText, ARRAYSIZE(aboutText)) > 0) {
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
  }
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconW(instance(), MAKEINTRESOURCEW(IDR_MAINFRAME))));
  HANDLE smallIcon =
      LoadImageW(instance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED);
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

  const ClientAvailability available(services_.detectClients ? services_.detectClients()
                                                             : DetectedClients{});
  const SyncSettings own = services_.settings.Snapshot();
  form_.Fill(hwnd(), own, available);
  form_.ShowPolicy(ReadSystemPolicy(), own);
  // The icon comes at once, so that a run failing at start-up can say so.
  tray_ = std::make_unique<TrayIcon>(instance(), hwnd());
  AddTrayIcon();
  services_.tray.ReadLog(ReadLogTail(services_.files.log));
  UpdateTip();
  HWND window = hwnd();
  services_.tray.SetWake([window] { PostMessageW(window, kRunReportsMessage, 0, 0); });
  // A scheduled run may have ended before the window existed.
  PostMessageW(window, kRunReportsMessage, 0, 0);
  return TRUE;
}

bool CSyncAddrDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_COMMAND: return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_TIMER:
      if (wParam == kExitNoticeTimer) {
        KillTimer(hwnd(), kExitNoticeTimer);
        UpdateTip();
        tray_->ShowBalloon(services_.tray.ExitNotice());
        return true;
      }
      if (wParam != kTrayRetryTimer) return false;
      AddTrayIcon();
      return true;
    case kTrayCallbackMessage: OnTrayNotify(lParam); return true;
    case kRunReportsMessage: OnRunReports(); return true;
    case kManualSyncDoneMessage: OnManualSyncDone(); return true;
    case kExitReadyMessage: FinishExit(); return true;
    case kConnectionTestDoneMessage: OnConnectionTestDone(); return true;
    case kTrayReportRequest: tray_->SendReport(reinterpret_cast<HWND>(wParam)); return true;
    case WM_DESTROY: services_.tray.SetWake({}); return false;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case IDM_ABOUTBOX: ShowAbout(); return true;
        // The title bar's close button only hides, like "取消"; a WM_CLOSE
        // that comes by itself asks the program to end.
        case SC_CLOSE: return OnCommand(IDCANCEL, 0);
        default: return false;
      }
    case WM_CLOSE: OnExit(); return true;
    case WM_ENDSESSION:
      // Log-off, shut-down, or the Restart Manager needing our files.
      if (wParam) {
        OnExit();
        exit_.WaitForRuns();
      }
      return true;
    case WM_WINDOWPOSCHANGING: HoldBackShowing(*reinterpret_cast<WINDOWPOS*>(lParam)); return false;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != IDC_MAKER_LINK ||
          (header->code != NM_CLICK && header->code != NM_RETURN)) {
        return false;
      }
      ShellExecuteW(nullptr, L"open", kMakerPage, nullptr, nullptr, SW_SHOWNORMAL);
      result = 0;
      return true;
    }
    default:
      if (message != taskbarCreated_ || message == 0) return false;
      AddTrayIcon();
      return true;
  }
}

bool CSyncAddrDlg::OnCommand(int id, int) {
  switch (id) {
    case IDOK: OnSave(); return true;
    case IDCANCEL:
      AbandonConnectionTest();
      ShowWindow(hwnd(), SW_HIDE);
      return true;
    case IDC_TEST_CONNECTION: StartConnectionTest(); return true;
    case IDC_SYNC_TYPE: form_.UpdateTimeList(); return true;
    case IDC_CLIENT_OUTLOOK_EXPRESS:
    case IDC_CLIENT_OUTLOOK_2003:
    case IDC_CLIENT_OUTLOOK_2007:
    case IDC_CLIENT_OUTLOOK_2010:
    case IDC_CLIENT_FOXMAIL_7:
    case IDC_CLIENT_OUTLOOK_2013:
    case IDC_OUTLOOK_OWN_FOLDER: form_.UpdateOutlookFolder(); return true;
    case ID_TRAY_CONFIGURE: ShowDialog(); return true;
    case ID_TRAY_MANUAL_SYNC: StartManualSync(); return true;
    case ID_TRAY_VIEW_LOG: OpenLogFile(hwnd(), services_.files.log); return true;
    case ID_TRAY_CANCEL_AUTO: OnCancelAutoSync(); return true;
    case ID_TRAY_ABOUT: ShowAbout(); return true;
    case ID_TRAY_EXIT: OnExit(); return true;
    default: return false;
  }
}

void CSyncAddrDlg::OnSave() {
  // Nothing changes unless every check passes; the user's input stays.
  const SyncSettings own = services_.settings.Snapshot();
  const SaveCheck check = CheckSave(form_.Read(), own);
  if (check.refusal) return ShowRefusal(hwnd(), *check.refusal);
  // Not saved: the dialog stays for another try or "取消".
  const Policy policy = form_.policy();
  if (!StoreSettings([&](SyncSettings& s) { s = policy.KeepOwnValues(check.settings, own); })) {
    return;
  }
  SettingsChanged();
  ShowWindow(hwnd(), SW_HIDE);
}

void CSyncAddrDlg::StartConnectionTest() {
  if (services_.tray.Exiting() || connectionTest_.Running()) return;
  // The same rules as a Save, so a test passes only what a Save would keep.
  const SaveCheck check = CheckSave(form_.Read(), services_.settings.Snapshot());
  if (check.refusal) return ShowRefusal(hwnd(), *check.refusal);
  HWND window = hwnd();
  const bool started = connectionTest_.Start(
      [settings = check.settings](const RunStop& stop) {
        HttpAnswerFetcher fetcher;
        fetcher.StopWith(stop);
        return TestConnection(settings, fetcher, &stop);
      },
      [window] { PostMessageW(window, kConnectionTestDoneMessage, 0, 0); });
  if (started) form_.ShowTestGoing(true);
}

void CSyncAddrDlg::OnConnectionTestDone() {
  const std::optional<SyncRunOutcome> result = connectionTest_.TakeResult();
  // A later test may be going already.
  if (!connectionTest_.Running()) form_.ShowTestGoing(false);
  if (!result || services_.tray.Exiting() || !IsWindowVisible(hwnd())) return;
  MessageBoxSink owned(hwnd());
  ShowRunResult(*result, owned);
}

void CSyncAddrDlg::AbandonConnectionTest() {
  connectionTest_.Abandon();
  form_.ShowTestGoing(false);
}

void CSyncAddrDlg::SettingsChanged() {
  services_.tray.SettingsChanged();
  UpdateTip();
}

bool CSyncAddrDlg::StoreSettings(const std::function<void(SyncSettings&)>& change) {
  const std::u16string& path = services_.files.settings;
  // A policy that came since the dialog was shown counts too.
  const bool forbid =
      form_.policy().ForbidsSavedPassword() || ReadSystemPolicy().ForbidsSavedPassword();
  if (UpdateAndSave(services_.settings, path, forbid, change)) {
    return true;
  }
  // Only now that the lock is free: a run must not wait for the box.
  MessageBoxW(hwnd(), AsWide(kSaveFailedText + path), AsWide(kAppName), MB_OK | MB_ICONERROR);
  return false;
}

void CSyncAddrDlg::HoldBackShowing(WINDOWPOS& pos) {
  if (!startHidden_ || !(pos.flags & SWP_SHOWWINDOW)) return;
  // The dialog's creation and its modal loop show it by themselves; a show
  // sent from another thread is a second launch asking for the dialog.
  if (InSendMessage()) {
    startHidden_ = false;
  } else {
    pos.flags &= ~SWP_SHOWWINDOW;
  }
}

void CSyncAddrDlg::ShowDialog() {
  if (services_.tray.Exiting()) return;  // the program is about to go
  startHidden_ = false;
  form_.ShowPolicy(ReadSystemPolicy(), services_.settings.Snapshot());
  SetForegroundWindow(hwnd());
  if (IsIconic(hwnd())) ShowWindow(hwnd(), SW_RESTORE);
  ShowWindow(hwnd(), SW_SHOW);
}

void CSyncAddrDlg::OnCancelAutoSync() {
  if (ReadSystemPolicy().Manages(PolicySetting::SyncType)) return;
  if (!StoreSettings([](SyncSettings& s) { s.SyncType = 1; })) return;
  form_.SelectManualSync();
  SettingsChanged();
}

void CSyncAddrDlg::StartManualSync() {
  if (services_.tray.Exiting()) return;
  HWND window = hwnd();
  // Already going (the menu grays the item, but a command may be queued).
  if (!manual_.Start([window] { PostMessageW(window, kManualSyncDoneMessage, 0, 0); })) return;
  UpdateTip();
}

void CSyncAddrDlg::OnManualSyncDone() {
  const std::optional<SyncRunOutcome> outcome = manual_.TakeOutcome();
  UpdateTip();
  if (!outcome || services_.tray.Exiting()) return;
  MessageBoxSink owned(hwnd());
  if (outcome->notice) owned.Show(*outcome->notice, MessageIcon::Information);
  // Exit may have closed the notice; a second box would keep the program.
  if (!services_.tray.Exiting()) ShowRunResult(*outcome, owned);
}

void CSyncAddrDlg::OnRunReports() {
  for (const TrayBalloon& balloon : services_.tray.TakeEndedRuns()) tray_->ShowBalloon(balloon);
  UpdateTip();
}

void CSyncAddrDlg::UpdateTip() { tray_->SetTip(services_.tray.Tip(manual_.Running())); }

void CSyncAddrDlg::OnExit() {
  if (services_.tray.Exiting()) return;
  AbandonConnectionTest();
  exit_.Start(hwnd(), kExitReadyMessage);
  ShowWindow(hwnd(), SW_HIDE);
  if (const std::optional<TrayBalloon> notice = services_.tray.BeginExit(manual_.Running())) {
    UpdateTip();
    tray_->ShowBalloon(*notice);
  } else {
    SetTimer(hwnd(), kExitNoticeTimer, 1000, nullptr);
  }
}

void CSyncAddrDlg::FinishExit() {
  exit_.WaitForRuns();
  KillTimer(hwnd(), kExitNoticeTimer);
  KillTimer(hwnd(), kTrayRetryTimer);
  tray_->Remove();
  ProgramExit::Finish(hwnd());
}

void CSyncAddrDlg::OnTrayNotify(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDOWN || mouseMessage == NIN_BALLOONUSERCLICK) ShowDialog();
  if (mouseMessage != WM_RBUTTONDOWN) return;
  const int32_t syncType = services_.settings.InEffect().SyncType;
  ShowTrayMenu(instance(), hwnd(), CancelAutoSyncOffered(ReadSystemPolicy(), syncType),
               syncType == 1 && !manual_.Running());
}

void CSyncAddrDlg::AddTrayIcon() {
  if (tray_->Add()) {
    KillTimer(hwnd(), kTrayRetryTimer);
  } else {
    SetTimer(hwnd(), kTrayRetryTimer, 1000, nullptr);
  }
}

void CSyncAddrDlg::ShowAbout() {
  CAboutDlg about(instance());
  about.DoModal(hwnd());
}
