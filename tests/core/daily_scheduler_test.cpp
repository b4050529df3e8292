// The scheduler over simulated days: one run per day at the configured
// minute, a caught-up run after start-up or resume, never a repeat.

#include <gtest/gtest.h>

#include "sync/daily_scheduler.h"
#include "sync/retry_schedule.h"

namespace {

// A clock in whole seconds from 2026-12-01 00:00 local time (no DST).
struct SimTime {
  int64_t seconds = 0;
  static constexpr int64_t kDay = 24 * 3600;
  LocalDateTime Local() const {
    const int64_t day = seconds / kDay;
    const int64_t rest = seconds % kDay;
    return {2026, 12, static_cast<int>(1 + day), static_cast<int>(rest / 3600),
            static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60)};
  }
  static int64_t At(int day, int hour, int minute, int second = 0) {
    return day * kDay + hour * 3600 + minute * 60 + second;
  }
};

class Driver {
 public:
  explicit Driver(int64_t start, int32_t syncTime = 540, std::u16string stored = u"")
      : syncTime(syncTime), now_{start},
        scheduler_(std::move(stored), start, now_.Local(), syncTime) {}

  // Polls every half second until `until`; a fired run lasts `runSeconds`.
  void PollUntil(int64_t until, int64_t runSeconds = 5) {
    while (now_.seconds < until) {
      if (scheduler_.Poll(syncType, syncTime, now_.seconds, now_.Local())) {
        runs.push_back(now_.Local());
        now_.seconds += runSeconds;
        scheduler_.RunFinished(now_.seconds);
      }
      now_.seconds += 1;  // two polls a second; one is enough to see each minute
    }
  }
  void SleepMachineUntil(int64_t when) { now_.seconds = when; }
  const DailyScheduler& scheduler() const { return scheduler_; }

  int32_t syncType = 0;
  int32_t syncTime;
  std::vector<LocalDateTime> runs;

 private:
  SimTime now_;
  DailyScheduler scheduler_;
};

std::string Describe(const std::vector<LocalDateTime>& runs) {
  std::string s;
  for (const auto& r : runs) {
    s += std::to_string(r.day) + "@" + std::to_string(r.hour) + ":" + std::to_string(r.minute) + " ";
  }
  return s;
}

TEST(DailySchedulerTest, RunsOnceAtTheMinuteOnEveryDay) {
  Driver d(SimTime::At(0, 8, 0));
  d.PollUntil(SimTime::At(4, 8, 0));
  EXPECT_EQ(Describe(d.runs), "1@9:0 2@9:0 3@9:0 4@9:0 ");
  EXPECT_EQ(d.scheduler().lastAutoSyncDate(), u"2026-12-04");
}

TEST(DailySchedulerTest, MidnightAndLastMinuteOfTheDay) {
  Driver midnight(SimTime::At(0, 12, 0), 0, u"2026-12-01");
  midnight.PollUntil(SimTime::At(3, 12, 0));
  EXPECT_EQ(Describe(midnight.runs), "2@0:0 3@0:0 4@0:0 ");

  Driver late(SimTime::At(0, 12, 0), 1439);
  late.PollUntil(SimTime::At(3, 12, 0));
  EXPECT_EQ(Describe(late.runs), "1@23:59 2@23:59 3@23:59 ");
}

TEST(DailySchedulerTest, LongRunDoesNotRepeatAndDoesNotCountAsSleep) {
  Driver d(SimTime::At(0, 8, 0));
  d.PollUntil(SimTime::At(2, 8, 0), /*runSeconds=*/20 * 60);
  EXPECT_EQ(Describe(d.runs), "1@9:0 2@9:0 ");
}

TEST(DailySchedulerTest, ChangedSyncTimeFiresAgainSameDay) {
  Driver d(SimTime::At(0, 8, 0));
  d.PollUntil(SimTime::At(0, 9, 30));
  d.syncTime = 600;  // 10:00
  d.PollUntil(SimTime::At(0, 11, 0));
  d.syncTime = 540;  // back to 09:00: already passed today
  d.PollUntil(SimTime::At(1, 9, 30));
  EXPECT_EQ(Describe(d.runs), "1@9:0 1@10:0 2@9:0 ");
}

