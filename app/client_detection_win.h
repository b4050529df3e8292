#pragma once
// What the registry says is installed. Read access only: a standard user
// must see the same clients as an administrator.

#include <functional>

#include "app/client_availability.h"

int DetectOutlookVersion();
bool IsWabInstalled();
bool IsFoxmail56Installed();

// Whether the Foxmail 7 writer finds an installation it can write to.
bool IsFoxmail7Available();

DetectedClients DetectInstalledClients(const std::function<bool()>& isFoxmail7Installed);
