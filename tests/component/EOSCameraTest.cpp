// An EOS camera driven through TLumidor, as a program drives it, against the stand-in EOS library
// loaded into this process. Each test writes its own configuration, which the library reads at
// the next enumeration (a comment naming the test makes the `fail` counts start afresh and gives
// fresh camera objects). The call trace shows what reached the library.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "component/EDSDK.h"
#include "component/EDSDKApi.h"
#include "component/Lumidor.h"
#include "platform/Application.h"
#include "simcam/core/Picture.h"
#include "tests/component/CameraTestSupport.h"

namespace {

using namespace Lumidor;
using namespace CamDefines;
namespace fs = std::filesystem;
using namespace camera_test;

class EOSCamera : public CameraTest {
 protected:
  EOSCamera() : CameraTest("eoscamera_", true) {}

  // Connected and in remote mode; the trace starts afresh.
  void Ready(const std::string& text) {
    ConnectRemote("camera eos EOS One\n" + text, 2, ".", ReleaseDataKindTakeOnlyPicture);
  }
  TEDSDK& Wrapper() { return *lumidor->EDWrapper; }

  // For each reference of the trace: how often the library handed it out (camera lists,
  // cameras, items, streams), less how often it was given back with EdsRelease.
  static std::map<std::string, int> Held(const Strings& trace) {
    std::map<std::string, int> held;
    for (const std::string& line : trace) {
      for (const char* key : {" list=", " child=", " item=", " stream="}) {
        const auto at = line.find(key);
        if (at == std::string::npos) continue;
        const auto start = at + std::string(key).size();
        ++held[line.substr(start, line.find(' ', start) - start)];
      }
      if (line.rfind("EdsRelease(", 0) == 0 && line.find(" -> 0x00000000") != std::string::npos) {
        --held[line.substr(11, line.find(')') - 11)];
      }
    }
    return held;
  }
  // The references handed out and not given back, one entry for each.
  Strings Unreleased() const { return Unreleased(Trace()); }
  static Strings Unreleased(const Strings& trace) {
    Strings left;
    for (const auto& [ref, count] : Held(trace)) {
      for (int i = 0; i < count; ++i) left.push_back(ref);
    }
    return left;
  }
  // The references given back that the trace did not see handed out.
  static Strings ReleasedUnseen(const Strings& trace) {
    Strings unseen;
    for (const auto& [ref, count] : Held(trace)) {
      if (count < 0) unseen.push_back(ref);
    }
    return unseen;
  }
};

TEST_F(EOSCamera, ConnectRegistersItsHandlersOpensTheSessionAndReadsOwnerAndBattery) {
  Configure("camera eos EOS A\ncamera cd Cam\ncamera eos EOS B\nowner Jane Doe\n");
  EXPECT_EQ(*EOSNames, (Strings{"EOS A", "EOS B"}));
  fs::remove(dir / "trace.txt");
  const ConnectInfoType info = lumidor->Connect(2, 1);
  EXPECT_EQ(info.CameraType, 2);
  EXPECT_EQ(info.ModelName, "EOS B");
  EXPECT_EQ(info.OwnerName, "Jane Doe");
  EXPECT_EQ(info.PowerSource, 2);  // the default battery level 80: high
  EXPECT_EQ(info.BatteryLevel, 1);
  EXPECT_EQ(TraceNames(),
            (Strings{"EdsSetObjectEventHandler", "EdsSetPropertyEventHandler",
                     "EdsSetCameraStateEventHandler", "EdsOpenSession", "EdsGetDeviceInfo",
                     "EdsGetPropertyData", "EdsGetPropertyData"}));
  EXPECT_EQ(Calls("EdsSetObjectEventHandler"), Strings{"0x200, &, & -> 0x00000000"});
  EXPECT_EQ(Calls("EdsSetPropertyEventHandler"), Strings{"0x100, &, & -> 0x00000000"});
  EXPECT_EQ(Calls("EdsSetCameraStateEventHandler"), Strings{"0x300, &, & -> 0x00000000"});
  EXPECT_EQ(Calls("EdsGetPropertyData"),
            (Strings{"0x00000004, 0, 256, & -> 0x00000000", "0x00000008, 0, 4, & -> 0x00000000"}));

  // Only the low byte of the battery level counts.
  struct Battery {
    const char* value;
    int source;
    int level;
  };
  for (const Battery& b : {Battery{"0xFF", 1, 1}, Battery{"0x150", 2, 1}, Battery{"30", 2, 3},
                           Battery{"50", 2, 2}, Battery{"51", 0, 0}, Battery{"0x1FF", 1, 1}}) {
    Configure(std::string("camera eos EOS A\nproperty 0x08 ") + b.value + "\n");
    const ConnectInfoType battery = lumidor->Connect(2, 0);
    EXPECT_EQ(battery.PowerSource, b.source) << b.value;
    EXPECT_EQ(battery.BatteryLevel, b.level) << b.value;
  }
}

TEST_F(EOSCamera, ConnectChecksTheIndexBeforeAnyCall) {
  Configure("camera eos EOS A\ncamera eos EOS B\n");
  fs::remove(dir / "trace.txt");
  EXPECT_EQ(RaisedMessage([&] { lumidor->Connect(2, -1); }),
            "Not valid value in parameter ConnectToCamera when calling Connect. Value must be at "
            "least zero. Currently ConnectToCamera = -1");
  EXPECT_EQ(RaisedMessage([&] { lumidor->Connect(2, 2); }),
            "Not valid value in parameter ConnectToCamera when calling Connect. There are only 2 "
            "EOS cameras connected. Currently is parameter ConnectToCamera = 2");
  EXPECT_TRUE(Trace().empty());
  Configure("camera cd Cam\n");
  EXPECT_EQ(RaisedMessage([&] { lumidor->Connect(2, 0); }),
            "There seems to be no connected EOS cameras connected. Have you called the "
            "EnumerateCameras function before calling Connect?");
  EXPECT_EQ(lumidor->ConnectInfo.CameraType, 0);
}

TEST_F(EOSCamera, RemoteModeWritesTheSaveToTargetAndOffersOnlySettings) {
  Configure("camera eos EOS A\n");
  lumidor->Connect(2, 0);
  fs::remove(dir / "trace.txt");
  const RemoteProbeParamType result =
      lumidor->EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture, false, ".");
  RemoteProbeParamType expected{};
  expected[CanSetParams] = 1;
  EXPECT_EQ(result, expected);
  EXPECT_TRUE(lumidor->InRemoteMode);
  lumidor->EnterRemoteMode(ReleaseModeBothPCAndCamera, ReleaseDataKindTakeOnlyPicture, false, ".");
  lumidor->EnterRemoteMode(ReleaseModeOnlyToCamera, ReleaseDataKindTakeOnlyPicture, false, ".");
  EXPECT_EQ(Calls("EdsSetPropertyData"), (Strings{"0x0000000B, 0, 4, 0x00000002 -> 0x00000000",
                                                  "0x0000000B, 0, 4, 0x00000003 -> 0x00000000",
                                                  "0x0000000B, 0, 4, 0x00000001 -> 0x00000000"}));
}

