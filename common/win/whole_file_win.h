#pragma once
// A file read whole through a handle already open for reading.

#include <windows.h>

#include <optional>
#include <string>

// Its bytes, or nothing when it is larger than `largest` or cannot be read.
std::optional<std::string> ReadWholeFile(HANDLE file, LONGLONG largest);
