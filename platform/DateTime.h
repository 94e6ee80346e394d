// Dates and times of the local clock, and their texts in the user's regional format.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

struct DateTime {
  int Year = 0;
  int Month = 0;  // 1..12
  int Day = 0;    // 1..31
  int Hour = 0;   // 0..23
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
};

// Source of the current local date and time. Code that decides by the time takes a Clock, so
// tests can set it.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() const = 0;
};

// The machine's local clock.
const Clock& SystemClock();

// A clock that shows whatever it was set to.
class ManualClock : public Clock {
 public:
  explicit ManualClock(DateTime now = {}) : now_(now) {}
  DateTime Now() const override { return now_; }
  void Set(const DateTime& now) { now_ = now; }

 private:
  DateTime now_;
};

// The date in the user's short date format (Windows: GetDateFormat with the short date; POSIX:
// strftime "%x" under the LC_TIME locale), e.g. "12/8/2026" or "08.12.2026".
std::string ShortDateText(const DateTime& date);

// The time in the user's long time format (POSIX: strftime "%X"), e.g. "14:03:07".
std::string LongTimeText(const DateTime& time);

// Whether year, month and day name a day of the Gregorian calendar.
bool IsValidDate(int year, int month, int day);

// Milliseconds of a monotonic clock, for timers and waits.
std::uint64_t MonotonicMs();

}  // namespace rt
