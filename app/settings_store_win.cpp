#include "app/settings_store_win.h"

#include "app/password_protection_win.h"
#include "app/private_profile_win.h"
#include "app/settings_codec.h"
#include "common/win/wide_text_win.h"

SyncSettings LoadSettings(const std::u16string& path) {
  PrivateProfile profile(path);
  ThreadAnsiCodePage codePage;
  UserPasswordProtection protection;
  return LoadSettingsFrom(profile, codePage, protection);
}

bool SaveSettings(const std::u16string& path, const SyncSettings& settings) {
  PrivateProfile profile(path);
  UserPasswordProtection protection;
  return SaveSettingsTo(settings, profile, protection);
}

void RemoveSavedPassword(const std::u16string& path) {
  PrivateProfile profile(path);
  ForgetSavedPassword(profile);
}

bool UpdateAndSave(SharedSettings& settings, const std::u16string& path, bool forbidSavedPassword,
                   const std::function<void(SyncSettings&)>& change) {
  bool saved = false;
  settings.Update(change, [&](const SyncSettings& s) {
    SyncSettings stored = s;
    if (forbidSavedPassword) stored.Password.clear();
    saved = SaveSettings(path, stored);
    if (forbidSavedPassword) RemoveSavedPassword(path);
  });
  return saved;
}

std::u16string ProfileLastAutoSync::LoadDate() {
  PrivateProfile profile(path_);
  return LoadLastAutoSync(profile);
}

void ProfileLastAutoSync::SaveDate(const std::u16string& date) {
  PrivateProfile profile(path_);
  SaveLastAutoSync(profile, date);
}

std::u16string ProfileLastAutoSync::LoadClientWaitDate() {
  PrivateProfile profile(path_);
  return LoadLastAutoSync(profile, ini::kPendingClientSync);
}

void ProfileLastAutoSync::SaveClientWaitDate(const std::u16string& date) {
  PrivateProfile profile(path_);
  SaveLastAutoSync(profile, date, ini::kPendingClientSync);
}
