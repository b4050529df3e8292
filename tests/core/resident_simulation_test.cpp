// The resident program's decisions over a simulated year of a desktop, seed
// after seed: log-ons and log-offs, sleeps, daylight saving and a clock set
// back by hand, the server down, Outlook busy, Foxmail open, every cause of
// failure, settings and policy changes, manual runs, Exit during a run. The
// client, Foxmail's installation, server, account and level change too; the
// kept answer has content and a mark; crashes, another process's /sync, and
// automatic runs queued behind manual ones. The
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

#include "sync/kept_answer.h"
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
  return {static_cast<int>(d.year()),
          static_cast<int>(static_cast<unsigned>(d.month())),
          static_cast<int>(static_cast<unsigned>(d.day())),
          static_cast<int>(rest / kHour),
          static_cast<int>(rest / kMinute % 60),
          static_cast<int>(rest % 60)};
}

enum class Ev {
  Begin,
  Start,
  Feed,
  Daily,
  Retry,
  AfterClient,
  End,
  Sleep,
  Exit,
  ClockBack,
  Dst,
  Saved,
  Policy,
  ClientOpen,
  ClientClosed,
  Install,
  Crash,
  OtherRun
};
const char* const kEvNames[] = {"run-begins",    "start",
                                "feed",          "daily",
                                "retry",         "after-client",
                                "end",           "sleep",
                                "exit",          "clock-back",
                                "dst",           "saved",
                                "policy",        "client-open",
                                "client-closed", "foxmail-installed",
                                "crash",         "other-process-run"};
constexpr int32_t kFoxmail7 = 5, kOutlook = 2;

struct Year {
  explicit Year(uint64_t seed) : seed(seed), rng(seed), foxmail(seed % 4 != 0) {
    own.EmailClient = seed % 3 ? kFoxmail7 : kOutlook, Overlay();
  }

