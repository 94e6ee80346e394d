// The library callbacks, called directly with the records a camera library would hand them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "component/EDSDK.h"
#include "component/EDSDKApi.h"
#include "component/Lumidor.h"
#include "platform/Application.h"
#include "tests/component/CameraTestSupport.h"
#include "tests/simcam/Env.h"

namespace {

using namespace Lumidor;
using namespace CamDefines;
namespace fs = std::filesystem;

struct RemoteFired {
  RemoteEventCallbackType Event;
  AdditionNotifyRemoteEventType Data;
};

class Callbacks : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::Application::Instance().OnException = [this](rt::Component* sender,
                                                     const std::exception& error) {
      errors.push_back(error.what());
      senders.push_back(sender);
    };
  }
  void TearDown() override { rt::Application::Instance().OnException = nullptr; }

  void ListenToEvents() {
    lumidor.OnEvent = [this](EventCallbackType e) {
      events += std::to_string(e.Severity) + "," + std::to_string(e.EventCode) + " ";
    };
  }
  void ListenToRemoteEvents() {
    lumidor.OnRemoteEvent = [this](RemoteEventCallbackType e,
                                   const AdditionNotifyRemoteEventType& data) {
      remote.push_back({e, data});
    };
  }
  CDContext Context() const { return static_cast<CDContext>(lumidor.RegistryIndex); }
  void* EdsContext() { return lumidor.EDWrapper->CallbackContext(); }
  // Sets the release mode and kind as EnterRemoteMode stores them (before its connection check).
  void Release(ReleaseModeType mode, ReleaseDataKindType kind) {
    EXPECT_THROW(lumidor.EnterRemoteMode(mode, kind, false, "."), ECamException);
  }

  TLumidor lumidor{nullptr};
  std::string events;  // "severity,code " per OnEvent
  std::vector<RemoteFired> remote;
  std::vector<std::string> errors;
  std::vector<rt::Component*> senders;
};

TEST_F(Callbacks, CDDeviceEventsMapToSeverityAndCode) {
  ListenToEvents();
  const std::uint32_t battery[] = {6, 4, 3, 2, 5, 0x36};  // the low four bits count
  for (std::uint32_t state : battery) {
    EXPECT_EQ(CDEventProc(0x00000001, &state, 4, Context()), 0u);
  }
  EXPECT_EQ(events, "1,1 1,2 1,3 1,4 1,0 1,1 ");
  events.clear();

  const std::uint32_t zero = 0;
  for (std::uint32_t low : {2u, 3u, 4u, 6u, 7u, 11u, 13u, 0u, 8u, 9u, 10u, 12u, 14u, 0xFFFFu}) {
    CDEventProc(0x00020000 | low, &zero, 4, Context());
  }
  EXPECT_EQ(events, "2,5 2,6 2,7 2,9 2,10 2,11 2,8 2,0 2,0 2,0 2,0 2,0 2,0 2,0 ");
  events.clear();

  // Severity from bits 16..19 only.
  for (std::uint32_t severity : {0x00000000u, 0x00020000u, 0x00040000u, 0x00010000u, 0x00030000u,
                                 0x000F0000u, 0xFFF40000u}) {
    CDEventProc(severity | 2, &zero, 4, Context());
  }
  EXPECT_EQ(events, "1,5 2,5 3,5 0,5 0,5 0,5 3,5 ");
  // A battery event without data reads as state 0; the argument beside the data is not read.
  events.clear();
  CDEventProc(1, nullptr, 4, Context());
  CDEventProc(1, &battery[0], 0, Context());
  EXPECT_EQ(events, "1,0 1,1 ");
  EXPECT_TRUE(errors.empty());
}

TEST_F(Callbacks, ShutdownWarningsExtendTheTimerOnlyWhileOnEventIsAssigned) {
  // Without a camera ExtendShutdownTimer raises, which shows whether it ran; the error reaches the
  // application's hook, not the library.
  EXPECT_EQ(CDEventProc(0x00040005, nullptr, 0, Context()), 0u);
  EXPECT_EQ(EdsStateEventProc(0x303, 0, EdsContext()), 0u);
  EXPECT_TRUE(errors.empty());

  ListenToEvents();
  EXPECT_EQ(CDEventProc(0x00040005, nullptr, 0, Context()), 0u);
  EXPECT_EQ(EdsStateEventProc(0x303, 0, EdsContext()), 0u);
  EXPECT_EQ(errors, (std::vector<std::string>{"No camera is connected", "No camera is connected"}));
  EXPECT_EQ(senders, (std::vector<rt::Component*>{&lumidor, &lumidor}));
  EXPECT_TRUE(events.empty());  // the warning itself never reaches OnEvent
}

