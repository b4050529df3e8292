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

constexpr UINT_PTR kTrayTimer = 1;
// Exit that has not finished after this long is waiting for a run that
// was not yet visible when Exit was chosen (one waiting for its turn).
constexpr UINT_PTR kExitNoticeTimer = 2;
// Posted to the dialog from the threads that run syncs.
constexpr UINT kRunReportsMessage = WM_APP + 1;
constexpr UINT kManualSyncDoneMessage = WM_APP + 2;
constexpr UINT kExitReadyMessage = WM_APP + 3;
constexpr UINT kConnectionTestDoneMessage = WM_APP + 4;
constexpr char16_t kTestButtonText[] = u"测试连接";
constexpr char16_t kTestGoingText[] = u"正在测试…";
constexpr char16_t kFailureTitle[] = u"地址簿同步失败";
constexpr int kRadioIds[] = {IDC_CLIENT_OUTLOOK_EXPRESS, IDC_CLIENT_OUTLOOK_2003,
                             IDC_CLIENT_OUTLOOK_2007,    IDC_CLIENT_OUTLOOK_2010,
                             IDC_CLIENT_FOXMAIL_56,      IDC_CLIENT_FOXMAIL_7,
                             IDC_CLIENT_OUTLOOK_2013};
constexpr wchar_t kMakerPage[] = L"https://www.tarnwell.example/";

std::u16string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  const int got = GetWindowTextW(hwnd, AsWideBuffer(text), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

void FillList(HWND list, const std::vector<std::u16string>& entries, int selected) {
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const auto& e : entries) SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AsWide(e)));
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int Selection(HWND list) {
  return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
}

}  // namespace

CSyncAddrDlg::CSyncAddrDlg(HINSTANCE instance, SyncAddrDlgServices services, bool startHidden)
    : CDialog(instance, IDD_SYNCADDR_DIALOG),
      services_(std::move(services)),
      startHidden_(startHidden),
      manual_(services_.engine) {}

CSyncAddrDlg::~CSyncAddrDlg() {
  services_.runs.SetWake({});
  if (exitWaiter_.joinable()) exitWaiter_.join();
}

BOOL CSyncAddrDlg::OnInitDialog() {
  HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
  wchar_t aboutText[128] = {};
  if (systemMenu && LoadStringW(instance(), IDS_ABOUTBOX, aboutText, ARRAYSIZE(aboutText)) > 0) {
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
  }
  icon_ = LoadIconW(instance(), MAKEINTRESOURCEW(IDR_MAINFRAME));
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  HANDLE smallIcon = LoadImageW(instance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                LR_SHARED);
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

  const ClientAvailability available(services_.detectClients ? services_.detectClients()
                                                             : DetectedClients{});
  const SyncSettings s = services_.settings.Snapshot();
  // A stored kind that is unknown or not installed selects no button.
  clientChoice_ = available.IsAvailable(s.EmailClient) ? s.EmailClient : -1;
  for (int kind = 0; kind < ClientAvailability::kKinds; ++kind) {
    clientAvailable_[static_cast<size_t>(kind)] = available.IsAvailable(kind);
    EnableWindow(Item(kRadioIds[kind]), available.IsAvailable(kind));
  }

  FillList(Item(IDC_SYNC_LEVEL), {u"全部地址", u"本人所属部门地址"},
           s.SyncLevel >= 0 && s.SyncLevel <= 1 ? s.SyncLevel : -1);
  FillList(Item(IDC_SYNC_TYPE), {u"自动同步", u"手动同步"},
           s.SyncType >= 0 && s.SyncType <= 1 ? s.SyncType : -1);
  FillList(Item(IDC_SYNC_TIME), SyncTimeEntries(), SyncTimeIndex(s.SyncTime));

  address_ = BuildAddressText(s);
  account_ = s.Account;
  password_ = s.Password;
  savePassword_ = s.SavePassword != 0;
  EnableWindow(Item(IDC_SYNC_TIME), s.SyncType == 0);

  DoDataExchange(false);
  ShowPolicy();
  // The icon comes at once, so that a run failing at start-up can say so.
  tray_ = std::make_unique<TrayIcon>(instance(), hwnd());
  tray_->Add();
  lastRun_ = LastRunInLog(ReadLogTail(services_.files.log));
  UpdateTip();
  SetTimer(hwnd(), kTrayTimer, 1000, nullptr);
  HWND window = hwnd();
  services_.runs.SetWake([window] { PostMessageW(window, kRunReportsMessage, 0, 0); });
  // A scheduled run may have ended before the window existed.
  PostMessageW(window, kRunReportsMessage, 0, 0);
  return TRUE;
}

