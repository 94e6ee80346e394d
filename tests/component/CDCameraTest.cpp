// A camera of the CD library driven through TLumidor, as a program drives it, against the
// stand-in library loaded into this process. Each test writes its own configuration, which the
// library reads at the next enumeration; a comment naming the test makes the `fail` counts start
// afresh. The call trace shows what reached the library.
#include <gtest/gtest.h>

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
#include "platform/Application.h"
#include "simcam/core/Picture.h"
#include "tests/component/CameraTestSupport.h"

namespace {

using namespace Lumidor;
using namespace CamDefines;
namespace fs = std::filesystem;
using namespace camera_test;

class CDCamera : public CameraTest {
 protected:
  CDCamera() : CameraTest("cdcamera_", true) {}

  // Connected and in remote mode, sending pictures only to the PC.
  void Ready(const std::string& text, ReleaseDataKindType kind = ReleaseDataKindTakeOnlyPicture) {
    ConnectRemote("camera cd Cam One\n" + text, 1, dir.string(), kind);
  }
};

TEST_F(CDCamera, ConnectReadsTheCameraAndItsOwnerAndPower) {
  Configure(
      "camera cd Cam One\ncamera cd Cam Two\nowner Jane Doe\npower 0x20000004\nfaculty 0x13\n");
  EXPECT_EQ(*PowerShotNames, (Strings{"Cam One", "Cam Two"}));
  const ConnectInfoType info = lumidor->Connect(1, 1);
  EXPECT_EQ(info.CameraType, 1);
  EXPECT_EQ(info.ModelName, "Cam Two");
  EXPECT_EQ(info.OwnerName, "Jane Doe");
  EXPECT_EQ(info.PowerSource, 2);
  EXPECT_EQ(info.BatteryLevel, 2);
  EXPECT_EQ(lumidor->ConnectInfo.ModelName, "Cam Two");
  // Each property search is released.
  EXPECT_EQ(Calls("CDEnumDevicePropertyReset").size(), 2u);
  EXPECT_EQ(Calls("CDEnumDevicePropertyRelease").size(), 2u);
  EXPECT_EQ(Calls("CDRegisterEventCallbackFunction").size(), 1u);

  struct Power {
    const char* status;
    int source;
    int battery;
  };
  for (const Power& p : {Power{"0x10000006", 1, 1}, Power{"0x60000003", 0, 3},
                         Power{"0x00000005", 0, 0}, Power{"0x50000002", 5, 0}}) {
    Configure(std::string("camera cd Cam One\npower ") + p.status + "\n");
    const ConnectInfoType power = lumidor->Connect(1, 0);
    EXPECT_EQ(power.PowerSource, p.source) << p.status;
    EXPECT_EQ(power.BatteryLevel, p.battery) << p.status;
  }
  // An owner name without its zero byte: the first 32 characters.
  Configure("camera cd Cam One\nowner " + std::string(40, 'O') + "\n");
  EXPECT_EQ(lumidor->Connect(1, 0).OwnerName, std::string(32, 'O'));

  // The listed name and the model name are fields of their own.
  Configure("camera cd Cam One\ncd_model Model X\n");
  EXPECT_EQ(*PowerShotNames, Strings{"Cam One"});
  EXPECT_EQ(lumidor->Connect(1, 0).ModelName, "Model X");
}

// A library that answers success without ever delivering the wanted property, or that counts
// more cameras than there can be, cannot keep the component waiting: it raises.
TEST_F(CDCamera, SearchesEndAtTheirBoundWhenTheLibraryNeverEndsThem) {
  Configure("camera cd Cam One\nfail CDEnumDevicePropertyNext 0 from=2\n");
  EXPECT_EQ(RaisedMessage([&] { lumidor->Connect(1, 0); }),
            "CDEnumDevicePropertyNext delivered 1024 records without device property 0x0800000C");
  EXPECT_EQ(Calls("CDEnumDevicePropertyNext").size(), 1024u);
  EXPECT_EQ(Calls("CDEnumDevicePropertyRelease").size(), 1u);
  EXPECT_EQ(lumidor->ConnectInfo.CameraType, 0);

  WriteConfig("camera cd Cam One\ncd_count_extra 100\n");
  EXPECT_EQ(RaisedMessage([&] { lumidor->EnumerateCameras(); }),
            "CDGetDeviceCount reported 101 cameras, more than the 100 that can be listed");
  EXPECT_TRUE(CDCameraList->empty());
}

TEST_F(CDCamera, RemoteModeSelectsTheReleaseKindAndReadsTheFaculties) {
  Configure("camera cd Cam One\nfaculty 0x13\n");
  lumidor->Connect(1, 0);
  const RemoteProbeParamType caps = lumidor->EnterRemoteMode(
      ReleaseModeBothPCAndCamera, ReleaseDataKindTakeOnlyPicture, false, dir.string());
  EXPECT_TRUE(lumidor->InRemoteMode);
  EXPECT_EQ(Calls("CDSelectReleaseDataKind"), Strings{"10 -> 0x00000000"});
  const RemoteProbeParamType expected = {1, 1, 0, 0, 1};
  EXPECT_EQ(caps, expected);  // nothing beyond the faculties

  lumidor->EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKingTakeBothThumbAndPic, false, ".");
  lumidor->EnterRemoteMode(ReleaseModeOnlyToCamera, ReleaseDataKindTakeOnlyThumbnail, false, ".");
  EXPECT_EQ(Calls("CDSelectReleaseDataKind"),
            (Strings{"10 -> 0x00000000", "3 -> 0x00000000", "4 -> 0x00000000"}));

