// The resident program's rules as scripts of one day, 2026-12-07 (SyncTime
// 09:00, local time as UTC), that read as their documentation; the
// simulation in resident_simulation_test.cpp is their proof.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sync/resident_schedule.h"

namespace {

constexpr int64_t kDayStart = 1796601600;  // 2026-12-07 00:00 UTC

// One thing that happens at "HH:MM". Until then the program looks at the
// clock every half minute; an automatic run it starts ends at once with
// the row's next outcome (success when none is left).
struct Step {
  enum Kind { Until, Manual, ClientEnds, Saved, Exit } kind;
  const char* at;
  RunFailure failure = RunFailure::None;  // of a manual run
};

int64_t At(const char* hhmm) {
  return kDayStart + std::stoi(std::string(hhmm, 2)) * 3600 +
         std::stoi(std::string(hhmm + 3, 2)) * 60;
}

std::string ClockText(int64_t t) {
  char text[8];
  std::snprintf(text, sizeof(text), "%02d:%02d", static_cast<int>((t - kDayStart) / 3600),
                static_cast<int>((t - kDayStart) / 60 % 60));
  return text;
}

TEST(ResidentScheduleTest, ScriptsOfADay) {
  constexpr RunFailure kDown = RunFailure::DownloadFailed;
  struct Case {
    const char* what;
    const char* start;
    std::vector<Step> steps;
    std::vector<RunFailure> outcomes;  // of the automatic runs, in turn
    std::string log;
    double draw = 0;  // where in its window a retry falls
  };
  const Case cases[] = {
      {"one run a day, at SyncTime", "08:00", {{Step::Until, "23:59"}}, {}, "09:00 daily ok"},
      {"a start after SyncTime, Foxmail closed, catches up at once",
       "10:00",
       {{Step::Until, "12:00"}},
       {},
       "10:00 daily ok"},
      {"a failure at 09:00 gives a retry at 09:05 at the earliest",
       "08:00",
       {{Step::Until, "12:00"}},
       {kDown},
       "09:00 daily failed, retry 09:05; 09:05 retry ok"},
      {"... and at 09:07 at the latest",
       "08:00",
       {{Step::Until, "12:00"}},
       {kDown},
       "09:00 daily failed, retry 09:07; 09:07 retry ok",
       0.999},
      {"retries wait twice as long each time, four at most",
       "08:00",
       {{Step::Until, "23:59"}},
       {kDown, kDown, kDown, kDown, kDown},
       "09:00 daily failed, retry 09:05; 09:05 retry failed, retry 09:15; 09:15 retry failed, "
       "retry 09:35; "
       "09:35 retry failed, retry 10:15; 10:15 retry failed"},
      {"a refused password is not retried",
       "08:00",
       {{Step::Until, "23:59"}},
       {RunFailure::ServerError},
       "09:00 daily failed"},
      {"Foxmail open at the run waits for its end",
       "08:00",
       {{Step::ClientEnds, "10:30"}, {Step::Until, "12:00"}},
       {RunFailure::ClientRunning},
       "09:00 daily failed, waits; 10:30 after-client ok"},
      {"a manual success ends a pending retry",
       "08:00",
       {{Step::Manual, "09:02"}, {Step::Until, "12:00"}},
       {kDown},
       "09:00 daily failed, retry 09:05; 09:02 manual ok"},
      {"saved settings end a pending retry",
       "08:00",
       {{Step::Saved, "09:02"}, {Step::Until, "12:00"}},
       {kDown},
       "09:00 daily failed, retry 09:05"},
      {"nothing starts once Exit is asked",
       "08:00",
       {{Step::Exit, "08:30"}, {Step::Until, "12:00"}},
       {},
       ""},
  };
  const char* const kKinds[] = {"daily", "retry", "after-client"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SyncSettings settings;
    ResidentSchedule schedule(DesktopIdentity{u"PC", u"zhang"});
    auto moment = [&](int64_t t) {
      const int hhmm = static_cast<int>(t - kDayStart) / 60;
      return ResidentMoment{.now = t,
                            .local = LocalDateTime{2026, 12, 7, hhmm / 60, hhmm % 60, 0},
                            .settings = settings,
                            .clientWatched = true};
    };
    std::string log;
    auto ended = [&](RunMode mode, const char* name, RunFailure failure, int64_t t) {
      SyncRunOutcome outcome;
      outcome.failure = failure;
      const RunEndDecision d = schedule.RunEnded(mode, outcome, moment(t), c.draw);
      log += (log.empty() ? "" : "; ") + ClockText(t) + " " + name;
      log += outcome.success() ? " ok" : " failed";
      if (d.retryAt) log += ", retry " + std::string(d.retryAt->begin(), d.retryAt->end());
      if (d.waitsForClient) log += ", waits";
    };
    size_t next = 0;
    int64_t t = At(c.start);
    schedule.Started(moment(t), u"", u"", false);
    for (const Step& step : c.steps) {
      for (; t < At(step.at); t += 30) {
        const std::optional<AutoRun> run = schedule.TimePassed(moment(t));
        if (!run || !schedule.MayStart(RunMode::Automatic, moment(t))) continue;
        ended(RunMode::Automatic, kKinds[static_cast<int>(run->kind)],
              next < c.outcomes.size() ? c.outcomes[next++] : RunFailure::None, t);
      }
      switch (step.kind) {
        case Step::Until: break;
        case Step::Manual:
          if (schedule.MayStart(RunMode::Manual, moment(t))) {
            ended(RunMode::Manual, "manual", step.failure, t);
          }
          break;
        case Step::ClientEnds: schedule.ClientEnded(); break;
        case Step::Saved: schedule.SettingsSaved(); break;
        case Step::Exit: schedule.ExitAsked(moment(t)); break;
      }
    }
    EXPECT_EQ(log, c.log);
  }
}

}  // namespace
