#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "component/CDSDKApi.h"
#include "component/EDSDKApi.h"
#include "component/Lumidor.h"
#include "component/PRSDKApi.h"

namespace {

using namespace Lumidor;
using CamDefines::ECamException;

// The message of what Operation raised ("" when it raised nothing).
std::string RaisedMessage(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// One CD and one PowerShot-library record with the given names, as enumeration leaves them.
CDSourceInfo CDRecord(const char* name) {
  CDSourceInfo info{};
  std::snprintf(info.Name, sizeof info.Name, "%s", name);
  return info;
}

const std::string kNotInRemoteMode = "Camera not in remote mode";
const std::string kNoCamera = "No camera is connected";

// The PowerShot wrapper hands the library the listed record, which no library knows.
const std::string kPRUnknownEntry = "PR_CreateCameraObject errorcode 0x00000021, Invalid parameter";

// Every Remote operation, by name.
std::vector<std::pair<std::string, std::function<void(TLumidor&)>>> RemoteOperations() {
  return {
      {"RemoteTakePicture", [](TLumidor& l) { l.RemoteTakePicture(); }},
      {"RemoteGetPicture",
       [](TLumidor& l) {
         l.RemoteGetPicture("x.jpg", CamDefines::ReleaseDataKindTakeOnlyPicture);
       }},
      {"RemoteGetParams", [](TLumidor& l) { l.RemoteGetParams(); }},
      {"RemoteSetParams", [](TLumidor& l) { l.RemoteSetParams(RemoteParamType{}); }},
      {"RemoteGetZoom",
       [](TLumidor& l) {
         ZoomInfoType zoom;
         l.RemoteGetZoom(zoom);
       }},
      {"RemoteSetZoom", [](TLumidor& l) { l.RemoteSetZoom(3); }},
      {"RemoteAFLock", [](TLumidor& l) { l.RemoteAFLock(true); }},
  };
}

TEST(Lumidor, RemoteOperationsCheckRemoteModeFirstThenTheConnection) {
  TLumidor lumidor(nullptr);
  for (auto& [name, operation] : RemoteOperations()) {
    EXPECT_EQ(RaisedMessage([&] { operation(lumidor); }), kNotInRemoteMode) << name;
  }
  // Connected but not in remote mode: still the first check.
  lumidor.ConnectInfo.CameraType = 1;
  for (auto& [name, operation] : RemoteOperations()) {
    EXPECT_EQ(RaisedMessage([&] { operation(lumidor); }), kNotInRemoteMode) << name;
  }
  lumidor.ConnectInfo.CameraType = 0;
  lumidor.InRemoteMode = true;
  for (auto& [name, operation] : RemoteOperations()) {
    EXPECT_EQ(RaisedMessage([&] { operation(lumidor); }), kNoCamera) << name;
  }
}

TEST(Lumidor, EnterRemoteModeAndExtendShutdownTimerNeedOnlyACamera) {
  TLumidor lumidor(nullptr);
  EXPECT_EQ(RaisedMessage([&] {
              lumidor.EnterRemoteMode(CamDefines::ReleaseModeOnlyToCamera,
                                      CamDefines::ReleaseDataKingTakeBothThumbAndPic, false, ".");
            }),
            kNoCamera);
  // The new values are stored before the check.
  EXPECT_EQ(lumidor.ReleaseMode(), CamDefines::ReleaseModeOnlyToCamera);
  EXPECT_EQ(lumidor.ReleaseDataKind(), CamDefines::ReleaseDataKingTakeBothThumbAndPic);
  EXPECT_FALSE(lumidor.InRemoteMode);
  EXPECT_EQ(RaisedMessage([&] { lumidor.ExtendShutdownTimer(); }), kNoCamera);
}

class LumidorConnect : public ::testing::Test {
 protected:
  void List(int cdCameras, int prCameras) {
    for (int i = 0; i < cdCameras; ++i) CDCameraList->push_back(CDRecord("cd"));
    for (int i = 0; i < prCameras; ++i) PRCameraList->push_back(PRDeviceEntry{});
  }
  std::string ConnectMessage(std::uint8_t type, std::int32_t index) {
    return RaisedMessage([&] { lumidor.Connect(type, index); });
  }
  TLumidor lumidor{nullptr};
};

TEST_F(LumidorConnect, PowerShotIndexesSplitAtTheCountOfCDCameras) {
  List(2, 1);
  // The CD wrapper opens the listed record, which no library knows.
  EXPECT_EQ(ConnectMessage(1, 0).rfind("CDOpenSource errorcode 0x", 0), 0u);
  EXPECT_EQ(ConnectMessage(1, 1).rfind("CDOpenSource errorcode 0x", 0), 0u);
  EXPECT_EQ(ConnectMessage(1, 2), kPRUnknownEntry);
  // Index 3 is position 1 among the PowerShot-library cameras, which the wrapper refuses.
  EXPECT_EQ(ConnectMessage(1, 3),
            "Not valid value in parameter ConnectToCamera when calling Connect. There are only 1 "
            "PowerShot cameras connected. Currently is parameter ConnectToCamera = 1");
  // A negative index always goes to the CD wrapper.
  EXPECT_EQ(ConnectMessage(1, -1),
            "Not valid value in parameter ConnectToCamera when calling Connect. Value must be at "
            "least zero. Currently ConnectToCamera = -1");
  // Every refusal released the lock and left the component unconnected.
  EXPECT_FALSE(ConnectLock.load());
  EXPECT_EQ(lumidor.ConnectInfo.CameraType, 0);
  EXPECT_EQ(lumidor.ConnectToCamera, -1);
}

TEST_F(LumidorConnect, WithoutCDCamerasPowerShotIndexZeroIsThePowerShotLibrarysFirst) {
  List(0, 1);
  EXPECT_EQ(ConnectMessage(1, 0), kPRUnknownEntry);
  EXPECT_EQ(ConnectMessage(1, -2),
            "Not valid value in parameter ConnectToCamera when calling Connect. Value must be at "
            "least zero. Currently ConnectToCamera = -2");
  PRCameraList->clear();
  EXPECT_EQ(ConnectMessage(1, 0),
            "There seems to be no connected PowerShot cameras (newer than S80) connected. Have you "
            "called the EnumerateCameras function before calling Connect?");
}

TEST_F(LumidorConnect, OtherKindsReturnTheEmptyRecord) {
  List(1, 1);
  for (std::uint8_t type : {0, 3, 255}) {
    ConnectInfoType info;
    info.CameraType = 9;
    EXPECT_NO_THROW(info = lumidor.Connect(type, 5));
    EXPECT_EQ(info.CameraType, 0);
    EXPECT_FALSE(ConnectLock.load());
  }
  EXPECT_EQ(lumidor.ConnectToCamera, 5);
}

TEST_F(LumidorConnect, ARefusedSecondConnectChangesNothing) {
  List(2, 1);
  lumidor.ConnectInfo.CameraType = 1;
  lumidor.ConnectInfo.ModelName = "first";
  lumidor.ConnectToCamera = 2;
  EXPECT_EQ(ConnectMessage(2, 0), "Camera already connected.");
  EXPECT_EQ(ConnectMessage(1, 0), "Camera already connected.");
  EXPECT_FALSE(ConnectLock.load());
  EXPECT_EQ(lumidor.ConnectToCamera, 2);
  EXPECT_EQ(lumidor.ConnectInfo.ModelName, "first");
  // Later operations still reach the first camera.
  lumidor.InRemoteMode = true;
  EXPECT_EQ(
      RaisedMessage([&] { lumidor.RemoteTakePicture(); }).rfind("PR_RC_Release errorcode 0x", 0),
      0u);
}

TEST_F(LumidorConnect, ConnectWaitsForAConnectElsewhereInTheProcess) {
  List(0, 1);
  ConnectLock.store(true);
  std::thread other([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    ConnectLock.store(false);
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ConnectMessage(1, 0), kPRUnknownEntry);
  const auto waited = std::chrono::steady_clock::now() - start;
  other.join();
  EXPECT_GE(waited, std::chrono::milliseconds(100));
  EXPECT_FALSE(ConnectLock.load());
}

TEST_F(LumidorConnect, OperationsAfterConnectGoToTheConnectedCamerasWrapper) {
  List(2, 1);
  lumidor.InRemoteMode = true;
  struct Case {
    std::uint8_t type;
    std::int32_t index;
    const char* wrapper;
  };
  for (const Case& c :
       {Case{1, 0, "TCDSDK"}, Case{1, 1, "TCDSDK"}, Case{1, 2, "TPRSDK"}, Case{2, 0, "TEDSDK"}}) {
    lumidor.ConnectInfo.CameraType = c.type;
    lumidor.ConnectToCamera = c.index;
    const std::string w = c.wrapper;
    SCOPED_TRACE(w + " " + std::to_string(c.index));
    // The CD, PowerShot and EOS wrappers are done: each reaches its library, which refuses the
    // made-up camera, so the failure carries the entry point's label (or nothing, for the
    // unchecked settings).
    const auto reached = [&](const std::function<void()>& operation, const std::string& name,
                             std::string cdLabel, const std::string& prLabel = "",
                             const std::string& edsLabel = "") {
      const std::string message = RaisedMessage(operation);
      if (w == "TPRSDK") cdLabel = prLabel;
      if (w == "TEDSDK") cdLabel = edsLabel;  // EOS camera
      if (cdLabel.empty()) {
        EXPECT_EQ(message, "") << name;
      } else {
        EXPECT_EQ(message.rfind(cdLabel + " errorcode 0x", 0), 0u) << message;
      }
    };
    reached([&] { lumidor.RemoteTakePicture(); }, "RemoteTakePicture", "CDRelease", "PR_RC_Release",
            "EdsSendCommand");
    reached([&] { lumidor.RemoteGetParams(); }, "RemoteGetParams", "");
    reached([&] { lumidor.RemoteSetParams({}); }, "RemoteSetParams", "");
    reached([&] { lumidor.ExtendShutdownTimer(); }, "ExtendShutdownTimer",
            "CDEnumDevicePropertyReset", "PR_GetDevicePropValue", "EdsSendCommand");
    lumidor.InRemoteMode = false;
    reached([&] { lumidor.EnterRemoteMode({}, {}, false, "."); }, "EnterRemoteMode",
            "CDEnterReleaseControl", "PR_InitiateReleaseControl", "EdsSetPropertyData");
    EXPECT_FALSE(lumidor.InRemoteMode);  // a wrapper error leaves it as it was
    lumidor.InRemoteMode = true;
    if (c.type == 1) {
      reached([&] { lumidor.RemoteAFLock(false); }, "RemoteAFLock", "CDAFLock",
              "PR_RC_FocusUnlock");
      // The PowerShot wrapper sends no zoom before the camera declared its zoom property.
      reached([&] { lumidor.RemoteSetZoom(1); }, "RemoteSetZoom", "CDSetZoomPos");
    }
  }
}

TEST_F(LumidorConnect, EOSCamerasHaveNoZoomAndRefuseTheAFLock) {
  lumidor.InRemoteMode = true;
  lumidor.ConnectInfo.CameraType = 2;
  ZoomInfoType zoom{7, 8, 9};
  EXPECT_NO_THROW(lumidor.RemoteGetZoom(zoom));
  EXPECT_EQ(zoom.ZoomPos, 7);
  EXPECT_EQ(zoom.MaxOpticalZoomPos, 8);
  EXPECT_EQ(zoom.MaxZoomPos, 9);
  EXPECT_NO_THROW(lumidor.RemoteSetZoom(5));
  for (bool lock : {true, false}) {
    EXPECT_EQ(RaisedMessage([&] { lumidor.RemoteAFLock(lock); }),
              "RemoteAFLock is not supported for your EOS camera.");
  }
}

TEST_F(LumidorConnect, PowerShotDownloadNeedsAQueuedReleaseAndKeepsItOnFailure) {
  namespace fs = std::filesystem;
  List(0, 1);
  lumidor.InRemoteMode = true;
  lumidor.ConnectInfo.CameraType = 1;
  lumidor.ConnectToCamera = 0;
  const fs::path file = fs::temp_directory_path() / "lumidor_download_test.jpg";
  fs::remove(file);
  EXPECT_EQ(RaisedMessage([&] {
              lumidor.RemoteGetPicture(file.string(), CamDefines::ReleaseDataKindTakeOnlyPicture);
            }),
            "There are no pictures to download");
  EXPECT_FALSE(fs::exists(file));  // no file is touched

  std::ofstream(file) << "old picture";
  lumidor.PRReleaseQueue.push_back(PRReleaseRecord{});
  EXPECT_EQ(RaisedMessage([&] {
              lumidor.RemoteGetPicture(file.string(), CamDefines::ReleaseDataKindTakeOnlyPicture);
            }).rfind("PR_RC_GetReleasedData errorcode 0x", 0),
            0u);
  EXPECT_EQ(lumidor.PRReleaseQueue.size(), 1u);
  EXPECT_EQ(lumidor.PRDownloadStream, nullptr);  // closed, so a retry can reuse the name
  // Only a whole picture replaces what was there; nothing is left aside.
  std::string kept;
  std::getline(std::ifstream(file), kept);
  EXPECT_EQ(kept, "old picture");
  EXPECT_FALSE(fs::exists(file.string() + ".part"));
}

TEST(LumidorRegistry, SlotsAreNotReusedWhileAComponentLivesAndStartAgainAfterTheLast) {
  auto a = std::make_unique<TLumidor>(nullptr);
  auto b = std::make_unique<TLumidor>(nullptr);
  EXPECT_EQ(a->RegistryIndex, 0);
  EXPECT_EQ(b->RegistryIndex, 1);
  EXPECT_EQ(b->CDWrapper->RegistryIndex, 1);
  EXPECT_EQ(b->PRWrapper->RegistryIndex, 1);
  EXPECT_EQ(b->EDWrapper->RegistryIndex, 1);
  EXPECT_EQ(FindComponent(1), b.get());
  CDCameraList->push_back(CDRecord("kept while components live"));

  a.reset();
  EXPECT_EQ(FindComponent(0), nullptr);
  auto c = std::make_unique<TLumidor>(nullptr);
  EXPECT_EQ(c->RegistryIndex, 2);
  EXPECT_EQ(CDCameraList->size(), 1u);
  EXPECT_EQ(FindComponent(-1), nullptr);
  EXPECT_EQ(FindComponent(3), nullptr);

  b.reset();
  c.reset();
  EXPECT_EQ(InstanceRegistry, nullptr);
  EXPECT_EQ(CDCameraList, nullptr);
  EXPECT_EQ(PRCameraList, nullptr);
  EXPECT_EQ(EOSCameraList, nullptr);
  EXPECT_EQ(FindComponent(0), nullptr);
  EXPECT_FALSE(DestroyLock.load());

  TLumidor d(nullptr);
  EXPECT_EQ(d.RegistryIndex, 0);
  EXPECT_TRUE(CDCameraList->empty());
}

TEST(LumidorRegistry, AnOwnerFreesItsComponent) {
  {
    rt::Component form(nullptr);
    auto* lumidor = new TLumidor(&form);
    EXPECT_EQ(FindComponent(0), lumidor);
  }
  EXPECT_EQ(InstanceRegistry, nullptr);
}

TEST(CheckError, BuildsOneMessageFormatWithEachLibrarysTexts) {
  EXPECT_NO_THROW(TCDSDK::CheckError(0, "CDRelease"));
  EXPECT_NO_THROW(TPRSDK::CheckError(0, ""));
  EXPECT_NO_THROW(TEDSDK::CheckError(0, "EdsSendCommand"));
  EXPECT_EQ(RaisedMessage([] { TCDSDK::CheckError(7, "CDRelease"); }),
            "CDRelease errorcode 0x00000007, Not supported");
  // Above 0xFFFF: all eight digits, the text of the low 16 bits.
  EXPECT_EQ(RaisedMessage([] { TCDSDK::CheckError(0x00010007, "CDRelease"); }),
            "CDRelease errorcode 0x00010007, Not supported");
  EXPECT_EQ(RaisedMessage([] { TCDSDK::CheckError(0x80000001, "CDOpenSource"); }),
            "CDOpenSource errorcode 0x80000001, Unimplemented");
  EXPECT_EQ(RaisedMessage([] { TCDSDK::CheckError(static_cast<std::uint32_t>(-1), "CDAFLock"); }),
            "CDAFLock errorcode 0xFFFFFFFF, Unkown error");
  // The same code in each library's words.
  EXPECT_EQ(RaisedMessage([] { TPRSDK::CheckError(0x21, "PR_RC_Release"); }),
            "PR_RC_Release errorcode 0x00000021, Invalid parameter");
  EXPECT_EQ(RaisedMessage([] { TEDSDK::CheckError(0x21, "EdsSendCommand"); }),
            "EdsSendCommand errorcode 0x00000021, File too many open");
  EXPECT_EQ(RaisedMessage([] { TEDSDK::CheckError(0xA0012003, "EdsOpenSession"); }),
            "EdsOpenSession errorcode 0xA0012003, PTP session not open");
  try {
    TPRSDK::CheckError(1, "PR_StartSDK");
    ADD_FAILURE() << "nothing raised";
  } catch (const ECamException&) {
  }
}

TEST(LibraryTexts, FixedFieldsAreReadOnlyUpToTheirEnd) {
  CDSourceInfo info{};
  std::memset(info.Name, 'N', sizeof info.Name);  // no terminating zero
  std::memset(info.PortName, 'P', sizeof info.PortName);
  EXPECT_EQ(FieldText(info.Name, sizeof info.Name), std::string(64, 'N'));
  std::snprintf(info.ModelName, sizeof info.ModelName, "Model");
  EXPECT_EQ(FieldText(info.ModelName, sizeof info.ModelName), "Model");

  PRDeviceEntry entry{};
  for (auto& unit : entry.Name) unit = 'A';
  entry.Reserved = 0x00420042;  // two more characters after the field, no zero: not read
  std::memset(entry.InternalName, 0xFF, sizeof entry.InternalName);
  EXPECT_EQ(PRDeviceName(entry), std::string(40, 'A'));
  entry.Name[1] = 0x4E00;  // in no single-byte code page
  entry.Name[2] = 0;
  EXPECT_EQ(PRDeviceName(entry), "A?");
}

}  // namespace