  // Values outside the enumerations are refused before release control is entered.
  fs::remove(dir / "trace.txt");
  EXPECT_EQ(RaisedMessage([&] {
              lumidor->EnterRemoteMode(static_cast<ReleaseModeType>(3),
                                       ReleaseDataKindTakeOnlyPicture, false, ".");
            }),
            "Not valid value in parameter ReleaseMode when calling EnterRemoteMode. Currently "
            "ReleaseMode = 3");
  EXPECT_EQ(RaisedMessage([&] {
              lumidor->EnterRemoteMode(ReleaseModeOnlyToPC, static_cast<ReleaseDataKindType>(200),
                                       false, ".");
            }),
            "Not valid value in parameter ReleaseDataKind when calling EnterRemoteMode. Currently "
            "ReleaseDataKind = 200");
  EXPECT_TRUE(TraceNames().empty());

  Configure("camera cd Cam One\nfaculty 0xEC\n");  // bits 2, 3 and higher ones
  lumidor->Connect(1, 0);
  const RemoteProbeParamType other =
      lumidor->EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture, true, ".");
  EXPECT_EQ(other, (RemoteProbeParamType{0, 0, 1, 1, 0}));  // no probe without CanSetParams
}

TEST_F(CDCamera, SettingsAreReadAsCommonIndexes) {
  Ready(
      "setting image_format 0x05,0x01\nsetting shooting_mode 0x03\nsetting av 0x28\n"
      "setting tv 0x58\nsetting exposure_comp 0x10\nsetting wb 0x09\n"
      "setting color_temperature 6500\nsetting af_distance 0x02\nsetting flash 0x02\n"
      "setting flash_comp 0x20\nsetting metering 0x01\nsetting iso 0x0050\n"
      "setting contrast 0xFF\nsetting sharpness 0x01\nsetting saturation 0x00\n"
      "setting photo_effect 0x0003\nsetting beep 0x00\n");
  const RemoteParamType p = lumidor->RemoteGetParams();
  using namespace CamLib;
  EXPECT_EQ(p.ImageQuality, CDQualityToCam(0x05));
  EXPECT_EQ(p.ImageSize, CDImageSizeToCam(0x01));
  EXPECT_EQ(p.ShootingMode, CDShootingModeToCam(0x03));
  EXPECT_EQ(p.Av, AvCodeToCam(0x28));
  EXPECT_EQ(p.Tv, TvCodeToCam(0x58));
  EXPECT_EQ(p.ExposureCompensation, CDExpCompToCam(0x10));
  EXPECT_EQ(p.WhiteBalance, 13);
  EXPECT_EQ(p.ColorTemperature, 6500);
  EXPECT_EQ(p.AFDistance, CDAFDistanceToCam(0x02));
  EXPECT_EQ(p.FlashMode, CDFlashToCam(0x02));
  EXPECT_EQ(p.FlashCompensation, CDFlashCompToCam(0x20));
  EXPECT_EQ(p.MeteringMode, CDMeteringToCam(0x01));
  EXPECT_EQ(p.ISOSpeed, ISOCodeToCam(0x50));
  EXPECT_EQ(p.Contrast, 1);
  EXPECT_EQ(p.Sharpness, 3);
  EXPECT_EQ(p.Saturation, 2);
  EXPECT_EQ(p.PhotoEffect, CDPhotoEffectToCam(0x03));
  EXPECT_EQ(p.Beep, CDBeepToCam(0x00));
  for (std::uint8_t v : {p.ImageQuality, p.ImageSize, p.ShootingMode, p.Av, p.Tv,
                         p.ExposureCompensation, p.AFDistance, p.FlashMode, p.FlashCompensation,
                         p.MeteringMode, p.ISOSpeed, p.PhotoEffect, p.Beep}) {
    EXPECT_NE(v, 0);  // every configured code is one the converters know
  }
  const Strings relCam = Calls("CDGetRelCamSettingData");
  ASSERT_EQ(relCam.size(), 8u);
  EXPECT_EQ(relCam[0].rfind("0x00001100", 0), 0u) << relCam[0];  // the colour temperature
  EXPECT_EQ(p.DriveMode, 0);
  EXPECT_EQ(p.ColorSpace, 0);
}

