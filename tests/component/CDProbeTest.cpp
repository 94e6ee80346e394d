// The CD camera's capability probe, run through TLumidor.EnterRemoteMode against the stand-in
// library: the flags it finds from value lists and from trial writes, its progress, the settings
// it puts back and the capability cache file it reads and writes. The call trace shows what
// reached the library.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "component/Lumidor.h"
#include "platform/Application.h"
#include "tests/component/CameraTestSupport.h"

namespace {

using namespace Lumidor;
using namespace CamDefines;
namespace fs = std::filesystem;
using namespace camera_test;
using Bytes = std::vector<std::uint8_t>;

const std::vector<std::int32_t> kFullProgress = {6,  18, 24, 29, 35, 41, 47,  53,
                                                 65, 71, 76, 82, 88, 94, 100, 100};

// Every setting the CD library lists, for `values NAME any` lines.
const Strings kListedSettings = {
    "image_format", "shooting_mode", "av",         "tv",           "exposure_comp",
    "wb",           "af_distance",   "flash",      "metering",     "iso",
    "contrast",     "sharpness",     "saturation", "photo_effect", "beep"};

// The groups of the capability record that the CD probe fills: base and last index.
struct Group {
  std::size_t base;
  std::size_t last;
};
const std::vector<Group> kCDGroups = {
    {5, 5},   {17, 6},  {31, 7},   {39, 13},  {61, 36},  {98, 6},   {110, 12}, {134, 16}, {153, 3},
    {157, 3}, {161, 3}, {168, 20}, {189, 40}, {230, 59}, {290, 13}, {304, 6},  {311, 2}};

// The record a probe gives with faculty 0x13 before the groups are filled: the faculties, and
// the groups that the CD library does not have marked as offering nothing.
RemoteProbeParamType Baseline() {
  RemoteProbeParamType record{1, 1, 0, 0, 1};
  for (const std::size_t base : {11, 24, 53, 105, 123, 131, 165}) record[base] = 1;
  return record;
}

class CDProbe : public ProbeTest {
 protected:
  CDProbe() : ProbeTest("cdprobe_", "camera cd Cam One\n", 1) {}

  void SetUp() override {
    CameraTest::SetUp();
    cacheDir = dir.string() + "\\caps";
  }

