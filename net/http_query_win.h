#pragma once
// Reading a WinInet response's status and headers, of any length.

#include <windows.h>
#include <wininet.h>

#include <functional>
#include <optional>
#include <string>

#include "net/http_response_rules.h"

// HttpQueryInfoW on the request (its last argument null), or FALSE once
// the request has been closed.
using HeaderQuery = std::function<bool(DWORD infoLevel, void* buffer, DWORD* bytes)>;

// Everything JudgeResponse needs, from a request whose HttpSendRequestW
// succeeded.
ResponseFacts QueryResponseFacts(const HeaderQuery& query);
