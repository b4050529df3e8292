// The resident program's decisions over a simulated year of a desktop, seed
// after seed: log-ons and log-offs, sleeps, daylight saving and a clock set
// back by hand, the server down, Outlook busy, Foxmail open, every cause of
// failure, settings and policy changes, manual runs, Exit during a run. The
// driver below does what CSyncEngine's thread does; after every event the
// promises are checked. TW_SIM_SEED=<n> replays one seed.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>

#include "sync/resident_schedule.h"

namespace {

constexpr int64_t kMinute = 60, kHour = 3600, kDay = 86400;
// The simulation steps up to 40 minutes between moments; a wider gap is a
// resume, as 2 minutes are for the engine's half-second polls.
constexpr int64_t kGap = 41 * kMinute;
constexpr int64_t kYearStart = 1767225600;  // 2026-01-01 00:00 UTC

LocalDateTime Civil(int64_t t) {
  const int64_t days = (t >= 0 ? t : t - kDay + 1) / kDay, rest = t - days * kDay;
  const std::chrono::year_month_day d{std::chrono::sys_days{std::chrono::days{days}}};
  return {static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
          static_cast<int>(static_cast<unsigned>(d.day())), static_cast<int>(rest / kHour),
          static_cast<int>(rest / kMinute % 60), static_cast<int>(rest % 60)};
}

enum class Ev { Begin, Start, Feed, Daily, Retry, AfterClient, End, Sleep, Exit, ClockBack, Dst, Saved, Policy, ClientOpen, ClientClosed };
const char* const kEvNames[] = {"run-begins", "start", "feed", "daily", "retry", "after-client", "end", "sleep", "exit", "clock-back", "dst", "saved", "policy", "client-open", "client-closed"};

struct Year {
  explicit Year(uint64_t seed) : seed(seed), rng(seed), hasWatch(seed % 4 != 0) {}

  uint64_t seed;
  std::mt19937_64 rng;
  bool hasWatch;
  DesktopIdentity desktop{u"PC-7", u"zhang"};
  // The world.
  int64_t real = kYearStart - 8 * kHour, skew = 0, zone = 8 * kHour;
  bool serverDown = false, outlookBusy = false, clientOpen = false;
  int64_t keptDay = -1;  // the day of the last answer downloaded
  SyncSettings own;
  std::optional<int32_t> managedType, managedTime, managedSpread;
  std::u16string storedDate, storedWait;
  // The program and its driver.
  std::optional<ResidentSchedule> program;
  bool exitAsked = false, watching = false, manualQueued = false;
  std::optional<AutoRun> queued;
  struct Run { RunMode mode; std::optional<AutoRunKind> kind; int64_t end; bool stopped; };
  std::optional<Run> current;
  // What the promises remember.
  int64_t startAt = 0, spellStart = 0, lastFeedLocal = -1, lastSeen = 0;
  int changes = 0, changesAtSpell = 0;  // settings changes, in all and when the spell began
  std::u16string expectedDate, dateBeforeDaily;
  std::pair<int64_t, int32_t> lastDaily;
  std::map<int64_t, std::set<int32_t>> fired;  // local day -> due minutes fired
  std::map<int64_t, int> retries;
  std::set<std::pair<int64_t, std::u16string>> ballooned;
  std::set<int64_t> unsyncedDays;
  struct Failure { int64_t at; int64_t day; RunFailure cause; bool forgotten; bool interrupted; };
  std::optional<Failure> lastFailure;
  bool clientEndedPending = false, firstFeed = false, noticeOwed = false;  // owed: a wait unsynced so far
  int afterClientRuns = 0;  // of the wait going
  std::array<std::array<int64_t, 3>, 24> recent{};
  size_t recentCount = 0;
  std::string broken;

