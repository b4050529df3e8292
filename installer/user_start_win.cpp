#include "user_start_win.h"

#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"

namespace {

UniqueBstr Bstr(const std::u16string& text) { return UniqueBstr(SysAllocString(AsWide(text))); }

ScopedVariant BstrVariant(const std::u16string& text) {
  ScopedVariant value;
  value.get()->vt = VT_BSTR;
  value.get()->bstrVal = SysAllocString(AsWide(text));
  return value;
}

// The shell's own answer for an elevated program that starts one as the
// desktop's user: the desktop window's view hands out the shell's
// automation object, whose ShellExecute runs in Explorer's process.
bool StartThroughShell(const std::u16string& program, const std::u16string& arguments,
                       const std::u16string& folder) {
  const ScopedComInit com;
  if (!com.ok()) return false;
  UniqueComRef<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                              IID_PPV_ARGS(windows.put())))) {
    return false;
  }
  ScopedVariant desktop;
  desktop.get()->vt = VT_I4;
  desktop.get()->lVal = CSIDL_DESKTOP;
  ScopedVariant none;
  long window = 0;
  UniqueComRef<IDispatch> found;
  if (windows->FindWindowSW(desktop.get(), none.get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                            found.put()) != S_OK ||
      !found) {
    return false;
  }
  UniqueComRef<IServiceProvider> services;
  UniqueComRef<IShellBrowser> browser;
  UniqueComRef<IShellView> view;
  UniqueComRef<IDispatch> background;
  UniqueComRef<IShellFolderViewDual> folderView;
  UniqueComRef<IDispatch> application;
  UniqueComRef<IShellDispatch2> shell;
  if (FAILED(found->QueryInterface(IID_PPV_ARGS(services.put()))) ||
      FAILED(services->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(browser.put()))) ||
      FAILED(browser->QueryActiveShellView(view.put())) || !view ||
      FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(background.put()))) ||
      FAILED(background->QueryInterface(IID_PPV_ARGS(folderView.put()))) ||
      FAILED(folderView->get_Application(application.put())) || !application ||
      FAILED(application->QueryInterface(IID_PPV_ARGS(shell.put())))) {
    return false;
  }
  const UniqueBstr file = Bstr(program);
  ScopedVariant show;
  show.get()->vt = VT_I4;
  show.get()->lVal = SW_SHOWNORMAL;
  // The arguments are VARIANTs by value: copies of what these own.
  return SUCCEEDED(shell->ShellExecute(file.get(), *BstrVariant(arguments).get(),
                                       *BstrVariant(folder).get(), *BstrVariant(u"open").get(),
                                       *show.get()));
}

// Elevated (or unknown): a child would inherit rights the user's program
// must not have.
bool InstallerElevated() {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return true;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
    return true;
  }
  return elevation.TokenIsElevated != 0;
}

}  // namespace

UserStart StartForUser(const std::u16string& program, const std::u16string& arguments,
                       const std::u16string& folder) {
  if (StartThroughShell(program, arguments, folder)) return UserStart::ThroughShell;
  if (InstallerElevated()) return UserStart::NotStarted;
  std::u16string commandLine = u"\"" + program + u"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(AsWide(program), AsWideBuffer(commandLine), nullptr, nullptr, FALSE, 0,
                      nullptr, AsWide(folder), &startup, &started)) {
    return UserStart::NotStarted;
  }
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  return UserStart::Directly;
}
