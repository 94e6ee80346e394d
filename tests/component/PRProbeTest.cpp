// The capability probe of a PowerShot-library camera, run by EnterRemoteMode on request, against
// the stand-in library: which indexes the enumerated values mark, the order of the description
// reads and the shooting-mode changes between them, the progress reports, the cache file, and
// how a failed or malformed description ends it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "component/CamLib.h"
#include "component/Lumidor.h"
#include "platform/Application.h"
#include "tests/component/CameraTestSupport.h"

namespace {

using namespace Lumidor;
using namespace CamDefines;
namespace fs = std::filesystem;
using namespace camera_test;

// The properties of the 20 groups, in the order the probe describes them.
const Strings kDescribed = {"0xD008", "0xD006", "0xD007", "0xD00C", "0xD01D", "0xD01E", "0xD01F",
                            "0xD013", "0xD011", "0xD012", "0xD041", "0xD00A", "0xD020", "0xD00E",
                            "0xD010", "0xD01C", "0xD017", "0xD018", "0xD019", "0xD040", "0xD00B"};
const std::vector<std::int32_t> kProgress = {5,  10, 14, 19, 24, 29, 33, 38, 43, 48, 52,
                                             57, 62, 67, 71, 76, 81, 86, 90, 95, 100};

// The camera is "Cam X".
class PRProbe : public ProbeTest {
 protected:
  PRProbe() : ProbeTest("prprobe_", "camera pr Cam X\n", 1) {}

