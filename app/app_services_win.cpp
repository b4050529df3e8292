#include "app/app_services_win.h"

#include "app/desktop_identity_win.h"
#include "app/policy_store_win.h"
#include "clients/writer_factory_win.h"
#include "common/win/scoped_handles.h"
#include "common/win/test_bound_win.h"
#include "net/http_answer_fetcher_win.h"
#include "sync/answer_copy_file_win.h"
#include "sync/sync_log.h"
#include "sync/sync_log_file_win.h"

AppServices::AppServices(const ProgramFiles& files, TrayState* tray)
    : files_(files), tray_(tray), lastAutoSync_(files.settings) {
  engine_ = std::make_unique<CSyncEngine>(SyncEngineServices{
      .settings = settings_,
      .clock = clock_,
      .runLock = runLock_,
      .lastAutoSync = lastAutoSync_,
      .notices = messages_,
      .runner = [this](const SyncSettings& s, RunMode, const std::optional<std::u16string>& refusal,
                       AnswerSource source) { return RunWithPlatform(s, refusal, source); },
      .desktop = CurrentDesktopIdentity(),
      .observer = tray_ ? this : nullptr,
      .retryMinuteSeconds = ShortenedForTest(L"TW_TEST_RETRY_MINUTE_MS", 60000, 1000) / 1000,
      .clientWatch = &clientWatch_,
      .catchUpSeconds =
          ShortenedForTest(L"TW_TEST_CATCH_UP_MS", ResidentSchedule::kCatchUpDelaySeconds * 1000) /
          1000});
}

void AppServices::RunStarted() { tray_->RunStarted(); }

void AppServices::RunEnded(RunMode mode, const SyncRunOutcome& outcome) {
  tray_->RunEnded({mode, outcome, FormatLogTime(clock_, clock_.Now())});
}

void AppServices::DayUnsynced(const std::u16string& failureText) { tray_->Announce(failureText); }

SyncRunOutcome AppServices::RunWithPlatform(const SyncSettings& settings,
                                            const std::optional<std::u16string>& refusal,
                                            AnswerSource source) {
  // A policy refresh may have forbidden keeping the password since the
  // program started. The user's own SavePassword 0 is not a reason: a
  // file of an older version keeps its password without the key.
  if (ReadSystemPolicy().ForbidsSavedPassword()) RemoveSavedPassword(files_.settings);
  // Every thread that runs a sync brings its own COM apartment: the Outlook
  // writers need one, and the scheduler thread has none otherwise.
  ScopedComInit com;
  WindowsWriterFactory writers(files_.outlookRecord,
                               OutlookFolderChoice{settings.OutlookFolder, files_.outlookFolder});
  SyncLogFile log(files_.log, clock_);
  if (refusal) return RefusedSyncRun(*refusal, log);
  // The day's answer is already here: the server is not asked twice.
  std::optional<std::string> kept;
  if (source == AnswerSource::KeptCopyOfToday) {
    if (const std::optional<LocalDateTime> today = clock_.ToLocal(clock_.Now())) {
      kept = ReadAnswerCopyOf(files_.answerCopy, today->DateText(), clock_);
    }
  }
  if (kept) {
    KeptAnswerFetcher fetcher(std::move(*kept));
    NoAnswerCopy unchanged;
    SyncRunDeps deps{fetcher, unchanged, writers, log, &runStop_};
    return PerformSyncRun(settings, deps);
  }
  HttpAnswerFetcher fetcher;
  fetcher.StopWith(runStop_);
  AnswerCopyFile answerCopy(files_.answerCopy);
  SyncRunDeps deps{fetcher, answerCopy, writers, log, &runStop_};
  return PerformSyncRun(settings, deps);
}
