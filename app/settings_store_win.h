#pragma once
// The settings record and AddrBookSync.ini beside the executable.

#include <string>

#include "sync/shared_settings.h"
#include "sync/sync_engine.h"

// Built anew for every load and save.
std::u16string GetSettingsFilePath();

SyncSettings LoadSettings(const std::u16string& path);
// Failed writes are ignored: the record keeps its values.
void SaveSettings(const std::u16string& path, const SyncSettings& settings);

// LastAutoSync in the same file.
class ProfileAutoSyncMarks final : public IAutoSyncMarkStore {
 public:
  std::u16string Load() override;
  void Save(const std::u16string& date) override;
};
