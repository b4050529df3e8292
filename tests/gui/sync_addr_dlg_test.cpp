// The resident program under Xvfb: its dialog, Save and Cancel, the tray
// commands and tip, a manual run in the background, the about box, Exit
// and the single-instance hand-over.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "http_test_replies.h"
#include "common/utf_convert.h"
#include "loopback_http_server_win.h"
#include "program_driver_win.h"
#include "resources/resource.h"
#include "tests/support/test_turn_win.h"
#include "win_test_support.h"

namespace {

const char kStoredSettings[] =
    "[General]\r\nEmailClient=0\r\nSyncLevel=1\r\nSyncType=1\r\nSyncTime=570\r\n"
    "SyncSpread=30\r\n[Server]\r\nServerHost=127.0.0.1\r\nServerVirtual=mail\r\nServerPort=1\r\n"
    "Account=zhang@corp.example\r\nPassword=c2VjcmV0\r\nSavePassword=1\r\n";

// Outlook registered for automation as the given version, for one test.
class ScopedOutlookCurVer {
 public:
  explicit ScopedOutlookCurVer(const std::u16string& value) {
    RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Outlook.Application\\CurVer", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
    RegSetValueExW(key_.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(AsWide(value)),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  ~ScopedOutlookCurVer() { RegDeleteValueW(key_.get(), nullptr); }

 private:
  UniqueHKey key_;
};

class SyncAddrDlgTest : public testing::Test {
 protected:
  std::u16string Ini() const { return dir_.File(u"AddrBookSync.ini"); }
  void WriteIni(const std::string& text) { WriteFileBytes(Ini(), text); }
  HWND Launch() {
    HWND dialog = program_.StartShowingDialog(exe_);
    EXPECT_NE(dialog, nullptr);
    return dialog;
  }
  // The stored settings with `client` chosen.
  HWND LaunchChoosing(int client) {
    std::string settings = kStoredSettings;
    settings.replace(settings.find("EmailClient=0"), 13, "EmailClient=" + std::to_string(client));
    WriteIni(settings);
    return Launch();
  }
  // Posts a command and returns the text of the message box it brings up,
  // closing the box.
  std::u16string CommandShowingBox(HWND dialog, int command) {
    PostMessageW(dialog, WM_COMMAND, command, 0);
    std::u16string text;
    HWND box = program_.WaitForMessageBox(text);
    EXPECT_NE(box, nullptr) << "no message box after command " << command;
    if (box) {
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      WaitUntil([&] { return !IsWindow(box); });
    }
    return text;
  }

  // The Foxmail 7 program tests register Foxmail for a moment; what the
  // dialog offers must not depend on their timing. Likewise the writer
  // tests register their fakes of Outlook and the address book, whose keys
  // this test changes.
  TestTurn foxmailKeyTurn_{kFoxmailCommandKeyTurn};
  TestTurn writerFakesTurn_{kWriterFakesTurn};
  ProgramFolder dir_;
  const std::u16string exe_ = dir_.exe();
  ProgramDriver program_;
};

// The window handles the message within two seconds.
bool Answers(HWND window, UINT message = WM_NULL, WPARAM wParam = 0) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, message, wParam, 0, SMTO_ABORTIFHUNG, 2000, &ignored) != 0;
}

// The control's text in its own font fits its width (a check box or radio
// button also holds its box).
bool TextFits(HWND control) {
  wchar_t buffer[256] = {};
  const int length = GetWindowTextW(control, buffer, ARRAYSIZE(buffer));
  HDC dc = GetDC(control);
  HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32W(dc, buffer, length, &extent);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  RECT box;
  GetClientRect(control, &box);
  const LONG style = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
  const bool checkable = style == BS_AUTOCHECKBOX || style == BS_AUTORADIOBUTTON;
  return extent.cx + (checkable ? GetSystemMetrics(SM_CXMENUCHECK) : 0) <= box.right;
}

TEST_F(SyncAddrDlgTest, StartShowsTheStoredSettingsAndOnlyInstalledClients) {
  ScopedOutlookCurVer outlook(u"Outlook.Application.14");
  HWND dialog = LaunchChoosing(3);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_TRUE(IsEnabled(dialog, IDC_CLIENT_OUTLOOK_2010));
  EXPECT_TRUE(IsChecked(dialog, IDC_CLIENT_OUTLOOK_2010));
  for (int id : {IDC_CLIENT_OUTLOOK_EXPRESS, IDC_CLIENT_OUTLOOK_2003, IDC_CLIENT_OUTLOOK_2007,
                 IDC_CLIENT_FOXMAIL_7, IDC_CLIENT_OUTLOOK_2013}) {
    EXPECT_FALSE(IsEnabled(dialog, id)) << id;
  }
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_CLIENT_FOXMAIL_56)));
  EXPECT_EQ(ControlText(dialog, IDC_WEBMAIL_ADDRESS), u"http://127.0.0.1:1/mail");
  EXPECT_EQ(ControlText(dialog, IDC_ACCOUNT), u"zhang@corp.example");
  EXPECT_EQ(ControlText(dialog, IDC_PASSWORD), u"secret");
  EXPECT_TRUE(IsChecked(dialog, IDC_SAVE_PASSWORD));
  EXPECT_EQ(ListSelection(dialog, IDC_SYNC_LEVEL), 1);
  EXPECT_EQ(ListSelection(dialog, IDC_SYNC_TYPE), 1);
  EXPECT_EQ(ListSelection(dialog, IDC_SYNC_TIME), 19);
  EXPECT_FALSE(IsEnabled(dialog, IDC_SYNC_TIME));  // manual sync: no time

  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SyncAddrDlgTest, Outlook2013AndLaterIsTheSeventhButton) {
  ScopedOutlookCurVer outlook(u"Outlook.Application.16");
  HWND dialog = LaunchChoosing(6);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(IsEnabled(dialog, IDC_CLIENT_OUTLOOK_2013));
  EXPECT_TRUE(IsChecked(dialog, IDC_CLIENT_OUTLOOK_2013));
  EXPECT_EQ(ControlText(dialog, IDC_CLIENT_OUTLOOK_2013), u"Outlook 2013+");
  EXPECT_FALSE(IsEnabled(dialog, IDC_CLIENT_OUTLOOK_2010));
  // With an Outlook chosen, the folder box; its name once it is checked.
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_OUTLOOK_OWN_FOLDER)));
  EXPECT_EQ(ControlText(dialog, IDC_OUTLOOK_FOLDER_NAME), u"公司通讯录");
  EXPECT_FALSE(IsEnabled(dialog, IDC_OUTLOOK_FOLDER_NAME));
  SendDlgItemMessageW(dialog, IDC_OUTLOOK_OWN_FOLDER, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_OUTLOOK_OWN_FOLDER, BN_CLICKED), 0);
  EXPECT_TRUE(IsEnabled(dialog, IDC_OUTLOOK_FOLDER_NAME));
  SetControlText(dialog, IDC_OUTLOOK_FOLDER_NAME, u" Corp ");
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  EXPECT_NE(ReadFileBytes(Ini()).find("EmailClient=6\r\n"), std::string::npos);
  EXPECT_NE(ReadFileBytes(Ini()).find("OutlookFolder=Corp\r\n"), std::string::npos);
  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SyncAddrDlgTest, HttpsAddressRoundTrip) {
  WriteIni(
      "[Server]\r\nServerHost=mail.corp.example\r\nServerPort=443\r\nServerScheme=https\r\n"
      "Account=a@corp.example\r\nPassword=c2VjcmV0\r\nSavePassword=1\r\n");
  HWND dialog = Launch();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ControlText(dialog, IDC_WEBMAIL_ADDRESS), u"https://mail.corp.example/mail");
  SetControlText(dialog, IDC_WEBMAIL_ADDRESS, u"https://mail.corp.example:8443/mail");
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  const std::string ini = ReadFileBytes(Ini());
  EXPECT_NE(ini.find("ServerPort=8443\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("ServerScheme=https\r\n"), std::string::npos) << ini;
  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));

  ProgramDriver again;
  dialog = again.StartShowingDialog(exe_);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ControlText(dialog, IDC_WEBMAIL_ADDRESS), u"https://mail.corp.example:8443/mail");
  EXPECT_EQ(again.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SyncAddrDlgTest, RefusedSaveChangesNothingAndAcceptedSaveStoresAll) {
  WriteIni(kStoredSettings);
  HWND dialog = Launch();
  ASSERT_NE(dialog, nullptr);
  // No client is installed in this prefix: nothing offered, nothing chosen.
  EXPECT_FALSE(IsChecked(dialog, IDC_CLIENT_OUTLOOK_EXPRESS));
  EXPECT_FALSE(IsEnabled(dialog, IDC_CLIENT_OUTLOOK_EXPRESS));

  SetControlText(dialog, IDC_WEBMAIL_ADDRESS, u"http://127.0.0.2:2/other");
  SetControlText(dialog, IDC_ACCOUNT, u"   ");
  EXPECT_EQ(CommandShowingBox(dialog, IDOK), u"邮箱全称不能为空");
  SetControlText(dialog, IDC_ACCOUNT, u" wang@corp.example ");
  SetControlText(dialog, IDC_PASSWORD, u" ");
  EXPECT_EQ(CommandShowingBox(dialog, IDOK), u"邮箱密码不能为空");
  EXPECT_EQ(ReadFileBytes(Ini()), kStoredSettings);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(ControlText(dialog, IDC_WEBMAIL_ADDRESS), u"http://127.0.0.2:2/other");

  // The run started from the tray still uses the server of the file.
  const std::u16string storedServerFailed =
      u"打开URL失败：http://127.0.0.1:1/mail/addresssync.asp?accnt=zhang@corp.example"
      u"&pwd=******&onlydepart=1（无法连接到服务器）";
  EXPECT_EQ(CommandShowingBox(dialog, ID_TRAY_MANUAL_SYNC), storedServerFailed);

  SetControlText(dialog, IDC_WEBMAIL_ADDRESS, u"http://127.0.0.1:70000/mail");
  SetControlText(dialog, IDC_PASSWORD, u"pw");
  const std::u16string refusal = CommandShowingBox(dialog, IDOK);
  EXPECT_NE(refusal.find(u"Webmail地址"), std::u16string::npos)
      << std::string(refusal.begin(), refusal.end());
  EXPECT_EQ(ReadFileBytes(Ini()), kStoredSettings);

  SetControlText(dialog, IDC_WEBMAIL_ADDRESS, u"https://mail.corp.example/webmail/");
  // A file held by another program cannot be written (read-only would not stop root).
  UniqueHandle held(CreateFileW(AsWide(Ini()), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, {}));
  EXPECT_EQ(CommandShowingBox(dialog, IDOK), u"保存设置失败：" + Ini());
  EXPECT_TRUE(IsWindowVisible(dialog));
  held.reset();
  // Nothing changed: the file, the program's settings, what was typed.
  EXPECT_EQ(ReadFileBytes(Ini()), kStoredSettings);
  EXPECT_EQ(CommandShowingBox(dialog, ID_TRAY_MANUAL_SYNC), storedServerFailed);
  EXPECT_EQ(ControlText(dialog, IDC_WEBMAIL_ADDRESS), u"https://mail.corp.example/webmail/");
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  // The older file's keys keep their places, SyncSpread too, which the
  // dialog does not show; the protected password, new to the file, comes
  // last but one. Its blob differs from save to save.
  const std::string saved = ReadFileBytes(Ini());
  const std::string head =
      "[General]\r\nEmailClient=-1\r\nSyncLevel=1\r\nSyncType=1\r\nSyncTime=570\r\n"
      "SyncSpread=30\r\nOutlookFolder=\r\n[Server]\r\nServerHost=mail.corp."
      "example\r\nServerVirtual=webmail\r\n"
      "ServerPort=443\r\nAccount=wang@corp.example\r\nPassword=\r\n"
      "SavePassword=1\r\nProtectedPassword=";
  const std::string tail = "\r\nServerScheme=https\r\n";
  EXPECT_EQ(saved.substr(0, head.size()), head);
  EXPECT_EQ(saved.substr(saved.size() - std::min(saved.size(), tail.size())), tail);
  EXPECT_GT(saved.size(), head.size() + tail.size() + 40) << saved;

  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SyncAddrDlgTest, CancelOnlyHidesAndTheTrayShowsTheDialogAgain) {
  WriteIni(kStoredSettings);
  HWND dialog = Launch();
  ASSERT_NE(dialog, nullptr);
  SetControlText(dialog, IDC_ACCOUNT, u"typed@corp.example");
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  EXPECT_EQ(ReadFileBytes(Ini()), kStoredSettings);

  // A restarted shell has lost the icon: its announcement brings it back.
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof(icon);
  icon.hWnd = dialog;
  icon.uID = kTrayIconId;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
  SendMessageW(dialog, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &icon));

  PostMessageW(dialog, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDOWN);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
  EXPECT_EQ(ControlText(dialog, IDC_ACCOUNT), u"typed@corp.example");

  // Choosing manual sync disables the time list at once.
  SendMessageW(GetDlgItem(dialog, IDC_SYNC_TYPE), CB_SETCURSEL, 0, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SYNC_TYPE, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SYNC_TYPE)));
  EXPECT_TRUE(IsEnabled(dialog, IDC_SYNC_TIME));

  // Exit works while the dialog is hidden.
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SyncAddrDlgTest, ManagedSettingsAreGreyedWithThePolicyAndSavesKeepTheUsersOwn) {
  WriteIni(kStoredSettings);
  PolicyKeys policy;
  ASSERT_TRUE(policy.Set(HKEY_LOCAL_MACHINE, L"WebmailAddress", u"https://127.0.0.2:2/corp"));
  ASSERT_TRUE(policy.Set(HKEY_CURRENT_USER, L"SyncType", DWORD{0}));
  ASSERT_TRUE(policy.Set(HKEY_CURRENT_USER, L"SyncTime", DWORD{1440}));  // out of range
  // The machine's 1 (the user chooses) wins over the user policy's 0.
  ASSERT_TRUE(policy.Set(HKEY_LOCAL_MACHINE, L"SavePassword", DWORD{1}));
  ASSERT_TRUE(policy.Set(HKEY_CURRENT_USER, L"SavePassword", DWORD{0}));
  ASSERT_TRUE(policy.Set(HKEY_CURRENT_USER, L"OutlookFolder", u"Corp"));
  HWND dialog = Launch();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ControlText(dialog, IDC_PASSWORD), u"secret");
  EXPECT_EQ(ControlText(dialog, IDC_WEBMAIL_ADDRESS), u"https://127.0.0.2:2/corp");
  EXPECT_FALSE(IsEnabled(dialog, IDC_WEBMAIL_ADDRESS));
  EXPECT_EQ(ListSelection(dialog, IDC_SYNC_TYPE), 0);
  EXPECT_FALSE(IsEnabled(dialog, IDC_SYNC_TYPE));
  EXPECT_EQ(ListSelection(dialog, IDC_SYNC_TIME), 19);
  EXPECT_TRUE(IsEnabled(dialog, IDC_SYNC_TIME));
  EXPECT_TRUE(IsEnabled(dialog, IDC_SYNC_LEVEL));
  EXPECT_TRUE(IsEnabled(dialog, IDC_SAVE_PASSWORD));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_POLICY_NOTE)));
  EXPECT_TRUE(IsChecked(dialog, IDC_OUTLOOK_OWN_FOLDER));
  EXPECT_FALSE(IsEnabled(dialog, IDC_OUTLOOK_OWN_FOLDER));
  EXPECT_EQ(ControlText(dialog, IDC_OUTLOOK_FOLDER_NAME), u"Corp");
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_OUTLOOK_OWN_FOLDER)));  // no Outlook chosen

  // The user's own choice not to keep the password is stored.
  SendDlgItemMessageW(dialog, IDC_SAVE_PASSWORD, BM_SETCHECK, BST_UNCHECKED, 0);
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  const std::string saved = ReadFileBytes(Ini());
  for (const char* line : {"ServerHost=127.0.0.1\r\n", "ServerPort=1\r\n", "SyncType=1\r\n",
                           "SavePassword=0\r\n", "\nPassword=\r\n", "OutlookFolder=\r\n"}) {
    EXPECT_NE(saved.find(line), std::string::npos) << line << saved;
  }
  PostMessageW(dialog, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDOWN);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
  SendDlgItemMessageW(dialog, IDC_SAVE_PASSWORD, BM_SETCHECK, BST_CHECKED, 0);
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  EXPECT_NE(ReadFileBytes(Ini()).find("ProtectedPassword=A"), std::string::npos);  // a DPAPI blob

  // A refresh that forbids keeping it: gone from the file before the next run.
  ASSERT_TRUE(policy.Set(HKEY_LOCAL_MACHINE, L"SavePassword", DWORD{0}));
  CommandShowingBox(dialog, ID_TRAY_MANUAL_SYNC);
  EXPECT_EQ(ReadFileBytes(Ini()).find("ProtectedPassword=A"), std::string::npos);
  PostMessageW(dialog, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDOWN);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
  EXPECT_FALSE(IsChecked(dialog, IDC_SAVE_PASSWORD));
  EXPECT_FALSE(IsEnabled(dialog, IDC_SAVE_PASSWORD));

  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SyncAddrDlgTest, CancelAutoSyncWritesManualTypeAndTheMenuFollows) {
  // The saved password was protected for another user: it stays as it is.
  const std::string foreignPassword = "ProtectedPassword=AQAAANCMnd8BFdERjHoAwE/Cl+sBAAAA\r\n";
  WriteIni(
      "[General]\r\nEmailClient=0\r\nSyncType=0\r\nSyncTime=540\r\n[Server]\r\n"
      "ServerHost=127.0.0.1\r\nSavePassword=1\r\n" +
      foreignPassword);
  HWND dialog = Launch();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(IsEnabled(dialog, IDC_SYNC_TIME));
  SendMessageW(dialog, WM_COMMAND, ID_TRAY_CANCEL_AUTO, 0);
  EXPECT_EQ(ListSelection(dialog, IDC_SYNC_TYPE), 1);
  EXPECT_FALSE(IsEnabled(dialog, IDC_SYNC_TIME));
  const std::string ini = ReadFileBytes(Ini());
  EXPECT_NE(ini.find("SyncType=1\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("SyncTime=540\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find(foreignPassword), std::string::npos) << ini;

  // The tray menu opens and closes again.
  PostMessageW(dialog, kTrayCallbackMessage, kTrayIconId, WM_RBUTTONDOWN);
  HWND menu = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr; }));
  PostMessageW(dialog, WM_CANCELMODE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }));

  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SyncAddrDlgTest, ManualSyncRunsInTheBackgroundAndQuitStopsItsDownload) {
  UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  LoopbackHttpServer server([&](const RecordedRequest&) {
    WaitForSingleObject(release.get(), 60000);
    return Ok(
        "<?xml version=\"1.0\"?><addressbooks><person Name=\"a\" E-Mail=\"a@b\"/></addressbooks>");
  });
  WriteIni(
      "[General]\r\nEmailClient=-1\r\nSyncType=1\r\n[Server]\r\nServerHost=127.0.0."
      "1\r\nServerPort=" +
      std::to_string(server.port()) + "\r\nAccount=a@corp.example\r\nPassword=c2VjcmV0\r\n");
  HWND dialog = Launch();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ProgramDriver::TrayTip(dialog), u"Tarnwell地址簿同步");  // no log yet

  PostMessageW(dialog, WM_COMMAND, ID_TRAY_MANUAL_SYNC, 0);
  ASSERT_TRUE(WaitUntil([&] { return server.Requests().size() == 1; }));
  EXPECT_EQ(ProgramDriver::TrayTip(dialog), u"Tarnwell地址簿同步 - 正在同步…");
  EXPECT_TRUE(Answers(dialog, WM_COMMAND, ID_TRAY_MANUAL_SYNC));  // ignored while one runs
  std::u16string text;
  EXPECT_EQ(program_.WaitForMessageBox(text, 0), nullptr);
  SetEvent(release.get());
  HWND box = program_.WaitForMessageBox(text);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(text, u"未发现同步任务");
  EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  const std::u16string tip = ProgramDriver::TrayTip(dialog);
  EXPECT_EQ(tip.rfind(u"Tarnwell地址簿同步\n上次同步：20", 0), 0u);
  EXPECT_EQ(tip.substr(tip.size() - 8), u" 未发现同步任务");
  EXPECT_EQ(server.Requests().size(), 1u);

  // After a restart the tip is read back from the log.
  ASSERT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
  ProgramDriver again;
  dialog = again.StartShowingDialog(exe_);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ProgramDriver::TrayTip(dialog), tip);

  // Exit or "/quit" during a download ends the run at once: nothing has
  // been written yet.
  ResetEvent(release.get());
  PostMessageW(dialog, WM_COMMAND, ID_TRAY_MANUAL_SYNC, 0);
  ASSERT_TRUE(WaitUntil([&] { return server.Requests().size() == 2; }));
  EXPECT_EQ(RunProgram(exe_, u"/quit").exitCode, 0u);
  EXPECT_EQ(again.WaitForExit(0), std::optional<DWORD>(0));
  EXPECT_TRUE(
      ReadFileBytes(dir_.File(u"syncaddrs.log"))
          .ends_with(" :\xB3\xCC\xD0\xF2\xCD\xCB\xB3\xF6\xA3\xAC\xB1\xBE\xB4\xCE\xCD"
                     "\xAC\xB2\xBD\xD2\xD1\xC8\xA1\xCF\xFB\r\n"));  // 程序退出，本次同步已取消
  SetEvent(release.get());
}

