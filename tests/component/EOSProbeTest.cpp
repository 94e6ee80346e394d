// The capability probe of an EOS camera, asked for through TLumidor.EnterRemoteMode, against the
// stand-in EOS library loaded into this process. The simulated camera's value lists come from
// `property_values`, the trial values it refuses from `refuse` rules; the call trace shows what
// reached the library.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "component/Lumidor.h"
#include "tests/component/CameraTestSupport.h"

namespace {

using namespace Lumidor;
using namespace CamDefines;
namespace fs = std::filesystem;
using namespace camera_test;

// Image-quality trials are all refused and the setting cannot be read, so it is not sent back
// either: a probe without the settle time of accepted image-quality trials.
const char* const kNoImageQuality =
    "refuse EdsSetPropertyData 0x100\n"
    "refuse EdsGetPropertyData 0x100\n";

// The bases that every probe of an EOS camera marks as offering nothing: flash mode and
// compensation, AF distance, focus point, AF assist light, contrast, sharpness, saturation, beep.
constexpr std::size_t kNothingOffered[] = {31, 39, 110, 123, 131, 153, 157, 161, 311};

const std::vector<std::int32_t> kAllProgress = {6,  18, 24, 29, 35, 41, 47, 53,
                                                59, 65, 71, 76, 82, 88, 94, 100};

// Sets the base byte of a group and the flags of the given indexes.
void Group(RemoteProbeParamType& record, std::size_t base, std::uint8_t baseValue,
           std::initializer_list<std::size_t> indexes) {
  record[base] = baseValue;
  for (const std::size_t index : indexes) record[base + index] = 1;
}

// The camera is "EOS One".
class EOSProbe : public ProbeTest {
 protected:
  EOSProbe() : ProbeTest("eosprobe_", "camera eos EOS One\n", 2) {}

  std::string CacheDir() const { return (dir / "caps").string(); }

  // The calls of one entry point, each as its arguments after the camera: "0x00000106, 0, 4,
  // 0x00000002".
  Strings Calls(const std::string& entryPoint) const {
    Strings calls;
    for (const std::string& line : Trace()) {
      if (line.rfind(entryPoint + "(", 0) != 0) continue;
      const auto open = line.find(", ");
      calls.push_back(line.substr(open + 2, line.find(')') - open - 2));
    }
    return calls;
  }
  // The words written to one property, in order.
  Strings Writes(const std::string& property) const {
    Strings words;
    for (const std::string& call : Calls("EdsSetPropertyData")) {
      if (call.rfind(property + ", 0, ", 0) != 0) continue;
      words.push_back(call.substr(call.find(", ", property.size() + 5) + 2));
    }
    return words;
  }
};

TEST_F(EOSProbe, FlagsTheListedValuesAndTheTrialValuesTheCameraTakes) {
  Connect(
      "property_values 0x400 0x09 0x03 0x0D 0x77\n"    // modes 1, 2, 3 and an unknown one
      "property_values 0x405 0x20 0x21 0x70 0xFFFF\n"  // Av by ranges: 10, 10, 40, 40
      "property_values 0x406 0x04 0x10 0xA8\n"         // Tv 1, 2, 59
      "property_values 0x407 0x00 0xFB 0xFFFFFFFB\n"   // 7, 9; -5 is no code
      "property_values 0x403 0x01 0x03 0x05\n"         // metering 2, 4, 6
      "property_values 0x402 0x00 0x48 0x170\n"        // ISO 1, 5 and (low byte) 20
      "refuse EdsSetPropertyData 0x100,0x05\n"         // no picture of size index 4
      "refuse EdsSetPropertyData 0x106,0x02\n"         // white balance index 3
      "refuse EdsSetPropertyData 0x106,0x0C\n"         // and 16
      "refuse EdsSetPropertyData 0x404,0x03\n"         // AF mode index 4
      "refuse EdsSetPropertyData 0x401,0x10\n"         // drive mode index 6
      "refuse EdsSetPropertyData 0x10D,0x02\n");       // colour space index 2
  lumidor->EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture, false, "");
  const RemoteParamType before = lumidor->RemoteGetParams();
  Restart();
  const RemoteProbeParamType result = Probe("");

