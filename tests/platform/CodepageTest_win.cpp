#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/Codepage.h"

namespace {

TEST(Codepage, NamesGoThroughTheSystemsAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "the system's code page is " << GetACP() << ", not 1252";
  // U+2026 lies outside Latin-1 and is 0x85 of the code page; U+0085 lies in 0x80..0x9F and is
  // no character of it, and neither is U+4E00.
  EXPECT_EQ(rt::AnsiFromUtf16(u"Caf\u00e9 \u2026 \u0085 \u4e00"), "Caf\xe9 \x85 ? ?");
  EXPECT_EQ(rt::AnsiFromUtf16(std::u16string(u"ab\0cd", 5)), "ab");  // up to the first zero
  EXPECT_EQ(rt::AnsiFromUtf16(u""), "");
}

}  // namespace
