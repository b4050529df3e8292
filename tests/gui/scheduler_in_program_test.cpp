// The daily run inside the running program, as the user meets it (the
// decisions themselves are tried in resident_simulation_test.cpp): a
// failure that cannot pass raises a balloon at once, one that can is tried
// again without one, and an open Foxmail is waited for.

#include <gtest/gtest.h>

#include "common/utf_convert.h"

#include "http_test_replies.h"
#include "loopback_http_server_win.h"
// After the loopback server, which brings Winsock 2 before windows.h.
#include "sync/named_run_lock_win.h"
#include "foxmail7/foxmail7_test_support_win.h"
#include "program_driver_win.h"
#include "resources/resource.h"
#include "win_test_support.h"

namespace {

// "未发现同步任务" in code page 936: no client chosen, nothing written.
const char kNoTaskLine[] = " :\xCE\xB4\xB7\xA2\xCF\xD6\xCD\xAC\xB2\xBD\xC8\xCE\xCE\xF1\r\n";
const char kOnePerson[] =
    "<?xml version=\"1.0\"?><addressbooks><person Name=\"a\" E-Mail=\"a@b\"/></addressbooks>";

// The program in a folder of its own whose day's run is due (SyncTime
// 00:00, none yet today): its catch-up, shortened, comes at once.
class SchedulerInProgramTest : public testing::Test {
 protected:
  // Starts the program, writing into `client`, with the server at `port`.
  HWND StartScheduled(int client, uint16_t port, const wchar_t* retryMinuteMs = nullptr) {
    folder_.WriteSettings(client, port, "SyncType=0\r\nSyncTime=0\r\n");
    SetEnvironmentVariableW(L"TW_TEST_CATCH_UP_MS", L"500");
    SetEnvironmentVariableW(L"TW_TEST_RETRY_MINUTE_MS", retryMinuteMs);
    HWND dialog = program_.StartShowingDialog(folder_.exe());
    SetEnvironmentVariableW(L"TW_TEST_CATCH_UP_MS", nullptr);
    SetEnvironmentVariableW(L"TW_TEST_RETRY_MINUTE_MS", nullptr);
    return dialog;
  }

