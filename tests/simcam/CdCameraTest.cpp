// The simulated CD camera as the camera component meets it: a source opened from an enumerated
// record, its callbacks called inside the library's calls, its settings, lists, zoom and
// pictures. Each test opens a source of its own.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Library.h"
#include "sdk/CDSDK.h"
#include "simcam/core/Picture.h"
#include "tests/simcam/Env.h"

namespace {

namespace fs = std::filesystem;
using simcam_test::SetEnv;

constexpr CDContext kContext = 7;

// What the callbacks saw, in order: "device ID DATA", "release ID DATA", "progress PERCENT".
std::vector<std::string> seen;
// Run inside the release-event callback after recording the event.
std::function<void(std::uint32_t id)> onRelease;

std::string Hex(std::uint32_t value) {
  std::ostringstream text;
  text << std::hex << value;
  return text.str();
}

CDResult SDKCALL DeviceEvent(std::uint32_t id, const void* data, std::uint32_t size,
                             CDContext context) {
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(context, kContext);
  std::uint32_t value = 0;
  std::memcpy(&value, data, sizeof value);
  seen.push_back("device " + Hex(id) + " " + std::to_string(value));
  return 0;
}

CDResult SDKCALL ReleaseEvent(std::uint32_t id, const void* data, std::uint32_t size,
                              CDContext context) {
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(context, kContext);
  std::uint32_t value = 0;
  std::memcpy(&value, data, sizeof value);
  seen.push_back("release " + std::to_string(id) + " " + std::to_string(value));
  if (onRelease) onRelease(id);
  return 0;
}

CDResult SDKCALL Progress(std::uint32_t percent, std::uint32_t, CDContext context) {
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

class SimcamCdCamera : public testing::Test {
 protected:
  static void SetUpTestSuite() { cd_ = rt::LoadLib("CDSDK.DLL"); }

  void SetUp() override {
    ASSERT_NE(cd_, 0u);
    dir_ =
        fs::temp_directory_path() /
        ("simcam-cd-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    seen.clear();
    onRelease = nullptr;
  }

  void TearDown() override {
    onRelease = nullptr;
    SetEnv("SIMCAM_CONFIG", nullptr);
    SetEnv("SIMCAM_TRACE", nullptr);
    fs::remove_all(dir_);
  }

  template <typename Proc>
  Proc Entry(const char* name) {
    void* address = rt::GetProcAddr(cd_, name);
    EXPECT_NE(address, nullptr) << name;
    return reinterpret_cast<Proc>(address);
  }
#define CD(name) Entry<name##Proc>(#name)

  // Writes the configuration (one camera besides `text`) and starts the library with it.
  void UseConfig(const std::string& text) {
    const fs::path path = dir_ / "simcam.conf";
    std::ofstream(path, std::ios::binary) << "camera cd PowerShot G3\n" << text;
    SetEnv("SIMCAM_CONFIG", path.string().c_str());
    CDVersionInfo version{};
    version.Size = kCDVersionInfoSize;
    version.Major = kCDVersionMajor;
    version.Minor = kCDVersionMinor;
    ASSERT_EQ(CD(CDStartSDK)(&version, kCDStartOption), kCDOk);
  }

  // Opens the first camera and registers the device-event callback, as the component connects.
  CDSourceHandle Open() {
    CDEnumHandle devices = 0;
    EXPECT_EQ(CD(CDEnumDeviceReset)(kCDEnumDeviceOption, &devices), kCDOk);
    CDSourceInfo info{};
    EXPECT_EQ(CD(CDEnumDeviceNext)(devices, &info), kCDOk);
    EXPECT_EQ(CD(CDEnumDeviceRelease)(devices), kCDOk);
    CDSourceHandle source = 0;
    EXPECT_EQ(CD(CDOpenSource)(&info, &source), kCDOk);
    CDHandle registration = 0;
    EXPECT_EQ(CD(CDRegisterEventCallbackFunction)(source, DeviceEvent, kContext, &registration),
              kCDOk);
    return source;
  }

  // Opens the camera and enters release control with the release-event callback.
  CDSourceHandle OpenForRelease() {
    const CDSourceHandle source = Open();
    EXPECT_EQ(CD(CDEnterReleaseControl)(source, ReleaseEvent, kContext), kCDOk);
    return source;
  }

  CDResult Release(CDSourceHandle source, std::uint32_t* count = nullptr) {
    std::uint32_t unused = 0;
    return CD(CDRelease)(source, kCDReleaseOption, Progress, kContext, kCDProgressOption,
                         count ? count : &unused);
  }

  CDResult Download(CDSourceHandle source, const fs::path& path) {
    const std::string name = path.string();
    CDStorageMedium medium{kCDMediumFile, name.c_str()};
    CDReleasedDataInfo info{};
    return CD(CDGetReleasedData)(source, Progress, kContext, kCDProgressOption, &info, &medium);
  }

  // The data of a device property, found as the component finds it.
  std::string Property(CDSourceHandle source, std::uint32_t id) {
    CDEnumHandle properties = 0;
    EXPECT_EQ(CD(CDEnumDevicePropertyReset)(source, kCDPropertyOption, &properties), kCDOk);
    CDDevicePropertyInfo info{};
    while (CD(CDEnumDevicePropertyNext)(properties, &info) == kCDOk && info.Id != id) {
    }
    EXPECT_EQ(CD(CDEnumDevicePropertyRelease)(properties), kCDOk);
    EXPECT_EQ(info.Id, id);
    std::string data(info.DataSize, '\xCC');
    std::uint32_t size = info.DataSize - 1;
    EXPECT_EQ(CD(CDGetDevicePropertyData)(source, id, &size, data.data(), kCDPropertyOption), 0x64u)
        << "a buffer one byte short";
    size = info.DataSize;
    EXPECT_EQ(CD(CDGetDevicePropertyData)(source, id, &size, data.data(), kCDPropertyOption),
              kCDOk);
    EXPECT_EQ(size, info.DataSize);
    return data;
  }

  static rt::LibHandle cd_;
  fs::path dir_;
};

rt::LibHandle SimcamCdCamera::cd_ = 0;

TEST_F(SimcamCdCamera, ConnectReadsOwnerPowerAndFaculty) {
  UseConfig("owner Someone\npower 0x20000004\nfaculty 0x19\n");
  const CDSourceHandle source = Open();
  EXPECT_EQ(Property(source, kCDDevPropOwnerName), "Someone" + std::string(25, '\0'));
  EXPECT_EQ(Property(source, kCDDevPropPowerStatus), std::string("\x04\x00\x00\x20", 4));
  std::uint32_t faculty = 0;
  EXPECT_EQ(
      Entry<CDGetReleaseControlFacultyProc>("_CDGetReleaseControlFaculty@8")(source, &faculty),
      kCDOk);
  EXPECT_EQ(faculty, 0x19u);

  // An owner longer than the field comes whole and without a zero; `battery` keeps the source.
  const std::string owner(40, 'x');
  UseConfig("owner " + owner + "\npower 0x20000004\nbattery 3\n");
  const CDSourceHandle second = Open();
  EXPECT_NE(second, source);
  EXPECT_EQ(Property(second, kCDDevPropOwnerName), owner);
  EXPECT_EQ(Property(second, kCDDevPropPowerStatus), std::string("\x03\x00\x00\x20", 4));

  CDSourceInfo other{};
  std::strcpy(other.PortName, "simcam:cd:1");  // only one camera is attached
  CDSourceHandle none = 0;
  EXPECT_EQ(CD(CDOpenSource)(&other, &none), kCDErrInvalidParameter);
}

TEST_F(SimcamCdCamera, ReleaseDeliversItsEventsInsideTheCallAndQueuesThePicture) {
  UseConfig("picture_bytes 40000\nthumbnail_bytes 3000\n");
  const CDSourceHandle source = Open();
  std::uint32_t count = 99;
  EXPECT_EQ(Release(source, &count), 0xF1u) << "outside release control";
  EXPECT_EQ(Download(source, dir_ / "none.jpg"), 0xF1u);
  ASSERT_EQ(CD(CDEnterReleaseControl)(source, ReleaseEvent, kContext), kCDOk);
  EXPECT_EQ(CD(CDSelectReleaseDataKind)(source, 0), kCDErrInvalidParameter);
  EXPECT_EQ(CD(CDSelectReleaseDataKind)(source, 16), kCDErrInvalidParameter);
  EXPECT_EQ(Download(source, dir_ / "none.jpg"), 0x8Du) << "nothing released yet";

  // Picture only (the kind a selection starts with).
  ASSERT_EQ(Release(source, &count), kCDOk);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(seen, (std::vector<std::string>{"release 28 0", "progress 0", "progress 50",
                                            "progress 100", "release 29 1"}));
  seen.clear();
  ASSERT_EQ(Download(source, dir_ / "1.jpg"), kCDOk);
  EXPECT_EQ(ReadFile(dir_ / "1.jpg"), simcam::MakePicture(1, 40000));
  EXPECT_EQ(seen, (std::vector<std::string>{"progress 40", "progress 81", "progress 100"}));
  EXPECT_EQ(Download(source, dir_ / "again.jpg"), 0x8Du) << "each item is delivered once";

  // Thumbnail and picture to the PC: two items, the thumbnail first; the numbering goes on.
  ASSERT_EQ(CD(CDSelectReleaseDataKind)(source, kCDReleaseThumbnailToPC | kCDReleasePictureToPC),
            kCDOk);
  seen.clear();
  ASSERT_EQ(Release(source, &count), kCDOk);
  EXPECT_EQ(count, 2u);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), "release 29 2");
  ASSERT_EQ(Download(source, dir_ / "thumb.jpg"), kCDOk);
  ASSERT_EQ(Download(source, dir_ / "2.jpg"), kCDOk);
  EXPECT_EQ(ReadFile(dir_ / "thumb.jpg"), simcam::MakePicture(2, 3000));
  EXPECT_EQ(ReadFile(dir_ / "2.jpg"), simcam::MakePicture(2, 40000));

  // Kept in the camera only: the count is of the camera's items, nothing to download.
  ASSERT_EQ(CD(CDSelectReleaseDataKind)(source, kCDReleasePictureToCamera), kCDOk);
  seen.clear();
  ASSERT_EQ(Release(source, &count), kCDOk);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), "release 29 1");
  EXPECT_EQ(Download(source, dir_ / "3.jpg"), 0x8Du);

  // A file that cannot be created leaves the item queued.
  ASSERT_EQ(CD(CDSelectReleaseDataKind)(source, kCDReleasePictureToPC), kCDOk);
  ASSERT_EQ(Release(source), kCDOk);
  EXPECT_EQ(Download(source, dir_ / "no" / "such" / "4.jpg"), 0x23u);
  ASSERT_EQ(Download(source, dir_ / "4.jpg"), kCDOk);
  EXPECT_EQ(ReadFile(dir_ / "4.jpg"), simcam::MakePicture(4, 40000));
}

