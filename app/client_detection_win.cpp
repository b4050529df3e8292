#include "app/client_detection_win.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "common/win/code_page.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text.h"

namespace {

// A string value of any length, or nothing when the key or value is missing.
bool ReadStringValue(HKEY root, const wchar_t* subKey, const wchar_t* valueName,
                     std::u16string& out) {
  UniqueHKey key;
  if (RegOpenKeyExW(root, subKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
    return false;
  }
  std::u16string buffer(bytes / sizeof(wchar_t) + 1, u'\0');
  bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key.get(), valueName, nullptr, &type,
                       reinterpret_cast<BYTE*>(AsWideBuffer(buffer)), &bytes) != ERROR_SUCCESS) {
    return false;
  }
  buffer.resize(bytes / sizeof(wchar_t));
  while (!buffer.empty() && buffer.back() == u'\0') buffer.pop_back();
  out = buffer;
  return true;
}

}  // namespace

int DetectOutlookVersionAt(HKEY root, const wchar_t* curVerKey) {
  std::u16string curVer;
  if (!ReadStringValue(root, curVerKey, nullptr, curVer)) return 0;
  return OutlookVersionCodeFromCurVer(curVer);
}

bool IsWabInstalledAt(HKEY root, const wchar_t* dllPathKey) {
  std::u16string path;
  if (!ReadStringValue(root, dllPathKey, nullptr, path)) return false;
  const DWORD needed = ExpandEnvironmentStringsW(AsWide(path), nullptr, 0);
  if (needed == 0) return false;
  std::u16string expanded(needed, u'\0');
  ExpandEnvironmentStringsW(AsWide(path), AsWideBuffer(expanded), needed);
  return PathFileExistsW(AsWide(expanded)) != FALSE;
}

bool IsFoxmail56InstalledAt(HKEY root, const wchar_t* foxmailKey) {
  std::u16string version;
  if (!ReadStringValue(root, foxmailKey, L"version", version)) return false;
  const std::string bytes = WideToCodePage(version, CP_THREAD_ACP);
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
