#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "component/CamLib.h"

namespace {

using SetFn = std::int64_t (*)(std::uint8_t);
using GetFn = std::uint8_t (*)(std::uint32_t);

// Signed bit width of a set side's result: -8 for a signed byte, 16 for an unsigned word, ...
template <typename T>
constexpr int WidthOf = (std::is_signed_v<T> ? -8 : 8) * static_cast<int>(sizeof(T));

// A set side with its result widened, so one table can hold them all.
template <auto Set>
std::int64_t Widened(std::uint8_t Index) {
  return Set(Index);
}

// Name, set side, get side and actual result width of one converter pair.
// clang-format off
#define PAIR(Get, Set) #Set, Widened<CamLib::Set>, CamLib::Get, WidthOf<decltype(CamLib::Set(0))>
// clang-format on

struct Pair {
  const char* Name;
  SetFn Set;
  GetFn Get;
  int ActualWidth;
  int Width;          // expected result width of the set side (negative: signed)
  std::int64_t None;  // the set side's none marker
  bool WholeByte;     // the set side looks at all 8 bits of the index, not the low 7
  int Bits;           // low bits of the code the get side compares
  int Coded;          // how many indexes have a code
  bool Ranges = false;
};

const std::vector<Pair> Pairs = {
    {PAIR(CDQualityToCam, CamQualityToCD), 16, 0xFFFF, false, 16, 5},
    {PAIR(PRQualityToCam, CamQualityToPR), 8, 0xFF, false, 8, 5},
    {PAIR(EdsQualityToCam, CamQualityToEds), -8, -1, true, 8, 4},
    {PAIR(CDImageSizeToCam, CamImageSizeToCD), 16, 0x0FFF, false, 16, 6},
    {PAIR(PRImageSizeToCam, CamImageSizeToPR), 8, 0xFF, false, 8, 5},
    {PAIR(EdsImageSizeToCam, CamImageSizeToEds), -8, -1, false, 8, 5},
    {PAIR(CDShootingModeToCam, CamShootingModeToCD), 16, 0x0FFF, false, 16, 36},
    {PAIR(PRShootingModeToCam, CamShootingModeToPR), 8, 0xFF, false, 8, 34},
    {PAIR(EdsShootingModeToCam, CamShootingModeToEds), -8, -1, false, 8, 14},
    {PAIR(PRDriveModeToCam, CamDriveModeToPR), 8, 0xFF, true, 8, 4},
    {PAIR(PRSelfTimerToCam, CamSelfTimerToPR), 16, 0xFFFF, true, 16, 2},
    {PAIR(EdsDriveModeToCam, CamDriveModeToEds), -32, 0, false, 32, 7},
    {PAIR(CDMeteringToCam, CamMeteringToCD), 8, 0xFF, false, 8, 6},
    {PAIR(PRMeteringToCam, CamMeteringToPR), 8, 0xFF, false, 8, 6},
    {PAIR(EdsMeteringToCam, CamMeteringToEds), -32, -1, true, 32, 4},
    {PAIR(EdsAFModeToCam, CamAFModeToEds), -32, -1, true, 32, 4},
    {PAIR(CDAFDistanceToCam, CamAFDistanceToCD), 16, 0x00FF, false, 16, 12},
    {PAIR(PRAFDistanceToCam, CamAFDistanceToPR), 8, 0xFF, false, 8, 8},
    {PAIR(PRFocusPointToCam, CamFocusPointToPR), 16, 0x0000, false, 16, 7},
    {PAIR(PRAFLightToCam, CamAFLightToPR), 16, 0, true, 16, 2},
    {PAIR(CDWhiteBalanceToCam, CamWhiteBalanceToCD), 16, 0x7FFF, false, 16, 16},
    {PAIR(PRWhiteBalanceToCam, CamWhiteBalanceToPR), 8, 0xFF, false, 8, 9},
    {PAIR(EdsWhiteBalanceToCam, CamWhiteBalanceToEds), -8, -10, false, 8, 12},
    {PAIR(CDLevelToCam, CamLevelToCD), -8, 127, true, 8, 3},
    {PAIR(PRLevelToCam, CamLevelToPR), -8, 127, true, 8, 3},
    {PAIR(EdsColorSpaceToCam, CamColorSpaceToEds), -32, -1, true, 32, 2},
    {PAIR(ISOCodeToCam, CamISOToCode), 8, 0xFF, false, 8, 20},
    {PAIR(PRISOToCam, CamISOToPR), 16, 0x00FF, false, 16, 20},
    {PAIR(AvCodeToCam, CamAvToCode), 16, 0xFFFF, false, 16, 40, true},
    {PAIR(TvCodeToCam, CamTvToCode), 16, 0xFFFF, false, 16, 59, true},
    {PAIR(CDExpCompToCam, CamExpCompToCD), 16, 0x00FF, false, 16, 13},
    {PAIR(PRExpCompToCam, CamExpCompToPR), 8, 0xFF, false, 8, 13},
    {PAIR(EdsExpCompToCam, CamExpCompToEds), -32, 255, false, 32, 13},
    {PAIR(CDFlashToCam, CamFlashToCD), 16, 0x00FF, false, 16, 7},
    {PAIR(PRFlashToCam, CamFlashToPR), 8, 0xFF, false, 8, 7},
    {PAIR(CDFlashCompToCam, CamFlashCompToCD), 16, 0x00FF, false, 16, 13},
    {PAIR(PRFlashCompToCam, CamFlashCompToPR), 8, 0xFF, false, 8, 13},
    {PAIR(CDPhotoEffectToCam, CamPhotoEffectToCD), 16, 0xFFFF, false, 16, 5},
    {PAIR(PRPhotoEffectToCam, CamPhotoEffectToPR), 16, 0x00FF, false, 16, 6},
    {PAIR(EdsPhotoEffectToCam, CamPhotoEffectToEds), 8, 99, true, 8, 2},
    {PAIR(CDBeepToCam, CamBeepToCD), 8, 0xFF, true, 8, 2},
    {PAIR(PRBeepToCam, CamBeepToPR), 8, 0xFF, true, 8, 2},
};

std::uint32_t Low(std::int64_t Code, int Bits) {
  const auto Value = static_cast<std::uint32_t>(Code);
  return Bits == 32 ? Value : Value & ((1u << Bits) - 1);
}

TEST(CamLib, EveryPairHasItsWidthAndCoversEveryIndexOnce) {
  ASSERT_EQ(Pairs.size(), 42u);
  for (const Pair& P : Pairs) {
    SCOPED_TRACE(P.Name);
    EXPECT_EQ(P.ActualWidth, P.Width);
    EXPECT_EQ(P.Set(0), P.None);
    int Coded = 0;
    for (int I = 1; I < 128; ++I) {
      const auto Index = static_cast<std::uint8_t>(I);
      const std::int64_t Code = P.Set(Index);
      if (P.Get(static_cast<std::uint32_t>(Code)) != Index) {
        EXPECT_EQ(Code, P.None) << "index " << I;
        continue;
      }
      ++Coded;
      // Bits above the compared ones are ignored; the compared ones all count.
      const std::uint32_t C = Low(Code, P.Bits);
      if (P.Bits < 32) {
        EXPECT_EQ(P.Get(C | (0xFFFFFFFFu << P.Bits)), Index) << "index " << I;
      }
      if (!P.Ranges && P.Bits > 8) {
        EXPECT_EQ(P.Get(C | 0x100), 0) << "index " << I;
      }
      if (P.Bits > 16) {
        EXPECT_EQ(P.Get(C | 0x10000), 0) << "index " << I;
      }
      // The top bit of the index is ignored, or ends the index's code.
      const auto High = static_cast<std::uint8_t>(I + 128);
      EXPECT_EQ(P.Set(High), P.WholeByte ? P.None : Code) << "index " << I + 128;
    }
    EXPECT_EQ(Coded, P.Coded);
  }
}

struct RowCase {
  const char* Name;
  SetFn Set;
  GetFn Get;
  int Width;  // filled by PAIR, not checked here
  std::uint8_t Index;
  std::int64_t Code;
  bool GetToo = true;  // false: the set side's none marker, or a code read as another index
};

void CheckRows(const std::vector<RowCase>& Rows) {
  for (const RowCase& R : Rows) {
    SCOPED_TRACE(testing::Message() << R.Name << " index " << int{R.Index});
    EXPECT_EQ(R.Set(R.Index), R.Code);
    if (R.GetToo) {
      EXPECT_EQ(R.Get(static_cast<std::uint32_t>(R.Code)), R.Index);
    }
  }
}

// The rows the capture program writes and reads back, each one checked both ways.
TEST(CamLib, RowsTheCaptureProgramUses) {
  CheckRows({
      {PAIR(CDShootingModeToCam, CamShootingModeToCD), 17, 0x02},
      {PAIR(PRShootingModeToCam, CamShootingModeToPR), 17, 0x02},
      {PAIR(EdsShootingModeToCam, CamShootingModeToEds), 17, 0x01},
      {PAIR(TvCodeToCam, CamTvToCode), 5, 0x18},
      {PAIR(TvCodeToCam, CamTvToCode), 7, 0x1D},
      {PAIR(TvCodeToCam, CamTvToCode), 10, 0x25},
      {PAIR(ISOCodeToCam, CamISOToCode), 1, 0x00},
      {PAIR(ISOCodeToCam, CamISOToCode), 2, 0x40},
      {PAIR(ISOCodeToCam, CamISOToCode), 5, 0x48},
      {PAIR(ISOCodeToCam, CamISOToCode), 8, 0x50},
      {PAIR(ISOCodeToCam, CamISOToCode), 11, 0x58},
      {PAIR(PRISOToCam, CamISOToPR), 1, 0x00},
      {PAIR(PRISOToCam, CamISOToPR), 2, 0x40},
      {PAIR(PRISOToCam, CamISOToPR), 5, 0x48},
      {PAIR(PRISOToCam, CamISOToPR), 8, 0x50},
      {PAIR(PRISOToCam, CamISOToPR), 11, 0x58},
      {PAIR(CDFlashToCam, CamFlashToCD), 1, 0x00},
      {PAIR(PRFlashToCam, CamFlashToPR), 1, 0x00},
      {PAIR(CDImageSizeToCam, CamImageSizeToCD), 1, 0x00},
      {PAIR(CDImageSizeToCam, CamImageSizeToCD), 2, 0x01},
      {PAIR(CDImageSizeToCam, CamImageSizeToCD), 3, 0x02},
      {PAIR(CDImageSizeToCam, CamImageSizeToCD), 4, 0x05},
      {PAIR(CDImageSizeToCam, CamImageSizeToCD), 5, 0x06},
      {PAIR(CDImageSizeToCam, CamImageSizeToCD), 6, 0x07},
      {PAIR(PRImageSizeToCam, CamImageSizeToPR), 1, 0x00},
      {PAIR(PRImageSizeToCam, CamImageSizeToPR), 2, 0xFF, false},
      {PAIR(PRImageSizeToCam, CamImageSizeToPR), 3, 0x02},
      {PAIR(PRImageSizeToCam, CamImageSizeToPR), 4, 0x01},
      {PAIR(PRImageSizeToCam, CamImageSizeToPR), 5, 0x03},
      {PAIR(PRImageSizeToCam, CamImageSizeToPR), 6, 0x07},
      {PAIR(EdsImageSizeToCam, CamImageSizeToEds), 1, 0x00},
      {PAIR(EdsImageSizeToCam, CamImageSizeToEds), 2, 0x01},
      {PAIR(EdsImageSizeToCam, CamImageSizeToEds), 3, 0x02},
      {PAIR(EdsImageSizeToCam, CamImageSizeToEds), 4, 0x05},
      {PAIR(EdsImageSizeToCam, CamImageSizeToEds), 5, 0x06},
      {PAIR(EdsImageSizeToCam, CamImageSizeToEds), 6, -1, false},
  });
}

// Rows where the tables are irregular, or the two directions are not each other's inverse.
TEST(CamLib, IrregularRows) {
  CheckRows({
      {PAIR(CDShootingModeToCam, CamShootingModeToCD), 22, 0x65},
      {PAIR(CDShootingModeToCam, CamShootingModeToCD), 36, 0x80},
      {PAIR(PRShootingModeToCam, CamShootingModeToPR), 4, 0x93},
      {PAIR(PRShootingModeToCam, CamShootingModeToPR), 27, 0xFF, false},
      {PAIR(PRShootingModeToCam, CamShootingModeToPR), 36, 0x8C},
      {PAIR(EdsShootingModeToCam, CamShootingModeToEds), 1, 0x09},
      {PAIR(EdsShootingModeToCam, CamShootingModeToEds), 23, 0x0F},
      {PAIR(CDQualityToCam, CamQualityToCD), 4, 0x05},
      {PAIR(EdsQualityToCam, CamQualityToEds), 1, -1, false},
      {PAIR(CDWhiteBalanceToCam, CamWhiteBalanceToCD), 7, 0x0E},
      {PAIR(CDWhiteBalanceToCam, CamWhiteBalanceToCD), 11, 0x07},
      {PAIR(PRWhiteBalanceToCam, CamWhiteBalanceToPR), 7, 0x07},
      {PAIR(PRWhiteBalanceToCam, CamWhiteBalanceToPR), 8, 0x0A},
      {PAIR(EdsWhiteBalanceToCam, CamWhiteBalanceToEds), 8, -10, false},
      {PAIR(EdsWhiteBalanceToCam, CamWhiteBalanceToEds), 13, 0x09},
      {PAIR(PRDriveModeToCam, CamDriveModeToPR), 4, 0x05},
      {PAIR(PRSelfTimerToCam, CamSelfTimerToPR), 6, 100},
      {PAIR(PRSelfTimerToCam, CamSelfTimerToPR), 7, 20},
      {PAIR(PRSelfTimerToCam, CamSelfTimerToPR), 5, 0xFFFF, false},
      {PAIR(EdsDriveModeToCam, CamDriveModeToEds), 6, 0x10},
      {PAIR(EdsDriveModeToCam, CamDriveModeToEds), 8, 0, false},  // same code as index 1
      {PAIR(PRAFLightToCam, CamAFLightToPR), 3, 0, false},        // same code as index 2
      {PAIR(PRFocusPointToCam, CamFocusPointToPR), 3, 0x3000},
      {PAIR(CDLevelToCam, CamLevelToCD), 1, -1},
      {PAIR(PRLevelToCam, CamLevelToPR), 4, 127, false},
      {PAIR(CDPhotoEffectToCam, CamPhotoEffectToCD), 3, 0x01},
      {PAIR(EdsPhotoEffectToCam, CamPhotoEffectToEds), 6, 0x05},
  });
  EXPECT_EQ(CamLib::PRWhiteBalanceToCam(0x0E), 7);  // the second code of index 7
  EXPECT_EQ(CamLib::EdsDriveModeToCam(0), 1);
  EXPECT_EQ(CamLib::CDLevelToCam(0xFF), 1);
  // Codes no row has.
  EXPECT_EQ(CamLib::CDQualityToCam(0x00), 0);
  EXPECT_EQ(CamLib::EdsQualityToCam(0x01), 0);
  EXPECT_EQ(CamLib::PRWhiteBalanceToCam(0x05), 0);
  EXPECT_EQ(CamLib::ISOCodeToCam(0x41), 0);
  EXPECT_EQ(CamLib::EdsDriveModeToCam(0x03), 0);
  EXPECT_EQ(CamLib::PRSelfTimerToCam(10), 0);
  EXPECT_EQ(CamLib::CDLevelToCam(0x02), 0);
  EXPECT_EQ(CamLib::EdsExpCompToCam(static_cast<std::uint32_t>(-5)), 0);  // not 0xFB
}

const Pair& Find(const char* Name) {
  for (const Pair& P : Pairs) {
    if (std::string_view(P.Name) == Name) return P;
  }
  throw std::invalid_argument(Name);
}

// The codes of the third-stop scales, index 1 first, written out as the cameras know them.
TEST(CamLib, ThirdStopScales) {
  const std::vector<std::int64_t> Av = {0x08, 0x0B, 0x0D, 0x10, 0x13, 0x15, 0x18, 0x1B, 0x1D, 0x20,
                                        0x23, 0x25, 0x28, 0x2B, 0x2D, 0x30, 0x33, 0x35, 0x38, 0x3B,
                                        0x3D, 0x40, 0x43, 0x45, 0x48, 0x4B, 0x4D, 0x50, 0x53, 0x55,
                                        0x58, 0x5B, 0x5D, 0x60, 0x63, 0x65, 0x68, 0x6B, 0x6D, 0x70};
  const std::vector<std::int64_t> Tv = {
      0x04, 0x10, 0x13, 0x15, 0x18, 0x1B, 0x1D, 0x20, 0x23, 0x25, 0x28, 0x2B, 0x2D, 0x30, 0x33,
      0x35, 0x38, 0x3B, 0x3D, 0x40, 0x43, 0x45, 0x48, 0x4B, 0x4D, 0x50, 0x53, 0x55, 0x58, 0x5B,
      0x5D, 0x60, 0x63, 0x65, 0x68, 0x6B, 0x6D, 0x70, 0x73, 0x75, 0x78, 0x7B, 0x7D, 0x80, 0x83,
      0x85, 0x88, 0x8B, 0x8D, 0x90, 0x93, 0x95, 0x98, 0x9B, 0x9D, 0xA0, 0xA3, 0xA5, 0xA8};
  const std::vector<std::int64_t> ISO = {0x00, 0x40, 0x43, 0x45, 0x48, 0x4B, 0x4D,
                                         0x50, 0x53, 0x55, 0x58, 0x5B, 0x5D, 0x60,
                                         0x63, 0x65, 0x68, 0x6B, 0x6D, 0x70};
  const std::vector<std::int64_t> Comp(Av.begin(), Av.begin() + 13);
  const std::vector<std::int64_t> EdsComp = {0x10, 0x0D, 0x0B, 0x08, 0x05, 0x03, 0x00,
                                             0xFD, 0xFB, 0xF8, 0xF5, 0xF3, 0xF0};
  const std::vector<std::pair<const char*, const std::vector<std::int64_t>*>> Uses = {
      {"CamAvToCode", &Av},        {"CamTvToCode", &Tv},        {"CamISOToCode", &ISO},
      {"CamISOToPR", &ISO},        {"CamExpCompToCD", &Comp},   {"CamExpCompToPR", &Comp},
      {"CamFlashCompToCD", &Comp}, {"CamFlashCompToPR", &Comp}, {"CamExpCompToEds", &EdsComp}};
  for (const auto& [Name, Codes] : Uses) {
    const Pair& P = Find(Name);
    for (std::size_t K = 0; K < Codes->size(); ++K) {
      const auto Index = static_cast<std::uint8_t>(K + 1);
      EXPECT_EQ(P.Set(Index), (*Codes)[K]) << Name << " index " << K + 1;
      EXPECT_EQ(P.Get(static_cast<std::uint32_t>((*Codes)[K])), Index) << Name;
    }
    EXPECT_EQ(P.Set(static_cast<std::uint8_t>(Codes->size() + 1)), P.None) << Name;
  }
}

// Av and Tv read any code: a code between two steps falls to the lower one.
TEST(CamLib, AvAndTvRanges) {
  for (const char* Name : {"CamAvToCode", "CamTvToCode"}) {
    const Pair& P = Find(Name);
    std::uint8_t Expected = 0;
    for (std::uint32_t Code = 0; Code <= 0xFFFF; ++Code) {
      if (Expected < P.Coded && P.Set(static_cast<std::uint8_t>(Expected + 1)) == Code) ++Expected;
      ASSERT_EQ(P.Get(Code), Expected) << Name << " code " << Code;
      ASSERT_EQ(P.Get(Code | 0xABCD0000), Expected) << Name << " code " << Code;
    }
  }
  EXPECT_EQ(CamLib::AvCodeToCam(0x0A), 1);
  EXPECT_EQ(CamLib::AvCodeToCam(0x6F), 39);
  EXPECT_EQ(CamLib::AvCodeToCam(0x10008), 1);
  EXPECT_EQ(CamLib::TvCodeToCam(0x03), 0);
  EXPECT_EQ(CamLib::TvCodeToCam(0x0F), 1);
  EXPECT_EQ(CamLib::TvCodeToCam(0x17), 4);
  EXPECT_EQ(CamLib::TvCodeToCam(0xA7), 58);
  EXPECT_EQ(CamLib::TvCodeToCam(0xFFFF), 59);
}

}  // namespace
