// Administrator presets: which values the installer accepts, what they
// become in AddrBookSync.ini, and the message that ends an installation
// with a bad one. The address split itself is the dialog's, tested with it.

#include <gtest/gtest.h>

#include "app/presets.h"

namespace {

AddressParts Unparsable(const std::u16string&) { return {}; }

// The values a check would write, as "Section.Key=value" lines.
std::u16string Written(const PresetCheck& check) {
  std::u16string out;
  for (const auto& setting : check.settings) {
    for (const auto& [key, value] : setting.keys) {
      out += setting.section + u"." + key + u"=" + value + u"\n";
    }
  }
  return out;
}

TEST(PresetsTest, AcceptedValuesBecomeTheFileForm) {
  struct Case {
    Presets presets;
    const char16_t* written;
  } cases[] = {
      {{}, u""},
      {{.client = u"0", .syncLevel = u"1", .syncType = u"1", .syncTime = u"9:00",
        .spread = u"0"},
       u"General.EmailClient=0\nGeneral.SyncLevel=1\nGeneral.SyncType=1\nGeneral.SyncTime=540\n"
       u"General.SyncSpread=0\n"},
      {{.client = u" 6 ", .syncLevel = u"0", .syncType = u"0", .syncTime = u"23:30",
        .spread = u"120"},
       u"General.EmailClient=6\nGeneral.SyncLevel=0\nGeneral.SyncType=0\nGeneral.SyncTime=1410\n"
       u"General.SyncSpread=120\n"},
      {{.client = u"5", .syncTime = u"00:00"}, u"General.EmailClient=5\nGeneral.SyncTime=0\n"},
      {{.syncTime = u"09:30", .spread = u"015"}, u"General.SyncTime=570\nGeneral.SyncSpread=15\n"},
  };
  for (const auto& c : cases) {
    const PresetCheck check = CheckPresets(c.presets, Unparsable);
    EXPECT_FALSE(check.refusal);
    EXPECT_EQ(Written(check), c.written);
  }
}

TEST(PresetsTest, TheAddressIsStoredAsTheDialogStoresIt) {
  Presets presets;
  presets.webmail = u" https://mail.corp.example:8443/mail/ ";
  std::u16string splitText;
  const PresetCheck check = CheckPresets(presets, [&](const std::u16string& text) {
    splitText = text;
    return AddressParts{true, true, u"mail.corp.example", 8443, u"/mail/"};
  });
  EXPECT_FALSE(check.refusal);
  EXPECT_EQ(splitText, u"https://mail.corp.example:8443/mail/");
  EXPECT_EQ(Written(check),
            u"Server.ServerHost=mail.corp.example\nServer.ServerVirtual=mail/\n"
            u"Server.ServerPort=8443\nServer.ServerScheme=https\n");
  // The host key stands for the whole address: a file that has one keeps it.
  ASSERT_EQ(check.settings.size(), 1u);
  EXPECT_EQ(check.settings[0].keys.front().first, u"ServerHost");
}

TEST(PresetsTest, BadValuesAreRefusedByNameAndNothingIsWritten) {
  struct Case {
    Presets presets;
    const char16_t* refusalStart;
  } cases[] = {
      {{.webmail = u"mail.corp.example"}, u"预设 WEBMAIL=mail.corp.example 无效：Webmail地址无效"},
      {{.client = u"4"}, u"预设 CLIENT=4 无效：邮件客户端应为"},
      {{.client = u"7"}, u"预设 CLIENT=7 无效："},
      {{.client = u"-1"}, u"预设 CLIENT=-1 无效："},
      {{.client = u"Outlook"}, u"预设 CLIENT=Outlook 无效："},
      {{.syncLevel = u"2"}, u"预设 SYNCLEVEL=2 无效：同步级别应为"},
      {{.syncType = u"1.0"}, u"预设 SYNCTYPE=1.0 无效：同步类型应为"},
      {{.syncTime = u"09:15"}, u"预设 SYNCTIME=09:15 无效：同步时间应为整点或半点"},
      {{.syncTime = u"24:00"}, u"预设 SYNCTIME=24:00 无效："},
      {{.syncTime = u"9:0"}, u"预设 SYNCTIME=9:0 无效："},
      {{.syncTime = u"0930"}, u"预设 SYNCTIME=0930 无效："},
      {{.syncTime = u"09:30:00"}, u"预设 SYNCTIME=09:30:00 无效："},
      {{.spread = u"121"}, u"预设 SPREAD=121 无效：分散时间应为 0 到 120 之间的分钟数"},
      {{.spread = u"-5"}, u"预设 SPREAD=-5 无效："},
      {{.spread = u"99999999"}, u"预设 SPREAD=99999999 无效："},
      // The first bad one is named, even after good ones.
      {{.client = u"5", .syncLevel = u"0", .syncType = u"0", .syncTime = u"25:00",
        .spread = u"500"},
       u"预设 SYNCTIME=25:00 无效："},
  };
  for (const auto& c : cases) {
    const PresetCheck check = CheckPresets(c.presets, Unparsable);
    ASSERT_TRUE(check.refusal);
    const std::u16string start = c.refusalStart;
    EXPECT_EQ(check.refusal->substr(0, start.size()), start);
    EXPECT_TRUE(check.settings.empty());
  }
}

TEST(PresetsTest, DataForTheDeferredStepSurvivesLineBreaksAndBackslashes) {
  const Presets presets{u"http://a\\b\nc", u"5", u"", u"1", u"09:00", u"\\n"};
  const std::u16string data = EncodePresetData(u"C:\\Users\\u\\AddrBookSync.ini", presets);
  std::u16string path;
  Presets back;
  ASSERT_TRUE(DecodePresetData(data, path, back));
  EXPECT_EQ(path, u"C:\\Users\\u\\AddrBookSync.ini");
  EXPECT_EQ(back.webmail, presets.webmail);
  EXPECT_EQ(back.client, u"5");
  EXPECT_EQ(back.syncLevel, u"");
  EXPECT_EQ(back.spread, u"\\n");
  EXPECT_FALSE(DecodePresetData(u"only\none", path, back));
  EXPECT_FALSE(DecodePresetData(u"a\\x\n\n\n\n\n\n", path, back));
}

}  // namespace
