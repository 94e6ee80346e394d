// A camera of the PowerShot library driven through TLumidor, as a program drives it, against the
// stand-in library loaded into this process. Each test writes its own configuration, which the
// library reads at the next enumeration; a comment naming the test makes the `fail` counts start
// afresh. The call trace shows what reached the library.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "component/CamLib.h"
#include "component/Lumidor.h"
#include "component/PRSDKApi.h"
#include "platform/Application.h"
#include "simcam/core/Picture.h"
#include "tests/component/CameraTestSupport.h"

namespace {

using namespace Lumidor;
using namespace CamDefines;
using namespace CamLib;
namespace fs = std::filesystem;
using namespace camera_test;

// "0x" and the value in `digits` upper-case hexadecimal digits, as the trace writes codes.
std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

// No CD camera is attached, so PowerShot index 0 is the PowerShot library's first camera.
class PRCamera : public CameraTest {
 protected:
  PRCamera() : CameraTest("prcamera_", true) {}

  RemoteProbeParamType Remote(ReleaseModeType mode = ReleaseModeOnlyToPC,
                              ReleaseDataKindType kind = ReleaseDataKindTakeOnlyPicture) {
    return lumidor->EnterRemoteMode(mode, kind, false, dir.string());
  }
  // Connected and in remote mode, sending pictures only to the PC; the trace starts afresh.
  void Ready(const std::string& text, ReleaseDataKindType kind = ReleaseDataKindTakeOnlyPicture) {
    ConnectRemote("camera pr Cam One\n" + text, 1, dir.string(), kind);
  }

