#pragma once
// The dialog's connection test on a thread of its own, so that the dialog
// keeps answering while the server is slow. A test that is abandoned is
// left to end by itself; its result is dropped.

#include <functional>
#include <memory>
#include <optional>

#include "sync/sync_run.h"

class ConnectionCheck {
 public:
  ConnectionCheck();
  ConnectionCheck(const ConnectionCheck&) = delete;
  ConnectionCheck& operator=(const ConnectionCheck&) = delete;
  // Abandons a test still going.
  ~ConnectionCheck();

  // Starts `test` unless one is going; `done` is called on the test's
  // thread when its result is ready to take, and not for an abandoned test.
  // `test` and `done` must not refer to anything that may go before them.
  [[nodiscard]] bool Start(std::function<SyncRunOutcome()> test, std::function<void()> done);
  bool Running() const;
  // The result of the test that ended, once.
  std::optional<SyncRunOutcome> TakeResult();
  // Forgets the test that is going: it may end at any time after.
  void Abandon();

 private:
  struct State;
  std::shared_ptr<State> state_;
};
