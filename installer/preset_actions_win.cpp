// The package's custom actions, run by Windows Installer from its Binary
// table: the administrator presets are checked before anything is
// installed (a bad one ends the installation with its message in the log
// and on screen) and written after the program's files. Both go through
// the program's own rules, the address through the dialog's rule.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "app/presets.h"
#include "app/program_files.h"
#include "app/private_profile_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"
#include "msi_session_win.h"

namespace {

// Into the installer's log, and onto the screen unless it runs silently.
void ReportError(MSIHANDLE install, const std::u16string& text) {
  UniqueMsiHandle record(MsiCreateRecord(1));
  if (!record) return;
  // Field 0 is a template: the text itself goes into field 1, so that
  // brackets in it are not taken for properties.
  MsiRecordSetStringW(record.get(), 0, L"[1]");
  MsiRecordSetStringW(record.get(), 1, AsWide(text));
  MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR),
                    record.get());
}

}  // namespace

// Immediate, before InstallValidate: nothing has changed yet when it fails.
extern "C" UINT __stdcall CheckAdminPresets(MSIHANDLE install) {
  const Presets presets{MsiProperty(install, L"WEBMAIL"),   MsiProperty(install, L"CLIENT"),
                        MsiProperty(install, L"SYNCLEVEL"), MsiProperty(install, L"SYNCTYPE"),
                        MsiProperty(install, L"SYNCTIME"),  MsiProperty(install, L"SPREAD"),
                        MsiProperty(install, L"OUTLOOKFOLDER")};
  const PresetCheck check = CheckPresets(presets);
  if (check.refusal) {
    ReportError(install, *check.refusal);
    return ERROR_INSTALL_FAILURE;
  }
  // A deferred action reads nothing but the property named after it.
  const std::u16string iniPath = ProgramFilesIn(MsiProperty(install, L"INSTALLDIR")).settings;
  MsiSetPropertyW(install, L"WriteAdminPresets", AsWide(EncodePresetData(iniPath, presets)));
  return ERROR_SUCCESS;
}

// Deferred, after InstallFiles.
extern "C" UINT __stdcall WriteAdminPresets(MSIHANDLE install) {
  std::u16string iniPath;
  Presets presets;
  if (!DecodePresetData(MsiProperty(install, L"CustomActionData"), iniPath, presets)) {
    return ERROR_INSTALL_FAILURE;
  }
  const PresetCheck check = CheckPresets(presets);
  if (check.refusal) {
    ReportError(install, *check.refusal);
    return ERROR_INSTALL_FAILURE;
  }
  PrivateProfile profile(iniPath);
  if (!ApplyPresets(check.settings, profile)) {
    ReportError(install, u"无法写入设置文件 " + iniPath);
    return ERROR_INSTALL_FAILURE;
  }
  return ERROR_SUCCESS;
}
