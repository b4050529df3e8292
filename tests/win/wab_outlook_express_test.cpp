// The address-book wrapper's property texts and entry handling, against
// the fake address-book library.

#include <gtest/gtest.h>

#include <algorithm>

#include "clients/wab/wab_outlook_express_win.h"
#include "tests/doubles/fake_wab_control.h"
#include "win_test_support.h"

namespace {

using Lines = std::vector<std::u16string>;

constexpr ULONG kBirthdayI2 = PROP_TAG(PT_I2, 0x6001);
constexpr ULONG kBirthdayTime = PROP_TAG(PT_SYSTIME, 0x3A42);
constexpr ULONG kGenderLong = PROP_TAG(PT_LONG, 0x3A4D);

class WabOutlookExpressTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(wab_.loaded()); }
  void TearDown() override {
    book_.CloseAddressBook();
    EXPECT_EQ(wab_.LiveObjects(), 0);
    EXPECT_EQ(wab_.OpenBuffers(), 0);
    EXPECT_EQ(wab_.Misuses(), 0);
  }

  std::u16string Read(ULONG tag, const std::u16string& defaultText = u"(default)") {
    std::u16string text = u"(untouched)";
    if (!book_.GetPropertyText(tag, text, defaultText)) text += u" (false)";
    return text;
  }
  // Writes one property of the entry at `position` and saves it.
  Lines Written(int position, ULONG tag, const std::u16string& text) {
    EXPECT_EQ(book_.SelectEntry(position), position);
    EXPECT_TRUE(book_.SetPropertyText(tag, text));
    EXPECT_TRUE(book_.SaveCurrentEntry());
    return wab_.EntryProperties(position);
  }

  FakeWab wab_{HostPath(TW_FAKE_WAB_DLL)};
  CWABOutlookExpress book_;
};

TEST_F(WabOutlookExpressTest, ReadsTextsNumbersAndDatesOfTheCurrentEntry) {
  const int zhang = wab_.AddMailUser(u"张伟", u"zw@corp.example", u"");
  wab_.SetProperty(zhang, kBirthdayI2, u"-12");
  wab_.SetProperty(zhang, kBirthdayTime, u"2024-02-29 13:05:09");
  wab_.SetProperty(zhang, kGenderLong, u"2");
  wab_.SetProperty(zhang, PROP_TAG(PT_ERROR, PROP_ID(PR_NICKNAME_W)), u"0x8004010F");
  ASSERT_TRUE(book_.OpenAddressBook());
  ASSERT_EQ(book_.GetEntryCount(), 1u);

  // Texts come through the thread's code page (936 here) unchanged.
  EXPECT_EQ(Read(PR_DISPLAY_NAME_W), u"张伟");
  EXPECT_EQ(Read(kBirthdayI2), u"-12");
  EXPECT_EQ(Read(kBirthdayTime), u"2024-02-29 13:05:09");
  // The type half of the tag is not compared; a value of another type
  // (here a number, or an error value) keeps the default.
  EXPECT_EQ(Read(PROP_TAG(PT_UNICODE, 0x3A4D)), u"(default)");
  EXPECT_EQ(Read(PR_NICKNAME_W), u"(default)");
  EXPECT_EQ(Read(kGenderLong), u"(default)");
  EXPECT_EQ(Read(PROP_TAG(PT_UNICODE, 0x3A50)), u"(default) (false)");  // not there
  EXPECT_EQ(Read(kNoPropertyTag), u"(untouched) (false)");
}

