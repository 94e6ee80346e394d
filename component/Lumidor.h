// The camera component: TLumidor, the one object through which a program drives cameras, with
// the records and event types it exchanges with programs and with its three camera wrappers
// (TCDSDK for the CD library, TPRSDK for the PowerShot library, TEDSDK for the EOS library), the
// process-wide state that all components of a process share, and the library callbacks.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "component/CamDefines.h"
#include "platform/Component.h"
#include "platform/OsFile.h"
#include "sdk/CDSDK.h"
#include "sdk/EDSDK.h"
#include "sdk/PRSDK.h"

class TCDSDK;
class TPRSDK;
class TEDSDK;

namespace Lumidor {

using CamDefines::ConnectInfoType;
using CamDefines::ECamException;
using CamDefines::ENoPictureWaiting;
using CamDefines::ReleaseDataKindType;
using CamDefines::ReleaseModeType;
using CamDefines::RemoteEventCallbackType;

// A list of texts (camera names).
using TStringList = std::vector<std::string>;

// What OnEvent carries. Severity 1..3 (graver is higher), 0 when the source gives none;
// EventCode 1..4 battery states from high to below low, 5..14 camera events, 0 no code.
struct EventCallbackType {
  std::uint8_t Severity = 0;
  std::uint8_t EventCode = 0;
};

// What OnRemoteEvent carries besides the event. DataKind 0 no data, 1 a release completed
// (DataValue holds the released data's count unless the release mode is
// ReleaseModeOnlyToCamera), 2 an EOS picture waits (DataSubKind 2). Unset fields stay 0.
struct AdditionNotifyRemoteEventType {
  std::uint8_t DataKind = 0;
  std::uint8_t DataSubKind = 0;
  std::int32_t DataValue = 0;
};

// Shooting settings as common indexes: 0 means unknown when read and leave unchanged when
// applied. The EOS white-balance shift and picture-style values are the camera's raw bytes, each
// with a flag that says whether it was read.
struct RemoteParamType {
  std::uint8_t ImageQuality = 0;
  std::uint8_t ImageQuality2 = 0;
  std::uint8_t ImageSize = 0;
  std::uint8_t ImageSize2 = 0;
  std::uint8_t FlashMode = 0;
  std::uint8_t FlashCompensation = 0;
  std::uint8_t ShootingMode = 0;
  std::uint8_t DriveMode = 0;
  std::uint8_t MeteringMode = 0;
  std::uint8_t AFMode = 0;
  std::uint8_t AFDistance = 0;
  std::uint8_t FocusPoint = 0;
  std::uint8_t AFAssistLight = 0;
  std::uint8_t WhiteBalance = 0;
  std::int32_t ColorTemperature = 0;
  bool WBShiftValid = false;
  std::int8_t WBShiftAB = 0;
  std::int8_t WBShiftGM = 0;
  bool PictureStyleValid = false;
  std::int8_t PSContrast = 0;
  std::int8_t PSSharpness = 0;
  std::int8_t PSSaturation = 0;
  bool PSSaturationValid = false;
  std::int8_t PSColorTone = 0;
  bool PSColorToneValid = false;
  std::int8_t PSFilterEffect = 0;
  bool PSFilterEffectValid = false;
  std::int8_t PSToningEffect = 0;
  bool PSToningEffectValid = false;
  std::uint8_t Contrast = 0;
  std::uint8_t Sharpness = 0;
  std::uint8_t Saturation = 0;
  std::uint8_t ColorSpace = 0;
  std::uint8_t ISOSpeed = 0;
  std::uint8_t Av = 0;
  std::uint8_t Tv = 0;
  std::uint8_t ExposureCompensation = 0;
  std::uint8_t PhotoEffect = 0;
  std::uint8_t Beep = 0;