TEST_F(EOSCamera, SettingsAreReadAsCommonIndexes) {
  Ready(
      "property 0x100 0x00 2 0x04 0x01 1 0x03\n"  // RAW first, then a 0x03 image of size 0x01
      "property 0x106 0x09\n"                     // colour temperature
      "property 0x107 5250\n"
      "property 0x108 0xFFFFFFFE 3\n"
      "property 0x115 0xFFFFFFFF 4 0x7FFFFFFF 2 0xFFFFFFFF 1\n"
      "property 0x400 0x03\n"
      "property 0x401 0x11\n"
      "property 0x403 0x03\n"
      "property 0x10D 0x02\n"
      "property 0x10F 0x05\n");
  const RemoteParamType params = lumidor->RemoteGetParams();
  EXPECT_EQ(params.ImageQuality, 5);
  EXPECT_EQ(params.ImageSize, 1);
  EXPECT_EQ(params.ImageQuality2, 3);
  EXPECT_EQ(params.ImageSize2, 2);
  EXPECT_EQ(params.WhiteBalance, 13);
  EXPECT_EQ(params.ColorTemperature, 5250);
  EXPECT_TRUE(params.WBShiftValid);
  EXPECT_EQ(params.WBShiftAB, -2);
  EXPECT_EQ(params.WBShiftGM, 3);
  EXPECT_TRUE(params.PictureStyleValid);
  EXPECT_EQ(params.PSContrast, -1);
  EXPECT_EQ(params.PSSharpness, 4);
  EXPECT_FALSE(params.PSSaturationValid);
  EXPECT_EQ(params.PSSaturation, 0);
  EXPECT_TRUE(params.PSColorToneValid);
  EXPECT_EQ(params.PSColorTone, 2);
  EXPECT_FALSE(params.PSFilterEffectValid);
  EXPECT_TRUE(params.PSToningEffectValid);
  EXPECT_EQ(params.PSToningEffect, 1);
  EXPECT_EQ(params.ShootingMode, 2);
  EXPECT_EQ(params.DriveMode, 7);
  EXPECT_EQ(params.MeteringMode, 4);
  EXPECT_EQ(params.ColorSpace, 2);
  EXPECT_EQ(params.PhotoEffect, 6);
  EXPECT_EQ(params.FlashMode, 0);
  EXPECT_EQ(params.Beep, 0);
  EXPECT_EQ(Calls("EdsGetPropertyData").size(), 15u);  // the colour temperature too

  // A shift with a "not available" half, and no colour temperature read for another balance.
  Ready("property 0x108 5 0x7FFFFFFF\nproperty 0x106 0x01\n");
  const RemoteParamType other = lumidor->RemoteGetParams();
  EXPECT_FALSE(other.WBShiftValid);
  EXPECT_EQ(other.WBShiftAB, 0);
  EXPECT_EQ(other.WhiteBalance, 2);
  EXPECT_EQ(other.ColorTemperature, 0);
  EXPECT_EQ(Calls("EdsGetPropertyData").size(), 14u);
}

