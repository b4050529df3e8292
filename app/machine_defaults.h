#pragma once
// The machine's defaults: the presets given to a per-machine installation,
// kept under HKLM where every user's program reads them. They stand below
// each user's own file (which holds a value once the user saves) and, as
// the file does, below the policy.

#include "app/settings_codec.h"

// One subkey per section of AddrBookSync.ini, one text value per key.
inline constexpr char16_t kMachineDefaultsKey[] =
    u"Software\\Tarnwell\\Tarnwell地址簿同步\\Defaults";

// Reads `own` first and `defaults` for what `own` lacks; writes go to `own`.
class ProfileOverDefaults final : public IProfile {
 public:
  ProfileOverDefaults(IProfile& own, IProfile& defaults) : own_(own), defaults_(defaults) {}
  int32_t ReadInt(const std::u16string& section, const std::u16string& key,
                  int32_t defaultValue) override {
    return own_.ReadInt(section, key, defaults_.ReadInt(section, key, defaultValue));
  }
  std::u16string ReadString(const std::u16string& section, const std::u16string& key,
                            const std::u16string& defaultValue) override {
    return own_.ReadString(section, key, defaults_.ReadString(section, key, defaultValue));
  }
  [[nodiscard]] bool WriteString(const std::u16string& section, const std::u16string& key,
                                 const std::u16string& value) override {
    return own_.WriteString(section, key, value);
  }

 private:
  IProfile& own_;
  IProfile& defaults_;
};
