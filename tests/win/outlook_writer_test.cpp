// The Outlook writer against the fake Outlook automation server.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "clients/outlook/service_outlook_sync_win.h"
#include "common/utf_convert.h"
#include "tests/doubles/fake_outlook_control.h"
#include "tests/doubles/fake_outlook_server_control.h"
#include "win_test_support.h"

namespace {

using Lines = std::vector<std::u16string>;

constexpr char16_t kMarker[] = u"KESTRANODE_MAIL";
constexpr char16_t kFindCall[] = u"Items.Find('[NickName] = 'KESTRANODE_MAIL'')";
constexpr DISPID kFind = 0x62;
constexpr DISPID kSave = 0xF048;
constexpr DISPID kNickName = 0x3A4F;
constexpr DISPID kGetDefaultFolder = 0x210B;
constexpr DISPID kDelete = 0xF04A;

// Every case runs against a store whose search keeps its place behind the
// last item found, and against one whose place is a position that a delete
// shifts, so that walking forwards while deleting skips items.
class OutlookWriterTest : public testing::TestWithParam<FakeOutlook::Cursor> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    ASSERT_TRUE(outlook_.loaded());
    outlook_.SetFindCursor(GetParam());
  }
  void TearDown() override {
    // Whatever happened, the writer released every reference it took.
    EXPECT_EQ(outlook_.LiveObjects(), 0);
    EXPECT_EQ(outlook_.Misuses(), 0);
  }

  bool Sync(const AddrContactList& contacts,
            OutlookWriteMode mode = OutlookWriteMode::ReplaceAll) {
    CServiceOutlookSync writer(mode);
    const bool ok = writer.SyncContacts(contacts);
    errorText_ = writer.GetLastErrorText();
    return ok;
  }
  Lines Contacts() const { return outlook_.Contacts(FakeOutlook::kContactsFolder); }
  void ResetOutlook() {
    outlook_.Reset();
    outlook_.SetFindCursor(GetParam());
  }

  ScopedComInit com_;  // as every sync run has
  FakeOutlook outlook_{HostPath(TW_FAKE_OUTLOOK_DLL)};
  std::u16string errorText_;
};

TEST_P(OutlookWriterTest, ReplacesTheMarkedContactsOfTheContactsFolderOnly) {
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M1", u"m1@corp.example", kMarker);
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"Own", u"own@corp.example", u"");
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M2", u"m2@corp.example", kMarker);
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M3", u"m3@corp.example", kMarker);
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"Friend", u"f@corp.example", u"pal");
  outlook_.AddContact(FakeOutlook::kOtherFolder, u"Elsewhere", u"e@corp.example", kMarker);
  outlook_.AddContact(FakeOutlook::kOtherFolder, u"Other", u"o@corp.example", u"");

  ASSERT_TRUE(Sync({{u"张伟", u"zhangwei@corp.example"}, {u"李娜", u"lina@corp.example"}}));
  EXPECT_EQ(errorText_, u"");
  EXPECT_EQ(Contacts(), (Lines{u"Own|own@corp.example|", u"Friend|f@corp.example|pal",
                               u"张伟|zhangwei@corp.example|KESTRANODE_MAIL",
                               u"李娜|lina@corp.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(outlook_.Contacts(FakeOutlook::kOtherFolder),
            (Lines{u"Elsewhere|e@corp.example|KESTRANODE_MAIL", u"Other|o@corp.example|"}));
}

TEST_P(OutlookWriterTest, MakesTheCallsOutlookExpectsInOrder) {
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"Old", u"old@corp.example", kMarker);
  ASSERT_TRUE(Sync({{u"New", u"new@corp.example"}}));
  EXPECT_EQ(outlook_.Calls(),
            (Lines{u"CreateInstance", u"Application.GetNamespace('MAPI')",
                   u"Namespace.GetDefaultFolder(10)", u"Folder.Items()", u"Items.Count()",
                   kFindCall, u"ContactItem.Delete()", u"Items.FindNext()", kFindCall,
                   u"Application.CreateItem(2)", u"ContactItem.FullName('New')",
                   u"ContactItem.Email1Address('new@corp.example')",
                   u"ContactItem.NickName('KESTRANODE_MAIL')", u"ContactItem.Save()",
                   u"Namespace.GetDefaultFolder(3)", u"Folder.Items()", u"Items.Count()",
                   kFindCall, u"ContactItem.Delete()", u"Items.FindNext()", kFindCall}));
}

