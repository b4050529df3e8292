#pragma once
// Whether a program is running, by its executable's file name.

#include <windows.h>

#include <optional>
#include <string>

// Compares file names only (no directory), ignoring case. False when the
// process list cannot be read.
bool IsProcessRunning(const std::u16string& executableName);

// The id of one process running `executableName`, if any.
std::optional<DWORD> FindProcessId(const std::u16string& executableName);
