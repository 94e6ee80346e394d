#include "component/Lumidor.h"

#include <cstdio>
#include <cstring>

#include "component/CDSDKApi.h"
#include "component/EDSDKApi.h"
#include "component/PRSDKApi.h"
#include "platform/AsideFile.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/OsFile.h"
#include "platform/Sleep.h"

namespace Lumidor {

std::unique_ptr<std::vector<TLumidor*>> InstanceRegistry;
std::unique_ptr<std::vector<CDSourceInfo>> CDCameraList;
std::unique_ptr<std::vector<PRDeviceEntry>> PRCameraList;
std::unique_ptr<std::vector<EdsRef>> EOSCameraList;
std::unique_ptr<TStringList> PowerShotNames;
std::unique_ptr<TStringList> EOSNames;
std::atomic<bool> ConnectLock{false};
std::atomic<bool> DestroyLock{false};
bool SDKsStarted = false;

namespace {

constexpr std::uint32_t kLockPollMs = 50;

// At how many downloads the library may refuse a PowerShot release record before it is dropped.
constexpr int kPRRefusalsToDrop = 2;

// Holds one of the process-wide flags: waits until it is clear (polling), sets it in one atomic
// step, and clears it however the holder's scope is left.
class FlagLock {
 public:
  explicit FlagLock(std::atomic<bool>& flag) : flag_(flag) {
    while (flag_.exchange(true)) rt::SleepMs(kLockPollMs);
  }
  ~FlagLock() { flag_.store(false); }
  FlagLock(const FlagLock&) = delete;
  FlagLock& operator=(const FlagLock&) = delete;

 private:
  std::atomic<bool>& flag_;
};

template <class T>
T& Existing(const std::unique_ptr<T>& list) {
  if (!list) {
    throw ECamException("The camera lists do not exist: create a TLumidor before using a camera");
  }
  return *list;
}

}  // namespace

std::string SdkFailureMessage(std::uint32_t Code, const std::string& FunctionName,
                              const std::string& Text) {
  return FunctionName + " errorcode " + HexCode(Code) + ", " + Text;
}

std::string HexCode(std::uint32_t Code) {
  char hex[11];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(Code));
  return hex;
}

std::string FieldText(const char* Field, std::size_t Size) {
  const void* zero = std::memchr(Field, 0, Size);
  return std::string(Field, zero ? static_cast<const char*>(zero) - Field : Size);
}

void CheckConnectIndex(std::int32_t ConnectToCamera, std::size_t Count, const char* EmptyKind,
                       const char* CountKind) {
  if (ConnectToCamera < 0) {
    throw ECamException(
        "Not valid value in parameter ConnectToCamera when calling Connect. Value must be at "
        "least zero. Currently ConnectToCamera = " +
        std::to_string(ConnectToCamera));
  }
  if (Count == 0) {
    throw ECamException(std::string("There seems to be no connected ") + EmptyKind +
                        " connected. Have you called the EnumerateCameras function before "
                        "calling Connect?");
  }
  if (static_cast<std::size_t>(ConnectToCamera) > Count - 1) {
    throw ECamException(
        "Not valid value in parameter ConnectToCamera when calling Connect. There are only " +
        std::to_string(Count) + " " + CountKind +
        " connected. Currently is parameter ConnectToCamera = " + std::to_string(ConnectToCamera));
  }
}

std::vector<CDSourceInfo>& CDCameras() {
  return Existing(CDCameraList);
}
std::vector<PRDeviceEntry>& PRCameras() {
  return Existing(PRCameraList);
}
std::vector<EdsRef>& EOSCameras() {
  return Existing(EOSCameraList);
}

TLumidor* FindComponent(std::intptr_t Index) {
  if (!InstanceRegistry || Index < 0) return nullptr;
  if (static_cast<std::size_t>(Index) >= InstanceRegistry->size()) return nullptr;
  return (*InstanceRegistry)[static_cast<std::size_t>(Index)];
}

// ---- TDownloadStream ----

TDownloadStream::TDownloadStream(const std::string& FileName, rt::os::HoldWait& Wait) {
  rt::CheckIo(rt::os::OpenFile(FileName, true, handle_, Wait));
}

TDownloadStream::~TDownloadStream() {
  if (handle_ != -1) rt::os::CloseFile(handle_);
}

void TDownloadStream::Write(const void* Data, std::size_t Size) {
  if (handle_ == -1) rt::CheckIo(rt::kIoAccessDenied);
  rt::CheckIo(rt::os::WriteFile(handle_, static_cast<const char*>(Data), Size));
}

