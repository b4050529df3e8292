#pragma once
// Settings an administrator manages through the registry's policy keys
// (Group Policy or any management tool), named once: the reader, the
// dialog and the templates in policy/ all follow this table.
//
// A managed setting wins over the user's own value for every run and is
// never stored: the record keeps the user's values, and the policy is laid
// over a copy of it each time it is used.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "sync/sync_settings.h"

// Under HKEY_LOCAL_MACHINE (wins) and HKEY_CURRENT_USER.
inline constexpr char16_t kPolicyKey[] = u"SOFTWARE\\Policies\\Tarnwell\\AddrBookSync";

// Registry value types as the platform numbers them.
inline constexpr uint32_t kPolicyRegSz = 1;
inline constexpr uint32_t kPolicyRegDword = 4;

enum class PolicySetting {
  WebmailAddress,  // ServerScheme, ServerHost, ServerPort and ServerVirtual
  EmailClient,
  SyncLevel,
  SyncType,
  SyncTime,
  SyncSpread,
  SavePassword,   // 0: a password is never stored; 1: the user chooses
  OutlookFolder,  // the Outlook folder of the company's own; empty: the default one
};

struct PolicyValueSpec {
  const char16_t* name;
  uint32_t type;  // kPolicyRegSz or kPolicyRegDword
  // REG_DWORD values: low to high in steps of `step` (EmailClient further
  // only a client a run can write into).
  uint32_t low;
  uint32_t high;
  uint32_t step;
  PolicySetting setting;
};

inline constexpr std::array<PolicyValueSpec, 8> kPolicyValues = {{
    {u"WebmailAddress", kPolicyRegSz, 0, 0, 0, PolicySetting::WebmailAddress},
    {u"EmailClient", kPolicyRegDword, 0, 6, 1, PolicySetting::EmailClient},
    {u"SyncLevel", kPolicyRegDword, 0, 1, 1, PolicySetting::SyncLevel},
    {u"SyncType", kPolicyRegDword, 0, 1, 1, PolicySetting::SyncType},
    // The dialog's half-hour entries.
    {u"SyncTime", kPolicyRegDword, 0, 1410, 30, PolicySetting::SyncTime},
    {u"SyncSpread", kPolicyRegDword, 0, 120, 1, PolicySetting::SyncSpread},
    {u"SavePassword", kPolicyRegDword, 0, 1, 1, PolicySetting::SavePassword},
    {u"OutlookFolder", kPolicyRegSz, 0, 0, 0, PolicySetting::OutlookFolder},
}};

// One value as the registry holds it.
struct PolicyRegistryValue {
  uint32_t type = 0;
  std::u16string text;  // REG_SZ
  uint32_t number = 0;  // REG_DWORD
};

class IPolicySource {
 public:
  virtual ~IPolicySource() = default;
  // Nothing when the key or the value is missing.
  virtual std::optional<PolicyRegistryValue> Read(bool machine, const char16_t* name) = 0;
};

// Whether a REG_DWORD value is one the setting allows.
bool PolicyNumberAllowed(const PolicyValueSpec& spec, uint32_t number);

class Policy {
 public:
  bool Manages(PolicySetting setting) const { return managed_[Index(setting)]; }
  bool ManagesAny() const;
  // The setting's value with the policy over it; `own` where unmanaged.
  SyncSettings Apply(SyncSettings own) const;
  // `saved` (what the dialog would store) with the user's own value back in
  // every managed setting: saving never writes a policy into the file.
  SyncSettings KeepOwnValues(SyncSettings saved, const SyncSettings& own) const;
  // SavePassword is managed only by 0.
  bool ForbidsSavedPassword() const { return Manages(PolicySetting::SavePassword); }

  // A value of the wrong type or out of range is ignored, so the next
  // source (or the user's setting) applies.
  bool Take(const PolicyValueSpec& spec, const PolicyRegistryValue& value);

 private:
  static size_t Index(PolicySetting setting) { return static_cast<size_t>(setting); }

  SyncSettings values_;
  std::array<bool, kPolicyValues.size()> managed_{};
};

// The tray's "取消自动运行": for automatic sync that no policy decides.
bool CancelAutoSyncOffered(const Policy& policy, int32_t syncTypeInEffect);

// Each value from the machine's policy when it is usable, else from the
// user's.
Policy ReadPolicy(IPolicySource& source);