void CSyncAddrDlg::DoDataExchange(bool fromControls) {
  if (fromControls) {
    clientChoice_ = -1;
    for (int kind = 0; kind < ClientAvailability::kKinds; ++kind) {
      if (SendMessageW(Item(kRadioIds[kind]), BM_GETCHECK, 0, 0) == BST_CHECKED) clientChoice_ = kind;
    }
    address_ = WindowText(Item(IDC_WEBMAIL_ADDRESS));
    account_ = WindowText(Item(IDC_ACCOUNT));
    password_ = WindowText(Item(IDC_PASSWORD));
    savePassword_ = SendMessageW(Item(IDC_SAVE_PASSWORD), BM_GETCHECK, 0, 0) == BST_CHECKED;
    return;
  }
  for (int kind = 0; kind < ClientAvailability::kKinds; ++kind) {
    SendMessageW(Item(kRadioIds[kind]), BM_SETCHECK,
                 kind == clientChoice_ ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  SetWindowTextW(Item(IDC_WEBMAIL_ADDRESS), AsWide(address_));
  SetWindowTextW(Item(IDC_ACCOUNT), AsWide(account_));
  SetWindowTextW(Item(IDC_PASSWORD), AsWide(password_));
  SendMessageW(Item(IDC_SAVE_PASSWORD), BM_SETCHECK, savePassword_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CSyncAddrDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_TIMER:
      if (wParam == kExitNoticeTimer) {
        KillTimer(hwnd(), kExitNoticeTimer);
        ShowExitNotice();
        return true;
      }
      if (wParam != kTrayTimer) return false;
      tray_->Add();
      return true;
    case kTrayCallbackMessage:
      OnTrayNotify(lParam);
      return true;
    case kRunReportsMessage:
      OnRunReports();
      return true;
    case kManualSyncDoneMessage:
      OnManualSyncDone();
      return true;
    case kExitReadyMessage:
      FinishExit();
      return true;
    case kConnectionTestDoneMessage:
      OnConnectionTestDone();
      return true;
    case kTrayReportRequest:
      tray_->SendReport(reinterpret_cast<HWND>(wParam));
      return true;
    case WM_DESTROY:
      services_.runs.SetWake({});
      return false;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case IDM_ABOUTBOX: ShowAbout(); return true;
        // The title bar's close button only hides, like "取消"; a WM_CLOSE
        // that comes by itself asks the program to end.
        case SC_CLOSE: return OnCommand(IDCANCEL, 0);
        default: return false;
      }
    case WM_CLOSE:
      OnExit();
      return true;
    case WM_ENDSESSION:
      // Log-off, shut-down, or the Restart Manager needing our files: the
      // process may be ended at any moment after this returns, so the run
      // in progress is waited for here.
      if (wParam) {
        OnExit();
        if (exitWaiter_.joinable()) exitWaiter_.join();
      }
      return true;
    case WM_WINDOWPOSCHANGING:
      HoldBackShowing(*reinterpret_cast<WINDOWPOS*>(lParam));
      return false;
    case WM_PAINT:
      return OnPaint();
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(icon_);
      return true;
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
      return false;
  }
}

bool CSyncAddrDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDOK: OnSave(); return true;
    case IDCANCEL:
      AbandonConnectionTest();
      ShowWindow(hwnd(), SW_HIDE);
      return true;
    case IDC_TEST_CONNECTION: StartConnectionTest(); return true;
    case IDC_SYNC_TYPE: UpdateTimeListEnabled(); return true;
    case ID_TRAY_CONFIGURE: ShowDialog(); return true;
    case ID_TRAY_MANUAL_SYNC: StartManualSync(); return true;
    case ID_TRAY_VIEW_LOG: OpenLogFile(hwnd(), services_.files.log); return true;
    case ID_TRAY_CANCEL_AUTO: OnCancelAutoSync(); return true;
    case ID_TRAY_ABOUT: ShowAbout(); return true;
    case ID_TRAY_EXIT: OnExit(); return true;
    default: return false;
  }
}