void TDownloadStream::Close() {
  if (handle_ == -1) return;
  const std::intptr_t handle = handle_;
  handle_ = -1;
  // Flushed through the handle that wrote it, so that no second open is needed, which another
  // program holding the new file could refuse.
  const int synced = rt::os::SyncHandle(handle);
  const int closed = rt::os::CloseFile(handle);
  rt::CheckIo(synced != rt::kIoOk ? synced : closed);
}

// ---- TLumidor ----

TLumidor::TLumidor(rt::Component* AOwner) : rt::Component(AOwner) {
  InRemoteMode = false;
  ConnectInfo.CameraType = 0;
  CDWrapper = std::make_unique<TCDSDK>();
  PRWrapper = std::make_unique<TPRSDK>();
  EDWrapper = std::make_unique<TEDSDK>();
  if (!CDCameraList) CDCameraList = std::make_unique<std::vector<CDSourceInfo>>();
  if (!PRCameraList) PRCameraList = std::make_unique<std::vector<PRDeviceEntry>>();
  if (!EOSCameraList) EOSCameraList = std::make_unique<std::vector<EdsRef>>();
  if (!InstanceRegistry) InstanceRegistry = std::make_unique<std::vector<TLumidor*>>();
  RegistryIndex = static_cast<std::int32_t>(InstanceRegistry->size());
  InstanceRegistry->push_back(this);
  PRReleaseQueue.clear();
  PRDownloadActive = false;
  CDWrapper->RegistryIndex = RegistryIndex;
  PRWrapper->RegistryIndex = RegistryIndex;
  EDWrapper->RegistryIndex = RegistryIndex;
}

TLumidor::~TLumidor() {
  FlagLock lock(DestroyLock);
  if (InstanceRegistry) {
    std::vector<TLumidor*>& registry = *InstanceRegistry;
    if (RegistryIndex >= 0 && static_cast<std::size_t>(RegistryIndex) < registry.size()) {
      registry[static_cast<std::size_t>(RegistryIndex)] = nullptr;
    }
    bool allEmpty = true;
    for (TLumidor* cell : registry) allEmpty = allEmpty && cell == nullptr;
    if (allEmpty) {
      // Nobody uses the listed cameras any more: their references go back to the library.
      if (EOSCameraList) EDSDKApi::ReleaseCameras(*EOSCameraList, false);
      InstanceRegistry.reset();
      CDCameraList.reset();
      PRCameraList.reset();
      EOSCameraList.reset();
    }
  }
  PRReleaseQueue.clear();
  CDWrapper.reset();
  PRWrapper.reset();
  EDWrapper.reset();
}

TLumidor::Target TLumidor::Dispatch() const {
  switch (ConnectInfo.CameraType) {
    case 1: {
      const std::size_t cdCount = CDCameraList ? CDCameraList->size() : 0;
      return ConnectToCamera < static_cast<std::int64_t>(cdCount) ? Target::CD : Target::PR;
    }
    case 2:
      return Target::ED;
    default:
      return Target::None;
  }
}

void TLumidor::CheckRemote() const {
  if (!InRemoteMode) throw ECamException("Camera not in remote mode");
  if (ConnectInfo.CameraType == 0) throw ECamException("No camera is connected");
}

void TLumidor::StartSDKs() {
  if (SDKsStarted) return;
  if (!PowerShotNames) PowerShotNames = std::make_unique<TStringList>();
  if (!EOSNames) EOSNames = std::make_unique<TStringList>();
  CDWrapper->StartSDK();
  PRWrapper->StartSDK();
  EDWrapper->StartSDK();
  SDKsStarted = true;
}

CameraListsType TLumidor::EnumerateCameras() {
  StartSDKs();
  PowerShotNames->clear();
  EOSNames->clear();
  CDWrapper->EnumerateCameras(*PowerShotNames);
  PRWrapper->EnumerateCameras(*PowerShotNames);
  EDWrapper->EnumerateCameras(*EOSNames);
  return CameraListsType{PowerShotNames.get(), EOSNames.get()};
}

