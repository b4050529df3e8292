#pragma once
// Every decision of the resident program, in one place with no clock,
// thread or platform of its own: the daily run at its minute (SyncSpread
// included) and its catch-up after a start or a resume, the same day's
// timed retries, the wait for a mail client that is open, Exit, and what the
// tray and LastAutoSync are told. The engine's thread feeds it the time and
// the events, runs what it is told and reports each run's end.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <variant>

#include "sync/answer_source.h"
#include "sync/local_clock.h"
#include "sync/sync_run.h"
#include "sync/sync_settings.h"
#include "sync/sync_spread.h"

enum class RunMode {
  Manual,     // from the tray: the result is shown
  Automatic,  // from the scheduler: logged only
  OneShot,    // from the command line: nothing is shown at all
};

enum class AutoRunKind {
  Daily,        // at the due minute, or caught up
  Retry,        // a timed retry of the same day
  AfterClient,  // the mail client that refused a run has ended
};

struct AutoRun {
  AutoRunKind kind = AutoRunKind::Daily;
  AnswerSource source = AnswerSource::Download;
};

// A day as stored ("YYYY-MM-DD") and as compared.
struct StoredDay {
  int32_t key = 0;  // grows with the date; 0 for none, or a text that is no date
  std::u16string text;

  static StoredDay Of(const LocalDateTime& local);
  static StoredDay Parse(std::u16string text);
};

struct ResidentMoment {
  int64_t now = 0;  // seconds since 1970-01-01 UTC
  std::optional<LocalDateTime> local;
  const SyncSettings& settings;  // in effect: the policy over the user's own
  bool clientWatched = false;    // the chosen client is one to watch now
};

// What a run's end leaves pending, for the tray.
struct RunEndDecision {
  std::optional<std::u16string> retryAt;  // "HH:MM"
  bool waitsForClient = false;
  bool balloon = false;  // the failure is news to be raised
};

class ResidentSchedule {
 public:
  static constexpr int64_t kCatchUpDelaySeconds = 120;
  // A gap this long between two moments means the machine slept or its
  // clock was set.
  static constexpr int64_t kResumeGapSeconds = 120;
  static constexpr int kMaxRetries = 4;
  static constexpr int32_t kFirstRetryMinutes = 5;
  // A client that ends and at once refuses the run again is not waited
  // for without end.
  static constexpr int kMaxClientWaitRuns = 4;

  // `retryUnitSeconds` is the length of a retry delay's minute and
  // `catchUpSeconds` the catch-up delay, only tests shorten them;
  // `resumeGapSeconds` how far apart two moments may lie without a resume,
  // only a simulation that steps coarsely widens it.
  explicit ResidentSchedule(DesktopIdentity desktop, int64_t retryUnitSeconds = 60,
                            int64_t resumeGapSeconds = kResumeGapSeconds,
                            int64_t catchUpSeconds = kCatchUpDelaySeconds)
      : desktop_(std::move(desktop)),
        unit_(retryUnitSeconds),
        gap_(resumeGapSeconds),
        catchUp_(catchUpSeconds) {}

  // The program started with these stored values (LastAutoSync and
  // PendingClientSync); `clientRunning` counts only for a watched client.
  void Started(const ResidentMoment& m, const std::u16string& lastAutoSync,
               const std::u16string& clientWait, bool clientRunning);
  // The automatic run to start now, if any. Not fed while an automatic run
  // it started is queued or going.
  std::optional<AutoRun> TimePassed(const ResidentMoment& m);
  // A run has its turn: false once Exit is asked, and for a queued retry or
  // run after the client that a manual success or a change of settings
  // made pointless meanwhile (it does not start).
  bool MayStart(RunMode mode, const ResidentMoment& m);
  // An automatic run that did not start.
  void Refused(RunMode mode) { Undo(mode); }
  RunEndDecision RunEnded(RunMode mode, const SyncRunOutcome& outcome, const ResidentMoment& m,
                          double draw);
  // The user saved the settings: what was pending follows the old ones.
  void SettingsSaved();
  // Exit, the end of the session or "/quit".
  void ExitAsked(const ResidentMoment& m);
  // The watched client ended: a pending wait runs at the next moment.
  void ClientEnded();

  // The stored values as they must now be.
  const std::u16string& lastAutoSync() const { return lastAutoSync_.text; }
  // PendingClientSync: the wait's day and the failure still to be told.
  std::u16string clientWaitDate() const;
  // The client's process is to be watched.
  bool watchClient() const;
  // The next moment at which something is due without any event.
  std::optional<int64_t> nextDecision() const;
  // A day whose wait for the client ended without a sync, once.
  std::optional<std::u16string> TakeUnsyncedNotice();

 private:
  struct Retry {
    int64_t due = 0;
    std::u16string at;  // "HH:MM"
    int32_t day = 0;    // a retry belongs to its day
  };
  // A run refused by the open client, waiting for it to end.
  struct ClientWait {
    StoredDay day{};
    // Told when the day goes without a sync; empty once the user asked
    // for a run that day.
    std::u16string failure{};
    int runs = 0;  // after the client, so far
    bool ended = false;

    std::u16string Stored() const { return failure.empty() ? day.text : day.text + u" " + failure; }
  };
  using Pending = std::variant<std::monostate, Retry, ClientWait>;
  // An automatic run decided on, queued until it starts and then going.
  struct AutoRunTurn {
    AutoRunKind kind = AutoRunKind::Daily;
    StoredDay before{};  // LastAutoSync before a daily run, put back when it does not happen
    std::optional<ClientWait> wait{};  // the wait an after-client run ends
    bool started = false;
    bool pointless = false;  // a queued retry or run after the client no longer wanted
    int32_t startDay = 0;
  };

  int32_t DueMinute(const SyncSettings& s);
  void Observe(const ResidentMoment& m);
  std::optional<AutoRun> Fire(const LocalDateTime& local, int32_t day);
  AutoRun Begin(AutoRunTurn turn, AnswerSource source);
  void DropWait();
  void DropPending();
  void Undo(RunMode mode);
  void PlanRetry(RunFailure failure, const ResidentMoment& m, int32_t startDay, double draw);
  ClientWait* Wait() { return std::get_if<ClientWait>(&pending_); }
  const ClientWait* Wait() const { return std::get_if<ClientWait>(&pending_); }

  DesktopIdentity desktop_;
  int64_t unit_;
  int64_t gap_;
  int64_t catchUp_;
  int32_t spread_ = -1;  // the last SyncSpread and this desktop's offset in it
  int32_t offset_ = 0;
  bool exiting_ = false;
  std::optional<SyncSettings> seen_;  // the settings in effect at the last moment

  StoredDay lastAutoSync_;
  std::optional<int64_t> catchUpDue_;
  std::optional<int64_t> lastSeen_;
  int32_t lastDay_ = 0;  // of the last moment, 0 after a gap
  int32_t lastMinute_ = -1;

  Pending pending_;
  std::optional<AutoRunTurn> autoRun_;
  int32_t retryDay_ = 0;  // the day whose retries are counted
  int retriesDone_ = 0;
  std::optional<std::u16string> unsyncedNotice_;

  int32_t balloonDay_ = 0;
  std::set<std::u16string> ballooned_;  // failure texts raised that day
};
