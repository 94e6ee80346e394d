// The simulated PowerShot-library camera as the camera component meets it: a camera object made
// from a listed entry, its PTP datasets, its properties with refusals, release events delivered
// inside the release call and pictures handed over in chunks through the progress callback.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Library.h"
#include "sdk/PRSDK.h"
#include "simcam/core/Config.h"
#include "simcam/core/Picture.h"
#include "tests/simcam/Env.h"

namespace {

namespace fs = std::filesystem;
using simcam_test::SetEnv;

constexpr PRContext kContext = 5;

// What the callbacks saw: "event CODE PARAM1 PARAM2" and "chunk PERCENT LENGTH".
std::vector<std::string> seen;
std::string received;  // the chunks' bytes, in order
// Run inside the event callback after recording the event.
std::function<void(const PREventRecord&)> onEvent;

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", value);
  return text;
}

PRResult SDKCALL Event(PRHandle, PRContext context, const PREventRecord* event) {
  EXPECT_EQ(context, kContext);
  EXPECT_EQ(event->Length, 24u);
  EXPECT_EQ(event->ContainerType, 4u);
  seen.push_back("event " + Hex(event->Code) + " " + Hex(event->Param1) + " " +
                 std::to_string(event->Param2));
  if (onEvent) onEvent(*event);
  return 0;
}

PRResult SDKCALL Progress(PRHandle, std::uint32_t, PRContext context,
                          const PRProgressRecord* progress) {
  EXPECT_EQ(context, kContext);
  seen.push_back("chunk " + std::to_string(progress->PercentDone) + " " +
                 std::to_string(progress->Length));
  if (progress->Length > 0) {
    received.append(static_cast<const char*>(progress->Data),
                    static_cast<std::size_t>(progress->Length));
  }
  return 0;
}

// A little-endian reader of the datasets, for the checks.
struct Reader {
  const std::vector<std::uint8_t>& data;
  std::size_t pos = 0;
  std::uint32_t Take(std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
      const std::uint32_t byte = data.at(pos++);
      if (i < 4) value |= byte << (8 * i);  // a longer run is skipped
    }
    return value;
  }
  std::vector<std::uint32_t> Array() {
    std::vector<std::uint32_t> codes(Take(4));
    for (auto& code : codes) code = Take(2);
    return codes;
  }
};

bool Has(const std::vector<std::uint32_t>& codes, std::uint32_t code) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

class SimcamPrCamera : public testing::Test {
 protected:
  static void SetUpTestSuite() { pr_ = rt::LoadLib("PRSDK.DLL"); }