TEST_F(SimcamCdCamera, PicturesAreJpegsOfExactlyTheConfiguredSize) {
  // Sizes around the comment segments' limit of 65537 bytes each, and the smallest ones.
  for (const std::uint32_t size :
       {256u, 257u, 1000u, 65695u, 65696u, 65697u, 65699u, 65700u, 200000u}) {
    const std::string jpeg = simcam::MakePicture(3, size);
    ASSERT_EQ(jpeg.size(), size);
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(jpeg.substr(size - 2), "\xFF\xD9");
    // The segments follow each other up to the scan, which ends in EOI.
    std::size_t at = 2;
    std::string markers;
    while (at + 4 <= size && static_cast<unsigned char>(jpeg[at]) == 0xFF) {
      const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
      markers += Hex(marker) + " ";
      const std::size_t length = static_cast<unsigned char>(jpeg[at + 2]) * 256u +
                                 static_cast<unsigned char>(jpeg[at + 3]);
      at += 2 + length;
      if (marker == 0xDA) break;
    }
    EXPECT_EQ(at, size - 3) << "one byte of scan data, then EOI; size " << size;
    EXPECT_NE(markers.find("e0 fe "), std::string::npos) << markers;
    EXPECT_NE(markers.find("db c0 c4 c4 da "), std::string::npos) << markers;
  }
  EXPECT_NE(simcam::MakePicture(3, 5000).find("simcam picture 3\n"), std::string::npos);
  EXPECT_EQ(simcam::MakePicture(3, 5000), simcam::MakePicture(3, 5000));
  EXPECT_NE(simcam::MakePicture(3, 5000), simcam::MakePicture(4, 5000));
  EXPECT_EQ(simcam::MakePicture(3, 10), std::string("\xFF\xD8\0\0\0\0\0\0\xFF\xD9", 10));
  EXPECT_EQ(simcam::MakePicture(3, 2), "\xFF\xD8");
}

