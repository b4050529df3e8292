#pragma once
// Start-up of the resident program: hand over to a running instance, or
// prepare the platform, load the settings, start the engine and run the
// configuration dialog as the main window until the tray's Exit.

#include <windows.h>

class CSyncAddrApp {
 public:
  explicit CSyncAddrApp(HINSTANCE instance) : instance_(instance) {}
  // Returns the process exit code.
  int Run();

 private:
  // False when this instance must end at once.
  bool InitInstance();
  HINSTANCE instance_;
};

// Brings a running instance's dialog, and any box it shows, to the front,
// waiting up to `waitMs` for its window to appear. False when no instance
// runs.
bool ActivateRunningInstance(DWORD waitMs = 0);
