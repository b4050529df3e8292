#include "app/program_exit_win.h"

#include <system_error>

void ProgramExit::Start(HWND window, UINT readyMessage) {
  engine_.RefuseQueuedRuns();
  runStop_.Stop();
  auto wait = [&engine = engine_, &manual = manual_, window, readyMessage] {
    manual.Wait();
    engine.Stop();
    PostMessageW(window, readyMessage, 0, 0);
  };
  try {
    waiter_ = std::thread(wait);
  } catch (const std::system_error&) {
    wait();  // no thread to be had: the window waits too
  }
}

void ProgramExit::WaitForRuns() {
  if (waiter_.joinable()) waiter_.join();
}

void ProgramExit::Finish(HWND dialog) {
  EndMenu();
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM main) -> BOOL {
        wchar_t className[16] = {};
        GetClassNameW(window, className, ARRAYSIZE(className));
        if (window != reinterpret_cast<HWND>(main) && lstrcmpW(className, L"#32770") == 0) {
          EndDialog(window, IDCANCEL);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(dialog));
  EndDialog(dialog, IDOK);
}
