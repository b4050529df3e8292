// The settings record against AddrBookSync.ini's keys, and the password's
// stored form, through a fake profile that behaves like the platform's.

#include <gtest/gtest.h>

#include <map>

#include "app/machine_defaults.h"
#include "app/password_codec.h"
#include "app/settings_codec.h"

namespace {

// Latin-1 stands in for an ANSI code page: one byte per character.
struct Latin1CodePage : IAnsiCodePage {
  std::u16string ToWide(const std::string& bytes) override {
    std::u16string out;
    for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
    return out;
  }
};

struct FakeProfile : IProfile {
  std::map<std::pair<std::u16string, std::u16string>, std::u16string> values;
  std::vector<std::u16string> writeOrder;

  int32_t ReadInt(const std::u16string& s, const std::u16string& k, int32_t d) override {
    auto it = values.find({s, k});
    if (it == values.end()) return d;
    // Like the platform: optional sign and leading digits, else 0.
    std::string a(it->second.begin(), it->second.end());
    return static_cast<int32_t>(std::strtol(a.c_str(), nullptr, 10));
  }
  std::u16string ReadString(const std::u16string& s, const std::u16string& k,
                            const std::u16string& d) override {
    auto it = values.find({s, k});
    return it == values.end() ? d : it->second;
  }
  bool WriteString(const std::u16string& s, const std::u16string& k,
                   const std::u16string& v) override {
    values[{s, k}] = v;
    writeOrder.push_back(s + u"." + k);
    return true;
  }
};

// Like the platform's protection: a blob it did not make, or one it made
// for someone else, does not come back; and it may refuse to protect.
struct FakeProtection : IPasswordProtection {
  bool refuse = false;
  std::optional<std::string> Protect(const std::string& secret) override {
    if (refuse) return std::nullopt;
    return "sealed:" + std::string(secret.rbegin(), secret.rend());
  }
  std::optional<std::string> Unprotect(const std::string& blob) override {
    if (blob.rfind("sealed:", 0) != 0) return std::nullopt;
    return std::string(blob.rbegin(), blob.rend() - 7);
  }
};

TEST(PasswordCodecTest, Base64RoundTripsAllLengths) {
  EXPECT_EQ(Base64Encode(""), u"");
  EXPECT_EQ(Base64Encode("f"), u"Zg==");
  EXPECT_EQ(Base64Encode("fo"), u"Zm8=");
  EXPECT_EQ(Base64Encode("foo"), u"Zm9v");
  EXPECT_EQ(Base64Encode("foobar"), u"Zm9vYmFy");
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  for (size_t n = 0; n <= all.size(); n += 37) {
    EXPECT_EQ(Base64DecodeLenient(Base64Encode(all.substr(0, n))), all.substr(0, n));
  }
}

TEST(PasswordCodecTest, LenientDecoderSkipsStrayCharactersAndShortTails) {
  EXPECT_EQ(Base64DecodeLenient(u" Zm9v\r\nYm Fy "), "foobar");
  EXPECT_EQ(Base64DecodeLenient(u"Zm9v!*Ym中Fy=="), "foobar");
  EXPECT_EQ(Base64DecodeLenient(u"Zm8"), "fo");     // three left over: two bytes
  EXPECT_EQ(Base64DecodeLenient(u"Zg"), "f");       // two left over: one byte
  EXPECT_EQ(Base64DecodeLenient(u"Zm9vY"), "foo");  // one left over: nothing
  EXPECT_EQ(Base64DecodeLenient(u"===="), "");
}

TEST(SettingsCodecTest, MissingFileGivesDefaults) {
  FakeProfile profile;
  Latin1CodePage cp;
  FakeProtection protection;
  EXPECT_EQ(LoadSettingsFrom(profile, cp, protection), SyncSettings{});
  const SyncSettings d;
  EXPECT_EQ(d.ServerHost, u"127.0.0.1");
  EXPECT_EQ(d.ServerPort, 80);
  EXPECT_EQ(d.ServerVirtual, u"mail");
  EXPECT_EQ(d.SyncTime, 540);
  EXPECT_TRUE(profile.writeOrder.empty());
}

TEST(SettingsCodecTest, SaveWritesEveryKeyInOrderAndLoadsBack) {
  SyncSettings s;
  s.EmailClient = -1;
  s.SyncLevel = -1;
  s.SyncType = -1;
  s.SyncTime = -30;
  s.SyncSpread = 45;
  s.OutlookFolder = u"公司通讯录";
  s.ServerScheme = u"https";
  s.ServerHost = u"mail.corp.example";
  s.ServerPort = 8080;
  s.ServerVirtual = u"webmail";
  s.Account = u"zhang@corp.example";
  s.Password = u"p\u00e4ss=w0rd&" + std::u16string(300, u'x');
  s.SavePassword = 1;
  FakeProfile profile;
  Latin1CodePage cp;
  FakeProtection protection;
  ASSERT_TRUE(SaveSettingsTo(s, profile, protection));
  EXPECT_EQ(
      profile.writeOrder,
      (std::vector<std::u16string>{
          u"General.EmailClient", u"General.SyncLevel", u"General.SyncType", u"General.SyncTime",
          u"General.SyncSpread", u"General.OutlookFolder", u"Server.ServerHost",
          u"Server.ServerVirtual", u"Server.ServerPort", u"Server.Account", u"Server.Password",
          u"Server.ProtectedPassword", u"Server.SavePassword", u"Server.ServerScheme"}));
  EXPECT_EQ((profile.values[{u"General", u"SyncTime"}]), u"-30");
  EXPECT_EQ((profile.values[{u"Server", u"Password"}]), u"");
  EXPECT_EQ(LoadSettingsFrom(profile, cp, protection), s);
}

TEST(SettingsCodecTest, SyncSpreadIsBroughtIntoItsWindow) {
  FakeProfile profile;
  Latin1CodePage cp;
  FakeProtection protection;
  for (const auto& [stored, loaded] :
       {std::pair{u"30", 30}, {u"120", 120}, {u"121", 120}, {u"-5", 0}, {u"abc", 0}}) {
    profile.values[{u"General", u"SyncSpread"}] = stored;
    EXPECT_EQ(LoadSettingsFrom(profile, cp, protection).SyncSpread, loaded);
  }
}

TEST(SettingsCodecTest, SchemeIsHttpUnlessTheFileSaysHttps) {
  FakeProfile profile;
  Latin1CodePage cp;
  FakeProtection protection;
  EXPECT_EQ(LoadSettingsFrom(profile, cp, protection).ServerScheme, u"http");  // older files
  for (const auto& [stored, loaded] :
       {std::pair{u"HTTPS", u"https"}, {u"https", u"https"}, {u"ftp", u"http"}, {u"", u"http"}}) {
    profile.values[{u"Server", u"ServerScheme"}] = stored;
    EXPECT_EQ(LoadSettingsFrom(profile, cp, protection).ServerScheme, loaded);
  }
  // A folder name Outlook could not have leaves the default folder.
  for (const auto& [stored, loaded] :
       {std::pair{u" 公司 ", u"公司"}, {u"a\\b", u""}, {u"a\tb", u""}, {u" ", u""}}) {
    profile.values[{u"General", u"OutlookFolder"}] = stored;
    EXPECT_EQ(LoadSettingsFrom(profile, cp, protection).OutlookFolder, loaded);
  }
}

TEST(SettingsCodecTest, UnsavedOrUnprotectablePasswordIsWrittenNowhere) {
  SyncSettings s;
  s.Password = u"secret";
  Latin1CodePage cp;
  for (const auto& [savePassword, refuse] : {std::pair{0, false}, {1, true}}) {
    s.SavePassword = savePassword;
    FakeProfile profile;
    FakeProtection protection;
    protection.refuse = refuse;
    ASSERT_TRUE(SaveSettingsTo(s, profile, protection));
    EXPECT_EQ((profile.values[{u"Server", u"Password"}]), u"");
    EXPECT_EQ((profile.values[{u"Server", u"ProtectedPassword"}]), u"");
    EXPECT_EQ(s.Password, u"secret");
    EXPECT_EQ(LoadSettingsFrom(profile, cp, protection).Password, u"");
  }
}

TEST(SettingsCodecTest, StoredPasswordStopsAtZeroByteAndIgnoresStrayText) {
  Latin1CodePage cp;
  EXPECT_EQ(DecodePassword(Base64Encode(std::string("ab\0cd", 5)), cp), u"ab");
  EXPECT_EQ(DecodePassword(u"c2Vj\r\n cmV0", cp), u"secret");
  EXPECT_EQ(DecodePassword(u"", cp), u"");
}

TEST(SettingsCodecTest, TheSchedulersDatesSurviveADialogSave) {
  FakeProfile profile;
  FakeProtection protection;
  EXPECT_EQ(LoadLastAutoSync(profile), u"");
  SaveLastAutoSync(profile, u"2026-12-07");
  SaveLastAutoSync(profile, u"2026-12-06", ini::kPendingClientSync);
  ASSERT_TRUE(SaveSettingsTo(SyncSettings{}, profile, protection));
  EXPECT_EQ(LoadLastAutoSync(profile), u"2026-12-07");
  EXPECT_EQ(LoadLastAutoSync(profile, ini::kPendingClientSync), u"2026-12-06");
}

TEST(SettingsCodecTest, MachineDefaultsStandBelowTheUsersOwnValues) {
  FakeProfile own, machine;
  machine.values = {{{u"Server", u"ServerHost"}, u"mail.corp"},
                    {{u"General", u"EmailClient"}, u"5"}};
  own.values[{u"General", u"EmailClient"}] = u"6";
  ProfileOverDefaults profile(own, machine);
  Latin1CodePage codePage;
  FakeProtection protection;
  const SyncSettings s = LoadSettingsFrom(profile, codePage, protection);
  EXPECT_EQ(s.ServerHost, u"mail.corp");
  EXPECT_EQ(s.EmailClient, 6);
  ASSERT_TRUE(SaveSettingsTo(s, profile, protection));
  EXPECT_EQ(machine.values.size(), 2u);
}

}  // namespace