TEST_F(WabOutlookExpressTest, WritesTextsNumbersAndDatesAndDeletesOnEmpty) {
  wab_.AddMailUser(u"Li", u"li@corp.example", u"old");
  ASSERT_TRUE(book_.OpenAddressBook());

  EXPECT_EQ(
      Written(0, kBirthdayI2, u" 70000xyz"),
      (Lines{u"3001001F=Li", u"3003001F=li@corp.example", u"3A4F001F=old", u"60010002=4464"}));
  EXPECT_EQ(Written(0, kBirthdayI2, u"abc").back(), u"60010002=0");
  EXPECT_EQ(Written(0, kBirthdayTime, u"2023-1-2 3:4:5"),
            (Lines{u"3001001F=Li", u"3003001F=li@corp.example", u"3A420040=2023-01-02 03:04:05",
                   u"3A4F001F=old", u"60010002=0"}));
  EXPECT_EQ(Written(0, PR_NICKNAME_W, u""),
            (Lines{u"3001001F=Li", u"3003001F=li@corp.example", u"3A420040=2023-01-02 03:04:05",
                   u"60010002=0"}));
  const std::u16string longName(600, u'名');
  EXPECT_EQ(Written(0, PR_DISPLAY_NAME_W, longName).front(),
            u"3001001F=" + longName.substr(0, 511));

  // A date that is no date writes nothing (the old value is gone).
  book_.SelectEntry(0);
  EXPECT_FALSE(book_.SetPropertyText(kBirthdayTime, u"soon"));
}

TEST_F(WabOutlookExpressTest, OnlyMailUsersBecomeCurrent) {
  wab_.AddDistList(u"Team", nullptr);
  wab_.AddMailUser(u"A", u"a@corp.example", nullptr);
  ASSERT_TRUE(book_.OpenAddressBook());
  EXPECT_EQ(book_.GetEntryCount(), 2u);

  EXPECT_EQ(book_.SelectEntry(1), 1);
  EXPECT_EQ(book_.SelectEntry(0), -1);
  EXPECT_FALSE(book_.SetPropertyText(PR_NICKNAME_W, u"x"));
  EXPECT_FALSE(book_.DeleteCurrentEntry());
  EXPECT_EQ(book_.SelectEntry(2), -1);
  EXPECT_EQ(book_.SelectEntry(-1), -1);
  book_.CloseAddressBook();
  EXPECT_EQ(book_.GetEntryCount(), 0u);
  EXPECT_EQ(book_.SelectEntry(0), -1);
}

TEST_F(WabOutlookExpressTest, NewEntriesWaitForTheirSave) {
  ASSERT_TRUE(book_.OpenAddressBook());
  ASSERT_TRUE(book_.CreateMailUser(u"New"));
  EXPECT_EQ(book_.GetEntryCount(), 1u);
  EXPECT_EQ(Read(PR_DISPLAY_NAME_W), u"New");
  EXPECT_EQ(wab_.Entries(), Lines{});
  EXPECT_TRUE(book_.SaveCurrentEntry());
  EXPECT_EQ(wab_.Entries(), (Lines{u"New||"}));
  EXPECT_FALSE(book_.CreateMailUser(u""));
}

TEST_F(WabOutlookExpressTest, PassesTheFlagsTheAddressBookExpects) {
  wab_.AddMailUser(u"B", u"b@corp.example", u"KESTRANODE_MAIL");
  ASSERT_TRUE(book_.OpenAddressBook());
  ASSERT_TRUE(book_.DeleteCurrentEntry());
  ASSERT_TRUE(book_.CreateMailUser(u"New"));
  ASSERT_TRUE(book_.SaveCurrentEntry());

  const Lines calls = wab_.Calls();
  auto has = [&calls](const std::u16string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  };
  EXPECT_TRUE(has(u"OpenEntry(1,00000010)"));  // the container, best access
  EXPECT_TRUE(has(u"GetContentsTable(00100000)"));
  EXPECT_TRUE(has(u"QueryRows(1,00000000)"));    // all rows, the cursor advancing
  EXPECT_TRUE(has(u"OpenEntry(100,00000010)"));  // the entry, best access
  EXPECT_TRUE(has(u"DeleteEntries(100,00000000)"));
  EXPECT_TRUE(has(u"ContainerGetProps(36120102,36110102,00000000)"));
  EXPECT_TRUE(has(u"CreateEntry(2,00000000)"));  // the template, no duplicate check
  EXPECT_TRUE(has(u"SaveChanges(00000000)"));
}

}  // namespace