  bool operator==(const RemoteParamType&) const = default;
};

// The capability record of EnterRemoteMode: 314 bytes, each 0 or 1. Bytes 0..4 are the
// faculties; bytes 5..313 the availability groups, which the capability cache file stores.
constexpr std::size_t kRemoteProbeParamSize = 314;
using RemoteProbeParamType = std::array<std::uint8_t, kRemoteProbeParamSize>;

// Faculty positions.
constexpr std::size_t CanZoom = 0;
constexpr std::size_t CanSetParams = 1;
constexpr std::size_t CanViewfinder = 2;
constexpr std::size_t FacultyBit3 = 3;
constexpr std::size_t CanAFLock = 4;
constexpr std::size_t kFirstGroupPosition = 5;

// A setting's availability group in the capability record: byte Base is 1 when the setting
// offers no value at all, byte Base + i is 1 when its common index i (1..Count) is available.
struct ProbeGroup {
  std::size_t Base;
  std::uint8_t Count;
  constexpr std::size_t End() const { return Base + Count + 1; }  // the next group's base
};

// Where each setting's group lies. The groups follow one another without gaps from position 5
// to the end; the capability cache file stores them in this order, so the positions are fixed.
namespace ProbeLayout {
constexpr ProbeGroup ImageQuality{5, 5};
constexpr ProbeGroup ImageQuality2{11, 5};
constexpr ProbeGroup ImageSize{17, 6};
constexpr ProbeGroup ImageSize2{24, 6};
constexpr ProbeGroup FlashMode{31, 7};
constexpr ProbeGroup FlashCompensation{39, 13};
constexpr ProbeGroup DriveMode{53, 7};
constexpr ProbeGroup ShootingMode{61, 36};
constexpr ProbeGroup MeteringMode{98, 6};
constexpr ProbeGroup AFMode{105, 4};
constexpr ProbeGroup AFDistance{110, 12};
constexpr ProbeGroup FocusPoint{123, 7};
constexpr ProbeGroup AFAssistLight{131, 2};
constexpr ProbeGroup WhiteBalance{134, 16};
// Two settings have a single byte, 1 when present.
constexpr std::size_t WhiteBalanceShiftFlag = 151;
constexpr std::size_t PictureStyleFlag = 152;
constexpr ProbeGroup Contrast{153, 3};
constexpr ProbeGroup Sharpness{157, 3};
constexpr ProbeGroup Saturation{161, 3};
constexpr ProbeGroup ColorSpace{165, 2};
constexpr ProbeGroup ISOSpeed{168, 20};
constexpr ProbeGroup Av{189, 40};
constexpr ProbeGroup Tv{230, 59};
constexpr ProbeGroup ExposureCompensation{290, 13};
constexpr ProbeGroup PhotoEffect{304, 6};
constexpr ProbeGroup Beep{311, 2};

constexpr ProbeGroup kInOrder[] = {ImageQuality,
                                   ImageQuality2,
                                   ImageSize,
                                   ImageSize2,
                                   FlashMode,
                                   FlashCompensation,
                                   DriveMode,
                                   ShootingMode,
                                   MeteringMode,
                                   AFMode,
                                   AFDistance,
                                   FocusPoint,
                                   AFAssistLight,
                                   WhiteBalance,
                                   Contrast,
                                   Sharpness,
                                   Saturation,
                                   ColorSpace,
                                   ISOSpeed,
                                   Av,
                                   Tv,
                                   ExposureCompensation,
                                   PhotoEffect,
                                   Beep};
constexpr bool WithoutGaps() {
  std::size_t next = kFirstGroupPosition;
  for (const ProbeGroup& group : kInOrder) {
    if (next == WhiteBalanceShiftFlag) next = PictureStyleFlag + 1;
    if (group.Base != next) return false;
    next = group.End();
  }
  return next == kRemoteProbeParamSize;
}
static_assert(WithoutGaps());
}  // namespace ProbeLayout

// The result of EnumerateCameras: the module's two name lists (not the caller's; the same two
// lists on every call, valid until FinishSDKs). A camera's position in its list is the index
// that Connect takes.
struct CameraListsType {
  TStringList* PowerShotNames = nullptr;
  TStringList* EOSNames = nullptr;
};

// The result of RemoteGetZoom.
struct ZoomInfoType {
  std::int32_t ZoomPos = 0;
  std::int32_t MaxOpticalZoomPos = 0;
  std::int32_t MaxZoomPos = 0;
};

// A PowerShot release record: a byte-for-byte copy of the event data of a release event.
constexpr std::size_t kPRReleaseRecordSize = 412;
using PRReleaseRecord = std::array<std::uint8_t, kPRReleaseRecordSize>;

// The component's events (empty = unassigned).
using TNotifyCameraEvent = std::function<void(EventCallbackType Event)>;
using TNotifyViewfinderEvent = std::function<void(const std::vector<std::uint8_t>& Jpegdata)>;
using TNotifyRemoteEvent = std::function<void(RemoteEventCallbackType Event,
                                              const AdditionNotifyRemoteEventType& EventData)>;
using TNotifyRemoteTakePictureEvent = std::function<void(std::int32_t PercentageDone)>;
using TNotifyRemoteGetPictureEvent = std::function<void(std::int32_t PercentageDone)>;
using TNotifyGetPictureEvent = std::function<void(std::int32_t PercentageDone)>;
using TNotifyRemoteProbeParamEvent = std::function<void(std::int32_t PercentageDone)>;
using TNotifyRawDevelopEvent = std::function<void(std::int32_t PercentageDone)>;

// The target file of a PowerShot download: created anew, written chunk by chunk, flushed to the
// disk and closed at the end of the data. File errors raise the runtime's input/output error.
// The open waits out other programs' holds on what is left of Wait, the file's whole wait.
class TDownloadStream {
 public:
  TDownloadStream(const std::string& FileName, rt::os::HoldWait& Wait);
  ~TDownloadStream();
  TDownloadStream(const TDownloadStream&) = delete;
  TDownloadStream& operator=(const TDownloadStream&) = delete;
  void Write(const void* Data, std::size_t Size);
  void Close();

