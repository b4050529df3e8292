// The tray's tip and balloons as runs start and end, the log is read back
// after a restart, the settings change and Exit is chosen.

#include <gtest/gtest.h>

#include "app/tray_state.h"

namespace {

const std::u16string kName = u"Tarnwell地址簿同步";
const std::u16string kLast = kName + u"\n上次同步：";
const std::u16string kLong(200, u'长');

// One thing that happens to the tray.
struct Event {
  enum Kind { Log, Start, Manual, Auto, Settings, Exit, Unsynced } kind;
  std::u16string text = {};  // the log's tail, or the result text (empty: success)
  std::optional<std::u16string> retryAt = std::nullopt;
  std::u16string stamp = u"2026-12-07 09:00:03";
  bool balloon = false;  // the engine found it news
  bool waitsForClient = false;
};

TEST(TrayStateTest, TipAndBalloonsFollowTheRuns) {
  const std::u16string failed = u"打开URL失败：x";
  const std::u16string exitNotice = kName + u" 正在同步，同步完成后程序将退出。";
  struct Case {
    const char* what;
    std::vector<Event> events;
    bool manualRunning;
    std::u16string tip;
    std::vector<std::u16string> balloons;  // "<title> <text>", "!" after a warning
  };
  const Case cases[] = {
      {"no log yet", {}, false, kName, {}},
      {"a log without stamps",
       {{Event::Log, u"garbage\r\n2026-12-07 09:00:03 -no colon\r\n :no time\r\n"}},
       false,
       kName,
       {}},
      {"the log's last stamped line",
       {{Event::Log,
         u"2026-12-06 09:00:01 :a\r\n2026-12-07 09:00:03 :[Foxmail 7.x] 更新了300个联系人\r\n"}},
       false,
       kLast + u"2026-12-07 09:00 [Foxmail 7.x] 更新了300个联系人",
       {}},
      {"a last line that does not end",
       {{Event::Log, u"2026-12-07 09:00:03 :ok\r\n2026-12-08 09:00:01 :cut"}},
       false,
       kLast + u"2026-12-08 09:00 cut",
       {}},
      {"a result text over lines",
       {{Event::Log, u"2026-12-07 09:00:03 :第一行\r\n第二行\r\n\n"}},
       false,
       kLast + u"2026-12-07 09:00 第一行\n第二行",
       {}},
      {"an empty result text",
       {{Event::Log, u"2026-12-07 09:00:03 :\r\n"}},
       false,
       kLast + u"2026-12-07 09:00 ",
       {}},
      {"a long result cut to the tip",
       {{Event::Manual, kLong}},
       false,
       kLast + u"2026-12-07 09:00 " + std::u16string(127 - kLast.size() - 17, u'长'),
       {}},
      {"a retry's time survives the cut",
       {{Event::Auto, kLong, u"09:06"}},
       false,
       kLast + u"2026-12-07 09:00 " + std::u16string(127 - kLast.size() - 17 - 8, u'长') +
           u"，09:06重试",
       {}},
      {"a download's cause survives the cut",
       {{Event::Auto, kLong + u"（连接超时）", u"09:06"}},
       false,
       kLast + u"2026-12-07 09:00 " + std::u16string(127 - kLast.size() - 17 - 8 - 6, u'长') +
           u"（连接超时），09:06重试",
       {}},
      {"changed settings drop the retry",
       {{Event::Auto, failed, u"09:06"}, {Event::Settings}},
       false,
       kLast + u"2026-12-07 09:00 " + failed,
       {}},
      {"waiting for the client, quietly",
       {{Event::Auto, failed, std::nullopt, u"2026-12-07 09:00:03", false, true}},
       false,
       kLast + u"2026-12-07 09:00 " + failed + u"，关闭Foxmail后同步",
       {}},
      {"a day that waited in vain",
       {{Event::Unsynced, failed}},
       false,
       kName,
       {u"地址簿同步失败 " + failed + u"!"}},
      {"a run going",
       {{Event::Log, u"2026-12-07 09:00:03 :ok\r\n"}, {Event::Start}},
       false,
       kName + u" - 正在同步…",
       {}},
      {"a manual run waiting its turn", {}, true, kName + u" - 正在同步…", {}},
      {"a failed automatic run",
       {{Event::Start}, {Event::Auto, failed, std::nullopt, u"2026-12-07 09:00:03", true}},
       false,
       kLast + u"2026-12-07 09:00 " + failed,
       {u"地址簿同步失败 " + failed + u"!"}},
      {"a failure to be tried again, a manual failure, a success",
       {{Event::Auto, failed, u"09:06"}, {Event::Manual, failed}, {Event::Auto, u""}},
       false,
       kLast + u"2026-12-07 09:00 [Foxmail 7.x] 更新了1个联系人",
       {}},
      {"Exit with nothing going", {{Event::Exit}}, false, kName + u" - 同步完成后退出…", {}},
      {"Exit during a run, which then fails",
       {{Event::Start},
        {Event::Exit},
        {Event::Auto, failed, std::nullopt, u"2026-12-07 09:00:03", true}},
       false,
       kName + u" - 同步完成后退出…",
       {exitNotice}},
      {"Exit while a manual run waits",
       {{Event::Exit}},
       true,
       kName + u" - 同步完成后退出…",
       {exitNotice}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TrayState tray(kName);
    std::vector<TrayBalloon> raised;
    for (const Event& e : c.events) {
      switch (e.kind) {
        case Event::Log: tray.ReadLog(e.text); break;
        case Event::Start: tray.RunStarted(); break;
        case Event::Settings: tray.SettingsChanged(); break;
        case Event::Unsynced:
          tray.Announce(e.text);
          for (TrayBalloon& b : tray.TakeEndedRuns()) raised.push_back(b);
          break;
        case Event::Exit:
          if (auto notice = tray.BeginExit(c.manualRunning)) raised.push_back(*notice);
          break;
        case Event::Manual:
        case Event::Auto: {
          RunReport report{
              e.kind == Event::Auto ? RunMode::Automatic : RunMode::Manual, {}, e.stamp};
          if (!e.text.empty()) report.outcome.failure = RunFailure::DownloadFailed;
          report.outcome.resultText = e.text.empty() ? u"[Foxmail 7.x] 更新了1个联系人" : e.text;
          report.outcome.retryAt = e.retryAt;
          report.outcome.balloon = e.balloon;
          report.outcome.waitsForClient = e.waitsForClient;
          tray.RunEnded(report);
          for (TrayBalloon& b : tray.TakeEndedRuns()) raised.push_back(b);
          break;
        }
      }
    }
    EXPECT_EQ(tray.Tip(c.manualRunning), c.tip);
    std::vector<std::u16string> balloons;
    for (const TrayBalloon& b : raised)
      balloons.push_back(b.title + u" " + b.text + (b.warning ? u"!" : u""));
    EXPECT_EQ(balloons, c.balloons);
  }
}

TEST(TrayStateTest, ACutNeverSplitsASurrogatePair) {
  const std::u16string emoji = u"\U0001F600";
  EXPECT_EQ(FitToCapacity(std::u16string(126, u'x') + emoji, 128), std::u16string(126, u'x'));
  EXPECT_EQ(FitToCapacity(std::u16string(125, u'x') + emoji, 128),
            std::u16string(125, u'x') + emoji);
  EXPECT_EQ(FitToCapacity(std::u16string(20, u'x'), 1), u"");
}

}  // namespace
