#include "app/program_files_win.h"

#include <windows.h>
#include <shlobj.h>

#include "app/message_box_win.h"
#include "common/win/registry_text_win.h"
#include "common/win/wide_text_win.h"

namespace {

// The form the installer wrote: a path started through its 8.3 form still
// names the same folder.
std::u16string LongPath(const std::u16string& path) {
  std::u16string longer(MAX_PATH, u'\0');
  for (;;) {
    const DWORD needed =
        GetLongPathNameW(AsWide(path), AsWideBuffer(longer), static_cast<DWORD>(longer.size()));
    if (needed == 0) return path;
    if (needed < longer.size()) return longer.substr(0, needed);
    longer.assign(needed, u'\0');
  }
}

std::u16string RecordedFolder(HKEY root) {
  const auto value =
      ReadRegistryText(root, AsWide(kInstallationKey), AsWide(kInstalledFolderValue));
  return value && value->type == REG_SZ ? LongPath(value->text) : std::u16string();
}

}  // namespace

ThisProgram LocateThisProgram() {
  const std::u16string executable = LongPath(ModuleFilePath());
  const std::u16string machineFolder = RecordedFolder(HKEY_LOCAL_MACHINE);
  if (!IsMachineProgram(executable, machineFolder)) {
    return {.files = ProgramFilesBeside(executable), .perMachine = false};
  }
  wchar_t appData[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                   appData);
  const std::u16string userFolder = FromWide(appData) + u"\\" + kAppName;
  CreateDirectoryW(AsWide(userFolder), nullptr);
  return {.files = ProgramFilesFor(executable, machineFolder, userFolder), .perMachine = true};
}

std::optional<std::u16string> UsersOwnInstallation() {
  if (!ReadRegistryText(HKEY_CURRENT_USER, AsWide(kInstallationKey), AsWide(kInstalledValue))) {
    return std::nullopt;
  }
  return RecordedFolder(HKEY_CURRENT_USER);
}