TEST_F(EOSCamera, UnreadableSettingsReadAsZeroAndTheOthersAreStillRead) {
  Ready("fail EdsGetPropertyData 0x81 from=3\n");  // after the owner and battery reads
  EXPECT_EQ(lumidor->RemoteGetParams(), RemoteParamType{});
  Ready("refuse EdsGetPropertyData 0x100\nrefuse EdsGetPropertyData 0x115\n");
  const RemoteParamType params = lumidor->RemoteGetParams();
  EXPECT_EQ(params.ImageQuality, 0);
  EXPECT_EQ(params.ImageSize, 0);
  EXPECT_FALSE(params.PictureStyleValid);
  EXPECT_EQ(params.PSSharpness, 0);
  EXPECT_EQ(params.ShootingMode, 2);  // the default AE mode 0x03
  // A property the camera has in another size than the wrapper's record is not read.
  Ready("property 0x100 0 1 3\n");
  EXPECT_EQ(lumidor->RemoteGetParams().ImageQuality, 0);
}

TEST_F(EOSCamera, SettingsAreWrittenWithTheirCodesAndReadBack) {
  Ready("");
  lumidor->RemoteSetParams(RemoteParamType{});
  EXPECT_TRUE(Calls("EdsSetPropertyData").empty());

  RemoteParamType params;
  params.ImageQuality = 3;
  params.ImageSize = 2;
  params.ShootingMode = 18;
  params.WhiteBalance = 13;
  params.ColorTemperature = 5250;
  params.WBShiftValid = true;
  params.WBShiftAB = -3;
  params.WBShiftGM = 2;
  params.MeteringMode = 4;
  params.PictureStyleValid = true;
  params.PSContrast = -2;
  params.PSSharpness = 5;
  params.PSColorToneValid = true;
  params.PSColorTone = -1;
  params.PhotoEffect = 6;
  params.FlashMode = 3;  // never sent to an EOS camera
  lumidor->RemoteSetParams(params);
  EXPECT_EQ(Calls("EdsSetPropertyData"),
            (Strings{
                "0x00000100, 0, 24, 0x00000001,0x00000001,0x00000003,0x00000000,0x00000000,"
                "0x00000000 -> 0x00000000",
                "0x00000400, 0, 4, 0x00000002 -> 0x00000000",
                "0x00000106, 0, 4, 0x00000009 -> 0x00000000",
                "0x00000107, 0, 4, 0x00001450 -> 0x00000000",  // 5200
                "0x00000108, 0, 8, 0xFFFFFFFD,0x00000002 -> 0x00000000",
                "0x00000403, 0, 4, 0x00000003 -> 0x00000000",
                "0x00000115, 0, 24, 0xFFFFFFFE,0x00000005,0x7FFFFFFF,0xFFFFFFFF,0xFFFFFFFF,"
                "0xFFFFFFFF -> 0x00000000",
                "0x0000010F, 0, 4, 0x00000005 -> 0x00000000",
            }));
  RemoteParamType back = lumidor->RemoteGetParams();
  EXPECT_EQ(back.ImageQuality, 3);
  EXPECT_EQ(back.ImageSize, 2);
  EXPECT_EQ(back.ShootingMode, 18);
  EXPECT_EQ(back.WhiteBalance, 13);
  EXPECT_EQ(back.ColorTemperature, 5200);
  EXPECT_EQ(back.WBShiftAB, -3);
  EXPECT_EQ(back.PSContrast, -2);
  EXPECT_EQ(back.PSColorTone, -1);
  EXPECT_FALSE(back.PSSaturationValid);
  EXPECT_EQ(back.PhotoEffect, 6);

  // RAW alone: the second image's words stay 0 when its codes are missing; a shooting mode
  // without a code is not sent.
  Ready("");
  RemoteParamType raw;
  raw.ImageQuality = 5;
  raw.ImageQuality2 = 1;  // no EOS code
  raw.ImageSize2 = 2;
  raw.ShootingMode = 5;  // no EOS code
  lumidor->RemoteSetParams(raw);
  EXPECT_EQ(Calls("EdsSetPropertyData"),
            Strings{"0x00000100, 0, 24, 0x00000000,0x00000002,0x00000004,0x00000000,0x00000000,"
                    "0x00000000 -> 0x00000000"});
  raw.ImageQuality2 = 3;
  fs::remove(dir / "trace.txt");
  lumidor->RemoteSetParams(raw);
  EXPECT_EQ(Calls("EdsSetPropertyData"),
            Strings{"0x00000100, 0, 24, 0x00000000,0x00000002,0x00000004,0x00000001,0x00000001,"
                    "0x00000003 -> 0x00000000"});
  back = lumidor->RemoteGetParams();
  EXPECT_EQ(back.ImageQuality, 5);
  EXPECT_EQ(back.ImageQuality2, 3);
  EXPECT_EQ(back.ImageSize2, 2);
}

