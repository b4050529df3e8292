#pragma once
// Owner of one WinInet handle (session, connection or request).

#include <windows.h>
#include <wininet.h>

#include "common/win/scoped_handles.h"

using UniqueHInternet = UniqueAny<NullIsEmpty<HINTERNET, InternetCloseHandle>>;
