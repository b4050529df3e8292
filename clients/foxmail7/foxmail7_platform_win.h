#pragma once
// The replacement of the Foxmail 7 folder on the real system.

#include "clients/foxmail7/foxmail7_folder_replacement.h"

class Foxmail7PlatformWin final : public IFoxmail7Platform {
 public:
  std::optional<Foxmail7Location> Locate() override;
  bool IsClientRunning(const Foxmail7Location& location) override;
  bool PathExists(const std::u16string& path) override;
  bool MakeDirectory(const std::u16string& path) override;
  bool DeleteDirectoryTree(const std::u16string& path) override;
  bool MoveDirectory(const std::u16string& from, const std::u16string& to) override;
  std::unique_ptr<IStorageFile> CreateStorageFile(const std::u16string& path) override;
};
