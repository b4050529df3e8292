#pragma once
// What the registry says is installed. Read access only: a standard user
// must see the same clients as an administrator.

#include <windows.h>

#include <functional>

#include "app/client_availability.h"

int DetectOutlookVersion();
bool IsWabInstalled();
bool IsFoxmail56Installed();

// The same rules on a key of the caller's choice (tests use their own).
int DetectOutlookVersionAt(HKEY root, const wchar_t* curVerKey);
bool IsWabInstalledAt(HKEY root, const wchar_t* dllPathKey);
bool IsFoxmail56InstalledAt(HKEY root, const wchar_t* foxmailKey);

DetectedClients DetectInstalledClients(const std::function<bool()>& isFoxmail7Installed);