TEST_F(SyncAddrDlgTest, ViewLogOpensTheLogCreatingItFirst) {
  // .log files open, for this test, with a command that copies them.
  const std::u16string marker = dir_.File(u"opened.txt");
  const std::u16string command = u"cmd.exe /c copy \"%1\" \"" + marker + u"\"";
  RegSetValueW(HKEY_CLASSES_ROOT, L".log", REG_SZ, L"TarnwellTestLog", 0);
  RegSetValueW(HKEY_CLASSES_ROOT, L"TarnwellTestLog\\shell\\open\\command", REG_SZ, AsWide(command),
               0);
  HWND dialog = Launch();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(FileExists(dir_.File(u"syncaddrs.log")));
  PostMessageW(dialog, WM_COMMAND, ID_TRAY_VIEW_LOG, 0);
  EXPECT_TRUE(WaitUntil([&] { return FileExists(marker); }));
  EXPECT_EQ(ReadFileBytes(dir_.File(u"syncaddrs.log")), "");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"TarnwellTestLog");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L".log");
  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SyncAddrDlgTest, AboutBoxFromTrayAndSystemMenu) {
  HWND dialog = Launch();
  ASSERT_NE(dialog, nullptr);
  for (auto open : {+[](HWND d) { PostMessageW(d, WM_COMMAND, ID_TRAY_ABOUT, 0); },
                    +[](HWND d) { PostMessageW(d, WM_SYSCOMMAND, IDM_ABOUTBOX, 0); }}) {
    open(dialog);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
      return (about = program_.FindOwnWindow(L"#32770", u"关于 Tarnwell地址簿同步")) != nullptr;
    }));
    EXPECT_EQ(ControlText(about, IDOK), u"确定");
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
  }
  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SyncAddrDlgTest, TwoLaunchesInTheSameInstantLeaveOneProgram) {
  ProgramDriver second;
  ASSERT_TRUE(program_.Start(exe_));
  ASSERT_TRUE(second.Start(exe_));
  std::optional<DWORD> firstEnd, secondEnd;
  ASSERT_TRUE(WaitUntil([&] {
    firstEnd = program_.WaitForExit(0);
    secondEnd = second.WaitForExit(0);
    return firstEnd || secondEnd;
  }));
  EXPECT_FALSE(firstEnd && secondEnd);
  ProgramDriver& stays = firstEnd ? second : program_;
  EXPECT_EQ(firstEnd ? firstEnd : secondEnd, std::optional<DWORD>(0));
  HWND dialog = stays.WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(stays.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SyncAddrDlgTest, ASecondStartAfterTheLogOnStartHandsOverQuietlyOrByHand) {
  WriteIni(kStoredSettings);
  ASSERT_TRUE(program_.Start(exe_, u"/tray"));
  HWND dialog = nullptr;
  ASSERT_TRUE(
      WaitUntil([&] { return (dialog = FindWindowW(L"Tarnwell地址簿同步", nullptr)) != nullptr; }));

  // Another log-on start leaves it as it is; a start by hand shows it.
  ProgramDriver quiet;
  ASSERT_TRUE(quiet.Start(exe_, u"/tray"));
  EXPECT_EQ(quiet.WaitForExit(), std::optional<DWORD>(0));
  EXPECT_FALSE(IsWindowVisible(dialog));
  ProgramDriver byHand;
  ASSERT_TRUE(byHand.Start(exe_));
  EXPECT_EQ(byHand.WaitForExit(), std::optional<DWORD>(0));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SyncAddrDlgTest, WindowsCloseRequestsEndTheProgramAndTheCloseButtonOnlyHides) {
  HWND dialog = Launch();
  ASSERT_NE(dialog, nullptr);
  PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  // Log-off: asked, then told; a cancelled end of session changes nothing.
  EXPECT_EQ(SendMessageW(dialog, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  SendMessageW(dialog, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(IsWindow(dialog));
  SendMessageW(dialog, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(program_.WaitForExit(), std::optional<DWORD>(0));

  // "/quit", as installers use it, also while a box is open.
  ProgramDriver second;
  dialog = second.StartShowingDialog(exe_);
  ASSERT_NE(dialog, nullptr);
  PostMessageW(dialog, WM_COMMAND, ID_TRAY_ABOUT, 0);
  ASSERT_TRUE(WaitUntil(
      [&] { return second.FindOwnWindow(L"#32770", u"关于 Tarnwell地址簿同步") != nullptr; }));
  EXPECT_EQ(RunProgram(exe_, u"/quit").exitCode, 0u);
  EXPECT_EQ(second.WaitForExit(0), std::optional<DWORD>(0));
  EXPECT_EQ(RunProgram(exe_, u"/quit").exitCode, 0u);  // nothing left to end
}

TEST_F(SyncAddrDlgTest, TestConnectionTriesTheTypedSettingsWritingNothing) {
  LoopbackHttpServer server([&](const RecordedRequest& request) {
    if (request.Target().find("pwd=stall") != std::string::npos) {
      return ScriptedReply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n<?xml", ReplyEnd::Stall};
    }
    if (request.Target().find("pwd=wrong") != std::string::npos) {
      return Ok("<?xml version=\"1.0\" encoding=\"UTF-8\"?><error>密码错误</error>");
    }
    return Ok(
        "<?xml version=\"1.0\"?><addressbooks><person Name=\"a\" E-Mail=\"a@b\"/>"
        "<person Name=\"b\" E-Mail=\"b@b\"/></addressbooks>");
  });
  WriteIni(kStoredSettings);
  HWND dialog = Launch();
  ASSERT_NE(dialog, nullptr);
  const std::u16string address =
      u"http://127.0.0.1:" + AsciiToUtf16(std::to_string(server.port())) + u"/mail";
  SetControlText(dialog, IDC_WEBMAIL_ADDRESS, address);
  SetControlText(dialog, IDC_PASSWORD, u" ");
  EXPECT_EQ(CommandShowingBox(dialog, IDC_TEST_CONNECTION), u"邮箱密码不能为空");
  SetControlText(dialog, IDC_PASSWORD, u"pw");
  EXPECT_EQ(CommandShowingBox(dialog, IDC_TEST_CONNECTION), u"连接成功：服务器返回2个联系人");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].Target(),
            "/mail/addresssync.asp?accnt=zhang@corp.example&pwd=pw&onlydepart=1");
  SetControlText(dialog, IDC_PASSWORD, u"wrong");
  EXPECT_EQ(CommandShowingBox(dialog, IDC_TEST_CONNECTION), u"密码错误");

  // A stalled server leaves the dialog answering; Cancel drops the test and
  // its download, and a test asked for meanwhile waits for that to end.
  SetControlText(dialog, IDC_PASSWORD, u"stall");
  PostMessageW(dialog, WM_COMMAND, IDC_TEST_CONNECTION, 0);
  ASSERT_TRUE(WaitUntil([&] { return server.Requests().size() == 3; }));
  EXPECT_FALSE(IsEnabled(dialog, IDC_TEST_CONNECTION));
  EXPECT_EQ(ControlText(dialog, IDC_TEST_CONNECTION), u"正在测试…");
  EXPECT_TRUE(TextFits(GetDlgItem(dialog, IDC_TEST_CONNECTION)));
  EXPECT_TRUE(Answers(dialog, WM_COMMAND, IDC_TEST_CONNECTION));  // ignored while one goes
  for (int i = 0; i < 3; ++i) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    PostMessageW(dialog, WM_COMMAND, IDC_TEST_CONNECTION, 0);
  }
  ASSERT_TRUE(WaitUntil([&] { return server.Requests().size() == 4; }));
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  // The button comes back once the abandoned test has handed over.
  EXPECT_TRUE(WaitUntil([&] { return IsEnabled(dialog, IDC_TEST_CONNECTION); }));
  EXPECT_EQ(ControlText(dialog, IDC_TEST_CONNECTION), u"测试连接");
  EXPECT_EQ(server.MostConnectionsAtOnce(), 1u);
  // The abandoned test's success never shows: the next box is the next test's.
  PostMessageW(dialog, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDOWN);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
  SetControlText(dialog, IDC_PASSWORD, u"wrong");
  EXPECT_EQ(CommandShowingBox(dialog, IDC_TEST_CONNECTION), u"密码错误");

  EXPECT_EQ(ReadFileBytes(Ini()), kStoredSettings);
  EXPECT_FALSE(FileExists(dir_.File(u"syncaddrs.log")));
  EXPECT_FALSE(FileExists(dir_.File(u"address.xml")));
  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

// Wine scales a dialog template with the display whatever the manifest
// says: the layout is checked by its rectangles, the manifest by its text.
TEST_F(SyncAddrDlgTest, LayoutKeepsControlsApartAndInsideAndTheManifestAsksForTheScale) {
  ScopedOutlookCurVer outlook(u"Outlook.Application.14");  // with the folder box
  HWND dialog = LaunchChoosing(3);
  ASSERT_NE(dialog, nullptr);
  // Run again at 150 % by the test of that name.
  if (const char* dpi = std::getenv("TW_TEST_DPI")) {
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), std::atoi(dpi));
    ReleaseDC(nullptr, screen);
  }
  RECT client;
  GetClientRect(dialog, &client);
  MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
  std::vector<std::pair<int, RECT>> placed;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c)) continue;
    RECT r;
    GetWindowRect(c, &r);
    const int id = GetDlgCtrlID(c);
    RECT inside;
    IntersectRect(&inside, &r, &client);
    EXPECT_TRUE(EqualRect(&inside, &r)) << "control " << id << " leaves the dialog";
    wchar_t kind[16] = {};
    GetClassNameW(c, kind, ARRAYSIZE(kind));
    const LONG style = GetWindowLongW(c, GWL_STYLE);
    // Group boxes frame the others.
    if (lstrcmpiW(kind, L"Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX) continue;
    if (lstrcmpiW(kind, L"Button") == 0 || lstrcmpiW(kind, L"Static") == 0) {
      EXPECT_TRUE(TextFits(c)) << "the text of control " << id << " is cut";
    }
    for (const auto& [otherId, other] : placed) {
      RECT common;
      EXPECT_FALSE(IntersectRect(&common, &r, &other)) << id << " overlaps " << otherId;
    }
    placed.emplace_back(id, r);
  }
  EXPECT_GE(placed.size(), 20u);
  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));

  UniqueHModule exe(LoadLibraryExW(AsWide(exe_), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(exe);
  HRSRC found = FindResourceW(exe.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr);
  const auto* bytes = static_cast<const char*>(LockResource(LoadResource(exe.get(), found)));
  const std::string manifest(bytes, SizeofResource(exe.get(), found));
  for (const char* entry :
       {">true/pm</dpiAware>", ">PerMonitorV2, PerMonitor</dpiAwareness>",
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_NE(manifest.find(entry), std::string::npos) << entry;
  }
}

}  // namespace
