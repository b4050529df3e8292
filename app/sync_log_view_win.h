#pragma once
// syncaddrs.log as the tray shows it: its end, for the tip after a
// restart, and opened for the user to read.

#include <windows.h>

#include <string>

// The last few kilobytes of the log as whole lines, empty when there is no log.
std::u16string ReadLogTail(const std::u16string& path);

// Opens the log with the user's program for it, creating it empty first
// when no run has written it yet.
void OpenLogFile(HWND owner, const std::u16string& path);
