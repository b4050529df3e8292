#include "sync/kept_answer.h"

#include "sync/request_url.h"

std::u16string KeptAnswerMark(const LocalDateTime& day, const SyncSettings& settings) {
  // The escaped URL tells every server, account and level apart.
  return day.DateText() + u" " + BuildRequestUrl(settings, PasswordInUrl::Masked);
}

bool KeptAnswerFits(const std::u16string& mark, const std::optional<LocalDateTime>& day,
                    const SyncSettings& settings) {
  return day && !mark.empty() && mark == KeptAnswerMark(*day, settings);
}

std::optional<std::u16string> KeptAnswerAfter(AnswerCopyState copy,
                                              const std::optional<LocalDateTime>& day,
                                              const SyncSettings& settings) {
  if (copy == AnswerCopyState::Untouched) return std::nullopt;
  // Any other copy, a failed answer's or one not written whole, is never reused.
  if (copy != AnswerCopyState::Reusable || !day) return std::u16string();
  return KeptAnswerMark(*day, settings);
}
