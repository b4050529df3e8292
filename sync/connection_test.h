#pragma once
// Tries settings before they are saved: the answer is fetched and read as a
// run would, and nothing is written, logged or locked.

#include "sync/run_stop.h"
#include "sync/sync_run.h"
#include "sync/sync_settings.h"

inline constexpr char16_t kConnectionOkPrefix[] = u"连接成功：服务器返回";

// One line: the number of contacts the server returned, or the failure text
// a run would report.
SyncRunOutcome TestConnection(const SyncSettings& settings, IAnswerFetcher& fetcher,
                              const RunStop* stop = nullptr);