TEST(DailySchedulerTest, ManualSyncTypeStopsAutomaticRuns) {
  Driver d(SimTime::At(0, 8, 0));
  d.PollUntil(SimTime::At(0, 12, 0));
  d.syncType = 1;
  d.PollUntil(SimTime::At(2, 12, 0));
  d.syncType = 0;
  d.PollUntil(SimTime::At(3, 12, 0));
  EXPECT_EQ(Describe(d.runs), "1@9:0 4@9:0 ");
}

TEST(DailySchedulerTest, StartAfterSyncTimeCatchesUpOnceTwoMinutesLater) {
  Driver d(SimTime::At(0, 14, 30), 540, u"2026-11-30");
  d.PollUntil(SimTime::At(1, 12, 0));
  EXPECT_EQ(Describe(d.runs), "1@14:32 2@9:0 ");
}

TEST(DailySchedulerTest, NoCatchUpWhenTodayAlreadyRanOrBeforeSyncTime) {
  Driver ranToday(SimTime::At(0, 14, 30), 540, u"2026-12-01");
  ranToday.PollUntil(SimTime::At(0, 23, 0));
  EXPECT_TRUE(ranToday.runs.empty());

  Driver early(SimTime::At(0, 7, 0), 540, u"2026-11-30");
  early.PollUntil(SimTime::At(0, 9, 30));
  EXPECT_EQ(Describe(early.runs), "1@9:0 ");

  Driver manual(SimTime::At(0, 14, 30), 540, u"2026-11-30");
  manual.syncType = 1;
  manual.PollUntil(SimTime::At(0, 15, 0));
  manual.syncType = 0;  // switching on later is no start-up: wait for tomorrow
  manual.PollUntil(SimTime::At(0, 23, 0));
  EXPECT_TRUE(manual.runs.empty());
}

TEST(DailySchedulerTest, NoTimeChosenNeverFiresNotEvenAsCatchUp) {
  // -30 is what the dialog stores when no time is selected.
  for (int32_t syncTime : {-30, -1, 1440, 100000}) {
    Driver d(SimTime::At(0, 14, 30), syncTime, u"2026-11-30");
    d.PollUntil(SimTime::At(1, 8, 0));
    d.SleepMachineUntil(SimTime::At(1, 13, 0));
    d.PollUntil(SimTime::At(2, 12, 0));
    EXPECT_TRUE(d.runs.empty()) << syncTime << ": " << Describe(d.runs);
  }
}

TEST(DailySchedulerTest, ResumeAfterMissedMinuteCatchesUpOnce) {
  Driver d(SimTime::At(0, 8, 0));
  d.PollUntil(SimTime::At(0, 9, 30));             // day 1 runs at 09:00
  d.PollUntil(SimTime::At(1, 8, 50));
  d.SleepMachineUntil(SimTime::At(1, 13, 0));     // asleep over 09:00 on day 2
  d.PollUntil(SimTime::At(1, 18, 0));
  d.SleepMachineUntil(SimTime::At(1, 20, 0));     // a second sleep the same day
  d.PollUntil(SimTime::At(2, 9, 30));
  EXPECT_EQ(Describe(d.runs), "1@9:0 2@13:2 3@9:0 ");
}

TEST(DailySchedulerTest, RestartWithinTheMinuteOfTodaysRunDoesNotRepeatIt) {
  Driver d(SimTime::At(0, 9, 0, 30), 540, u"2026-12-01");
  d.PollUntil(SimTime::At(1, 9, 30));
  EXPECT_EQ(Describe(d.runs), "2@9:0 ");
}

TEST(DailySchedulerTest, UnknownLocalTimeNeverFires) {
  DailyScheduler s(u"", 0, std::nullopt, 540);
  for (int64_t t = 0; t < 3 * SimTime::kDay; t += 30) {
    EXPECT_FALSE(s.Poll(0, 540, t, std::nullopt));
  }
}