TEST_F(Callbacks, ErrorsOfHandlersGoToTheApplicationHook) {
  lumidor.OnEvent = [](EventCallbackType) { throw ECamException("handler failed"); };
  lumidor.OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {
    throw std::runtime_error("remote handler failed");
  };
  lumidor.OnRemoteTakePictureEvent = [](std::int32_t) { throw 42; };
  EXPECT_EQ(CDEventProc(2, nullptr, 0, Context()), 0u);
  EXPECT_EQ(ReleaseEventProc(28, nullptr, 0, Context()), 0u);
  EXPECT_EQ(ReleaseProgressProc(50, 0, Context()), 0u);
  // The EOS picture stays queued for a later download.
  EXPECT_EQ(EdsObjectEventProc(0x208, 801, EdsContext()), 0u);
  EXPECT_EQ(errors, (std::vector<std::string>{"handler failed", "remote handler failed",
                                              "Unknown exception", "remote handler failed"}));
  EXPECT_EQ(lumidor.EDWrapper->PendingItems, std::deque<EdsRef>{801});
  lumidor.EDWrapper->PendingItems.clear();
  // A callback without its record does nothing.
  EXPECT_EQ(PREventProc(0, Context(), nullptr), 0u);
  EXPECT_EQ(errors.size(), 4u);
}

TEST_F(Callbacks, ACallbackWhoseComponentIsGoneDoesNothing) {
  ListenToEvents();
  ListenToRemoteEvents();
  lumidor.OnRemoteGetPictureEvent = [this](std::int32_t) { events += "progress "; };
  const std::uint32_t count = 2;
  PREventRecord record{};
  record.Code = 0xC008;
  for (CDContext context : {CDContext{7}, static_cast<CDContext>(-1)}) {
    EXPECT_EQ(CDEventProc(2, &count, 4, context), 0u);
    EXPECT_EQ(ReleaseEventProc(29, &count, 4, context), 0u);
    EXPECT_EQ(CDGetPictureProgressProc(10, 0, context), 0u);
    EXPECT_EQ(PREventProc(0, context, &record), 0u);
  }
  std::int32_t slot = 5;
  EXPECT_EQ(EdsPropertyEventProc(0x101, 0, 0, &slot), 0u);
  EXPECT_EQ(EdsObjectEventProc(0x208, 9, &slot), 0u);
  EXPECT_EQ(EdsProgressProc(10, nullptr, nullptr), 0u);
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(remote.empty());
  EXPECT_TRUE(lumidor.PRReleaseQueue.empty());
  EXPECT_TRUE(lumidor.EDWrapper->PendingItems.empty());
}

TEST_F(Callbacks, TheEmptiedSlotOfADestroyedComponentIsGone) {
  auto other = std::make_unique<TLumidor>(nullptr);
  int fired = 0;
  other->OnEvent = [&](EventCallbackType) { ++fired; };
  const CDContext context = static_cast<CDContext>(other->RegistryIndex);
  void* edsContext = other->EDWrapper->CallbackContext();
  CDEventProc(2, nullptr, 0, context);
  EdsPropertyEventProc(0x101, 0, 0, edsContext);
  EXPECT_EQ(fired, 2);
  other.reset();
  EXPECT_EQ(CDEventProc(2, nullptr, 0, context), 0u);
  // The EOS library still holds the freed wrapper's context cell: it reaches nobody.
  EXPECT_EQ(EdsPropertyEventProc(0x101, 0, 0, edsContext), 0u);
  EXPECT_EQ(EdsStateEventProc(0x301, 0, edsContext), 0u);
  EXPECT_EQ(fired, 2);
}

TEST_F(Callbacks, CDReleaseEventsMapToRemoteEvents) {
  const std::int32_t three = 3;
  // Nothing without a subscriber.
  EXPECT_EQ(ReleaseEventProc(29, &three, 4, Context()), 0u);
  ListenToRemoteEvents();
  for (std::uint32_t id : {10u, 27u, 28u, 30u, 31u, 32u, 33u, 0u, 29u}) {
    ReleaseEventProc(id, &three, 4, Context());
  }
  ASSERT_EQ(remote.size(), 9u);
  const RemoteEventCallbackType expected[] = {
      RemoteEventCallbackResetHWError,   RemoteEventCallbackChangedByUI,
      RemoteEventCallbackReleaseStart,   RemoteEventCallbackCamReleaseOn,
      RemoteEventCallbackNotUsed,        RemoteEventCallbackViewfinderOff,
      RemoteEventCallbackViewfinderOn,   RemoteEventCallbackNotUsed,
      RemoteEventCallbackReleaseComplete};
  for (std::size_t i = 0; i < remote.size(); ++i) {
    EXPECT_EQ(remote[i].Event, expected[i]) << i;
    if (i + 1 < remote.size()) {
      EXPECT_EQ(remote[i].Data.DataKind, 0) << i;
      EXPECT_EQ(remote[i].Data.DataValue, 0) << i;
    }
  }
  // The default release mode sends to the PC: the count comes as it is.
  EXPECT_EQ(remote.back().Data.DataKind, 1);
  EXPECT_EQ(remote.back().Data.DataValue, 3);
}

