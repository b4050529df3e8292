#pragma once
// Finds the Foxmail 7 installation through its registered open command.

#include <optional>
#include <string>

#include "clients/foxmail7/foxmail7_location.h"

// Where the open command points, when that file carries a product version
// beginning with "7". Reads the registry only; any user may call it.
std::optional<Foxmail7Location> LocateFoxmail7();

// Both outputs optional; they are filled only when the result is true.
[[nodiscard]] bool LocateFoxmail7(std::u16string* installDir, std::u16string* executableName);

// Whether the configuration dialog may offer Foxmail 7.x.
bool IsFoxmail7Installed();