  // The property writes, as "0xD029=0x0002".
  Strings Writes() const {
    Strings writes;
    for (const std::string& call : Calls("PR_SetDevicePropValue")) {
      const auto first = call.find(", ");
      const auto last = call.rfind(", ");
      writes.push_back(call.substr(0, first) + "=" +
                       call.substr(last + 2, call.find(" -> ") - last - 2));
    }
    return writes;
  }
  std::size_t TraceLines() const { return Trace().size(); }
};

TEST_F(PRCamera, ConnectReadsTheCameraOwnerPowerAndDeclaredOperations) {
  Configure(
      "camera cd Old Cam\ncamera pr Cam One\ncamera pr Cam Two\nowner Jane Doe\n"
      "pr_value 0xD002 3\npr_value 0xD003 2\n");
  EXPECT_EQ(*PowerShotNames, (Strings{"Old Cam", "Cam One", "Cam Two"}));
  const ConnectInfoType info = lumidor->Connect(1, 2);  // past the CD camera: Cam Two
  EXPECT_EQ(info.CameraType, 1);
  EXPECT_EQ(info.ModelName, "Cam Two");
  EXPECT_EQ(info.OwnerName, "Jane Doe");
  EXPECT_EQ(info.PowerSource, 3);
  EXPECT_EQ(info.BatteryLevel, 2);
  // The event callback carries the component's registry slot.
  EXPECT_EQ(Calls("PR_SetEventCallBack"),
            Strings{std::to_string(lumidor->RegistryIndex) + ", & -> 0x00000000"});
  // Connect records the operations only; the zoom property is read in remote mode.
  const auto& flags = lumidor->PRWrapper->SupportFlags;
  EXPECT_TRUE(flags[0] && flags[1] && flags[3]);
  EXPECT_FALSE(flags[2]);

  // Power values outside their ranges read as unknown; an owner text longer than the field
  // is cut to its 256 characters.
  Configure("camera pr Cam One\npr_value 0xD002 6\npr_value 0xD003 4\nowner " +
            std::string(300, 'x') + "\n");
  const ConnectInfoType odd = lumidor->Connect(1, 0);
  EXPECT_EQ(odd.PowerSource, 0);
  EXPECT_EQ(odd.BatteryLevel, 0);
  EXPECT_EQ(odd.OwnerName, std::string(256, 'x'));
}

TEST_F(PRCamera, RemoteModeSetsTheReleaseDestinationShootingModeAndFaculties) {
  Configure("camera pr Cam One\n");
  lumidor->Connect(1, 0);
  const RemoteProbeParamType probe = Remote();
  EXPECT_EQ((std::vector<int>(probe.begin(), probe.begin() + 5)),
            (std::vector<int>{1, 1, 1, 0, 1}));
  EXPECT_TRUE(std::all_of(probe.begin() + 5, probe.end(), [](std::uint8_t b) { return b == 0; }));
  const std::string mode = Hex(CamShootingModeToPR(16), 2);
  EXPECT_EQ(Writes(), (Strings{"0xD029=0x0002", "0xD00C=" + mode}));

  fs::remove(dir / "trace.txt");
  Remote(ReleaseModeOnlyToCamera, ReleaseDataKingTakeBothThumbAndPic);
  EXPECT_EQ(Writes(), (Strings{"0xD029=0x000C", "0xD00C=" + mode}));

  // Without the viewfinder operation and the zoom property; a refused shooting mode is no
  // failure.
  Configure("camera pr Cam One\npr_without 0x900B 0xD02A\nrefuse PR_SetDevicePropValue 0xD00C\n");
  lumidor->Connect(1, 0);
  const RemoteProbeParamType less = Remote();
  EXPECT_EQ((std::vector<int>(less.begin(), less.begin() + 5)), (std::vector<int>{0, 1, 0, 0, 1}));
  EXPECT_TRUE(lumidor->InRemoteMode);

  // Both PC and camera is refused after release control began.
  Configure("camera pr Cam One\n");
  lumidor->Connect(1, 0);
  fs::remove(dir / "trace.txt");
  EXPECT_EQ(RaisedMessage([&] { Remote(ReleaseModeBothPCAndCamera); }),
            "Release to both camera and PC does not work for the connected camera");
  EXPECT_EQ(Calls("PR_InitiateReleaseControl").size(), 1u);
  EXPECT_TRUE(Writes().empty());
  EXPECT_FALSE(lumidor->InRemoteMode);
}

TEST_F(PRCamera, SettingsAreReadAsCommonIndexesAndApertureAndShutterByShootingMode) {
  // Remote mode puts the camera into shooting mode 16; the wanted one is set after it.
  const auto read = [&](std::uint8_t shootingMode, const std::string& more) {
    Ready("pr_value 0xD01D 0x28\npr_value 0xD01E 0x58\n" + more);
    RemoteParamType mode;
    mode.ShootingMode = shootingMode;
    lumidor->RemoteSetParams(mode);
    fs::remove(dir / "trace.txt");
    return lumidor->RemoteGetParams();
  };
  for (std::uint8_t mode : {2, 17, 18}) ASSERT_NE(CamShootingModeToPR(mode), 0xFF);
  RemoteParamType p = read(2, "");
  EXPECT_EQ(p.ShootingMode, 2);
  EXPECT_EQ(p.Av, AvCodeToCam(0x28));
  EXPECT_EQ(p.Tv, TvCodeToCam(0x58));
  EXPECT_NE(p.Av, 0);
  EXPECT_NE(p.Tv, 0);
  p = read(17, "");
  EXPECT_EQ(p.Av, 0);
  EXPECT_EQ(p.Tv, TvCodeToCam(0x58));
  EXPECT_EQ(Calls("PR_GetDevicePropValue").size(), 20u);  // neither aperture nor self-timer
  p = read(18, "");
  EXPECT_EQ(p.Av, AvCodeToCam(0x28));
  EXPECT_EQ(p.Tv, 0);

  // Raw image type, the self-timer drive mode, converters of the other rows; an unreadable
  // property reads as 0 and the rest are still read.
  p = read(17, "pr_value 0xD007 2\npr_value 0xD00E 2\npr_value 0xD009 " +
                   std::to_string(CamSelfTimerToPR(6)) +
                   "\npr_value 0xD01C 0x0050\npr_value 0xD00B 0\npr_without 0xD013\n");
  EXPECT_EQ(p.ImageQuality, 5);
  EXPECT_EQ(p.DriveMode, 6);
  EXPECT_EQ(p.ISOSpeed, PRISOToCam(0x50));
  EXPECT_EQ(p.Beep, PRBeepToCam(0));
  EXPECT_EQ(p.WhiteBalance, 0);
  EXPECT_EQ(p.ExposureCompensation, PRExpCompToCam(0x18));
  EXPECT_EQ(Last(Calls("PR_GetDevicePropValue")).rfind("0xD00B, 1, & -> 0x00000000", 0), 0u);
}

TEST_F(PRCamera, SettingsAreWrittenWithTheirCodesAndARefusalStopsNothing) {
  Ready("refuse PR_SetDevicePropValue 0xD007\n");
  RemoteParamType p;
  p.ImageQuality = 5;
  p.DriveMode = 6;
  p.Av = 10;  // shooting mode 0: no aperture
  p.Beep = 1;
  EXPECT_EQ(RaisedMessage([&] { lumidor->RemoteSetParams(p); }), "");
  EXPECT_EQ(Writes(), (Strings{"0xD007=0x02", "0xD006=" + Hex(CamQualityToPR(5), 2), "0xD00E=0x02",
                               "0xD009=0x0064", "0xD00B=" + Hex(CamBeepToPR(1), 2)}));
  EXPECT_EQ(Calls("PR_SetDevicePropValue").at(0), "0xD007, 1, 0x02 -> 0x00000086");

  fs::remove(dir / "trace.txt");
  RemoteParamType q;
  q.ImageQuality = 3;
  q.DriveMode = 7;
  q.ShootingMode = 17;  // shutter speed only
  q.Av = 10;
  q.Tv = 20;
  q.Contrast = 1;
  lumidor->RemoteSetParams(q);
  EXPECT_EQ(Writes(), (Strings{"0xD007=0x01", "0xD006=" + Hex(CamQualityToPR(3), 2),
                               "0xD00C=" + Hex(CamShootingModeToPR(17), 2), "0xD00E=0x02",
                               "0xD009=0x0014", "0xD01E=" + Hex(CamTvToCode(20), 4),
                               "0xD017=" + Hex(static_cast<std::uint8_t>(CamLevelToPR(1)), 2)}));
}

TEST_F(PRCamera, ZoomFollowsTheDeclaredZoomProperty) {
  Ready("zoom 24 8 5\n");
  ZoomInfoType zoom;
  lumidor->RemoteGetZoom(zoom);
  EXPECT_EQ(zoom.ZoomPos, 5);
  EXPECT_EQ(zoom.MaxZoomPos, 24);
  EXPECT_EQ(zoom.MaxOpticalZoomPos, 8);
  lumidor->RemoteSetZoom(65537);
  EXPECT_EQ(Writes(), Strings{"0xD02A=0x0001"});
  EXPECT_EQ(RaisedMessage([&] { lumidor->RemoteSetZoom(30); }),
            "PR_SetDevicePropValue errorcode 0x0000201C, Invalid device property value");

  Ready("zoom 24 8 5\npr_value 0xD03D 0xFF\n");
  lumidor->RemoteGetZoom(zoom);
  EXPECT_EQ(zoom.MaxOpticalZoomPos, 24);

  // Without the property: no call, and the caller's record stays as it was.
  Ready("pr_without 0xD02A\n");
  ZoomInfoType kept{7, 8, 9};
  lumidor->RemoteGetZoom(kept);
  lumidor->RemoteSetZoom(3);
  EXPECT_EQ(kept.ZoomPos, 7);
  EXPECT_EQ(kept.MaxOpticalZoomPos, 8);
  EXPECT_EQ(kept.MaxZoomPos, 9);
  EXPECT_EQ(TraceLines(), 0u);
}

TEST_F(PRCamera, FocusLockIsAskedForEvenWhenTheCameraDoesNotDeclareIt) {
  Ready("");
  lumidor->RemoteAFLock(true);
  lumidor->RemoteAFLock(false);
  EXPECT_EQ(Calls("PR_RC_FocusLock").size(), 1u);
  EXPECT_EQ(Calls("PR_RC_FocusUnlock").size(), 1u);
  Ready("pr_without 0x9014\n");
  EXPECT_EQ(RaisedMessage([&] { lumidor->RemoteAFLock(true); }),
            "PR_RC_FocusLock errorcode 0x00002005, Operation not supported");
}

TEST_F(PRCamera, TheReleaseCompleteHandlerDownloadsThePicture) {
  Ready("picture_bytes 250000\n");
  Strings events, seen;
  std::vector<int> get;
  const fs::path file = dir / "picture.jpg";
  LeaveOlderFileAndAside(file);
  const auto watch = WatchDownload(file, seen);
  lumidor->OnRemoteGetPictureEvent = [&](std::int32_t p) {
    get.push_back(p);
    watch(p);
  };
  lumidor->OnRemoteEvent = [&](RemoteEventCallbackType event,
                               const AdditionNotifyRemoteEventType&) {
    events.emplace_back(RemoteEventCallbackTypeInfo.NameOf(event));
    if (event == RemoteEventCallbackReleaseComplete) {
      lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture);
    }
  };
  lumidor->RemoteTakePicture();
  ASSERT_TRUE(hooked.empty()) << hooked.front() << "\n" << ReadAll(dir / "trace.txt");
  EXPECT_EQ(events, Strings{"RemoteEventCallbackReleaseComplete"});
  EXPECT_EQ(get, (std::vector<int>{40, 80, 100, 100}));
  EXPECT_EQ(ReadAll(file), simcam::MakePicture(1, 250000));
  // Written aside, and put in place whole: until then the older file stays as it was.
  EXPECT_EQ(seen, Strings{"older + aside"});
  EXPECT_FALSE(fs::exists(file.string() + ".part"));
  EXPECT_TRUE(lumidor->PRReleaseQueue.empty());
  // The download names the released object, its event code and the block size.
  const Strings data = Calls("PR_RC_GetReleasedData");
  ASSERT_EQ(data.size(), 1u);
  EXPECT_NE(data[0].find(", 0xC008, 100000, "), std::string::npos) << data[0];