TEST_F(SimcamCdCamera, PictureFileIsDeliveredAsItIs) {
  const fs::path original = dir_ / "original.jpg";
  std::ofstream(original, std::ios::binary) << std::string("\xFF\xD8 any bytes\0\xFF\xD9", 15);
  UseConfig("picture_file " + original.string() + "\n");
  const CDSourceHandle source = OpenForRelease();
  ASSERT_EQ(Release(source), kCDOk);
  ASSERT_EQ(Download(source, dir_ / "copy.jpg"), kCDOk);
  EXPECT_EQ(ReadFile(dir_ / "copy.jpg"), ReadFile(original));

  fs::remove(original);
  ASSERT_EQ(Release(source), kCDOk);
  EXPECT_EQ(Download(source, dir_ / "copy.jpg"), 0x22u);
}

TEST_F(SimcamCdCamera, CallbacksMayCallTheLibrary) {
  UseConfig("picture_bytes 20000\n");
  const fs::path trace = dir_ / "trace.txt";
  SetEnv("SIMCAM_TRACE", trace.string().c_str());
  const CDSourceHandle source = OpenForRelease();
  // As the capture program does: download and lock the focus from inside release complete.
  CDResult downloaded = 1, locked = 1;
  onRelease = [&](std::uint32_t id) {
    if (id != kCDReleaseEventReleaseComplete) return;
    downloaded = Download(source, dir_ / "inside.jpg");
    locked = CD(CDAFLock)(source, 1);
  };
  ASSERT_EQ(Release(source), kCDOk);
  EXPECT_EQ(downloaded, kCDOk);
  EXPECT_EQ(locked, kCDOk);
  EXPECT_EQ(ReadFile(dir_ / "inside.jpg"), simcam::MakePicture(1, 20000));
  EXPECT_EQ(seen,
            (std::vector<std::string>{"release 28 0", "progress 0", "progress 50", "progress 100",
                                      "release 29 1", "progress 81", "progress 100"}));
  // The calls made inside come before the release in the trace.
  const std::string lines = ReadFile(trace);
  const auto inner = lines.find("CDGetReleasedData(");
  const auto release = lines.find("CDRelease(");
  ASSERT_NE(inner, std::string::npos);
  ASSERT_NE(release, std::string::npos);
  EXPECT_LT(inner, release);
  EXPECT_NE(lines.find("CDAFLock(" + std::to_string(source) + ", 1) -> 0x00000000\n"),
            std::string::npos)
      << lines;
  EXPECT_NE(lines.find("CDRelease(" + std::to_string(source) +
                       ", 0, &, 7, 3, &) -> 0x00000000 count=1 picture=1\n"),
            std::string::npos)
      << lines;
}

