// The simulated EOS camera as the camera component meets it: a camera taken from the camera
// list, its handlers called inside the library's calls, its properties, its pictures announced
// as directory items and downloaded through file streams, and the reference counts of all of
// them. Each test starts the library with a configuration of its own, which gives fresh camera
// objects.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Library.h"
#include "sdk/EDSDK.h"
#include "simcam/core/Picture.h"
#include "tests/simcam/Env.h"

namespace {

namespace fs = std::filesystem;
using simcam_test::SetEnv;

int contextCell = 0;
void* const kContext = &contextCell;

// What the handlers saw, in order: "object EVENT", "property EVENT DATA", "state EVENT DATA",
// "progress PERCENT".
std::vector<std::string> seen;
std::vector<EdsRef> items;  // the items the object handler received
// Run inside the object handler after recording the event.
std::function<void(EdsRef item)> onObject;

EdsResult SDKCALL ObjectEvent(std::uint32_t event, EdsRef object, void* context) {
  EXPECT_EQ(context, kContext);
  seen.push_back("object " + std::to_string(event));
  items.push_back(object);
  if (onObject) onObject(object);
  return 0;
}

EdsResult SDKCALL PropertyEvent(std::uint32_t event, std::uint32_t data, std::uint32_t,
                                void* context) {
  EXPECT_EQ(context, kContext);
  seen.push_back("property " + std::to_string(event) + " " + std::to_string(data));
  return 0;
}

EdsResult SDKCALL StateEvent(std::uint32_t event, std::uint32_t data, void* context) {
  EXPECT_EQ(context, kContext);
  seen.push_back("state " + std::to_string(event) + " " + std::to_string(data));
  return 0;
}

EdsResult SDKCALL Progress(std::uint32_t percent, void* context, void*) {
  EXPECT_EQ(context, kContext);
  seen.push_back("progress " + std::to_string(percent));
  return 0;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class SimcamEosCamera : public testing::Test {
 protected:
  static void SetUpTestSuite() { eos_ = rt::LoadLib("EDSDK.DLL"); }

  void SetUp() override {
    ASSERT_NE(eos_, 0u);
    dir_ = fs::temp_directory_path() /
           ("simcam-eos-" +
            std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    seen.clear();
    items.clear();
    onObject = nullptr;
  }

  void TearDown() override {
    onObject = nullptr;
    SetEnv("SIMCAM_CONFIG", nullptr);
    SetEnv("SIMCAM_TRACE", nullptr);
    fs::remove_all(dir_);
  }

  template <typename Proc>
  Proc Entry(const char* name) {
    void* address = rt::GetProcAddr(eos_, name);
    EXPECT_NE(address, nullptr) << name;
    return reinterpret_cast<Proc>(address);
  }
#define EDS(name) Entry<name##Proc>(#name)

  // Writes the configuration (one camera besides `text`, and the test's name, so that each test
  // has a configuration of its own) and starts the library with it.
  void UseConfig(const std::string& text) {
    ++configurations_;
    const fs::path path = dir_ / "simcam.conf";
    std::ofstream(path, std::ios::binary)
        << "# " << dir_.filename().string() << " " << configurations_ << "\ncamera eos EOS 5D\n"
        << text;
    SetEnv("SIMCAM_CONFIG", path.string().c_str());
    ASSERT_EQ(EDS(EdsInitializeSDK)(), kEdsOk);
  }

  // The first camera, taken from a released list, with its handlers and an open session, as
  // the component connects.
  EdsRef Open() {
    EdsRef list = 0, camera = 0;
    EXPECT_EQ(EDS(EdsGetCameraList)(&list), kEdsOk);
    EXPECT_EQ(EDS(EdsGetChildAtIndex)(list, 0, &camera), kEdsOk);
    EXPECT_EQ(EDS(EdsRelease)(list), kEdsOk);
    EXPECT_EQ(EDS(EdsSetObjectEventHandler)(camera, kEdsObjectEventAll, ObjectEvent, kContext),
              kEdsOk);
    EXPECT_EQ(
        EDS(EdsSetPropertyEventHandler)(camera, kEdsPropertyEventAll, PropertyEvent, kContext),
        kEdsOk);
    EXPECT_EQ(EDS(EdsSetCameraStateEventHandler)(camera, kEdsStateEventAll, StateEvent, kContext),
              kEdsOk);
    EXPECT_EQ(EDS(EdsOpenSession)(camera), kEdsOk);
    return camera;
  }

  std::uint32_t Word(EdsRef camera, std::uint32_t id) {
    std::uint32_t value = 0;
    EXPECT_EQ(EDS(EdsGetPropertyData)(camera, id, 0, sizeof value, &value), kEdsOk);
    return value;
  }

  // Downloads `item` into `path` as the component does; the stream is released.
  EdsResult Download(EdsRef item, const fs::path& path, std::uint32_t option) {
    EdsRef stream = 0;
    const std::string name = path.string();
    EdsResult result =
        EDS(EdsCreateFileStream)(name.c_str(), kEdsFileCreateAlways, kEdsAccessWrite, &stream);
    if (result != kEdsOk) return result;
    EdsDirectoryItemInfo info{};
    result = EDS(EdsGetDirectoryItemInfo)(item, &info);
    if (result == kEdsOk) result = EDS(EdsSetProgressCallback)(stream, Progress, option, kContext);
    if (result == kEdsOk) result = EDS(EdsDownload)(item, info.Size, stream);
    EXPECT_EQ(EDS(EdsRelease)(stream), kEdsOk);
    return result;
  }

  static rt::LibHandle eos_;
  fs::path dir_;
  int configurations_ = 0;
};

rt::LibHandle SimcamEosCamera::eos_ = 0;

TEST_F(SimcamEosCamera, ASessionIsNeededAndHandlersTakeOnlyTheirOwnKind) {
  UseConfig("");
  EdsRef list = 0, camera = 0;
  ASSERT_EQ(EDS(EdsGetCameraList)(&list), kEdsOk);
  ASSERT_EQ(EDS(EdsGetChildAtIndex)(list, 0, &camera), kEdsOk);
  std::uint32_t value = 0;
  EXPECT_EQ(EDS(EdsGetPropertyData)(camera, kEdsPropSaveTo, 0, 4, &value), 0x2003u);
  EXPECT_EQ(EDS(EdsSendCommand)(camera, kEdsCommandTakePicture, 0), 0x2003u);
  EXPECT_EQ(EDS(EdsSetObjectEventHandler)(camera, kEdsPropertyEventAll, ObjectEvent, kContext),
            kEdsErrInvalidParameter);
  EXPECT_EQ(EDS(EdsSetObjectEventHandler)(list, kEdsObjectEventAll, ObjectEvent, kContext),
            kEdsErrInvalidHandle);
  EXPECT_EQ(EDS(EdsOpenSession)(list), kEdsErrInvalidHandle);
  EXPECT_EQ(EDS(EdsOpenSession)(camera), kEdsOk);
  EXPECT_EQ(EDS(EdsGetPropertyData)(camera, kEdsPropSaveTo, 0, 4, &value), kEdsOk);
  EXPECT_EQ(EDS(EdsRelease)(list), kEdsOk);
  // Without an object handler a picture is taken and dropped.
  EXPECT_EQ(EDS(EdsSendCommand)(camera, kEdsCommandTakePicture, 0), kEdsOk);
  EXPECT_EQ(EDS(EdsSendCommand)(camera, 7, 0), kEdsErrInvalidParameter);
  EXPECT_TRUE(seen.empty());
}

TEST_F(SimcamEosCamera, PropertiesHaveTheirSizeAndKeepWhatIsSet) {
  UseConfig("owner Jane\nproperty 0x08 0x150\nproperty 0x100 0x01 1 0x05 0 0 0\n");
  const EdsRef camera = Open();
  char owner[256];
  std::memset(owner, 'x', sizeof owner);
  ASSERT_EQ(EDS(EdsGetPropertyData)(camera, kEdsPropOwnerName, 0, 256, owner), kEdsOk);
  EXPECT_STREQ(owner, "Jane");
  EXPECT_EQ(owner[255], 0);  // zero-padded to the end
  EXPECT_EQ(Word(camera, kEdsPropBatteryLevel), 0x150u);
  EdsImageQualityRecord quality{};
  ASSERT_EQ(EDS(EdsGetPropertyData)(camera, kEdsPropImageQuality, 0, 24, &quality), kEdsOk);
  EXPECT_EQ(quality.FirstSize, 1);
  EXPECT_EQ(quality.FirstQuality, 5);

  // Another size, another parameter, an unknown property: refused, nothing written.
  std::uint32_t guard[2] = {0xCCCCCCCC, 0xCCCCCCCC};
  EXPECT_EQ(EDS(EdsGetPropertyData)(camera, kEdsPropOwnerName, 0, 4, guard), 0x64u);
  EXPECT_EQ(EDS(EdsGetPropertyData)(camera, kEdsPropSaveTo, 0, 8, guard), 0x64u);
  EXPECT_EQ(EDS(EdsGetPropertyData)(camera, kEdsPropSaveTo, 1, 4, guard), kEdsErrInvalidParameter);
  EXPECT_EQ(EDS(EdsGetPropertyData)(camera, 0x999, 0, 4, guard), kEdsErrPropertiesUnavailable);
  EXPECT_EQ(guard[0], 0xCCCCCCCCu);
  EXPECT_EQ(guard[1], 0xCCCCCCCCu);

  const std::uint32_t two = 2;
  EXPECT_EQ(EDS(EdsSetPropertyData)(camera, kEdsPropSaveTo, 0, 4, &two), kEdsOk);
  EXPECT_EQ(Word(camera, kEdsPropSaveTo), 2u);
  const std::uint64_t wide = 3;
  EXPECT_EQ(EDS(EdsSetPropertyData)(camera, kEdsPropSaveTo, 0, 8, &wide), 0x64u);
  EXPECT_EQ(Word(camera, kEdsPropSaveTo), 2u);

  // A fresh configuration gives a fresh camera: the value set is gone there, and the old
  // reference still works.
  UseConfig("");
  const EdsRef fresh = Open();
  EXPECT_NE(fresh, camera);
  EXPECT_EQ(Word(fresh, kEdsPropSaveTo), kEdsSaveToCamera);
  EXPECT_EQ(Word(camera, kEdsPropSaveTo), 2u);
}

TEST_F(SimcamEosCamera, RefusalsMatchTheirValueAndMayStopAfterSomeCalls) {
  UseConfig(
      "refuse EdsSetPropertyData 0x400 times=2 code=0x81\n"
      "refuse EdsSetPropertyData 0x402,0x48\n"
      "refuse EdsGetPropertyData 0x403\n");
  const EdsRef camera = Open();
  const std::uint32_t mode = 0x01, iso48 = 0x48, iso50 = 0x50;
  EXPECT_EQ(EDS(EdsSetPropertyData)(camera, kEdsPropShootingMode, 0, 4, &mode), 0x81u);
  EXPECT_EQ(EDS(EdsSetPropertyData)(camera, kEdsPropShootingMode, 0, 4, &mode), 0x81u);
  EXPECT_EQ(Word(camera, kEdsPropShootingMode), 0x03u);  // unchanged by a refusal
  EXPECT_EQ(EDS(EdsSetPropertyData)(camera, kEdsPropShootingMode, 0, 4, &mode), kEdsOk);
  EXPECT_EQ(Word(camera, kEdsPropShootingMode), 0x01u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(EDS(EdsSetPropertyData)(camera, kEdsPropISOSpeed, 0, 4, &iso48), 0x86u);
  }
  EXPECT_EQ(EDS(EdsSetPropertyData)(camera, kEdsPropISOSpeed, 0, 4, &iso50), kEdsOk);
  std::uint32_t value = 0;
  EXPECT_EQ(EDS(EdsGetPropertyData)(camera, kEdsPropMeteringMode, 0, 4, &value), 0x86u);
}

TEST_F(SimcamEosCamera, DescriptionsCountEveryValueButHoldAtMost128) {
  std::string values = "property_values 0x402";
  for (int i = 0; i < 130; ++i) values += " " + std::to_string(i + 1);
  UseConfig(values + "\nproperty_values 0x405 0x20 0x23\n");
  const EdsRef camera = Open();
  struct {
    EdsPropertyDesc desc;
    std::uint32_t guard;
  } record;
  std::memset(&record, 0xCC, sizeof record);
  ASSERT_EQ(EDS(EdsGetPropertyDesc)(camera, kEdsPropISOSpeed, &record.desc), kEdsOk);
  EXPECT_EQ(record.desc.NumElements, 130);
  EXPECT_EQ(record.desc.Elements[127], 128);
  EXPECT_EQ(record.guard, 0xCCCCCCCCu);
  ASSERT_EQ(EDS(EdsGetPropertyDesc)(camera, kEdsPropAv, &record.desc), kEdsOk);
  EXPECT_EQ(record.desc.NumElements, 2);
  EXPECT_EQ(record.desc.Elements[1], 0x23);
  ASSERT_EQ(EDS(EdsGetPropertyDesc)(camera, kEdsPropTv, &record.desc), kEdsOk);
  EXPECT_EQ(record.desc.NumElements, 0);
}

TEST_F(SimcamEosCamera, APictureIsAnnouncedInsideTheCommandAndDownloadedWithProgress) {
  UseConfig("picture_bytes 40000\n");
  const EdsRef camera = Open();
  const fs::path file = dir_ / "p.jpg";
  // The handler downloads from inside the announcement, as the capture program does.
  onObject = [&](EdsRef item) {
    EXPECT_EQ(Download(item, file, kEdsProgressPeriodically), kEdsOk);
    EXPECT_EQ(EDS(EdsDownloadComplete)(item), kEdsOk);
    EXPECT_EQ(EDS(EdsRelease)(item), kEdsOk);
  };
  ASSERT_EQ(EDS(EdsSendCommand)(camera, kEdsCommandTakePicture, 0), kEdsOk);
  EXPECT_EQ(seen,
            (std::vector<std::string>{"object 520", "progress 40", "progress 81", "progress 100"}));
  EXPECT_EQ(ReadFile(file), simcam::MakePicture(1, 40000));
  // The item is gone with its last reference.
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(EDS(EdsRelease)(items[0]), kEdsErrInvalidHandle);

  // Progress once at the end; the second picture has the next number.
  onObject = nullptr;
  seen.clear();
  ASSERT_EQ(EDS(EdsSendCommand)(camera, kEdsCommandTakePicture, 0), kEdsOk);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(EDS(EdsRetain)(items[1]), kEdsOk);
  EXPECT_EQ(Download(items[1], file, 1), kEdsOk);
  EXPECT_EQ(seen, (std::vector<std::string>{"object 520", "progress 100"}));
  EXPECT_EQ(ReadFile(file), simcam::MakePicture(2, 40000));
  EXPECT_EQ(EDS(EdsRelease)(items[1]), kEdsOk);
  EXPECT_EQ(EDS(EdsRelease)(items[1]), kEdsOk);  // the retained reference
  EXPECT_EQ(EDS(EdsRelease)(items[1]), kEdsErrInvalidHandle);
}

TEST_F(SimcamEosCamera, StreamsTakeOnlyCreateAndWriteAndTranslateThePath) {
  UseConfig("picture_bytes 1000\nthumbnail_bytes 300\n");
  const EdsRef camera = Open();
  ASSERT_EQ(EDS(EdsSendCommand)(camera, kEdsCommandTakePicture, 0), kEdsOk);
  ASSERT_EQ(items.size(), 1u);
  const EdsRef item = items[0];
  EdsRef stream = 0;
  EXPECT_EQ(EDS(EdsCreateFileStream)("x.jpg", 2, kEdsAccessWrite, &stream),
            kEdsErrInvalidParameter);
  EXPECT_EQ(EDS(EdsCreateFileStream)(std::string(kEdsMaxFileNameLength + 1, 'a').c_str(),
                                     kEdsFileCreateAlways, kEdsAccessWrite, &stream),
            kEdsErrInvalidParameter);
  EXPECT_EQ(EDS(EdsCreateFileStream)((dir_ / "no" / "such.jpg").string().c_str(),
                                     kEdsFileCreateAlways, kEdsAccessWrite, &stream),
            0x23u);
  // Backslashes, translated as the runtime translates them (a relative path, so that the same
  // test holds on Windows).
  fs::create_directories(dir_ / "day");
  const fs::path previous = fs::current_path();
  fs::current_path(dir_);
  const EdsResult created =
      EDS(EdsCreateFileStream)("day\\t.jpg", kEdsFileCreateAlways, kEdsAccessWrite, &stream);
  fs::current_path(previous);
  ASSERT_EQ(created, kEdsOk);
  EXPECT_EQ(EDS(EdsDownload)(item, 999, stream), kEdsErrInvalidParameter);  // not its size
  EXPECT_EQ(EDS(EdsDownload)(stream, 1000, item), kEdsErrInvalidHandle);
  EXPECT_EQ(EDS(EdsDownloadThumbnail)(item, stream), kEdsOk);
  EXPECT_EQ(EDS(EdsRelease)(stream), kEdsOk);
  EXPECT_EQ(ReadFile(dir_ / "day" / "t.jpg"), simcam::MakePicture(1, 300));
  EXPECT_EQ(EDS(EdsSetProgressCallback)(stream, Progress, 2, kContext), kEdsErrInvalidHandle);
  EXPECT_EQ(EDS(EdsRelease)(item), kEdsOk);
}

TEST_F(SimcamEosCamera, EventDirectivesReachTheHandlersOfTheirKind) {
  UseConfig(
      "event EdsSendCommand 0x303 from=2 count=1\n"
      "event EdsSendCommand 0x101 0x400 from=1 count=1\n"
      "event EdsSetPropertyData 0x204\n"
      "fail EdsSetPropertyData 0x81 from=2\n");
  const EdsRef camera = Open();
  ASSERT_EQ(EDS(EdsSendCommand)(camera, kEdsCommandExtendShutdownTimer, 0), kEdsOk);
  ASSERT_EQ(EDS(EdsSendCommand)(camera, kEdsCommandExtendShutdownTimer, 0), kEdsOk);
  const std::uint32_t value = 1;
  ASSERT_EQ(EDS(EdsSetPropertyData)(camera, kEdsPropSaveTo, 0, 4, &value), kEdsOk);
  ASSERT_EQ(EDS(EdsSetPropertyData)(camera, kEdsPropSaveTo, 0, 4, &value), 0x81u);  // no event
  EXPECT_EQ(seen, (std::vector<std::string>{"property 257 1024", "state 771 0", "object 516"}));
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(EDS(EdsRelease)(items[0]), kEdsOk);
}

}  // namespace
