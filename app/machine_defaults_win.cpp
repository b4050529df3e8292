#include "app/machine_defaults_win.h"

#include <windows.h>

#include "common/text_classes.h"
#include "common/win/registry_text_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"

namespace {

std::u16string SectionKey(const std::u16string& section) {
  return std::u16string(kMachineDefaultsKey) + u"\\" + section;
}

}  // namespace

int32_t MachineDefaults::ReadInt(const std::u16string& section, const std::u16string& key,
                                 int32_t defaultValue) {
  // Written by the installer from checked presets: a plain decimal number.
  const std::u16string text = ReadString(section, key, u"");
  const bool negative = !text.empty() && text[0] == u'-';
  const size_t digits = text.size() - (negative ? 1 : 0);
  if (digits == 0 || digits > 9) return defaultValue;
  int32_t value = 0;
  for (size_t i = negative ? 1 : 0; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return defaultValue;
    value = value * 10 + (text[i] - u'0');
  }
  return negative ? -value : value;
}

std::u16string MachineDefaults::ReadString(const std::u16string& section, const std::u16string& key,
                                           const std::u16string& defaultValue) {
  const auto value = ReadRegistryText(HKEY_LOCAL_MACHINE, AsWide(SectionKey(section)), AsWide(key));
  return value && value->type == REG_SZ ? value->text : defaultValue;
}

bool MachineDefaults::WriteString(const std::u16string& section, const std::u16string& key,
                                  const std::u16string& value) {
  UniqueHKey opened;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, AsWide(SectionKey(section)), 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, opened.put(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExW(opened.get(), AsWide(key), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))) == ERROR_SUCCESS;
}

bool RemoveMachineDefaults() {
  const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, AsWide(kMachineDefaultsKey));
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}
