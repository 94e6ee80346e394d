#include <gtest/gtest.h>

#include "platform/DateTime.h"

namespace {

TEST(IsValidDate, KnowsTheGregorianCalendar) {
  const struct {
    int year, month, day;
    bool valid;
  } cases[] = {
      {2024, 2, 29, true},  {2026, 2, 29, false}, {2000, 2, 29, true},  {1900, 2, 29, false},
      {2100, 2, 29, false}, {2026, 2, 28, true},  {2026, 2, 30, false}, {2026, 4, 31, false},
      {2026, 4, 30, true},  {2026, 6, 31, false}, {2026, 9, 31, false}, {2026, 11, 31, false},
      {2026, 1, 31, true},  {2026, 12, 31, true}, {2026, 7, 31, true},  {2026, 8, 31, true},
      {2026, 0, 1, false},  {2026, 13, 1, false}, {2026, 1, 0, false},  {2026, 1, 32, false},
      {2026, -1, 1, false}, {2026, 1, -1, false}, {2007, 1, 1, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rt::IsValidDate(c.year, c.month, c.day), c.valid)
        << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST(Clock, TheSystemClockGivesAValidLocalTime) {
  const rt::DateTime now = rt::SystemClock().Now();
  EXPECT_GE(now.Year, 2020);
  EXPECT_TRUE(rt::IsValidDate(now.Year, now.Month, now.Day));
  EXPECT_TRUE(now.Hour >= 0 && now.Hour < 24 && now.Minute >= 0 && now.Minute < 60);
  EXPECT_TRUE(now.Second >= 0 && now.Second < 61 && now.Millisecond >= 0 && now.Millisecond < 1000);

  const std::uint64_t before = rt::MonotonicMs();
  EXPECT_GE(rt::MonotonicMs(), before);
}

}  // namespace