// The retries of a failed automatic run: which causes, when, how many.
// Each row fails at 09:00 and goes on failing with the same cause.
TEST(RetryScheduleTest, CausesTimesAndMidnight) {
  struct Row {
    RunFailure cause;
    int64_t start;
    double draw;
    std::string retries;  // minutes after the first failure at which it retries
  };
  const Row rows[] = {
      {RunFailure::DownloadFailed, SimTime::At(0, 9, 0), 0.0, "5 15 35 75 "},
      {RunFailure::ClientUnavailable, SimTime::At(0, 9, 0), 0.0, "5 15 35 75 "},
      {RunFailure::ClientFilesInUse, SimTime::At(0, 9, 0), 0.0, "5 15 35 75 "},
      {RunFailure::RunLockUnavailable, SimTime::At(0, 9, 0), 0.0, "5 15 35 75 "},
      // Lengthened by half at most: 7.5, 15, 30, 60 minutes.
      {RunFailure::DownloadFailed, SimTime::At(0, 9, 0), 0.999999, "7 22 52 112 "},
      {RunFailure::NoPassword, SimTime::At(0, 9, 0), 0.0, ""},
      {RunFailure::ServerError, SimTime::At(0, 9, 0), 0.0, ""},
      {RunFailure::CertificateInvalid, SimTime::At(0, 9, 0), 0.0, ""},
      {RunFailure::ParseFailed, SimTime::At(0, 9, 0), 0.0, ""},
      {RunFailure::ClientNotInstalled, SimTime::At(0, 9, 0), 0.0, ""},
      {RunFailure::EmptyList, SimTime::At(0, 9, 0), 0.0, ""},
      {RunFailure::WriterFailed, SimTime::At(0, 9, 0), 0.0, ""},
      {RunFailure::RunError, SimTime::At(0, 9, 0), 0.0, ""},
      // 23:00: the 40-minute retry would pass midnight.
      {RunFailure::DownloadFailed, SimTime::At(0, 23, 0), 0.0, "5 15 35 "},
      {RunFailure::DownloadFailed, SimTime::At(0, 23, 56), 0.0, ""},
  };
  for (const Row& row : rows) {
    RetrySchedule retries;
    retries.DayStarted();
    std::string got;
    SimTime now{row.start};
    while (const std::optional<int64_t> due = retries.Failed(row.cause, now.seconds, now.Local(), row.draw)) {
      EXPECT_FALSE(retries.TakeDue(*due - 1));
      EXPECT_TRUE(retries.TakeDue(*due));
      now.seconds = *due;
      got += std::to_string((now.seconds - row.start) / 60) + " ";
    }
    EXPECT_EQ(got, row.retries) << static_cast<int>(row.cause) << " at " << row.start;
  }
}

TEST(RetryScheduleTest, ForgottenRetryAndANewDay) {
  RetrySchedule retries;
  SimTime now{SimTime::At(0, 9, 0)};
  ASSERT_TRUE(retries.Failed(RunFailure::DownloadFailed, now.seconds, now.Local(), 0.5));
  EXPECT_EQ(SimTime{*retries.due()}.Local().ClockText(), u"09:06");
  retries.Forget();  // a manual run succeeded, or the settings changed
  EXPECT_FALSE(retries.TakeDue(SimTime::At(0, 23, 0)));
  for (int i = 1; i < RetrySchedule::kMaxRetries; ++i) {  // the forgotten one counts
    ASSERT_TRUE(retries.Failed(RunFailure::DownloadFailed, now.seconds, now.Local(), 0));
  }
  EXPECT_FALSE(retries.Failed(RunFailure::DownloadFailed, now.seconds, now.Local(), 0));
  now.seconds = SimTime::At(1, 9, 0);
  retries.DayStarted();
  EXPECT_TRUE(retries.Failed(RunFailure::DownloadFailed, now.seconds, now.Local(), 0));
}

}  // namespace