TEST_F(CDCamera, AnUnreadableSettingReadsAsZeroAndTheOthersAreStillRead) {
  Ready("setting wb 0x01\nsetting flash 0x02\nsetting beep 0x00\nfail CDGetFlashSetting 0x81\n");
  const RemoteParamType p = lumidor->RemoteGetParams();
  EXPECT_EQ(p.WhiteBalance, CamLib::CDWhiteBalanceToCam(0x01));
  EXPECT_EQ(p.ColorTemperature, 0);
  EXPECT_EQ(p.FlashMode, 0);
  EXPECT_EQ(p.FlashCompensation, 0);
  EXPECT_EQ(p.Beep, CamLib::CDBeepToCam(0x00));
  // The colour temperature is read only with white balance 13.
  for (const std::string& call : Calls("CDGetRelCamSettingData")) {
    EXPECT_EQ(call.find("0x00001100"), std::string::npos) << call;
  }
  EXPECT_EQ(Calls("CDGetRelCamSettingData").size(), 7u);
}

TEST_F(CDCamera, SettingsAreWrittenInOrderAndReadBack) {
  Ready("");
  RemoteParamType none;
  none.ImageQuality = 2;  // without ImageSize: no image-format call
  none.DriveMode = 3;     // not a CD setting
  lumidor->RemoteSetParams(none);
  EXPECT_TRUE(TraceNames().empty());

  RemoteParamType p;
  p.ImageQuality = CamLib::CDQualityToCam(0x05);
  p.ImageSize = CamLib::CDImageSizeToCam(0x01);
  p.WhiteBalance = 13;
  p.ColorTemperature = 0x12345;  // only its low 16 bits travel
  p.FlashMode = CamLib::CDFlashToCam(0x02);
  p.FlashCompensation = CamLib::CDFlashCompToCam(0x20);
  p.ISOSpeed = CamLib::ISOCodeToCam(0x50);
  p.Contrast = 1;
  p.Beep = CamLib::CDBeepToCam(0x00);
  lumidor->RemoteSetParams(p);
  EXPECT_EQ(TraceNames(),
            (Strings{"CDSetImageFormatAttribute", "CDSetWBSetting", "CDSetRelCamSettingData",
                     "CDSetFlashSetting", "CDSetFlashSetting", "CDSetRelCamSettingData",
                     "CDSetRelCamSettingData", "CDSetRelCamSettingData"}));
  // Flash and compensation in two calls; the colour temperature right after the white balance,
  // cut to 16 bits; the ISO code in the low byte of two.
  EXPECT_EQ(Calls("CDSetFlashSetting"),
            (Strings{"0x0002, 0x00FF -> 0x00000000", "0x00FF, 0x0020 -> 0x00000000"}));
  EXPECT_EQ(Calls("CDSetRelCamSettingData"),
            (Strings{"0x00001100, 2, 0x2345 -> 0x00000000", "0x0800000C, 2, 0x0050 -> 0x00000000",
                     "0x08000008, 1, 0xFF -> 0x00000000", "0x08000002, 1, 0x00 -> 0x00000000"}));

  const RemoteParamType back = lumidor->RemoteGetParams();
  EXPECT_EQ(back.ImageQuality, p.ImageQuality);
  EXPECT_EQ(back.ImageSize, p.ImageSize);
  EXPECT_EQ(back.WhiteBalance, 13);
  EXPECT_EQ(back.ColorTemperature, 0x2345);
  EXPECT_EQ(back.FlashMode, p.FlashMode);
  EXPECT_EQ(back.FlashCompensation, p.FlashCompensation);
  EXPECT_EQ(back.ISOSpeed, p.ISOSpeed);
  EXPECT_EQ(back.Contrast, 1);
  EXPECT_EQ(back.Beep, p.Beep);
}

