// The configuration dialog's rules: offered clients, the address text, the
// time list, and what a Save may store.

#include <gtest/gtest.h>

#include "app/client_availability.h"
#include "app/dialog_form.h"

namespace {

TEST(ClientAvailabilityTest, OutlookCurVerMatchesExactly) {
  EXPECT_EQ(OutlookVersionCodeFromCurVer(u"Outlook.Application.11"), 5);
  EXPECT_EQ(OutlookVersionCodeFromCurVer(u"Outlook.Application.12"), 6);
  EXPECT_EQ(OutlookVersionCodeFromCurVer(u"Outlook.Application.14"), 7);
  EXPECT_EQ(OutlookVersionCodeFromCurVer(u"Outlook.Application.15"), 8);
  EXPECT_EQ(OutlookVersionCodeFromCurVer(u"Outlook.Application.16"), 9);
  EXPECT_EQ(OutlookVersionCodeFromCurVer(u"Outlook.Application.7"), 1);
  EXPECT_EQ(OutlookVersionCodeFromCurVer(u"14"), 7);  // no dot: compared whole
  for (const char16_t* none : {u"Outlook.Application.011", u"Outlook.Application.14 ",
                               u"Outlook.Application.160", u"Outlook.Application.16 ",
                               u"Outlook.Application.", u""}) {
    EXPECT_EQ(OutlookVersionCodeFromCurVer(none), 0);
  }
}

TEST(ClientAvailabilityTest, OutlookVersionsExcludeEachOtherAndUnknownKindsAreUnavailable) {
  DetectedClients found;
  found.outlookVersionCode = 6;
  found.foxmail7 = true;
  const ClientAvailability a(found);
  EXPECT_FALSE(a.IsAvailable(ClientOutlookExpress));
  EXPECT_FALSE(a.IsAvailable(ClientOutlook2003));
  EXPECT_TRUE(a.IsAvailable(ClientOutlook2007));
  EXPECT_FALSE(a.IsAvailable(ClientOutlook2010));
  EXPECT_TRUE(a.IsAvailable(ClientFoxmail7));
  EXPECT_FALSE(a.IsAvailable(ClientOutlook2013));
  for (int32_t kind : {-1, 7, 1000, INT32_MIN}) EXPECT_FALSE(a.IsAvailable(kind));

  found.outlookVersionCode = 9;
  EXPECT_TRUE(ClientAvailability(found).IsAvailable(ClientOutlook2013));
  EXPECT_FALSE(ClientAvailability(found).IsAvailable(ClientOutlook2010));
}

TEST(DialogFormTest, AddressTextShowsPortOnlyWhenNot80) {
  SyncSettings s;
  EXPECT_EQ(BuildAddressText(s), u"http://127.0.0.1/mail");
  s.ServerHost = u"mail.corp.example";
  s.ServerPort = 8080;
  s.ServerVirtual = u"webmail/";
  EXPECT_EQ(BuildAddressText(s), u"http://mail.corp.example:8080/webmail/");
  s.ServerPort = 443;
  EXPECT_EQ(BuildAddressText(s), u"http://mail.corp.example:443/webmail/");
  s.ServerScheme = u"https";
  EXPECT_EQ(BuildAddressText(s), u"https://mail.corp.example/webmail/");
  s.ServerPort = 8443;
  EXPECT_EQ(BuildAddressText(s), u"https://mail.corp.example:8443/webmail/");
  s.ServerPort = 80;
  EXPECT_EQ(BuildAddressText(s), u"https://mail.corp.example:80/webmail/");
}

TEST(DialogFormTest, TimeListRunsEveryHalfHour) {
  const auto entries = SyncTimeEntries();
  ASSERT_EQ(entries.size(), 48u);
  EXPECT_EQ(entries.front(), u"00:00");
  EXPECT_EQ(entries[19], u"09:30");
  EXPECT_EQ(entries.back(), u"23:30");
  EXPECT_EQ(SyncTimeIndex(540), 18);
  EXPECT_EQ(SyncTimeIndex(0), 0);
  EXPECT_EQ(SyncTimeIndex(1410), 47);
  for (int32_t none : {-30, 545, 1440, 100000}) EXPECT_EQ(SyncTimeIndex(none), -1);
}

DialogInput GoodInput() {
  DialogInput in;
  in.clientChoice = 5;
  in.address = {true, false, u"mail.corp.example", 8080, u"/webmail/"};
  in.levelIndex = 1;
  in.typeIndex = 0;
  in.timeIndex = 19;
  in.account = u"  zhang@corp.example ";
  in.password = u"\tsecret  ";
  in.savePassword = true;
  return in;
}

TEST(DialogFormTest, AcceptedSaveStoresTrimmedValues) {
  SyncSettings current;
  const SaveCheck c = CheckSave(GoodInput(), current);
  ASSERT_FALSE(c.refusal);
  EXPECT_EQ(c.settings.EmailClient, 5);
  EXPECT_EQ(c.settings.ServerScheme, u"http");
  EXPECT_EQ(c.settings.ServerHost, u"mail.corp.example");
  EXPECT_EQ(c.settings.ServerPort, 8080);
  EXPECT_EQ(c.settings.ServerVirtual, u"webmail/");
  EXPECT_EQ(c.settings.SyncLevel, 1);
  EXPECT_EQ(c.settings.SyncType, 0);
  EXPECT_EQ(c.settings.SyncTime, 570);
  EXPECT_EQ(c.settings.Account, u"zhang@corp.example");
  EXPECT_EQ(c.settings.Password, u"secret");
  EXPECT_EQ(c.settings.SavePassword, 1);
}

TEST(DialogFormTest, NothingChosenIsStoredAsMinusOneAndMinusThirty) {
  DialogInput in = GoodInput();
  in.clientChoice = -1;
  in.levelIndex = in.typeIndex = in.timeIndex = -1;
  in.address.path.clear();
  const SaveCheck c = CheckSave(in, SyncSettings{});
  ASSERT_FALSE(c.refusal);
  EXPECT_EQ(c.settings.EmailClient, -1);
  EXPECT_EQ(c.settings.SyncLevel, -1);
  EXPECT_EQ(c.settings.SyncType, -1);
  EXPECT_EQ(c.settings.SyncTime, -30);
  EXPECT_EQ(c.settings.ServerVirtual, u"");

  in.address.https = true;
  EXPECT_EQ(CheckSave(in, SyncSettings{}).settings.ServerScheme, u"https");
}

TEST(DialogFormTest, RefusalsComeInOrderAndChangeNothing) {
  DialogInput in = GoodInput();
  in.account = u" \u3000 ";
  in.password = u"";
  EXPECT_EQ(*CheckSave(in, {}).refusal, u"邮箱全称不能为空");
  in.account = u"a";
  EXPECT_EQ(*CheckSave(in, {}).refusal, u"邮箱密码不能为空");
  in.password = u"   ";
  EXPECT_EQ(*CheckSave(in, {}).refusal, u"邮箱密码不能为空");
  in.password = u"p";
  in.address.parsed = false;
  EXPECT_EQ(*CheckSave(in, {}).refusal, kAddressInvalidText);
  in.address = {true, false, u"", 80, u"/mail"};
  EXPECT_EQ(*CheckSave(in, {}).refusal, kAddressInvalidText);
  in.address = {true, false, u"h", 0, u"/mail"};
  EXPECT_EQ(*CheckSave(in, {}).refusal, kPortInvalidText);
  in.address.port = 65536;
  EXPECT_EQ(*CheckSave(in, {}).refusal, kPortInvalidText);
  in.address.port = 65535;
  EXPECT_FALSE(CheckSave(in, {}).refusal);
}

TEST(DialogFormTest, StartingInTheTrayNeedsAccountSavedPasswordAndWritableClient) {
  SyncSettings s;
  s.Account = u"zhang@corp.example";
  s.Password = u"secret";
  s.SavePassword = 1;
  for (int32_t kind : {-1, 0, 1, 2, 3, 4, 5, 6, 7}) {
    s.EmailClient = kind;
    EXPECT_EQ(SettingsComplete(s), kind >= 0 && kind <= 6 && kind != 4) << kind;
  }
  auto without = [&](auto change) { SyncSettings t = s; change(t); return SettingsComplete(t); };
  EXPECT_FALSE(without([](SyncSettings& t) { t.SavePassword = 0; }));  // the dialog must ask
  EXPECT_FALSE(without([](SyncSettings& t) { t.Password.clear(); }));
  EXPECT_FALSE(without([](SyncSettings& t) { t.Account = u" "; }));
}

}  // namespace
