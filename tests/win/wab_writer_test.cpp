// The Outlook Express writer against the fake address-book library.

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "clients/wab/service_outlook_express_sync_win.h"
#include "tests/doubles/fake_wab_control.h"
#include "win_test_support.h"

namespace {

using Lines = std::vector<std::u16string>;

constexpr char16_t kMarker[] = u"KESTRANODE_MAIL";

class WabWriterTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(wab_.loaded()); }
  void TearDown() override {
    // Whatever happened, the writer gave everything back.
    EXPECT_EQ(wab_.LiveObjects(), 0);
    EXPECT_EQ(wab_.OpenBuffers(), 0);
    EXPECT_EQ(wab_.Misuses(), 0);
  }

  bool Sync(const AddrContactList& contacts) {
    CServiceOutlookExpressSync writer;
    const bool ok = writer.SyncContacts(contacts);
    errorText_ = writer.GetLastErrorText();
    written_ = writer.GetWrittenCount();
    return ok;
  }

  FakeWab wab_{HostPath(TW_FAKE_WAB_DLL)};
  std::u16string errorText_;
  std::optional<size_t> written_;
};

TEST_F(WabWriterTest, ReplacesTheMarkedEntriesAndKeepsTheOthers) {
  wab_.AddMailUser(u"A", u"a@corp.example", nullptr);
  wab_.AddMailUser(u"B", u"b@corp.example", kMarker);
  wab_.AddMailUser(u"C", u"c@corp.example", u"Cee");
  wab_.AddMailUser(u"D", u"d@corp.example", kMarker);

  ASSERT_TRUE(Sync({{u"张伟", u"zhangwei@corp.example"}, {u"李娜", u"lina@corp.example"}}));
  EXPECT_EQ(errorText_, u"");
  EXPECT_EQ(wab_.Entries(), (Lines{u"A|a@corp.example|", u"C|c@corp.example|Cee",
                                   u"张伟|zhangwei@corp.example|KESTRANODE_MAIL",
                                   u"李娜|lina@corp.example|KESTRANODE_MAIL"}));
  // Exactly name, address and marker: no address type or anything else.
  EXPECT_EQ(wab_.EntryProperties(2), (Lines{u"3001001F=张伟", u"3003001F=zhangwei@corp.example",
                                            u"3A4F001F=KESTRANODE_MAIL"}));
}

TEST_F(WabWriterTest, AdjacentMarkedEntriesAreAllDeleted) {
  wab_.AddMailUser(u"B1", u"b1@corp.example", kMarker);
  wab_.AddMailUser(u"B2", u"b2@corp.example", kMarker);
  wab_.AddMailUser(u"B3", u"b3@corp.example", kMarker);
  wab_.AddMailUser(u"C", u"c@corp.example", nullptr);

  ASSERT_TRUE(Sync({}));
  EXPECT_EQ(wab_.Entries(), (Lines{u"C|c@corp.example|"}));
}

TEST_F(WabWriterTest, OnlyTheExactMarkerMarksAnEntry) {
  wab_.AddMailUser(u"lower", u"l@corp.example", u"kestranode_mail");
  wab_.AddMailUser(u"spaced", u"s@corp.example", u"KESTRANODE_MAIL ");
  wab_.AddMailUser(u"prefix", u"p@corp.example", u"KESTRANODE_MAIL2");
  wab_.AddMailUser(u"chinese", u"c@corp.example", u"同事");

  ASSERT_TRUE(Sync({}));
  EXPECT_EQ(wab_.Entries().size(), 4u);
}

TEST_F(WabWriterTest, DistributionListsStayAndTheScanGoesPastThem) {
  wab_.AddDistList(u"All staff", kMarker);
  wab_.AddMailUser(u"B", u"b@corp.example", kMarker);
  wab_.AddDistList(u"Team", nullptr);
  wab_.AddMailUser(u"D", u"d@corp.example", kMarker);

  ASSERT_TRUE(Sync({}));
  EXPECT_EQ(wab_.Entries(), (Lines{u"DL:All staff||KESTRANODE_MAIL", u"DL:Team||"}));
}