TEST_F(EOSCamera, ARefusedWriteIsRetriedAndThenGivenUpWithoutStoppingTheOthers) {
  Ready("refuse EdsSetPropertyData 0x400 times=2\nrefuse EdsSetPropertyData 0x405\n");
  RemoteParamType params;
  params.ShootingMode = 2;
  params.Av = 10;
  params.Tv = 20;
  EXPECT_NO_THROW(lumidor->RemoteSetParams(params));
  const Strings calls = Calls("EdsSetPropertyData");
  std::size_t mode = 0, av = 0, tv = 0;
  for (const std::string& call : calls) {
    mode += call.rfind("0x00000400", 0) == 0;
    av += call.rfind("0x00000405", 0) == 0;
    tv += call.rfind("0x00000406", 0) == 0;
  }
  EXPECT_EQ(mode, 3u);  // two refusals, then taken
  EXPECT_EQ(av, 51u);   // refused every time: 50 waits, then given up
  EXPECT_EQ(tv, 1u);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().substr(calls.back().size() - 10), "0x00000000");
  EXPECT_EQ(lumidor->RemoteGetParams().Tv, 20);
}

TEST_F(EOSCamera, TheAnnouncedPictureIsDownloadedFromInsideTheEvent) {
  Ready("picture_bytes 70000\n");
  const fs::path file = dir / "1.jpg";
  Strings events, seen;
  std::vector<int> progress;
  LeaveOlderFileAndAside(file);
  const auto watch = WatchDownload(file, seen);
  lumidor->OnRemoteTakePictureEvent = [&](std::int32_t p) {
    progress.push_back(p);
    watch(p);
  };
  lumidor->OnRemoteEvent = [&](RemoteEventCallbackType event,
                               const AdditionNotifyRemoteEventType& data) {
    events.push_back(std::string(RemoteEventCallbackTypeInfo.NameOf(event)) + " " +
                     std::to_string(data.DataKind) + " " + std::to_string(data.DataSubKind));
    if (event == RemoteEventCallbackReleaseImageReady) {
      lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture);
    }
  };
  lumidor->RemoteTakePicture();
  lumidor->RemoteTakePicture();
  ASSERT_TRUE(hooked.empty()) << hooked.front();
  EXPECT_EQ(events, (Strings{"RemoteEventCallbackReleaseImageReady 2 2",
                             "RemoteEventCallbackReleaseImageReady 2 2"}));
  EXPECT_EQ(ReadAll(file), simcam::MakePicture(2, 70000));
  // Each picture written aside and put in place whole: until then what was there stays.
  EXPECT_EQ(seen, (Strings{"older + aside", simcam::MakePicture(1, 70000) + " + aside"}));
  EXPECT_FALSE(fs::exists(file.string() + ".part"));
  EXPECT_EQ(progress, (std::vector<int>{23, 46, 70, 93, 100, 23, 46, 70, 93, 100}));
  EXPECT_EQ(Calls("EdsSendCommand"), (Strings{"0, 0 -> 0x00000000", "0, 0 -> 0x00000000"}));
  EXPECT_TRUE(Wrapper().PendingItems.empty());
  EXPECT_EQ(Wrapper().DownloadMode, 0);
  EXPECT_EQ(Unreleased(), Strings{});  // every item and stream released
  const Strings names = TraceNames();
  EXPECT_EQ(Strings(names.begin(), names.begin() + 8),
            (Strings{"EdsCreateFileStream", "EdsGetDirectoryItemInfo", "EdsSetProgressCallback",
                     "EdsDownload", "EdsRelease", "EdsDownloadComplete", "EdsRelease",
                     "EdsSendCommand"}));
}

TEST_F(EOSCamera, AThumbnailLeavesThePictureQueuedForLater) {
  Ready("picture_bytes 3000\nthumbnail_bytes 600\n");
  lumidor->OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
  lumidor->RemoteTakePicture();
  lumidor->RemoteTakePicture();
  ASSERT_EQ(Wrapper().PendingItems.size(), 2u);
  const fs::path thumb = dir / "thumb.jpg";
  lumidor->RemoteGetPicture(thumb.string(), ReleaseDataKindTakeOnlyThumbnail);
  EXPECT_EQ(ReadAll(thumb), simcam::MakePicture(1, 600));
  EXPECT_EQ(Wrapper().PendingItems.size(), 2u);
  // Neither thumbnail nor picture: refused before any stream or file, and the item stays.
  const fs::path none = dir / "none.jpg";
  RestartTrace();
  EXPECT_EQ(RaisedMessage([&] {
              lumidor->RemoteGetPicture(none.string(), ReleaseDataKingTakeBothThumbAndPic);
            }),
            "An EOS camera delivers the picture or its thumbnail, not data kind 2");
  EXPECT_FALSE(fs::exists(none));
  EXPECT_TRUE(Trace().empty());
  EXPECT_EQ(Wrapper().PendingItems.size(), 2u);
  // Oldest first.
  lumidor->RemoteGetPicture((dir / "1.jpg").string(), ReleaseDataKindTakeOnlyPicture);
  lumidor->RemoteGetPicture((dir / "2.jpg").string(), ReleaseDataKindTakeOnlyPicture);
  EXPECT_EQ(ReadAll(dir / "1.jpg"), simcam::MakePicture(1, 3000));
  EXPECT_EQ(ReadAll(dir / "2.jpg"), simcam::MakePicture(2, 3000));
  EXPECT_EQ(Unreleased(), Strings{});
  EXPECT_EQ(RaisedMessage([&] {
              lumidor->RemoteGetPicture((dir / "3.jpg").string(), ReleaseDataKindTakeOnlyPicture);
            }),
            "There are no pictures to download");
}