  void SetUp() override {
    ASSERT_NE(pr_, 0u);
    dir_ =
        fs::temp_directory_path() /
        ("simcam-pr-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    seen.clear();
    received.clear();
    onEvent = nullptr;
  }
  void TearDown() override {
    onEvent = nullptr;
    SetEnv("SIMCAM_CONFIG", nullptr);
    fs::remove_all(dir_);
  }

  template <typename Proc>
  Proc Entry(const char* name) {
    void* address = rt::GetProcAddr(pr_, name);
    EXPECT_NE(address, nullptr) << name;
    return reinterpret_cast<Proc>(address);
  }
#define PR(name) Entry<name##Proc>(#name)

  // Writes the configuration (one camera besides `text`; a comment makes the counts fresh) and
  // lists the cameras.
  void UseConfig(const std::string& text) {
    ++configurations_;
    const fs::path path = dir_ / "simcam.conf";
    std::ofstream(path, std::ios::binary)
        << "# " << configurations_ << "\ncamera pr PowerShot S90\n"
        << text;
    SetEnv("SIMCAM_CONFIG", path.string().c_str());
    ASSERT_EQ(PR(PR_StartSDK)(), kPROk);
    std::uint32_t size = kPRDeviceListSize;
    list_ = std::make_unique<PRDeviceList>();
    ASSERT_EQ(PR(PR_GetDeviceList)(&size, list_.get()), kPROk);
  }

  // Creates and connects the first camera and sets the event callback, as the component does.
  PRHandle Connect() {
    PRHandle camera = 0;
    EXPECT_EQ(PR(PR_CreateCameraObject)(&list_->Entries[0], &camera), kPROk);
    EXPECT_EQ(PR(PR_ConnectCamera)(camera), kPROk);
    EXPECT_EQ(PR(PR_SetEventCallBack)(camera, kContext, Event), kPROk);
    return camera;
  }
  PRHandle ConnectForRelease(std::uint16_t destination) {
    const PRHandle camera = Connect();
    EXPECT_EQ(PR(PR_InitiateReleaseControl)(camera), kPROk);
    EXPECT_EQ(Set(camera, kPRPropReleaseDestination, 2, destination), kPROk);
    return camera;
  }

  std::vector<std::uint8_t> DeviceInfo(PRHandle camera) {
    std::vector<std::uint8_t> buffer(kPRScratchBufferSize);
    std::uint32_t size = kPRScratchBufferSize;
    EXPECT_EQ(PR(PR_GetDeviceInfo)(camera, &size, buffer.data()), kPROk);
    buffer.resize(size);
    return buffer;
  }
  PRResult Get(PRHandle camera, std::uint16_t code, std::uint32_t size, std::uint32_t& value) {
    std::uint8_t bytes[4] = {};
    const PRResult result = PR(PR_GetDevicePropValue)(camera, code, &size, bytes);
    value = 0;
    for (std::uint32_t i = 0; i < size && i < 4; ++i) value |= std::uint32_t{bytes[i]} << (8 * i);
    return result;
  }
  PRResult Set(PRHandle camera, std::uint16_t code, std::uint32_t size, std::uint32_t value) {
    return PR(PR_SetDevicePropValue)(camera, code, size, &value);  // little-endian hosts
  }
  std::vector<std::uint8_t> Description(PRHandle camera, std::uint16_t code) {
    std::vector<std::uint8_t> buffer(kPRScratchBufferSize);
    std::uint32_t size = kPRScratchBufferSize;
    EXPECT_EQ(PR(PR_GetDevicePropDesc)(camera, code, &size, buffer.data()), kPROk);
    buffer.resize(size);
    return buffer;
  }
  PRResult Download(PRHandle camera, const PREventRecord& event) {
    return PR(PR_RC_GetReleasedData)(camera, event.Param1, event.Code, kPRTransferBlockSize,
                                     kContext, Progress);
  }

  static rt::LibHandle pr_;
  fs::path dir_;
  int configurations_ = 0;
  std::unique_ptr<PRDeviceList> list_;
};

rt::LibHandle SimcamPrCamera::pr_ = 0;

TEST_F(SimcamPrCamera, DeviceInfoListsTheDeclaredOperationsAndProperties) {
  UseConfig("");
  const PRHandle camera = Connect();
  const std::vector<std::uint8_t> info = DeviceInfo(camera);
  Reader reader{info};
  EXPECT_EQ(reader.Take(2), 100u);  // standard version
  reader.Take(4 + 2);
  reader.pos += 2 * reader.Take(1);  // vendor extension description
  reader.Take(2);
  const auto operations = reader.Array();
  const auto events = reader.Array();
  const auto properties = reader.Array();
  for (std::uint32_t code : {0x9008u, 0x900Bu, 0x9014u}) EXPECT_TRUE(Has(operations, code));
  EXPECT_TRUE(Has(events, kPREventReleaseComplete));
  for (std::uint32_t code :
       {0xD002u, 0xD003u, 0xD006u, 0xD007u, 0xD00Cu, 0xD029u, 0xD02Au, 0xD033u, 0xD03Du, 0xD041u}) {
    EXPECT_TRUE(Has(properties, code)) << Hex(code);
  }

  // A buffer too small: the size needed comes back and nothing is written.
  std::vector<std::uint8_t> small(10, 0xCC);
  std::uint32_t size = 10;
  EXPECT_EQ(PR(PR_GetDeviceInfo)(camera, &size, small.data()), kPRErrInsufficientBuffer);
  EXPECT_EQ(size, info.size());
  EXPECT_EQ(small, std::vector<std::uint8_t>(10, 0xCC));

  // Removed codes are neither listed nor served; a cut dataset ends where it is cut.
  UseConfig("pr_without 0x9014 0xD02A\n");
  const PRHandle other = Connect();
  const std::vector<std::uint8_t> less = DeviceInfo(other);
  Reader without{less};
  without.Take(8);
  without.pos += 2 * without.Take(1);
  without.Take(2);
  EXPECT_FALSE(Has(without.Array(), 0x9014));
  without.Array();
  EXPECT_FALSE(Has(without.Array(), 0xD02A));
  std::uint32_t value = 0;
  EXPECT_EQ(Get(other, kPRPropZoomPosition, 2, value), kPRErrDevicePropNotSupported);
  UseConfig("pr_cut device_info 21\n");
  EXPECT_EQ(DeviceInfo(Connect()).size(), 21u);
}

TEST_F(SimcamPrCamera, CameraObjectsComeFromListedEntriesAndNeedAConnection) {
  UseConfig("");
  PRDeviceEntry unknown{};
  PRHandle camera = 0;
  EXPECT_EQ(PR(PR_CreateCameraObject)(&unknown, &camera), kPRErrInvalidParameter);
  EXPECT_EQ(PR(PR_CreateCameraObject)(&list_->Entries[0], &camera), kPROk);
  std::uint32_t value = 0;
  EXPECT_EQ(Get(camera, kPRPropPowerSource, 2, value), 0x2003u);  // session not open
  EXPECT_EQ(PR(PR_RC_Release)(camera), 0x2003u);
  EXPECT_EQ(PR(PR_ConnectCamera)(camera), kPROk);
  EXPECT_EQ(PR(PR_RC_Release)(camera), 0x61u);  // not in release control
  EXPECT_EQ(PR(PR_RC_FocusLock)(camera), 0x61u);
  EXPECT_EQ(PR(PR_ConnectCamera)(camera + 1000), kPRErrInvalidHandle);
}

TEST_F(SimcamPrCamera, PropertiesAreReadWrittenAndRefusedByValue) {
  UseConfig(
      "owner Jane Doe\npr_value 0xD002 3\npr_value 0xD003 2\npr_values 0xD00C 1 2 3\n"
      "refuse PR_SetDevicePropValue 0xD01D,0x28 code=0x2019\nzoom 10 4 2\n");
  const PRHandle camera = Connect();
  std::uint32_t value = 0;
  EXPECT_EQ(Get(camera, kPRPropPowerSource, 2, value), kPROk);
  EXPECT_EQ(value, 3u);
  EXPECT_EQ(Get(camera, kPRPropBatteryLevel, 4, value), kPROk);
  EXPECT_EQ(value, 2u);
  EXPECT_EQ(Get(camera, kPRPropOpticalZoomLimit, 2, value), kPROk);
  EXPECT_EQ(value, 5u);  // optical positions 0..4
  EXPECT_EQ(Get(camera, kPRPropBatteryLevel, 2, value), kPRErrInsufficientBuffer);

  PROwnerNameValue owner{};
  std::uint32_t size = sizeof owner;
  EXPECT_EQ(PR(PR_GetDevicePropValue)(camera, kPRPropOwnerName, &size, &owner), kPROk);
  EXPECT_EQ(size, 260u);
  EXPECT_STREQ(owner.Text, "Jane Doe");

  // Offered values only; a refusal by value; the size must be the property's.
  EXPECT_EQ(Set(camera, kPRPropShootingMode, 1, 2), kPROk);
  EXPECT_EQ(Set(camera, kPRPropShootingMode, 1, 4), kPRErrInvalidDevicePropValue);
  EXPECT_EQ(Set(camera, kPRPropShootingMode, 2, 3), kPRErrInvalidParameter);
  EXPECT_EQ(Get(camera, kPRPropShootingMode, 1, value), kPROk);
  EXPECT_EQ(value, 2u);
  EXPECT_EQ(Set(camera, kPRPropAv, 2, 0x28), 0x2019u);
  EXPECT_EQ(Set(camera, kPRPropAv, 2, 0x2B), kPROk);
  EXPECT_EQ(Get(camera, kPRPropAv, 2, value), kPROk);
  EXPECT_EQ(value, 0x2Bu);
  EXPECT_EQ(Set(camera, kPRPropPowerSource, 2, 1), 0x200Fu);  // read-only
  EXPECT_EQ(Set(camera, 0xD0FF, 1, 1), kPRErrDevicePropNotSupported);
  EXPECT_EQ(Set(camera, kPRPropZoomPosition, 2, 11), kPRErrInvalidDevicePropValue);
  EXPECT_EQ(Set(camera, kPRPropReleaseDestination, 2, 0), kPRErrInvalidDevicePropValue);

  // Descriptions: the zoom as a range, an offered list as an enumeration.
  EXPECT_EQ(Set(camera, kPRPropZoomPosition, 2, 7), kPROk);
  const auto zoom = Description(camera, kPRPropZoomPosition);
  Reader z{zoom};
  EXPECT_EQ(z.Take(2), 0xD02Au);
  EXPECT_EQ(z.Take(2), kPtpTypeUInt16);
  EXPECT_EQ(z.Take(1), kPtpGetSet);
  EXPECT_EQ(z.Take(2), 2u);  // factory default: the configured start
  EXPECT_EQ(z.Take(2), 7u);
  EXPECT_EQ(z.Take(1), kPtpFormRange);
  EXPECT_EQ(z.Take(2), 0u);
  EXPECT_EQ(z.Take(2), 10u);
  EXPECT_EQ(z.Take(2), 1u);
  EXPECT_EQ(z.pos, zoom.size());
  const auto modes = Description(camera, kPRPropShootingMode);
  Reader m{modes};
  m.Take(2 + 2 + 1 + 1 + 1);
  EXPECT_EQ(m.Take(1), kPtpFormEnumeration);
  EXPECT_EQ(m.Take(2), 3u);
  EXPECT_EQ(m.Take(1), 1u);
}

TEST_F(SimcamPrCamera, ReleaseAnnouncesItsItemsInsideTheCallAndTheyComeInChunks) {
  UseConfig("picture_bytes 250000\nthumbnail_bytes 3000\n");
  const PRHandle camera = ConnectForRelease(kPRReleaseThumbnailToPC | kPRReleasePictureToPC);
  std::vector<PREventRecord> events;
  onEvent = [&](const PREventRecord& event) { events.push_back(event); };
  EXPECT_EQ(PR(PR_RC_Release)(camera), kPROk);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].Code, kPREventReleaseData);  // the thumbnail
  EXPECT_EQ(events[1].Code, kPREventReleaseComplete);
  EXPECT_NE(events[0].Param1, events[1].Param1);

  // The picture from inside the next release's completion event: the library takes the call.
  onEvent = [&](const PREventRecord& event) {
    if (event.Code == kPREventReleaseComplete) {
      EXPECT_EQ(Download(camera, events[1]), kPROk);
    }
  };
  EXPECT_EQ(PR(PR_RC_Release)(camera), kPROk);
  EXPECT_EQ(received, simcam::MakePicture(1, 250000));
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(seen.end() - 4, seen.end()),
            (std::vector<std::string>{"chunk 40 100000", "chunk 80 100000", "chunk 100 50000",
                                      "chunk 100 0"}));
  // Handed over once only; a wrong code or block size is refused.
  EXPECT_EQ(Download(camera, events[1]), 0x2009u);
  received.clear();
  EXPECT_EQ(Download(camera, events[0]), kPROk);
  EXPECT_EQ(received, simcam::MakePicture(1, 3000));
  PREventRecord wrong = events[0];
  wrong.Code = kPREventBatteryLevel;
  EXPECT_EQ(Download(camera, wrong), kPRErrInvalidParameter);
}

