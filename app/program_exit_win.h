#pragma once
// Ending the resident program, for Exit, Windows' close requests, "/quit"
// and the end of the session: a run still waiting for its turn does not
// start, one still downloading gives up at once, and one writing finishes
// first, since ending now could leave an address book half written. The
// window keeps answering meanwhile.

#include <windows.h>

#include <thread>

#include "app/manual_sync.h"
#include "sync/run_stop.h"
#include "sync/sync_engine.h"

class ProgramExit {
 public:
  ProgramExit(CSyncEngine& engine, RunStop& runStop, ManualSync& manual)
      : engine_(engine), runStop_(runStop), manual_(manual) {}
  ProgramExit(const ProgramExit&) = delete;
  ProgramExit& operator=(const ProgramExit&) = delete;
  ~ProgramExit() { WaitForRuns(); }

  // Refuses queued runs, stops downloads and waits for the others on a thread of its own,
  // which posts `readyMessage` to `window` once they have ended.
  void Start(HWND window, UINT readyMessage);
  // Returns once the runs have ended. The end of the session waits here:
  // the process may be ended at any moment after its window has answered.
  void WaitForRuns();
  // After the ready message: ends the modal `dialog`, and with it the
  // program, closing first the menu and every box of the thread, any of
  // which would otherwise keep it alive.
  static void Finish(HWND dialog);

 private:
  CSyncEngine& engine_;
  RunStop& runStop_;
  ManualSync& manual_;
  std::thread waiter_;
};
