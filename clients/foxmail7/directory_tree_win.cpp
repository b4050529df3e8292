#include "clients/foxmail7/directory_tree_win.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>

#include "common/win/wide_text_win.h"

bool DeleteDirectoryTree(const std::u16string& path) {
  std::u16string from = path;
  std::replace(from.begin(), from.end(), u'/', u'\\');
  if (!from.empty() && from.back() == u'\\') from.pop_back();
  if (from.empty()) return false;  // an empty list would name nothing to delete
  from.push_back(u'\0');           // the shell takes a list ending in two zeros

  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = AsWide(from);
  operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI;
  const int result = SHFileOperationW(&operation);
  return result == 0 || result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND;
}
