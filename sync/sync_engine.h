#pragma once
// The engine: the thread that feeds the resident program's decisions
// (sync/resident_schedule.h) the time and runs what they call for, and the
// one entry point for runs, which keeps every run apart from every other (in
// this process and, through the run lock, in other processes).

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "sync/answer_source.h"
#include "sync/client_watch.h"
#include "sync/local_clock.h"
#include "sync/resident_schedule.h"
#include "sync/shared_settings.h"
#include "sync/sync_run.h"
#include "sync/sync_spread.h"

// Held for the whole of a run; serialises runs across processes.
class IRunLock {
 public:
  enum class Result {
    Held,
    TimedOut,     // another run kept it for longer than the lock waits
    Unavailable,  // it cannot be created or opened
    Stopped,      // StopWaiting was called
  };
  virtual ~IRunLock() = default;
  // Waits for the lock, for at most the lock's own bound.
  [[nodiscard]] virtual Result Lock() = 0;
  virtual void Unlock() = 0;
  // A Lock that is waiting, and every later one, returns Stopped at once.
  // Any thread may call it.
  virtual void StopWaiting() = 0;
};

// Where the resident program keeps what must outlive it, each value one
// line of text, empty when there is none. Every process of the user that
// runs a sync reads and writes the same values.
class ILastAutoSyncStore {
 public:
  virtual ~ILastAutoSyncStore() = default;
  // LastAutoSync: "YYYY-MM-DD" of the last automatic run.
  virtual std::u16string LoadDate() = 0;
  virtual void SaveDate(const std::u16string& date) = 0;
  // PendingClientSync: "YYYY-MM-DD" of the failure that waits for the mail
  // client to end, followed by " " and its result text while the user has
  // not heard of it (see ClientWait in sync/resident_schedule.h).
  virtual std::u16string LoadClientWaitDate() = 0;
  virtual void SaveClientWaitDate(const std::u16string& wait) = 0;
  // KeptAnswer: which answer address.xml holds when it is one that parsed
  // and was written whole (see sync/kept_answer.h); empty otherwise.
  virtual std::u16string LoadKeptAnswer() = 0;
  virtual void SaveKeptAnswer(const std::u16string& mark) = 0;
};

// Performs one run on a settings snapshot (the platform wiring). With a
// `refusal`, the run could not have the run lock: the runner only logs and
// reports that text as the run's failure and touches nothing else.
using SyncRunner = std::function<SyncRunOutcome(
    const SyncSettings&, RunMode, const std::optional<std::u16string>& refusal, AnswerSource)>;

// Hears of every run but one-shot ones, while the run holds its locks: the
// tray's "running" state and each run's final outcome (with what it leaves
// pending and whether it is news).
class IRunObserver {
 public:
  virtual ~IRunObserver() = default;
  virtual void RunStarted() = 0;
  virtual void RunEnded(RunMode mode, const SyncRunOutcome& outcome) = 0;
  // A day that waited for the mail client ended without a sync.
  virtual void DayUnsynced(const std::u16string& failureText) = 0;
};

struct SyncEngineServices {
  SharedSettings& settings;
  IClock& clock;
  IRunLock& runLock;
  ILastAutoSyncStore& lastAutoSync;
  // The notices of automatic runs; it must outlive the engine (a notice is
  // shown on a thread of its own).
  IMessageSink& notices;
  SyncRunner runner;
  DesktopIdentity desktop;  // places the daily run within SyncSpread
  IRunObserver* observer = nullptr;
  // The length of a retry delay's minute; only tests shorten it.
  int64_t retryMinuteSeconds = 60;
  // Null: a run refused by an open client is retried on time instead.
  IClientWatch* clientWatch = nullptr;
  // The catch-up delay after a start or a resume; only tests shorten it.
  int64_t catchUpSeconds = ResidentSchedule::kCatchUpDelaySeconds;
};

class CSyncEngine {
 public:
  static constexpr std::chrono::milliseconds kPollInterval{500};

  explicit CSyncEngine(SyncEngineServices services);
  CSyncEngine(const CSyncEngine&) = delete;
  CSyncEngine& operator=(const CSyncEngine&) = delete;
  ~CSyncEngine();  // stops the scheduler thread

  // Starts the scheduler thread.
  void Start();
  // Refuses queued runs and ends the scheduler thread once its run is done.
  void Stop();
  // The program is ending: a run still waiting for the locks, and every
  // later one, does not start. A run in progress finishes. Does not block.
  void RefuseQueuedRuns();

  // One run, waiting for any other run to end first. Nothing when a run is
  // already in progress on this very thread, or when queued runs are
  // refused.
  std::optional<SyncRunOutcome> RunOnce(RunMode mode) { return Run(mode, AnswerSource::Download); }

 private:
  // Holds the slot below for one run (sync_engine.cpp).
  class RunSlot;
  // Who may run now in this process: one run at a time, none once queued
  // runs are refused.
  struct RunSlots {
    std::mutex mutex;
    std::condition_variable freed;
    bool busy = false;                      // under mutex
    bool refusing = false;                  // under mutex
    std::atomic<std::thread::id> holder{};  // the thread whose run holds the slot
  };

  void SchedulerThread();
  void StartSchedule();
  // True when an automatic run was started.
  bool Poll(bool clientEnded);
  std::optional<SyncRunOutcome> Run(RunMode mode, AnswerSource source);
  std::optional<SyncRunOutcome> RunHoldingTheSlot(RunMode mode, AnswerSource source);
  void RunAutomatic(const AutoRun& run);
  // The rest under mutex_.
  ResidentMoment Moment(const SyncSettings& settings);
  void NoteSettingsSaved();
  void Persist();
  void FollowClient(const SyncSettings& settings);
  void Wake(bool clientEnded);

  SyncEngineServices services_;

  std::mutex mutex_;
  ResidentSchedule schedule_;
  unsigned long long settingsChanges_ = 0;
  std::u16string storedDate_;
  std::u16string storedWait_;
  bool watching_ = false;
  std::minstd_rand random_{std::random_device{}()};

  RunSlots slots_;

  // The watch's callback takes only this lock: it may be cancelled under
  // mutex_.
  std::mutex wakeMutex_;
  std::condition_variable wake_;
  bool woken_ = false;        // under wakeMutex_
  bool clientEnded_ = false;  // under wakeMutex_
  bool running_ = false;      // under wakeMutex_
  std::thread thread_;
};
