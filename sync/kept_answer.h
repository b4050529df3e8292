#pragma once
// Which answer address.xml holds, kept beside it as KeptAnswer: the local
// day of its download and the request it answered (server, account and
// level; the password masked). The run after the mail client ends reuses
// the copy only when the mark names today and the settings in effect.

#include <optional>
#include <string>

#include "sync/local_clock.h"
#include "sync/sync_run.h"
#include "sync/sync_settings.h"

std::u16string KeptAnswerMark(const LocalDateTime& day, const SyncSettings& settings);

// Whether a run on `day` with `settings` may take the kept copy, `mark`
// being the stored KeptAnswer.
bool KeptAnswerFits(const std::u16string& mark, const std::optional<LocalDateTime>& day,
                    const SyncSettings& settings);

// KeptAnswer after a run begun on `day` with `settings` left `copy`;
// nothing when the copy is untouched.
std::optional<std::u16string> KeptAnswerAfter(AnswerCopyState copy,
                                              const std::optional<LocalDateTime>& day,
                                              const SyncSettings& settings);