 private:
  std::intptr_t handle_ = -1;
};

class TLumidor : public rt::Component {
 public:
  // Create: registers the component in InstanceRegistry (its slot is RegistryIndex) and creates
  // the process-wide camera lists when it is the first. Starts nothing and finds no camera.
  explicit TLumidor(rt::Component* AOwner);
  // Destroy: empties its registry slot; the last component frees the registry and the camera
  // lists, so a component created later starts again at slot 0. Neither leaves remote mode nor
  // disconnects nor finishes the libraries, nor frees the name lists.
  ~TLumidor() override;

  // Starts the three libraries (CD, PowerShot, EOS) once per process; a failure leaves them
  // unstarted, so the next call starts all three again.
  void StartSDKs();
  // Lists the attached cameras: PowerShotNames (the CD library's cameras, then the PowerShot
  // library's; a name both report is kept once, as a PowerShot-library camera) and EOSNames.
  CameraListsType EnumerateCameras();
  // Connects camera ConnectToCamera of kind CameraType (1 PowerShot, 2 EOS). Another kind
  // returns the empty record and raises nothing.
  ConnectInfoType Connect(std::uint8_t CameraType, std::int32_t ConnectToCamera);
  RemoteProbeParamType EnterRemoteMode(ReleaseModeType ReleaseMode,
                                       ReleaseDataKindType ReleaseDataKind, bool ProbeParams,
                                       const std::string& CacheDir);
  void RemoteTakePicture();
  // Downloads the released picture to FileName. It is written aside and takes the name only once
  // it is whole and flushed (rt::AsideFile): a failure, a kill or a power cut leaves FileName as
  // it was. One download at a time: a call made while one is under way (from a handler inside the
  // library's callbacks, or on another thread) raises ECamException and touches nothing of it.
  // A camera that holds no released picture raises ENoPictureWaiting.
  void RemoteGetPicture(const std::string& FileName, ReleaseDataKindType ReleaseDataKind);
  RemoteParamType RemoteGetParams();
  void RemoteSetParams(RemoteParamType Params);
  void RemoteGetZoom(ZoomInfoType& Zoom);
  void RemoteSetZoom(std::int32_t Position);
  void RemoteAFLock(bool Lock);
  void ExtendShutdownTimer();
  // Finishes the three libraries and frees the name lists; the libraries stay loaded.
  void FinishSDKs();