  ProgramFolder folder_;
  ProgramDriver program_;
};

// The Foxmail 5.x/6.x notice of a scheduled run, left unanswered on an
// empty desk, holds up no other run: a "/sync" beside it finishes, and Exit
// still ends the program.
TEST_F(SchedulerInProgramTest, AnUnansweredNoticeHoldsNoRunLock) {
  LoopbackHttpServer server([](const RecordedRequest&) { return Ok(kOnePerson); });
  HWND dialog = StartScheduled(4, server.port());
  ASSERT_NE(dialog, nullptr);
  std::u16string notice;
  ASSERT_NE(program_.WaitForMessageBox(notice, 30000), nullptr);
  EXPECT_EQ(notice, u"很抱歉，暂不支持Foxmail5.x/6！");

  const ProcessResult oneShot = folder_.Sync();
  EXPECT_EQ(oneShot.exitCode, 0u);
  EXPECT_EQ(oneShot.output,
            "\xE6\x9C\xAA\xE5\x8F\x91\xE7\x8E\xB0\xE5\x90\x8C\xE6\xAD\xA5"
            "\xE4\xBB\xBB\xE5\x8A\xA1\r\n");  // "未发现同步任务"
  EXPECT_EQ(server.Requests().size(), 2u);

  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

TEST_F(SchedulerInProgramTest, FailedRunRaisesOneBalloonWhoseClickOpensTheDialog) {
  // The server's own error text (a wrong password) is not tried again.
  LoopbackHttpServer server([](const RecordedRequest&) {
    return Ok(
        "<?xml version=\"1.0\"?><error>\xE5\xAF\x86\xE7\xA0\x81\xE9\x94\x99\xE8\xAF\xAF</error>");
  });
  HWND dialog = StartScheduled(-1, server.port());
  ASSERT_NE(dialog, nullptr);
  std::optional<TrayReport> report;
  ASSERT_TRUE(WaitUntil(
      [&] { return (report = ProgramDriver::QueryTray(dialog)) && report->balloons > 0; }, 30000));
  EXPECT_EQ(FromWide(report->balloon.szInfoTitle), u"地址簿同步失败");
  EXPECT_EQ(FromWide(report->balloon.szInfo), u"密码错误");
  EXPECT_EQ(report->balloon.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));

  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  PostMessageW(dialog, kTrayCallbackMessage, kTrayIconId, NIN_BALLOONUSERCLICK);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
  EXPECT_EQ(ProgramDriver::QueryTray(dialog)->balloons, 1u);
  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

// A server down at the day's run and up a few minutes later: the run is tried again
// (minutes shortened to seconds), the tip says when, and no balloon appears.
TEST_F(SchedulerInProgramTest, DownloadThatFailsIsRetriedWithoutABalloon) {
  LoopbackHttpServer server(std::vector<ScriptedReply>{{"", ReplyEnd::Reset}, Ok(kOnePerson)});
  HWND dialog = StartScheduled(-1, server.port(), L"1000");
  ASSERT_NE(dialog, nullptr);
  std::optional<TrayReport> report;
  ASSERT_TRUE(WaitUntil(
      [&] {
        return (report = ProgramDriver::QueryTray(dialog)) &&
               FromWide(report->tip.szTip).find(u"重试") != std::u16string::npos;
      },
      30000));
  // The retry reached the server.
  EXPECT_TRUE(
      WaitUntil([&] { return folder_.Log().find(kNoTaskLine) != std::string::npos; }, 30000))
      << folder_.Log();
  EXPECT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(ProgramDriver::QueryTray(dialog)->balloons, 0u);

  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

// Foxmail 7 open when the day's run comes: the run waits for Foxmail, not for
// the clock, and writes the answer it already has the moment Foxmail ends.
TEST_F(SchedulerInProgramTest, FoxmailOpenAtTheRunIsSyncedWhenItEndsWithoutABalloon) {
  TestFoxmail7Installation fox{FoxmailCommandKey::Scope::Shared};
  fox.GiveUserFolder();
  RunningDummy foxmail(fox.exePath);
  ASSERT_TRUE(foxmail.started());
  LoopbackHttpServer server([](const RecordedRequest&) { return Ok(kThreeColleagues); });
  HWND dialog = StartScheduled(5, server.port());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(WaitUntil(
      [&] { return ProgramDriver::TrayTip(dialog).ends_with(u"关闭Foxmail后同步"); }, 30000))
      << folder_.Log();
  foxmail.Stop();
  EXPECT_TRUE(WaitUntil([&] { return ListDirectory(fox.folder) == kSevenFilesListing; }, 5000))
      << folder_.Log();
  EXPECT_EQ(server.Requests().size(), 1u);  // the day's answer, not downloaded again
  EXPECT_EQ(ProgramDriver::QueryTray(dialog)->balloons, 0u);
  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

// Foxmail 7 chosen in the dialog after the start, with no client chosen
// before: the day's run (queued behind another program's run) finds it open,
// waits for it, and writes the folder once it ends.
TEST_F(SchedulerInProgramTest, FoxmailChosenAfterTheStartIsWaitedFor) {
  TestFoxmail7Installation fox{FoxmailCommandKey::Scope::Shared};
  fox.GiveUserFolder();
  RunningDummy foxmail(fox.exePath);
  ASSERT_TRUE(foxmail.started());
  LoopbackHttpServer server([](const RecordedRequest&) { return Ok(kThreeColleagues); });
  NamedRunLock otherRun;
  ASSERT_EQ(otherRun.Lock(), IRunLock::Result::Held);
  HWND dialog = StartScheduled(-1, server.port());
  ASSERT_NE(dialog, nullptr);
  SendMessageW(GetDlgItem(dialog, IDC_CLIENT_FOXMAIL_7), BM_CLICK, 0, 0);
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  otherRun.Unlock();
  ASSERT_TRUE(WaitUntil(
      [&] { return ProgramDriver::TrayTip(dialog).ends_with(u"关闭Foxmail后同步"); }, 30000))
      << folder_.Log();
  foxmail.Stop();
  EXPECT_TRUE(WaitUntil([&] { return ListDirectory(fox.folder) == kSevenFilesListing; }, 5000))
      << folder_.Log();
  EXPECT_EQ(ProgramDriver::QueryTray(dialog)->balloons, 0u);
  EXPECT_EQ(program_.Exit(dialog), std::optional<DWORD>(0));
}

}  // namespace
