// The detections against real registry values, in a key of the test's own.

#include <gtest/gtest.h>

#include "app/client_detection_win.h"
#include "common/win/scoped_handles.h"
#include "win_test_support.h"

namespace {

class ClientDetectionTest : public testing::Test {
 protected:
  ClientDetectionTest() {
    base_ = L"Software\\TarnwellTests\\Detection" + std::to_wstring(GetCurrentProcessId());
  }
  ~ClientDetectionTest() override { RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str()); }

  std::wstring Key(const wchar_t* sub) const { return base_ + L"\\" + sub; }
  void Set(const wchar_t* sub, const wchar_t* name, const std::u16string& value) {
    UniqueHKey key;
    RegCreateKeyExW(HKEY_CURRENT_USER, Key(sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    key.put(), nullptr);
    RegSetValueExW(key.get(), name, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(AsWide(value)),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }

  std::wstring base_;
};

TEST_F(ClientDetectionTest, OutlookVersionFromCurVer) {
  const std::wstring curVer = Key(L"CurVer");
  EXPECT_EQ(DetectOutlookVersionAt(HKEY_CURRENT_USER, curVer.c_str()), 0);  // missing
  const std::pair<const char16_t*, int> cases[] = {
      {u"Outlook.Application.11", 5},  {u"Outlook.Application.12", 6},
      {u"Outlook.Application.14", 7},  {u"Outlook.Application.15", 8},
      {u"Outlook.Application.16", 9},  {u"Outlook.Application.160", 0},
      {u"Outlook.Application.16 ", 0}, {u"12", 6}};
  for (const auto& [value, code] : cases) {
    Set(L"CurVer", nullptr, value);
    EXPECT_EQ(DetectOutlookVersionAt(HKEY_CURRENT_USER, curVer.c_str()), code)
        << std::string(value, value + std::char_traits<char16_t>::length(value));
  }
}

TEST_F(ClientDetectionTest, WabPathIsExpandedAndMustExist) {
  ScratchDir dir;
  WriteFileBytes(dir.File(u"wab32.dll"), "x");
  SetEnvironmentVariableW(L"TW_WAB_DIR", AsWide(dir.path()));
  const std::wstring key = Key(L"DLLPath");
  EXPECT_FALSE(IsWabInstalledAt(HKEY_CURRENT_USER, key.c_str()));
  Set(L"DLLPath", nullptr, u"%TW_WAB_DIR%\\wab32.dll");
  EXPECT_TRUE(IsWabInstalledAt(HKEY_CURRENT_USER, key.c_str()));
  Set(L"DLLPath", nullptr, u"%TW_WAB_DIR%\\missing.dll");
  EXPECT_FALSE(IsWabInstalledAt(HKEY_CURRENT_USER, key.c_str()));
}

TEST_F(ClientDetectionTest, Foxmail56ByTheFirstCharacterOfItsVersion) {
  const std::wstring key = Key(L"Foxmail");
  EXPECT_FALSE(IsFoxmail56InstalledAt(HKEY_CURRENT_USER, key.c_str()));
  for (const auto& [value, expected] :
       {std::pair{u"6.5", true}, {u"5.0.800", true}, {u"7.0", false}, {u"", false}}) {
    Set(L"Foxmail", L"version", value);
    EXPECT_EQ(IsFoxmail56InstalledAt(HKEY_CURRENT_USER, key.c_str()), expected);
  }
}

}  // namespace