TEST_F(Callbacks, TheReleaseCountIsHalvedForThumbnailAndPictureAndAbsentInTheCamera) {
  ListenToRemoteEvents();
  const std::int32_t values[] = {3, -3, 4};
  Release(ReleaseModeBothPCAndCamera, ReleaseDataKingTakeBothThumbAndPic);
  for (const std::int32_t& v : values) ReleaseEventProc(29, &v, 4, Context());
  Release(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture);
  ReleaseEventProc(29, &values[0], 4, Context());
  Release(ReleaseModeOnlyToCamera, ReleaseDataKingTakeBothThumbAndPic);
  ReleaseEventProc(29, &values[2], 4, Context());
  // The whole 32-bit value, whatever the argument beside it holds.
  Release(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture);
  const std::int32_t wide = 0x0102;
  ReleaseEventProc(29, &wide, 0, Context());
  ASSERT_EQ(remote.size(), 6u);
  std::vector<std::pair<int, int>> got;
  for (const RemoteFired& r : remote) {
    EXPECT_EQ(r.Event, RemoteEventCallbackReleaseComplete);
    got.push_back({r.Data.DataKind, r.Data.DataValue});
  }
  EXPECT_EQ(got, (std::vector<std::pair<int, int>>{
                     {1, 1}, {1, -1}, {1, 2}, {1, 3}, {1, 0}, {1, 0x0102}}));
}

TEST_F(Callbacks, ProgressIsReportedAndFollowedByAPause) {
  std::vector<std::int32_t> take, get;
  lumidor.OnRemoteTakePictureEvent = [&](std::int32_t p) { take.push_back(p); };
  lumidor.OnRemoteGetPictureEvent = [&](std::int32_t p) { get.push_back(p); };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReleaseProgressProc(40, 0, Context()), 0u);
  EXPECT_EQ(CDGetPictureProgressProc(100, 0, Context()), 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
  EXPECT_EQ(take, std::vector<std::int32_t>{40});
  EXPECT_EQ(get, std::vector<std::int32_t>{100});

  // EOS download progress: by the wrapper's download mode.
  std::vector<std::int32_t> getPicture;
  lumidor.OnGetPictureEvent = [&](std::int32_t p) { getPicture.push_back(p); };
  for (std::uint8_t mode : {0, 1, 2, 3}) {
    lumidor.EDWrapper->DownloadMode = mode;
    EXPECT_EQ(EdsProgressProc(10 + mode, EdsContext(), nullptr), 0u);
  }
  EXPECT_EQ(take, (std::vector<std::int32_t>{40, 11}));
  EXPECT_EQ(getPicture, std::vector<std::int32_t>{12});
}

PREventRecord PRRecord(std::uint16_t code, std::int32_t battery = 0) {
  PREventRecord record{};
  record.Length = 24;
  record.ContainerType = 4;
  record.Code = code;
  record.Param2 = static_cast<std::uint32_t>(battery);
  return record;
}

TEST_F(Callbacks, PowerShotEventsMapToCameraEvents) {
  ListenToEvents();
  for (std::int32_t battery : {1, 2, 3, 4, 7, 0, -1}) {
    const PREventRecord record = PRRecord(0xC00A, battery);
    EXPECT_EQ(PREventProc(0, Context(), &record), 0u);
  }
  for (std::uint16_t code : {0xC001, 0xD001, 0xC008, 0x4006, 0x0000}) {
    const PREventRecord record = PRRecord(code, 1);
    PREventProc(0, Context(), &record);
  }
  EXPECT_EQ(events, "1,1 2,2 2,3 3,4 0,0 0,0 0,0 3,6 3,8 ");
  EXPECT_TRUE(lumidor.PRReleaseQueue.empty());  // no release is kept without OnRemoteEvent
}

