#include "component/CamLib.h"

#include <array>
#include <cstddef>
#include <span>

namespace CamLib {
namespace {

// One row of a setting's table in one camera library: the common index and the library's code.
struct Row {
  std::uint8_t Index;
  std::uint32_t Code;
};

using Rows = std::span<const Row>;

// How much of a code the get sides compare.
constexpr std::uint32_t Bits8 = 0xFF;
constexpr std::uint32_t Bits16 = 0xFFFF;
constexpr std::uint32_t Bits32 = 0xFFFFFFFF;

// How much of an index the set sides look at: most ignore the top bit (129 acts as 1); the
// others take the whole byte, so any index of 128 or more has no code there.
constexpr std::uint8_t Index7 = 0x7F;
constexpr std::uint8_t Index8 = 0xFF;

// Get side: the index of the row whose code equals the compared bits of Code, else 0.
constexpr std::uint8_t IndexOf(Rows Table, std::uint32_t Code, std::uint32_t Bits) {
  const std::uint32_t Compared = Code & Bits;
  for (const Row& R : Table) {
    if (R.Code == Compared) return R.Index;
  }
  return 0;
}

// Get side over a scale whose codes ascend: the index of the last row whose code is at most the
// compared bits of Code, so codes between two rows fall to the lower one; 0 below the first row.
constexpr std::uint8_t FloorIndexOf(Rows Table, std::uint32_t Code, std::uint32_t Bits) {
  const std::uint32_t Compared = Code & Bits;
  std::uint8_t Index = 0;
  for (const Row& R : Table) {
    if (R.Code > Compared) break;
    Index = R.Index;
  }
  return Index;
}

// Set side: the code of the first row with the looked-at bits of Index, else None. Where a
// library has two codes for one index, the row listed first is the one that is sent.
template <typename Code>
constexpr Code CodeOf(Rows Table, std::uint8_t Index, std::uint8_t Bits, Code None) {
  const std::uint8_t Looked = Index & Bits;
  for (const Row& R : Table) {
    if (R.Index == Looked) return static_cast<Code>(R.Code);
  }
  return None;
}

// A table the lookups can trust: indexes 1..127, codes within the compared bits, no code twice
// (else the get side would be ambiguous).
constexpr bool Sound(Rows Table, std::uint32_t Bits) {
  for (std::size_t I = 0; I < Table.size(); ++I) {
    if (Table[I].Index == 0 || Table[I].Index > 127 || (Table[I].Code & ~Bits) != 0) return false;
    for (std::size_t J = I + 1; J < Table.size(); ++J) {
      if (Table[J].Code == Table[I].Code) return false;
    }
  }
  return true;
}

constexpr bool OneRowPerIndex(Rows Table) {
  for (std::size_t I = 0; I < Table.size(); ++I) {
    for (std::size_t J = I + 1; J < Table.size(); ++J) {
      if (Table[J].Index == Table[I].Index) return false;
    }
  }
  return true;
}

constexpr bool Ascending(Rows Table) {
  for (std::size_t I = 1; I < Table.size(); ++I) {
    if (Table[I].Code <= Table[I - 1].Code) return false;
  }
  return true;
}

// ----- Scales built by rule -----

// Av, Tv, ISO and the compensations advance in thirds of a stop: runs of three codes (0, 3, 5),
// each run 8 above the one before: 0, 3, 5, 8, 11, 13, 16, ...
constexpr std::uint32_t ThirdStep(std::size_t K) {
  constexpr std::uint32_t InRun[] = {0, 3, 5};
  return static_cast<std::uint32_t>(8 * (K / 3)) + InRun[K % 3];
}

// N rows from FirstIndex on, coded Base + ThirdStep(0), Base + ThirdStep(1), ...
template <std::size_t N>
constexpr std::array<Row, N> ThirdStops(std::uint8_t FirstIndex, std::uint32_t Base) {
  std::array<Row, N> Table{};
  for (std::size_t K = 0; K < N; ++K) {
    Table[K] = {static_cast<std::uint8_t>(FirstIndex + K), Base + ThirdStep(K)};
  }
  return Table;
}

// A scale whose first index has a code of its own, ahead of the rule.
template <std::size_t N>
constexpr std::array<Row, N + 1> WithLead(Row Lead, const std::array<Row, N>& Rest) {
  std::array<Row, N + 1> Table{};
  Table[0] = Lead;
  for (std::size_t K = 0; K < N; ++K) Table[K + 1] = Rest[K];
  return Table;
}

// Index i coded i - 1, for indexes 1..N.
template <std::size_t N>
constexpr std::array<Row, N> CountedFromZero() {
  std::array<Row, N> Table{};
  for (std::size_t K = 0; K < N; ++K) {
    Table[K] = {static_cast<std::uint8_t>(K + 1), static_cast<std::uint32_t>(K)};
  }
  return Table;
}

constexpr auto AvTable = ThirdStops<40>(1, 0x08);
constexpr auto TvTable = WithLead(Row{1, 0x04}, ThirdStops<58>(2, 0x10));
constexpr auto ISOTable = WithLead(Row{1, 0x00}, ThirdStops<19>(2, 0x40));

// Exposure and flash compensation in the CD and PowerShot libraries: the first 13 Av codes,
// with 0x18 (no compensation) at index 7.
constexpr auto CompensationTable = ThirdStops<13>(1, 0x08);

// The EOS library counts compensation from 0 in a signed byte, the other way round: each code is
// 0x18 minus the CD code, kept to 8 bits.
constexpr std::array<Row, CompensationTable.size()> EdsCompensation() {
  std::array<Row, CompensationTable.size()> Table{};
  for (std::size_t K = 0; K < Table.size(); ++K) {
    Table[K] = {CompensationTable[K].Index, (0x18 - CompensationTable[K].Code) & 0xFF};
  }
  return Table;
}
constexpr auto EdsCompensationTable = EdsCompensation();

constexpr auto AFModeEdsTable = CountedFromZero<4>();
constexpr auto AFDistanceCDTable = CountedFromZero<12>();
constexpr auto AFDistancePRTable = CountedFromZero<8>();
constexpr auto FlashTable = CountedFromZero<7>();  // CD and PowerShot alike

// ----- Scales without a rule -----
// Where two libraries share a table, their columns are identical.

constexpr Row QualityTable[] = {{1, 0x01}, {2, 0x02}, {3, 0x03}, {4, 0x05}, {5, 0x04}};
constexpr Row QualityEdsTable[] = {{2, 0x02}, {3, 0x03}, {4, 0x05}, {5, 0x04}};

constexpr Row ImageSizeCDTable[] = {{1, 0x00}, {2, 0x01}, {3, 0x02},
                                    {4, 0x05}, {5, 0x06}, {6, 0x07}};
constexpr Row ImageSizePRTable[] = {{1, 0x00}, {3, 0x02}, {4, 0x01}, {5, 0x03}, {6, 0x07}};
constexpr Row ImageSizeEdsTable[] = {{1, 0x00}, {2, 0x01}, {3, 0x02}, {4, 0x05}, {5, 0x06}};

constexpr Row ShootingModeCDTable[] = {
    {1, 0x00},  {2, 0x04},  {3, 0x66},  {4, 0x67},  {5, 0x68},  {6, 0x69},  {7, 0x6A},  {8, 0x6B},
    {9, 0x6C},  {10, 0x6D}, {11, 0x6E}, {12, 0x6F}, {13, 0x70}, {14, 0x71}, {15, 0x72}, {16, 0x01},
    {17, 0x02}, {18, 0x03}, {19, 0x05}, {20, 0x06}, {21, 0x07}, {22, 0x65}, {23, 0x73}, {24, 0x74},
    {25, 0x75}, {26, 0x76}, {27, 0x77}, {28, 0x78}, {29, 0x79}, {30, 0x7A}, {31, 0x7B}, {32, 0x7C},
    {33, 0x7D}, {34, 0x7E}, {35, 0x7F}, {36, 0x80}};
constexpr Row ShootingModePRTable[] = {
    {1, 0x00},  {2, 0x04},  {4, 0x93},  {5, 0x94},  {6, 0x84},  {7, 0x98},  {8, 0x99},
    {9, 0x82},  {10, 0x9B}, {11, 0x9C}, {12, 0x9F}, {13, 0x9E}, {14, 0x9A}, {15, 0x97},
    {16, 0x01}, {17, 0x02}, {18, 0x03}, {19, 0x05}, {20, 0x06}, {21, 0x07}, {22, 0x80},
    {23, 0xA0}, {24, 0x90}, {25, 0x9D}, {26, 0x85}, {28, 0x88}, {29, 0x87}, {30, 0x91},
    {31, 0x86}, {32, 0x92}, {33, 0x8A}, {34, 0x8F}, {35, 0x81}, {36, 0x8C}};
constexpr Row ShootingModeEdsTable[] = {{1, 0x09},  {2, 0x03},  {3, 0x0D},  {4, 0x0B},  {6, 0x0A},
                                        {9, 0x0C},  {11, 0x0E}, {16, 0x00}, {17, 0x01}, {18, 0x02},
                                        {19, 0x05}, {20, 0x06}, {21, 0x04}, {23, 0x0F}};

// The PowerShot drive mode has no codes for 6 and 7: those are self-timer values (100 and 20),
// kept in a property of their own.
constexpr Row DriveModePRTable[] = {{1, 0x00}, {2, 0x01}, {4, 0x05}, {5, 0x04}};
constexpr Row SelfTimerPRTable[] = {{6, 0x64}, {7, 0x14}};
constexpr Row DriveModeEdsTable[] = {{1, 0x00}, {2, 0x01}, {3, 0x02}, {4, 0x04},
                                     {5, 0x05}, {6, 0x10}, {7, 0x11}};

constexpr Row MeteringTable[] = {{1, 0x00}, {2, 0x01}, {3, 0x02}, {4, 0x03}, {5, 0x04}, {6, 0x05}};
constexpr Row MeteringEdsTable[] = {{2, 0x01}, {4, 0x03}, {5, 0x04}, {6, 0x05}};

constexpr Row FocusPointPRTable[] = {{1, 0x1000}, {2, 0x1001}, {3, 0x3000}, {4, 0x3001},
                                     {5, 0x3002}, {6, 0x3003}, {7, 0x3004}};

constexpr Row AFLightPRTable[] = {{1, 0x01}, {2, 0x00}};

constexpr Row WhiteBalanceCDTable[] = {
    {1, 0x00}, {2, 0x01},  {3, 0x02},  {4, 0x03},  {5, 0x04},  {6, 0x05},  {7, 0x0E},  {8, 0x06},
    {9, 0x0F}, {10, 0x10}, {11, 0x07}, {12, 0x08}, {13, 0x09}, {14, 0x0A}, {15, 0x0B}, {16, 0x0C}};
// Cameras report 7 under two codes; 0x07, listed first, is the one written back.
constexpr Row WhiteBalancePRTable[] = {{1, 0x00}, {2, 0x01}, {3, 0x02}, {4, 0x03},  {5, 0x04},
                                       {7, 0x07}, {8, 0x0A}, {9, 0x0B}, {10, 0x0C}, {7, 0x0E}};
constexpr Row WhiteBalanceEdsTable[] = {{1, 0x00},  {2, 0x01},  {3, 0x02},  {4, 0x03},
                                        {5, 0x04},  {6, 0x05},  {7, 0x06},  {12, 0x08},
                                        {13, 0x09}, {14, 0x0A}, {15, 0x0B}, {16, 0x0C}};

// Contrast, sharpness and saturation: low, normal, high. The low code is the signed byte -1.
constexpr Row LevelTable[] = {{1, 0xFF}, {2, 0x00}, {3, 0x01}};

constexpr Row ColorSpaceEdsTable[] = {{1, 0x01}, {2, 0x02}};

constexpr Row PhotoEffectCDTable[] = {{1, 0x00}, {3, 0x01}, {4, 0x02}, {5, 0x03}, {6, 0x04}};
constexpr Row PhotoEffectPRTable[] = {{1, 0x00}, {2, 0x01}, {3, 0x02},
                                      {4, 0x03}, {5, 0x04}, {6, 0x05}};
constexpr Row PhotoEffectEdsTable[] = {{1, 0x00}, {6, 0x05}};

constexpr Row BeepTable[] = {{1, 0x01}, {2, 0x00}};

// Each table checked against the widest get side that reads it.
static_assert(Sound(AvTable, Bits16) && Ascending(AvTable));
static_assert(Sound(TvTable, Bits16) && Ascending(TvTable));
static_assert(Sound(ISOTable, Bits8));
static_assert(Sound(CompensationTable, Bits8));
static_assert(Sound(EdsCompensationTable, Bits8));
static_assert(Sound(AFModeEdsTable, Bits8) && Sound(AFDistanceCDTable, Bits8) &&
              Sound(AFDistancePRTable, Bits8) && Sound(FlashTable, Bits8));
static_assert(Sound(QualityTable, Bits8) && Sound(QualityEdsTable, Bits8));
static_assert(Sound(ImageSizeCDTable, Bits8) && Sound(ImageSizePRTable, Bits8) &&
              Sound(ImageSizeEdsTable, Bits8));
static_assert(Sound(ShootingModeCDTable, Bits16) && Sound(ShootingModePRTable, Bits8) &&
              Sound(ShootingModeEdsTable, Bits8));
static_assert(Sound(DriveModePRTable, Bits8) && Sound(SelfTimerPRTable, Bits16) &&
              Sound(DriveModeEdsTable, Bits8));
static_assert(Sound(MeteringTable, Bits8) && Sound(MeteringEdsTable, Bits8));
static_assert(Sound(FocusPointPRTable, Bits16) && Sound(AFLightPRTable, Bits16));
static_assert(Sound(WhiteBalanceCDTable, Bits16) && Sound(WhiteBalancePRTable, Bits8) &&
              Sound(WhiteBalanceEdsTable, Bits8));
static_assert(Sound(LevelTable, Bits8) && Sound(ColorSpaceEdsTable, Bits8));
static_assert(Sound(PhotoEffectCDTable, Bits16) && Sound(PhotoEffectPRTable, Bits16) &&
              Sound(PhotoEffectEdsTable, Bits8) && Sound(BeepTable, Bits8));
static_assert(!OneRowPerIndex(WhiteBalancePRTable) && OneRowPerIndex(WhiteBalanceCDTable) &&
              OneRowPerIndex(ShootingModePRTable) && OneRowPerIndex(ImageSizePRTable));

}  // namespace

// ImageQuality

std::uint8_t CDQualityToCam(std::uint32_t Code) {
  return IndexOf(QualityTable, Code, Bits16);
}
std::uint16_t CamQualityToCD(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(QualityTable, Index, Index7, 0xFFFF);
}
std::uint8_t PRQualityToCam(std::uint32_t Code) {
  return IndexOf(QualityTable, Code, Bits8);
}
std::uint8_t CamQualityToPR(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(QualityTable, Index, Index7, 0xFF);
}
std::uint8_t EdsQualityToCam(std::uint32_t Code) {
  return IndexOf(QualityEdsTable, Code, Bits8);
}
std::int8_t CamQualityToEds(std::uint8_t Index) {
  return CodeOf<std::int8_t>(QualityEdsTable, Index, Index8, -1);
}

// ImageSize

std::uint8_t CDImageSizeToCam(std::uint32_t Code) {
  return IndexOf(ImageSizeCDTable, Code, Bits16);
}
std::uint16_t CamImageSizeToCD(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(ImageSizeCDTable, Index, Index7, 0x0FFF);
}
std::uint8_t PRImageSizeToCam(std::uint32_t Code) {
  return IndexOf(ImageSizePRTable, Code, Bits8);
}
std::uint8_t CamImageSizeToPR(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(ImageSizePRTable, Index, Index7, 0xFF);
}
std::uint8_t EdsImageSizeToCam(std::uint32_t Code) {
  return IndexOf(ImageSizeEdsTable, Code, Bits8);
}
std::int8_t CamImageSizeToEds(std::uint8_t Index) {
  return CodeOf<std::int8_t>(ImageSizeEdsTable, Index, Index7, -1);
}

// ShootingMode

std::uint8_t CDShootingModeToCam(std::uint32_t Code) {
  return IndexOf(ShootingModeCDTable, Code, Bits16);
}
std::uint16_t CamShootingModeToCD(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(ShootingModeCDTable, Index, Index7, 0x0FFF);
}
std::uint8_t PRShootingModeToCam(std::uint32_t Code) {
  return IndexOf(ShootingModePRTable, Code, Bits8);
}
std::uint8_t CamShootingModeToPR(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(ShootingModePRTable, Index, Index7, 0xFF);
}
std::uint8_t EdsShootingModeToCam(std::uint32_t Code) {
  return IndexOf(ShootingModeEdsTable, Code, Bits8);
}
std::int8_t CamShootingModeToEds(std::uint8_t Index) {
  return CodeOf<std::int8_t>(ShootingModeEdsTable, Index, Index7, -1);
}

// DriveMode

std::uint8_t PRDriveModeToCam(std::uint32_t Code) {
  return IndexOf(DriveModePRTable, Code, Bits8);
}
std::uint8_t CamDriveModeToPR(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(DriveModePRTable, Index, Index8, 0xFF);
}
std::uint8_t PRSelfTimerToCam(std::uint32_t Code) {
  return IndexOf(SelfTimerPRTable, Code, Bits16);
}
std::uint16_t CamSelfTimerToPR(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(SelfTimerPRTable, Index, Index8, 0xFFFF);
}
std::uint8_t EdsDriveModeToCam(std::uint32_t Code) {
  return IndexOf(DriveModeEdsTable, Code, Bits32);
}
std::int32_t CamDriveModeToEds(std::uint8_t Index) {
  return CodeOf<std::int32_t>(DriveModeEdsTable, Index, Index7, 0);
}

// MeteringMode

std::uint8_t CDMeteringToCam(std::uint32_t Code) {
  return IndexOf(MeteringTable, Code, Bits8);
}
std::uint8_t CamMeteringToCD(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(MeteringTable, Index, Index7, 0xFF);
}
std::uint8_t PRMeteringToCam(std::uint32_t Code) {
  return IndexOf(MeteringTable, Code, Bits8);
}
std::uint8_t CamMeteringToPR(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(MeteringTable, Index, Index7, 0xFF);
}
std::uint8_t EdsMeteringToCam(std::uint32_t Code) {
  return IndexOf(MeteringEdsTable, Code, Bits32);
}
std::int32_t CamMeteringToEds(std::uint8_t Index) {
  return CodeOf<std::int32_t>(MeteringEdsTable, Index, Index8, -1);
}

// AFMode

std::uint8_t EdsAFModeToCam(std::uint32_t Code) {
  return IndexOf(AFModeEdsTable, Code, Bits32);
}
std::int32_t CamAFModeToEds(std::uint8_t Index) {
  return CodeOf<std::int32_t>(AFModeEdsTable, Index, Index8, -1);
}

// AFDistance

std::uint8_t CDAFDistanceToCam(std::uint32_t Code) {
  return IndexOf(AFDistanceCDTable, Code, Bits16);
}
std::uint16_t CamAFDistanceToCD(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(AFDistanceCDTable, Index, Index7, 0x00FF);
}
std::uint8_t PRAFDistanceToCam(std::uint32_t Code) {
  return IndexOf(AFDistancePRTable, Code, Bits8);
}
std::uint8_t CamAFDistanceToPR(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(AFDistancePRTable, Index, Index7, 0xFF);
}

// FocusPoint

std::uint8_t PRFocusPointToCam(std::uint32_t Code) {
  return IndexOf(FocusPointPRTable, Code, Bits16);
}
std::uint16_t CamFocusPointToPR(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(FocusPointPRTable, Index, Index7, 0x0000);
}

// AFAssistLight

std::uint8_t PRAFLightToCam(std::uint32_t Code) {
  return IndexOf(AFLightPRTable, Code, Bits16);
}
std::uint16_t CamAFLightToPR(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(AFLightPRTable, Index, Index8, 0);
}

// WhiteBalance

std::uint8_t CDWhiteBalanceToCam(std::uint32_t Code) {
  return IndexOf(WhiteBalanceCDTable, Code, Bits16);
}
std::uint16_t CamWhiteBalanceToCD(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(WhiteBalanceCDTable, Index, Index7, 0x7FFF);
}
std::uint8_t PRWhiteBalanceToCam(std::uint32_t Code) {
  return IndexOf(WhiteBalancePRTable, Code, Bits8);
}
std::uint8_t CamWhiteBalanceToPR(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(WhiteBalancePRTable, Index, Index7, 0xFF);
}
std::uint8_t EdsWhiteBalanceToCam(std::uint32_t Code) {
  return IndexOf(WhiteBalanceEdsTable, Code, Bits8);
}
std::int8_t CamWhiteBalanceToEds(std::uint8_t Index) {
  return CodeOf<std::int8_t>(WhiteBalanceEdsTable, Index, Index7, -10);
}

// Contrast, Sharpness, Saturation

std::uint8_t CDLevelToCam(std::uint32_t Code) {
  return IndexOf(LevelTable, Code, Bits8);
}
std::int8_t CamLevelToCD(std::uint8_t Index) {
  return CodeOf<std::int8_t>(LevelTable, Index, Index8, 127);
}
std::uint8_t PRLevelToCam(std::uint32_t Code) {
  return IndexOf(LevelTable, Code, Bits8);
}
std::int8_t CamLevelToPR(std::uint8_t Index) {
  return CodeOf<std::int8_t>(LevelTable, Index, Index8, 127);
}

// ColorSpace

std::uint8_t EdsColorSpaceToCam(std::uint32_t Code) {
  return IndexOf(ColorSpaceEdsTable, Code, Bits32);
}
std::int32_t CamColorSpaceToEds(std::uint8_t Index) {
  return CodeOf<std::int32_t>(ColorSpaceEdsTable, Index, Index8, -1);
}

// ISOSpeed

std::uint8_t ISOCodeToCam(std::uint32_t Code) {
  return IndexOf(ISOTable, Code, Bits8);
}
std::uint8_t CamISOToCode(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(ISOTable, Index, Index7, 0xFF);
}
std::uint8_t PRISOToCam(std::uint32_t Code) {
  return IndexOf(ISOTable, Code, Bits16);
}
std::uint16_t CamISOToPR(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(ISOTable, Index, Index7, 0x00FF);
}

// Av and Tv

std::uint8_t AvCodeToCam(std::uint32_t Code) {
  return FloorIndexOf(AvTable, Code, Bits16);
}
std::uint16_t CamAvToCode(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(AvTable, Index, Index7, 0xFFFF);
}
std::uint8_t TvCodeToCam(std::uint32_t Code) {
  return FloorIndexOf(TvTable, Code, Bits16);
}
std::uint16_t CamTvToCode(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(TvTable, Index, Index7, 0xFFFF);
}

// ExposureCompensation

std::uint8_t CDExpCompToCam(std::uint32_t Code) {
  return IndexOf(CompensationTable, Code, Bits16);
}
std::uint16_t CamExpCompToCD(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(CompensationTable, Index, Index7, 0x00FF);
}
std::uint8_t PRExpCompToCam(std::uint32_t Code) {
  return IndexOf(CompensationTable, Code, Bits8);
}
std::uint8_t CamExpCompToPR(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(CompensationTable, Index, Index7, 0xFF);
}
std::uint8_t EdsExpCompToCam(std::uint32_t Code) {
  return IndexOf(EdsCompensationTable, Code, Bits32);
}
std::int32_t CamExpCompToEds(std::uint8_t Index) {
  return CodeOf<std::int32_t>(EdsCompensationTable, Index, Index7, 255);
}

// FlashMode

std::uint8_t CDFlashToCam(std::uint32_t Code) {
  return IndexOf(FlashTable, Code, Bits16);
}
std::uint16_t CamFlashToCD(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(FlashTable, Index, Index7, 0x00FF);
}
std::uint8_t PRFlashToCam(std::uint32_t Code) {
  return IndexOf(FlashTable, Code, Bits8);
}
std::uint8_t CamFlashToPR(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(FlashTable, Index, Index7, 0xFF);
}

// FlashCompensation

std::uint8_t CDFlashCompToCam(std::uint32_t Code) {
  return IndexOf(CompensationTable, Code, Bits16);
}
std::uint16_t CamFlashCompToCD(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(CompensationTable, Index, Index7, 0x00FF);
}
std::uint8_t PRFlashCompToCam(std::uint32_t Code) {
  return IndexOf(CompensationTable, Code, Bits8);
}
std::uint8_t CamFlashCompToPR(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(CompensationTable, Index, Index7, 0xFF);
}

// PhotoEffect

std::uint8_t CDPhotoEffectToCam(std::uint32_t Code) {
  return IndexOf(PhotoEffectCDTable, Code, Bits16);
}
std::uint16_t CamPhotoEffectToCD(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(PhotoEffectCDTable, Index, Index7, 0xFFFF);
}
std::uint8_t PRPhotoEffectToCam(std::uint32_t Code) {
  return IndexOf(PhotoEffectPRTable, Code, Bits16);
}
std::uint16_t CamPhotoEffectToPR(std::uint8_t Index) {
  return CodeOf<std::uint16_t>(PhotoEffectPRTable, Index, Index7, 0x00FF);
}
std::uint8_t EdsPhotoEffectToCam(std::uint32_t Code) {
  return IndexOf(PhotoEffectEdsTable, Code, Bits8);
}
std::uint8_t CamPhotoEffectToEds(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(PhotoEffectEdsTable, Index, Index8, 99);
}

// Beep

std::uint8_t CDBeepToCam(std::uint32_t Code) {
  return IndexOf(BeepTable, Code, Bits8);
}
std::uint8_t CamBeepToCD(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(BeepTable, Index, Index8, 0xFF);
}
std::uint8_t PRBeepToCam(std::uint32_t Code) {
  return IndexOf(BeepTable, Code, Bits8);
}
std::uint8_t CamBeepToPR(std::uint8_t Index) {
  return CodeOf<std::uint8_t>(BeepTable, Index, Index8, 0xFF);
}

}  // namespace CamLib