void CSyncAddrDlg::UpdateTimeListEnabled() {
  EnableWindow(Item(IDC_SYNC_TIME), Selection(Item(IDC_SYNC_TYPE)) == 0 &&
                                        !policy_.Manages(PolicySetting::SyncTime));
}

void CSyncAddrDlg::ShowPolicy() {
  const Policy was = policy_;
  policy_ = ReadSystemPolicy();
  const SyncSettings own = services_.settings.Snapshot();
  const SyncSettings shown = policy_.Apply(own);
  // Controls of settings never managed keep what the user may have typed.
  const auto touch = [&](PolicySetting setting) {
    return policy_.Manages(setting) || was.Manages(setting);
  };
  if (touch(PolicySetting::EmailClient)) {
    const bool managed = policy_.Manages(PolicySetting::EmailClient);
    const int32_t kinds = ClientAvailability::kKinds;
    const bool ownAvailable = own.EmailClient >= 0 && own.EmailClient < kinds &&
                              clientAvailable_[static_cast<size_t>(own.EmailClient)];
    const int32_t choice = managed || ownAvailable ? shown.EmailClient : -1;
    for (int kind = 0; kind < ClientAvailability::kKinds; ++kind) {
      SendMessageW(Item(kRadioIds[kind]), BM_SETCHECK, kind == choice ? BST_CHECKED : BST_UNCHECKED,
                   0);
      EnableWindow(Item(kRadioIds[kind]), !managed && clientAvailable_[static_cast<size_t>(kind)]);
    }
  }
  if (touch(PolicySetting::WebmailAddress)) {
    SetWindowTextW(Item(IDC_WEBMAIL_ADDRESS), AsWide(BuildAddressText(shown)));
    EnableWindow(Item(IDC_WEBMAIL_ADDRESS), !policy_.Manages(PolicySetting::WebmailAddress));
  }
  const struct {
    PolicySetting setting;
    int id;
    int index;
  } lists[] = {{PolicySetting::SyncLevel, IDC_SYNC_LEVEL, shown.SyncLevel},
               {PolicySetting::SyncType, IDC_SYNC_TYPE, shown.SyncType},
               {PolicySetting::SyncTime, IDC_SYNC_TIME, SyncTimeIndex(shown.SyncTime)}};
  for (const auto& list : lists) {
    if (!touch(list.setting)) continue;
    SendMessageW(Item(list.id), CB_SETCURSEL, static_cast<WPARAM>(list.index), 0);
    EnableWindow(Item(list.id), !policy_.Manages(list.setting));
  }
  UpdateTimeListEnabled();
  if (policy_.ForbidsSavedPassword() || was.ForbidsSavedPassword()) {
    const bool save = !policy_.ForbidsSavedPassword() && own.SavePassword != 0;
    SendMessageW(Item(IDC_SAVE_PASSWORD), BM_SETCHECK, save ? BST_CHECKED : BST_UNCHECKED, 0);
    EnableWindow(Item(IDC_SAVE_PASSWORD), !policy_.ForbidsSavedPassword());
  }
  ShowWindow(Item(IDC_POLICY_NOTE), policy_.ManagesAny() ? SW_SHOW : SW_HIDE);
}

DialogInput CSyncAddrDlg::ReadInput() {
  DoDataExchange(true);
  DialogInput input;
  input.clientChoice = clientChoice_;
  input.address = address_;
  input.levelIndex = Selection(Item(IDC_SYNC_LEVEL));
  input.typeIndex = Selection(Item(IDC_SYNC_TYPE));
  input.timeIndex = Selection(Item(IDC_SYNC_TIME));
  input.account = account_;
  input.password = password_;
  input.savePassword = savePassword_;
  return input;
}

