#pragma once
// Reads the version resource of an executable file: the fixed version record
// and the twelve standard version strings of one of its languages. Nothing
// stays open after a call.

#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>

// The standard version strings, in the order the reader keeps them.
enum class VersionString {
  CompanyName,
  FileDescription,
  FileVersion,
  InternalName,
  LegalCopyright,
  OriginalFileName,
  ProductName,
  ProductVersion,
  Comments,
  LegalTrademarks,
  PrivateBuild,
  SpecialBuild,
};
inline constexpr size_t kVersionStringCount = 12;

// One entry of a version resource's translation table.
struct VersionTranslation {
  WORD language;
  WORD codePage;
};

// The entry whose strings are read, for a user whose default language is
// `userLanguage`: the same language; else the same low 8 bits; else
// language 0 (all bits, then low 8 bits); else language 9 (likewise);
// else the first entry. Nullopt only for an empty table.
std::optional<size_t> ChooseVersionTranslation(std::span<const VersionTranslation> table,
                                               LANGID userLanguage);

class CFileVersionInfo {
 public:
  CFileVersionInfo();
  virtual ~CFileVersionInfo() = default;

  // Replaces what the object holds with the version information of `path`,
  // in the strings of the user's default language. False when the file has
  // no readable version data (the object is then reset); strings that the
  // file lacks stay empty without making it false.
  [[nodiscard]] bool Create(const std::u16string& path);
  // The same, choosing the strings for `userLanguage`.
  [[nodiscard]] bool Create(const std::u16string& path, LANGID userLanguage);

  // Zero fixed information and empty strings.
  virtual void Reset();

  std::u16string GetProductVersion() const { return GetString(VersionString::ProductVersion); }
  std::u16string GetString(VersionString key) const;
  const VS_FIXEDFILEINFO& GetFixedInfo() const { return fixed_; }

 private:
  void ReadStrings(const void* block, VersionTranslation translation);

  VS_FIXEDFILEINFO fixed_;
  std::array<std::u16string, kVersionStringCount> strings_;
};