  int64_t Clock() const { return real + skew; }
  int64_t LocalSeconds() const { return Clock() + zone; }
  int64_t Today() const { return LocalSeconds() / kDay; }
  // A managed setting wins over the user's own.
  SyncSettings effective;
  int32_t due = 540;
  void Overlay() {
    effective = own;
    if (managedType) effective.SyncType = *managedType;
    if (managedTime) effective.SyncTime = *managedTime;
    if (managedSpread) effective.SyncSpread = *managedSpread;
    due = SpreadSyncTime(effective.SyncTime, SpreadOffset(desktop, effective.SyncSpread));
  }
  ResidentMoment Moment() const { return {Clock(), Civil(LocalSeconds()), effective}; }
  int32_t Due() const { return due; }
  bool DailyOn() const {
    return effective.SyncType == 0 && effective.SyncTime >= 0 && effective.SyncTime < 1440;
  }
  int32_t Minute() const { return static_cast<int32_t>(LocalSeconds() % kDay / kMinute); }
  bool Chance(int in) { return std::uniform_int_distribution<int>(1, in)(rng) == 1; }
  int64_t Between(int64_t a, int64_t b) { return std::uniform_int_distribution<int64_t>(a, b)(rng); }

  void Log(Ev e, int64_t a = 0) {
    recent[recentCount++ % recent.size()] = {LocalSeconds(), static_cast<int64_t>(e), a};
  }
  void Expect(bool ok, const char* promise) {
    if (ok || !broken.empty()) return;
    broken = "seed " + std::to_string(seed) + ": " + promise + "\n";
    for (size_t i = recentCount > recent.size() ? recentCount - recent.size() : 0; i < recentCount; ++i) {
      const auto& [at, e, a] = recent[i % recent.size()];
      const LocalDateTime l = Civil(at);
      char line[96];
      std::snprintf(line, sizeof line, "  %04d-%02d-%02d %02d:%02d:%02d %s %lld\n", l.year, l.month,
                    l.day, l.hour, l.minute, l.second, kEvNames[e], static_cast<long long>(a));
      broken += line;
    }
  }

  void Persist() {
    storedDate = program->lastAutoSync();
    storedWait = program->clientWaitDate();
    Expect(storedDate == expectedDate, "LastAutoSync names the last day with an automatic attempt");
    const auto afterClient = [](const auto& run) { return run && run->kind == AutoRunKind::AfterClient; };
    Expect(!program->watchClient() || !(afterClient(queued) || afterClient(current)),
           "one run for one end of the client");
    if (watching && !program->watchClient()) watching = false;
    if (!watching && program->watchClient()) {
      watching = clientOpen;
      if (!clientOpen) ClientEnded();  // Watch: no such process now
    }
  }
  void ClientEnded() {
    clientEndedPending = program->watchClient();
    program->ClientEnded();
  }

  void StartProgram() {
    program.emplace(desktop, 60, kGap);
    exitAsked = watching = manualQueued = clientEndedPending = noticeOwed = false;
    queued.reset();
    retries.clear();  // a day's counts live as long as the program
    ballooned.clear();
    startAt = spellStart = lastSeen = Clock();
    changesAtSpell = changes;
    lastFeedLocal = -1;
    Log(Ev::Start, clientOpen);
    const bool due = DailyOn() && Minute() > Due() && storedDate != Civil(LocalSeconds()).DateText();
    firstFeed = hasWatch && !clientOpen && (due || !storedWait.empty());
    program->Started(Moment(), storedDate, storedWait, hasWatch ? std::optional(clientOpen) : std::nullopt);
    if (firstFeed) clientEndedPending = !storedWait.empty();
    Persist();
  }

