// The configuration parser of the stand-in libraries, linked directly.
#include <gtest/gtest.h>

#include "simcam/core/Config.h"
#include "simcam/core/Names.h"

namespace {

using simcam::Config;
using simcam::ParseConfig;
using simcam::Sdk;

Config Parse(const char* text, std::vector<std::string>* problemsOut = nullptr) {
  std::vector<std::string> problems;
  Config config = ParseConfig(text, problems);
  if (problemsOut) *problemsOut = problems;
  return config;
}

TEST(SimcamConfig, CamerasKeepFileOrderAndTheRestOfTheLineAsName) {
  const Config config = Parse(
      "# attached cameras\n"
      "camera eos  EOS 5D  \n"
      "camera cd PowerShot G3 # the old one\r\n"
      "\n"
      "camera pr PowerShot  S90\n"
      "camera cd Ixus\n");
  ASSERT_EQ(config.cameras.size(), 4u);
  EXPECT_EQ(config.cameras[0].sdk, Sdk::EOS);
  EXPECT_EQ(config.cameras[0].name, "EOS 5D");
  EXPECT_EQ(config.cameras[1].name, "PowerShot G3");
  EXPECT_EQ(config.cameras[2].name, "PowerShot  S90");
  const auto cd = config.CamerasOf(Sdk::CD);
  ASSERT_EQ(cd.size(), 2u);
  EXPECT_EQ(cd[0].name, "PowerShot G3");
  EXPECT_EQ(cd[1].name, "Ixus");
}

TEST(SimcamConfig, FileWithoutCamerasAttachesNoneAndDefaultsHaveOnePerSdk) {
  EXPECT_TRUE(Parse("picture_bytes 10\n# nothing else\n").cameras.empty());
  EXPECT_TRUE(Parse("").cameras.empty());

  const Config defaults = simcam::DefaultConfig();
  ASSERT_EQ(defaults.cameras.size(), 3u);
  EXPECT_EQ(defaults.CamerasOf(Sdk::CD).at(0).name, "PowerShot Sim");
  EXPECT_EQ(defaults.CamerasOf(Sdk::PR).at(0).name, "PowerShot Sim2");
  EXPECT_EQ(defaults.CamerasOf(Sdk::EOS).at(0).name, "EOS Sim");
  EXPECT_EQ(defaults.pictureBytes, 50000u);
  EXPECT_TRUE(defaults.fails.empty());
}

TEST(SimcamConfig, FailRulesWithRanges) {
  const Config config = Parse(
      "fail CDOpenSource 0x81\n"
      "fail PR_GetDeviceList 34 from=3\n"
      "fail EdsGetChildAtIndex 0X63 from=2 count=2\n");
  ASSERT_EQ(config.fails.size(), 3u);
  EXPECT_EQ(config.fails[0].code, 0x81u);
  EXPECT_EQ(config.fails[1].code, 34u);
  EXPECT_EQ(config.fails[2].code, 0x63u);

  const auto covered = [](const simcam::FailRule& rule) {
    std::string calls;
    for (std::uint64_t n = 1; n <= 6; ++n) calls += rule.Matches(n) ? 'x' : '.';
    return calls;
  };
  EXPECT_EQ(covered(config.fails[0]), "xxxxxx");
  EXPECT_EQ(covered(config.fails[1]), "..xxxx");
  EXPECT_EQ(covered(config.fails[2]), ".xx...");
}

TEST(SimcamConfig, BadLinesAreSkippedAndReported) {
  std::vector<std::string> problems;
  const Config config = Parse(
      "camera nikon D1\n"                        // unknown SDK
      "camera cd\n"                              // no name
      "lens 3\n"                                 // unknown directive
      "fail CDOpenSource\n"                      // no code
      "fail CDOpenSource 12z\n"                  // bad code
      "fail CDOpenSource 0x100000000\n"          // too large
      "fail CDOpenSource 5 from=0\n"             // calls count from 1
      "fail CDOpenSource 5 count=0\n"            // an empty range
      "fail CDOpenSource 5 after=2\n"            // unknown option
      "picture_bytes 99999999999999999999999\n"  // overflow
      "picture_bytes -5\n"                       // negative
      "picture_bytes\n"                          // no value
      "unterminated_names yes\n"                 // takes nothing
      "camera pr Kept\n"
      "picture_bytes 0x10\n",
      &problems);
  EXPECT_EQ(problems.size(), 13u);
  EXPECT_NE(problems.at(0).find("line 1"), std::string::npos) << problems.at(0);
  ASSERT_EQ(config.cameras.size(), 1u);
  EXPECT_EQ(config.cameras[0].name, "Kept");
  EXPECT_TRUE(config.fails.empty());
  EXPECT_EQ(config.pictureBytes, 16u);
  EXPECT_FALSE(config.unterminatedNames);
}

TEST(SimcamConfig, BadInputDirectives) {
  const Config config = Parse("cd_count_extra 2\npr_count_extra 0x65\nunterminated_names\n");
  EXPECT_EQ(config.cdCountExtra, 2u);
  EXPECT_EQ(config.prCountExtra, 101u);
  EXPECT_TRUE(config.unterminatedNames);
}

TEST(SimcamConfig, CdCameraDirectivesCheckTheirValuesAgainstTheSetting) {
  std::vector<std::string> problems;
  const Config config = Parse(
      "setting tv 0x10000\n"           // wider than the setting's 16 bits
      "setting metering 0x100\n"       // wider than its one byte
      "setting image_format 3\n"       // a pair needs two values
      "values nosuch 1\n"              // no such setting
      "refuse CDSetTvValue 1,x\n"      // bad part
      "refuse CDSetTvValue 1 code=\n"  // bad code
      "event CDRelease\n"              // no event ID
      "event CDRelease 5 from=0\n"     // calls count from 1
      "battery 16\n"                   // four bits only
      "zoom 1 2 3 4\n"                 // too many numbers
      "power 0x20000004\nbattery 3\n"
      "setting image_format 5,0x07\nvalues av\nvalues wb any\nvalues iso 0x48 0x50\n"
      "refuse CDSetFlashSetting *,0x10 code=0x81\n"
      "event CDRelease 0x20005 7 count=2\nrelease_event CDAFLock 27\n",
      &problems);
  EXPECT_EQ(problems.size(), 10u);
  EXPECT_EQ(config.cd.power, 0x20000003u);
  const auto& settings = config.cd.settings;
  EXPECT_EQ(settings.at("image_format").initial, 0x00050007u);
  EXPECT_EQ(settings.at("av").values, std::vector<std::uint32_t>{});
  EXPECT_TRUE(settings.at("wb").valuesGiven);
  EXPECT_FALSE(settings.at("wb").values.has_value());
  EXPECT_EQ(settings.at("iso").values, (std::vector<std::uint32_t>{0x48, 0x50}));
  EXPECT_EQ(settings.count("tv"), 0u);

  ASSERT_EQ(config.cd.refusals.size(), 1u);
  const simcam::RefuseRule& refusal = config.cd.refusals[0];
  EXPECT_EQ(refusal.code, 0x81u);
  EXPECT_TRUE(refusal.Matches({0x01, 0x10}));
  EXPECT_TRUE(refusal.Matches({0xFF, 0x10}));
  EXPECT_FALSE(refusal.Matches({0x01, 0x11}));
  EXPECT_FALSE(refusal.Matches({0x10})) << "a call with fewer values than the rule";

  ASSERT_EQ(config.cd.events.size(), 2u);
  EXPECT_EQ(config.cd.events[0].id, 0x20005u);
  EXPECT_EQ(config.cd.events[0].data, 7u);
  EXPECT_TRUE(config.cd.events[0].Matches(2));
  EXPECT_FALSE(config.cd.events[0].Matches(3));
  EXPECT_TRUE(config.cd.events[1].release);
}

TEST(SimcamNames, FieldsAreCutTerminatedOrFilledToTheEnd) {
  char field[8];
  simcam::FillNameField(field, sizeof field, "PowerShot", false);
  EXPECT_EQ(std::string(field, sizeof field), std::string("PowerSh\0", 8));
  simcam::FillNameField(field, sizeof field, "Ixus", true);
  EXPECT_EQ(std::string(field, sizeof field), "Ixus####");

  std::uint16_t wide[6];
  simcam::FillNameField(wide, 6, "G\xC3\xA9\xF0\x9F\x93\xB7", false);  // G, e acute, camera
  const std::uint16_t expected[6] = {'G', 0xE9, 0xD83D, 0xDCF7, 0, 0};
  EXPECT_TRUE(std::equal(wide, wide + 6, expected));
  simcam::FillNameField(wide, 6, "S90", true);
  const std::uint16_t filled[6] = {'S', '9', '0', '#', '#', '#'};
  EXPECT_TRUE(std::equal(wide, wide + 6, filled));
}

}  // namespace
