#pragma once
// What the tray tells the user without being asked, decided apart from the
// window: the tip (the last run's result, read back from the log after a
// restart; a run going; Exit waiting for one), the balloons of failed
// automatic runs, and what changes once Exit is chosen. Runs end on their
// own threads and report here; the user-interface thread takes the reports
// once `wake` has told it that there are some.

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sync/sync_engine.h"

// The notification area's tip holds this many UTF-16 units, the
// terminating zero included.
inline constexpr size_t kTrayTipCapacity = 128;

// `text` cut so that it fits `capacity` units with its terminating zero,
// never between the two halves of a surrogate pair.
std::u16string FitToCapacity(const std::u16string& text, size_t capacity);

struct RunReport {
  RunMode mode = RunMode::Automatic;
  SyncRunOutcome outcome;
  std::u16string stamp;  // when the run ended, as the log writes it
};

struct TrayBalloon {
  std::u16string title;
  std::u16string text;
  bool warning = false;  // otherwise information
};

class TrayState {
 public:
  explicit TrayState(std::u16string product) : product_(std::move(product)) {}

  // Any thread. `wake` runs on the reporting thread and must not block;
  // empty to stop.
  void SetWake(std::function<void()> wake);
  void RunStarted();
  void RunEnded(RunReport report);
  // A day that waited for the mail client ended without a sync.
  void Announce(std::u16string failureText);

  // The rest on the user-interface thread only.
  // The last run recorded at the end of the log (whole lines), until a run
  // ends; a result text over several lines is joined with line feeds.
  void ReadLog(const std::u16string& logTail);
  // Takes the runs that ended; the balloons the engine found them to call
  // for, and those announced.
  std::vector<TrayBalloon> TakeEndedRuns();
  // The engine drops a pending retry or wait when the settings change.
  void SettingsChanged();
  // `manualRunning`: a manual run is going or waiting for its turn.
  std::u16string Tip(bool manualRunning) const;
  // Exit is chosen: the notice that it waits for a run, at once when a run
  // is known to be going. Otherwise the caller shows ExitNotice() when the
  // program has not ended a second later: a run may be waiting its turn.
  std::optional<TrayBalloon> BeginExit(bool manualRunning);
  TrayBalloon ExitNotice() const;
  // Once Exit is chosen no box opens: it would keep the program alive.
  bool Exiting() const { return exiting_; }

 private:
  struct LastRun {
    std::u16string stamp;  // the log's "YYYY-MM-DD HH:MM:SS"
    std::u16string text;
    std::optional<std::u16string> retryAt;  // "HH:MM"
    bool waitsForClient = false;
  };
  bool Busy(bool manualRunning) const;

  const std::u16string product_;
  mutable std::mutex mutex_;  // guards the four below
  std::function<void()> wake_;
  int active_ = 0;
  std::vector<RunReport> ended_;
  std::vector<std::u16string> announced_;

  std::optional<LastRun> lastRun_;
  bool exiting_ = false;
};