  // Published events.
  TNotifyViewfinderEvent OnViewfinderEvent;
  TNotifyCameraEvent OnEvent;
  TNotifyRemoteEvent OnRemoteEvent;
  TNotifyRemoteTakePictureEvent OnRemoteTakePictureEvent;
  TNotifyRemoteGetPictureEvent OnRemoteGetPictureEvent;
  TNotifyGetPictureEvent OnGetPictureEvent;
  TNotifyRemoteProbeParamEvent OnRemoteProbeParamEvent;
  TNotifyRawDevelopEvent OnRawDevelopEvent;

  // Published read-only properties: what EnterRemoteMode was last asked for.
  ReleaseDataKindType ReleaseDataKind() const { return FReleaseDataKind; }
  ReleaseModeType ReleaseMode() const { return FReleaseMode; }

  // State of the component. Programs read it only; the library callbacks of this module and the
  // wrappers work on it.
  ConnectInfoType ConnectInfo;       // CameraType 0 = no camera
  bool InRemoteMode = false;         // set by a successful EnterRemoteMode, never cleared
  std::int32_t RegistryIndex = 0;    // slot in InstanceRegistry, fixed for the component's life
  std::int32_t ConnectToCamera = 0;  // index of the connection in PowerShotNames or EOSNames
  // Appended to by the PowerShot event callback, which the library may run on a thread of its
  // own, and consumed by RemoteGetPicture: every access holds PRReleaseQueueLock, which is never
  // held while the library is called or an event fires.
  std::deque<PRReleaseRecord> PRReleaseQueue;  // oldest first
  std::mutex PRReleaseQueueLock;
  // How many downloads the library has refused the oldest queued record at. A refusal keeps it
  // queued for another try; the second one drops it, so that a record the library refuses for
  // good (a stale object handle) cannot block every later picture. Held under
  // PRReleaseQueueLock like the queue.
  int PRFrontRefusals = 0;
  std::unique_ptr<TDownloadStream> PRDownloadStream;  // while a PowerShot download runs
  bool PRDownloadActive = false;
  // The PowerShot transfer that RemoteGetPicture has under way. The progress callback writes its
  // data and keeps the first failure (a write that fails, a chunk with nowhere to go) in
  // PRDownloadFailure instead of reporting it, and sets PRDownloadComplete when the end of the
  // data closed the file; RemoteGetPicture raises the failure once the library returns.
  bool PRTransferUnderWay = false;
  bool PRDownloadComplete = false;
  std::exception_ptr PRDownloadFailure;
  // A RemoteGetPicture is under way: another one is refused until it ends.
  std::atomic<bool> DownloadUnderWay{false};
  std::unique_ptr<TCDSDK> CDWrapper;
  std::unique_ptr<TPRSDK> PRWrapper;
  std::unique_ptr<TEDSDK> EDWrapper;

 private:
  enum class Target { None, CD, PR, ED };
  // The wrapper that serves the connected camera.
  Target Dispatch() const;
  // The PowerShot download of RemoteGetPicture.
  void PRGetPicture(const std::string& FileName);
  // Drops the oldest queued record; its refusals start again from 0 for the next one.
  void DropOldestPRRelease();
  // Counts a refusal of the oldest record; true when it is to be dropped.
  bool RefusedForGood();
  // The Remote operations' checks, in order: remote mode, then a connected camera.
  void CheckRemote() const;