// The library takes names of 254 characters at most, and the picture goes to its aside name first.
TEST_F(EOSCamera, TheFileNameMayHave249Characters) {
  Ready("picture_bytes 1000\n");
  lumidor->OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
  lumidor->RemoteTakePicture();
  const std::string base = dir.string() + "/";
  ASSERT_LT(base.size(), 200u);
  const std::string longest = base + std::string(249 - base.size(), 'a');
  const std::string tooLong = longest + "b";
  fs::remove(dir / "trace.txt");
  EXPECT_EQ(
      RaisedMessage([&] { lumidor->RemoteGetPicture(tooLong, ReleaseDataKindTakeOnlyPicture); }),
      "Filename " + tooLong + " too long");
  EXPECT_TRUE(Trace().empty());
  EXPECT_EQ(Wrapper().PendingItems.size(), 1u);
  lumidor->RemoteGetPicture(longest, ReleaseDataKindTakeOnlyPicture);
  EXPECT_EQ(ReadAll(longest), simcam::MakePicture(1, 1000));
  EXPECT_EQ(Trace().at(0).rfind("EdsCreateFileStream(\"" + longest + ".part\", ", 0), 0u);
}

TEST_F(EOSCamera, AnnouncementsNobodyWaitsForAreReleasedAtOnce) {
  // Without OnRemoteEvent the picture is not queued; another object event never is.
  Ready("event EdsSendCommand 0x204\n");
  lumidor->RemoteTakePicture();
  EXPECT_TRUE(Wrapper().PendingItems.empty());
  lumidor->OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
  lumidor->RemoteTakePicture();
  EXPECT_EQ(Wrapper().PendingItems.size(), 1u);
  // Handed out: two pictures and two 0x204 items; three released, one queued.
  const Strings left = Unreleased();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0], std::to_string(Wrapper().PendingItems.front()));
}

TEST_F(EOSCamera, AFailedDownloadDropsThePictureAnyOtherFailureKeepsIt) {
  Ready("fail EdsDownload 0x28\n");
  lumidor->OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
  lumidor->RemoteTakePicture();
  EXPECT_EQ(RaisedMessage([&] {
              lumidor->RemoteGetPicture((dir / "1.jpg").string(), ReleaseDataKindTakeOnlyPicture);
            }),
            "EdsDownload errorcode 0x00000028, File write error");
  EXPECT_FALSE(fs::exists(dir / "1.jpg"));  // the file the stream created is gone
  EXPECT_TRUE(Wrapper().PendingItems.empty());
  EXPECT_EQ(Wrapper().DownloadMode, 0);
  EXPECT_EQ(Unreleased(), Strings{});
  EXPECT_EQ(Calls("EdsDownloadComplete").size(), 1u);

  // A failing stream creation raises at once and keeps the picture queued; a file that was
  // there before stays as it was.
  Ready("fail EdsCreateFileStream 0x23 count=1\n");
  lumidor->OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
  lumidor->RemoteTakePicture();
  std::ofstream(dir / "1.jpg") << "older";
  EXPECT_EQ(RaisedMessage([&] {
              lumidor->RemoteGetPicture((dir / "1.jpg").string(), ReleaseDataKindTakeOnlyPicture);
            }),
            "EdsCreateFileStream errorcode 0x00000023, File open error");
  EXPECT_EQ(ReadAll(dir / "1.jpg"), "older");
  EXPECT_EQ(Wrapper().PendingItems.size(), 1u);
  lumidor->RemoteGetPicture((dir / "1.jpg").string(), ReleaseDataKindTakeOnlyPicture);
  EXPECT_TRUE(Wrapper().PendingItems.empty());

  // So does a failure before the transfer: nothing of the picture was fetched.
  for (const std::string entryPoint : {"EdsGetDirectoryItemInfo", "EdsSetProgressCallback"}) {
    SCOPED_TRACE(entryPoint);
    const fs::path file = dir / (entryPoint + ".jpg");
    Ready("picture_bytes 2000\nfail " + entryPoint + " 0x81 count=1\n");
    lumidor->OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
    lumidor->RemoteTakePicture();
    EXPECT_EQ(RaisedMessage([&] {
                lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture);
              }),
              entryPoint + " errorcode 0x00000081, Device busy");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(Wrapper().PendingItems.size(), 1u);
    lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture);
    EXPECT_EQ(ReadAll(file), simcam::MakePicture(1, 2000));
    EXPECT_TRUE(Wrapper().PendingItems.empty());
    EXPECT_EQ(Unreleased(), Strings{});
  }

  // A picture that cannot take its name (a folder is there) stays queued, and the next download
  // into a free name delivers it.
  Ready("picture_bytes 2000\n");
  lumidor->OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
  lumidor->RemoteTakePicture();
  fs::create_directory(dir / "3.jpg");
  EXPECT_NE(RaisedMessage([&] {
              lumidor->RemoteGetPicture((dir / "3.jpg").string(), ReleaseDataKindTakeOnlyPicture);
            }),
            "");
  EXPECT_EQ(Wrapper().PendingItems.size(), 1u);
  EXPECT_TRUE(Calls("EdsDownloadComplete").empty());
  EXPECT_FALSE(fs::exists(dir / "3.jpg.part"));
  lumidor->RemoteGetPicture((dir / "4.jpg").string(), ReleaseDataKindTakeOnlyPicture);
  EXPECT_EQ(ReadAll(dir / "4.jpg"), simcam::MakePicture(1, 2000));
  EXPECT_TRUE(Wrapper().PendingItems.empty());
  EXPECT_EQ(Unreleased(), Strings{});
}