TEST_F(CDCamera, ARefusedSettingDoesNotStopTheOthers) {
  Ready("setting shooting_mode 0x01\nrefuse CDSetShootingMode 0x03\nsetting beep 0x01\n");
  RemoteParamType p;
  p.ShootingMode = CamLib::CDShootingModeToCam(0x03);
  p.Beep = CamLib::CDBeepToCam(0x00);
  EXPECT_NO_THROW(lumidor->RemoteSetParams(p));
  const RemoteParamType back = lumidor->RemoteGetParams();
  EXPECT_EQ(back.ShootingMode, CamLib::CDShootingModeToCam(0x01));  // as the camera had it
  EXPECT_EQ(back.Beep, p.Beep);
}

TEST_F(CDCamera, ZoomAndFocusLock) {
  Ready("zoom 30 10 4\n");
  ZoomInfoType zoom;
  lumidor->RemoteGetZoom(zoom);
  EXPECT_EQ(zoom.ZoomPos, 4);
  EXPECT_EQ(zoom.MaxOpticalZoomPos, 10);
  EXPECT_EQ(zoom.MaxZoomPos, 30);
  lumidor->RemoteSetZoom(7);
  lumidor->RemoteGetZoom(zoom);
  EXPECT_EQ(zoom.ZoomPos, 7);
  lumidor->RemoteAFLock(true);
  lumidor->RemoteAFLock(false);
  EXPECT_EQ(Calls("CDSetZoomPos"), Strings{"7 -> 0x00000000"});
  EXPECT_EQ(Calls("CDAFLock"), (Strings{"1 -> 0x00000000", "0 -> 0x00000000"}));
}