TEST_F(WabWriterTest, BlankNamesShowTheAddressAndOtherNamesAreKeptAsGiven) {
  ASSERT_TRUE(Sync({{u"", u"empty@corp.example"},
                    {u" \t\u3000", u"blank@corp.example"},
                    {u"  王 芳 ", u"wangfang@corp.example"},
                    {u"No Address", u""}}));
  EXPECT_EQ(wab_.Entries(), (Lines{u"empty@corp.example|empty@corp.example|KESTRANODE_MAIL",
                                   u"blank@corp.example|blank@corp.example|KESTRANODE_MAIL",
                                   u"  王 芳 |wangfang@corp.example|KESTRANODE_MAIL",
                                   u"No Address||KESTRANODE_MAIL"}));
}

TEST_F(WabWriterTest, ContactWithNeitherNameNorAddressIsSkipped) {
  ASSERT_TRUE(Sync({{u" ", u""}, {u"Zhao", u"zhao@corp.example"}}));
  EXPECT_EQ(wab_.Entries(), (Lines{u"Zhao|zhao@corp.example|KESTRANODE_MAIL"}));
}

TEST_F(WabWriterTest, AnAddressOfAnUnmarkedEntryGetsAnEntryOfItsOwn) {
  wab_.AddMailUser(u"Mine", u"shared@corp.example", u"friend");
  ASSERT_TRUE(Sync({{u"Company", u"shared@corp.example"}}));
  EXPECT_EQ(wab_.Entries(), (Lines{u"Mine|shared@corp.example|friend",
                                   u"Company|shared@corp.example|KESTRANODE_MAIL"}));
}

TEST_F(WabWriterTest, RunningTwiceLeavesTheSameMarkedEntries) {
  wab_.AddMailUser(u"Own", u"own@corp.example", nullptr);
  const AddrContactList contacts{
      {u"A", u"a@corp.example"}, {u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}};
  ASSERT_TRUE(Sync(contacts));
  const Lines once = wab_.Entries();
  ASSERT_TRUE(Sync(contacts));
  EXPECT_EQ(wab_.Entries(), once);
  EXPECT_EQ(once.size(), 4u);
}