TEST_F(EOSCamera, TheHandlersOfADestroyedComponentReachNoLaterComponent) {
  // The fixture's component keeps the cameras listed. One that was connected to the first camera
  // goes; each one made after it is connected to the second camera and listens, while the first
  // camera announces pictures to the handler of the gone one.
  Configure("camera eos EOS A\ncamera eos EOS B\n");
  const EdsRef first = EOSCameras().at(0);
  auto gone = std::make_unique<TLumidor>(nullptr);
  gone->Connect(2, 0);
  gone->OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
  gone.reset();
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    auto later = std::make_unique<TLumidor>(nullptr);
    later->Connect(2, 1);
    int fired = 0;
    later->OnRemoteEvent = [&](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {
      ++fired;
    };
    RestartTrace();
    ASSERT_EQ(EDSDK::EdsSendCommand(first, kEdsCommandTakePicture, 0), 0u);
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(later->EDWrapper->PendingItems.empty());
    EXPECT_EQ(Unreleased(), Strings{});  // the announced picture went back at once
  }

  // Once every component is gone the registry numbers its slots from 0 again, so a component made
  // then takes the slot of a gone one. The gone one's camera, kept here by a reference of the
  // test's own, announces a picture to the gone handler: it reaches nothing of the new component.
  lumidor.reset();
  auto alone = std::make_unique<TLumidor>(nullptr);
  alone->EnumerateCameras();
  alone->Connect(2, 0);
  EdsRef list = 0, held = 0;
  ASSERT_EQ(EDSDK::EdsGetCameraList(&list), 0u);
  ASSERT_EQ(EDSDK::EdsGetChildAtIndex(list, 0, &held), 0u);
  (void)EDSDK::EdsRelease(list);
  const std::int32_t slot = alone->RegistryIndex;
  alone.reset();
  auto later = std::make_unique<TLumidor>(nullptr);
  EXPECT_EQ(later->RegistryIndex, slot);
  later->EnumerateCameras();
  later->Connect(2, 1);
  int fired = 0;
  later->OnRemoteEvent = [&](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {
    ++fired;
  };
  ASSERT_EQ(EDSDK::EdsSendCommand(held, kEdsCommandTakePicture, 0), 0u);
  EXPECT_EQ(fired, 0);
  EXPECT_TRUE(later->EDWrapper->PendingItems.empty());
  (void)EDSDK::EdsRelease(held);
  EXPECT_TRUE(hooked.empty());
}

TEST_F(EOSCamera, EveryReferenceGoesBackAfterAFailedListingAndAtTheEndOfTheComponent) {
  // The second camera's description cannot be read: the listing fails and keeps nothing.
  WriteConfig("camera eos EOS A\ncamera eos EOS B\nfail EdsGetDeviceInfo 0x61 from=2 count=1\n");
  NewLumidor();
  EXPECT_EQ(RaisedMessage([&] { lumidor->EnumerateCameras(); }),
            "EdsGetDeviceInfo errorcode 0x00000061, Invalid handle");
  EXPECT_TRUE(EOSNames->empty());
  EXPECT_TRUE(EOSCameras().empty());
  EXPECT_EQ(Unreleased(), Strings{});
  // So does a count that no set of attached cameras reaches, before any camera is asked for.
  std::string many;
  for (int i = 0; i <= 100; ++i) many += "camera eos EOS " + std::to_string(i) + "\n";
  WriteConfig(many);
  RestartTrace();
  EXPECT_EQ(RaisedMessage([&] { lumidor->EnumerateCameras(); }),
            "EdsGetChildCount delivered 101 cameras; a listing takes at most 100");
  EXPECT_TRUE(EOSCameras().empty());
  EXPECT_TRUE(Calls("EdsGetChildAtIndex").empty());
  EXPECT_EQ(Unreleased(), Strings{});
  WriteConfig("camera eos EOS A\ncamera eos EOS B\n");

  // A life: listed, connected, listed again while connected, two pictures announced and one
  // fetched, an announcement after the component is gone.
  RestartTrace();
  lumidor->EnumerateCameras();
  lumidor->Connect(2, 1);
  lumidor->EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture, false, ".");
  lumidor->EnumerateCameras();
  lumidor->OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
  lumidor->RemoteTakePicture();
  lumidor->RemoteTakePicture();
  lumidor->RemoteGetPicture((dir / "1.jpg").string(), ReleaseDataKindTakeOnlyPicture);
  void* context = Wrapper().CallbackContext();
  EXPECT_NE(Unreleased(), Strings{});
  lumidor.reset();
  EXPECT_EQ(Unreleased(), Strings{});
  // The handler of the gone component still gets an object now and then: it gives it back.
  EdsRef object = 0;
  const std::string file = (dir / "object").string();
  ASSERT_EQ(EDSDK::EdsCreateFileStream(file.c_str(), 1, 1, &object), 0u);
  EXPECT_EQ(EdsObjectEventProc(0x208, object, context), 0u);
  EXPECT_EQ(Unreleased(), Strings{});
  EXPECT_TRUE(hooked.empty());

  // Another component ends the library while this one holds its own camera reference and an
  // announced picture: they go back before the end, and nothing of that session is given back
  // once a new listing has started the library again.
  NewLumidor();
  RestartTrace();
  lumidor->EnumerateCameras();
  lumidor->Connect(2, 0);
  lumidor->EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture, false, ".");
  lumidor->EnumerateCameras();
  lumidor->OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
  lumidor->RemoteTakePicture();
  ASSERT_EQ(Wrapper().PendingItems.size(), 1u);
  auto other = std::make_unique<TLumidor>(nullptr);
  other->FinishSDKs();
  const Strings ended = Trace();
  ASSERT_FALSE(ended.empty());
  EXPECT_EQ(ended.back().rfind("EdsTerminateSDK(", 0), 0u) << ended.back();
  EXPECT_EQ(Unreleased(ended), Strings{});
  RestartTrace();
  other->EnumerateCameras();
  lumidor.reset();
  other.reset();
  EXPECT_EQ(Unreleased(), Strings{});
  EXPECT_EQ(ReleasedUnseen(Trace()), Strings{});
  EXPECT_TRUE(hooked.empty());
}

