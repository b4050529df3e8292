// The program's "/sync" with Foxmail 7.x chosen: from the mail server's
// answer on loopback to the address folder, read back with the folder tool.

// First: the server's header brings winsock2.h, which must precede windows.h.
#include "loopback_http_server_win.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/utf_convert.h"

#include "foxmail7/foxmail7_test_support_win.h"
#include "http_test_replies.h"

namespace {

class Foxmail7SyncProgram : public testing::Test {
 protected:
  Foxmail7SyncProgram() {
    program_.WriteSettings(5, server_.port());
    fox_.GiveUserFolder();
  }
  ProcessResult ListFolder() {
    return RunProgram(HostPath(TW_FOXMAIL7_READ_EXE), u"\"" + fox_.folder + u"\"");
  }

  // The program is a process of its own: it needs the prefix's own key.
  TestFoxmail7Installation fox_{FoxmailCommandKey::Scope::Shared};
  std::string answer_ = kThreeColleagues;
  LoopbackHttpServer server_{[this](const RecordedRequest&) {
    return Answer("HTTP/1.1 200 OK", answer_, "Content-Type: text/xml\r\n", ReplyEnd::Close);
  }};
  ProgramFolder program_;
};

TEST_F(Foxmail7SyncProgram, ReplacesTheAddressFolderWithTheCompanyContacts) {
  ASSERT_TRUE(server_.listening());
  const ProcessResult sync = program_.Sync();
  EXPECT_EQ(
      "[Foxmail 7.x] \xE6\x9B\xB4\xE6\x96\xB0\xE4\xBA\x86"
      "3\xE4\xB8\xAA\xE8\x81\x94\xE7\xB3\xBB\xE4\xBA\xBA\r\n",
      sync.output);  // "[Foxmail 7.x] 更新了3个联系人"
  EXPECT_EQ(0u, sync.exitCode);
  EXPECT_EQ(kSevenFilesListing, ListDirectory(fox_.folder));
  EXPECT_EQ(u"400\\|", ListDirectory(fox_.addressDir));

  const ProcessResult listing = ListFolder();
  EXPECT_EQ(0u, listing.exitCode);
  EXPECT_EQ(
      "\xE5\xBC\xA0\xE4\xBC\x9F\tzhangwei@tarnwell.example\r\n\tnoname@tarnwell.example\r\n"
      "\xE6\x9D\x8E\xE5\xA8\x9C\tlina@tarnwell.example\r\n",
      listing.output);
}

// Foxmail 7 counts and numbers contacts in 16 bits.
TEST_F(Foxmail7SyncProgram, KeepsTheFirst65535OfALargerBookAndSaysSo) {
  answer_ = "<?xml version=\"1.0\" encoding=\"utf-8\"?><addressbooks>";
  for (int k = 1; k <= 70000; ++k) {
    const std::string n = std::to_string(k);
    answer_ += "<person Name=\"P" + n + "\" E-Mail=\"p" + n + "@tarnwell.example\"/>";
  }
  answer_ += "</addressbooks>";
  const ProcessResult sync = program_.Sync();
  EXPECT_EQ(Utf16ToUtf8(u"[Foxmail 7.x] 更新了65535个联系人（Foxmail 7最多保存65535个，共70000个）\r\n"),
            sync.output);
  EXPECT_EQ(0u, sync.exitCode);

  const ProcessResult listing = ListFolder();
  EXPECT_EQ(0u, listing.exitCode);  // a folder Foxmail 7 reads as meant
  EXPECT_EQ(65535, std::count(listing.output.begin(), listing.output.end(), '\n'));
  EXPECT_TRUE(listing.output.starts_with("P1\tp1@tarnwell.example\r\n"));
  EXPECT_TRUE(listing.output.ends_with("\nP65535\tp65535@tarnwell.example\r\n"));
}

TEST_F(Foxmail7SyncProgram, WithoutFoxmail7SaysSoAndTouchesNothing) {
  fox_.key.Remove();
  const ProcessResult sync = program_.Sync();
  EXPECT_EQ(1u, sync.exitCode);
  EXPECT_EQ(
      "\xE6\x9C\xAA\xE6\x89\xBE\xE5\x88\xB0"
      "Foxmail7\r\n",
      sync.output);  // "未找到Foxmail7"
  EXPECT_EQ(kUserFolderListing, ListDirectory(fox_.folder));
  EXPECT_EQ(1u, ListFolder().exitCode);  // the user's files are no Foxmail 7 folder
}

}  // namespace
