#include "app/client_detection_win.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "common/win/code_page_win.h"
#include "common/win/registry_text_win.h"
#include "common/win/wide_text_win.h"

int DetectOutlookVersionAt(HKEY root, const wchar_t* curVerKey) {
  const auto curVer = ReadRegistryText(root, curVerKey, nullptr);
  return curVer ? OutlookVersionCodeFromCurVer(curVer->text) : 0;
}

bool IsWabInstalledAt(HKEY root, const wchar_t* dllPathKey) {
  const auto path = ReadRegistryText(root, dllPathKey, nullptr);
  if (!path) return false;
  const std::u16string expanded = ExpandEnvironmentText(path->text);
  return !expanded.empty() && PathFileExistsW(AsWide(expanded)) != FALSE;
}

bool IsFoxmail56InstalledAt(HKEY root, const wchar_t* foxmailKey) {
  const auto version = ReadRegistryText(root, foxmailKey, L"version");
  if (!version) return false;
  const std::string bytes = WideToCodePage(version->text, CP_THREAD_ACP);
  return !bytes.empty() && (bytes[0] == '5' || bytes[0] == '6');
}

int DetectOutlookVersion() {
  return DetectOutlookVersionAt(HKEY_CLASSES_ROOT, L"Outlook.Application\\CurVer");
}

bool IsWabInstalled() {
  return IsWabInstalledAt(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\WAB\\DLLPath");
}

bool IsFoxmail56Installed() {
  return IsFoxmail56InstalledAt(HKEY_CURRENT_USER, L"Software\\Aerofox\\Foxmail");
}

DetectedClients DetectInstalledClients(const std::function<bool()>& isFoxmail7Installed) {
  DetectedClients found;
  found.wab = IsWabInstalled();
  found.outlookVersionCode = DetectOutlookVersion();
  found.foxmail56 = IsFoxmail56Installed();
  found.foxmail7 = isFoxmail7Installed && isFoxmail7Installed();
  return found;
}
