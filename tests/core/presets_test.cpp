// Administrator presets: which values the installer accepts, what they
// become in AddrBookSync.ini, and the message that ends an installation
// with a bad one. The address goes through the dialog's own split and rule,
// tested with the dialog and through the installer.

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "app/presets.h"
#include "common/utf_convert.h"

namespace {

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

struct Profile : IProfile {
  std::map<std::u16string, std::u16string> values;
  bool writable = true;
  int32_t ReadInt(const std::u16string& s, const std::u16string& k, int32_t d) override {
    const auto it = values.find(s + u"." + k);
    return it == values.end() ? d : std::stoi(Utf16ToUtf8(it->second));
  }
  std::u16string ReadString(const std::u16string& s, const std::u16string& k,
                            const std::u16string& d) override {
    const auto it = values.find(s + u"." + k);
    return it == values.end() ? d : it->second;
  }
  bool WriteString(const std::u16string& s, const std::u16string& k,
                   const std::u16string& v) override {
    if (writable) values[s + u"." + k] = v;
    return writable;
  }
};

TEST(PresetsTest, AcceptedValuesBecomeTheFileForm) {
  struct Case {
    Presets presets;
    const char16_t* written;
  } cases[] = {
      {{}, u""},
      {{.client = u"0", .syncLevel = u"1", .syncType = u"1", .syncTime = u"0:00", .spread = u"0"},
       u"General.EmailClient=0\nGeneral.SyncLevel=1\nGeneral.SyncType=1\nGeneral.SyncTime=0\n"
       u"General.SyncSpread=0\n"},
      {{.client = u" 6 ",
        .syncLevel = u"0",
        .syncType = u"0",
        .syncTime = u"23:30",
        .spread = u"120"},
       u"General.EmailClient=6\nGeneral.SyncLevel=0\nGeneral.SyncType=0\nGeneral.SyncTime=1410\n"
       u"General.SyncSpread=120\n"},
      {{.syncTime = u"09:30", .spread = u"015"}, u"General.SyncTime=570\nGeneral.SyncSpread=15\n"},
      {{.outlookFolder = u" 公司通讯录 "}, u"General.OutlookFolder=公司通讯录\n"},
  };
  for (const auto& c : cases) {
    const PresetCheck check = CheckPresets(c.presets);
    EXPECT_FALSE(check.refusal);
    EXPECT_EQ(Written(check), c.written);
  }
}

TEST(PresetsTest, BadValuesAreRefusedByNameAndNothingIsWritten) {
  struct Case {
    Presets presets;
    const char16_t* refusalStart;
  } cases[] = {
      {{.webmail = u"mail.corp.example"}, u"预设 WEBMAIL=mail.corp.example 无效：Webmail地址无效"},
      {{.client = u"4"}, u"预设 CLIENT=4 无效：邮件客户端应为"},
      {{.client = u"Outlook"}, u"预设 CLIENT=Outlook 无效："},
      {{.syncLevel = u"2"}, u"预设 SYNCLEVEL=2 无效：同步级别应为"},
      {{.syncType = u"1.0"}, u"预设 SYNCTYPE=1.0 无效：同步类型应为"},
      {{.syncType = u"2"}, u"预设 SYNCTYPE=2 无效："},
      {{.syncTime = u"09:15"}, u"预设 SYNCTIME=09:15 无效：同步时间应为整点或半点"},
      {{.syncTime = u"24:00"}, u"预设 SYNCTIME=24:00 无效："},
      {{.syncTime = u"0930"}, u"预设 SYNCTIME=0930 无效："},
      {{.syncTime = u"09:30:00"}, u"预设 SYNCTIME=09:30:00 无效："},
      {{.spread = u"121"}, u"预设 SPREAD=121 无效：分散时间应为 0 到 120 之间的分钟数"},
      {{.spread = u"99999999"}, u"预设 SPREAD=99999999 无效："},
      {{.spread = u"0000015"}, u"预设 SPREAD=0000015 无效："},  // six digits at most
      {{.outlookFolder = u"公司\\通讯录"},
       u"预设 OUTLOOKFOLDER=公司\\通讯录 无效：联系人文件夹名称无效"},
      // The first bad one is named, even after good ones.
      {{.client = u"5",
        .syncLevel = u"0",
        .syncType = u"0",
        .syncTime = u"25:00",
        .spread = u"500"},
       u"预设 SYNCTIME=25:00 无效："},
  };
  for (const auto& c : cases) {
    const PresetCheck check = CheckPresets(c.presets);
    ASSERT_TRUE(check.refusal);
    const std::u16string start = c.refusalStart;
    EXPECT_EQ(check.refusal->substr(0, start.size()), start);
    EXPECT_TRUE(check.settings.empty());
  }
}

// A file that takes no writes fails the installation instead of leaving
// the presets out silently; a value the user saved is never written over.
TEST(PresetsTest, OnlyMissingValuesAreWrittenAndEachMustReadBack) {
  Profile file;
  file.values[u"General.SyncTime"] = u"600";
  const PresetCheck check = CheckPresets({.client = u"6", .syncTime = u"09:00"});
  ASSERT_TRUE(ApplyPresets(check.settings, file));
  EXPECT_EQ(file.values, (std::map<std::u16string, std::u16string>{{u"General.EmailClient", u"6"},
                                                                   {u"General.SyncTime", u"600"}}));
  // The machine's defaults take what the administrator gives again.
  ASSERT_TRUE(ApplyPresets(check.settings, file, PresetTarget::MachineDefaults));
  EXPECT_EQ(file.values[u"General.SyncTime"], u"540");

  file.values.clear();
  file.writable = false;
  EXPECT_FALSE(ApplyPresets(check.settings, file));
}

// What the machine's defaults hold reads back; a preset given again wins.
TEST(PresetsTest, MachineDefaultsWrittenReadBackAsThePresetsThatWroteThem) {
  Profile machine;
  for (const char16_t* time : {u"0:00", u"23:30"}) {
    const Presets given{
        u"https://mail.corp:8443/webmail", u"5", u"1", u"0", time, u"20", u"公司通讯录"};
    ASSERT_TRUE(ApplyPresets(CheckPresets(given).settings, machine, PresetTarget::MachineDefaults));
    EXPECT_EQ(Written(CheckPresets(KeepMachinePresets({}, machine))), Written(CheckPresets(given)));
  }
  const Presets again = KeepMachinePresets({.client = u"6", .syncTime = u"7:00"}, machine);
  EXPECT_EQ(again.client + u" " + again.syncTime + u" " + again.webmail,
            u"6 7:00 https://mail.corp:8443/webmail");
}

TEST(PresetsTest, DataForTheDeferredStepSurvivesLineBreaksAndBackslashes) {
  const Presets presets{u"http://a\\b\nc", u"5", u"", u"1", u"09:00", u"\\n", u"公司通讯录"};
  std::u16string path;
  Presets back;
  ASSERT_TRUE(DecodePresetData(EncodePresetData(u"C:\\u\\AddrBookSync.ini", presets), path, back));
  EXPECT_EQ(path, u"C:\\u\\AddrBookSync.ini");
  EXPECT_EQ(std::tie(back.webmail, back.client, back.syncLevel, back.syncType, back.syncTime,
                     back.spread, back.outlookFolder),
            std::tie(presets.webmail, presets.client, presets.syncLevel, presets.syncType,
                     presets.syncTime, presets.spread, presets.outlookFolder));
  EXPECT_FALSE(DecodePresetData(u"only\none", path, back));
  for (const char16_t* bad : {u"\\x\n\n\n\n\n\n\n", u"\n\n\n\n\n\n\n\\"})
    EXPECT_FALSE(DecodePresetData(bad, path, back));
}

}  // namespace
