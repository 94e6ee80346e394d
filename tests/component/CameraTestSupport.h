// What the tests of the component's cameras share: a scratch folder of the running test's own,
// the stand-in libraries' configuration and call trace in it, the component under test, and the
// exceptions reported to the application.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "component/Lumidor.h"
#include "platform/Application.h"
#include "tests/simcam/Env.h"

namespace camera_test {

using Strings = std::vector<std::string>;

// The message of what the operation raised, or "" when it raised nothing.
inline std::string RaisedMessage(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// The last of the texts, or "" when there are none: compared, it fails a test instead of crashing.
inline std::string Last(const Strings& texts) {
  return texts.empty() ? "" : texts.back();
}

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A progress handler for a download into File that notes, whenever it changes, what File holds
// and whether its aside name is there: a picture under way must never show under its own name.
inline std::function<void(std::int32_t)> WatchDownload(const std::filesystem::path& File,
                                                       Strings& Seen) {
  const std::filesystem::path aside = File.string() + ".part";
  return [File, aside, &Seen](std::int32_t) {
    const std::string seen = ReadAll(File) + (std::filesystem::exists(aside) ? " + aside" : "");
    if (Seen.empty() || Seen.back() != seen) Seen.push_back(seen);
  };
}

// Leaves what an earlier owner of File and a download killed half way into it left behind.
inline void LeaveOlderFileAndAside(const std::filesystem::path& File) {
  std::ofstream(File) << "older";
  std::ofstream(File.string() + ".part") << "killed half way";
}

inline Strings ReadLines(const std::filesystem::path& path) {
  Strings lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A new, empty folder for the running test: the prefix, the test's name and a random suffix, so
// that another run of the tests under way beside this one has folders of its own.
inline std::filesystem::path ScratchFolder(const std::string& prefix) {
  const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    (prefix + name + "_" + std::to_string(std::random_device{}()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// The trace lines of one entry point, each cut to its arguments after the first (the source or
// camera handle) and its result: "1, 255 -> 0x00000000".
inline Strings CallsWithResults(const Strings& trace, const std::string& entryPoint) {
  Strings calls;
  for (const std::string& line : trace) {
    if (line.rfind(entryPoint + "(", 0) != 0) continue;
    const auto open = line.find('(');
    const auto close = line.find(')');
    std::string args = line.substr(open + 1, close - open - 1);
    const auto comma = args.find(", ");
    args = comma == std::string::npos ? "" : args.substr(comma + 2);
    calls.push_back(args + line.substr(line.find(" -> "), 14));
  }
  return calls;
}

// The entry point of each trace line.
inline Strings EntryPoints(const Strings& trace) {
  Strings names;
  for (const std::string& line : trace) names.push_back(line.substr(0, line.find('(')));
  return names;
}

// A test of the component against the stand-in camera libraries loaded into this process. Each
// test has a scratch folder named after it (`prefix`, the test's name, a random suffix) holding
// the call trace (SIMCAM_TRACE) and the configurations it writes (SIMCAM_CONFIG). When
// `collectExceptions` is set, the exceptions reported to the application are kept in `hooked`.
class CameraTest : public ::testing::Test {
 protected:
  explicit CameraTest(std::string prefix, bool collectExceptions = false)
      : prefix_(std::move(prefix)), collectExceptions_(collectExceptions) {}

  void SetUp() override {
    dir = ScratchFolder(prefix_);
    simcam_test::SetEnv("SIMCAM_TRACE", (dir / "trace.txt").string().c_str());
    if (collectExceptions_) {
      rt::Application::Instance().OnException = [this](rt::Component*, const std::exception& e) {
        hooked.push_back(e.what());
      };
    }
  }
  void TearDown() override {
    lumidor.reset();
    rt::Application::Instance().OnException = nullptr;
    simcam_test::SetEnv("SIMCAM_CONFIG", nullptr);
    simcam_test::SetEnv("SIMCAM_TRACE", nullptr);
    std::filesystem::remove_all(dir);
  }

  // Writes a new configuration and points the libraries at it. Its first line is a comment
  // naming the test and the configuration, so that the `fail` counts start afresh.
  void WriteConfig(const std::string& text) {
    ++configurations;
    const std::filesystem::path path = dir / ("simcam" + std::to_string(configurations) + ".cfg");
    std::ofstream(path) << "# " << dir.filename().string() << " " << configurations << "\n" << text;
    simcam_test::SetEnv("SIMCAM_CONFIG", path.string().c_str());
  }
  // A new component in place of the one before.
  void NewLumidor() {
    lumidor.reset();
    lumidor = std::make_unique<Lumidor::TLumidor>(nullptr);
  }
  // A new component on a new configuration, with the cameras listed.
  void Configure(const std::string& text) {
    WriteConfig(text);
    NewLumidor();
    lumidor->EnumerateCameras();
  }
  // Configured with `text`, connected to the first camera of the camera type and in remote mode,
  // sending pictures only to the PC into `folder`; the trace starts afresh.
  void ConnectRemote(const std::string& text, std::uint8_t cameraType, const std::string& folder,
                     CamDefines::ReleaseDataKindType kind) {
    Configure(text);
    lumidor->Connect(cameraType, 0);
    lumidor->EnterRemoteMode(CamDefines::ReleaseModeOnlyToPC, kind, false, folder);
    RestartTrace();
  }

  // An OnRemoteEvent handler that downloads the picture of each completed release into File, as
  // a program does, and keeps in Raised the message of what the download raised ("" for none).
  Lumidor::TNotifyRemoteEvent DownloadInto(const std::filesystem::path& File, std::string& Raised) {
    return [this, File, &Raised](CamDefines::RemoteEventCallbackType event,
                                 const Lumidor::AdditionNotifyRemoteEventType&) {
      if (event != CamDefines::RemoteEventCallbackReleaseComplete) return;
      Raised = RaisedMessage([&] {
        lumidor->RemoteGetPicture(File.string(), CamDefines::ReleaseDataKindTakeOnlyPicture);
      });
    };
  }

  // The same, keeping the message of every download in Raised, in order (a handler that is
  // called again from inside a download adds its message before the outer one's).
  Lumidor::TNotifyRemoteEvent DownloadInto(const std::filesystem::path& File, Strings& Raised) {
    return [this, File, &Raised](CamDefines::RemoteEventCallbackType event,
                                 const Lumidor::AdditionNotifyRemoteEventType&) {
      if (event != CamDefines::RemoteEventCallbackReleaseComplete) return;
      Raised.push_back(RaisedMessage([&] {
        lumidor->RemoteGetPicture(File.string(), CamDefines::ReleaseDataKindTakeOnlyPicture);
      }));
    };
  }

  void RestartTrace() const { std::filesystem::remove(dir / "trace.txt"); }
  Strings Trace() const { return ReadLines(dir / "trace.txt"); }
  Strings TraceNames() const { return EntryPoints(Trace()); }
  Strings Calls(const std::string& entryPoint) const {
    return CallsWithResults(Trace(), entryPoint);
  }

  std::filesystem::path dir;
  int configurations = 0;
  std::unique_ptr<Lumidor::TLumidor> lumidor;
  Strings hooked;

 private:
  std::string prefix_;
  bool collectExceptions_;
};

// A test of the capability probe that EnterRemoteMode runs on request. `Connect` gives a new
// component on a new configuration (`cameraLine` and the text), connected to the first camera of
// the camera type; the trace and the progress reports seen start afresh.
class ProbeTest : public CameraTest {
 protected:
  ProbeTest(std::string prefix, std::string cameraLine, std::uint8_t cameraType)
      : CameraTest(std::move(prefix)),
        cameraLine_(std::move(cameraLine)),
        cameraType_(cameraType) {}

  void Connect(const std::string& text) {
    Configure(cameraLine_ + text);
    lumidor->Connect(cameraType_, 0);
    lumidor->OnRemoteProbeParamEvent = [this](std::int32_t done) { progress.push_back(done); };
    Restart();
  }
  void Restart() {
    RestartTrace();
    progress.clear();
  }
  Lumidor::RemoteProbeParamType Probe(const std::string& cacheDir, bool probe = true) {
    return lumidor->EnterRemoteMode(CamDefines::ReleaseModeOnlyToPC,
                                    CamDefines::ReleaseDataKindTakeOnlyPicture, probe, cacheDir);
  }

  std::vector<std::int32_t> progress;

 private:
  std::string cameraLine_;
  std::uint8_t cameraType_;
};

}  // namespace camera_test
