#include "app/policy_values.h"

#include "app/dialog_form.h"

bool PolicyNumberAllowed(const PolicyValueSpec& spec, uint32_t number) {
  if (spec.type != kPolicyRegDword || number < spec.low || number > spec.high ||
      (number - spec.low) % spec.step != 0) {
    return false;
  }
  return spec.setting != PolicySetting::EmailClient ||
         IsWritableClient(static_cast<int32_t>(number));
}

bool Policy::ManagesAny() const {
  for (bool managed : managed_) {
    if (managed) return true;
  }
  return false;
}

bool Policy::Take(const PolicyValueSpec& spec, const PolicyRegistryValue& value) {
  if (value.type != spec.type) return false;
  SyncSettings& v = values_;
  if (spec.setting == PolicySetting::OutlookFolder) {
    // Empty keeps the company in the default contacts folder.
    const std::u16string folder = OutlookFolderSetting(value.text);
    if (folder.empty() && !TrimBlanks(value.text).empty()) return false;
    v.OutlookFolder = folder;
  } else if (spec.type == kPolicyRegSz) {
    // Split as the dialog splits what the user types.
    if (ApplyAddress(value.text, v)) return false;
  } else {
    if (!PolicyNumberAllowed(spec, value.number)) return false;
    const auto number = static_cast<int32_t>(value.number);
    switch (spec.setting) {
      case PolicySetting::EmailClient: v.EmailClient = number; break;
      case PolicySetting::SyncLevel: v.SyncLevel = number; break;
      case PolicySetting::SyncType: v.SyncType = number; break;
      case PolicySetting::SyncTime: v.SyncTime = number; break;
      case PolicySetting::SyncSpread: v.SyncSpread = number; break;
      case PolicySetting::SavePassword: v.SavePassword = number; break;
      case PolicySetting::WebmailAddress:
      case PolicySetting::OutlookFolder: return false;
    }
  }
  // SavePassword 1 leaves the choice to the user: usable, so it is taken
  // over the user policy, yet nothing is managed.
  managed_[Index(spec.setting)] =
      spec.setting != PolicySetting::SavePassword || v.SavePassword == 0;
  return true;
}

namespace {

// Copies the fields of one setting.
void CopySetting(PolicySetting setting, const SyncSettings& from, SyncSettings& to) {
  switch (setting) {
    case PolicySetting::WebmailAddress:
      to.ServerScheme = from.ServerScheme;
      to.ServerHost = from.ServerHost;
      to.ServerPort = from.ServerPort;
      to.ServerVirtual = from.ServerVirtual;
      break;
    case PolicySetting::EmailClient: to.EmailClient = from.EmailClient; break;
    case PolicySetting::SyncLevel: to.SyncLevel = from.SyncLevel; break;
    case PolicySetting::SyncType: to.SyncType = from.SyncType; break;
    case PolicySetting::SyncTime: to.SyncTime = from.SyncTime; break;
    case PolicySetting::SyncSpread: to.SyncSpread = from.SyncSpread; break;
    case PolicySetting::SavePassword: to.SavePassword = from.SavePassword; break;
    case PolicySetting::OutlookFolder: to.OutlookFolder = from.OutlookFolder; break;
  }
}

}  // namespace

SyncSettings Policy::Apply(SyncSettings own) const {
  for (const PolicyValueSpec& spec : kPolicyValues) {
    if (Manages(spec.setting)) CopySetting(spec.setting, values_, own);
  }
  return own;
}

SyncSettings Policy::KeepOwnValues(SyncSettings saved, const SyncSettings& own) const {
  for (const PolicyValueSpec& spec : kPolicyValues) {
    if (Manages(spec.setting)) CopySetting(spec.setting, own, saved);
  }
  return saved;
}

bool CancelAutoSyncOffered(const Policy& policy, int32_t syncTypeInEffect) {
  return syncTypeInEffect == 0 && !policy.Manages(PolicySetting::SyncType);
}

Policy ReadPolicy(IPolicySource& source) {
  Policy policy;
  for (const PolicyValueSpec& spec : kPolicyValues) {
    for (const bool machine : {true, false}) {
      const auto value = source.Read(machine, spec.name);
      if (value && policy.Take(spec, *value)) break;
    }
  }
  return policy;
}