  RemoteProbeParamType expected{};
  expected[CanSetParams] = 1;
  Group(expected, 5, 0, {2, 3, 4, 5});         // ImageQuality: index 1 has no EOS code
  Group(expected, 11, 0, {2, 3, 4});           // ImageQuality2
  Group(expected, 17, 0, {1, 2, 3, 5});        // ImageSize: index 6 has no EOS code
  Group(expected, 24, 0, {1, 2, 3, 5});        // ImageSize2
  Group(expected, 53, 0, {1, 2, 3, 4, 5, 7});  // DriveMode
  Group(expected, 61, 0, {1, 2, 3});           // ShootingMode
  Group(expected, 98, 0, {2, 4, 6});           // MeteringMode
  Group(expected, 105, 0, {1, 2, 3});          // AFMode
  Group(expected, 134, 0, {1, 2, 4, 5, 6, 7, 12, 13, 14, 15});  // WhiteBalance
  expected[151] = 1;                                            // white-balance shift readable
  expected[152] = 1;                                            // picture style readable
  Group(expected, 165, 0, {1});                                 // ColorSpace
  Group(expected, 168, 0, {1, 5, 20});                          // ISOSpeed
  Group(expected, 189, 0, {10, 40});                            // Av
  Group(expected, 230, 0, {1, 2, 59});                          // Tv
  Group(expected, 290, 0, {7, 9});                              // ExposureCompensation
  Group(expected, 304, 0, {1, 6});  // PhotoEffect: only 1 and 6 have EOS codes
  for (const std::size_t base : kNothingOffered) expected[base] = 1;
  for (std::size_t i = 0; i < result.size(); ++i) EXPECT_EQ(result[i], expected[i]) << i;

  EXPECT_EQ(progress, kAllProgress);
  EXPECT_TRUE(lumidor->InRemoteMode);
  EXPECT_EQ(Calls("EdsGetPropertyDesc"),
            (Strings{"0x00000400, &", "0x00000405, &", "0x00000406, &", "0x00000407, &",
                     "0x00000403, &", "0x00000402, &"}));
  // Indexes without a code are never tried; the white balance read at the start is sent back.
  EXPECT_EQ(Writes("0x00000106"),
            (Strings{"0x00000000", "0x00000001", "0x00000002", "0x00000003", "0x00000004",
                     "0x00000005", "0x00000006", "0x00000008", "0x00000009", "0x0000000A",
                     "0x0000000B", "0x0000000C", "0x00000000"}));
  // Each drive mode tried is followed by the first one.
  EXPECT_EQ(Writes("0x00000401"),
            (Strings{"0x00000000", "0x00000000", "0x00000001", "0x00000000", "0x00000002",
                     "0x00000000", "0x00000004", "0x00000000", "0x00000005", "0x00000000",
                     "0x00000010", "0x00000000", "0x00000011", "0x00000000", "0x00000000"}));
  EXPECT_EQ(Writes("0x0000010F"), (Strings{"0x00000000", "0x00000005", "0x00000000"}));
  for (const std::string& record : Writes("0x00000100")) {
    EXPECT_EQ(record.find("0xFFFFFFFF"), std::string::npos) << record;
  }
  // What the trials changed is back as it was.
  EXPECT_EQ(lumidor->RemoteGetParams(), before);
}

