#include "app/settings_store_win.h"

#include "app/machine_defaults_win.h"
#include "app/password_protection_win.h"
#include "app/private_profile_win.h"
#include "app/settings_codec.h"
#include "common/win/wide_text_win.h"

SyncSettings LoadSettings(const std::u16string& path) {
  // Not had in time, the file is read as it is: the program must start.
  const ProfileTurn turn;
  PrivateProfile own(path);
  MachineDefaults machine;
  ProfileOverDefaults profile(own, machine);
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
  const ProfileTurn turn;
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

std::u16string ProfileLastAutoSync::Load(const char16_t* key) {
  const ProfileTurn turn;
  PrivateProfile profile(path_);
  return LoadLastAutoSync(profile, key);
}

void ProfileLastAutoSync::Store(const char16_t* key, const std::u16string& value) {
  // A value that does not stick costs at most a run, a wait or a download.
  (void)RewriteProfile(path_, [&](IProfile& profile) {
    SaveLastAutoSync(profile, value, key);
    return true;
  });
}

std::u16string ProfileLastAutoSync::LoadDate() { return Load(ini::kLastAutoSync); }

void ProfileLastAutoSync::SaveDate(const std::u16string& date) { Store(ini::kLastAutoSync, date); }

std::u16string ProfileLastAutoSync::LoadClientWaitDate() { return Load(ini::kPendingClientSync); }

void ProfileLastAutoSync::SaveClientWaitDate(const std::u16string& wait) {
  Store(ini::kPendingClientSync, wait);
}

std::u16string ProfileLastAutoSync::LoadKeptAnswer() { return Load(ini::kKeptAnswer); }

void ProfileLastAutoSync::SaveKeptAnswer(const std::u16string& mark) {
  Store(ini::kKeptAnswer, mark);
}
