// The version reader over real version resources, and its choice among a
// file's languages.

#include <gtest/gtest.h>

#include <vector>

#include "clients/file_version_info_win.h"
#include "foxmail7/foxmail7_test_support_win.h"

namespace {

std::optional<size_t> Choose(std::vector<WORD> languages, LANGID user) {
  std::vector<VersionTranslation> table;
  for (WORD l : languages) table.push_back({l, 1200});
  return ChooseVersionTranslation(table, user);
}

TEST(VersionTranslationChoice, SearchesInOrder) {
  EXPECT_EQ(1u, Choose({0x0409, 0x0804}, 0x0804));          // the user's language, though second
  EXPECT_EQ(1u, Choose({0x0C09, 0x0809}, 0x0809));          // all 16 bits before the low 8
  EXPECT_EQ(1u, Choose({0x0409, 0x0804}, 0x0C04));          // else the low 8 bits
  EXPECT_EQ(2u, Choose({0x0411, 0x0C00, 0x0000}, 0x0407));  // else language 0, all bits first
  EXPECT_EQ(1u, Choose({0x0411, 0x0C00, 0x0009}, 0x0407));  // 0 in the low bits before 9
  EXPECT_EQ(2u, Choose({0x0411, 0x0809, 0x0009}, 0x0407));  // else 9, all bits first
  EXPECT_EQ(1u, Choose({0x0411, 0x0809}, 0x0407));
  EXPECT_EQ(0u, Choose({0x0804}, 0x0409));  // else the first
  EXPECT_EQ(std::nullopt, Choose({}, 0x0409));
}

TEST(FileVersionInfo, ReadsTheStringsOfTheChosenLanguage) {
  CFileVersionInfo info;
  ASSERT_TRUE(
      info.Create(Foxmail7Dummy("fm7_version_7_2_5_140"), 0x0409));  // its only language is 0x0804
  EXPECT_EQ(u"7.2.5.140", info.GetProductVersion());
  EXPECT_EQ(u"Tarnwell Test", info.GetString(VersionString::CompanyName));
  EXPECT_EQ(u"", info.GetString(VersionString::Comments));
  EXPECT_EQ(VS_FFI_SIGNATURE, info.GetFixedInfo().dwSignature);

  const std::u16string twoLanguages = Foxmail7Dummy("fm7_two_languages");  // 0x0409, then 0x0804
  for (auto [user, version] : {std::pair<LANGID, const char16_t*>{0x0409, u"7.0 en-US"},
                               {0x0804, u"7.0 zh-CN"},
                               {0x0C04, u"7.0 zh-CN"},
                               {0x0407, u"7.0 en-US"}}) {
    ASSERT_TRUE(info.Create(twoLanguages, user));
    EXPECT_EQ(version, info.GetProductVersion()) << std::hex << user;
  }
  // The tests run as a Chinese (PRC) user.
  ASSERT_TRUE(info.Create(twoLanguages));
  EXPECT_EQ(u"Tarnwell Test zh-CN", info.GetString(VersionString::CompanyName));
}

TEST(FileVersionInfo, WithoutTranslationTableReadsNoStrings) {
  CFileVersionInfo info;
  ASSERT_TRUE(info.Create(Foxmail7Dummy("fm7_no_translation")));
  EXPECT_EQ(u"", info.GetProductVersion());
  EXPECT_EQ(0x00010002u, info.GetFixedInfo().dwFileVersionMS);
  EXPECT_EQ(0x00030004u, info.GetFixedInfo().dwFileVersionLS);
}

TEST(FileVersionInfo, AFailedReadLeavesNothingOfTheLastOne) {
  CFileVersionInfo info;
  for (const char* unreadable : {"fm7_no_version", "no_such_program"}) {
    ASSERT_TRUE(info.Create(Foxmail7Dummy("fm7_version_17_0")));
    EXPECT_EQ(u"17.0", info.GetProductVersion());
    EXPECT_FALSE(info.Create(Foxmail7Dummy(unreadable)));
    EXPECT_EQ(u"", info.GetProductVersion());
    EXPECT_EQ(u"", info.GetString(VersionString::CompanyName));
    EXPECT_EQ(0u, info.GetFixedInfo().dwSignature);
  }
}

}  // namespace
