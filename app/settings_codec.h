#pragma once
// How the settings record maps onto the keys of AddrBookSync.ini. The file
// itself is reached through IProfile, so the mapping is the same code in
// the program and in the tests.

#include <cstdint>
#include <string>

#include "sync/sync_settings.h"

class IProfile {
 public:
  virtual ~IProfile() = default;
  virtual int32_t ReadInt(const std::u16string& section, const std::u16string& key,
                          int32_t defaultValue) = 0;
  // Any length; `defaultValue` when the key is missing.
  virtual std::u16string ReadString(const std::u16string& section, const std::u16string& key,
                                    const std::u16string& defaultValue) = 0;
  virtual void WriteString(const std::u16string& section, const std::u16string& key,
                           const std::u16string& value) = 0;
};

// The ANSI code page in which the password is stored.
class IAnsiCodePage {
 public:
  virtual ~IAnsiCodePage() = default;
  virtual std::string FromWide(const std::u16string& text) = 0;
  virtual std::u16string ToWide(const std::string& bytes) = 0;
};

std::u16string EncodePassword(const std::u16string& password, IAnsiCodePage& codePage);
// Bytes after the first zero byte are ignored.
std::u16string DecodePassword(const std::u16string& stored, IAnsiCodePage& codePage);

// Reads every field; missing keys take their defaults.
SyncSettings LoadSettingsFrom(IProfile& profile, IAnsiCodePage& codePage);
// Writes every field; the password only when SavePassword is set.
void SaveSettingsTo(const SyncSettings& settings, IProfile& profile, IAnsiCodePage& codePage);

// The date of the last automatic run ("YYYY-MM-DD"), kept apart from the
// record: only the scheduler writes it, and a save of the dialog keeps it.
std::u16string LoadLastAutoSync(IProfile& profile);
void SaveLastAutoSync(IProfile& profile, const std::u16string& date);