TEST_F(SimcamPrCamera, FocusLockEventsAndInjectedFailures) {
  UseConfig(
      "event PR_RC_FocusLock 0xC00A 3\nfail PR_RC_FocusUnlock 0x2019 from=2 count=1\n"
      "refuse PR_RC_FocusLock * code=0xA009 \n");
  PRHandle camera = ConnectForRelease(kPRReleasePictureToPC);
  EXPECT_EQ(PR(PR_RC_FocusLock)(camera), 0xA009u);
  EXPECT_TRUE(seen.empty());  // no event on a refused call
  EXPECT_EQ(PR(PR_RC_FocusUnlock)(camera), kPROk);
  EXPECT_EQ(PR(PR_RC_FocusUnlock)(camera), 0x2019u);
  EXPECT_EQ(PR(PR_RC_FocusUnlock)(camera), kPROk);

  UseConfig("event PR_RC_FocusLock 0xC00A 3\n");
  camera = ConnectForRelease(kPRReleasePictureToPC);
  EXPECT_EQ(PR(PR_RC_FocusLock)(camera), kPROk);
  EXPECT_EQ(seen, std::vector<std::string>{"event C00A 0 3"});

  UseConfig("pr_without 0x9014\n");
  camera = ConnectForRelease(kPRReleasePictureToPC);
  EXPECT_EQ(PR(PR_RC_FocusLock)(camera), 0x2005u);
}

