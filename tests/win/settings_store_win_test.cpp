// AddrBookSync.ini through the real private-profile functions: what lands
// in the file, and what comes back.

#include <gtest/gtest.h>

#include "app/private_profile_win.h"
#include "app/settings_store_win.h"
#include "common/utf_convert.h"
#include "win_test_support.h"

namespace {

// The value of `key` in the file as it is, read in the user's turn.
std::string StoredValue(const std::u16string& path, const std::string& key) {
  const ProfileTurn turn;
  const std::string bytes = ReadFileBytes(path);
  const size_t at = bytes.find("\n" + key + "=");
  if (at == std::string::npos) return {};
  const size_t from = at + key.size() + 2;
  return bytes.substr(from, bytes.find('\r', from) - from);
}

TEST(SettingsStoreWinTest, NoFileGivesDefaultsAndCreatesNothing) {
  ScratchDir dir;
  const auto path = dir.File(u"AddrBookSync.ini");
  EXPECT_EQ(LoadSettings(path), SyncSettings{});
  EXPECT_FALSE(FileExists(path));
}

TEST(SettingsStoreWinTest, SaveWritesEveryKeyExactly) {
  ScratchDir dir;
  const auto path = dir.File(u"AddrBookSync.ini");
  SyncSettings s;
  s.EmailClient = -1;
  s.SyncLevel = 1;
  s.SyncType = -1;
  s.SyncTime = -30;
  s.ServerHost = u"mail.corp.example";
  s.ServerPort = 8080;
  s.ServerVirtual = u"webmail";
  s.Account = u"zhang@corp.example";
  s.Password = u"secret";
  s.SavePassword = 1;
  ASSERT_TRUE(SaveSettings(path, s));
  const std::string bytes = ReadFileBytes(path);
  const std::string head =
      "[General]\r\nEmailClient=-1\r\nSyncLevel=1\r\nSyncType=-1\r\nSyncTime=-30\r\n"
      "SyncSpread=0\r\nOutlookFolder=\r\n[Server]\r\nServerHost=mail.corp.example\r\nServerVirtual="
      "webmail\r\n"
      "ServerPort=8080\r\nAccount=zhang@corp.example\r\nPassword=\r\nProtectedPassword=";
  const std::string tail = "\r\nSavePassword=1\r\nServerScheme=http\r\n";
  ASSERT_GT(bytes.size(), head.size() + tail.size() + 40) << bytes;
  EXPECT_EQ(bytes.substr(0, head.size()), head);
  EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
  // Neither the password nor its Base64 is in the file.
  EXPECT_EQ(bytes.find("secret"), std::string::npos);
  EXPECT_EQ(bytes.find("c2VjcmV0"), std::string::npos);
  EXPECT_EQ(LoadSettings(path), s);
}

TEST(SettingsStoreWinTest, LongAndChinesePasswordsSurvive) {
  ScratchDir dir;
  const auto path = dir.File(u"AddrBookSync.ini");
  SyncSettings s;
  s.SavePassword = 1;
  for (const std::u16string& pw :
       {std::u16string(u"密码Pa55&#="),
        std::u16string(400, u'k') + u"长密码" + std::u16string(300, u'z')}) {
    s.Password = pw;
    ASSERT_TRUE(SaveSettings(path, s));
    EXPECT_EQ(LoadSettings(path).Password, pw);
  }
}

TEST(SettingsStoreWinTest, HandWrittenValuesAreReadLeniently) {
  ScratchDir dir;
  const auto path = dir.File(u"AddrBookSync.ini");
  WriteFileBytes(path,
                 "[General]\r\nEmailClient=abc\r\nSyncTime=600min\r\nSyncLevel=-1\r\n"
                 "[Server]\r\nPassword= c2Vj\r\nServerPort=\r\nSavePassword=1\r\n");
  const SyncSettings s = LoadSettings(path);
  EXPECT_EQ(s.EmailClient, 0);
  EXPECT_EQ(s.SyncTime, 600);
  EXPECT_EQ(s.SyncLevel, -1);
  EXPECT_EQ(s.Password, u"sec");
  EXPECT_EQ(s.ServerHost, u"127.0.0.1");
  // The older password form moves into the protected one at the next save.
  ASSERT_TRUE(SaveSettings(path, s));
  PrivateProfile profile(path);
  EXPECT_EQ(profile.ReadString(u"Server", u"Password", u"-"), u"");
  EXPECT_NE(profile.ReadString(u"Server", u"ProtectedPassword", u""), u"");
  EXPECT_EQ(LoadSettings(path), s);
}

TEST(SettingsStoreWinTest, SavesKeepOtherKeysAndTheFilesEncoding) {
  ScratchDir dir;
  const auto path = dir.File(u"AddrBookSync.ini");
  // A file saved as UTF-16 by hand, with a key of a later version.
  WriteFileBytes(path, std::string("\xFF\xFE[\0X\0]\0\r\0\n\0K\0=\0\x2D\x4E", 18));
  PrivateProfile profile(path);
  ASSERT_TRUE(profile.WriteString(u"General", u"LastAutoSync", u"2026-12-07"));
  ASSERT_TRUE(SaveSettings(path, SyncSettings{}));
  EXPECT_EQ(LoadLastAutoSync(profile), u"2026-12-07");
  EXPECT_EQ(profile.ReadString(u"X", u"K", u""), u"中");
  EXPECT_EQ(ReadFileBytes(path).substr(0, 6), std::string("\xFF\xFE[\0X\0", 6));
}

// The scheduler's stored value written by one process (this test again,
// as its child) while another saves the settings: every save takes, and
// neither drops the other's key.
TEST(SettingsStoreWinTest, AStoredValueBesideASaveFromTwoProcessesBothLand) {
  wchar_t childOf[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"TW_TEST_STORE_INTO", childOf, MAX_PATH) > 0) {
    ProfileLastAutoSync store(FromWide(childOf));
    for (int day = 10; day < 40; ++day) {
      const std::u16string date = u"2026-11-" + AsciiToUtf16(std::to_string(day));
      store.SaveClientWaitDate(date);
      ASSERT_EQ(StoredValue(FromWide(childOf), "PendingClientSync"), Utf16ToUtf8(date));
    }
    return;
  }
  ScratchDir dir;
  const auto path = dir.File(u"AddrBookSync.ini");
  SetEnvironmentVariableW(L"TW_TEST_STORE_INTO", AsWide(path));
  const UniqueHandle child = StartProcess(
      ModuleFilePath(),
      u"--gtest_filter=" +
          AsciiToUtf16(testing::UnitTest::GetInstance()->current_test_info()->test_suite_name()) +
          u".*BothLand");
  SetEnvironmentVariableW(L"TW_TEST_STORE_INTO", nullptr);
  ASSERT_TRUE(child);
  SyncSettings s;
  std::string seen;
  for (s.SyncTime = 0; s.SyncTime < 40 ||
                       (WaitForSingleObject(child.get(), 0) == WAIT_TIMEOUT && s.SyncTime < 5000);
       ++s.SyncTime) {
    ASSERT_TRUE(SaveSettings(path, s)) << s.SyncTime;
    ASSERT_EQ(StoredValue(path, "SyncTime"), std::to_string(s.SyncTime));
    const std::string date = StoredValue(path, "PendingClientSync");
    ASSERT_GE(date, seen);  // never put back by a save
    seen = date;
  }
  DWORD code = 1;
  EXPECT_TRUE(WaitForSingleObject(child.get(), 60000) == WAIT_OBJECT_0 &&
              GetExitCodeProcess(child.get(), &code) && code == 0);
  EXPECT_EQ(StoredValue(path, "PendingClientSync"), "2026-11-39");
  EXPECT_EQ(StoredValue(path, "SyncTime"), std::to_string(s.SyncTime - 1));
}

}  // namespace
