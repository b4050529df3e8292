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

bool SaveSettings(const std::u16string& path, const SyncSettings& settings,
                  bool forbidSavedPassword) {
  UserPasswordProtection protection;
  return RewriteProfile(path, [&](IProfile& profile) {
    if (!forbidSavedPassword) return SaveSettingsTo(settings, profile, protection);
    SyncSettings stored = settings;
    stored.Password.clear();
    return SaveSettingsTo(stored, profile, protection) && ForgetSavedPassword(profile);
  });
}

void RemoveSavedPassword(const std::u16string& path) {
  PrivateProfile current(path);
  if (!HoldsSavedPassword(current)) return;
  // A file that cannot be changed keeps it until the next try.
  (void)RewriteProfile(path, [](IProfile& profile) { return ForgetSavedPassword(profile); });
}

bool UpdateAndSave(SharedSettings& settings, const std::u16string& path, bool forbidSavedPassword,
                   const std::function<void(SyncSettings&)>& change) {
  return settings.TryUpdate([&](SyncSettings& s) {
    change(s);
    return SaveSettings(path, s, forbidSavedPassword);
  });
}

std::u16string ProfileLastAutoSync::LoadDate() {
  PrivateProfile profile(path_);
  return LoadLastAutoSync(profile);
}

void ProfileLastAutoSync::SaveDate(const std::u16string& date) {
  // A date that does not stick only brings a catch-up run at the next start.
  (void)RewriteProfile(path_, [&](IProfile& profile) {
    SaveLastAutoSync(profile, date);
    return true;
  });
}

std::u16string ProfileLastAutoSync::LoadClientWaitDate() {
  PrivateProfile profile(path_);
  return LoadLastAutoSync(profile, ini::kPendingClientSync);
}

void ProfileLastAutoSync::SaveClientWaitDate(const std::u16string& date) {
  PrivateProfile profile(path_);
  SaveLastAutoSync(profile, date, ini::kPendingClientSync);
}

std::u16string ProfileLastAutoSync::LoadKeptAnswer() {
  PrivateProfile profile(path_);
  return LoadLastAutoSync(profile, ini::kKeptAnswer);
}

void ProfileLastAutoSync::SaveKeptAnswer(const std::u16string& mark) {
  // A mark that does not stick only costs a download.
  (void)RewriteProfile(path_, [&](IProfile& profile) {
    SaveLastAutoSync(profile, mark, ini::kKeptAnswer);
    return true;
  });
}