// What a capture program does: release, and download inside the release-complete event.
TEST_F(CDCamera, TheReleaseCompleteHandlerDownloadsThePicture) {
  Ready("picture_bytes 70000\n");
  std::vector<int> take, get;
  Strings events, seen;
  const fs::path file = dir / "picture.jpg";
  LeaveOlderFileAndAside(file);
  const auto watch = WatchDownload(file, seen);
  lumidor->OnRemoteTakePictureEvent = [&](std::int32_t p) { take.push_back(p); };
  lumidor->OnRemoteGetPictureEvent = [&](std::int32_t p) {
    get.push_back(p);
    watch(p);
  };
  lumidor->OnRemoteEvent = [&](RemoteEventCallbackType event,
                               const AdditionNotifyRemoteEventType& data) {
    events.push_back(std::string(RemoteEventCallbackTypeInfo.NameOf(event)) + " " +
                     std::to_string(data.DataKind) + " " + std::to_string(data.DataValue));
    if (event == RemoteEventCallbackReleaseComplete) {
      lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture);
      lumidor->RemoteAFLock(true);
    }
  };
  lumidor->RemoteTakePicture();
  ASSERT_TRUE(hooked.empty()) << hooked.front() << "\n" << ReadAll(dir / "trace.txt");
  EXPECT_EQ(events, (Strings{"RemoteEventCallbackReleaseStart 0 0",
                             "RemoteEventCallbackReleaseComplete 1 1"}));
  EXPECT_EQ(take, (std::vector<int>{0, 50, 100}));
  ASSERT_FALSE(get.empty());
  EXPECT_EQ(get.back(), 100);
  const std::string picture = ReadAll(file);
  ASSERT_EQ(picture.size(), 70000u);
  EXPECT_EQ(picture.substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(picture.substr(picture.size() - 2), "\xFF\xD9");
  EXPECT_EQ(picture, simcam::MakePicture(1, 70000));
  // Written aside, and put in place whole: until then the older file stays as it was.
  EXPECT_EQ(seen, Strings{"older + aside"});
  EXPECT_FALSE(fs::exists(file.string() + ".part"));
  EXPECT_EQ(Calls("CDAFLock"), Strings{"1 -> 0x00000000"});
}

TEST_F(CDCamera, AFailedDownloadLeavesNothingBrokenBehind) {
  const fs::path file = dir / "1.jpg";
  std::string raised;
  const TNotifyRemoteEvent download = DownloadInto(file, raised);
  // The disk fills up half way: the partial file that the library leaves goes.
  Ready("picture_bytes 70000\ncd_write_limit 20000\n");
  lumidor->OnRemoteEvent = download;
  lumidor->RemoteTakePicture();
  EXPECT_EQ(raised.rfind("CDGetReleasedData errorcode 0x00000028, ", 0), 0u) << raised;
  EXPECT_FALSE(fs::exists(file));
  // A file that was there before is the caller's: a refused download leaves it as it was.
  Ready("fail CDGetReleasedData 0x81\n");
  lumidor->OnRemoteEvent = download;
  std::ofstream(file) << "older";
  lumidor->RemoteTakePicture();
  EXPECT_EQ(raised.rfind("CDGetReleasedData errorcode 0x00000081, ", 0), 0u) << raised;
  EXPECT_EQ(ReadAll(file), "older");
  // What stays under the aside name (a folder; on Windows also a leftover that another program
  // holds) fails the download before the library writes anything: the camera keeps the picture.
  Ready("");
  lumidor->OnRemoteEvent = download;
  fs::create_directory(file.string() + ".part");
  lumidor->RemoteTakePicture();
  EXPECT_EQ(raised, "File access denied");
  EXPECT_EQ(Calls("CDGetReleasedData"), Strings{});
  fs::remove(file.string() + ".part");
  lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture);
  EXPECT_EQ(ReadAll(file), simcam::MakePicture(1, 50000));
  EXPECT_TRUE(hooked.empty());

  // "Nothing released" is told by the low 16 bits of the code, as the library's texts are.
  const auto nothingReleased = [&](const std::string& code) {
    Ready("fail CDGetReleasedData " + code + "\n");
    try {
      lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture);
    } catch (const ENoPictureWaiting&) {
      return true;
    } catch (const ECamException&) {
    }
    return false;
  };
  EXPECT_TRUE(nothingReleased("0x0400008D"));
  EXPECT_FALSE(nothingReleased("0x22"));
}