TEST_F(SimcamCdCamera, SettingsKeepWhatIsSetAndRefuseWhatTheCameraDoesNotTake) {
  UseConfig(
      "setting tv 0x18\n"
      "values av 0x20 0x28\n"
      "refuse CDSetTvValue 0x0010\n"
      "refuse CDSetExposureComp 0x10 code=0x81\n"
      "refuse CDSetFlashSetting *,0x10\n"
      "refuse CDSetRelCamSettingData 0x0800000C,0x48\n");
  const CDSourceHandle source = Open();
  std::uint16_t value = 0;
  EXPECT_EQ(CD(CDGetTvValue)(source, &value), 0xF1u) << "outside release control";
  ASSERT_EQ(CD(CDEnterReleaseControl)(source, ReleaseEvent, kContext), kCDOk);

  ASSERT_EQ(CD(CDGetTvValue)(source, &value), kCDOk);
  EXPECT_EQ(value, 0x18);
  EXPECT_EQ(CD(CDSetTvValue)(source, 0x0010), 0x86u);
  EXPECT_EQ(CD(CDSetTvValue)(source, 0x0013), kCDOk);
  EXPECT_EQ(CD(CDSetTvValue)(source, 0x0014), 0x86u) << "not a Tv value of the camera";
  ASSERT_EQ(CD(CDGetTvValue)(source, &value), kCDOk);
  EXPECT_EQ(value, 0x13);

  EXPECT_EQ(CD(CDSetExposureComp)(source, 0x10), 0x81u);
  EXPECT_EQ(CD(CDSetAvValue)(source, 0x28), kCDOk);
  EXPECT_EQ(CD(CDSetAvValue)(source, 0x23), 0x86u) << "offered only 0x20 and 0x28";
  ASSERT_EQ(CD(CDGetAvValue)(source, &value), kCDOk);
  EXPECT_EQ(value, 0x28);

  std::uint16_t quality = 0, size = 0;
  ASSERT_EQ(CD(CDGetImageFormatAttribute)(source, &quality, &size), kCDOk);
  EXPECT_EQ(quality, 0x03);
  EXPECT_EQ(size, 0x00);
  EXPECT_EQ(CD(CDSetImageFormatAttribute)(source, 0x05, 0x07), kCDOk);
  EXPECT_EQ(CD(CDSetImageFormatAttribute)(source, 0x05, 0x03), 0x86u);
  ASSERT_EQ(CD(CDGetImageFormatAttribute)(source, &quality, &size), kCDOk);
  EXPECT_EQ(quality, 0x05);
  EXPECT_EQ(size, 0x07);

  // Flash mode and compensation: 0x00FF leaves a half alone; a refusal changes neither half.
  std::uint16_t mode = 0, compensation = 0;
  EXPECT_EQ(CD(CDSetFlashSetting)(source, 0x02, kCDFlashHalfUnchanged), kCDOk);
  EXPECT_EQ(CD(CDSetFlashSetting)(source, kCDFlashHalfUnchanged, 0x0B), kCDOk);
  EXPECT_EQ(CD(CDSetFlashSetting)(source, 0x01, 0x10), 0x86u);
  EXPECT_EQ(CD(CDSetFlashSetting)(source, kCDFlashHalfUnchanged, 0x10), 0x86u);
  EXPECT_EQ(CD(CDSetFlashSetting)(source, 0x01, 0x30), 0x86u) << "0x30 is no compensation";
  ASSERT_EQ(CD(CDGetFlashSetting)(source, &mode, &compensation), kCDOk);
  EXPECT_EQ(mode, 0x02);
  EXPECT_EQ(compensation, 0x0B);

  // Release settings by ID, with their own sizes.
  std::uint8_t buffer[4] = {0xCC, 0xCC, 0xCC, 0xCC};
  std::uint32_t length = sizeof buffer;
  ASSERT_EQ(CD(CDGetRelCamSettingData)(source, kCDRelCamBeep, &length, buffer), kCDOk);
  EXPECT_EQ(length, 1u);
  EXPECT_EQ(buffer[0], 0x01);
  EXPECT_EQ(buffer[1], 0xCC) << "wrote past the value";
  const std::uint8_t iso100[2] = {0x48, 0x00}, iso200[2] = {0x50, 0x00};
  EXPECT_EQ(CD(CDSetRelCamSettingData)(source, kCDRelCamISOSpeed, 2, iso100), 0x86u);
  EXPECT_EQ(CD(CDSetRelCamSettingData)(source, kCDRelCamISOSpeed, 1, iso200), 0x64u);
  EXPECT_EQ(CD(CDSetRelCamSettingData)(source, kCDRelCamISOSpeed, 2, iso200), kCDOk);
  length = 1;
  EXPECT_EQ(CD(CDGetRelCamSettingData)(source, kCDRelCamISOSpeed, &length, buffer), 0x64u);
  length = sizeof buffer;
  ASSERT_EQ(CD(CDGetRelCamSettingData)(source, kCDRelCamISOSpeed, &length, buffer), kCDOk);
  EXPECT_EQ(length, 2u);
  EXPECT_EQ(buffer[0], 0x50);
  EXPECT_EQ(buffer[1], 0x00);
  const std::uint8_t kelvin[2] = {0x10, 0x27};  // 10000: no list, any value
  EXPECT_EQ(CD(CDSetRelCamSettingData)(source, kCDRelCamColorTemperature, 2, kelvin), kCDOk);
  EXPECT_EQ(CD(CDGetRelCamSettingData)(source, 0x08000005, &length, buffer), 0xF3u);

  // Another source starts from the configured values again.
  const CDSourceHandle fresh = OpenForRelease();
  ASSERT_EQ(CD(CDGetTvValue)(fresh, &value), kCDOk);
  EXPECT_EQ(value, 0x18);
}

