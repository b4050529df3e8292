#pragma once
// How the settings record maps onto the keys of AddrBookSync.ini. The file
// itself is reached through IProfile, so the mapping is the same code in
// the program and in the tests.

#include <cstdint>
#include <optional>
#include <string>

#include "app/settings_keys.h"
#include "sync/sync_settings.h"

class IProfile {
 public:
  virtual ~IProfile() = default;
  virtual int32_t ReadInt(const std::u16string& section, const std::u16string& key,
                          int32_t defaultValue) = 0;
  // Any length; `defaultValue` when the key is missing.
  virtual std::u16string ReadString(const std::u16string& section, const std::u16string& key,
                                    const std::u16string& defaultValue) = 0;
  // False when the file did not take the value.
  [[nodiscard]] virtual bool WriteString(const std::u16string& section, const std::u16string& key,
                                         const std::u16string& value) = 0;
};

// The ANSI code page in which older versions stored the password.
class IAnsiCodePage {
 public:
  virtual ~IAnsiCodePage() = default;
  virtual std::u16string ToWide(const std::string& bytes) = 0;
};

// The platform's protection of a secret for the current user on this
// machine: only that user, there, gets it back.
class IPasswordProtection {
 public:
  virtual ~IPasswordProtection() = default;
  // Nothing when the platform refuses.
  virtual std::optional<std::string> Protect(const std::string& secret) = 0;
  // Nothing for a blob of another user or machine, or a damaged one.
  virtual std::optional<std::string> Unprotect(const std::string& blob) = 0;
};

// The form older versions stored in `Password`. Bytes after the first zero
// byte are ignored.
std::u16string DecodePassword(const std::u16string& stored, IAnsiCodePage& codePage);

// Reads every field; missing keys take their defaults. The password comes
// from `ProtectedPassword` when the file has one (empty when it cannot be
// unprotected), else from the older `Password`.
SyncSettings LoadSettingsFrom(IProfile& profile, IAnsiCodePage& codePage,
                              IPasswordProtection& protection);
// Writes every field; false, at the first key the file did not take. The
// password goes only into `ProtectedPassword`, and only when SavePassword is
// set; `Password` is always written empty. A saved password that could not
// be read back (the record's password is empty) stays as the file has it.
[[nodiscard]] bool SaveSettingsTo(const SyncSettings& settings, IProfile& profile,
                                  IPasswordProtection& protection);

// Whether either password key holds a password.
bool HoldsSavedPassword(IProfile& profile);
// Empties both password keys where either holds a password (an
// administrator forbids keeping it); a file without one is left untouched.
// False when the file did not take it.
[[nodiscard]] bool ForgetSavedPassword(IProfile& profile);

// The date of the last automatic run ("YYYY-MM-DD"), or under `key` that of
// a run waiting for the mail client to end, kept apart from the record: only
// the scheduler writes them, and a save of the dialog keeps them.
std::u16string LoadLastAutoSync(IProfile& profile, const char16_t* key = ini::kLastAutoSync);
void SaveLastAutoSync(IProfile& profile, const std::u16string& date,
                      const char16_t* key = ini::kLastAutoSync);
