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
#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"
#include "msi_session_win.h"

// Immediate, before InstallValidate. Whether it was running is kept for
// StartProgramAgain; a program that does not end leaves its files in use,
// which Windows Installer then handles as for any file in use.
extern "C" UINT __stdcall QuitRunningProgram(MSIHANDLE install) {
  const bool running = FindWindowW(AsWide(kAppName), nullptr) != nullptr;
  if (QuitRunningInstance() != 0) MsiLog(install, u"运行中的程序没有退出");
  if (running) MsiSetPropertyW(install, L"TwProgramWasRunning", L"1");
  return ERROR_SUCCESS;
}

// Immediate, after InstallFinalize: the new files are in place. Not waited
// for; a program that cannot start leaves the installation as it is (the
// next log-on starts it) and a line in the log.
extern "C" UINT __stdcall StartProgramAgain(MSIHANDLE install) {
  const std::u16string path = MsiProperty(install, L"TwProgramPath");
  std::u16string commandLine = u"\"" + path + u"\" /tray";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(AsWide(path), AsWideBuffer(commandLine), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &started)) {
    MsiLog(install, u"无法重新启动程序 " + path);
    return ERROR_SUCCESS;
  }
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  return ERROR_SUCCESS;
}