TEST_F(SimcamCdCamera, ValueListsDeliverTheOfferedValues) {
  UseConfig("values wb any\nvalues shooting_mode\nvalues image_format 0x02,0x00 0x05,0x07\n");
  const CDSourceHandle source = OpenForRelease();
  const auto list = [&](auto reset, auto count, auto next, auto release) {
    CDEnumHandle handle = 0;
    std::vector<std::uint32_t> values;
    const CDResult opened = reset(source, &handle);
    if (opened != kCDOk) return std::make_pair(opened, values);
    std::uint32_t n = 0;
    EXPECT_EQ(count(handle, &n), kCDOk);
    for (std::uint32_t i = 0; i < n; ++i) {
      std::uint16_t value = 0;
      EXPECT_EQ(next(handle, &value), kCDOk);
      values.push_back(value);
    }
    std::uint16_t past = 0;
    EXPECT_EQ(next(handle, &past), kCDErrEnumNotApplicable);
    EXPECT_EQ(release(handle), kCDOk);
    EXPECT_EQ(release(handle), kCDErrInvalidHandle);
    return std::make_pair(opened, values);
  };
  const auto tv = list(CD(CDEnumTvValueReset), CD(CDGetTvValueCount), CD(CDEnumTvValueNext),
                       CD(CDEnumTvValueRelease));
  ASSERT_EQ(tv.second.size(), 52u);
  EXPECT_EQ(tv.second.front(), 0x10u);
  EXPECT_EQ(tv.second[1], 0x13u);
  EXPECT_EQ(tv.second[2], 0x15u);
  EXPECT_EQ(tv.second.back(), 0x98u);
  const auto flash = list(CD(CDEnumFlashSettingReset), CD(CDGetFlashSettingCount),
                          CD(CDEnumFlashSettingNext), CD(CDEnumFlashSettingRelease));
  EXPECT_EQ(flash.second, (std::vector<std::uint32_t>{0, 1, 2, 3, 4}));
  const auto modes = list(CD(CDEnumShootingModeReset), CD(CDGetShootingModeCount),
                          CD(CDEnumShootingModeNext), CD(CDEnumShootingModeRelease));
  EXPECT_EQ(modes.first, kCDOk);
  EXPECT_TRUE(modes.second.empty());
  EXPECT_EQ(CD(CDSetShootingMode)(source, 0x01), 0x86u) << "an empty list offers nothing";
  const auto wb = list(CD(CDEnumWBSettingReset), CD(CDGetWBSettingCount), CD(CDEnumWBSettingNext),
                       CD(CDEnumWBSettingRelease));
  EXPECT_EQ(wb.first, kCDErrNotSupported);
  EXPECT_EQ(CD(CDSetWBSetting)(source, 0x7777), kCDOk) << "without a list every value goes";

  CDEnumHandle formats = 0;
  ASSERT_EQ(CD(CDEnumImageFormatAttributeReset)(source, &formats), kCDOk);
  std::uint32_t n = 0;
  ASSERT_EQ(CD(CDGetImageFormatAttributeCount)(formats, &n), kCDOk);
  ASSERT_EQ(n, 2u);
  CDImageFormatAttribute format{};
  ASSERT_EQ(CD(CDEnumImageFormatAttributeNext)(formats, &format), kCDOk);
  ASSERT_EQ(CD(CDEnumImageFormatAttributeNext)(formats, &format), kCDOk);
  EXPECT_EQ(format.Quality, 0x05);
  EXPECT_EQ(format.Size, 0x07);
  std::uint16_t value = 0;
  EXPECT_EQ(CD(CDEnumAvValueNext)(formats, &value), kCDErrInvalidHandle) << "another list's";
  EXPECT_EQ(CD(CDEnumImageFormatAttributeRelease)(formats), kCDOk);

  // A release-setting list gives the value size that each next call passes back.
  CDEnumHandle iso = 0;
  std::uint32_t valueSize = 0;
  ASSERT_EQ(CD(CDEnumRelCamSettingDataReset)(source, kCDRelCamISOSpeed, &iso, &valueSize), kCDOk);
  EXPECT_EQ(valueSize, 2u);
  ASSERT_EQ(CD(CDGetRelCamSettingDataCount)(iso, &n), kCDOk);
  EXPECT_EQ(n, 6u);
  std::uint8_t buffer[2] = {0, 0};
  EXPECT_EQ(CD(CDEnumRelCamSettingDataNext)(iso, 1, buffer), 0x64u);
  ASSERT_EQ(CD(CDEnumRelCamSettingDataNext)(iso, 2, buffer), kCDOk);
  ASSERT_EQ(CD(CDEnumRelCamSettingDataNext)(iso, 2, buffer), kCDOk);
  EXPECT_EQ(buffer[0], 0x40);
  EXPECT_EQ(CD(CDEnumRelCamSettingDataRelease)(iso), kCDOk);
  EXPECT_EQ(CD(CDEnumRelCamSettingDataReset)(source, kCDRelCamColorTemperature, &iso, &valueSize),
            kCDErrNotSupported);
}