  uint64_t seed;
  std::mt19937_64 rng;
  DesktopIdentity desktop{u"PC-7", u"zhang"};
  // The world.
  int64_t real = kYearStart - 8 * kHour, skew = 0, zone = 8 * kHour;
  bool foxmail, serverDown = false, outlookBusy = false, clientOpen = false;
  SyncSettings own;
  std::optional<int32_t> managedType, managedTime, managedSpread, managedClient, managedLevel;
  std::optional<std::u16string> managedHost;
  std::u16string storedDate, storedWait, keptMark, seenSource;
  struct Copy {
    std::u16string asked;
    int64_t day;
    bool good;
  };
  std::optional<Copy> copy;  // what address.xml holds
  // The program and its driver.
  std::optional<ResidentSchedule> program;
  bool exitAsked = false, watching = false, manualQueued = false;
  std::optional<AutoRun> queued;
  struct Run {
    RunMode mode;
    std::optional<AutoRunKind> kind;
    int64_t end;
    bool stopped;
    SyncSettings settings;
    int64_t day;
    std::optional<LocalDateTime> local;
    std::optional<bool> keptGood;
  };
  std::optional<Run> current;
  // What the promises remember.
  int64_t startAt = 0, spellStart = 0, lastFeedLocal = -1, lastSeen = 0;
  int changes = 0, noticedChanges = 0;  // saves: in all, told to the program
  int moves = 0, movesAtSpell = 0;      // saves and policy refreshes: in all, when the spell began
  int sourceChanges = 0, manualSuccesses = 0, queuedSources = 0, queuedManuals = 0;
  std::u16string expectedDate, dateBeforeDaily;
  std::pair<int64_t, int32_t> lastDaily;
  std::map<int64_t, std::set<int32_t>> fired;  // local day -> due minutes fired
  std::map<int64_t, int> retries;
  std::set<std::pair<int64_t, std::u16string>> ballooned;
  std::set<int64_t> unsyncedDays;
  struct Failure {
    int64_t at;
    int64_t day;
    RunFailure cause;
    bool watched;
    bool forgotten;
    bool interrupted;
  };
  std::optional<Failure> lastFailure;
  bool clientEndedPending = false, firstFeed = false,
       noticeOwed = false;  // owed: a wait unsynced so far
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
    if (managedClient) effective.EmailClient = *managedClient;
    if (managedLevel) effective.SyncLevel = *managedLevel;
    if (managedHost) effective.ServerHost = *managedHost;
    due = SpreadSyncTime(effective.SyncTime, SpreadOffset(desktop, effective.SyncSpread));
    source = Asked(effective) + static_cast<char16_t>(u'0' + effective.EmailClient);
  }
  // What the server answers for, and what pending work was planned for.
  static std::u16string Asked(const SyncSettings& s) {
    return s.ServerHost + u"|" + s.Account + u"|" + static_cast<char16_t>(u'0' + s.SyncLevel);
  }
  std::u16string source;  // of the settings in effect
  bool Watched() const { return effective.EmailClient == kFoxmail7 && foxmail; }
  ResidentMoment Moment() const { return {Clock(), Civil(LocalSeconds()), effective, Watched()}; }
  int32_t Due() const { return due; }
  bool DailyOn() const {
    return effective.SyncType == 0 && effective.SyncTime >= 0 && effective.SyncTime < 1440;
  }
  int32_t Minute() const { return static_cast<int32_t>(LocalSeconds() % kDay / kMinute); }
  bool Chance(int in) { return std::uniform_int_distribution<int>(1, in)(rng) == 1; }
  int64_t Between(int64_t a, int64_t b) {
    return std::uniform_int_distribution<int64_t>(a, b)(rng);
  }

  void Log(Ev e, int64_t a = 0) {
    recent[recentCount++ % recent.size()] = {LocalSeconds(), static_cast<int64_t>(e), a};
  }
  void Expect(bool ok, const char* promise) {
    if (ok || !broken.empty()) return;
    broken = "seed " + std::to_string(seed) + ": " + promise + "\n";
    for (size_t i = recentCount > recent.size() ? recentCount - recent.size() : 0; i < recentCount;
         ++i) {
      const auto& [at, e, a] = recent[i % recent.size()];
      const LocalDateTime l = Civil(at);
      char line[96];
      std::snprintf(line, sizeof line, "  %04d-%02d-%02d %02d:%02d:%02d %s %lld\n", l.year, l.month,
                    l.day, l.hour, l.minute, l.second, kEvNames[e], static_cast<long long>(a));
      broken += line;
    }
  }

  // Before each decision the engine tells a save; a policy that moved the
  // source the schedule sees itself. True when what was pending must go.
  bool Note() {
    const bool saved = noticedChanges != changes, moved = source != seenSource;
    if (saved) noticedChanges = changes, program->SettingsSaved();
    if (!saved && !moved) return false;
    seenSource = source, ++sourceChanges, clientEndedPending = false;
    if (lastFailure) lastFailure->forgotten = true;
    return true;
  }
  void Changed(bool changed, bool refused = false) {
    Expect(!changed || refused || program->clientWaitDate().empty(),
           "a change of server, account, level or client, saved or by policy, ends the wait");
  }

  void Persist() {
    storedDate = program->lastAutoSync();
    storedWait = program->clientWaitDate();
    Expect(storedDate == expectedDate, "LastAutoSync names the last day with an automatic attempt");
    const auto afterClient = [](const auto& run) {
      return run && run->kind == AutoRunKind::AfterClient;
    };
    Expect(!program->watchClient() || !(afterClient(queued) || afterClient(current)),
           "one run for one end of the client");
    Expect(effective.SyncType == 0 || storedWait.empty() || afterClient(current),
           "no wait for the client is kept while automatic runs are off");
    if (storedWait.empty()) noticeOwed = false;
    if (watching && !program->watchClient()) watching = false;
    if (!watching && program->watchClient()) {
      watching = clientOpen && Watched();
      if (!watching) ClientEnded();  // Watch: no such process now
    }
  }
  void ClientEnded() {
    clientEndedPending = program->watchClient();
    program->ClientEnded();
  }

  void StartProgram() {
    program.emplace(desktop, 60, kGap);
    exitAsked = watching = manualQueued = clientEndedPending = false;
    queued.reset();
    retries.clear();  // a day's counts live as long as the program
    ballooned.clear();
    startAt = spellStart = lastSeen = Clock();
    noticedChanges = changes, movesAtSpell = moves, seenSource = source;
    lastFeedLocal = -1;
    Log(Ev::Start, clientOpen);
    const bool due =
        DailyOn() && Minute() > Due() && storedDate != Civil(LocalSeconds()).DateText();
    const bool waits = !storedWait.empty() && effective.SyncType == 0;
    const bool now = Watched() ? !clientOpen : waits;
    firstFeed = now && (due || waits);
    program->Started(Moment(), storedDate, storedWait, clientOpen);
    clientEndedPending = now && waits;
    Persist();
  }

  void Feed() {
    if (!program || queued || (current && current->kind)) return;
    Log(Ev::Feed, Due());
    // A sleep or a clock set: the program looks again, as after a start.
    if (std::abs(Clock() - lastSeen) > kGap)
      spellStart = Clock(), lastFeedLocal = -1, movesAtSpell = moves;
    lastSeen = Clock();
    const std::u16string waitBefore = program->clientWaitDate();
    const bool changed = !exitAsked && Note();
    const std::optional<AutoRun> run = program->TimePassed(Moment());
    if (exitAsked) return Expect(!run, "no run starts once Exit is asked");
    Changed(changed);
    const bool noticed = program->TakeUnsyncedNotice().has_value();
    if (noticed)
      Expect(unsyncedDays.insert(Today()).second, "one balloon a day for a day without a sync");
    if (run && run->kind == AutoRunKind::Daily && noticeOwed &&
        waitBefore.substr(0, 10) < Civil(LocalSeconds()).DateText()) {
      Expect(noticed,
             "a day that waited for the client in vain is told at the next day's run, also after a "
             "restart");
      noticeOwed = false;
    }
    const int64_t today = Today();
    const int32_t minute = Minute();
    Expect(!firstFeed || run, "a run at once at a start before the client opens");
    firstFeed = false;
    if (!run) {
      const bool owed = DailyOn() && moves == movesAtSpell && Clock() >= spellStart + 150 &&
                        minute > due && fired[today].empty() &&
                        storedDate != Civil(LocalSeconds()).DateText();
      Expect(!owed, "a day up past its due minute gets its run");
      Expect(!clientEndedPending || (current && !current->kind),
             "a run right after the client ends");
    } else if (run->kind == AutoRunKind::Daily) {
      Log(Ev::Daily, due);
      Expect(DailyOn() && minute >= due,
             "no daily run before its due minute, by the settings in effect");
      Expect(fired[today].empty(), "one daily run a day, wherever SyncTime and SyncSpread move");
      fired[today].insert(due);
      const bool crossed = lastFeedLocal >= 0 && minute >= due &&
                           (lastFeedLocal / kDay < today || lastFeedLocal % kDay / kMinute < due);
      Expect(minute == due || crossed ||
                 Clock() >= spellStart + ResidentSchedule::kCatchUpDelaySeconds ||
                 Clock() == startAt,
             "a catch-up waits its delay");
      dateBeforeDaily = expectedDate;
      lastDaily = {today, due};
      expectedDate = Civil(LocalSeconds()).DateText();
      clientEndedPending = false;
    } else if (run->kind == AutoRunKind::Retry) {
      Log(Ev::Retry);
      Expect(lastFailure && !lastFailure->forgotten,
             "no retry after a manual success or a settings change");
      if (lastFailure) {
        const int k = retries[today]++;
        const int64_t base =
            int64_t{ResidentSchedule::kFirstRetryMinutes << std::min(k, 8)} * kMinute;
        const int64_t waited = Clock() - lastFailure->at;
        Expect(k < ResidentSchedule::kMaxRetries, "at most 4 retries a day");
        Expect(lastFailure->day == today, "a retry on its own day");
        Expect(waited >= base && (lastFailure->interrupted || waited <= base * 3 / 2 + 1),
               "a retry 5, 10, 20 or 40 minutes, lengthened by at most half, after its failure");
        Expect(CanPassBySelf(lastFailure->cause) &&
                   !(lastFailure->watched && lastFailure->cause == RunFailure::ClientRunning),
               "a retry only for a cause that can pass, never for an open client");
      }
      lastFailure.reset();
    } else {
      Log(Ev::AfterClient);
      Expect(clientEndedPending, "a run after the client only once it ended");
      Expect(run->source == AnswerSource::KeptCopyOfToday,
             "the run after the client uses today's answer");
      clientEndedPending = false;
    }
    if (run) queued = run, queuedSources = sourceChanges, queuedManuals = manualSuccesses;
    lastFeedLocal = LocalSeconds();
    Persist();
  }

  void StartRun(RunMode mode, std::optional<AutoRunKind> kind) {
    const bool changed = Note();
    const bool may = program->MayStart(mode, Moment());
    Changed(changed);
    Expect(!may || !kind || kind == AutoRunKind::Daily ||
               (sourceChanges == queuedSources && manualSuccesses == queuedManuals &&
                (kind == AutoRunKind::Retry || effective.SyncType == 0)),
           "a queued retry or run after the client is checked again at its turn");
    if (!may && kind) Refused();
    if (kind) queued.reset();
    if (!may) return;
    Expect(!exitAsked, "no run starts once Exit is asked");
    Log(Ev::Begin, kind ? static_cast<int64_t>(*kind) : -1);
    if (kind == AutoRunKind::AfterClient) ++afterClientRuns;
    current = Run{.mode = mode,
                  .kind = kind,
                  .end = Clock() + Between(1, 15) * kMinute,
                  .stopped = false,
                  .settings = effective,
                  .day = Today(),
                  .local = Civil(LocalSeconds()),
                  .keptGood = std::nullopt};
    if (kind == AutoRunKind::AfterClient && KeptAnswerFits(keptMark, current->local, effective)) {
      current->keptGood =
          copy && copy->good && copy->day == Today() && copy->asked == Asked(effective);
      Expect(*current->keptGood,
             "the kept answer is reused only when it is today's answer that parsed, for these "
             "settings");
    }
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

  // A download begun on `day`, maybe an error page, its copy maybe not whole.
  AnswerCopyState Download(const SyncSettings& s, int64_t day,
                           const std::optional<LocalDateTime>& local, bool& good) {
    good = !Chance(12);
    copy = Copy{Asked(s), day, good && !Chance(15)};
    const auto state = copy->good ? AnswerCopyState::Reusable : AnswerCopyState::Unwritten;
    if (const auto mark = KeptAnswerAfter(state, local, s)) keptMark = *mark;
    return state;
  }

  SyncRunOutcome Outcome(const Run& run) {
    SyncRunOutcome o;
    bool good = run.keptGood.value_or(true);
    if (!run.stopped && !run.keptGood && !serverDown)
      o.answerCopy = Download(run.settings, run.day, run.local, good);
    const bool fox = run.settings.EmailClient == kFoxmail7;
    if (run.stopped)
      o.failure = RunFailure::Stopped;
    else if (!run.keptGood && serverDown)
      o.failure = RunFailure::DownloadFailed;
    else if (!good)
      o.failure = Chance(2) ? RunFailure::ParseFailed : RunFailure::ServerError;
    else if (Chance(40))
      o.failure = static_cast<RunFailure>(Between(1, static_cast<int>(RunFailure::RunError)));
    else if (fox && foxmail && clientOpen)
      o.failure = RunFailure::ClientRunning;
    else if (fox && !foxmail)
      o.failure = RunFailure::ClientNotInstalled;
    else if (!fox && outlookBusy)
      o.failure = RunFailure::ClientUnavailable;
    o.resultText =
        u"cause " + std::u16string(1, static_cast<char16_t>(u'A' + static_cast<int>(o.failure)));
    return o;
  }

  void EndRun() {
    const Run run = *current;
    current.reset();
    const SyncRunOutcome o = Outcome(run);
    lastSeen = Clock();
    Log(Ev::End, static_cast<int64_t>(o.failure));
    const bool waited = !program->clientWaitDate().empty();
    const bool changed = Note();
    const RunEndDecision d =
        program->RunEnded(run.mode, o, Moment(), std::uniform_real_distribution<double>(0, 1)(rng));
    const bool refused = run.mode == RunMode::Automatic && o.failure == RunFailure::ClientRunning;
    Changed(changed, refused);
    Expect(run.mode == RunMode::Automatic || waited || !d.waitsForClient,
           "a manual run starts no wait for the client");
    if (run.mode == RunMode::Manual) noticeOwed = false;
    if (run.mode == RunMode::Manual && o.success()) {
      ++manualSuccesses;
      if (lastFailure) lastFailure->forgotten = true;
      clientEndedPending = false;
      Expect(program->clientWaitDate().empty(), "a manual success ends the wait for the client");
    }
    if (refused && Watched() && effective.SyncType == 0) {
      Expect(d.waitsForClient ||
                 (run.kind == AutoRunKind::AfterClient &&
                  (!waited || afterClientRuns >= ResidentSchedule::kMaxClientWaitRuns)),
             "an open client that is watched now is waited for, a few times at most");
      if (!waited && d.waitsForClient) noticeOwed = !exitAsked, afterClientRuns = 0;
    }
    if (run.mode == RunMode::Automatic) {
      if (o.failure == RunFailure::Stopped && run.kind == AutoRunKind::Daily) NotHappened();
      if (d.retryAt)
        lastFailure = Failure{.at = Clock(),
                              .day = run.day,
                              .cause = o.failure,
                              .watched = Watched(),
                              .forgotten = false,
                              .interrupted = false};
      Expect(
          !d.retryAt || (*d.retryAt >= Civil(LocalSeconds()).ClockText() && *d.retryAt < u"24:00"),
          "a retry planned before midnight");
    }
    if (d.balloon) {
      Expect(run.mode == RunMode::Automatic && !o.success() && o.failure != RunFailure::Stopped &&
                 !exitAsked,
             "a balloon only for an automatic failure, never at Exit");
      Expect(!d.retryAt && !d.waitsForClient && program->clientWaitDate().empty(),
             "no balloon while a retry or the client's end is awaited");
      Expect(ballooned.insert({Today(), o.resultText}).second, "a failure's balloon once a day");
    } else {
      Expect(run.mode != RunMode::Automatic || o.success() || o.failure == RunFailure::Stopped ||
                 exitAsked || d.waitsForClient || d.retryAt ||
                 ballooned.count({Today(), o.resultText}),
             "an automatic failure with nothing pending is told once a day");
    }
    Persist();
    Expect(!d.waitsForClient || !storedWait.empty(), "a wait is kept for a restart");
  }

  void Exit() {
    Log(Ev::Exit);
    exitAsked = true;
    const bool changed = Note();
    program->ExitAsked(Moment());
    Changed(changed);
    if (current && Chance(2))
      current->stopped = true, current->end = Clock();  // the download gives up
    Persist();
  }

  void ChangeSettings() {
    ++moves;
    if (Chance(3)) {
      Log(Ev::Policy);
      managedType = Chance(3) ? std::optional<int32_t>(Chance(4)) : std::nullopt;
      managedTime = Chance(2) ? std::optional<int32_t>(Between(6, 12) * 60) : std::nullopt;
      managedSpread = Chance(2) ? std::optional<int32_t>(Between(0, 120)) : std::nullopt;
      managedClient =
          Chance(3) ? std::optional<int32_t>(Chance(2) ? kFoxmail7 : kOutlook) : std::nullopt;
      managedLevel = Chance(4) ? std::optional<int32_t>(1) : std::nullopt,
      managedHost = Chance(4) ? std::optional<std::u16string>(u"mail2") : std::nullopt;
      return Overlay();
    }
    Log(Ev::Saved);
    ++changes;
    own.SyncType = Chance(8);
    own.SyncTime = Chance(20) ? -30 : static_cast<int32_t>(Between(0, 1439));
    own.SyncSpread = Chance(2) ? 0 : static_cast<int32_t>(Between(0, 120));
    if (Chance(4)) own.EmailClient = Chance(2) ? kFoxmail7 : kOutlook;
    if (Chance(6)) own.SyncLevel = 1 - own.SyncLevel;
    if (Chance(8)) own.Account = Chance(2) ? u"zhang" : u"zhang.san";
    Overlay();
    if (!program || exitAsked) return;
    // Exit at once, before the engine's next look.
    if (Chance(6)) return Exit();
    Changed(Note());
    Persist();
  }

  void Live() {
    const int64_t end = real + 365 * kDay;
    const int64_t firstDay = Today();
    int dstChanges = 0;
    while (real < end && broken.empty()) {
      int64_t next = real + Between(5, 40) * kMinute;
      if (current) next = std::min(next, current->end - skew);
      if (program && !exitAsked) {
        if (const auto at = program->nextDecision())
          next = std::min(next, std::max(real, *at - skew));
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
      if (Chance(1500)) {
        foxmail = !foxmail, clientOpen = clientOpen && foxmail;
        Log(Ev::Install, foxmail);
        // Not watched any more: the wait's run follows.
        if (!foxmail && program) clientEndedPending = program->watchClient(), watching = false;
      }
      if (foxmail && Chance(clientOpen ? 25 : 40)) {
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
        } else if (!current && Chance(400)) {
          Log(Ev::Crash), program.reset();  // killed: what was stored stays
          continue;
        } else if (!current && Chance(150)) {
          const int64_t nap = static_cast<int64_t>(
              std::exp(std::uniform_real_distribution<double>(4.5, 12.5)(rng)));
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
      // Another process of the user's (/sync) runs between the program's runs.
      if (bool good; !current && !serverDown && Chance(300))
        Log(Ev::OtherRun), Download(effective, Today(), Civil(LocalSeconds()), good);
      // A manual run goes first: what the scheduler decides meanwhile queues behind it.
      if (program && !current) {
        if (manualQueued && Chance(2))
          manualQueued = false, StartRun(RunMode::Manual, std::nullopt);
        else if (queued)
          StartRun(RunMode::Automatic, queued->kind);
        else if (manualQueued)
          manualQueued = false, StartRun(RunMode::Manual, std::nullopt);
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
