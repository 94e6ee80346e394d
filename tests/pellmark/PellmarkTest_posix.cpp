// pellmark as the outside controller sees it: the program runs in a scratch working directory
// with a stand-in camera configuration, and the tests check the list file it leaves, what it
// reports, and whether it ends by itself or waits for its window to be closed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../support/ChildProcess_posix.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test_support::ReadBytes;
using test_support::WriteBytes;

// One run of pellmark. The scratch folder holds the working directory ("work", with "serial"
// unless told otherwise) and, beside it, the configuration, the call trace and the program's
// output, so that the working directory holds only what the program leaves there.
class Session {
 public:
  explicit Session(const std::string& name, bool with_serial = true) {
    dir_ = fs::temp_directory_path() / ("pellmark_test_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(Work());
    if (with_serial) fs::create_directory(Work() / "serial");
  }
  ~Session() {
    child_.Kill();
    fs::remove_all(dir_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  fs::path Work() const { return dir_ / "work"; }
  fs::path List() const { return Work() / "serial" / "pellmark"; }
  void Config(const std::string& text) { config_ = text; }
  std::string Err() const { return ReadBytes(dir_ / "stderr.txt"); }
  std::string Out() const { return ReadBytes(dir_ / "stdout.txt"); }
  std::string Trace() const { return ReadBytes(dir_ / "trace.txt"); }

  // Entries of the working directory and below, as relative paths.
  std::vector<std::string> WorkEntries() const {
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(Work()))
      entries.push_back(fs::relative(entry.path(), Work()).string());
    std::sort(entries.begin(), entries.end());
    return entries;
  }

  void Start() {
    test_support::ChildSetup setup;
    setup.program = PELLMARK_PROGRAM;
    setup.directory = Work();
    setup.unset = {"SIMCAM_"};
    if (config_) {
      WriteBytes(dir_ / "simcam.cfg", *config_);
      setup.set.push_back("SIMCAM_CONFIG=" + (dir_ / "simcam.cfg").string());
    }
    setup.set.push_back("SIMCAM_TRACE=" + (dir_ / "trace.txt").string());
    setup.out = dir_ / "stdout.txt";
    setup.err = dir_ / "stderr.txt";
    ASSERT_EQ(child_.Start(setup), 0) << "cannot start " << setup.program;
  }

  // The wait status once the program has ended by itself within `limit`; otherwise it is killed
  // and the result is empty.
  std::optional<int> WaitExit(std::chrono::milliseconds limit = 30s) {
    return child_.WaitExit(limit);
  }

  // Runs the program to its end; false (after a kill) when it did not end in time.
  bool RunToEnd(int& status) {
    Start();
    const std::optional<int> result = WaitExit();
    status = result.value_or(-1);
    return result.has_value();
  }

  // Waits until the program has reported `text` on standard error.
  bool WaitForError(const std::string& text, std::chrono::milliseconds limit = 30s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      if (Err().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }

  bool Running() { return child_.Running(); }

  void Signal(int signal) { child_.Signal(signal); }

 private:
  fs::path dir_;
  std::optional<std::string> config_;
  test_support::ChildProcess child_;
};

bool ExitedWithZero(int status) {
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// After an error the program shows it, keeps its window open, and ends normally once the
// window is closed (SIGTERM or SIGINT). The camera libraries are not finished.
void ExpectReportedAndOpenUntilClosed(Session& run, const std::string& message, int close_signal) {
  run.Start();
  ASSERT_TRUE(run.WaitForError(message)) << run.Err();
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(run.Running()) << "the program ended without its window being closed";
  run.Signal(close_signal);
  const std::optional<int> status = run.WaitExit(30s);
  ASSERT_TRUE(status.has_value()) << "the program did not end when its window was closed";
  EXPECT_TRUE(ExitedWithZero(*status)) << "status " << *status;
  EXPECT_EQ(run.Err(), message);
  const std::string trace = run.Trace();
  EXPECT_EQ(trace.find("CDFinishSDK"), std::string::npos) << trace;
  EXPECT_EQ(trace.find("PR_FinishSDK"), std::string::npos) << trace;
  EXPECT_EQ(trace.find("EdsTerminateSDK"), std::string::npos) << trace;
}

TEST(Pellmark, ListsTheCDCamerasThenThePowerShotCamerasWithASharedNameOnce) {
  Session run("order");
  run.Config(
      "camera cd Cam Alpha\n"
      "camera eos EOS One\n"
      "camera cd Shared Cam\n"
      "camera pr PR Beta\n"
      "camera pr Shared Cam\n");
  int status = 0;
  ASSERT_TRUE(run.RunToEnd(status)) << "pellmark did not quit by itself";
  EXPECT_TRUE(ExitedWithZero(status)) << "status " << status << "\n" << run.Err();
  EXPECT_EQ(run.Err(), "");
  EXPECT_EQ(run.Out(), "");
  EXPECT_EQ(ReadBytes(run.List()), "Cam Alpha\r\nPR Beta\r\nShared Cam\r\n");
  // The libraries were finished, in the order CD, PowerShot, EOS.
  const std::string trace = run.Trace();
  const auto cd = trace.find("CDFinishSDK");
  const auto pr = trace.find("PR_FinishSDK");
  const auto eos = trace.find("EdsTerminateSDK");
  ASSERT_NE(cd, std::string::npos) << trace;
  EXPECT_LT(cd, pr) << trace;
  EXPECT_LT(pr, eos) << trace;
  EXPECT_NE(eos, std::string::npos) << trace;
}

TEST(Pellmark, WithoutConfigurationTheSimulatedPowerShotCamerasAreListed) {
  Session run("default");
  int status = 0;
  ASSERT_TRUE(run.RunToEnd(status)) << "pellmark did not quit by itself";
  EXPECT_TRUE(ExitedWithZero(status)) << "status " << status << "\n" << run.Err();
  EXPECT_EQ(ReadBytes(run.List()), "PowerShot Sim\r\nPowerShot Sim2\r\n");
}

TEST(Pellmark, NoCameraOrOnlyEOSCamerasGiveAnEmptyFile) {
  for (const std::string config :
       {"# nothing attached\n", "camera eos EOS One\ncamera eos EOS Two\n"}) {
    SCOPED_TRACE(config);
    Session run("empty");
    run.Config(config);
    int status = 0;
    ASSERT_TRUE(run.RunToEnd(status)) << "pellmark did not quit by itself";
    EXPECT_TRUE(ExitedWithZero(status)) << "status " << status << "\n" << run.Err();
    EXPECT_EQ(run.Err(), "");
    ASSERT_TRUE(fs::exists(run.List()));
    EXPECT_EQ(ReadBytes(run.List()), "");
  }
}

TEST(Pellmark, AnExistingLongerListIsReplacedWhole) {
  Session run("replace");
  run.Config("camera pr Cam\n");
  WriteBytes(run.List(), "Old Camera One\r\nOld Camera Two\r\nOld Camera Three\r\n");
  int status = 0;
  ASSERT_TRUE(run.RunToEnd(status)) << "pellmark did not quit by itself";
  EXPECT_TRUE(ExitedWithZero(status)) << "status " << status << "\n" << run.Err();
  EXPECT_EQ(ReadBytes(run.List()), "Cam\r\n");
}

TEST(Pellmark, AMissingSerialFolderIsReportedAndNothingIsWritten) {
  Session run("noserial", /*with_serial=*/false);
  run.Config("camera cd Cam Alpha\n");
  ExpectReportedAndOpenUntilClosed(run, "pellmark: Invalid filename.\n", SIGTERM);
  EXPECT_EQ(run.WorkEntries(), std::vector<std::string>{});
}

TEST(Pellmark, ALibraryThatFailsToStartIsReportedAndNothingIsWritten) {
  Session run("nostart");
  run.Config("camera cd Cam Alpha\nfail CDStartSDK 7\n");
  ExpectReportedAndOpenUntilClosed(
      run, "pellmark: CDStartSDK errorcode 0x00000007, Not supported.\n", SIGTERM);
  EXPECT_EQ(run.WorkEntries(), std::vector<std::string>{"serial"});
}

// A list that cannot be stored must not pass for a written one: the failure of the final flush
// is reported like any other.
TEST(Pellmark, AWriteFailureIsReported) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  Session run("full");
  run.Config("camera cd Cam Alpha\n");
  fs::create_symlink("/dev/full", run.List());
  ExpectReportedAndOpenUntilClosed(run, "pellmark: Disk full.\n", SIGINT);
}

}  // namespace