TEST_F(WabWriterTest, AnAddressBookThatCannotBeOpenedIsReportedAndLeftAlone) {
  const struct {
    const char* what;
    std::function<void(FakeWab&)> arrange;
  } cases[] = {
      {"no registered library", [](FakeWab& w) { w.registration().Remove(); }},
      {"library file missing",
       [](FakeWab& w) { w.registration().SetText(HostPath(TW_FAKE_WAB_DLL) + u".missing"); }},
      {"library without WABOpen",
       [](FakeWab& w) { w.registration().SetText(HostPath(TW_FAKE_OUTLOOK_DLL)); }},
      {"WABOpen fails", [](FakeWab& w) { w.FailCall(u"WABOpen", 1, E_FAIL); }},
      {"no personal container", [](FakeWab& w) { w.FailCall(u"GetPAB", 1, E_FAIL); }},
      {"contents table fails", [](FakeWab& w) { w.FailCall(u"GetContentsTable", 1, E_FAIL); }},
      {"rows cannot be read", [](FakeWab& w) { w.FailCall(u"QueryRows", 1, E_OUTOFMEMORY); }},
      {"a table that never advances", [](FakeWab& w) { w.SetCursorStuck(true); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    wab_.Reset();
    wab_.registration().SetText(HostPath(TW_FAKE_WAB_DLL));
    wab_.AddMailUser(u"B", u"b@corp.example", kMarker);
    c.arrange(wab_);
    EXPECT_FALSE(Sync({{u"A", u"a@corp.example"}}));
    EXPECT_EQ(errorText_, u"无法打开Windows通讯簿");
    EXPECT_EQ(wab_.Entries(), (Lines{u"B|b@corp.example|KESTRANODE_MAIL"}));
    EXPECT_EQ(wab_.LiveObjects(), 0);
    EXPECT_EQ(wab_.OpenBuffers(), 0);
  }
}

TEST_F(WabWriterTest, RegisteredPathMayReferToTheEnvironment) {
  const std::u16string path = HostPath(TW_FAKE_WAB_DLL);
  const size_t slash = path.rfind(u'\\');
  ScopedEnvironmentVariable folder(u"TW_FAKE_WAB_FOLDER", path.substr(0, slash));
  wab_.registration().SetText(u"%TW_FAKE_WAB_FOLDER%" + path.substr(slash), REG_EXPAND_SZ);
  ASSERT_TRUE(Sync({{u"A", u"a@corp.example"}}));
  EXPECT_EQ(wab_.Entries(), (Lines{u"A|a@corp.example|KESTRANODE_MAIL"}));
}

TEST_F(WabWriterTest, AFailedDeleteLeavesTheEntryAndTheScanMovesOn) {
  wab_.AddMailUser(u"B", u"b@corp.example", kMarker);
  wab_.AddMailUser(u"D", u"d@corp.example", kMarker);
  wab_.FailCall(u"DeleteEntries", 1, E_ACCESSDENIED);
  ASSERT_TRUE(Sync({{u"A", u"a@corp.example"}}));
  EXPECT_EQ(wab_.Entries(),
            (Lines{u"B|b@corp.example|KESTRANODE_MAIL", u"A|a@corp.example|KESTRANODE_MAIL"}));
}

TEST_F(WabWriterTest, AContactWhoseEntryCannotBeMadeIsSkipped) {
  wab_.FailCall(u"CreateEntry", 2, E_FAIL);
  wab_.FailCall(u"SaveChanges", 2, E_FAIL);
  ASSERT_TRUE(Sync({{u"A", u"a@corp.example"},
                    {u"B", u"b@corp.example"},
                    {u"C", u"c@corp.example"},
                    {u"D", u"d@corp.example"}}));
  // B is never created; C is created but its save fails; nothing of either
  // lands on another entry, and the run counts only what was saved.
  EXPECT_EQ(wab_.Entries(),
            (Lines{u"A|a@corp.example|KESTRANODE_MAIL", u"D|d@corp.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(written_, 2u);

  // An entry whose marker cannot be set is not saved: unmarked, it would
  // never be replaced and each run would add another copy.
  wab_.Reset();
  wab_.FailCall(u"SetProps", 3, E_FAIL);  // A's display text, display name, marker
  ASSERT_TRUE(Sync({{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}}));
  EXPECT_EQ(wab_.Entries(), (Lines{u"B|b@corp.example|KESTRANODE_MAIL"}));
  EXPECT_EQ(written_, 1u);
}

TEST_F(WabWriterTest, WhenNoContactCanBeSavedTheRunFails) {
  wab_.AddMailUser(u"B", u"b@corp.example", kMarker);
  wab_.SetTemplates(false, true);
  EXPECT_FALSE(Sync({{u"A", u"a@corp.example"}}));
  EXPECT_EQ(errorText_, u"写入Windows通讯簿失败");
  EXPECT_EQ(wab_.Entries(), Lines{});

  wab_.Reset();
  wab_.FailCall(u"SaveChanges", 0, E_FAIL);
  EXPECT_FALSE(Sync({{u"A", u"a@corp.example"}, {u"B", u"b@corp.example"}}));
  EXPECT_EQ(errorText_, u"写入Windows通讯簿失败");
}

TEST_F(WabWriterTest, MarkedEntriesPastAShortAnswerOfTheTableAreDeleted) {
  wab_.SetRowsPerQuery(2);
  for (const char16_t* name : {u"A", u"B", u"C", u"D", u"E"}) {
    wab_.AddMailUser(name, u"x@corp.example", name[0] == u'A' ? nullptr : kMarker);
  }
  ASSERT_TRUE(Sync({}));
  EXPECT_EQ(wab_.Entries(), (Lines{u"A|x@corp.example|"}));
}

TEST_F(WabWriterTest, AnUnreadablePropertyDoesNotHideTheMarker) {
  const int entry = wab_.AddMailUser(u"B", u"b@corp.example", kMarker);
  // A birthday that reads as MAPI_E_NOT_FOUND.
  wab_.SetProperty(entry, 0x3A42000A, u"0x8004010F");
  ASSERT_TRUE(Sync({{u"A", u"a@corp.example"}}));
  EXPECT_EQ(wab_.Entries(), (Lines{u"A|a@corp.example|KESTRANODE_MAIL"}));
}

}  // namespace
