#pragma once
// Which answer address.xml holds, kept beside it as KeptAnswer: the local
// day of its download and the request it answered (server, account and
// level; the password masked). The run after the mail client ends reuses
// the copy only when the mark names today and the settings in effect.

#include <string>

#include "sync/local_clock.h"
#include "sync/sync_settings.h"

std::u16string KeptAnswerMark(const LocalDateTime& day, const SyncSettings& settings);
