#include "clients/foxmail7/directory_tree_win.h"

#include <windows.h>

#include <algorithm>

#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"

namespace {

// A junction or symbolic link is removed itself: what it points to lies
// outside the tree, perhaps outside Foxmail's folder.
bool RemoveLink(const std::u16string& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    return RemoveDirectoryW(AsWide(path)) || DeleteFileW(AsWide(path));
  }
  return DeleteFileW(AsWide(path));
}

bool RemoveFile(const std::u16string& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesW(AsWide(path), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  return DeleteFileW(AsWide(path));
}

bool RemoveTree(const std::u16string& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveLink(path, attributes);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return RemoveFile(path, attributes);
  bool removed = true;
  WIN32_FIND_DATAW entry{};
  const UniqueFindHandle search(FindFirstFileExW(AsWide(path + u"\\*"), FindExInfoBasic, &entry,
                                                 FindExSearchNameMatch, nullptr, 0));
  if (search) {
    do {
      const std::u16string name = FromWide(entry.cFileName);
      if (name == u"." || name == u"..") continue;
      removed = RemoveTree(path + u"\\" + name, entry.dwFileAttributes) && removed;
    } while (FindNextFileW(search.get(), &entry));
  }
  return removed && RemoveDirectoryW(AsWide(path));
}

}  // namespace

bool DeleteDirectoryTree(const std::u16string& path) {
  std::u16string root = path;
  std::replace(root.begin(), root.end(), u'/', u'\\');
  if (!root.empty() && root.back() == u'\\') root.pop_back();
  if (root.empty()) return false;
  const DWORD attributes = GetFileAttributesW(AsWide(root));
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  return RemoveTree(root, attributes);
}