TEST_F(EOSProbe, TheCacheFileAnswersTheNextProbeOfTheModelInThatMode) {
  Connect(std::string(kNoImageQuality) + "property_values 0x405 0x20\n");
  // Written after a full probe: the tag, then positions 5 to 313.
  const RemoteProbeParamType first = Probe(CacheDir());
  EXPECT_EQ(progress, kAllProgress);
  const fs::path file = dir / "caps" / "EOS One Mode2";  // AE mode 0x03 is mode index 2
  const std::string bytes = ReadAll(file);
  ASSERT_EQ(bytes.size(), 313u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x1D\x01\x00\x00", 4));
  EXPECT_EQ(bytes.substr(4), std::string(first.begin() + 5, first.end()));
  EXPECT_EQ(first[189 + 10], 1);

  // The next probe reads the mode and the file, and asks the camera nothing else.
  Restart();
  EXPECT_EQ(Probe(CacheDir()), first);
  EXPECT_TRUE(progress.empty());
  EXPECT_EQ(TraceNames(), (Strings{"EdsSetPropertyData", "EdsGetPropertyData"}));
  EXPECT_EQ(Calls("EdsGetPropertyData"), Strings{"0x00000400, 0, 4, &"});

  // The file's body is taken as stored, whatever the camera would say now.
  std::string stored = std::string("\x1D\x01\x00\x00", 4);
  for (std::size_t i = 0; i < 309; ++i) stored += static_cast<char>(i % 7 == 0 ? 1 : 0);
  std::ofstream(file, std::ios::binary) << stored;
  const RemoteProbeParamType cached = Probe(CacheDir());
  EXPECT_EQ(std::string(cached.begin() + 5, cached.end()), stored.substr(4));
  EXPECT_EQ(cached[CanSetParams], 1);

  // Another shooting mode has its own file, and a mode that cannot be read is mode 0.
  Connect(std::string(kNoImageQuality) + "property 0x400 0x01\n");
  Probe(CacheDir());
  EXPECT_EQ(progress, kAllProgress);
  EXPECT_TRUE(fs::exists(dir / "caps" / "EOS One Mode17"));
  Connect(std::string(kNoImageQuality) + "refuse EdsGetPropertyData 0x400\n");
  Probe(CacheDir());
  EXPECT_TRUE(fs::exists(dir / "caps" / "EOS One Mode0"));
}

TEST_F(EOSProbe, WithoutACacheFolderEveryProbeAsksTheCamera) {
  Connect(kNoImageQuality);
  lumidor->OnRemoteProbeParamEvent = nullptr;  // the probe runs the same without a handler
  const RemoteProbeParamType first = Probe("");
  EXPECT_TRUE(progress.empty());
  Restart();
  EXPECT_EQ(Probe(""), first);
  // No shooting-mode read for a file name: the first read is the settings' first.
  const Strings reads = Calls("EdsGetPropertyData");
  ASSERT_FALSE(reads.empty());
  EXPECT_EQ(reads.front(), "0x00000100, 0, 24, &");
  EXPECT_EQ(Calls("EdsGetPropertyDesc").size(), 6u);
}

TEST_F(EOSProbe, WhatTheCameraLacksIsFlaggedAsNotOffered) {
  Connect(std::string(kNoImageQuality) +
          "property_values 0x403 0x00 0x02 0x7F\n"       // only values the converter does not know
          "property 0x108 0 0x7FFFFFFF\n"                // no white-balance shift
          "refuse EdsGetPropertyData 0x115\n"            // no picture style
          "refuse EdsSetPropertyData 0x10F,0 times=1\n"  // neither photo effect is taken
          "refuse EdsSetPropertyData 0x10F,5 times=1\n");
  const RemoteProbeParamType result = Probe("");
  EXPECT_EQ(result[98], 0);  // a list, though of nothing known
  for (std::size_t i = 99; i <= 104; ++i) EXPECT_EQ(result[i], 0) << i;
  for (const std::size_t base : {61, 168, 189, 230, 290}) EXPECT_EQ(result[base], 1) << base;
  EXPECT_EQ(result[151], 0);
  EXPECT_EQ(result[152], 0);
  EXPECT_EQ(result[304], 1);
  for (std::size_t i = 305; i <= 310; ++i) EXPECT_EQ(result[i], 0) << i;
  for (const std::size_t base : {5, 11, 17, 24}) EXPECT_EQ(result[base], 1) << base;
  for (const std::size_t base : kNothingOffered) EXPECT_EQ(result[base], 1) << base;
}

TEST_F(EOSProbe, ARawPictureTheCameraTakesButDoesNotReportBackFlagsOnlyTheRawQuality) {
  // Every image-quality trial is taken, none can be read back.
  Connect("refuse EdsGetPropertyData 0x100\n");
  const RemoteProbeParamType result = Probe("");
  EXPECT_EQ(result[5], 0);
  for (std::size_t i = 6; i <= 9; ++i) EXPECT_EQ(result[i], 0) << i;
  EXPECT_EQ(result[10], 1);
  EXPECT_EQ(result[11], 1);
  EXPECT_EQ(result[17], 0);  // the taken RAW trial counts for the size group too
  EXPECT_EQ(result[24], 1);
  for (std::size_t i = 12; i <= 30; ++i) {
    if (i != 24) {
      EXPECT_EQ(result[i], 0) << i;
    }
  }
  // 4 qualities × 5 sizes single, 3 × 5 beside a RAW picture; nothing without a code.
  EXPECT_EQ(Writes("0x00000100").size(), 35u);
}

TEST_F(EOSProbe, AFailedOrMalformedValueListEndsTheProbeWithoutSendingTheSettingsBack) {
  std::string many = "property_values 0x403";
  for (int i = 0; i < 129; ++i) many += " 0x01";
  Connect(std::string(kNoImageQuality) + many + "\n");
  EXPECT_EQ(RaisedMessage([&] { Probe(CacheDir()); }),
            "EdsGetPropertyDesc delivered 129 values for property 0x00000403; the record holds "
            "at most 128");
  EXPECT_FALSE(lumidor->InRemoteMode);
  EXPECT_FALSE(fs::exists(dir / "caps"));
  EXPECT_EQ(progress, std::vector<std::int32_t>(kAllProgress.begin(), kAllProgress.begin() + 11));
  EXPECT_EQ(Last(TraceNames()), "EdsGetPropertyDesc");
  // The camera keeps what the last trials left on it.
  lumidor->EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture, false, "");
  const RemoteParamType left = lumidor->RemoteGetParams();
  EXPECT_EQ(left.WhiteBalance, 16);
  EXPECT_EQ(left.AFMode, 4);

  Connect(std::string(kNoImageQuality) + "fail EdsGetPropertyDesc 0x81 from=2\n");
  EXPECT_EQ(RaisedMessage([&] { Probe(CacheDir()); }),
            "EdsGetPropertyDesc errorcode 0x00000081, Device busy");
  EXPECT_FALSE(lumidor->InRemoteMode);
  EXPECT_FALSE(fs::exists(dir / "caps"));
  // Nothing is written after the failed list.
  const Strings names = TraceNames();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.back(), "EdsGetPropertyDesc");
}

}  // namespace
