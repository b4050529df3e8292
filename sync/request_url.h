#pragma once
// The address-book request: the URL the run fetches and the form of it that
// may be shown or logged.

#include <string>

#include "sync/sync_settings.h"

// Percent-encodes what would otherwise change the query ("%", "&", "#",
// "+", "=", "?", space, control characters); everything else stays as is.
std::u16string EscapeQueryValue(const std::u16string& value);

enum class PasswordInUrl { Plain, Masked };

// The scheme's default port: 443 for "https", 80 otherwise.
int DefaultPortOfScheme(const std::u16string& scheme);
// "https" for any spelling of it, "http" for everything else.
std::u16string NormalizeScheme(const std::u16string& scheme);

// "scheme://host:port/virtual/addresssync.asp?accnt=..&pwd=..&onlydepart=0|1"
std::u16string BuildRequestUrl(const SyncSettings& settings, PasswordInUrl password);
