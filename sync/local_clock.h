#pragma once
// Wall-clock time and its local calendar form, behind an interface so the
// scheduler and the log can be driven by a fake clock in tests.

#include <cstdint>
#include <optional>
#include <string>

struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;

  int MinuteOfDay() const { return hour * 60 + minute; }
  // "YYYY-MM-DD"
  std::u16string DateText() const;
  // "HH:MM"
  std::u16string ClockText() const;
};

class IClock {
 public:
  virtual ~IClock() = default;
  virtual int64_t Now() = 0;  // seconds since 1970-01-01 UTC
  virtual std::optional<LocalDateTime> ToLocal(int64_t time) = 0;
};

// The machine's clock and time zone.
class SystemClock final : public IClock {
 public:
  int64_t Now() override;
  std::optional<LocalDateTime> ToLocal(int64_t time) override;
};
