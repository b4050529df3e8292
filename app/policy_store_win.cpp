#include "app/policy_store_win.h"

#include <windows.h>

#include "app/settings_store_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"

std::optional<PolicyRegistryValue> RegistryPolicySource::Read(bool machine, const char16_t* name) {
  UniqueHKey key;
  if (RegOpenKeyExW(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, AsWide(kPolicyKey), 0,
                    KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  PolicyRegistryValue value;
  DWORD type = REG_NONE;
  DWORD bytes = 0;
  if (RegQueryValueExW(key.get(), AsWide(name), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.type = type;
  if (type == REG_DWORD) {
    DWORD number = 0;
    bytes = sizeof(number);
    if (RegQueryValueExW(key.get(), AsWide(name), nullptr, &type, reinterpret_cast<BYTE*>(&number),
                         &bytes) != ERROR_SUCCESS ||
        bytes != sizeof(number)) {
      return std::nullopt;
    }
    value.number = number;
  } else if (type == REG_SZ) {
    // Room for a terminator the stored value may lack.
    value.text.assign(bytes / sizeof(char16_t) + 1, u'\0');
    bytes = static_cast<DWORD>(value.text.size() * sizeof(char16_t));
    if (RegQueryValueExW(key.get(), AsWide(name), nullptr, &type,
                         reinterpret_cast<BYTE*>(value.text.data()), &bytes) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    value.text.resize(bytes / sizeof(char16_t));
    const size_t end = value.text.find(u'\0');
    if (end != std::u16string::npos) value.text.resize(end);
  }
  return value;
}

Policy ReadSystemPolicy() {
  RegistryPolicySource source;
  return ReadPolicy(source);
}

void PutUnderPolicy(SharedSettings& settings, const std::u16string& settingsPath) {
  settings.SetOverlay([](SyncSettings own) { return ReadSystemPolicy().Apply(std::move(own)); });
  if (!ReadSystemPolicy().ForbidsSavedPassword()) return;
  RemoveSavedPassword(settingsPath);
  settings.Update([](SyncSettings& s) { s.Password.clear(); });
}
