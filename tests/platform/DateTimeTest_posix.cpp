#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "platform/DateTime.h"

namespace {

// Switches LC_TIME for the test and puts the previous setting back.
class TimeLocale {
 public:
  explicit TimeLocale(const char* name) {
    const char* current = std::setlocale(LC_TIME, nullptr);
    previous_ = current ? current : "C";
    ok_ = std::setlocale(LC_TIME, name) != nullptr;
  }
  ~TimeLocale() { std::setlocale(LC_TIME, previous_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::string previous_;
  bool ok_ = false;
};

const rt::DateTime kSample{2026, 12, 8, 14, 3, 7, 0};

TEST(RegionalTexts, FollowTheTimeLocale) {
  {
    TimeLocale locale("C");
    ASSERT_TRUE(locale.ok());
    EXPECT_EQ(rt::ShortDateText(kSample), "12/08/26");
    EXPECT_EQ(rt::LongTimeText(kSample), "14:03:07");
    EXPECT_EQ(rt::ShortDateText({2007, 1, 2, 0, 0, 0, 0}), "01/02/07");
    EXPECT_EQ(rt::LongTimeText({2007, 1, 2, 0, 0, 0, 0}), "00:00:00");
  }
  TimeLocale locale("de_DE.UTF-8");
  if (!locale.ok()) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
  EXPECT_EQ(rt::ShortDateText(kSample), "08.12.2026");
  EXPECT_EQ(rt::LongTimeText(kSample), "14:03:07");
}

}  // namespace
