#include "app/desktop_identity_win.h"

#include <windows.h>

#include <lmcons.h>

#include "common/win/wide_text_win.h"

DesktopIdentity CurrentDesktopIdentity() {
  DesktopIdentity desktop;
  std::u16string computer(MAX_COMPUTERNAME_LENGTH + 1, u'\0');
  DWORD size = static_cast<DWORD>(computer.size());
  if (GetComputerNameW(AsWideBuffer(computer), &size)) {
    computer.resize(size);
    desktop.computerName = computer;
  }
  std::u16string user(UNLEN + 1, u'\0');
  size = static_cast<DWORD>(user.size());
  if (GetUserNameW(AsWideBuffer(user), &size) && size > 0) {
    user.resize(size - 1);  // the count includes the terminating zero
    desktop.userName = user;
  }
  return desktop;
}