  // Thumbnail and picture: both are queued, and the handler takes the oldest first.
  Ready("picture_bytes 3000\nthumbnail_bytes 500\n", ReleaseDataKingTakeBothThumbAndPic);
  lumidor->OnRemoteEvent = [&](RemoteEventCallbackType event,
                               const AdditionNotifyRemoteEventType&) {
    if (event == RemoteEventCallbackReleaseComplete) {
      lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyThumbnail);
    }
  };
  lumidor->RemoteTakePicture();
  EXPECT_EQ(ReadAll(file), simcam::MakePicture(1, 500));
  ASSERT_EQ(lumidor->PRReleaseQueue.size(), 1u);
  lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture);
  EXPECT_EQ(ReadAll(file), simcam::MakePicture(1, 3000));
}

TEST_F(PRCamera, AFailedTransferRaisesOnceAndLeavesNoFile) {
  const fs::path file = dir / "1.jpg";
  std::string raised;
  const TNotifyRemoteEvent download = DownloadInto(file, raised);
  // The library stops half way and answers 0 all the same. It is done with the picture, so the
  // release is not kept to block the next ones.
  Ready("picture_bytes 250000\npr_cut transfer 150000\n");
  lumidor->OnRemoteEvent = download;
  lumidor->RemoteTakePicture();
  EXPECT_EQ(raised,
            "PR_RC_GetReleasedData returned before the end of the picture data: the picture is "
            "incomplete");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(lumidor->PRReleaseQueue.empty());
  EXPECT_EQ(lumidor->PRDownloadStream, nullptr);
  EXPECT_TRUE(hooked.empty()) << hooked.front();  // reported once: by the raise

  // The library refuses the transfer: its own error, no file, and the release can be fetched
  // later under the same name.
  Ready("picture_bytes 3000\nfail PR_RC_GetReleasedData 0x81 count=1\n");
  lumidor->OnRemoteEvent = download;
  lumidor->RemoteTakePicture();
  EXPECT_EQ(raised.rfind("PR_RC_GetReleasedData errorcode 0x00000081, ", 0), 0u) << raised;
  EXPECT_FALSE(fs::exists(file));
  ASSERT_EQ(lumidor->PRReleaseQueue.size(), 1u);
  lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture);
  EXPECT_EQ(ReadAll(file), simcam::MakePicture(1, 3000));
  EXPECT_TRUE(lumidor->PRReleaseQueue.empty());
  EXPECT_TRUE(hooked.empty());

  // The library announces an object that does not exist and refuses it every time: it is tried
  // at two downloads, then dropped with the failure still raised, and the pictures behind it
  // get through. The next one counts its refusals afresh: refused once, it is kept and arrives.
  const std::string missing = "PR_RC_GetReleasedData errorcode 0x00002009, ";
  Ready(
      "picture_bytes 3000\nevent PR_RC_Release 0xC008 0 count=1\n"
      "fail PR_RC_GetReleasedData 0x81 from=4 count=1\n");
  lumidor->OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
  lumidor->RemoteTakePicture();
  lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture);
  EXPECT_EQ(ReadAll(file), simcam::MakePicture(1, 3000));
  const auto fetch = [&] {
    return RaisedMessage(
        [&] { lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture); });
  };
  EXPECT_EQ(fetch().rfind(missing, 0), 0u);
  lumidor->RemoteTakePicture();
  EXPECT_EQ(lumidor->PRReleaseQueue.size(), 2u);
  EXPECT_EQ(fetch().rfind(missing, 0), 0u);
  EXPECT_EQ(lumidor->PRReleaseQueue.size(), 1u);
  EXPECT_EQ(fetch().rfind("PR_RC_GetReleasedData errorcode 0x00000081, ", 0), 0u);
  EXPECT_EQ(fetch(), "");
  EXPECT_EQ(ReadAll(file), simcam::MakePicture(2, 3000));
  EXPECT_TRUE(hooked.empty());
}

