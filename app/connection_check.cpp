#include "app/connection_check.h"

#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

struct ConnectionCheck::State {
  std::mutex mutex;
  uint64_t current = 0;  // the test whose result is wanted
  bool running = false;
  std::optional<SyncRunOutcome> result;
};

ConnectionCheck::ConnectionCheck() : state_(std::make_shared<State>()) {}

ConnectionCheck::~ConnectionCheck() { Abandon(); }

bool ConnectionCheck::Start(std::function<SyncRunOutcome()> test, std::function<void()> done) {
  std::lock_guard lock(state_->mutex);
  if (state_->running) return false;
  const uint64_t id = ++state_->current;
  try {
    // Detached: a server that does not answer must not hold up the
    // dialog or the program's end. The thread keeps the state alive.
    std::thread([state = state_, id, test = std::move(test), done = std::move(done)] {
      SyncRunOutcome outcome;
      try {
        outcome = test();
      } catch (...) {
        // Nothing may leave this thread: it would end the program.
        outcome.resultText = std::u16string(kRunErrorPrefix) + u"未知错误";
        outcome.failure = RunFailure::RunError;
      }
      {
        std::lock_guard lock(state->mutex);
        if (state->current != id) return;
        state->result = std::move(outcome);
        state->running = false;
      }
      if (done) done();
    }).detach();
  } catch (const std::system_error&) {
    return false;  // no thread to be had: nothing runs
  }
  state_->running = true;
  state_->result.reset();
  return true;
}

bool ConnectionCheck::Running() const {
  std::lock_guard lock(state_->mutex);
  return state_->running;
}

std::optional<SyncRunOutcome> ConnectionCheck::TakeResult() {
  std::lock_guard lock(state_->mutex);
  return std::exchange(state_->result, std::nullopt);
}

void ConnectionCheck::Abandon() {
  std::lock_guard lock(state_->mutex);
  ++state_->current;
  state_->running = false;
  state_->result.reset();
}