ConnectInfoType TLumidor::Connect(std::uint8_t CameraType, std::int32_t ConnectToCamera) {
  FlagLock lock(ConnectLock);
  if (ConnectInfo.CameraType != 0) throw ECamException("Camera already connected.");
  this->ConnectToCamera = ConnectToCamera;
  const std::int64_t cdCount = static_cast<std::int64_t>(CDCameras().size());
  switch (CameraType) {
    case 1:
      if (ConnectToCamera < cdCount) {
        ConnectInfo = CDWrapper->Connect(CDEventProc, ConnectToCamera, RegistryIndex);
      } else {
        ConnectInfo = PRWrapper->Connect(
            PREventProc, static_cast<std::int32_t>(ConnectToCamera - cdCount), RegistryIndex);
      }
      break;
    case 2:
      ConnectInfo = EDWrapper->Connect(EdsStateEventProc, ConnectToCamera, RegistryIndex);
      break;
    default:
      break;
  }
  return ConnectInfo;
}

RemoteProbeParamType TLumidor::EnterRemoteMode(ReleaseModeType ReleaseMode,
                                               ReleaseDataKindType ReleaseDataKind,
                                               bool ProbeParams, const std::string& CacheDir) {
  FReleaseDataKind = ReleaseDataKind;
  FReleaseMode = ReleaseMode;
  if (ConnectInfo.CameraType == 0) throw ECamException("No camera is connected");
  RemoteProbeParamType result{};
  switch (Dispatch()) {
    case Target::CD:
      result = CDWrapper->EnterRemoteMode(ReleaseMode, ReleaseDataKind, ProbeParams, CacheDir,
                                          ReleaseEventProc, RegistryIndex);
      break;
    case Target::PR:
      result = PRWrapper->EnterRemoteMode(ReleaseMode, ReleaseDataKind, ProbeParams, CacheDir,
                                          ReleaseEventProc, RegistryIndex);
      break;
    case Target::ED:
      result = EDWrapper->EnterRemoteMode(ReleaseMode, ReleaseDataKind, ProbeParams, CacheDir,
                                          ReleaseEventProc, RegistryIndex);
      break;
    case Target::None:
      return result;
  }
  InRemoteMode = true;
  return result;
}

void TLumidor::RemoteTakePicture() {
  CheckRemote();
  switch (Dispatch()) {
    case Target::CD:
      CDWrapper->RemoteTakePicture(ReleaseProgressProc, RegistryIndex);
      break;
    case Target::PR:
      PRWrapper->RemoteTakePicture(ReleaseProgressProc, RegistryIndex);
      break;
    case Target::ED:
      EDWrapper->RemoteTakePicture(RegistryIndex);
      break;
    case Target::None:
      break;
  }
}

void TLumidor::RemoteGetPicture(const std::string& FileName, ReleaseDataKindType ReleaseDataKind) {
  CheckRemote();
  // A handler may call in again from inside the library's callbacks of the download under way
  // (a release event during the transfer): a second download would take the first one's aside
  // file and queued record from under it.
  if (DownloadUnderWay.exchange(true)) {
    throw ECamException(
        "RemoteGetPicture was called while a picture download is under way; it has to end "
        "first");
  }
  struct EndOfDownload {
    std::atomic<bool>& UnderWay;
    ~EndOfDownload() { UnderWay.store(false); }
  } endOfDownload{DownloadUnderWay};
  switch (Dispatch()) {
    case Target::CD: {
      // The library writes the file itself: aside, so that the picture takes its name only once
      // it is whole.
      rt::AsideFile file(FileName);
      CDWrapper->RemoteGetPicture(file.Name(), CDGetPictureProgressProc, RegistryIndex);
      file.PutInPlace();
      break;
    }
    case Target::PR:
      PRGetPicture(FileName);
      break;
    case Target::ED:
      EDWrapper->RemoteGetPicture(FileName, ReleaseDataKind, RegistryIndex);
      break;
    case Target::None:
      break;
  }
}

