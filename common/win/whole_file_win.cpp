#include "common/win/whole_file_win.h"

#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"

std::optional<std::string> ReadWholeFile(HANDLE file, LONGLONG largest) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart > largest) return std::nullopt;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size())) {
    return std::nullopt;
  }
  return bytes;
}

std::optional<std::string> ReadWholeFileAt(const std::u16string& path, LONGLONG largest) {
  UniqueHandle file(CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  return ReadWholeFile(file.get(), largest);
}

bool ReplaceWholeFile(const std::u16string& path, const std::string& bytes) {
  const std::u16string temporary = path + u".new";
  {
    UniqueHandle file(CreateFileW(AsWide(temporary), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.get())) {
      file.reset();
      DeleteFileW(AsWide(temporary));
      return false;
    }
  }
  if (MoveFileExW(AsWide(temporary), AsWide(path),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(AsWide(temporary));
  return false;
}
