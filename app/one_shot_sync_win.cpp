#include "app/one_shot_sync_win.h"

#include <windows.h>

#include "app/app_services_win.h"
#include "app/policy_store_win.h"
#include "app/program_files_win.h"
#include "common/utf_convert.h"
#include "common/win/wide_text_win.h"

namespace {

void WriteStandardOutput(const std::u16string& text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) {
    // A GUI program started from a console has no stdout of its own.
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  }
  const std::u16string line = text + u"\r\n";
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, AsWide(line), static_cast<DWORD>(line.size()), &written, nullptr);
  } else {
    // Pipes and files get UTF-8, which any reader can decode.
    const std::string bytes = Utf16ToUtf8(line);
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
}

}  // namespace

int RunOneShotSync() {
  const ProgramFiles files = LocateThisProgram().files;
  AppServices services(files);
  services.settings().Replace(LoadSettings(files.settings));
  PutUnderPolicy(services.settings(), files.settings);
  const auto outcome = services.engine().RunOnce(RunMode::OneShot);
  if (!outcome) return 1;
  if (!outcome->resultText.empty()) WriteStandardOutput(outcome->resultText);
  return outcome->success() ? 0 : 1;
}