  // A new component on a new configuration, connected to its first camera, with a fresh trace;
  // the progress reports are listened to from before the cameras are listed.
  void Connect(const std::string& text) {
    WriteConfig("camera cd Cam One\n" + text);
    NewLumidor();
    progress.clear();
    lumidor->OnRemoteProbeParamEvent = [this](std::int32_t percent) {
      progress.push_back(percent);
    };
    lumidor->EnumerateCameras();
    lumidor->Connect(1, 0);
    RestartTrace();
  }
  Strings TraceLines() const { return Trace(); }
  Bytes FileBytes(const fs::path& path) const {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string cacheDir;
  fs::path cachePath() const { return dir / "caps"; }
};

TEST_F(CDProbe, ListedValuesAreFlaggedAsCommonIndexes) {
  Connect(
      "values image_format 0x01,0x00 0x04,0x07\n"
      "values shooting_mode 0x00 0x04 0x01\n"
      "values av 0x08 0x20\n"
      "values tv 0x04 0x18\n"
      "values exposure_comp 0x18\n"
      "values wb 0x00 0x09\n"
      "values af_distance 0x7777\n"  // a value the converter does not know
      "values flash 0x00 0x06\n"
      "values flash_comp 0x18\n"  // no list: tried
      "values metering\n"         // an empty list
      "values iso 0x00 0x48\n"
      "values contrast 0xFF 0x01\n"
      "values sharpness 0x00\n"
      "values saturation 0x01\n"
      "values photo_effect 0x0000 0x0004\n"
      "values beep 0x00\n");
  const RemoteProbeParamType caps = Probe("");

  RemoteProbeParamType expected = Baseline();
  expected[98] = 1;  // metering: nothing listed
  for (const std::size_t flag : {6,   10, 18, 23, 62,  63,  77,  190, 199, 231, 235, 297, 135,
                                 147, 32, 38, 46, 169, 173, 154, 156, 159, 164, 305, 310, 313}) {
    expected[flag] = 1;
  }
  EXPECT_EQ(caps, expected);
  EXPECT_EQ(progress, kFullProgress);
  EXPECT_TRUE(lumidor->InRemoteMode);
  // Every list opened was released; only the flash compensation was tried.
  for (const char* family : {"ImageFormatAttribute", "ShootingMode", "AvValue", "TvValue",
                             "ExposureComp", "WBSetting", "AFDistanceSetting", "FlashSetting"}) {
    EXPECT_EQ(Calls(std::string("CDEnum") + family + "Release").size(), 1u) << family;
  }
  EXPECT_EQ(Calls("CDEnumRelCamSettingDataRelease").size(), 7u);
  EXPECT_EQ(Calls("CDSetAvValue").size(), 1u);  // the saved value sent back
  EXPECT_EQ(Calls("CDSetFlashSetting").size(), 13u + 2u);
  // Without a cache folder the mode is read only for the saved settings.
  EXPECT_EQ(Calls("CDGetShootingMode").size(), 1u);
  EXPECT_FALSE(fs::exists(cachePath()));
}

TEST_F(CDProbe, WithoutListsEveryIndexIsTriedAndTheTakenOnesAreFlagged) {
  std::string config;
  for (const std::string& name : kListedSettings) config += "values " + name + " any\n";
  config +=
      "refuse CDSetAvValue 0x08\n"                        // Av index 1
      "refuse CDSetImageFormatAttribute 0x0004\n"         // quality index 5, with every size
      "refuse CDSetFlashSetting *,0x0018\n"               // flash compensation index 7
      "refuse CDSetRelCamSettingData 0x08000002\n"        // every beep
      "refuse CDSetRelCamSettingData 0x0800000C,0x45\n";  // ISO index 4
  Connect(config);
  const RemoteProbeParamType caps = Probe("");

  RemoteProbeParamType expected = Baseline();
  for (const Group& group : kCDGroups) {
    for (std::size_t i = 1; i <= group.last; ++i) expected[group.base + i] = 1;
  }
  expected[5 + 5] = 0;
  expected[189 + 1] = 0;
  expected[39 + 7] = 0;
  expected[168 + 4] = 0;
  expected[311] = 1;
  expected[312] = expected[313] = 0;
  EXPECT_EQ(caps, expected);
  EXPECT_EQ(progress, kFullProgress);

  // Each trial once per index (and one more call for the saved value sent back).
  EXPECT_EQ(Calls("CDSetImageFormatAttribute").size(), 30u + 1u);
  EXPECT_EQ(Calls("CDSetAvValue").size(), 40u + 1u);
  EXPECT_EQ(Calls("CDSetTvValue").size(), 59u + 1u);
  EXPECT_EQ(Calls("CDSetExposureComp").size(), 13u + 1u);
  EXPECT_EQ(Calls("CDSetWBSetting").size(), 16u + 1u);
  EXPECT_EQ(Calls("CDSetAFDistanceSetting").size(), 12u + 1u);
  EXPECT_EQ(Calls("CDSetFlashSetting").size(), 7u + 13u + 2u);
  EXPECT_EQ(Calls("CDSetRelCamSettingData").size(), 6u + 20u + 3u + 3u + 3u + 6u + 2u + 7u);
  // The shooting mode: code 1, the 36 trials, code 4 after them and before the Av and Tv
  // trials, code 1 after Tv, the saved mode sent back, code 1 at the end.
  const Strings modes = Calls("CDSetShootingMode");
  ASSERT_EQ(modes.size(), 1u + 36u + 6u);
  EXPECT_EQ(modes.front(), "0x0001 -> 0x00000000");
  EXPECT_EQ(Strings(modes.end() - 6, modes.end()),
            (Strings{"0x0004 -> 0x00000000", "0x0004 -> 0x00000000", "0x0004 -> 0x00000000",
                     "0x0001 -> 0x00000000", "0x0001 -> 0x00000000", "0x0001 -> 0x00000000"}));
  EXPECT_EQ(TraceLines().back().rfind("CDSetShootingMode(", 0), 0u);
}

TEST_F(CDProbe, AvAndTvAreNotTriedWhenTheCameraRefusesTheirShootingMode) {
  Connect("values av any\nvalues tv any\nrefuse CDSetShootingMode 0x0004\n");
  const RemoteProbeParamType caps = Probe("");
  EXPECT_EQ(caps[189], 1);
  EXPECT_EQ(caps[230], 1);
  for (std::size_t i = 190; i < 290; ++i) EXPECT_EQ(caps[i], i == 230 ? 1 : 0) << i;
  EXPECT_EQ(Calls("CDSetAvValue").size(), 1u);  // only the saved value sent back
  EXPECT_EQ(Calls("CDSetTvValue").size(), 1u);
  // The flash list is there, and the compensation is still tried.
  EXPECT_EQ(caps[31], 0);
  EXPECT_EQ(caps[39], 0);
  for (std::size_t i = 40; i <= 52; ++i) EXPECT_EQ(caps[i], 1) << i;
}

TEST_F(CDProbe, TheSettingsReadAtTheStartAreSentBack) {
  std::string config =
      "setting image_format 0x05,0x02\nsetting av 0x28\nsetting tv 0x58\n"
      "setting exposure_comp 0x10\nsetting wb 0x09\nsetting color_temperature 6500\n"
      "setting af_distance 0x02\nsetting flash 0x02\nsetting flash_comp 0x20\n"
      "setting metering 0x02\nsetting iso 0x50\nsetting contrast 0xFF\nsetting sharpness 0x01\n"
      "setting saturation 0xFF\nsetting photo_effect 0x0003\nsetting beep 0x00\n";
  for (const std::string& name : kListedSettings) config += "values " + name + " any\n";
  Connect(config);
  lumidor->EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture, false, "");
  const RemoteParamType before = lumidor->RemoteGetParams();
  ASSERT_EQ(before.Av, 13);
  ASSERT_EQ(before.ColorTemperature, 6500);
  Probe("");
  EXPECT_EQ(lumidor->RemoteGetParams(), before);
}

TEST_F(CDProbe, AFailingListCallEndsRemoteModeAndWritesNoCacheFile) {
  Connect("fail CDGetAvValueCount 0x81\n");
  std::string message;
  try {
    Probe(cacheDir);
  } catch (const std::exception& e) {
    message = e.what();
  }
  EXPECT_EQ(message.rfind("CDGetAvValueCount errorcode 0x00000081, ", 0), 0u) << message;
  EXPECT_FALSE(lumidor->InRemoteMode);
  EXPECT_FALSE(fs::exists(cachePath() / "Cam One Mode16"));
  EXPECT_EQ(progress, (std::vector<std::int32_t>{6, 18, 24}));
  EXPECT_EQ(Calls("CDEnumAvValueRelease").size(), 1u);  // the list is not left open
  EXPECT_EQ(Calls("CDSetTvValue").size(), 0u);          // nothing sent back
  EXPECT_EQ(Calls("CDGetTvValueCount").size(), 0u);

  // A count above what a 16-bit setting can have is refused before anything of the list is read.
  std::string tooMany = "values av";
  for (int k = 0; k <= 0x10000; ++k) tooMany += " 0x08";
  Connect(tooMany + "\n");
  EXPECT_EQ(RaisedMessage([&] { Probe(cacheDir); }),
            "CDGetAvValueCount reported 65537 values, more than the 65536 a list can hold");
  EXPECT_FALSE(lumidor->InRemoteMode);
  EXPECT_EQ(Calls("CDEnumAvValueNext").size(), 0u);
  EXPECT_EQ(Calls("CDEnumAvValueRelease").size(), 1u);
}

TEST_F(CDProbe, ASecondProbeOfTheModelInTheModeReadsTheCacheFile) {
  Connect("values wb 0x00 0x01\n");
  const RemoteProbeParamType first = Probe(cacheDir);
  EXPECT_EQ(progress, kFullProgress);
  const fs::path file = cachePath() / "Cam One Mode16";
  Bytes expected = {0x1D, 0x01, 0x00, 0x00};
  expected.insert(expected.end(), first.begin() + 5, first.end());
  EXPECT_EQ(FileBytes(file), expected);

  // Other faculties and other lists now: bytes 0..4 come from the camera, the rest from the file,
  // and nothing but the shooting mode reaches the camera.
  Connect("faculty 0x17\nvalues wb 0x05\nvalues av any\n");
  const RemoteProbeParamType second = Probe(cacheDir);
  EXPECT_EQ(Bytes(second.begin(), second.begin() + 5), (Bytes{1, 1, 1, 0, 1}));
  EXPECT_EQ(Bytes(second.begin() + 5, second.end()), Bytes(first.begin() + 5, first.end()));
  EXPECT_TRUE(progress.empty());
  EXPECT_EQ(TraceNames(), (Strings{"CDEnterReleaseControl", "CDSelectReleaseDataKind",
                                   "_CDGetReleaseControlFaculty@8", "CDSetShootingMode",
                                   "CDGetShootingMode", "CDSetShootingMode"}));
  EXPECT_EQ(Calls("CDSetShootingMode"), (Strings{"0x0001 -> 0x00000000", "0x0001 -> 0x00000000"}));
  EXPECT_TRUE(lumidor->InRemoteMode);

  // A file with another tag is not used: the camera is probed and the file written anew.
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      << std::string("\x1D\x01\x00\x01", 4) << std::string(309, '\0');
  Connect("values wb 0x05\n");
  const RemoteProbeParamType third = Probe(cacheDir);
  EXPECT_EQ(progress, kFullProgress);
  EXPECT_EQ(third[134 + 6], 1);
  EXPECT_EQ(third[134 + 1], 0);
  EXPECT_EQ(FileBytes(file)[4 + 134 + 6 - 5], 1);
}

TEST_F(CDProbe, TheCacheFileIsNamedByTheShootingModeAndNeedsACacheFolder) {
  // A camera that does not tell its shooting mode: mode index 0.
  Connect("fail CDGetShootingMode 0x81\n");
  Probe(cacheDir);
  EXPECT_TRUE(fs::exists(cachePath() / "Cam One Mode0"));
  EXPECT_FALSE(fs::exists(cachePath() / "Cam One Mode16"));

  // Without a cache folder the camera is probed every time and no file is made.
  fs::remove_all(cachePath());
  for (int run = 0; run < 2; ++run) {
    Connect("");
    Probe("");
    EXPECT_EQ(progress, kFullProgress);
  }
  EXPECT_FALSE(fs::exists(cachePath()));
}

TEST_F(CDProbe, ACacheFileThatCannotBeCreatedEndsRemoteModeAfterTheSettingsAreSentBack) {
  std::ofstream(dir / "blocker") << "not a folder";
  Connect("");
  const std::string name = dir.string() + "\\blocker\\Cam One Mode16";
  std::string message;
  try {
    Probe(dir.string() + "\\blocker");
  } catch (const std::exception& e) {
    message = e.what();
  }
  EXPECT_EQ(message,
            "Cannot create file \"" + name + "\". The system cannot find the path specified");
  EXPECT_FALSE(lumidor->InRemoteMode);
  EXPECT_EQ(progress, kFullProgress);
  // The settings went back (the beep is the last of them); the last shooting-mode call did not
  // follow.
  EXPECT_EQ(Last(TraceLines()).rfind("CDSetRelCamSettingData(", 0), 0u) << Last(TraceLines());
}

}  // namespace