// A release announced during the transfer makes the handler ask for a picture again: that
// download is refused, and the one under way goes on untouched.
TEST_F(PRCamera, ADownloadStartedWhileOneIsUnderWayIsRefusedAndTheFirstArrivesWhole) {
  const fs::path file = dir / "1.jpg";
  Strings raised;
  Ready("picture_bytes 250000\nevent PR_RC_GetReleasedData 0xC008 0 count=1\n");
  lumidor->OnRemoteEvent = DownloadInto(file, raised);
  lumidor->RemoteTakePicture();
  EXPECT_EQ(raised, (Strings{"RemoteGetPicture was called while a picture download is under way; "
                             "it has to end first",
                             ""}));
  EXPECT_EQ(ReadAll(file), simcam::MakePicture(1, 250000));
  EXPECT_FALSE(fs::exists(file.string() + ".part"));
  EXPECT_EQ(Calls("PR_RC_GetReleasedData").size(), 1u);
  EXPECT_EQ(lumidor->PRReleaseQueue.size(), 1u);  // what was announced during the transfer
  EXPECT_TRUE(hooked.empty());
}

// Each checked entry point, failing, raises with its own label and the library's text.
TEST_F(PRCamera, EachCheckedCallFailsWithItsOwnMessage) {
  const auto connect = [](TLumidor& l) { l.Connect(1, 0); };
  const auto remote = [](TLumidor& l) {
    l.Connect(1, 0);
    l.EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture, false, ".");
  };
  const auto then = [remote](std::function<void(TLumidor&)> step) {
    return [remote, step](TLumidor& l) {
      remote(l);
      step(l);
    };
  };
  struct Case {
    const char* rule;  // entry point and call range
    std::function<void(TLumidor&)> operation;
  };
  const Case cases[] = {
      {"PR_CreateCameraObject", connect},
      {"PR_ConnectCamera", connect},
      {"PR_GetDevicePropValue", connect},         // owner
      {"PR_GetDevicePropValue from=2", connect},  // power source
      {"PR_GetDevicePropValue from=3", connect},  // battery
      {"PR_SetEventCallBack", connect},
      {"PR_GetDeviceInfo", connect},
      {"PR_InitiateReleaseControl", remote},
      {"PR_SetDevicePropValue", remote},
      {"PR_GetDeviceInfo from=2", remote},
      {"PR_GetDevicePropDesc", then([](TLumidor& l) {
         ZoomInfoType zoom;
         l.RemoteGetZoom(zoom);
       })},
      {"PR_GetDevicePropValue from=4", then([](TLumidor& l) {
         ZoomInfoType zoom;
         l.RemoteGetZoom(zoom);
       })},
      {"PR_SetDevicePropValue from=3", then([](TLumidor& l) { l.RemoteSetZoom(2); })},
      {"PR_RC_FocusUnlock", then([](TLumidor& l) { l.RemoteAFLock(false); })},
      {"PR_RC_Release", then([](TLumidor& l) { l.RemoteTakePicture(); })},
      {"PR_RC_GetReleasedData", then([](TLumidor& l) {
         l.OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
         l.RemoteTakePicture();
         l.RemoteGetPicture((fs::temp_directory_path() / "camera_test_unused.jpg").string(),
                            ReleaseDataKindTakeOnlyPicture);
       })},
      {"PR_GetDevicePropValue from=4", then([](TLumidor& l) { l.ExtendShutdownTimer(); })},
  };
  for (const Case& c : cases) {
    const std::string rule = c.rule;
    const std::string entryPoint = rule.substr(0, rule.find(' '));
    const std::string range =
        rule.find(' ') == std::string::npos ? "" : rule.substr(rule.find(' '));
    Configure("camera pr Cam One\nfail " + entryPoint + " 0x2019" + range + " count=1\n");
    EXPECT_EQ(RaisedMessage([&] { c.operation(*lumidor); }),
              entryPoint + " errorcode 0x00002019, Device busy")
        << rule;
  }

  // A camera connected before its device information failed stays connected inside the
  // wrapper; one that failed before the connection is not.
  Configure("camera pr Cam One\nfail PR_GetDeviceInfo 0x2019\n");
  EXPECT_THROW(lumidor->Connect(1, 0), ECamException);
  EXPECT_EQ(lumidor->PRWrapper->ConnectInfo.CameraType, 1);
  EXPECT_EQ(lumidor->ConnectInfo.CameraType, 0);
  Configure("camera pr Cam One\nfail PR_CreateCameraObject 0x2019\n");
  EXPECT_THROW(lumidor->Connect(1, 0), ECamException);
  EXPECT_EQ(lumidor->PRWrapper->ConnectInfo.CameraType, 0);

  // A failed device list leaves the PowerShot library's cameras as they were listed.
  const std::string cameras = "camera cd Old Cam\ncamera pr Cam One\ncamera pr Cam Two\n";
  Configure(cameras);
  WriteConfig(cameras + "fail PR_GetDeviceList 0x2019\n");
  EXPECT_EQ(RaisedMessage([&] { lumidor->EnumerateCameras(); }),
            "PR_GetDeviceList errorcode 0x00002019, Device busy");
  EXPECT_EQ(*PowerShotNames, Strings{"Old Cam"});
  ASSERT_EQ(PRCameraList->size(), 2u);
  EXPECT_EQ(PRDeviceName((*PRCameraList)[1]), "Cam Two");
}