  void Feed() {
    if (!program || queued || (current && current->kind)) return;
    Log(Ev::Feed, Due());
    // A sleep or a clock set: the program looks again, as after a start.
    if (std::abs(Clock() - lastSeen) > kGap) spellStart = Clock(), lastFeedLocal = -1, changesAtSpell = changes;
    lastSeen = Clock();
    const std::u16string waitBefore = program->clientWaitDate();
    const std::optional<AutoRun> run = program->TimePassed(Moment());
    if (exitAsked) return Expect(!run, "no run starts once Exit is asked");
    const bool noticed = program->TakeUnsyncedNotice().has_value();
    if (noticed) Expect(unsyncedDays.insert(Today()).second, "one balloon a day for a day without a sync");
    if (run && run->kind == AutoRunKind::Daily && noticeOwed && waitBefore < Civil(LocalSeconds()).DateText()) {
      Expect(noticed, "a day that waited for the client in vain is told at the next day's run");
      noticeOwed = false;
    }
    const int64_t today = Today();
    const int32_t minute = Minute();
    Expect(!firstFeed || run, "a run at once at a start before the client opens");
    firstFeed = false;
    if (!run) {
      const bool owed = DailyOn() && changes == changesAtSpell && Clock() >= spellStart + 150 &&
                        minute > due && fired[today].empty() && storedDate != Civil(LocalSeconds()).DateText();
      Expect(!owed, "a day up past its due minute gets its run");
      Expect(!clientEndedPending || (current && !current->kind), "a run right after the client ends");
    } else if (run->kind == AutoRunKind::Daily) {
      Log(Ev::Daily, due);
      Expect(DailyOn() && minute >= due, "no daily run before its due minute, by the settings in effect");
      Expect(fired[today].insert(due).second, "one daily run a day");
      const bool crossed = lastFeedLocal >= 0 && minute >= due &&
                           (lastFeedLocal / kDay < today || lastFeedLocal % kDay / kMinute < due);
      Expect(minute == due || crossed || Clock() >= spellStart + ResidentSchedule::kCatchUpDelaySeconds ||
                 (Clock() == startAt && hasWatch && !clientOpen),
             "a catch-up waits its delay");
      dateBeforeDaily = expectedDate;
      lastDaily = {today, due};
      expectedDate = Civil(LocalSeconds()).DateText();
      clientEndedPending = false;
    } else if (run->kind == AutoRunKind::Retry) {
      Log(Ev::Retry);
      Expect(lastFailure && !lastFailure->forgotten, "no retry after a manual success or a settings change");
      if (lastFailure) {
        const int k = retries[today]++;
        const int64_t base = int64_t{ResidentSchedule::kFirstRetryMinutes << std::min(k, 8)} * kMinute;
        const int64_t waited = Clock() - lastFailure->at;
        Expect(k < ResidentSchedule::kMaxRetries, "at most 4 retries a day");
        Expect(lastFailure->day == today, "a retry on its own day");
        Expect(waited >= base && (lastFailure->interrupted || waited <= base * 3 / 2 + 1),
               "a retry 5, 10, 20 or 40 minutes, lengthened by at most half, after its failure");
        Expect(CanPassBySelf(lastFailure->cause) && !(hasWatch && lastFailure->cause == RunFailure::ClientRunning),
               "a retry only for a cause that can pass, never for an open client");
      }
      lastFailure.reset();
    } else {
      Log(Ev::AfterClient);
      Expect(clientEndedPending, "a run after the client only once it ended");
      Expect(run->source == AnswerSource::KeptCopyOfToday, "the run after the client uses today's answer");
      clientEndedPending = false;
    }
    if (run) queued = run;
    lastFeedLocal = LocalSeconds();
    Persist();
  }

  void StartRun(RunMode mode, std::optional<AutoRunKind> kind) {
    const bool may = program->MayStart(mode);
    if (!may && kind) Refused();
    if (kind) queued.reset();
    if (!may) return;
    Expect(!exitAsked, "no run starts once Exit is asked");
    Log(Ev::Begin, kind ? static_cast<int64_t>(*kind) : -1);
    if (kind == AutoRunKind::AfterClient) ++afterClientRuns;
    current = Run{mode, kind, Clock() + Between(1, 15) * kMinute, false};
  }
  void Refused() {
    program->Refused(RunMode::Automatic);
    if (queued && queued->kind == AutoRunKind::Daily) NotHappened();
    Persist();
  }
  // A daily run refused or given up at Exit: the next start catches up.
  void NotHappened() {
    expectedDate = dateBeforeDaily;
    fired[lastDaily.first].erase(lastDaily.second);
  }