TEST_F(SimcamCdCamera, ZoomStaysInRangeAndFocusLockTakesOneOrZero) {
  UseConfig("zoom 30 10 4\nrefuse CDSetZoomPos 7\n");
  const CDSourceHandle source = OpenForRelease();
  std::uint32_t max = 0, optical = 0, position = 0;
  ASSERT_EQ(CD(CDGetMaximumZoomPos)(source, &max, &optical), kCDOk);
  EXPECT_EQ(max, 30u);
  EXPECT_EQ(optical, 10u);
  ASSERT_EQ(CD(CDGetZoomPos)(source, &position), kCDOk);
  EXPECT_EQ(position, 4u);
  EXPECT_EQ(CD(CDSetZoomPos)(source, 12), kCDOk);
  ASSERT_EQ(CD(CDGetZoomPos)(source, &position), kCDOk);
  EXPECT_EQ(position, 12u);
  EXPECT_EQ(CD(CDSetZoomPos)(source, 7), 0x86u);
  EXPECT_EQ(CD(CDSetZoomPos)(source, 0x80000000u), kCDOk);
  ASSERT_EQ(CD(CDGetZoomPos)(source, &position), kCDOk);
  EXPECT_EQ(position, 30u);

  EXPECT_EQ(CD(CDAFLock)(source, 1), kCDOk);
  EXPECT_EQ(CD(CDAFLock)(source, 0), kCDOk);
  EXPECT_EQ(CD(CDAFLock)(source, 2), kCDErrInvalidParameter);
}

