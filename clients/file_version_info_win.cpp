#include "clients/file_version_info_win.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "common/win/wide_text_win.h"

namespace {

constexpr std::array<const char16_t*, kVersionStringCount> kStringKeys = {
    u"CompanyName",    u"FileDescription",  u"FileVersion",  u"InternalName",
    u"LegalCopyright", u"OriginalFileName", u"ProductName",  u"ProductVersion",
    u"Comments",       u"LegalTrademarks",  u"PrivateBuild", u"SpecialBuild",
};

template <typename Match>
std::optional<size_t> FindEntry(std::span<const VersionTranslation> table, Match match) {
  for (size_t i = 0; i < table.size(); ++i) {
    if (match(table[i].language)) return i;
  }
  return std::nullopt;
}

std::u16string Hex4(WORD value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text(4, u'0');
  for (int i = 3; i >= 0; --i, value >>= 4) text[i] = kDigits[value & 0xF];
  return text;
}

std::vector<VersionTranslation> ReadTranslations(const void* block) {
  void* data = nullptr;
  UINT bytes = 0;
  if (!VerQueryValueW(block, L"\\VarFileInfo\\Translation", &data, &bytes) || !data) return {};
  std::vector<VersionTranslation> table(bytes / sizeof(VersionTranslation));
  std::memcpy(table.data(), data, table.size() * sizeof(VersionTranslation));
  return table;
}

}  // namespace

std::optional<size_t> ChooseVersionTranslation(std::span<const VersionTranslation> table,
                                               LANGID userLanguage) {
  const auto low8 = [](WORD language) { return language & 0xFF; };
  const auto searches = {
      FindEntry(table, [&](WORD l) { return l == userLanguage; }),
      FindEntry(table, [&](WORD l) { return low8(l) == low8(userLanguage); }),
      FindEntry(table, [](WORD l) { return l == 0; }),
      FindEntry(table, [&](WORD l) { return low8(l) == 0; }),
      FindEntry(table, [](WORD l) { return l == 9; }),
      FindEntry(table, [&](WORD l) { return low8(l) == 9; }),
  };
  for (const auto& found : searches) {
    if (found) return found;
  }
  if (!table.empty()) return 0;
  return std::nullopt;
}

CFileVersionInfo::CFileVersionInfo() { CFileVersionInfo::Reset(); }

void CFileVersionInfo::Reset() {
  std::memset(&fixed_, 0, sizeof(fixed_));
  for (auto& text : strings_) text.clear();
}

std::u16string CFileVersionInfo::GetString(VersionString key) const {
  return strings_[static_cast<size_t>(key)];
}

bool CFileVersionInfo::Create(const std::u16string& path) {
  return Create(path, GetUserDefaultLangID());
}

bool CFileVersionInfo::Create(const std::u16string& path, LANGID userLanguage) {
  Reset();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(AsWide(path), &ignored);
  if (size == 0) return false;
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size]);
  if (!block) return false;
  if (!GetFileVersionInfoW(AsWide(path), 0, size, block.get())) return false;

  void* root = nullptr;
  UINT rootBytes = 0;
  if (VerQueryValueW(block.get(), L"\\", &root, &rootBytes) && root &&
      rootBytes == sizeof(VS_FIXEDFILEINFO)) {
    std::memcpy(&fixed_, root, sizeof(fixed_));
  }
  // Without a translation table there is no language to read strings in.
  const std::vector<VersionTranslation> table = ReadTranslations(block.get());
  if (const auto chosen = ChooseVersionTranslation(table, userLanguage)) {
    ReadStrings(block.get(), table[*chosen]);
  }
  return true;
}

void CFileVersionInfo::ReadStrings(const void* block, VersionTranslation translation) {
  const std::u16string prefix =
      u"\\StringFileInfo\\" + Hex4(translation.language) + Hex4(translation.codePage) + u"\\";
  for (size_t i = 0; i < kVersionStringCount; ++i) {
    void* value = nullptr;
    UINT length = 0;  // in characters
    if (VerQueryValueW(block, AsWide(prefix + kStringKeys[i]), &value, &length) && value) {
      const auto* text = static_cast<const wchar_t*>(value);
      strings_[i] = FromWide(text, wcsnlen(text, length));
    }
  }
}