TEST_F(Callbacks, PowerShotReleasesAreQueuedWhileSomeoneListens) {
  ListenToRemoteEvents();
  const std::pair<std::uint16_t, RemoteEventCallbackType> mapped[] = {
      {0x4006, RemoteEventCallbackChangedByUI},   {0xC00C, RemoteEventCallbackChangedByUI},
      {0xC00E, RemoteEventCallbackChangedByUI},   {0xC005, RemoteEventCallbackResetHWError},
      {0xC006, RemoteEventCallbackViewfinderOff}, {0xC007, RemoteEventCallbackViewfinderOn},
      {0xC00B, RemoteEventCallbackCamReleaseOn}};
  for (const auto& [code, event] : mapped) {
    const PREventRecord record = PRRecord(code);
    PREventProc(0, Context(), &record);
  }
  ASSERT_EQ(remote.size(), std::size(mapped));
  for (std::size_t i = 0; i < remote.size(); ++i) {
    EXPECT_EQ(remote[i].Event, mapped[i].second) << i;
    EXPECT_EQ(remote[i].Data.DataKind, 0) << i;
  }
  remote.clear();

  PREventRecord first = PRRecord(0xC008);
  first.Param1 = 101;
  std::memset(first.Reserved, 0xA5, sizeof first.Reserved);  // the whole record is kept
  PREventRecord data = PRRecord(0xC009);
  data.Param1 = 102;
  PREventRecord second = PRRecord(0xC008);
  second.Param1 = 103;
  PREventRecord other = PRRecord(0xC001);
  for (const PREventRecord* r : {&first, &data, &other, &second}) PREventProc(0, Context(), r);

  ASSERT_EQ(remote.size(), 2u);  // 0xC009 is kept silently
  for (const RemoteFired& r : remote) {
    EXPECT_EQ(r.Event, RemoteEventCallbackReleaseComplete);
    EXPECT_EQ(r.Data.DataKind, 1);
    EXPECT_EQ(r.Data.DataValue, 1);
  }
  ASSERT_EQ(lumidor.PRReleaseQueue.size(), 3u);
  EXPECT_EQ(std::memcmp(lumidor.PRReleaseQueue[0].data(), &first, sizeof first), 0);
  EXPECT_EQ(std::memcmp(lumidor.PRReleaseQueue[1].data(), &data, sizeof data), 0);
  EXPECT_EQ(std::memcmp(lumidor.PRReleaseQueue[2].data(), &second, sizeof second), 0);
}