void TLumidor::PRGetPicture(const std::string& FileName) {
  PRReleaseRecord record;
  {
    std::lock_guard<std::mutex> lock(PRReleaseQueueLock);
    if (PRReleaseQueue.empty()) throw ENoPictureWaiting("There are no pictures to download");
    record = PRReleaseQueue.front();
  }
  PRDownloadStream.reset();
  PRDownloadActive = false;
  rt::AsideFile file(FileName);
  PRDownloadStream = std::make_unique<TDownloadStream>(file.Name(), file.Wait());
  PRDownloadFailure = nullptr;
  PRDownloadComplete = false;
  PRTransferUnderWay = true;
  // The library refused the transfer: the record stays queued for another try, unless the
  // library refused it once before already. The library made the transfer but the picture did
  // not arrive whole: the library is done with it, so the record goes (tried again, it would
  // fail every later download behind it).
  bool libraryDone = false;
  try {
    PRWrapper->RemoteGetPicture(record, PRGetPictureProgressProc, RegistryIndex);
    libraryDone = true;
    PRTransferUnderWay = false;
    if (PRDownloadFailure) std::rethrow_exception(PRDownloadFailure);
    if (!PRDownloadComplete) {
      throw ECamException(
          "PR_RC_GetReleasedData returned before the end of the picture data: the picture is "
          "incomplete");
    }
    PRDownloadStream.reset();
    file.PutDurableInPlace();  // the stream flushed it when the last chunk came
  } catch (...) {
    // The first failure is the one to report: a failed write comes before the library's own
    // complaint about it. The stream is closed here, so that the broken file can go with `file`.
    PRTransferUnderWay = false;
    const std::exception_ptr failure =
        PRDownloadFailure ? PRDownloadFailure : std::current_exception();
    PRDownloadFailure = nullptr;
    PRDownloadStream.reset();
    PRDownloadActive = false;
    if (libraryDone || RefusedForGood()) DropOldestPRRelease();
    std::rethrow_exception(failure);
  }
  DropOldestPRRelease();
}

bool TLumidor::RefusedForGood() {
  std::lock_guard<std::mutex> lock(PRReleaseQueueLock);
  return ++PRFrontRefusals >= kPRRefusalsToDrop;
}

void TLumidor::DropOldestPRRelease() {
  std::lock_guard<std::mutex> lock(PRReleaseQueueLock);
  if (!PRReleaseQueue.empty()) PRReleaseQueue.pop_front();
  PRFrontRefusals = 0;
}

RemoteParamType TLumidor::RemoteGetParams() {
  CheckRemote();
  switch (Dispatch()) {
    case Target::CD:
      return CDWrapper->RemoteGetParams();
    case Target::PR:
      return PRWrapper->RemoteGetParams();
    case Target::ED:
      return EDWrapper->RemoteGetParams();
    case Target::None:
      break;
  }
  return RemoteParamType{};
}

void TLumidor::RemoteSetParams(RemoteParamType Params) {
  CheckRemote();
  switch (Dispatch()) {
    case Target::CD:
      CDWrapper->RemoteSetParams(Params);
      break;
    case Target::PR:
      PRWrapper->RemoteSetParams(Params);
      break;
    case Target::ED:
      EDWrapper->RemoteSetParams(Params);
      break;
    case Target::None:
      break;
  }
}

void TLumidor::RemoteGetZoom(ZoomInfoType& Zoom) {
  CheckRemote();
  switch (Dispatch()) {
    case Target::CD:
      Zoom = CDWrapper->RemoteGetZoom();
      break;
    case Target::PR:
      PRWrapper->RemoteGetZoom(Zoom);
      break;
    case Target::ED:  // EOS cameras: the caller's record stays as it was
    case Target::None:
      break;
  }
}

void TLumidor::RemoteSetZoom(std::int32_t Position) {
  CheckRemote();
  switch (Dispatch()) {
    case Target::CD:
      CDWrapper->RemoteSetZoom(Position);
      break;
    case Target::PR:
      PRWrapper->RemoteSetZoom(Position);
      break;
    case Target::ED:  // no zoom on EOS cameras
    case Target::None:
      break;
  }
}

void TLumidor::RemoteAFLock(bool Lock) {
  CheckRemote();
  switch (Dispatch()) {
    case Target::CD:
      CDWrapper->RemoteAFLock(Lock);
      break;
    case Target::PR:
      PRWrapper->RemoteAFLock(Lock);
      break;
    case Target::ED:
      EDWrapper->RemoteAFLock(Lock);
      break;
    case Target::None:
      break;
  }
}

void TLumidor::ExtendShutdownTimer() {
  if (ConnectInfo.CameraType == 0) throw ECamException("No camera is connected");
  switch (Dispatch()) {
    case Target::CD:
      CDWrapper->ExtendShutdownTimer();
      break;
    case Target::PR:
      PRWrapper->ExtendShutdownTimer();
      break;
    case Target::ED:
      EDWrapper->ExtendShutdownTimer();
      break;
    case Target::None:
      break;
  }
}

void TLumidor::FinishSDKs() {
  if (!SDKsStarted) return;
  PowerShotNames.reset();
  EOSNames.reset();
  CDWrapper->FinishSDK();
  PRWrapper->FinishSDK();
  EDWrapper->FinishSDK();
  SDKsStarted = false;
}

}  // namespace Lumidor