TEST_P(OutlookWriterTest, NamesAndAddressesAreWrittenUnchanged) {
  ASSERT_TRUE(Sync({{u"", u"noname@corp.example"}, {u"  王 芳 ", u""}}));
  EXPECT_EQ(Contacts(),
            (Lines{u"|noname@corp.example|KESTRANODE_MAIL", u"  王 芳 ||KESTRANODE_MAIL"}));
}

TEST_P(OutlookWriterTest, AnEmptyListOnlyDeletes) {
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M", u"m@corp.example", kMarker);
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"Own", u"own@corp.example", u"");
  ASSERT_TRUE(Sync({}));
  EXPECT_EQ(Contacts(), (Lines{u"Own|own@corp.example|"}));
}

TEST_P(OutlookWriterTest, RunningTwiceLeavesTheSameMarkedContacts) {
  const AddrContactList contacts{{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}};
  ASSERT_TRUE(Sync(contacts));
  const Lines once = Contacts();
  ASSERT_TRUE(Sync(contacts));
  EXPECT_EQ(Contacts(), once);
  EXPECT_EQ(once.size(), 2u);
}

TEST_P(OutlookWriterTest, WithoutOutlookTheRunFailsAndSaysSo) {
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M", u"m@corp.example", kMarker);
  outlook_.FailCreate(CO_E_SERVER_EXEC_FAILURE);  // what an elevated program gets
  EXPECT_FALSE(Sync({{u"A", u"a@corp.example"}}));
  EXPECT_EQ(errorText_, u"无法启动Outlook：0x80080005");

  outlook_.FailCreate(S_OK);
  outlook_.Unregister();
  EXPECT_FALSE(Sync({{u"A", u"a@corp.example"}}));
  EXPECT_EQ(errorText_, u"无法启动Outlook：0x800401F3");
  EXPECT_EQ(Contacts(), (Lines{u"M|m@corp.example|KESTRANODE_MAIL"}));
}

TEST_P(OutlookWriterTest, AFailingCallEndsTheRunWithOutlooksDescriptionOrItsStatus) {
  const struct {
    DISPID member;
    int occurrence;
    HRESULT status;
    const char16_t* description;  // null: a plain failure status, no exception
    const char16_t* expectedText;
  } cases[] = {
      {kSave, 2, E_FAIL, u"磁盘已满。", u"Outlook调用失败：磁盘已满。"},
      {kNickName, 1, static_cast<HRESULT>(0x80040109), u"", u"Outlook调用失败：0x80040109"},
      {kFind, 1, E_ACCESSDENIED, nullptr, u"Outlook调用失败：0x80070005"},
      {kGetDefaultFolder, 1, static_cast<HRESULT>(0x8004010F), nullptr,
       u"Outlook调用失败：0x8004010F"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.member);
    ResetOutlook();
    outlook_.AddContact(FakeOutlook::kContactsFolder, u"M", u"m@corp.example", kMarker);
    outlook_.FailCall(c.member, c.occurrence, c.status, c.description);
    EXPECT_FALSE(Sync({{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}}));
    EXPECT_EQ(errorText_, c.expectedText);
    EXPECT_EQ(outlook_.LiveObjects(), 0);
  }
}

TEST_P(OutlookWriterTest, WhatWasDoneBeforeAFailureStays) {
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M1", u"m1@corp.example", kMarker);
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M2", u"m2@corp.example", kMarker);
  outlook_.FailCall(kSave, 2, E_FAIL, u"磁盘已满。");
  EXPECT_FALSE(
      Sync({{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}, {u"C", u"c@corp.example"}}));
  EXPECT_EQ(Contacts(), (Lines{u"A|a@corp.example|KESTRANODE_MAIL"}));

  ResetOutlook();
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M1", u"m1@corp.example", kMarker);
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M2", u"m2@corp.example", kMarker);
  outlook_.FailCall(kDelete, 2, E_FAIL, nullptr);
  EXPECT_FALSE(Sync({{u"A", u"a@corp.example"}}));
  EXPECT_EQ(Contacts(), (Lines{u"M2|m2@corp.example|KESTRANODE_MAIL"}));
}