  SyncRunOutcome Outcome(const Run& run) {
    SyncRunOutcome o;
    const bool kept = run.kind == AutoRunKind::AfterClient && keptDay == Today();
    if (run.stopped) o.failure = RunFailure::Stopped;
    else if (serverDown && !kept) o.failure = RunFailure::DownloadFailed;
    else if (Chance(40)) o.failure = static_cast<RunFailure>(Between(1, static_cast<int>(RunFailure::RunError)));
    else if (clientOpen) o.failure = RunFailure::ClientRunning;
    else if (outlookBusy) o.failure = RunFailure::ClientUnavailable;
    if (!serverDown) keptDay = Today();
    o.resultText = u"cause " + std::u16string(1, static_cast<char16_t>(u'A' + static_cast<int>(o.failure)));
    return o;
  }

  void EndRun() {
    const Run run = *current;
    current.reset();
    const SyncRunOutcome o = Outcome(run);
    lastSeen = Clock();
    Log(Ev::End, static_cast<int64_t>(o.failure));
    const bool waited = !program->clientWaitDate().empty();
    const RunEndDecision d = program->RunEnded(run.mode, o, Moment(), std::uniform_real_distribution<double>(0, 1)(rng));
    Expect(run.mode == RunMode::Automatic || waited || !d.waitsForClient,
           "a manual run starts no wait for the client");
    if (run.mode == RunMode::Manual) noticeOwed = false;
    if (run.mode == RunMode::Manual && o.success()) {
      if (lastFailure) lastFailure->forgotten = true;
      clientEndedPending = false;
      Expect(program->clientWaitDate().empty(), "a manual success ends the wait for the client");
    }
    if (run.mode == RunMode::Automatic && o.failure == RunFailure::ClientRunning && hasWatch) {
      Expect(d.waitsForClient || (run.kind == AutoRunKind::AfterClient &&
                                  (!waited || afterClientRuns >= ResidentSchedule::kMaxClientWaitRuns)),
             "an open client is waited for, a few times at most");
      if (!waited && d.waitsForClient) noticeOwed = !exitAsked, afterClientRuns = 0;
    }
    if (program->clientWaitDate().empty() && !(run.kind == AutoRunKind::Daily && waited)) noticeOwed = false;
    if (run.mode == RunMode::Automatic) {
      if (o.failure == RunFailure::Stopped && run.kind == AutoRunKind::Daily) NotHappened();
      if (d.retryAt) lastFailure = Failure{Clock(), Today(), o.failure, false, false};
      Expect(!d.retryAt || (*d.retryAt >= Civil(LocalSeconds()).ClockText() && *d.retryAt < u"24:00"),
             "a retry planned before midnight");
    }
    if (d.balloon) {
      Expect(run.mode == RunMode::Automatic && !o.success() && o.failure != RunFailure::Stopped && !exitAsked,
             "a balloon only for an automatic failure, never at Exit");
      Expect(!d.retryAt && !d.waitsForClient && program->clientWaitDate().empty(),
             "no balloon while a retry or the client's end is awaited");
      Expect(ballooned.insert({Today(), o.resultText}).second, "a failure's balloon once a day");
    } else {
      Expect(run.mode != RunMode::Automatic || o.success() || o.failure == RunFailure::Stopped || exitAsked ||
                 (hasWatch && o.failure == RunFailure::ClientRunning) || d.retryAt ||
                 ballooned.count({Today(), o.resultText}),
             "an automatic failure with nothing pending is told once a day");
    }
    Persist();
  }

  void Exit() {
    Log(Ev::Exit);
    exitAsked = true;
    program->ExitAsked();
    if (current && Chance(2)) current->stopped = true, current->end = Clock();  // the download gives up
    Persist();
  }

