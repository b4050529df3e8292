#include "app/tray_icon_win.h"

#include <cwchar>

#include "app/message_box_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"
#include "resources/resource.h"

namespace {

template <size_t N>
void CopyFitted(wchar_t (&field)[N], const std::u16string& text) {
  const std::u16string fitted = FitToCapacity(text, N);
  wcsncpy(field, AsWide(fitted), N - 1);
  field[N - 1] = L'\0';
}

}  // namespace

NOTIFYICONDATAW TrayIcon::Record() const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = owner_;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  // The size the notification area asks at this display scale, picked
  // from the icon's images rather than scaled from 16 pixels.
  data.hIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  CopyFitted(data.szTip, tip_.empty() ? std::u16string(kAppName) : tip_);
  return data;
}

bool TrayIcon::Notify(DWORD message, NOTIFYICONDATAW& data) {
  if (data.uFlags & NIF_TIP) report_.tip = data;
  if (data.uFlags & NIF_INFO) {
    report_.balloon = data;
    ++report_.balloons;
  }
  return Shell_NotifyIconW(message, &data) != FALSE;
}

bool TrayIcon::Add() {
  NOTIFYICONDATAW data = Record();
  // An add is refused while the icon exists; then it only needs its tip.
  return Notify(NIM_ADD, data) || Notify(NIM_MODIFY, data);
}

void TrayIcon::Remove() {
  NOTIFYICONDATAW data = Record();
  Shell_NotifyIconW(NIM_DELETE, &data);
}

void TrayIcon::SetTip(const std::u16string& tip) {
  if (tip == tip_) return;
  tip_ = tip;
  NOTIFYICONDATAW data = Record();
  data.uFlags = NIF_TIP;
  Notify(NIM_MODIFY, data);
}

void TrayIcon::ShowBalloon(const TrayBalloon& balloon) {
  NOTIFYICONDATAW data = Record();
  data.uFlags = NIF_INFO;
  CopyFitted(data.szInfoTitle, balloon.title);
  CopyFitted(data.szInfo, balloon.text);
  data.dwInfoFlags = balloon.warning ? NIIF_WARNING : NIIF_INFO;
  Notify(NIM_MODIFY, data);
}

void TrayIcon::SendReport(HWND requester) const {
  COPYDATASTRUCT copy{};
  copy.dwData = kTrayReportTag;
  copy.cbData = sizeof(report_);
  copy.lpData = const_cast<TrayReport*>(&report_);
  // Whoever asked must not be able to hold up the tray.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(requester, WM_COPYDATA, reinterpret_cast<WPARAM>(owner_),
                      reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000,
                      &ignored);
}

void ShowTrayMenu(HINSTANCE instance, HWND owner, bool cancelAutoOffered, bool manualOffered) {
  const UniqueHMenu menu(LoadMenuW(instance, MAKEINTRESOURCEW(IDR_TRAY_MENU)));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu.get(), 0);
  EnableMenuItem(popup, ID_TRAY_CANCEL_AUTO,
                 MF_BYCOMMAND | (cancelAutoOffered ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(popup, ID_TRAY_MANUAL_SYNC,
                 MF_BYCOMMAND | (manualOffered ? MF_ENABLED : MF_GRAYED));
  POINT cursor{};
  GetCursorPos(&cursor);
  // Without the foreground the menu would not close on a click elsewhere.
  SetForegroundWindow(owner);
  TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, owner, nullptr);
  PostMessageW(owner, WM_NULL, 0, 0);
}
