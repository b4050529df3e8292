#pragma once
// Asked for once the program is ending (Exit, the end of the session,
// "/quit") or a connection test is dropped: a download still going gives up
// at once, since nothing has been written yet; a run already writing
// finishes, since stopping it could leave an address book half written.

#include <atomic>

class RunStop {
 public:
  void Stop() { stopped_.store(true); }
  bool Stopped() const { return stopped_.load(); }

 private:
  std::atomic<bool> stopped_{false};
};