TEST(SimcamPrConfig, DirectivesAreParsedAndBadOnesReported) {
  std::vector<std::string> problems;
  const simcam::Config config = simcam::ParseConfig(
      "pr_value 0xD00C 2\npr_values 0xD00C 1 3\npr_values 0xD013\npr_without 0x9014 0xD02A\n"
      "pr_cut device_info 30\npr_cut prop_desc 8\npr_value 0xD00C\npr_cut header 3\n"
      "pr_without x\npr_values 0xD00C 1 y\n",
      problems);
  EXPECT_EQ(config.pr.values.at(0xD00C), 2u);
  EXPECT_EQ(config.pr.offered.at(0xD00C), (std::vector<std::uint32_t>{1, 3}));
  EXPECT_TRUE(config.pr.offered.at(0xD013).empty());
  EXPECT_EQ(config.pr.without, (std::vector<std::uint32_t>{0x9014, 0xD02A}));
  EXPECT_EQ(config.pr.deviceInfoCut, 30u);
  EXPECT_EQ(config.pr.propDescCut, 8u);
  ASSERT_EQ(problems.size(), 4u);
  EXPECT_EQ(problems[0].rfind("line 7: pr_value: ", 0), 0u) << problems[0];
  EXPECT_EQ(problems[3].rfind("line 10: pr_values: bad value y", 0), 0u) << problems[3];
}

}  // namespace
