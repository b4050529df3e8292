#include "sync/kept_answer.h"

#include "sync/request_url.h"

std::u16string KeptAnswerMark(const LocalDateTime& day, const SyncSettings& settings) {
  // The escaped URL tells every server, account and level apart.
  return day.DateText() + u" " + BuildRequestUrl(settings, PasswordInUrl::Masked);
}
