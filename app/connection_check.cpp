#include "app/connection_check.h"

#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace {

struct Job {
  uint64_t id = 0;
  ConnectionCheck::Test test;
  std::function<void()> done;
  std::shared_ptr<RunStop> stop = std::make_shared<RunStop>();
};

}  // namespace

struct ConnectionCheck::State {
  std::mutex mutex;
  uint64_t current = 0;  // the test whose result is wanted
  bool running = false;  // that test has not ended
  bool threadGoing = false;
  std::shared_ptr<RunStop> stop;  // of the test on the thread
  std::optional<Job> next;        // waits for the thread
  std::optional<SyncRunOutcome> result;
};

namespace {

// Runs the tests one after another: an abandoned one is stopped, and the
// next waits here for its download to end rather than run beside it.
void RunTests(std::shared_ptr<ConnectionCheck::State> state, Job job) {
  for (;;) {
    SyncRunOutcome outcome;
    try {
      outcome = job.test(*job.stop);
    } catch (...) {
      // Nothing may leave this thread: it would end the program.
      outcome.resultText = std::u16string(kRunErrorPrefix) + u"未知错误";
      outcome.failure = RunFailure::RunError;
    }
    std::function<void()> done;
    bool more = false;
    {
      std::lock_guard lock(state->mutex);
      if (state->current == job.id) {
        state->result = std::move(outcome);
        state->running = false;
        done = std::move(job.done);
      }
      if (!state->next) {
        state->threadGoing = false;
        state->stop.reset();
      } else {
        job = std::move(*state->next);
        state->next.reset();
        state->stop = job.stop;
        more = true;
      }
    }
    if (done) done();
    if (!more) return;
  }
}

}  // namespace

ConnectionCheck::ConnectionCheck() : state_(std::make_shared<State>()) {}

ConnectionCheck::~ConnectionCheck() { Abandon(); }

bool ConnectionCheck::Start(Test test, std::function<void()> done) {
  std::lock_guard lock(state_->mutex);
  if (state_->running) return false;
  Job job{state_->current + 1, std::move(test), std::move(done)};
  if (state_->threadGoing) {
    state_->next = std::move(job);
  } else {
    try {
      // Detached: a server that does not answer must not hold up the
      // dialog or the program's end. The thread keeps the state alive.
      state_->stop = job.stop;
      std::thread(RunTests, state_, std::move(job)).detach();
    } catch (const std::system_error&) {
      state_->stop.reset();
      return false;  // no thread to be had: nothing runs
    }
    state_->threadGoing = true;
  }
  ++state_->current;
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
  state_->next.reset();
  if (state_->stop) state_->stop->Stop();
}
