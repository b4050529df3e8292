#pragma once
// The saved password protected with the user's Windows log-on (DPAPI).

#include "app/settings_codec.h"

class UserPasswordProtection final : public IPasswordProtection {
 public:
  std::optional<std::string> Protect(const std::string& secret) override;
  std::optional<std::string> Unprotect(const std::string& blob) override;
};
