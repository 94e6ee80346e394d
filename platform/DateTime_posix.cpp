#include <sys/time.h>
#include <time.h>

#include "platform/DateTime.h"

namespace rt {

namespace {

class LocalClock : public Clock {
 public:
  DateTime Now() const override {
    struct timeval tv;
    ::gettimeofday(&tv, nullptr);
    time_t seconds = tv.tv_sec;
    struct tm local;
    ::localtime_r(&seconds, &local);
    DateTime now;
    now.Year = local.tm_year + 1900;
    now.Month = local.tm_mon + 1;
    now.Day = local.tm_mday;
    now.Hour = local.tm_hour;
    now.Minute = local.tm_min;
    now.Second = local.tm_sec;
    now.Millisecond = static_cast<int>(tv.tv_usec / 1000);
    return now;
  }
};

std::string Format(const char* format, const DateTime& when) {
  struct tm t = {};
  t.tm_year = when.Year - 1900;
  t.tm_mon = when.Month - 1;
  t.tm_mday = when.Day;
  t.tm_hour = when.Hour;
  t.tm_min = when.Minute;
  t.tm_sec = when.Second;
  t.tm_isdst = -1;
  char buffer[128];
  std::size_t n = ::strftime(buffer, sizeof buffer, format, &t);
  return std::string(buffer, n);
}

}  // namespace

const Clock& SystemClock() {
  static const LocalClock clock;
  return clock;
}

std::string ShortDateText(const DateTime& date) {
  return Format("%x", date);
}

std::string LongTimeText(const DateTime& time) {
  return Format("%X", time);
}

std::uint64_t MonotonicMs() {
  struct timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

}  // namespace rt
