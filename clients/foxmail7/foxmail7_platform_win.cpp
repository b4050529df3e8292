#include "clients/foxmail7/foxmail7_platform_win.h"

#include <windows.h>

#include <shlwapi.h>

#include "clients/foxmail7/buffered_storage_file_win.h"
#include "clients/foxmail7/directory_tree_win.h"
#include "clients/foxmail7/foxmail7_locate_win.h"
#include "clients/foxmail7/process_running_win.h"
#include "common/win/wide_text_win.h"

std::optional<Foxmail7Location> Foxmail7PlatformWin::Locate() { return LocateFoxmail7(); }

bool Foxmail7PlatformWin::IsClientRunning(const Foxmail7Location& location) {
  return ::IsClientRunning(location);
}

bool Foxmail7PlatformWin::PathExists(const std::u16string& path) {
  return PathFileExistsW(AsWide(path)) != FALSE;
}

bool Foxmail7PlatformWin::MakeDirectory(const std::u16string& path) {
  return CreateDirectoryW(AsWide(path), nullptr) != FALSE;
}

bool Foxmail7PlatformWin::DeleteDirectoryTree(const std::u16string& path) {
  return ::DeleteDirectoryTree(path);
}

bool Foxmail7PlatformWin::MoveDirectory(const std::u16string& from, const std::u16string& to) {
  return MoveFileExW(AsWide(from), AsWide(to), MOVEFILE_WRITE_THROUGH) != FALSE;
}

std::unique_ptr<IStorageFile> Foxmail7PlatformWin::CreateStorageFile(const std::u16string& path) {
  return BufferedStorageFile::Create(path);
}
