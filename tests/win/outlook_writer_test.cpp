// The Outlook writer against the fake Outlook automation server.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "clients/outlook/outlook_application_win.h"
#include "clients/outlook/outlook_calls_win.h"
#include "clients/outlook/outlook_thread_win.h"
#include "clients/outlook/service_outlook_sync_win.h"
#include "common/utf_convert.h"
#include "common/win/test_bound_win.h"
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
// shifts, so that walking forwards while deleting skips items. Outlook's
// object-model guard is on throughout, as where Outlook does not trust the
// program: no run may raise its security prompt.
class OutlookWriterTest : public testing::TestWithParam<FakeOutlook::Cursor> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    ASSERT_TRUE(outlook_.loaded());
    ResetOutlook();
  }
  void TearDown() override {
    // Whatever happened, the writer released every reference it took.
    EXPECT_EQ(outlook_.LiveObjects(), 0);
    EXPECT_EQ(outlook_.Misuses(), 0);
    EXPECT_EQ(outlook_.GuardPrompts(), 0);
  }

  bool Sync(const AddrContactList& contacts, OutlookWriteMode mode = OutlookWriteMode::ReplaceAll,
            const char16_t* folder = u"") {
    CServiceOutlookSync writer(mode, record_, {folder, folderRecord_});
    const bool ok = writer.SyncContacts(contacts);
    errorText_ = writer.GetLastErrorText();
    resultNote_ = writer.GetResultNote();
    return ok;
  }
  Lines Contacts() const { return outlook_.Contacts(FakeOutlook::kContactsFolder); }
  void ResetOutlook() {
    outlook_.Reset();
    outlook_.SetFindCursor(GetParam());
    outlook_.SetGuard(true);
  }

  ScopedComInit com_;  // as every sync run has
  FakeOutlook outlook_{HostPath(TW_FAKE_OUTLOOK_DLL)};
  ScratchDir scratch_;
  const std::u16string record_ = scratch_.File(u"outlookcontacts.dat");
  const std::u16string folderRecord_ = scratch_.File(u"outlookfolder.dat");
  std::u16string errorText_;
  std::u16string resultNote_;
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
  EXPECT_EQ(resultNote_, u"");
  EXPECT_EQ(Contacts(), (Lines{u"Own|own@corp.example|", u"Friend|f@corp.example|pal",
                               u"张伟|zhangwei@corp.example|KESTRANODE_MAIL",
                               u"李娜|lina@corp.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(outlook_.Contacts(FakeOutlook::kOtherFolder),
            (Lines{u"Elsewhere|e@corp.example|KESTRANODE_MAIL", u"Other|o@corp.example|"}));
}

TEST_P(OutlookWriterTest, MakesTheCallsOutlookExpectsInOrder) {
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"Old", u"old@corp.example", kMarker);
  ASSERT_TRUE(Sync({{u"New", u"new@corp.example"}}));
  EXPECT_EQ(outlook_.Calls(), (Lines{u"CreateInstance",
                                     u"Application.GetNamespace('MAPI')",
                                     u"Namespace.GetDefaultFolder(10)",
                                     u"Folder.Items()",
                                     u"Items.Count()",
                                     kFindCall,
                                     u"ContactItem.Delete()",
                                     u"Items.FindNext()",
                                     kFindCall,
                                     u"Application.CreateItem(2)",
                                     u"ContactItem.FullName('New')",
                                     u"ContactItem.Email1Address('new@corp.example')",
                                     u"ContactItem.NickName('KESTRANODE_MAIL')",
                                     u"ContactItem.Save()",
                                     u"Namespace.GetDefaultFolder(3)",
                                     u"Folder.Items()",
                                     u"Items.Count()",
                                     kFindCall,
                                     u"ContactItem.Delete()",
                                     u"Items.FindNext()",
                                     kFindCall}));
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

TEST_P(OutlookWriterTest, DeletedItemsThatCannotBeCleanedDoNotFailARunThatWroteEveryContact) {
  const struct {
    DISPID member;
    int occurrence;
  } cases[] = {{kGetDefaultFolder, 2}, {kFind, 3}, {kDelete, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.member);
    ResetOutlook();
    outlook_.AddContact(FakeOutlook::kContactsFolder, u"Old", u"old@corp.example", kMarker);
    outlook_.FailCall(c.member, c.occurrence, E_FAIL, u"无法打开文件夹。");
    ASSERT_TRUE(Sync({{u"A", u"a@corp.example"}}));
    EXPECT_EQ(resultNote_, u"（已删除邮件中的旧联系人未能清除）");
    EXPECT_EQ(Contacts(), (Lines{u"A|a@corp.example|KESTRANODE_MAIL"}));
  }
}

TEST_P(OutlookWriterTest, ASearchThatDoesNotEndIsStoppedAndNothingIsCreated) {
  const struct {
    const char* what;
    FakeOutlook::Cursor cursor;
    bool deletesIgnored;
    int markedItems;
  } cases[] = {
      {"FindNext answers the same item again", FakeOutlook::Cursor::Stuck, false, 2},
      {"Delete leaves the item in place", GetParam(), true, 2},
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
    EXPECT_FALSE(Sync({{u"A", u"a@corp.example"}}));
    EXPECT_EQ(errorText_, u"Outlook调用失败：查找带标记的联系人无法结束");
    const Lines calls = outlook_.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), u"Application.CreateItem(2)"), 0);
  }
}