  void ChangeSettings() {
    ++changes;
    if (Chance(3)) {
      Log(Ev::Policy);
      managedType = Chance(3) ? std::optional<int32_t>(Chance(4)) : std::nullopt;
      managedTime = Chance(2) ? std::optional<int32_t>(Between(6, 12) * 60) : std::nullopt;
      managedSpread = Chance(2) ? std::optional<int32_t>(Between(0, 120)) : std::nullopt;
      return Overlay();
    }
    Log(Ev::Saved);
    own.SyncType = Chance(8);
    own.SyncTime = Chance(20) ? -30 : static_cast<int32_t>(Between(0, 1439));
    own.SyncSpread = Chance(2) ? 0 : static_cast<int32_t>(Between(0, 120));
    Overlay();
    if (lastFailure) lastFailure->forgotten = true;
    clientEndedPending = false;  // a settings change ends the wait
    if (program && !exitAsked) {
      program->SettingsSaved();
      Expect(program->clientWaitDate().empty(), "a settings change ends the wait for the client");
      noticeOwed = false;
      Persist();
    }
  }

  void Live() {
    const int64_t end = real + 365 * kDay;
    const int64_t firstDay = Today();
    int dstChanges = 0;
    while (real < end && broken.empty()) {
      int64_t next = real + Between(5, 40) * kMinute;
      if (current) next = std::min(next, current->end - skew);
      if (program && !exitAsked) {
        if (const auto at = program->nextDecision()) next = std::min(next, std::max(real, *at - skew));
      }
      if (lastFailure && (current || manualQueued)) lastFailure->interrupted = true;
      real = next;
      // Daylight saving in the small hours of a spring and an autumn day.
      if (dstChanges < 2 && Today() >= firstDay + (dstChanges ? 300 : 88) &&
          LocalSeconds() % kDay >= 2 * kHour && LocalSeconds() % kDay < 3 * kHour) {
        zone += dstChanges++ ? -kHour : kHour;
        Log(Ev::Dst, zone / kHour);
      }
      if (current && Clock() >= current->end) {
        EndRun();
        if (exitAsked) program.reset();
      }
      if (Chance(60)) serverDown = !serverDown;
      if (Chance(90)) outlookBusy = !outlookBusy;
      if (Chance(clientOpen ? 25 : 40)) {
        clientOpen = !clientOpen;
        Log(clientOpen ? Ev::ClientOpen : Ev::ClientClosed);
        if (!clientOpen && watching && program) watching = false, ClientEnded();
      }
      if (Chance(250)) ChangeSettings();
      if (!program) {
        if (Chance(25)) StartProgram();
      } else if (!exitAsked) {
        if (Chance(current ? 6 : 70)) {
          Exit();
        } else if (!current && Chance(150)) {
          const int64_t nap = static_cast<int64_t>(std::exp(std::uniform_real_distribution<double>(4.5, 12.5)(rng)));
          Log(Ev::Sleep, nap / kMinute);
          real += nap;
          if (lastFailure) lastFailure->interrupted = true;
        } else if (Chance(500)) {
          const int64_t back = std::min(Between(10, 180) * kMinute, LocalSeconds() % kDay);
          Log(Ev::ClockBack, back / kMinute);
          skew -= back;
          if (lastFailure) lastFailure->interrupted = true;
        } else if (Chance(80) && !manualQueued) {
          manualQueued = true;
        }
      }
      if (program && !current) {
        if (queued) StartRun(RunMode::Automatic, queued->kind);
        else if (manualQueued) manualQueued = false, StartRun(RunMode::Manual, std::nullopt);
      }
      Feed();
      if (program && exitAsked && !current) program.reset();
    }
  }
};

TEST(ResidentSimulationTest, AYearOfADesktopKeepsEveryPromise) {
  uint64_t first = 1, last = 200;
  if (const char* one = std::getenv("TW_SIM_SEED")) first = last = std::strtoull(one, nullptr, 10);
  for (uint64_t seed = first; seed <= last; ++seed) {
    Year year(seed);
    year.Live();
    ASSERT_EQ(year.broken, "") << "replay with TW_SIM_SEED=" << seed;
  }
}

}  // namespace
