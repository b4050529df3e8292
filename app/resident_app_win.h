#pragma once
#include <windows.h>

// The resident program: settings, engine with its daily scheduler, and the
// user interface. Returns the process exit code.
int RunResidentApp(HINSTANCE instance, int showCommand);
