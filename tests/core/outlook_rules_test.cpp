// The Outlook writer's portable rules: the record of what Outlook 2013+ runs
// wrote, and how long Outlook may turn a run's calls away.

#include <gtest/gtest.h>

#include "clients/outlook/contact_folder_record.h"
#include "clients/outlook/known_contact_record.h"
#include "clients/outlook/outlook_waits.h"

namespace {

TEST(KnownContactRecordTest, ComesBackAsWrittenAndDamageRefusesTheWhole) {
  const KnownContactRecord record = {
      {u"00000000A1B2", 0x40E5C2AF1234ABCDull, u"张三\t(\\销售)", u"zhang@corp.example"},
      {u"0000000009FF", 1, u"line\r\nbreak", u""},
  };
  const std::string text = FormatKnownContactRecord(record);
  EXPECT_EQ(FormatKnownContactRecord(ParseKnownContactRecord(text).value()), text);  // one-to-one
  const std::string header = "KESTRANODE_MAIL Outlook contacts 1\n";
  for (const std::string& damaged : std::initializer_list<std::string>{
           text.substr(0, text.size() - 1),  // cut short
           "KESTRANODE_MAIL Outlook contacts 2\n",
           header + "id\t1\tname\n",  // a field missing
           header + "id\t1\tname\tmail\textra\n",
           header + "\t1\tname\tmail\n",  // no EntryID
           header + "id\t\tname\tmail\n",
           header + "id\t1G\tname\tmail\n",
           header + "id\t10000000000000000\tname\tmail\n",  // past 64 bits
           header + "id\t1\tna\\xme\tmail\n",
           header + "id\t1\tname\tmail\\\n",
           header + "id\t1\t\xE5\xBC\tmail\n",
       }) {
    EXPECT_FALSE(ParseKnownContactRecord(damaged)) << damaged;
  }
}

TEST(ContactFolderRecordTest, ComesBackAsWrittenAndDamageIsNoRecord) {
  const ContactFolderRecord record{
      .entryId = u"00000000ABF12", .name = u"公司 通讯录", .created = true};
  const std::string text = FormatContactFolderRecord(record);
  EXPECT_EQ(ParseContactFolderRecord(text), record);
  const ContactFolderRecord kept{.entryId = u"F1", .name = u"x", .created = false};
  EXPECT_EQ(ParseContactFolderRecord(FormatContactFolderRecord(kept)), kept);
  const std::string header = "KESTRANODE_MAIL Outlook folder 1\n";
  for (const std::string& damaged : std::initializer_list<std::string>{
           text.substr(0, text.size() - 1), header, header + "2\tF1\tx\n", header + "1 F1\tx\n",
           header + "1\t\tx\n", header + "1\tF1\n", header + "1\tF1\ta\\b\n", header + "1\tF1\t\n",
           header + "1\tF\t1\tx\n", header + "1\tF\n1\tx\n", header + "1\tF1\t\xE5\xBC\n"}) {
    EXPECT_FALSE(ParseContactFolderRecord(damaged)) << damaged;
  }
  EXPECT_TRUE(IsContactFolderName(std::u16string(64, u'x')));
  EXPECT_FALSE(IsContactFolderName(std::u16string(65, u'x')));
  EXPECT_FALSE(
      IsContactFolderName(u"a\x7F"
                          u"b"));
}

// However many calls Outlook turns away, their pauses together stay within
// the budget, so the run ends.
TEST(OutlookWaitsTest, BusyPausesEndWhenTheirBudgetIsSpent) {
  BusyRetryBudget budget(1000, 300);
  for (int pause = 0; pause < 3; ++pause) EXPECT_EQ(budget.NextPause(), 300u);
  EXPECT_FALSE(budget.NextPause());
  EXPECT_EQ(BusyRetryBudget(300, 300).NextPause(), 300u);
}

}  // namespace
