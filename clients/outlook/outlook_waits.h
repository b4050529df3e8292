#pragma once
// How long Outlook may keep a run waiting. Outlook turns automation calls
// away as busy while it shows a dialog or starts up, and a call it has taken
// may not return at all while it shows a prompt (its object-model security
// prompt, a profile or data-file prompt) or hangs. Meanwhile the run holds
// the run locks, so every later run, Exit and the installer wait too.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

struct OutlookWaitLimits {
  uint32_t callMs = 60000;   // a call that has not returned by then is given up
  uint32_t busyMs = 120000;  // busy turn-aways of all of a run's calls together
  uint32_t pauseMs = 100;    // before a turned-away call is offered again
};

// The pauses before turned-away calls are offered again, all taken from one
// budget: a run that Outlook keeps turning away ends, however many calls
// it makes.
class BusyRetryBudget {
 public:
  BusyRetryBudget(uint32_t totalMs, uint32_t pauseMs) : totalMs_(totalMs), pauseMs_(pauseMs) {}

  // The pause before the next attempt, or nothing once the budget is spent.
  std::optional<uint32_t> NextPause() {
    if (spentMs_ + pauseMs_ > totalMs_) return std::nullopt;
    spentMs_ += pauseMs_;
    return pauseMs_;
  }

 private:
  const uint32_t totalMs_;
  const uint32_t pauseMs_;
  uint64_t spentMs_ = 0;
};

// The Outlook thread's step in progress, as the thread that waits for the
// writer sees it, and whether that thread has given the writer up: work
// given up makes no further call into Outlook and writes nothing.
// Between two member calls the thread releases what Outlook handed it,
// asks objects for interfaces and at its end closes COM; each of those may
// wait on Outlook as a call does, so from Start to its end every moment is
// watched: a step is a call, or all that lies between two.
class OutlookCallWatch {
 public:
  void Start() { started_ = Now(); }
  // False, and no call begins, once the work has been given up.
  [[nodiscard]] bool Begin() {
    std::lock_guard lock(mutex_);
    if (givenUp_) return false;
    started_ = Now();
    return true;
  }
  void End() { started_ = Now(); }
  // How long the step in progress has been going; 0 before Start.
  uint64_t RunningMs() const {
    const uint64_t started = started_;
    return started ? Now() - started : 0;
  }

  // Once given up, the work stays given up. Waits for a local write in
  // progress (WriteIfWanted), which is short.
  void GiveUp() {
    std::lock_guard lock(mutex_);
    givenUp_ = true;
  }
  bool GivenUp() const {
    std::lock_guard lock(mutex_);
    return givenUp_;
  }
  // Runs `write` (a write of the writer's own, not a call into Outlook)
  // unless the work was given up; the give-up waits for it. False when
  // given up, else what `write` returns.
  template <typename Write>
  bool WriteIfWanted(Write&& write) {
    std::lock_guard lock(mutex_);
    return !givenUp_ && write();
  }

 private:
  // Never 0, which means no call.
  static uint64_t Now() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
               duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count()) +
           1;
  }
  mutable std::mutex mutex_;
  bool givenUp_ = false;
  std::atomic<uint64_t> started_{0};
};

// What the calls of one writer share.
struct OutlookCallContext {
  OutlookWaitLimits limits;
  std::shared_ptr<BusyRetryBudget> busy =
      std::make_shared<BusyRetryBudget>(limits.busyMs, limits.pauseMs);
  OutlookCallWatch* watch = nullptr;  // told of every call, when there is one
};