void CSyncAddrDlg::OnSave() {
  const DialogInput input = ReadInput();
  // Nothing changes unless every check passes; the user's input stays.
  const SyncSettings own = services_.settings.Snapshot();
  const SaveCheck check = CheckSave(input, own);
  if (check.refusal) {
    MessageBoxW(hwnd(), AsWide(*check.refusal), AsWide(kAppName), MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  account_ = check.settings.Account;
  password_ = check.settings.Password;
  // Not saved: the dialog stays for another try or "取消".
  const Policy policy = policy_;
  if (!StoreSettings([&](SyncSettings& s) { s = policy.KeepOwnValues(check.settings, own); })) {
    return;
  }
  SettingsChanged();
  ShowWindow(hwnd(), SW_HIDE);
}

void CSyncAddrDlg::StartConnectionTest() {
  if (exiting_ || connectionTest_.Running()) return;
  // The same rules as a Save, so a test passes only what a Save would keep.
  const SaveCheck check = CheckSave(ReadInput(), services_.settings.Snapshot());
  if (check.refusal) {
    MessageBoxW(hwnd(), AsWide(*check.refusal), AsWide(kAppName), MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  HWND window = hwnd();
  const bool started = connectionTest_.Start(
      [settings = check.settings] {
        HttpAnswerFetcher fetcher;
        return TestConnection(settings, fetcher);
      },
      [window] { PostMessageW(window, kConnectionTestDoneMessage, 0, 0); });
  if (started) ShowTestGoing(true);
}

void CSyncAddrDlg::OnConnectionTestDone() {
  const std::optional<SyncRunOutcome> result = connectionTest_.TakeResult();
  // A later test may be going already.
  if (!connectionTest_.Running()) ShowTestGoing(false);
  if (!result || exiting_ || !IsWindowVisible(hwnd())) return;
  MessageBoxSink owned(hwnd());
  ShowRunResult(*result, owned);
}

void CSyncAddrDlg::AbandonConnectionTest() {
  connectionTest_.Abandon();
  ShowTestGoing(false);
}

void CSyncAddrDlg::ShowTestGoing(bool going) {
  HWND button = Item(IDC_TEST_CONNECTION);
  // A disabled control that keeps the focus leaves the keyboard nowhere.
  if (going && GetFocus() == button) SendMessageW(hwnd(), WM_NEXTDLGCTL, 0, FALSE);
  SetWindowTextW(button, AsWide(going ? kTestGoingText : kTestButtonText));
  EnableWindow(button, !going);
}

void CSyncAddrDlg::SettingsChanged() {
  // The engine drops a pending retry once the settings change.
  if (lastRun_) lastRun_->retryAt.reset();
  UpdateTip();
}

bool CSyncAddrDlg::StoreSettings(const std::function<void(SyncSettings&)>& change) {
  const std::u16string path = services_.files.settings;
  bool saved = false;
  services_.settings.Update(change, [&](const SyncSettings& s) {
    SyncSettings stored = s;
    // A password the administrator forbids keeping stays in memory only,
    // and one saved before the policy came goes too.
    if (policy_.ForbidsSavedPassword()) stored.Password.clear();
    saved = SaveSettings(path, stored);
    if (policy_.ForbidsSavedPassword()) RemoveSavedPassword(path);
  });
  // Only now that the lock is free: a run must not wait for the box.
  if (!saved) {
    MessageBoxW(hwnd(), AsWide(kSaveFailedText + path), AsWide(kAppName), MB_OK | MB_ICONERROR);
  }
  return saved;
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
  if (exiting_) return;  // the program is about to go
  startHidden_ = false;
  ShowPolicy();
  SetForegroundWindow(hwnd());
  if (IsIconic(hwnd())) ShowWindow(hwnd(), SW_RESTORE);
  ShowWindow(hwnd(), SW_SHOW);
}

void CSyncAddrDlg::OnCancelAutoSync() {
  if (ReadSystemPolicy().Manages(PolicySetting::SyncType)) return;
  // Unsaved, it still holds until the program ends.
  StoreSettings([](SyncSettings& s) { s.SyncType = 1; });
  SendMessageW(Item(IDC_SYNC_TYPE), CB_SETCURSEL, 1, 0);
  EnableWindow(Item(IDC_SYNC_TIME), FALSE);
  SettingsChanged();
}

void CSyncAddrDlg::StartManualSync() {
  if (exiting_) return;
  HWND window = hwnd();
  // Already going (the menu grays the item, but a command may be queued).
  if (!manual_.Start([window] { PostMessageW(window, kManualSyncDoneMessage, 0, 0); })) return;
  UpdateTip();
}

void CSyncAddrDlg::OnManualSyncDone() {
  const std::optional<SyncRunOutcome> outcome = manual_.TakeOutcome();
  UpdateTip();
  if (outcome && !exiting_) ShowRunResultBox(*outcome);
}

void CSyncAddrDlg::ShowRunResultBox(const SyncRunOutcome& outcome) {
  MessageBoxSink owned(hwnd());
  if (outcome.notice) owned.Show(*outcome.notice, MessageIcon::Information);
  // Exit may have closed the notice; a second box would keep the program.
  if (exiting_) return;
  ShowRunResult(outcome, owned);
}

void CSyncAddrDlg::OnRunReports() {
  for (const RunReport& report : services_.runs.Take()) {
    const std::u16string& text = report.outcome.resultText;
    lastRun_ = LastRun{report.stamp, text, report.outcome.retryAt};
    // Nobody watches an automatic run; a failure must not go unseen, but
    // the same one every day is news only once, and one that will be tried
    // again is news only if the retries fail too.
    if (report.mode == RunMode::Automatic && !report.outcome.success &&
        !report.outcome.retryAt && !exiting_ &&
        notices_.ShouldAnnounce(report.stamp.substr(0, 10), text)) {
      tray_->ShowBalloon(kFailureTitle, text, NIIF_WARNING);
    }
  }
  UpdateTip();
}

void CSyncAddrDlg::UpdateTip() {
  const std::u16string name = kAppName;
  if (exiting_) {
    tray_->SetTip(name + u" - 同步完成后退出…");
  } else if (manual_.Running() || services_.runs.Active()) {
    tray_->SetTip(name + u" - 正在同步…");
  } else {
    tray_->SetTip(IdleTip(name, lastRun_));
  }
}

void CSyncAddrDlg::OnExit() {
  if (exiting_) return;
  exiting_ = true;
  AbandonConnectionTest();
  // A run still waiting behind another would start during log-off.
  services_.engine.RefuseQueuedRuns();
  ShowWindow(hwnd(), SW_HIDE);
  // Ending now could leave the address book half written.
  if (manual_.Running() || services_.runs.Active()) {
    ShowExitNotice();
  } else {
    SetTimer(hwnd(), kExitNoticeTimer, 1000, nullptr);
  }
  // Waiting here would freeze the window and the icon.
  HWND window = hwnd();
  exitWaiter_ = std::thread([this, window] {
    manual_.Wait();
    services_.engine.Stop();
    PostMessageW(window, kExitReadyMessage, 0, 0);
  });
}

void CSyncAddrDlg::ShowExitNotice() {
  UpdateTip();
  tray_->ShowBalloon(kAppName, u"正在同步，同步完成后程序将退出。", NIIF_INFO);
}

void CSyncAddrDlg::FinishExit() {
  if (exitWaiter_.joinable()) exitWaiter_.join();
  KillTimer(hwnd(), kExitNoticeTimer);
  KillTimer(hwnd(), kTrayTimer);
  tray_->Remove();
  // An open menu, about box or result box must not keep the program alive.
  EndMenu();
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM main) -> BOOL {
        wchar_t className[16] = {};
        GetClassNameW(window, className, ARRAYSIZE(className));
        if (window != reinterpret_cast<HWND>(main) && lstrcmpW(className, L"#32770") == 0) {
          ::EndDialog(window, IDCANCEL);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(hwnd()));
  EndDialog(IDOK);
}

void CSyncAddrDlg::OnTrayNotify(LPARAM mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONDOWN:
      ShowDialog();
      break;
    case WM_RBUTTONDOWN:
      ShowTrayMenu(instance(), hwnd(), services_.settings.InEffect().SyncType, manual_.Running());
      break;
    case NIN_BALLOONUSERCLICK:
      ShowDialog();
      break;
    default:
      break;
  }
}

bool CSyncAddrDlg::OnPaint() {
  if (!IsIconic(hwnd())) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(hwnd(), &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, icon_);
  EndPaint(hwnd(), &ps);
  return true;
}

void CSyncAddrDlg::ShowAbout() {
  CAboutDlg about(instance());
  about.DoModal(hwnd());
}
