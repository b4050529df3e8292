#include "app/app_services_win.h"

#include "app/desktop_identity_win.h"
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
      settings_, clock_, runLock_, lastAutoSync_, messages_,
      [this](const SyncSettings& s, RunMode, const std::optional<std::u16string>& refusal) {
        return RunWithPlatform(s, refusal);
      },
      CurrentDesktopIdentity(), tray_ ? this : nullptr,
      ShortenedForTest(L"TW_TEST_RETRY_MINUTE_MS", 60000) / 1000});
}

void AppServices::RunStarted() { tray_->RunStarted(); }

void AppServices::RunEnded(RunMode mode, const SyncRunOutcome& outcome) {
  tray_->RunEnded({mode, outcome, FormatLogTime(clock_, clock_.Now())});
}

SyncRunOutcome AppServices::RunWithPlatform(const SyncSettings& settings,
                                            const std::optional<std::u16string>& refusal) {
  // Every thread that runs a sync brings its own COM apartment: the Outlook
  // writers need one, and the scheduler thread has none otherwise.
  ScopedComInit com;
  HttpAnswerFetcher fetcher;
  fetcher.StopWith(runStop_);
  AnswerCopyFile answerCopy(files_.answerCopy);
  WindowsWriterFactory writers(files_.outlookRecord);
  SyncLogFile log(files_.log, clock_);
  SyncRunDeps deps{fetcher, answerCopy, writers, log, &runStop_};
  return refusal ? RefusedSyncRun(*refusal, log) : PerformSyncRun(settings, deps);
}
