#pragma once
// The administrator's policy as the registry holds it now, and its place
// over the program's settings.

#include <string>

#include "app/policy_values.h"
#include "sync/shared_settings.h"

// The policy keys of this machine and of the current user.
class RegistryPolicySource final : public IPolicySource {
 public:
  std::optional<PolicyRegistryValue> Read(bool machine, const char16_t* name) override;
};

// Read afresh: a Group Policy refresh takes effect at the next use.
Policy ReadSystemPolicy();

// Lays the policy over `settings` for every run and schedule; where it
// forbids keeping the password, removes a saved one from the file and the
// record.
void PutUnderPolicy(SharedSettings& settings, const std::u16string& settingsPath);
