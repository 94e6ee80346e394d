// Run-time checks of the camera-library contracts: the entry-point tables that binding and the
// stand-in libraries iterate, and the byte positions the component reads. Sizes and offsets are
// also static_asserted in the headers; here they are checked as bytes in memory.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "sdk/CDSDK.h"
#include "sdk/EDSDK.h"
#include "sdk/PRSDK.h"

namespace {

template <std::size_t N>
std::set<std::string> AsSet(const char* const (&names)[N]) {
  return std::set<std::string>(std::begin(names), std::end(names));
}

TEST(SdkEntryPoints, TablesHaveTheBoundCountsInBindingOrder) {
  ASSERT_EQ(std::size(kCDSDKExportNames), 153u);
  ASSERT_EQ(std::size(kPRSDKExportNames), 25u);
  ASSERT_EQ(std::size(kEDSDKExportNames), 50u);
  EXPECT_EQ(std::size(kCDSDKIdentifiers), kCDSDKEntryPointCount);
  EXPECT_EQ(std::size(kPRSDKIdentifiers), kPRSDKEntryPointCount);
  EXPECT_EQ(std::size(kEDSDKIdentifiers), kEDSDKEntryPointCount);

  EXPECT_STREQ(kCDSDKExportNames[0], "CDStartSDK");
  EXPECT_STREQ(kCDSDKExportNames[73], "CDExitReleaseControl");
  EXPECT_STREQ(kCDSDKExportNames[74], "_CDGetReleaseControlFaculty@8");
  EXPECT_STREQ(kCDSDKExportNames[152], "CDGetImagePropertyPart");
  EXPECT_EQ(static_cast<std::size_t>(CDSDKEntryPoint::CDGetReleaseControlFaculty), 74u);
  EXPECT_STREQ(kCDSDKIdentifiers[74], "CDGetReleaseControlFaculty");

  EXPECT_STREQ(kPRSDKExportNames[0], "PR_StartSDK");
  EXPECT_STREQ(kPRSDKExportNames[8], "PR_SetEventCallBack");
  EXPECT_STREQ(kPRSDKExportNames[24], "PR_RC_GetChangedReleaseParamesList");

  EXPECT_STREQ(kEDSDKExportNames[0], "EdsInitializeSDK");
  EXPECT_STREQ(kEDSDKExportNames[44], "EdsCacheImage");
  EXPECT_STREQ(kEDSDKExportNames[49], "EdsSetCameraStateEventHandler");
  EXPECT_EQ(static_cast<std::size_t>(EDSDKEntryPoint::EdsSetCameraStateEventHandler), 49u);
}

// A name bound twice would hide a missing one; an identifier that drifts from its export name
// would bind one entry point and call it under another's name in traces and error labels.
TEST(SdkEntryPoints, ExportNamesAreUniqueAndMatchTheirIdentifiers) {
  EXPECT_EQ(AsSet(kCDSDKExportNames).size(), kCDSDKEntryPointCount);
  EXPECT_EQ(AsSet(kPRSDKExportNames).size(), kPRSDKEntryPointCount);
  EXPECT_EQ(AsSet(kEDSDKExportNames).size(), kEDSDKEntryPointCount);

  for (std::size_t i = 0; i < kCDSDKEntryPointCount; ++i) {
    if (i == static_cast<std::size_t>(CDSDKEntryPoint::CDGetReleaseControlFaculty)) continue;
    EXPECT_STREQ(kCDSDKExportNames[i], kCDSDKIdentifiers[i]) << i;
  }
  for (std::size_t i = 0; i < kPRSDKEntryPointCount; ++i) {
    EXPECT_STREQ(kPRSDKExportNames[i], kPRSDKIdentifiers[i]) << i;
  }
  for (std::size_t i = 0; i < kEDSDKEntryPointCount; ++i) {
    EXPECT_STREQ(kEDSDKExportNames[i], kEDSDKIdentifiers[i]) << i;
  }
}

TEST(SdkEntryPoints, CalledEntryPointsAreDistinct) {
  EXPECT_EQ(AsSet(kCDSDKCalledEntryPoints).size(), 75u);
  EXPECT_EQ(AsSet(kPRSDKCalledEntryPoints).size(), 15u);
  EXPECT_EQ(AsSet(kEDSDKCalledEntryPoints).size(), 21u);
  EXPECT_EQ(AsSet(kCDSDKCalledEntryPoints).count("CDGetReleaseControlFaculty"), 0u);
}

template <typename T>
std::uint32_t Read32(const unsigned char* bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return static_cast<std::uint32_t>(value);
}

// The component reads these records by byte offset (little-endian), as the library writes them.
TEST(SdkRecords, FieldsSitAtTheirByteOffsets) {
  PREventRecord event{};
  event.Code = 0xC008;
  event.Param1 = 0x11223344;
  event.Param2 = 3;
  unsigned char bytes[sizeof event];
  std::memcpy(bytes, &event, sizeof event);
  EXPECT_EQ(sizeof bytes, 412u);
  EXPECT_EQ(bytes[6], 0x08);
  EXPECT_EQ(bytes[7], 0xC0);
  EXPECT_EQ(Read32<std::uint32_t>(bytes, 12), 0x11223344u);
  EXPECT_EQ(Read32<std::int32_t>(bytes, 16), 3u);

  CDSourceInfo source{};
  std::memcpy(source.ModelName, "Model", 6);
  std::memcpy(source.Name, "Listed", 7);
  const auto* raw = reinterpret_cast<const char*>(&source);
  EXPECT_EQ(sizeof source, 400u);
  EXPECT_EQ(std::string_view(raw + 8), "Model");
  EXPECT_EQ(std::string_view(raw + 72), "Listed");

  PRDeviceList list{};
  list.Entries[1].Name[0] = u'S';
  const auto* listBytes = reinterpret_cast<const unsigned char*>(&list);
  EXPECT_EQ(sizeof list, 110804u);
  EXPECT_EQ(listBytes[4 + 1108 + 1024], 'S');

  EXPECT_EQ(offsetof(PRProgressRecord, Data), sizeof(void*) == 4 ? 28u : 32u);
  EXPECT_EQ(offsetof(CDStorageMedium, FileName), sizeof(void*));

  EdsDeviceInfo info{};
  std::memcpy(info.Description, "EOS Sim", 8);
  EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(&info) + 256), "EOS Sim");
}

}  // namespace