class PowerShotDownload : public Callbacks {
 protected:
  void SetUp() override {
    Callbacks::SetUp();
    dir = camera_test::ScratchFolder("callbacks_download_");
    file = dir / ("download_" + std::to_string(RegistryIndex()));
    rt::os::HoldWait wait;
    lumidor.PRDownloadStream = std::make_unique<TDownloadStream>(file.string(), wait);
  }
  void TearDown() override {
    lumidor.PRDownloadStream.reset();
    fs::remove_all(dir);
    Callbacks::TearDown();
  }
  std::int32_t RegistryIndex() const { return lumidor.RegistryIndex; }
  void Chunk(std::int32_t percent, const std::string& bytes, std::int32_t length) {
    PRProgressRecord progress{};
    progress.PercentDone = percent;
    progress.Length = length;
    progress.Data = bytes.empty() ? nullptr : bytes.data();
    EXPECT_EQ(PRGetPictureProgressProc(0, 0, Context(), &progress), 0u);
  }
  std::string FileText() const {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  fs::path dir;
  fs::path file;
};

TEST_F(PowerShotDownload, ChunksAreWrittenInOrderAndTheEmptyChunkCompletesTheFile) {
  std::vector<std::int32_t> percent;
  lumidor.OnRemoteGetPictureEvent = [&](std::int32_t p) { percent.push_back(p); };
  const std::string a("\xFF\xD8 first\0part", 13);
  const std::string b = "second part\xFF\xD9";
  Chunk(40, a, static_cast<std::int32_t>(a.size()));
  EXPECT_TRUE(lumidor.PRDownloadActive);
  Chunk(60, "ignored", -1);  // a negative length neither writes nor completes
  EXPECT_TRUE(lumidor.PRDownloadActive);
  Chunk(99, b, static_cast<std::int32_t>(b.size()));
  Chunk(100, "", 0);
  EXPECT_FALSE(lumidor.PRDownloadActive);
  EXPECT_EQ(percent, (std::vector<std::int32_t>{40, 60, 99, 100}));
  EXPECT_EQ(FileText(), a + b);
  EXPECT_TRUE(errors.empty());
  // Data after the end has no file to go to: reported, not written.
  Chunk(100, "late", 4);
  EXPECT_EQ(FileText(), a + b);
  EXPECT_EQ(errors.size(), 1u);
}

// What a handler raises inside the PowerShot callbacks (torvane's focus unlock runs inside the
// event callback) goes to the application's hook, and the release and its data still arrive.
TEST_F(PowerShotDownload, ErrorsOfHandlersGoToTheApplicationHookAndTheDataStillArrives) {
  lumidor.OnEvent = [](EventCallbackType) { throw ECamException("focus unlock failed"); };
  lumidor.OnRemoteEvent = [](RemoteEventCallbackType, const AdditionNotifyRemoteEventType&) {
    throw std::runtime_error("download failed");
  };
  lumidor.OnRemoteGetPictureEvent = [](std::int32_t) { throw ECamException("progress failed"); };
  const PREventRecord shutdown = PRRecord(0xC001);
  const PREventRecord release = PRRecord(0xC008);
  EXPECT_EQ(PREventProc(0, Context(), &shutdown), 0u);
  EXPECT_EQ(PREventProc(0, Context(), &release), 0u);
  EXPECT_EQ(lumidor.PRReleaseQueue.size(), 1u);
  Chunk(50, "data", 4);
  Chunk(100, "", 0);
  EXPECT_EQ(FileText(), "data");
  EXPECT_EQ(errors, (std::vector<std::string>{"focus unlock failed", "download failed",
                                              "progress failed", "progress failed"}));
}

TEST_F(PowerShotDownload, AnEmptyChunkBeforeAnyDataLeavesTheFileOpen) {
  Chunk(0, "", 0);
  Chunk(100, "data", 4);
  Chunk(100, "", 0);
  EXPECT_EQ(FileText(), "data");
  // Without an open download, or without the chunk's data, nothing is written anywhere.
  lumidor.PRDownloadStream.reset();
  Chunk(100, "more", 4);
  Chunk(100, "", 4);
  EXPECT_EQ(errors.size(), 2u);
}

TEST_F(Callbacks, EOSPropertyAndStateEvents) {
  EdsPropertyEventProc(0x101, 0, 0, EdsContext());
  EdsStateEventProc(0x301, 0, EdsContext());
  EXPECT_TRUE(events.empty());
  ListenToEvents();
  for (std::uint32_t e : {0x101u, 0x102u, 0x100u, 0x103u, 0x301u}) {
    EXPECT_EQ(EdsPropertyEventProc(e, 0, 0, EdsContext()), 0u);
  }
  for (std::uint32_t e : {0x301u, 0x305u, 0x306u, 0x302u, 0x304u, 0x101u}) {
    EXPECT_EQ(EdsStateEventProc(e, 0, EdsContext()), 0u);
  }
  EXPECT_EQ(events, "1,11 1,14 3,13 3,12 3,9 ");
}

TEST_F(Callbacks, EOSPicturesAreKeptOnlyWhileSomeoneListensOthersAreReleased) {
  // The releases reach the EOS library; its call trace shows them.
  const fs::path trace = camera_test::ScratchFolder("callbacks_eos_") / "trace.txt";
  simcam_test::SetEnv("SIMCAM_TRACE", trace.string().c_str());
  EDSDK::LoadEDSDK();
  ASSERT_TRUE(EDSDK::EDSDKReady());

  EXPECT_EQ(EdsObjectEventProc(0x208, 701, EdsContext()), 0u);  // nobody listens
  EXPECT_EQ(EdsObjectEventProc(0x204, 0, EdsContext()), 0u);    // empty: nothing to release
  ListenToRemoteEvents();
  EXPECT_EQ(EdsObjectEventProc(0x208, 702, EdsContext()), 0u);
  EXPECT_EQ(EdsObjectEventProc(0x204, 703, EdsContext()), 0u);
  EXPECT_EQ(EdsObjectEventProc(0x208, 704, EdsContext()), 0u);
  simcam_test::SetEnv("SIMCAM_TRACE", nullptr);

  EXPECT_EQ(lumidor.EDWrapper->PendingItems, (std::deque<EdsRef>{702, 704}));
  ASSERT_EQ(remote.size(), 2u);
  for (const RemoteFired& r : remote) {
    EXPECT_EQ(r.Event, RemoteEventCallbackReleaseImageReady);
    EXPECT_EQ(r.Data.DataKind, 2);
    EXPECT_EQ(r.Data.DataSubKind, 2);
    EXPECT_EQ(r.Data.DataValue, 0);
  }
  std::vector<std::string> lines;
  {
    std::ifstream in(trace);
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find(')')));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"EdsRelease(701", "EdsRelease(703"}));
  lumidor.EDWrapper->PendingItems.clear();
  fs::remove_all(trace.parent_path());
}

}  // namespace