// Each checked entry point, failing, raises with its own label and the library's text.
TEST_F(EOSCamera, EachCheckedCallFailsWithItsOwnMessage) {
  struct Case {
    const char* rule;  // the `fail` rule's entry point and options
    const char* label;
    std::function<void(TLumidor&)> operation;
  };
  const auto connect = [](TLumidor& l) { l.Connect(2, 0); };
  const auto remote = [](TLumidor& l) {
    l.Connect(2, 0);
    l.EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture, false, ".");
  };
  // Each fetch into a file of its own: a stream whose release failed keeps its file open in the
  // library, and Windows refuses to rename onto it.
  int fetches = 0;
  const auto fetched = [](int n) {
    return fs::temp_directory_path() / ("eoscamera_fetch" + std::to_string(n) + ".jpg");
  };
  const auto fetch = [remote, &fetches, fetched](ReleaseDataKindType kind) {
    return [remote, kind, &fetches, fetched](TLumidor& l) {
      remote(l);
      l.OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {};
      l.RemoteTakePicture();
      l.RemoteGetPicture(fetched(++fetches).string(), kind);
    };
  };
  const Case cases[] = {
      {"EdsSetObjectEventHandler", "EdsSetObjectEventHandler", connect},
      {"EdsSetPropertyEventHandler", "EdsSetPropertyEventHandler", connect},
      {"EdsSetCameraStateEventHandler", "EdsSetCameraStateEventHandler", connect},
      {"EdsOpenSession", "EdsOpenSession", connect},
      {"EdsGetDeviceInfo from=2", "EdsGetDeviceInfo", connect},  // the first one lists
      {"EdsGetPropertyData", "EdsGetPropertyData", connect},
      {"EdsGetPropertyData from=2", "EdsGetPropertyData", connect},
      {"EdsSetPropertyData", "EdsSetPropertyData", remote},
      {"EdsSendCommand", "EdsSendCommand",
       [remote](TLumidor& l) {
         remote(l);
         l.RemoteTakePicture();
       }},
      {"EdsSendCommand", "EdsSendCommand",
       [remote](TLumidor& l) {
         remote(l);
         l.ExtendShutdownTimer();
       }},
      {"EdsCreateFileStream", "EdsCreateFileStream", fetch(ReleaseDataKindTakeOnlyPicture)},
      {"EdsGetDirectoryItemInfo", "EdsGetDirectoryItemInfo", fetch(ReleaseDataKindTakeOnlyPicture)},
      {"EdsSetProgressCallback", "EdsSetProgressCallback", fetch(ReleaseDataKindTakeOnlyPicture)},
      {"EdsDownloadComplete", "EdsDownloadComplete", fetch(ReleaseDataKindTakeOnlyPicture)},
      {"EdsRelease from=2", "EdsRelease", fetch(ReleaseDataKindTakeOnlyPicture)},  // the stream
      {"EdsRelease from=3", "EdsRelease", fetch(ReleaseDataKindTakeOnlyPicture)},  // the item
      {"EdsDownloadThumbnail", "EdsDownloadThumbnail", fetch(ReleaseDataKindTakeOnlyThumbnail)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    // The rule's code goes right after the entry point's name.
    std::string rule = std::string("fail ") + c.rule;
    const auto blank = rule.find(' ', 5);
    rule = blank == std::string::npos ? rule + " 0x81"
                                      : rule.substr(0, blank) + " 0x81" + rule.substr(blank);
    Configure("camera eos EOS A\n" + rule + "\n");
    EXPECT_EQ(RaisedMessage([&] { c.operation(*lumidor); }),
              std::string(c.label) + " errorcode 0x00000081, Device busy");
  }
  // The file kept open may stay on Windows.
  std::error_code ignored;
  for (int n = 1; n <= fetches; ++n) {
    fs::remove(fetched(n), ignored);
    fs::remove(fetched(n).string() + ".part", ignored);
  }
}