// Outlook 2013+: one item per person, written only where the company
// changed.
TEST_P(OutlookWriterTest, ChangesOnlyKeepsEachPersonsItemThroughARenameOrANewAddress) {
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"A", u"a@corp.example", u"");  // the user's
  ASSERT_TRUE(Sync({{u"A", u"a@corp.example"},
                    {u"A", u"a@corp.example"},
                    {u"Zhang, Wei", u"zw@corp.example"},
                    {u"C", u"c@corp.example"},
                    {u"D", u"d@corp.example"}},
                   OutlookWriteMode::ChangesOnly));
  ASSERT_TRUE(outlook_.SetNote(FakeOutlook::kContactsFolder, u"Zhang, Wei", u"手机 13800000000"));
  ASSERT_TRUE(outlook_.SetNote(FakeOutlook::kContactsFolder, u"C", u"分机 8021"));
  outlook_.ClearHistory();

  // Zhang renamed, C with a new address, D left, E joined.
  const AddrContactList changed{{u"A", u"a@corp.example"},
                                {u"A", u"a@corp.example"},
                                {u"张伟", u"zw@corp.example"},
                                {u"C", u"c-new@corp.example"},
                                {u"E", u"e@corp.example"}};
  ASSERT_TRUE(Sync(changed, OutlookWriteMode::ChangesOnly));
  // The same items, in their places, with what the user added.
  EXPECT_EQ(Contacts(), (Lines{u"A|a@corp.example|", u"A|a@corp.example|KESTRANODE_MAIL",
                               u"A|a@corp.example|KESTRANODE_MAIL",
                               u"张伟|zw@corp.example|KESTRANODE_MAIL|手机 13800000000",
                               u"C|c-new@corp.example|KESTRANODE_MAIL|分机 8021",
                               u"E|e@corp.example|KESTRANODE_MAIL"}));
  // D went to Deleted Items, where the user may restore it, and stays.
  EXPECT_EQ(outlook_.Contacts(FakeOutlook::kDeletedItemsFolder),
            (Lines{u"D|d@corp.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(outlook_.StoreWrites(), 4);  // two saved in place, one deleted, one created

  outlook_.ClearHistory();
  ASSERT_TRUE(Sync(changed, OutlookWriteMode::ChangesOnly));
  EXPECT_EQ(outlook_.StoreWrites(), 0);
  EXPECT_EQ(outlook_.Contacts(FakeOutlook::kDeletedItemsFolder),
            (Lines{u"D|d@corp.example|KESTRANODE_MAIL"}));
}

TEST_P(OutlookWriterTest, ChangesOnlyPutsRightAUsersEditOfACompanyFieldAndKeepsTheirOwn) {
  const AddrContactList contacts{{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}};
  ASSERT_TRUE(Sync(contacts, OutlookWriteMode::ChangesOnly));
  ASSERT_TRUE(outlook_.SetNote(FakeOutlook::kContactsFolder, u"B", u"手机 138", u"b@home.example"));
  for (const int writes : {1, 0}) {
    outlook_.ClearHistory();
    ASSERT_TRUE(Sync(contacts, OutlookWriteMode::ChangesOnly));
    EXPECT_EQ(outlook_.StoreWrites(), writes);
  }
  EXPECT_EQ(Contacts(), (Lines{u"A|a@corp.example|KESTRANODE_MAIL",
                               u"B|b@corp.example|KESTRANODE_MAIL|手机 138"}));
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

// Without a record it can trust (the first run after an older version, a
// record lost, damaged, or of another computer or mailbox) the run cannot
// know what the marked items hold: a person takes over the item showing
// their name, with what the user added to it; an item nobody takes over
// goes to Deleted Items. No person ends up with two items.
TEST_P(OutlookWriterTest, ChangesOnlyWithoutATrustedRecordPersonsTakeOverTheirItems) {
  const struct {
    const char* what;
    void (*spoil)(FakeOutlook&, const std::u16string& record);
  } cases[] = {
      {"none yet", [](FakeOutlook&, const std::u16string& record) { DeleteFileW(AsWide(record)); }},
      {"damaged",
       [](FakeOutlook&, const std::u16string& record) {
         const std::string text = ReadFileBytes(record);
         WriteFileBytes(record, text.substr(0, text.size() - 3));
       }},
      {"of another mailbox",
       [](FakeOutlook& outlook, const std::u16string&) {
         outlook.Reset();  // the same persons, written there by another computer
         outlook.SetGuard(true);
         outlook.AddContact(FakeOutlook::kContactsFolder, u"A", u"a@corp.example", kMarker);
         outlook.AddContact(FakeOutlook::kContactsFolder, u"Zhang, Wei", u"zw@corp.example",
                            kMarker);
         outlook.AddContact(FakeOutlook::kContactsFolder, u"C", u"c@corp.example", kMarker);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetOutlook();
    ASSERT_TRUE(Sync(
        {{u"A", u"a@corp.example"}, {u"Zhang, Wei", u"zw@corp.example"}, {u"C", u"c@corp.example"}},
        OutlookWriteMode::ChangesOnly));
    c.spoil(outlook_, record_);
    ASSERT_TRUE(outlook_.SetNote(FakeOutlook::kContactsFolder, u"Zhang, Wei", u"手机 138"));
    // C left meanwhile, D joined; Zhang's name comes back composed anew.
    const AddrContactList contacts{
        {u"A", u"a@corp.example"}, {u"Wei Zhang", u"zw@corp.example"}, {u"D", u"d@corp.example"}};
    ASSERT_TRUE(Sync(contacts, OutlookWriteMode::ChangesOnly));
    EXPECT_EQ(Contacts(), (Lines{u"A|a@corp.example|KESTRANODE_MAIL",
                                 u"Wei Zhang|zw@corp.example|KESTRANODE_MAIL|手机 138",
                                 u"D|d@corp.example|KESTRANODE_MAIL"}));
    EXPECT_EQ(outlook_.Contacts(FakeOutlook::kDeletedItemsFolder),
              (Lines{u"C|c@corp.example|KESTRANODE_MAIL"}));
    outlook_.ClearHistory();
    ASSERT_TRUE(Sync(contacts, OutlookWriteMode::ChangesOnly));
    EXPECT_EQ(outlook_.StoreWrites(), 0);
  }
}

// A folder of the company's own under the default contacts folder, for
// every kind: made once, shown in the address book, found again by its
// identity when the user renames it and made anew when they delete it.
TEST_P(OutlookWriterTest, EachKindKeepsTheCompanyInAFolderOfItsOwn) {
  const AddrContactList contacts{{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}};
  const Lines written{u"A|a@corp.example|KESTRANODE_MAIL", u"B|b@corp.example|KESTRANODE_MAIL"};
  for (const OutlookWriteMode mode :
       {OutlookWriteMode::ReplaceAll, OutlookWriteMode::ChangesOnly}) {
    SCOPED_TRACE(static_cast<int>(mode));
    ResetOutlook();
    outlook_.AddContact(FakeOutlook::kContactsFolder, u"Own", u"own@corp.example", u"");
    ASSERT_TRUE(Sync(contacts, mode, u"公司通讯录"));
    const int folder = outlook_.FolderNamed(FakeOutlook::kContactsFolder, u"公司通讯录");
    ASSERT_GE(folder, 0);
    EXPECT_TRUE(outlook_.ShowsAsAddressBook(folder));
    EXPECT_EQ(outlook_.Contacts(folder), written);
    EXPECT_EQ(Contacts(), (Lines{u"Own|own@corp.example|"}));

    ASSERT_TRUE(outlook_.RenameFolder(folder, u"我的公司"));
    outlook_.ClearHistory();
    ASSERT_TRUE(Sync(contacts, mode, u"公司通讯录"));
    EXPECT_EQ(outlook_.Contacts(folder), written);
    EXPECT_EQ(outlook_.FolderNamed(FakeOutlook::kContactsFolder, u"公司通讯录"), -1);
    const Lines calls = outlook_.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), u"Folder.ShowAsOutlookAB(vt11)"), 0);
    if (mode == OutlookWriteMode::ChangesOnly) {
      EXPECT_EQ(outlook_.StoreWrites(), 0);
      EXPECT_LE(calls.size(), 100u);
    } else {
      EXPECT_EQ(outlook_.Contacts(FakeOutlook::kDeletedItemsFolder), Lines{});
    }

    outlook_.DeleteFolder(folder);
    ASSERT_TRUE(Sync(contacts, mode, u"公司通讯录"));
    const int again = outlook_.FolderNamed(FakeOutlook::kContactsFolder, u"公司通讯录");
    ASSERT_GE(again, 0);
    EXPECT_NE(again, folder);
    EXPECT_EQ(outlook_.Contacts(again), written);
    EXPECT_EQ(outlook_.Contacts(folder), written);  // in Deleted Items, as the user left it
  }
}

// Switching leaves no company contact behind and none twice; Outlook 2013+
// moves each item with what the user added. The program's folder goes once
// nothing of the user's is in it.
TEST_P(OutlookWriterTest, SwitchingFoldersMovesTheCompanyBothWays) {
  const AddrContactList contacts{{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}};
  for (const OutlookWriteMode mode :
       {OutlookWriteMode::ReplaceAll, OutlookWriteMode::ChangesOnly}) {
    SCOPED_TRACE(static_cast<int>(mode));
    const bool moves = mode == OutlookWriteMode::ChangesOnly;
    ResetOutlook();
    DeleteFileW(AsWide(record_));
    ASSERT_TRUE(Sync(contacts, mode));
    ASSERT_TRUE(outlook_.SetNote(FakeOutlook::kContactsFolder, u"B", u"手机 138"));
    const Lines withNote{
        u"A|a@corp.example|KESTRANODE_MAIL",
        moves ? u"B|b@corp.example|KESTRANODE_MAIL|手机 138" : u"B|b@corp.example|KESTRANODE_MAIL"};

    ASSERT_TRUE(Sync(contacts, mode, u"公司通讯录"));
    const int folder = outlook_.FolderNamed(FakeOutlook::kContactsFolder, u"公司通讯录");
    EXPECT_EQ(outlook_.Contacts(folder), withNote);
    EXPECT_EQ(Contacts(), Lines{});
    outlook_.ClearHistory();
    ASSERT_TRUE(Sync(contacts, mode, u"公司通讯录"));
    if (moves) {
      EXPECT_EQ(outlook_.StoreWrites(), 0);  // the record followed the moves
    }

    // The user keeps a contact of their own there under ReplaceAll only.
    if (!moves) outlook_.AddContact(folder, u"Mine", u"mine@corp.example", u"");
    ASSERT_TRUE(Sync(contacts, mode));
    EXPECT_EQ(Contacts(), withNote);
    EXPECT_EQ(outlook_.FolderNamed(FakeOutlook::kContactsFolder, u"公司通讯录") == folder, !moves);
    EXPECT_EQ(outlook_.Contacts(folder), moves ? Lines{} : Lines{u"Mine|mine@corp.example|"});
    EXPECT_EQ(outlook_.Contacts(FakeOutlook::kDeletedItemsFolder), Lines{});
  }
}

TEST_P(OutlookWriterTest, TheGuardDeniesAProtectedRead) {
  // The guard is on in every case; it must catch what it is there for.
  outlook_.AddContact(FakeOutlook::kContactsFolder, u"M", u"m@corp.example", kMarker);
  UniqueComRef<IDispatch> application = CreateOutlookApplication();
  ASSERT_TRUE(application);
  OutlookCallContext context;
  OutlookCalls calls(context);
  UniqueComRef<IDispatch> item = calls.Object(*application, outlook::kCreateItem,
                                              MemberKind::Method, {outlook::olContactItem});
  ASSERT_TRUE(item);
  EXPECT_FALSE(calls.Text(*item, outlook::kEmail1Address));
  EXPECT_EQ(calls.failureText(), u"Outlook调用失败：0x80040102");
  EXPECT_EQ(outlook_.GuardPrompts(), 1);
  item.reset();
  application.reset();
  outlook_.Reset();
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
  outlook.SetGuard(true);
  ScratchDir scratch;
  const AddrContactList contacts{{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}};
  // Without a record both marked items are unknown: A takes over its own,
  // Old goes to Deleted Items.
  CServiceOutlookSync writer(OutlookWriteMode::ChangesOnly, scratch.File(u"outlookcontacts.dat"));
  ASSERT_TRUE(writer.SyncContacts(contacts));
  EXPECT_EQ(outlook.Contacts(FakeOutlook::kContactsFolder),
            (Lines{u"A|a@corp.example|KESTRANODE_MAIL", u"B|b@corp.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(outlook.StoreWrites(), 3);
  outlook.ClearHistory();
  ASSERT_TRUE(writer.SyncContacts(contacts));
  EXPECT_EQ(outlook.StoreWrites(), 0);
  EXPECT_EQ(outlook.GuardPrompts(), 0);
  const Lines counts = outlook.CallCounts();
  EXPECT_NE(std::find(counts.begin(), counts.end(), u"Table.GetArray=1"), counts.end());

  // A run given up on a call that does not return, or on the release of
  // the item it saved, is stopped: no run starts beside it; once Outlook
  // answers, it makes no call and leaves the record.
  TestBoundsAllowed() = true;
  const AddrContactList more{contacts[0], {u"B2", u"b@corp.example"}, {u"C", u"c@corp.example"}};
  for (const bool inRelease : {false, true}) {
    SCOPED_TRACE(inRelease ? "release" : "call");
    outlook.Clear();
    DeleteFileW(AsWide(scratch.File(u"outlookcontacts.dat")));
    ASSERT_TRUE(writer.SyncContacts(contacts));
    const std::string recorded = ReadFileBytes(scratch.File(u"outlookcontacts.dat"));
    ScopedEnvironmentVariable callLimit{u"TW_TEST_OUTLOOK_CALL_MS", u"1000"};
    inRelease ? outlook.HangRelease(kSave) : outlook.HangCall(kNickName);  // B2's; C's
    for (int run = 0; run < 2; ++run) {
      outlook.ClearHistory();
      EXPECT_FALSE(writer.SyncContacts(more));
      EXPECT_EQ(writer.GetLastErrorText(), u"Outlook调用失败：Outlook在1秒内没有响应");
      EXPECT_EQ(writer.GetLastFailure(), RunFailure::ClientUnavailable);
    }
    outlook.Unstall();
    ASSERT_TRUE(OutlookWorkLeftBehindEnded(10000));
    EXPECT_TRUE(outlook.CallCounts().empty());
    EXPECT_EQ(ReadFileBytes(scratch.File(u"outlookcontacts.dat")), recorded);
    ASSERT_TRUE(writer.SyncContacts(more));
    EXPECT_EQ(outlook.Contacts(FakeOutlook::kContactsFolder).size(), 3u);  // B2 and C once
  }
}

}  // namespace