// A release-complete event during the transfer makes the handler ask for the picture again: that
// download is refused, and the one under way goes on untouched.
TEST_F(CDCamera, ADownloadStartedWhileOneIsUnderWayIsRefusedAndTheFirstArrivesWhole) {
  const fs::path file = dir / "1.jpg";
  Strings raised;
  Ready("picture_bytes 70000\nrelease_event CDGetReleasedData 29 1 count=1\n");
  lumidor->OnRemoteEvent = DownloadInto(file, raised);
  lumidor->RemoteTakePicture();
  EXPECT_EQ(raised, (Strings{"RemoteGetPicture was called while a picture download is under way; "
                             "it has to end first",
                             ""}));
  EXPECT_EQ(ReadAll(file), simcam::MakePicture(1, 70000));
  EXPECT_FALSE(fs::exists(file.string() + ".part"));
  EXPECT_EQ(Calls("CDGetReleasedData").size(), 1u);
  EXPECT_TRUE(hooked.empty());
}

TEST_F(CDCamera, TheReleaseCountOfThumbnailAndPictureIsHalved) {
  Ready("", ReleaseDataKingTakeBothThumbAndPic);
  std::vector<int> counts;
  lumidor->OnRemoteEvent = [&](RemoteEventCallbackType event,
                               const AdditionNotifyRemoteEventType& data) {
    if (event == RemoteEventCallbackReleaseComplete) counts.push_back(data.DataValue);
  };
  lumidor->RemoteTakePicture();
  EXPECT_EQ(counts, std::vector<int>{1});
}

// Each checked entry point, failing, raises with its own label and the library's text.
TEST_F(CDCamera, EachCheckedCallFailsWithItsOwnMessage) {
  struct Case {
    const char* entryPoint;
    const char* label;
    std::function<void(TLumidor&)> operation;
  };
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
  const Case cases[] = {
      {"CDOpenSource", "CDOpenSource", connect},
      {"CDEnumDevicePropertyReset", "CDEnumDevicePropertyReset", connect},
      {"CDEnumDevicePropertyNext", "CDEnumDevicePropertyNext", connect},
      {"CDGetDevicePropertyData", "CDGetDevicePropertyData", connect},
      {"CDRegisterEventCallbackFunction", "CDRegisterEventCallbackFunction", connect},
      {"CDEnterReleaseControl", "CDEnterReleaseControl", remote},
      {"CDSelectReleaseDataKind", "CDSelectReleaseDataKind", remote},
      {"_CDGetReleaseControlFaculty@8", "CDGetReleaseControlFaculty", remote},
      {"CDGetMaximumZoomPos", "CDGetMaximumZoomPos", then([](TLumidor& l) {
         ZoomInfoType zoom;
         l.RemoteGetZoom(zoom);
       })},
      {"CDGetZoomPos", "CDGetZoomPos", then([](TLumidor& l) {
         ZoomInfoType zoom;
         l.RemoteGetZoom(zoom);
       })},
      {"CDSetZoomPos", "CDSetZoomPos", then([](TLumidor& l) { l.RemoteSetZoom(2); })},
      {"CDAFLock", "CDAFLock", then([](TLumidor& l) { l.RemoteAFLock(true); })},
      {"CDRelease", "CDRelease", then([](TLumidor& l) { l.RemoteTakePicture(); })},
      {"CDGetReleasedData", "CDGetReleasedData", then([](TLumidor& l) {
         l.RemoteTakePicture();
         l.RemoteGetPicture((fs::temp_directory_path() / "camera_test_unused.jpg").string(),
                            ReleaseDataKindTakeOnlyPicture);
       })},
  };
  for (const Case& c : cases) {
    for (const char* code : {"7", "0x00010081"}) {
      Configure(std::string("camera cd Cam One\nfail ") + c.entryPoint + " " + code + "\n");
      const std::string expected =
          std::string(c.label) + (code[0] == '7' ? " errorcode 0x00000007, Not supported"
                                                 : " errorcode 0x00010081, Device busy");
      EXPECT_EQ(RaisedMessage([&] { c.operation(*lumidor); }), expected);
    }
  }
  // The keep-alive read fails with the labels of its property search; the search is released.
  // The keep-alive read fails with the labels of its property search, which is released. Its
  // calls follow those of Connect's two searches.
  for (const std::string entryPoint :
       {"CDEnumDevicePropertyReset", "CDEnumDevicePropertyNext", "CDGetDevicePropertyData"}) {
    Configure("camera cd Cam One\n");
    fs::remove(dir / "trace.txt");
    lumidor->Connect(1, 0);
    const std::size_t before = Calls(entryPoint).size();
    Configure("camera cd Cam One\nfail " + entryPoint + " 0x60 from=" + std::to_string(before + 1) +
              "\n");
    lumidor->Connect(1, 0);
    fs::remove(dir / "trace.txt");
    EXPECT_EQ(RaisedMessage([&] { lumidor->ExtendShutdownTimer(); }),
              entryPoint + " errorcode 0x00000060, Invalid parameter");
    if (entryPoint != "CDEnumDevicePropertyReset") {
      EXPECT_EQ(Last(TraceNames()), "CDEnumDevicePropertyRelease");
    }
  }
}

