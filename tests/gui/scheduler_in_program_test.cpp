// The daily scheduler inside the running program: with SyncTime set to the
// current minute, the automatic run happens, logs its line and records the
// date, and the dialog stays as it was; a failure that cannot pass raises a
// balloon at once, one that can is tried again without one.

#include <gtest/gtest.h>

#include <cstdio>

#include "common/utf_convert.h"

#include "http_test_replies.h"
#include "loopback_http_server_win.h"
#include "program_driver_win.h"
#include "resources/resource.h"
#include "win_test_support.h"

namespace {

const char kOnePerson[] =
    "<?xml version=\"1.0\"?><addressbooks><person Name=\"a\" E-Mail=\"a@b\"/></addressbooks>";

// The program in a folder of its own, with automatic sync at the current
// minute (leaving enough of it for the program to start within it).
std::u16string PrepareScheduledProgram(const ScratchDir& dir, int client, uint16_t port,
                                       SYSTEMTIME& now) {
  const std::u16string exe = dir.File(u"Tarnwell地址簿同步.exe");
  CopyFileW(AsWide(HostPath(TW_APP_EXE)), AsWide(exe), FALSE);
  GetLocalTime(&now);
  if (now.wSecond > 45) {
    const WORD minute = now.wMinute;
    WaitUntil([&] {
      GetLocalTime(&now);
      return now.wMinute != minute;
    }, 20000);
  }
  const int syncTime = now.wHour * 60 + now.wMinute;
  WriteFileBytes(dir.File(u"AddrBookSync.ini"),
                 "[General]\r\nEmailClient=" + std::to_string(client) +
                     "\r\nSyncType=0\r\nSyncTime=" + std::to_string(syncTime) +
                     "\r\n[Server]\r\nServerHost=127.0.0.1\r\nServerPort=" +
                     std::to_string(port) +
                     "\r\nAccount=a@corp.example\r\nPassword=c2VjcmV0\r\nSavePassword=1\r\n");
  return exe;
}

TEST(SchedulerInProgramTest, RunsAtTheConfiguredMinuteAndRecordsTheDate) {
  LoopbackHttpServer server([](const RecordedRequest&) { return Ok(kOnePerson); });
  ScratchDir dir;
  SYSTEMTIME now;
  const std::u16string exe = PrepareScheduledProgram(dir, -1, server.port(), now);

  ProgramDriver program;
  ASSERT_TRUE(program.Start(exe));
  HWND dialog = program.WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  // "未发现同步任务" in code page 936: no client chosen, nothing written.
  const std::string line = " :\xCE\xB4\xB7\xA2\xCF\xD6\xCD\xAC\xB2\xBD\xC8\xCE\xCE\xF1\r\n";
  EXPECT_TRUE(WaitUntil([&] {
    return ReadFileBytes(dir.File(u"syncaddrs.log")).find(line) != std::string::npos;
  }, 30000)) << ReadFileBytes(dir.File(u"syncaddrs.log"));
  EXPECT_EQ(server.Requests().size(), 1u);

  char date[32];
  std::snprintf(date, sizeof date, "LastAutoSync=%04d-%02d-%02d\r\n", now.wYear, now.wMonth, now.wDay);
  EXPECT_NE(ReadFileBytes(dir.File(u"AddrBookSync.ini")).find(date), std::string::npos);
  EXPECT_TRUE(IsWindowVisible(dialog));  // an automatic run shows nothing

  PostMessageW(dialog, WM_COMMAND, ID_TRAY_EXIT, 0);
  EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

// The Foxmail 5.x/6.x notice of a scheduled run, left unanswered on an
// empty desk, holds up no other run: a "/sync" beside it finishes, and Exit
// still ends the program.
TEST(SchedulerInProgramTest, AnUnansweredNoticeHoldsNoRunLock) {
  LoopbackHttpServer server([](const RecordedRequest&) { return Ok(kOnePerson); });
  ScratchDir dir;
  SYSTEMTIME now;
  const std::u16string exe = PrepareScheduledProgram(dir, 4, server.port(), now);
  ProgramDriver program;
  ASSERT_TRUE(program.Start(exe));
  HWND dialog = program.WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  std::u16string notice;
  ASSERT_NE(program.WaitForMessageBox(notice, 30000), nullptr);
  EXPECT_EQ(notice, u"很抱歉，暂不支持Foxmail5.x/6！");

  const ProcessResult oneShot = RunProgram(exe, u"/sync");
  EXPECT_EQ(oneShot.exitCode, 0u);
  EXPECT_EQ(oneShot.output, "\xE6\x9C\xAA\xE5\x8F\x91\xE7\x8E\xB0\xE5\x90\x8C\xE6\xAD\xA5"
                            "\xE4\xBB\xBB\xE5\x8A\xA1\r\n");  // "未发现同步任务"
  EXPECT_EQ(server.Requests().size(), 2u);

  PostMessageW(dialog, WM_COMMAND, ID_TRAY_EXIT, 0);
  EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

TEST(SchedulerInProgramTest, FailedRunRaisesOneBalloonWhoseClickOpensTheDialog) {
  // The server's own error text (a wrong password) is not tried again.
  LoopbackHttpServer server(
      [](const RecordedRequest&) { return Ok("<?xml version=\"1.0\"?><error>\xE5\xAF\x86\xE7\xA0\x81\xE9\x94\x99\xE8\xAF\xAF</error>"); });
  ScratchDir dir;
  SYSTEMTIME now;
  const std::u16string exe = PrepareScheduledProgram(dir, -1, server.port(), now);
  ProgramDriver program;
  ASSERT_TRUE(program.Start(exe));
  HWND dialog = program.WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  std::optional<TrayReport> report;
  ASSERT_TRUE(WaitUntil([&] { return (report = ProgramDriver::QueryTray(dialog)) && report->balloons > 0; }, 30000));
  EXPECT_EQ(FromWide(report->balloon.szInfoTitle), u"地址簿同步失败");
  EXPECT_EQ(FromWide(report->balloon.szInfo), u"密码错误");
  EXPECT_EQ(report->balloon.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));

  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  PostMessageW(dialog, WM_USER + 110, 10, NIN_BALLOONUSERCLICK);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
  EXPECT_EQ(ProgramDriver::QueryTray(dialog)->balloons, 1u);
  PostMessageW(dialog, WM_COMMAND, ID_TRAY_EXIT, 0);
  EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

// A server down at 09:00 and up a few minutes later: the run is tried again
// (minutes shortened to seconds), the tip says when, and no balloon appears.
TEST(SchedulerInProgramTest, DownloadThatFailsIsRetriedWithoutABalloon) {
  LoopbackHttpServer server(std::vector<ScriptedReply>{{"", ReplyEnd::Reset}, Ok(kOnePerson)});
  ScratchDir dir;
  SYSTEMTIME now;
  const std::u16string exe = PrepareScheduledProgram(dir, -1, server.port(), now);
  SetEnvironmentVariableW(L"TW_TEST_RETRY_MINUTE_MS", L"1000");
  ProgramDriver program;
  const bool started = program.Start(exe);
  SetEnvironmentVariableW(L"TW_TEST_RETRY_MINUTE_MS", nullptr);
  ASSERT_TRUE(started);
  HWND dialog = program.WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  std::optional<TrayReport> report;
  ASSERT_TRUE(WaitUntil([&] {
    return (report = ProgramDriver::QueryTray(dialog)) &&
           FromWide(report->tip.szTip).find(u"重试") != std::u16string::npos;
  }, 30000));
  // "未发现同步任务" in code page 936: the retry reached the server.
  const std::string line = " :\xCE\xB4\xB7\xA2\xCF\xD6\xCD\xAC\xB2\xBD\xC8\xCE\xCE\xF1\r\n";
  EXPECT_TRUE(WaitUntil([&] {
    return ReadFileBytes(dir.File(u"syncaddrs.log")).find(line) != std::string::npos;
  }, 30000)) << ReadFileBytes(dir.File(u"syncaddrs.log"));
  EXPECT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(ProgramDriver::QueryTray(dialog)->balloons, 0u);

  PostMessageW(dialog, WM_COMMAND, ID_TRAY_EXIT, 0);
  EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

}  // namespace
