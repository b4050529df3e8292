#pragma once
// The machine's defaults (app/machine_defaults.h) in HKLM: read by every
// user's program, written and removed by the per-machine installation.

#include "app/machine_defaults.h"

class MachineDefaults final : public IProfile {
 public:
  int32_t ReadInt(const std::u16string& section, const std::u16string& key,
                  int32_t defaultValue) override;
  std::u16string ReadString(const std::u16string& section, const std::u16string& key,
                            const std::u16string& defaultValue) override;
  // Needs an administrator (or SYSTEM).
  [[nodiscard]] bool WriteString(const std::u16string& section, const std::u16string& key,
                                 const std::u16string& value) override;
};

// The whole key; true when it is gone (or never was).
bool RemoveMachineDefaults();
