#include <gtest/gtest.h>

#include <string>

#include "platform/Codepage.h"

namespace {

TEST(Codepage, LatinOneUnitsAreTheirOwnBytesAndEverythingElseAQuestionMark) {
  EXPECT_EQ(rt::AnsiFromUtf16(u"Caf\u00e9 \u0085 \u2026 \u4e00"), "Caf\xe9 \x85 ? ?");
  EXPECT_EQ(rt::AnsiFromUtf16(std::u16string(u"ab\0cd", 5)), "ab");  // up to the first zero
  EXPECT_EQ(rt::AnsiFromUtf16(u""), "");
}

}  // namespace