  // The description reads and property writes in trace order, as "desc 0xD008" and
  // "set 0xD00C=0x04".
  Strings Exchanges() const {
    Strings exchanges;
    for (const std::string& line : Trace()) {
      const bool desc = line.rfind("PR_GetDevicePropDesc(", 0) == 0;
      const bool set = line.rfind("PR_SetDevicePropValue(", 0) == 0;
      if (!desc && !set) continue;
      std::vector<std::string> args;
      std::string arg;
      std::istringstream list(line.substr(line.find('(') + 1, line.find(')') - line.find('(') - 1));
      while (std::getline(list, arg, ',')) args.push_back(arg.substr(arg.find_first_not_of(' ')));
      exchanges.push_back(desc ? "desc " + args.at(1) : "set " + args.at(1) + "=" + args.at(3));
    }
    return exchanges;
  }
  Strings Descriptions() const {
    Strings reads;
    for (const std::string& exchange : Exchanges()) {
      if (exchange.rfind("desc ", 0) == 0) reads.push_back(exchange.substr(5));
    }
    return reads;
  }
};

// What the probe gives for a camera that declares every property and describes none of them
// with values: every group probed (group byte 0), nothing marked, the groups of other libraries
// absent.
RemoteProbeParamType DeclaredButUnlisted() {
  RemoteProbeParamType record{};
  for (std::size_t p : {0, 1, 2, 4}) record[p] = 1;  // zoom, settings, viewfinder, focus lock
  for (std::size_t p : {11, 24, 105, 165}) record[p] = 1;
  return record;
}

TEST_F(PRProbe, EnumeratedValuesMarkTheirIndexesAndTheCacheFileHoldsThem) {
  Connect(
      "pr_values 0xD008 0x00 0x02 0x07 0x55\n"  // image size 1, 3, 6; 0x55 has no index
      "pr_values 0xD006 0x01 0x05\n"            // quality 1, 4
      "pr_values 0xD007 0x01 0x02\n"            // raw: quality 5
      "pr_values 0xD00C 0x04 0x01 0x02 0x8C\n"  // shooting mode 2, 16, 17, 36
      "pr_values 0xD01D 0x20 0x70 0x72\n"       // Av 10, 40 (twice: every code from 0x70)
      "pr_values 0xD01E 0x04 0xA8\n"            // Tv 1, 59
      "pr_values 0xD012 0x3004\n"               // focus point 7 (16-bit values)
      "pr_values 0xD041 0x0000\n"               // AF assist light 2
      "pr_values 0xD00E 0x00 0x02\n"            // drive 1; self-timer: 6 and 7
      "pr_values 0xD019 0xFF 0x00 0x01\n"       // saturation 1..3
      "pr_values 0xD00B 0x01\n");               // beep 1
  // The system's paths take the backslash; folders that are not there yet are made.
  const std::string cacheDir = dir.string() + "\\caps\\new";
  const RemoteProbeParamType record = Probe(cacheDir);

  RemoteProbeParamType expected = DeclaredButUnlisted();
  for (std::size_t p : {18,  20,  23,  6,   9,  10, 63, 77,  78,  97,  199, 229,
                        231, 289, 130, 133, 54, 59, 60, 162, 163, 164, 312}) {
    expected[p] = 1;
  }
  EXPECT_EQ(std::vector<int>(record.begin(), record.end()),
            std::vector<int>(expected.begin(), expected.end()));

  // Every description once, in group order; the shooting mode goes to index 2 (0x04) for the
  // aperture and shutter descriptions and back to 16 (0x01); nothing else is written.
  Strings expectedExchanges = {"set 0xD029=0x0002", "set 0xD00C=0x01"};
  for (const std::string& property : kDescribed) {
    expectedExchanges.push_back("desc " + property);
    if (property == "0xD00C") expectedExchanges.push_back("set 0xD00C=0x04");
    if (property == "0xD01E") expectedExchanges.push_back("set 0xD00C=0x01");
  }
  expectedExchanges.push_back("set 0xD00C=0x01");
  EXPECT_EQ(Exchanges(), expectedExchanges);
  EXPECT_EQ(lumidor->RemoteGetParams().ShootingMode, 16);
  EXPECT_EQ(progress, kProgress);
  EXPECT_TRUE(lumidor->InRemoteMode);

  // The cache file, named for shooting mode 0: the tag, then positions 5..313.
  const std::string file = ReadAll(dir / "caps" / "new" / "Cam X Mode0");
  ASSERT_EQ(file.size(), 313u);
  EXPECT_EQ(file.substr(0, 4), std::string("\x1D\x01\x00\x00", 4));
  EXPECT_EQ(file.substr(4), std::string(record.begin() + 5, record.end()));

  // A second probe asks the camera again (the file is never read) and writes the file anew.
  Connect("pr_values 0xD00B 0x00\n");
  const RemoteProbeParamType again = Probe(cacheDir);
  EXPECT_EQ(Descriptions(), kDescribed);
  EXPECT_EQ(again[312], 0);
  EXPECT_EQ(again[313], 1);
  EXPECT_EQ(ReadAll(dir / "caps" / "new" / "Cam X Mode0").substr(4),
            std::string(again.begin() + 5, again.end()));
}

TEST_F(PRProbe, UndeclaredPropertiesLeaveTheirGroupsEmptyAndStillCountAsSteps) {
  // Without the probe nothing is described or reported.
  Connect("pr_values 0xD008 0x00\n");
  const RemoteProbeParamType plain = Probe(dir.string(), false);
  EXPECT_TRUE(Descriptions().empty());
  EXPECT_TRUE(progress.empty());
  EXPECT_EQ(std::vector<int>(plain.begin() + 5, plain.end()), std::vector<int>(309, 0));
  EXPECT_FALSE(fs::exists(dir / "Cam X Mode0"));

  // A camera without any of the probed properties: every group byte 1, no index, still 21
  // reports and a cache file. A shooting-mode write it refuses stops nothing.
  Connect(
      "pr_without 0xD006 0xD007 0xD008 0xD00A 0xD020 0xD00C 0xD00E 0xD010 0xD011 0xD012 0xD041 "
      "0xD013 0xD017 0xD018 0xD019 0xD01C 0xD01D 0xD01E 0xD01F 0xD040 0xD00B\n");
  const RemoteProbeParamType none = Probe(dir.string());
  EXPECT_TRUE(Descriptions().empty());
  EXPECT_EQ(progress, kProgress);
  std::vector<int> groups(314, 0);
  for (int p : {0,   1,   2,   4,   5,   11,  17,  24,  31,  39,  53,  61,  98,  105,
                110, 123, 131, 134, 153, 157, 161, 165, 168, 189, 230, 290, 304, 311}) {
    groups[static_cast<std::size_t>(p)] = 1;
  }
  EXPECT_EQ(std::vector<int>(none.begin(), none.end()), groups);
  EXPECT_EQ(ReadAll(dir / "Cam X Mode0").substr(4), std::string(none.begin() + 5, none.end()));

  // A camera with only one of the two quality properties is described by that one.
  Connect("pr_without 0xD007\npr_values 0xD006 0x03\n");
  RemoteProbeParamType quality = Probe("");
  EXPECT_EQ(Descriptions().at(1), "0xD006");
  EXPECT_EQ(Descriptions().at(2), "0xD00C");
  EXPECT_EQ(std::vector<int>(quality.begin() + 5, quality.begin() + 11),
            (std::vector<int>{0, 0, 0, 1, 0, 0}));
  Connect("pr_without 0xD006\npr_values 0xD007 0x01 0x02\n");
  quality = Probe("");
  EXPECT_EQ(Descriptions().at(1), "0xD007");
  EXPECT_EQ(std::vector<int>(quality.begin() + 5, quality.begin() + 11),
            (std::vector<int>{0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(progress, kProgress);
}

TEST_F(PRProbe, AFailedOrMalformedDescriptionEndsEnterRemoteMode) {
  // The fifth description is the aperture's: the camera stays in shooting mode index 2, no
  // file is written, and the progress stops after the third group.
  Connect("fail PR_GetDevicePropDesc 0x2019 from=5 count=1\n");
  EXPECT_EQ(RaisedMessage([&] { Probe(dir.string()); }),
            "PR_GetDevicePropDesc errorcode 0x00002019, Device busy");
  const Strings exchanges = Exchanges();
  EXPECT_EQ(Strings(exchanges.end() - 2, exchanges.end()),
            (Strings{"set 0xD00C=0x04", "desc 0xD01D"}));
  EXPECT_EQ(progress, (std::vector<std::int32_t>{5, 10, 14, 19}));
  EXPECT_FALSE(fs::exists(dir / "Cam X Mode0"));
  EXPECT_FALSE(lumidor->InRemoteMode);

  // A description that announces more than it holds is refused, never read beyond. The cut
  // applies to every description; those without values are 8 bytes, the aperture's with two
  // values 16 (10 up to its form flag).
  const std::string malformed =
      "The data that PR_GetDevicePropDesc returned ends before its announced contents";
  for (const auto& [cut, failing] : {std::pair{3, "0xD008"}, {11, "0xD01D"}, {14, "0xD01D"}}) {
    Connect("pr_values 0xD01D 0x20 0x28\npr_cut prop_desc " + std::to_string(cut) + "\n");
    EXPECT_EQ(RaisedMessage([&] { Probe(dir.string()); }), malformed) << cut;
    EXPECT_EQ(Last(Descriptions()), failing) << cut;
    EXPECT_FALSE(fs::exists(dir / "Cam X Mode0")) << cut;
  }
  // One that ends right after its form flag lists nothing.
  Connect("pr_values 0xD01D 0x20 0x28\npr_cut prop_desc 10\n");
  const RemoteProbeParamType unlisted = Probe("");
  const RemoteProbeParamType expected = DeclaredButUnlisted();
  EXPECT_EQ(std::vector<int>(unlisted.begin(), unlisted.end()),
            std::vector<int>(expected.begin(), expected.end()));

  // A cache file that cannot be created ends it too, after the whole probe.
  std::ofstream(dir / "blocker") << "a file where the folder should be";
  Connect("");
  const std::string message = RaisedMessage([&] { Probe((dir / "blocker").string()); });
  EXPECT_EQ(message.rfind("Cannot create file", 0), 0u) << message;
  EXPECT_EQ(progress, kProgress);
  EXPECT_FALSE(lumidor->InRemoteMode);
}

}  // namespace
