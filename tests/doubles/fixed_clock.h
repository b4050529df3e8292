#pragma once
// A clock that stands still at `now`. A time reads, in local time, as that
// many seconds after midnight of `date`; without a date no time has a local
// form.

#include <optional>

#include "sync/local_clock.h"

class FixedClock final : public IClock {
 public:
  FixedClock() = default;
  FixedClock(int64_t now, LocalDateTime date) : now_(now), date_(date) {}

  int64_t Now() override { return now_; }
  std::optional<LocalDateTime> ToLocal(int64_t time) override {
    if (!date_) return std::nullopt;
    return LocalDateTime{date_->year,
                         date_->month,
                         date_->day,
                         static_cast<int>(time / 3600),
                         static_cast<int>(time / 60 % 60),
                         static_cast<int>(time % 60)};
  }

 private:
  int64_t now_ = 0;
  std::optional<LocalDateTime> date_;  // its year, month and day
};