TEST_F(SimcamCdCamera, EventDirectivesFireDuringTheirCallsOnly) {
  UseConfig(
      "event CDRelease 0x20005 from=2 count=1\n"
      "event CDGetZoomPos 1 3\n"
      "release_event CDAFLock 27\n"
      "fail CDGetZoomPos 0x81 from=2 count=1\n");
  const CDSourceHandle source = OpenForRelease();
  ASSERT_EQ(Release(source), kCDOk);
  ASSERT_EQ(Release(source), kCDOk);
  ASSERT_EQ(Release(source), kCDOk);
  std::vector<std::string> devices;
  for (const std::string& entry : seen) {
    if (entry.starts_with("device")) devices.push_back(entry);
  }
  EXPECT_EQ(devices, std::vector<std::string>{"device 20005 0"});
  // During the second release, after its own events.
  EXPECT_EQ(seen.at(9), "release 29 1");
  EXPECT_EQ(seen.at(10), "device 20005 0");

  seen.clear();
  std::uint32_t position = 0;
  EXPECT_EQ(CD(CDGetZoomPos)(source, &position), kCDOk);
  EXPECT_EQ(CD(CDGetZoomPos)(source, &position), 0x81u);
  EXPECT_EQ(CD(CDGetZoomPos)(source, &position), kCDOk);
  EXPECT_EQ(CD(CDAFLock)(source, 1), kCDOk);
  EXPECT_EQ(seen, (std::vector<std::string>{"device 1 3", "device 1 3", "release 27 0"}));
}

