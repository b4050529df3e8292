// The package's custom actions around the program's own process: Windows
// Installer's request to close applications is missing where the package
// is built (wixl) and under Wine, so the package asks the program to end
// itself before its files change, and starts the new one again afterwards
// for a user who had it running.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "app/message_box_win.h"
#include "app/quit_running_win.h"
#include "common/win/wide_text_win.h"
#include "msi_session_win.h"
#include "user_start_win.h"

// Immediate, before InstallValidate. Whether it was running is kept for
// StartProgramAgain; a program that does not end leaves its files in use,
// which Windows Installer then handles as for any file in use.
extern "C" UINT __stdcall QuitRunningProgram(MSIHANDLE install) {
  const bool running = FindWindowW(AsWide(kAppName), nullptr) != nullptr;
  if (QuitRunningInstance() != 0) MsiLog(install, u"运行中的程序没有退出");
  if (running) MsiSetPropertyW(install, L"TwProgramWasRunning", L"1");
  return ERROR_SUCCESS;
}

namespace {

// In the tray, with the user's ordinary rights: never as a child of an
// installer that may run elevated (the tray would then ignore Explorer and
// fail to reach the user's Outlook).
void StartInTray(MSIHANDLE install, const std::u16string& path) {
  if (FindWindowW(AsWide(kAppName), nullptr)) return;  // it did not end
  // An installation that failed before it could put the program back
  // leaves nothing to start (and the shell would show the user its error).
  if (GetFileAttributesW(AsWide(path)) == INVALID_FILE_ATTRIBUTES) {
    MsiLog(install, u"无法重新启动程序 " + path);
    return;
  }
  const std::u16string folder = path.substr(0, path.find_last_of(u'\\'));
  switch (StartForUser(path, u"/tray", folder)) {
    case UserStart::ThroughShell:
    case UserStart::Directly: return;
    case UserStart::NotStarted:
      MsiLog(install, u"无法以用户的权限重新启动程序，下次登录时启动：" + path);
      return;
  }
}

}  // namespace

// Immediate, after InstallFinalize: the new files are in place; or at the
// end of an installation that failed or was cancelled, once what was there
// is back. Not waited for; a program that cannot start leaves the
// installation as it is (the next log-on starts it) and a line in the log.
extern "C" UINT __stdcall StartProgramAgain(MSIHANDLE install) {
  StartInTray(install, MsiProperty(install, L"TwProgramPath"));
  return ERROR_SUCCESS;
}
