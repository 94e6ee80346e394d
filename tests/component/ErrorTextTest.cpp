#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "component/CDERRORCODES.h"
#include "component/EDSDKERRORS.h"
#include "component/PRERROR.h"

namespace {

using GetErrorTextFn = void (*)(std::uint32_t, std::string&);

const std::string Unknown = "Unkown error";

std::string TextOf(GetErrorTextFn Fn, std::uint32_t Code) {
  std::string Text;
  Fn(Code, Text);
  return Text;
}

// Every 16-bit code that the module knows, with its text.
std::map<std::uint16_t, std::string> KnownCodes(GetErrorTextFn Fn) {
  std::map<std::uint16_t, std::string> Known;
  for (std::uint32_t Code = 0; Code <= 0xFFFF; ++Code) {
    std::string Text = TextOf(Fn, Code);
    if (Text != Unknown) Known.emplace(static_cast<std::uint16_t>(Code), std::move(Text));
  }
  return Known;
}

struct Module {
  const char* Name;
  GetErrorTextFn GetErrorText;
  std::size_t (*RowCount)();
  std::size_t ExpectedRows;
};

const Module Modules[] = {
    {"EDSDKERRORS", EDSDKERRORS::GetErrorText, EDSDKERRORS::RowCount, 108},
    {"PRERROR", PRERROR::GetErrorText, PRERROR::RowCount, 60},
    {"CDERRORCODES", CDERRORCODES::GetErrorText, CDERRORCODES::RowCount, 85},
};

TEST(ErrorText, RowCounts) {
  for (const Module& M : Modules) EXPECT_EQ(M.RowCount(), M.ExpectedRows) << M.Name;
}

// As many distinct codes answer with a text as the table has rows: no two rows share a code
// and no row is unreachable.
TEST(ErrorText, EveryRowHasItsOwnCode) {
  for (const Module& M : Modules) {
    EXPECT_EQ(KnownCodes(M.GetErrorText).size(), M.ExpectedRows) << M.Name;
  }
}

TEST(ErrorText, ZeroIsUnknownEverywhere) {
  for (const Module& M : Modules) EXPECT_EQ(TextOf(M.GetErrorText, 0), Unknown) << M.Name;
}

TEST(ErrorText, OnlyTheLow16BitsCount) {
  EXPECT_EQ(TextOf(EDSDKERRORS::GetErrorText, 0x80000001u), "Unimplemented");
  EXPECT_EQ(TextOf(CDERRORCODES::GetErrorText, 0x00010007u), "Not supported");
  EXPECT_EQ(TextOf(EDSDKERRORS::GetErrorText, 0xFFFF0081u), "Device busy");
  EXPECT_EQ(TextOf(EDSDKERRORS::GetErrorText, 0x12340081u), "Device busy");
  EXPECT_EQ(TextOf(PRERROR::GetErrorText, 0xA000201Du), "Invalid parameter");
  EXPECT_EQ(TextOf(PRERROR::GetErrorText, 0x00012001u), Unknown);
  EXPECT_EQ(TextOf(CDERRORCODES::GetErrorText, 0xFFFF0000u), Unknown);

  for (const Module& M : Modules) {
    for (std::uint32_t Upper : {0x00010000u, 0x80000000u, 0xFFFF0000u}) {
      for (std::uint32_t Low = 0; Low <= 0xFFFF; ++Low) {
        ASSERT_EQ(TextOf(M.GetErrorText, Upper | Low), TextOf(M.GetErrorText, Low))
            << M.Name << " code 0x" << std::hex << (Upper | Low);
      }
    }
  }
}

TEST(ErrorText, GenericTexts) {
  for (GetErrorTextFn Fn : {EDSDKERRORS::GetErrorText, CDERRORCODES::GetErrorText}) {
    EXPECT_EQ(TextOf(Fn, 0x0001), "Unimplemented");
    EXPECT_EQ(TextOf(Fn, 0x000A), "Mission subcomponent");
    EXPECT_EQ(TextOf(Fn, 0x0021), "File too many open");
    EXPECT_EQ(TextOf(Fn, 0x002E), "File naming not applicable");
    EXPECT_EQ(TextOf(Fn, 0x0053), "Properties not loaded");
    EXPECT_EQ(TextOf(Fn, 0x0081), "Device busy");
    EXPECT_EQ(TextOf(Fn, 0x0089), "Device CompactFlash gate changed");
    EXPECT_EQ(TextOf(Fn, 0x00AC), "Stream end of stream");
    EXPECT_EQ(TextOf(Fn, 0x00C4), "Communication USB bus error");
    EXPECT_EQ(TextOf(Fn, 0x00E4), "STI device not launched");
    EXPECT_EQ(TextOf(Fn, 0x00F4), "Wait timeout error");
    EXPECT_EQ(TextOf(Fn, 0x0052), Unknown);
  }
}

TEST(ErrorText, EosTexts) {
  const GetErrorTextFn Fn = EDSDKERRORS::GetErrorText;
  EXPECT_EQ(TextOf(Fn, 0x00F5), "PTP last generic error plus one");
  EXPECT_EQ(TextOf(Fn, 0x2003), "PTP session not open");
  EXPECT_EQ(TextOf(Fn, 0x2008), "PTP invalid strage id");
  EXPECT_EQ(TextOf(Fn, 0x2017), "PTP unknown vender code");
  EXPECT_EQ(TextOf(Fn, 0x201F), "PTP transaction cancelled");
  EXPECT_EQ(TextOf(Fn, 0x2020), "PTP specification of destination unsupported");
  EXPECT_EQ(TextOf(Fn, 0xA001), "PTP unknown command");
  EXPECT_EQ(TextOf(Fn, 0xA006), "PTP lenc cover close");
  for (std::uint32_t Gap : {0x2005u, 0x2006u, 0x2019u, 0xA002u}) {
    EXPECT_EQ(TextOf(Fn, Gap), Unknown) << std::hex << Gap;
  }
}

TEST(ErrorText, PowerShotTexts) {
  const GetErrorTextFn Fn = PRERROR::GetErrorText;
  EXPECT_EQ(TextOf(Fn, 0x0001), "Unimplemented");
  EXPECT_EQ(TextOf(Fn, 0x000B), "Selection unavailable");
  EXPECT_EQ(TextOf(Fn, 0x0021), "Invalid parameter");
  EXPECT_EQ(TextOf(Fn, 0x201D), "Invalid parameter");
  EXPECT_EQ(TextOf(Fn, 0x0062), "Wait timeout error");
  EXPECT_EQ(TextOf(Fn, 0x0064), "Event callback exists");
  EXPECT_EQ(TextOf(Fn, 0x2000), "Undefined");
  EXPECT_EQ(TextOf(Fn, 0x2003), "Session not ppen");
  EXPECT_EQ(TextOf(Fn, 0x2017), "Unknown vendor code");
  EXPECT_EQ(TextOf(Fn, 0x2019), "Device busy");
  EXPECT_EQ(TextOf(Fn, 0xA002), "Extension memoey allocation failed");
  EXPECT_EQ(TextOf(Fn, 0xA00A), "Extension already exit");
  for (std::uint32_t Absent : {0x000Cu, 0x0020u, 0x0081u, 0x00F4u, 0x2001u, 0xA00Bu}) {
    EXPECT_EQ(TextOf(Fn, Absent), Unknown) << std::hex << Absent;
  }
}

// The EOS table is the generic table plus 23 codes of its own, none of them generic; the
// PowerShot table shares exactly the generic codes 0x0001..0x000B with their texts.
TEST(ErrorText, SharedRowsAgree) {
  const auto Cd = KnownCodes(CDERRORCODES::GetErrorText);
  const auto Eos = KnownCodes(EDSDKERRORS::GetErrorText);
  const auto Pr = KnownCodes(PRERROR::GetErrorText);

  std::size_t EosOnly = 0;
  for (const auto& [Code, Text] : Eos) {
    const auto It = Cd.find(Code);
    if (It == Cd.end()) {
      ++EosOnly;
    } else {
      EXPECT_EQ(Text, It->second) << std::hex << Code;
    }
  }
  EXPECT_EQ(EosOnly, 23u);
  for (const auto& [Code, Text] : Cd) EXPECT_TRUE(Eos.contains(Code)) << std::hex << Code;

  for (std::uint16_t Code = 0x0001; Code <= 0x000B; ++Code) {
    ASSERT_TRUE(Pr.contains(Code)) << std::hex << Code;
    EXPECT_EQ(Pr.at(Code), Cd.at(Code)) << std::hex << Code;
  }
  EXPECT_NE(Pr.at(0x0021), Cd.at(0x0021));
}

TEST(ErrorText, TextIsReplaced) {
  for (const Module& M : Modules) {
    std::string Text = "left over from before, longer than any text in the tables";
    M.GetErrorText(0x0005, Text);
    EXPECT_EQ(Text, "Operation cancelled") << M.Name;
    Text = "left over";
    M.GetErrorText(0x7777, Text);
    EXPECT_EQ(Text, Unknown) << M.Name;
  }
}

}  // namespace
