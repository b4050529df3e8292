#pragma once
// The program's long-lived pieces, wired together once: settings, clock,
// run lock, engine, and the platform collaborators of each run.

#include <memory>

#include "app/message_box_win.h"
#include "app/program_files.h"
#include "app/settings_store_win.h"
#include "app/tray_state.h"
#include "clients/client_watch_win.h"
#include "sync/local_clock.h"
#include "sync/named_run_lock_win.h"
#include "sync/run_stop.h"
#include "sync/shared_settings.h"
#include "sync/sync_engine.h"

class AppServices : private IRunObserver {
 public:
  // `files` must outlive the services. `tray`, when given, hears of
  // every run but the command line's.
  explicit AppServices(const ProgramFiles& files, TrayState* tray = nullptr);
  AppServices(const AppServices&) = delete;
  AppServices& operator=(const AppServices&) = delete;

  SharedSettings& settings() { return settings_; }
  CSyncEngine& engine() { return *engine_; }
  // Stopped once the program ends: a run still downloading gives up.
  RunStop& runStop() { return runStop_; }
  const ProgramFiles& files() const { return files_; }

 private:
  SyncRunOutcome RunWithPlatform(const SyncSettings& settings,
                                 const std::optional<std::u16string>& refusal, AnswerSource source);
  void RunStarted() override;
  void RunEnded(RunMode mode, const SyncRunOutcome& outcome) override;
  void DayUnsynced(const std::u16string& failureText) override;

  const ProgramFiles& files_;
  TrayState* tray_;
  SystemClock clock_;
  SharedSettings settings_;
  NamedRunLock runLock_;
  ProfileLastAutoSync lastAutoSync_;
  MessageBoxSink messages_;
  ClientProcessWatch clientWatch_;  // outlives the engine, which uses it
  RunStop runStop_;                 // before the engine, whose runs look at it
  std::unique_ptr<CSyncEngine> engine_;
};
