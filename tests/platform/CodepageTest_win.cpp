#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/Codepage.h"
#include "platform/Codepage_win.h"

namespace {

TEST(Codepage, NamesGoThroughTheSystemsAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "the system's code page is " << GetACP() << ", not 1252";
  // U+2026 lies outside Latin-1 and is 0x85 of the code page; U+0085 lies in 0x80..0x9F and is
  // no character of it, and neither is U+4E00. U+221E is none either, and its look-alike '8'
  // (the system's best fit) would name another camera.
  EXPECT_EQ(rt::AnsiFromUtf16(u"Caf\u00e9 \u2026 \u0085 \u4e00 \u221e"), "Caf\xe9 \x85 ? ? ?");
  EXPECT_EQ(rt::AnsiFromUtf16(std::u16string(u"ab\0cd", 5)), "ab");  // up to the first zero
  EXPECT_EQ(rt::AnsiFromUtf16(u""), "");
}

TEST(Codepage, TheCodePageDecidesTheBytesUtf8GivingEveryCharacter) {
  EXPECT_EQ(rt::TextFromUtf16(u"Caf\u00e9 \u2026 \u4e00 \u221e", CP_UTF8),
            "Caf\xc3\xa9 \xe2\x80\xa6 \xe4\xb8\x80 \xe2\x88\x9e");
  EXPECT_EQ(rt::TextFromUtf16(std::u16string(u"\u00e9x\0cd", 5), CP_UTF8), "\xc3\xa9x");
  // A single-byte code page keeps the no-best-fit rule, whatever the system's own code page.
  EXPECT_EQ(rt::TextFromUtf16(u"Caf\u00e9 \u221e", 1252), "Caf\xe9 ?");
}

}  // namespace
