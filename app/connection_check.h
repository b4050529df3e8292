#pragma once
// The dialog's connection test on a thread of its own, so that the dialog
// keeps answering while the server is slow. A test that is abandoned is
// stopped, its download given up and its result dropped; one test runs at
// a time, so a test asked for meanwhile starts once the last has ended.

#include <functional>
#include <memory>
#include <optional>

#include "sync/run_stop.h"
#include "sync/sync_run.h"

class ConnectionCheck {
 public:
  using Test = std::function<SyncRunOutcome(const RunStop& stop)>;

  ConnectionCheck();
  ConnectionCheck(const ConnectionCheck&) = delete;
  ConnectionCheck& operator=(const ConnectionCheck&) = delete;
  // Abandons a test still going.
  ~ConnectionCheck();

  // Starts `test` unless one whose result is wanted is going; `done` is
  // called on the test's thread when its result is ready to take, and not
  // for an abandoned test. `test` must give up once its stop is. `test` and
  // `done` must not refer to anything that may go before them.
  [[nodiscard]] bool Start(Test test, std::function<void()> done);
  bool Running() const;
  // The result of the test that ended, once.
  std::optional<SyncRunOutcome> TakeResult();
  // Stops the test that is going and forgets it.
  void Abandon();

  struct State;  // shared with the test's thread

 private:
  std::shared_ptr<State> state_;
};
