// The package's custom actions, run by Windows Installer from its Binary
// table: the administrator presets are checked before anything is
// installed (a bad one ends the installation with its message in the log
// and on screen) and written after the program's files. Both go through
// the program's own rules, the address through the dialog's rule. Given to
// a per-machine installation, they become the machine's defaults.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "app/machine_defaults_win.h"
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

bool PerMachine(MSIHANDLE install) { return !MsiProperty(install, L"ALLUSERS").empty(); }

// The deferred half: the presets, and where they go, from the data the
// immediate half left; checked again and written.
UINT WritePresets(MSIHANDLE install, PresetTarget target) {
  std::u16string place;
  Presets presets;
  if (!DecodePresetData(MsiProperty(install, L"CustomActionData"), place, presets)) {
    return ERROR_INSTALL_FAILURE;
  }
  const PresetCheck check = CheckPresets(presets);
  if (check.refusal) {
    ReportError(install, *check.refusal);
    return ERROR_INSTALL_FAILURE;
  }
  PrivateProfile file(place);
  MachineDefaults machine;
  IProfile& profile = target == PresetTarget::UserFile ? static_cast<IProfile&>(file) : machine;
  if (!ApplyPresets(check.settings, profile, target)) {
    const char16_t* what =
        target == PresetTarget::UserFile ? u"无法写入设置文件 " : u"无法写入 HKLM\\";
    ReportError(install, what + place);
    return ERROR_INSTALL_FAILURE;
  }
  return ERROR_SUCCESS;
}

bool InstalledIn(MSIHANDLE install, MSIINSTALLCONTEXT context) {
  wchar_t state[16] = {};
  DWORD size = ARRAYSIZE(state);
  return MsiGetProductInfoExW(AsWide(MsiProperty(install, L"ProductCode")), nullptr, context,
                              INSTALLPROPERTY_PRODUCTSTATE, state, &size) == ERROR_SUCCESS &&
         lstrcmpW(state, L"5") == 0;
}

}  // namespace

// Immediate, before the folders are resolved, when the product is already
// installed: Windows Installer sets ALLUSERS itself for a product installed
// per machine, Wine does not, and without it the removal and the upgrade
// would look for the files and the registry values of a per-user one. The
// same package installed for this user as well stays his.
extern "C" UINT __stdcall KeepMachineScope(MSIHANDLE install) {
  if (InstalledIn(install, MSIINSTALLCONTEXT_MACHINE) &&
      !InstalledIn(install, MSIINSTALLCONTEXT_USERUNMANAGED)) {
    MsiSetPropertyW(install, L"ALLUSERS", L"1");
  }
  return ERROR_SUCCESS;
}

// Immediate, before InstallValidate: nothing has changed yet when it fails.
extern "C" UINT __stdcall CheckAdminPresets(MSIHANDLE install) {
  Presets presets{MsiProperty(install, L"WEBMAIL"),      MsiProperty(install, L"CLIENT"),
                  MsiProperty(install, L"SYNCLEVEL"),    MsiProperty(install, L"SYNCTYPE"),
                  MsiProperty(install, L"SYNCTIME"),     MsiProperty(install, L"SPREAD"),
                  MsiProperty(install, L"OUTLOOKFOLDER")};
  MachineDefaults machine;
  if (PerMachine(install)) presets = KeepMachinePresets(std::move(presets), machine);
  const PresetCheck check = CheckPresets(presets);
  if (check.refusal) {
    ReportError(install, *check.refusal);
    return ERROR_INSTALL_FAILURE;
  }
  // A deferred action reads nothing but the property named after it.
  if (PerMachine(install)) {
    MsiSetPropertyW(install, L"WriteMachinePresets",
                    AsWide(EncodePresetData(kMachineDefaultsKey, presets)));
  } else {
    const std::u16string iniPath = ProgramFilesIn(MsiProperty(install, L"INSTALLDIR")).settings;
    MsiSetPropertyW(install, L"WriteAdminPresets", AsWide(EncodePresetData(iniPath, presets)));
  }
  return ERROR_SUCCESS;
}

// Deferred, after InstallFiles, as the user: his file beside the program.
extern "C" UINT __stdcall WriteAdminPresets(MSIHANDLE install) {
  return WritePresets(install, PresetTarget::UserFile);
}

// Deferred, after InstallFiles, not impersonated: the machine's defaults.
extern "C" UINT __stdcall WriteMachinePresets(MSIHANDLE install) {
  return WritePresets(install, PresetTarget::MachineDefaults);
}

// Deferred, not impersonated, when the product is removed for good (not
// replaced by an upgrade, which keeps them).
extern "C" UINT __stdcall RemoveMachinePresets(MSIHANDLE install) {
  if (!RemoveMachineDefaults()) {
    MsiLog(install, std::u16string(u"无法删除 HKLM\\") + kMachineDefaultsKey);
  }
  return ERROR_SUCCESS;
}
