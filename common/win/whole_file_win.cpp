#include "common/win/whole_file_win.h"

#include <atomic>

#include "common/utf_convert.h"
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
  UniqueHandle file(CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  return ReadWholeFile(file.get(), largest);
}

std::u16string AsideCopyPath(const std::u16string& path) {
  static std::atomic<unsigned> turns{0};
  return path + u"." + AsciiToUtf16(std::to_string(GetCurrentProcessId())) + u"-" +
         AsciiToUtf16(std::to_string(++turns)) + u".saving";
}

bool WriteWholeFile(const std::u16string& path, std::string_view bytes) {
  const UniqueHandle file(CreateFileW(AsWide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file &&
         (bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                      &written, nullptr) &&
                            written == bytes.size()));
}

bool SwapInAside(const std::u16string& aside, const std::u16string& path) {
  bool flushed = false;
  {
    const UniqueHandle file(CreateFileW(AsWide(aside), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    flushed = file && FlushFileBuffers(file.get());
  }
  const bool swapped = flushed && MoveFileExW(AsWide(aside), AsWide(path),
                                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!swapped) DeleteFileW(AsWide(aside));
  return swapped;
}

bool ReplaceWholeFile(const std::u16string& path, std::string_view bytes) {
  const std::u16string aside = AsideCopyPath(path);
  if (WriteWholeFile(aside, bytes)) return SwapInAside(aside, path);
  DeleteFileW(AsWide(aside));
  return false;
}
