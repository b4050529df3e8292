#pragma once
// The settings record and its file (see app/program_files.h).

#include <functional>
#include <string>

#include "sync/shared_settings.h"
#include "sync/sync_engine.h"

SyncSettings LoadSettings(const std::u16string& path);
// Writes the whole file or nothing (see RewriteProfile); false when it
// could not be written (read-only, disk full, no right to the folder), and
// the caller says so. With `forbidSavedPassword` the password stays in
// memory only, and one saved before the policy came goes too.
[[nodiscard]] bool SaveSettings(const std::u16string& path, const SyncSettings& settings,
                                bool forbidSavedPassword = false);

// See ForgetSavedPassword.
void RemoveSavedPassword(const std::u16string& path);

// Changes the record and saves it while holding its lock; when the file
// could not be written, false, and the record stays as it was.
[[nodiscard]] bool UpdateAndSave(SharedSettings& settings, const std::u16string& path,
                                 bool forbidSavedPassword,
                                 const std::function<void(SyncSettings&)>& change);

// What the engine stores (LastAutoSync, PendingClientSync, KeptAnswer) in
// the same file, each written through RewriteProfile like a save.
class ProfileLastAutoSync final : public ILastAutoSyncStore {
 public:
  explicit ProfileLastAutoSync(std::u16string settingsPath) : path_(std::move(settingsPath)) {}
  std::u16string LoadDate() override;
  void SaveDate(const std::u16string& date) override;
  std::u16string LoadClientWaitDate() override;
  void SaveClientWaitDate(const std::u16string& date) override;
  std::u16string LoadKeptAnswer() override;
  void SaveKeptAnswer(const std::u16string& mark) override;

 private:
  std::u16string Load(const char16_t* key);
  void Store(const char16_t* key, const std::u16string& value);

  std::u16string path_;
};