TEST_P(OutlookWriterTest, ABusyOutlookIsWaitedFor) {
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M", u"m@corp.example", kMarker);
  outlook_.RejectCalls(3, RPC_E_SERVERCALL_RETRYLATER);
  ASSERT_TRUE(Sync({{u"A", u"a@corp.example"}}));
  EXPECT_EQ(outlook_.Rejected(), 3);
  outlook_.RejectCalls(2, RPC_E_CALL_REJECTED);
  ASSERT_TRUE(Sync({{u"A", u"a@corp.example"}}));
  EXPECT_EQ(outlook_.Rejected(), 5);
  EXPECT_EQ(Contacts(), (Lines{u"A|a@corp.example|KESTRANODE_MAIL"}));
}

TEST_P(OutlookWriterTest, TwoRunsLeaveNoMarkedItemInDeletedItems) {
  outlook_.AddContact(FakeOutlook::kDeletedItemsFolder, u"Binned", u"b@corp.example", u"");
  outlook_.AddContact(FakeOutlook::kDeletedItemsFolder, u"Old", u"old@corp.example", kMarker);
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M", u"m@corp.example", kMarker);
  const AddrContactList contacts{{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}};
  ASSERT_TRUE(Sync(contacts));
  ASSERT_TRUE(Sync(contacts));
  EXPECT_EQ(outlook_.Contacts(FakeOutlook::kDeletedItemsFolder),
            (Lines{u"Binned|b@corp.example|"}));
  EXPECT_EQ(Contacts(),
            (Lines{u"A|a@corp.example|KESTRANODE_MAIL", u"B|b@corp.example|KESTRANODE_MAIL"}));
}

TEST_P(OutlookWriterTest, ASearchThatDoesNotEndIsStoppedAndNothingIsCreated) {
  const struct {
    const char* what;
    FakeOutlook::Cursor cursor;
    bool deletesIgnored;
    int markedItems;
    OutlookWriteMode mode;
  } cases[] = {
      {"FindNext answers the same item again", FakeOutlook::Cursor::Stuck, false, 2,
       OutlookWriteMode::ReplaceAll},
      {"Delete leaves the item in place", GetParam(), true, 2, OutlookWriteMode::ReplaceAll},
      // More stale items than one walk of the changes-only writer holds.
      {"Delete leaves 150 items in place, changes only", GetParam(), true, 150,
       OutlookWriteMode::ChangesOnly},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetOutlook();
    outlook_.SetFindCursor(c.cursor);
    outlook_.IgnoreDeletes(c.deletesIgnored);
    for (int i = 0; i < c.markedItems; ++i) {
      const std::u16string n = AsciiToUtf16(std::to_string(i));
      outlook_.AddContact(FakeOutlook::kContactsFolder, u"M" + n, n + u"@corp.example", kMarker);
    }
    EXPECT_FALSE(Sync({{u"A", u"a@corp.example"}}, c.mode));
    EXPECT_EQ(errorText_, u"Outlook调用失败：查找带标记的联系人无法结束");
    const Lines calls = outlook_.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), u"Application.CreateItem(2)"), 0);
  }
}

