// Load-state scenarios of the camera component, each in a process of its own: the probe runs
// from a scratch folder holding exactly the libraries under test (the loader looks beside the
// executable first), with its own stand-in configuration and call trace.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "../support/ChildProcess_posix.h"
#include "platform/Library.h"

namespace {

namespace fs = std::filesystem;
using test_support::ReadBytes;
using test_support::WriteBytes;

// The stand-in libraries' folder.
fs::path SimcamDir() {
  return fs::path(rt::ExecutableDir()) / SIMCAM_FOLDER;
}

// A scratch folder with the probe and the given libraries (paths relative to the stand-ins'
// folder).
class ProbeFolder {
 public:
  explicit ProbeFolder(const std::string& name, const std::vector<std::string>& libraries) {
    dir_ =
        fs::temp_directory_path() / ("component_probe_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::copy_file(COMPONENT_PROBE, dir_ / "component_probe");
    for (const std::string& library : libraries) {
      const fs::path from = SimcamDir() / library;
      fs::copy_file(from, dir_ / from.filename());
    }
  }
  ~ProbeFolder() { fs::remove_all(dir_); }

  // Writes the stand-in configuration the probe runs with.
  void Config(const std::string& text) { WriteBytes(dir_ / "simcam.cfg", text); }

  // Runs a scenario; returns its standard output.
  std::string Run(const std::string& scenario) {
    const fs::path out = dir_ / "out.txt";
    test_support::ChildSetup setup;
    setup.program = (dir_ / "component_probe").string();
    setup.args = {scenario};
    // Nothing but the folder: not the loader's path that leads the tests to the stand-ins.
    setup.unset = {"SIMCAM_", "LD_LIBRARY_PATH="};
    if (fs::exists(dir_ / "simcam.cfg"))
      setup.set.push_back("SIMCAM_CONFIG=" + (dir_ / "simcam.cfg").string());
    setup.set.push_back("SIMCAM_TRACE=" + Trace().string());
    setup.out = out;
    test_support::ChildProcess probe;
    EXPECT_EQ(probe.Start(setup), 0);
    // A probe that hangs is killed and fails the test rather than stopping the run.
    const std::optional<int> status = probe.WaitExit(std::chrono::seconds(60));
    EXPECT_TRUE(status.has_value()) << "the probe did not end: killed";
    EXPECT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
        << "status " << status.value_or(-1);
    return ReadBytes(out);
  }

  fs::path Trace() const { return dir_ / "trace.txt"; }
  std::string TraceText() const { return ReadBytes(Trace()); }

 private:
  fs::path dir_;
};

const std::vector<std::string> kAllLibraries = {"CDSDK.DLL", "PRSDK.DLL", "EDSDK.DLL"};

bool Has(const std::string& text, const std::string& line) {
  return text.find(line + "\n") != std::string::npos;
}

// The line after "label: ", or "" when there is none.
std::string Value(const std::string& text, const std::string& label) {
  const std::string key = label + ": ";
  const auto at = text.find(key);
  if (at == std::string::npos) return "";
  const auto end = text.find('\n', at);
  return text.substr(at + key.size(), end - at - key.size());
}

TEST(ComponentProbe, PowerShotNamesKeepACameraBothLibrariesReportOnce) {
  ProbeFolder folder("lists", kAllLibraries);
  folder.Config(
      "camera cd Cam Alpha\n"
      "camera cd Cam Beta\n"
      "camera pr Cam Beta\n"
      "camera eos EOS One\n");
  const std::string out = folder.Run("enumerate");
  EXPECT_EQ(Value(out, "first"), "ok") << out;
  EXPECT_EQ(Value(out, "PowerShotNames"), "Cam Alpha|Cam Beta") << out;
  EXPECT_EQ(Value(out, "CDCameraList"), "1") << out;  // the CD "Cam Beta" is gone
  EXPECT_EQ(Value(out, "PRCameraList"), "1") << out;
  EXPECT_EQ(Value(out, "EOSNames"), "EOS One") << out;
  EXPECT_EQ(Value(out, "EOSCameraList"), "1") << out;
  // A second enumeration gives the same lists, refilled.
  EXPECT_EQ(Value(out.substr(out.find("second:")), "PowerShotNames"), "Cam Alpha|Cam Beta");
  // The libraries were started once, in the order CD, PowerShot, EOS.
  const std::string trace = folder.TraceText();
  const auto cd = trace.find("CDStartSDK");
  const auto pr = trace.find("PR_StartSDK");
  const auto eos = trace.find("EdsInitializeSDK");
  ASSERT_NE(cd, std::string::npos) << trace;
  EXPECT_LT(cd, pr);
  EXPECT_LT(pr, eos);
  EXPECT_EQ(trace.find("CDStartSDK", cd + 1), std::string::npos);
}

TEST(ComponentProbe, AMissingCDLibraryFailsTheEnumerationWithTheErrorModeRestored) {
  ProbeFolder folder("nolib", {});
  const std::string out = folder.Run("enumerate");
  EXPECT_EQ(Value(out, "first"), "EInOutError 2: CDSDK.DLL could not be loaded") << out;
  EXPECT_EQ(Value(out, "second"), "EInOutError 2: CDSDK.DLL could not be loaded") << out;
  EXPECT_FALSE(Has(out, "error mode: 0x8000")) << out;
  EXPECT_EQ(Value(out, "error mode"), "0x1") << out;
  EXPECT_EQ(Value(out, "SDKsStarted"), "no");
}

TEST(ComponentProbe, AMissingPowerShotLibraryEndsTheStartBeforeAnyOfItsCalls) {
  ProbeFolder folder("cdonly", {"CDSDK.DLL"});
  const std::string out = folder.Run("enumerate");
  EXPECT_EQ(Value(out, "first"), "ECamException: PRSDK.DLL could not be loaded") << out;
  EXPECT_EQ(Value(out, "error mode"), "0x1") << out;
  EXPECT_EQ(Value(out, "SDKsStarted"), "no");
  // Nothing started: the second attempt starts the CD library again.
  const std::string trace = folder.TraceText();
  const auto first = trace.find("CDStartSDK");
  ASSERT_NE(first, std::string::npos) << trace;
  EXPECT_NE(trace.find("CDStartSDK", first + 1), std::string::npos) << trace;
  EXPECT_EQ(trace.find("PR_"), std::string::npos) << trace;
}

TEST(ComponentProbe, AMissingEntryPointFailsTheLoadEveryTime) {
  ProbeFolder folder("missing", {"variants/cd_missing_entry/CDSDK.DLL", "PRSDK.DLL", "EDSDK.DLL"});
  const std::string out = folder.Run("enumerate");
  const std::string first = Value(out, "first");
  EXPECT_EQ(first, "EAssertionFailed: Assertion failure (CDAPI, line " +
                       Value(out, "version check line") + ")")
      << out;
  EXPECT_EQ(Value(out, "second"), first) << out;
  EXPECT_EQ(Value(out, "bound after the version"), "0") << out;
  EXPECT_EQ(Value(out, "error mode"), "0x1") << out;
  // No entry point was called: the start failed before CDStartSDK.
  EXPECT_EQ(folder.TraceText().find("CDStartSDK"), std::string::npos);
}

TEST(ComponentProbe, TheFacultyEntryPointIsBoundOnlyUnderItsDecoratedName) {
  ProbeFolder folder("faculty", {"variants/cd_plain_faculty/CDSDK.DLL", "PRSDK.DLL", "EDSDK.DLL"});
  const std::string out = folder.Run("enumerate");
  EXPECT_EQ(Value(out, "first"), "EAssertionFailed: Assertion failure (CDAPI, line " +
                                     Value(out, "faculty check line") + ")")
      << out;
}

TEST(ComponentProbe, ASecondLoadDoesNothing) {
  ProbeFolder folder("twice", kAllLibraries);
  const std::string out = folder.Run("load-twice");
  EXPECT_EQ(Value(out, "unload installed"), "yes") << out;
  EXPECT_EQ(Value(out, "second load"), "ok") << out;
  EXPECT_EQ(Value(out, "exit chain untouched"), "yes") << out;
  EXPECT_EQ(Value(out, "nothing bound anew"), "yes") << out;
}

TEST(ComponentProbe, LibrariesAreFreedAtProgramEndInReverseLoadOrder) {
  ProbeFolder folder("unload", kAllLibraries);
  const std::string out = folder.Run("unload-order");
  EXPECT_EQ(out,
            "all ready: yes\n"
            "after EDSDK unload\n"
            "after PRSDK unload\n"
            "after CDSDK unload\n");
}

TEST(ComponentProbe, FinishSDKsFinishesEachLibraryAndFreesTheNameLists) {
  ProbeFolder folder("finish", kAllLibraries);
  folder.Config("camera cd Cam Alpha\ncamera eos EOS One\n");
  const std::string out = folder.Run("finish");
  // Before any enumeration there is nothing to finish: no call, no list.
  EXPECT_EQ(Value(out, "finish first"), "ok") << out;
  EXPECT_EQ(Value(out, "name lists before"), "none") << out;
  EXPECT_EQ(Value(out, "finish"), "ok") << out;
  EXPECT_EQ(Value(out, "SDKsStarted"), "no") << out;
  EXPECT_EQ(Value(out, "name lists freed"), "yes") << out;
  EXPECT_EQ(Value(out, "enumerate again"), "ok") << out;
  EXPECT_EQ(Value(out, "PowerShotNames"), "Cam Alpha") << out;
  EXPECT_EQ(Value(out, "EOSNames"), "EOS One") << out;
  const std::string trace = folder.TraceText();
  const auto cd = trace.find("CDFinishSDK");
  const auto pr = trace.find("PR_FinishSDK");
  const auto eos = trace.find("EdsTerminateSDK");
  ASSERT_NE(cd, std::string::npos) << trace;
  EXPECT_LT(trace.find("CDStartSDK"), cd) << trace;
  EXPECT_LT(cd, pr);
  EXPECT_LT(pr, eos);
  // Finishing twice finishes once; enumerating again starts the libraries again.
  EXPECT_EQ(trace.find("CDFinishSDK", cd + 1), std::string::npos);
  EXPECT_NE(trace.find("CDStartSDK", trace.find("CDStartSDK") + 1), std::string::npos);
}

}  // namespace

namespace {

// Names without their terminating zero, and counts above what the libraries list or the buffers
// hold: every name stops at the end of its field, and the component never reads past a buffer
// (the sanitizer build would end the probe).
TEST(ComponentProbe, BadListingsAreReadOnlyWithinTheirBuffers) {
  ProbeFolder folder("bad", kAllLibraries);
  folder.Config(
      "camera cd A\n"
      "camera pr " +
      std::string(60, 'P') +
      "\n"
      "camera eos " +
      std::string(300, 'E') +
      "\n"
      "unterminated_names\n"
      "pr_count_extra 200\n");
  const std::string out = folder.Run("enumerate");
  ASSERT_EQ(Value(out, "first"), "ok") << out;
  const std::string names = Value(out, "PowerShotNames");
  EXPECT_EQ(names.find('|'), 64u) << names;  // the CD name field: 64 characters
  // The PowerShot name field: 40 characters, and nothing of the bytes after it.
  EXPECT_EQ(names.substr(65, 41), std::string(40, 'P') + "|") << names;
  EXPECT_EQ(Value(out, "PRCameraList"), "100") << out;  // the device list holds 100 entries
  EXPECT_EQ(Value(out, "EOSNames"), std::string(256, 'E')) << out;

  ProbeFolder more("morecd", kAllLibraries);
  more.Config("camera cd A\ncd_count_extra 2\n");
  EXPECT_EQ(Value(more.Run("enumerate"), "first"),
            "ECamException: CDEnumDeviceNext errorcode 0x000000F0, Enum not applicable");
}

}  // namespace