TEST_F(EOSCamera, MalformedNamesAndOversizedPropertiesAreHandledSafely) {
  // A description and an owner name without a terminating zero are cut at their field.
  Configure("camera eos EOS A\nunterminated_names\nowner " + std::string(256, 'o') + "\n");
  ASSERT_EQ(EOSNames->size(), 1u);
  EXPECT_EQ((*EOSNames)[0], "EOS A" + std::string(251, '#'));
  const ConnectInfoType info = lumidor->Connect(2, 0);
  EXPECT_EQ(info.ModelName, "EOS A" + std::string(251, '#'));
  EXPECT_EQ(info.OwnerName, std::string(256, 'o'));
  // An owner name larger than the buffer is refused by the library, and Connect says so.
  Configure("camera eos EOS A\nowner " + std::string(300, 'o') + "\n");
  EXPECT_EQ(RaisedMessage([&] { lumidor->Connect(2, 0); }),
            "EdsGetPropertyData errorcode 0x00000064, Invalid length");
  Configure("camera eos EOS A\nproperty 0x08 80 0\n");
  EXPECT_EQ(RaisedMessage([&] { lumidor->Connect(2, 0); }),
            "EdsGetPropertyData errorcode 0x00000064, Invalid length");
}

TEST_F(EOSCamera, CameraNoticesReachOnEventAndTheShutdownWarningKeepsTheCameraAwake) {
  Ready(
      "event EdsSendCommand 0x303 from=1 count=1\n"
      "event EdsSendCommand 0x101 from=2 count=1\n"
      "event EdsSendCommand 0x305 from=3 count=1\n");
  std::vector<int> codes;
  lumidor->OnEvent = [&](EventCallbackType e) { codes.push_back(e.Severity * 100 + e.EventCode); };
  lumidor->RemoteTakePicture();  // the warning: the timer is extended from inside the event
  EXPECT_EQ(Calls("EdsSendCommand"), (Strings{"1, 0 -> 0x00000000", "0, 0 -> 0x00000000"}));
  lumidor->ExtendShutdownTimer();
  EXPECT_EQ(codes, (std::vector<int>{111, 312}));
  EXPECT_TRUE(hooked.empty());
}

}  // namespace

namespace {

// Value lists are read within their record, whatever count the library claims.
TEST(EOSPropertyDesc, ValuesAreReadWithinTheRecord) {
  EdsPropertyDesc desc{};
  desc.NumElements = 2;
  desc.Elements[0] = 0x20;
  desc.Elements[1] = 0x23;
  EXPECT_EQ(EDSDKApi::PropertyDescValues(desc, kEdsPropAv),
            (std::vector<std::int32_t>{0x20, 0x23}));
  desc.NumElements = 128;
  EXPECT_EQ(EDSDKApi::PropertyDescValues(desc, kEdsPropAv).size(), 128u);
  for (const std::int32_t count : {129, -1}) {
    desc.NumElements = count;
    EXPECT_EQ(RaisedMessage([&] { EDSDKApi::PropertyDescValues(desc, kEdsPropISOSpeed); }),
              "EdsGetPropertyDesc delivered " + std::to_string(count) +
                  " values for property 0x00000402; the record holds at most 128");
  }
}

}  // namespace
