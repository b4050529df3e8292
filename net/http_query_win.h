#pragma once
// Reading a WinInet response's status and headers, of any length.

#include <windows.h>
#include <wininet.h>

#include <optional>
#include <string>

#include "net/http_response_rules.h"

// Everything JudgeResponse needs, from a request whose HttpSendRequestW
// succeeded.
ResponseFacts QueryResponseFacts(HINTERNET request);
