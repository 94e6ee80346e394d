// The local clock and the user's regional date and time formats on Windows.
#include <windows.h>

#include "platform/DateTime.h"

namespace rt {

namespace {

class LocalClock : public Clock {
 public:
  DateTime Now() const override {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    DateTime now;
    now.Year = st.wYear;
    now.Month = st.wMonth;
    now.Day = st.wDay;
    now.Hour = st.wHour;
    now.Minute = st.wMinute;
    now.Second = st.wSecond;
    now.Millisecond = st.wMilliseconds;
    return now;
  }
};

SYSTEMTIME ToSystemTime(const DateTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.Year);
  st.wMonth = static_cast<WORD>(t.Month);
  st.wDay = static_cast<WORD>(t.Day);
  st.wHour = static_cast<WORD>(t.Hour);
  st.wMinute = static_cast<WORD>(t.Minute);
  st.wSecond = static_cast<WORD>(t.Second);
  st.wMilliseconds = static_cast<WORD>(t.Millisecond);
  return st;
}

// Both format calls tell the size they need when given none; the result counts the closing NUL.
// A value the calls refuse (such as a day that does not exist) gives the empty text.
template <class Format>
std::string Formatted(Format format) {
  const int needed = format(nullptr, 0);
  if (needed <= 0) return {};
  std::string text(static_cast<std::size_t>(needed), '\0');
  const int written = format(text.data(), needed);
  if (written <= 0) return {};
  text.resize(static_cast<std::size_t>(written - 1));
  return text;
}

}  // namespace

const Clock& SystemClock() {
  static const LocalClock clock;
  return clock;
}

std::string ShortDateText(const DateTime& date) {
  const SYSTEMTIME st = ToSystemTime(date);
  return Formatted([&](char* buffer, int size) {
    return ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, size);
  });
}

std::string LongTimeText(const DateTime& time) {
  const SYSTEMTIME st = ToSystemTime(time);
  return Formatted([&](char* buffer, int size) {
    return ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, size);
  });
}

std::uint64_t MonotonicMs() {
  return ::GetTickCount64();
}

}  // namespace rt