TEST_F(CDCamera, AFailedRemoteModeLeavesTheComponentOutOfIt) {
  Configure("camera cd Cam One\nfail CDSelectReleaseDataKind 0x86\n");
  lumidor->Connect(1, 0);
  EXPECT_THROW(
      lumidor->EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture, false, "."),
      ECamException);
  EXPECT_FALSE(lumidor->InRemoteMode);
}

TEST_F(CDCamera, DeviceEventsReachOnEvent) {
  Ready(
      "event CDAFLock 0x00000001 3\n"
      "event CDAFLock 0x00040003\n"
      "event CDAFLock 0x00010007\n"
      "event CDAFLock 0x0002000C\n"
      "event CDAFLock 0x0000000D\n"
      "release_event CDAFLock 27\n");
  std::vector<std::pair<int, int>> events;
  Strings remote;
  lumidor->RemoteAFLock(true);  // nobody listens yet
  lumidor->OnEvent = [&](EventCallbackType e) { events.push_back({e.Severity, e.EventCode}); };
  lumidor->OnRemoteEvent = [&](RemoteEventCallbackType e, const AdditionNotifyRemoteEventType&) {
    remote.push_back(std::string(RemoteEventCallbackTypeInfo.NameOf(e)));
  };
  lumidor->RemoteAFLock(false);
  EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{1, 3}, {3, 6}, {0, 10}, {2, 0}, {1, 8}}));
  EXPECT_EQ(remote, Strings{"RemoteEventCallbackChangedByUI"});
}

TEST_F(CDCamera, TheShutdownWarningExtendsTheTimerOnlyWhileOnEventIsAssigned) {
  Ready("event CDAFLock 0x00040005\n");
  lumidor->RemoteAFLock(true);
  EXPECT_TRUE(Calls("CDEnumDevicePropertyReset").empty());
  int fired = 0;
  lumidor->OnEvent = [&](EventCallbackType) { ++fired; };
  lumidor->RemoteAFLock(true);
  EXPECT_EQ(Calls("CDEnumDevicePropertyReset").size(), 1u);
  EXPECT_EQ(Calls("CDGetDevicePropertyData").size(), 1u);
  EXPECT_EQ(fired, 0);
  lumidor->OnEvent = nullptr;
  lumidor->RemoteAFLock(true);
  EXPECT_EQ(Calls("CDEnumDevicePropertyReset").size(), 1u);
  EXPECT_TRUE(hooked.empty());
}

}  // namespace