TEST_F(SimcamCdCamera, TraceShowsTheCodesSentAndRead) {
  UseConfig("");
  const fs::path trace = dir_ / "trace.txt";
  const CDSourceHandle source = OpenForRelease();
  SetEnv("SIMCAM_TRACE", trace.string().c_str());
  std::uint16_t mode = 0, compensation = 0;
  CD(CDSetFlashSetting)(source, 0x00, kCDFlashHalfUnchanged);
  CD(CDGetFlashSetting)(source, &mode, &compensation);
  const std::uint8_t iso[2] = {0x48, 0x00};
  CD(CDSetRelCamSettingData)(source, kCDRelCamISOSpeed, 2, iso);
  CD(CDSetTvValue)(source, 0x0014);
  const std::string s = std::to_string(source);
  EXPECT_EQ(ReadFile(trace),
            "CDSetFlashSetting(" + s + ", 0x0000, 0x00FF) -> 0x00000000\n" + "CDGetFlashSetting(" +
                s + ", &, &) -> 0x00000000 mode=0x0000 compensation=0x0018\n" +
                "CDSetRelCamSettingData(" + s + ", 0x0800000C, 2, 0x0048) -> 0x00000000\n" +
                "CDSetTvValue(" + s + ", 0x0014) -> 0x00000086\n");
}

}  // namespace
