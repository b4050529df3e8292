// foxmail7_read FOLDER
//
// Lists the contacts of a Foxmail 7 address folder (the "400" folder below
// Data\Address\2.5), one line each in record order: the display name, a
// tab, the address, in UTF-8. Whatever departs from the structure the
// program writes goes to standard error.
// Exit status: 0 well formed, 1 malformed or incomplete, 2 wrong usage.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "clients/foxmail7/foxmail7_folder_reader.h"
#include "common/utf_convert.h"

namespace {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

int Run(const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    std::cerr << "not a folder: " << reinterpret_cast<const char*>(folder.u8string().c_str())
              << "\n";
    return 1;
  }
  Foxmail7FolderBytes files;
  for (size_t i = 0; i < kFoxmail7Files.size(); ++i) {
    files[i] = ReadWholeFile(folder / std::filesystem::path(Foxmail7FileName(kFoxmail7Files[i])));
  }
  const Foxmail7FolderReport report = ReadFoxmail7Folder(files);
  for (const AddrContact& contact : report.contacts) {
    std::cout << Utf16ToUtf8(contact.Name) << '\t' << Utf16ToUtf8(contact.EMail) << '\n';
  }
  for (const std::string& problem : report.problems) std::cerr << problem << '\n';
  std::cout.flush();
  return report.wellFormed() ? 0 : 1;
}

template <typename Char>
int Main(int argc, Char** argv) {
  if (argc != 2) {
    std::fputs("usage: foxmail7_read FOLDER\n", stderr);
    return 2;
  }
  return Run(std::filesystem::path(argv[1]));
}

}  // namespace

#ifdef _WIN32
// Wide arguments, so that folders outside the ANSI code page can be named.
int wmain(int argc, wchar_t** argv) { return Main(argc, argv); }
#else
int main(int argc, char** argv) { return Main(argc, argv); }
#endif