// Outlook 2013+ writes only the difference.
TEST_P(OutlookWriterTest, ChangesOnlyMatchesNameAndAddressAsMultisets) {
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"A", u"a@corp.example", u"");  // the user's
  for (const auto& [name, email] : std::vector<std::pair<const char16_t*, const char16_t*>>{
           {u"A", u"a@corp.example"},
           {u"A", u"a@corp.example"},
           {u"B", u"b@corp.example"},
           {u"C", u"c-old@corp.example"},
           {u"D-old", u"d@corp.example"},
           {u"", u"e@corp.example"}}) {
    outlook_.AddContact(FakeOutlook::kContactsFolder, name, email, kMarker);
  }
  outlook_.AddContact(FakeOutlook::kOtherFolder, u"C", u"c-old@corp.example", kMarker);

  ASSERT_TRUE(Sync({{u"A", u"a@corp.example"},
                    {u"B", u"b@corp.example"},
                    {u"B", u"b@corp.example"},
                    {u"C", u"c-new@corp.example"},
                    {u"D", u"d@corp.example"},
                    {u"", u"e@corp.example"}},
                   OutlookWriteMode::ChangesOnly));
  EXPECT_EQ(Contacts(), (Lines{u"A|a@corp.example|", u"A|a@corp.example|KESTRANODE_MAIL",
                               u"B|b@corp.example|KESTRANODE_MAIL",
                               u"|e@corp.example|KESTRANODE_MAIL",
                               u"B|b@corp.example|KESTRANODE_MAIL",
                               u"C|c-new@corp.example|KESTRANODE_MAIL",
                               u"D|d@corp.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(outlook_.Contacts(FakeOutlook::kOtherFolder),
            (Lines{u"C|c-old@corp.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(outlook_.Contacts(FakeOutlook::kDeletedItemsFolder), Lines{});
  // Three items deleted (and erased from Deleted Items), three saved.
  EXPECT_EQ(outlook_.StoreWrites(), 9);
}

TEST_P(OutlookWriterTest, ChangesOnlyASecondIdenticalRunWritesNothingAndKeepsWhatTheUserAdded) {
  const AddrContactList contacts{{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}};
  ASSERT_TRUE(Sync(contacts, OutlookWriteMode::ChangesOnly));
  ASSERT_TRUE(outlook_.SetNote(FakeOutlook::kContactsFolder, u"B", u"手机 13800000000"));
  outlook_.ClearHistory();
  ASSERT_TRUE(Sync(contacts, OutlookWriteMode::ChangesOnly));
  EXPECT_EQ(outlook_.StoreWrites(), 0);
  EXPECT_EQ(Contacts(), (Lines{u"A|a@corp.example|KESTRANODE_MAIL",
                               u"B|b@corp.example|KESTRANODE_MAIL|手机 13800000000"}));
}

TEST_P(OutlookWriterTest, ChangesOnlyRefusesAnEmptyListWhileMarkedContactsExist) {
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M", u"m@corp.example", kMarker);
  EXPECT_FALSE(Sync({}, OutlookWriteMode::ChangesOnly));
  EXPECT_EQ(errorText_, u"服务器返回的地址簿为空，未更改Outlook联系人");
  EXPECT_EQ(Contacts(), (Lines{u"M|m@corp.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(outlook_.StoreWrites(), 0);

  ResetOutlook();
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"Own", u"own@corp.example", u"");
  EXPECT_TRUE(Sync({}, OutlookWriteMode::ChangesOnly));
  EXPECT_EQ(Contacts(), (Lines{u"Own|own@corp.example|"}));
}

TEST_P(OutlookWriterTest, ChangesOnlyDeletesMoreStaleItemsThanItHoldsAtOnce) {
  for (int i = 0; i < 250; ++i) {
    outlook_.AddContact(FakeOutlook::kContactsFolder, u"Gone", u"gone@corp.example", kMarker);
  }
  ASSERT_TRUE(Sync({{u"A", u"a@corp.example"}}, OutlookWriteMode::ChangesOnly));
  EXPECT_EQ(Contacts(), (Lines{u"A|a@corp.example|KESTRANODE_MAIL"}));
}

INSTANTIATE_TEST_SUITE_P(Cursors, OutlookWriterTest,
                         testing::Values(FakeOutlook::Cursor::AfterLastFound,
                                         FakeOutlook::Cursor::Position),
                         [](const testing::TestParamInfo<FakeOutlook::Cursor>& info) {
                           return info.param == FakeOutlook::Cursor::Position ? "Position"
                                                                              : "AfterLastFound";
                         });

// The benchmark's form of the fake: its own process, started by COM from
// the LocalServer32 registration, so every call crosses processes; the
// writer benchmark (scripts/bench-writers.sh) drives the same form.
TEST(OutlookLocalServerTest, TheWriterReachesTheFakeInItsOwnProcess) {
  ScopedComInit com;
  ASSERT_TRUE(com.ok());
  FakeOutlookServer outlook(HostPath(TW_FAKE_OUTLOOK_SERVER_EXE));
  ASSERT_TRUE(outlook.connected());
  outlook.AddContact(FakeOutlook::kContactsFolder, u"Old", u"old@corp.example", kMarker);
  outlook.AddContact(FakeOutlook::kContactsFolder, u"A", u"a@corp.example", kMarker);
  outlook.ClearHistory();
  ASSERT_TRUE(CServiceOutlookSync(OutlookWriteMode::ChangesOnly)
                  .SyncContacts({{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}}));
  EXPECT_EQ(outlook.Contacts(FakeOutlook::kContactsFolder),
            (Lines{u"A|a@corp.example|KESTRANODE_MAIL", u"B|b@corp.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(outlook.StoreWrites(), 3);  // Old deleted and erased, B saved
  const Lines counts = outlook.CallCounts();
  EXPECT_NE(std::find(counts.begin(), counts.end(), u"ContactItem.Save=1"), counts.end());
}

}  // namespace