// Datasets that end before what they announce are refused with a message, never read beyond.
TEST_F(PRCamera, ADatasetShorterThanItClaimsIsRefused) {
  const std::string info =
      "The data that PR_GetDeviceInfo returned ends before its announced contents";
  // Cut inside the header, the vendor text, the operations count and the operations list.
  for (int cut : {0, 3, 9, 20, 26, 30}) {
    Configure("camera pr Cam One\npr_cut device_info " + std::to_string(cut) + "\n");
    EXPECT_EQ(RaisedMessage([&] { lumidor->Connect(1, 0); }), info) << cut;
  }
  // Cut inside the properties list: Connect reads no further than the operations, remote mode
  // reads the rest.
  Configure("camera pr Cam One\npr_cut device_info 80\n");
  lumidor->Connect(1, 0);
  EXPECT_EQ(RaisedMessage([&] { Remote(); }), info);
  EXPECT_FALSE(lumidor->InRemoteMode);

  Ready("pr_cut prop_desc 10\n");
  ZoomInfoType zoom{7, 8, 9};
  EXPECT_EQ(RaisedMessage([&] { lumidor->RemoteGetZoom(zoom); }),
            "The data that PR_GetDevicePropDesc returned ends before its announced contents");
  EXPECT_EQ(zoom.ZoomPos, 7);
  EXPECT_EQ(zoom.MaxZoomPos, 9);
}

}  // namespace
