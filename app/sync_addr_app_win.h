#pragma once
// Start-up of the resident program: hand over to a running instance, or
// prepare the platform, load the settings, start the engine and run the
// configuration dialog as the main window until the tray's Exit.

#include <windows.h>

class CSyncAddrApp {
 public:
  // `startInTray`: the dialog stays hidden when the settings are complete,
  // and a running instance is left as it is.
  CSyncAddrApp(HINSTANCE instance, bool startInTray)
      : instance_(instance), startInTray_(startInTray) {}
  // Returns the process exit code.
  int Run();

 private:
  HINSTANCE instance_;
  bool startInTray_;
};

// Brings a running instance's dialog, and any box it shows, to the front,
// waiting up to `waitMs` for its window to appear. False when no instance
// runs.
bool ActivateRunningInstance(DWORD waitMs = 0);
