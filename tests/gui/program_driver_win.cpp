#include "program_driver_win.h"

#include <optional>

#include "common/win/wide_text_win.h"
#include "resources/resource.h"
#include "win_test_support.h"

bool ProgramDriver::Start(const std::u16string& exe, const std::u16string& arguments) {
  process_ = StartProcess(exe, arguments, nullptr, &pid_);
  return process_.valid();
}

ProgramDriver::~ProgramDriver() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 5000);
  }
}

std::optional<DWORD> ProgramDriver::WaitForExit(DWORD ms) {
  if (!WaitUntil([&] { return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }, ms)) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

namespace {
struct FindRequest {
  DWORD pid;
  const wchar_t* className;
  std::u16string title;
  HWND found;
};
}  // namespace

HWND ProgramDriver::FindOwnWindow(const wchar_t* className, const std::u16string& title) const {
  FindRequest request{pid_, className, title, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* r = reinterpret_cast<FindRequest*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid != r->pid || !IsWindowVisible(hwnd)) return TRUE;
        wchar_t cls[128] = {};
        GetClassNameW(hwnd, cls, 128);
        if (lstrcmpW(cls, r->className) != 0) return TRUE;
        if (!r->title.empty()) {
          wchar_t caption[256] = {};
          GetWindowTextW(hwnd, caption, 256);
          if (FromWide(caption) != r->title) return TRUE;
        }
        r->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&request));
  return request.found;
}

HWND ProgramDriver::WaitForOwnWindow(const wchar_t* className, const std::u16string& title,
                                     DWORD ms) const {
  HWND window = nullptr;
  WaitUntil([&] { return (window = FindOwnWindow(className, title)) != nullptr; }, ms);
  return window;
}

HWND ProgramDriver::WaitForDialog(DWORD ms) {
  return WaitForOwnWindow(L"Tarnwell地址簿同步", u"", ms);
}

HWND ProgramDriver::StartShowingDialog(const std::u16string& exe) {
  return Start(exe) ? WaitForDialog() : nullptr;
}

std::optional<DWORD> ProgramDriver::Exit(HWND dialog) {
  PostMessageW(dialog, WM_COMMAND, ID_TRAY_EXIT, 0);
  return WaitForExit();
}

HWND ProgramDriver::WaitForMessageBox(std::u16string& text, DWORD ms) const {
  HWND box = WaitForOwnWindow(L"#32770", u"Tarnwell地址簿同步", ms);
  if (box) text = ControlText(box, 0xFFFF);  // the message box's text control
  return box;
}

std::optional<TrayReport> ProgramDriver::QueryTray(HWND dialog) {
  // The program answers with WM_COPYDATA, sent while we wait in SendMessage.
  static std::optional<TrayReport> received;
  static const ATOM kind = [] {
    WNDCLASSW wc{};
    wc.lpszClassName = L"TarnwellTrayReportReader";
    wc.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
      const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (message != WM_COPYDATA || copy->dwData != kTrayReportTag ||
          copy->cbData != sizeof(TrayReport)) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
      }
      received = *static_cast<const TrayReport*>(copy->lpData);
      return TRUE;
    };
    return RegisterClassW(&wc);
  }();
  HWND reader =
      CreateWindowW(MAKEINTATOM(kind), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  received.reset();
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(dialog, kTrayReportRequest, reinterpret_cast<WPARAM>(reader), 0,
                      SMTO_ABORTIFHUNG, 5000, &ignored);
  DestroyWindow(reader);
  return received;
}

std::u16string ProgramDriver::TrayTip(HWND dialog) {
  const auto report = QueryTray(dialog);
  return report ? FromWide(report->tip.szTip) : u"<no answer>";
}

std::u16string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  wchar_t buffer[1024] = {};
  SendMessageW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
  return FromWide(buffer);
}

void SetControlText(HWND dialog, int id, const std::u16string& text) {
  SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(AsWide(text)));
}

bool IsChecked(HWND dialog, int id) {
  return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int ListSelection(HWND dialog, int id) {
  return static_cast<int>(SendMessageW(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0));
}

bool IsEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