  ReleaseDataKindType FReleaseDataKind = CamDefines::ReleaseDataKindTakeOnlyThumbnail;
  ReleaseModeType FReleaseMode = CamDefines::ReleaseModeOnlyToPC;
};

// ---- Process-wide state, shared by all components of the process ----
// Nothing here is locked but Connect and Destroy: a program must not enumerate, create or
// destroy components on two threads at once.

// The live components; a component's cell index is its RegistryIndex and the context of every
// library callback. A destroyed component's cell is emptied (nullptr) and never reused while any
// component lives. Created by the first component, freed with the last.
extern std::unique_ptr<std::vector<TLumidor*>> InstanceRegistry;
// Copies of the enumerated cameras' library records, in enumeration order. Created by the first
// component, freed with the last. The CD list's count splits PowerShot indexes between the CD
// and the PowerShot library.
extern std::unique_ptr<std::vector<CDSourceInfo>> CDCameraList;
extern std::unique_ptr<std::vector<PRDeviceEntry>> PRCameraList;
extern std::unique_ptr<std::vector<EdsRef>> EOSCameraList;
// The name lists of EnumerateCameras: from the first StartSDKs until FinishSDKs.
extern std::unique_ptr<TStringList> PowerShotNames;
extern std::unique_ptr<TStringList> EOSNames;
// A Connect (Destroy) is under way somewhere in the process.
extern std::atomic<bool> ConnectLock;
extern std::atomic<bool> DestroyLock;
// The three libraries were started.
extern bool SDKsStarted;

// The component in registry slot Index, or nullptr when the slot is empty, outside the registry,
// or the registry does not exist.
TLumidor* FindComponent(std::intptr_t Index);

// ---- Helpers for the camera wrappers ----

// A 32-bit code as the libraries' texts show it: "0x" and 8 upper-case hex digits.
std::string HexCode(std::uint32_t Code);

// The SDK-failure message of CheckError: FunctionName + " errorcode 0x" + Code as 8 upper-case
// hex digits (all 32 bits, unsigned) + ", " + Text.
std::string SdkFailureMessage(std::uint32_t Code, const std::string& FunctionName,
                              const std::string& Text);

// The 8-bit text in a fixed-size field: the characters before the first zero byte, at most Size
// of them (a field without a zero gives all Size characters and never reads past the field).
std::string FieldText(const char* Field, std::size_t Size);

// The wrappers' check of a Connect index against the count of listed cameras, with their
// messages: `EmptyKind` names the cameras when none is listed, `CountKind` when the index is
// past the last one.
void CheckConnectIndex(std::int32_t ConnectToCamera, std::size_t Count, const char* EmptyKind,
                       const char* CountKind);

// The process-wide camera lists; ECamException when no component exists (the lists live from the
// first component's creation to the last one's destruction).
std::vector<CDSourceInfo>& CDCameras();
std::vector<PRDeviceEntry>& PRCameras();
std::vector<EdsRef>& EOSCameras();

// ---- Library callbacks (Callbacks.cpp) ----
// Each finds its component through its context (the registry slot; for the EOS library the
// address of the EOS wrapper's copy of it) and does nothing when the component is gone. Each
// returns 0 on every path and lets no exception out: a failure of the PowerShot transfer under
// way is kept for RemoteGetPicture to raise; what else it, an event handler or
// ExtendShutdownTimer raises goes to the application's exception hook. The progress callbacks
// pause 10 ms after each report.
// The CD event callbacks read the 32-bit value that EventData points to; NotRead is not read.
CDResult SDKCALL CDEventProc(std::uint32_t EventId, const void* EventData, std::uint32_t NotRead,
                             CDContext Context);
CDResult SDKCALL ReleaseEventProc(std::uint32_t EventId, const void* EventData,
                                  std::uint32_t NotRead, CDContext Context);
CDResult SDKCALL CDGetPictureProgressProc(std::uint32_t PercentDone, std::uint32_t Status,
                                          CDContext Context);
CDResult SDKCALL ReleaseProgressProc(std::uint32_t PercentDone, std::uint32_t Status,
                                     CDContext Context);
PRResult SDKCALL PREventProc(PRHandle Camera, PRContext Context, const PREventRecord* Event);
PRResult SDKCALL PRGetPictureProgressProc(PRHandle Camera, std::uint32_t Status, PRContext Context,
                                          const PRProgressRecord* Progress);
EdsResult SDKCALL EdsPropertyEventProc(std::uint32_t Event, std::uint32_t PropertyId,
                                       std::uint32_t Parameter, void* Context);
EdsResult SDKCALL EdsStateEventProc(std::uint32_t Event, std::uint32_t Parameter, void* Context);
EdsResult SDKCALL EdsObjectEventProc(std::uint32_t Event, EdsRef Object, void* Context);
EdsResult SDKCALL EdsProgressProc(std::uint32_t PercentDone, void* Context, void* Reserved);

}  // namespace Lumidor
