#include "component/CDSDKApi.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "component/CamLib.h"

#include "component/CDAPI.h"
#include "component/CDERRORCODES.h"

using CamDefines::ECamException;
using Lumidor::ConnectInfoType;
using Lumidor::RemoteParamType;
using Lumidor::RemoteProbeParamType;
using Lumidor::ZoomInfoType;
using namespace CamLib;

namespace {

// The white-balance index that goes with a colour temperature.
constexpr std::uint8_t kWhiteBalanceColorTemperature = 13;

// The largest device-property data the component reads; a record announcing more is read only
// this far (the library then refuses or cuts the read, and nothing is written past the buffer).
constexpr std::uint32_t kMaxDevicePropertySize = 0x10000;

// How many records a device-property search fetches at most before it gives up on the wanted
// property: far more than a camera has. A library that keeps answering success without
// delivering it (or without moving on) must not keep the search going for ever.
constexpr std::uint32_t kMaxDevicePropertyRecords = 1024;

// How many cameras a device enumeration lists at most; a larger count is refused before anything
// is fetched, so that a library counting wildly cannot keep the enumeration going for ever.
constexpr std::uint32_t kMaxCDCameras = 100;

// Ends a device-property search however it ends; the release's result is not tested.
class PropertyEnumeration {
 public:
  PropertyEnumeration() = default;
  ~PropertyEnumeration() {
    if (open_) (void)CDAPI::CDEnumDevicePropertyRelease(handle_);
  }
  PropertyEnumeration(const PropertyEnumeration&) = delete;
  PropertyEnumeration& operator=(const PropertyEnumeration&) = delete;

  void Reset(CDSourceHandle source) {
    TCDSDK::CheckError(CDAPI::CDEnumDevicePropertyReset(source, kCDPropertyOption, &handle_),
                       "CDEnumDevicePropertyReset");
    open_ = true;
  }
  CDEnumHandle Handle() const { return handle_; }

 private:
  CDEnumHandle handle_ = 0;
  bool open_ = false;
};

// Searches the source's device properties for Id and reads its data. The buffer holds at least
// four bytes (zeros beyond what the library writes), so a 32-bit value can always be taken
// from it.
std::vector<std::uint8_t> ReadDeviceProperty(CDSourceHandle source, std::uint32_t id) {
  PropertyEnumeration enumeration;
  enumeration.Reset(source);
  CDDevicePropertyInfo info{};
  std::uint32_t fetched = 0;
  do {
    if (fetched++ == kMaxDevicePropertyRecords) {
      throw ECamException("CDEnumDevicePropertyNext delivered " +
                          std::to_string(kMaxDevicePropertyRecords) +
                          " records without device property " + Lumidor::HexCode(id));
    }
    info = CDDevicePropertyInfo{};
    TCDSDK::CheckError(CDAPI::CDEnumDevicePropertyNext(enumeration.Handle(), &info),
                       "CDEnumDevicePropertyNext");
  } while (info.Id != id);
  std::uint32_t size = std::min(info.DataSize, kMaxDevicePropertySize);
  std::vector<std::uint8_t> buffer(std::max<std::size_t>(size, sizeof(std::uint32_t)), 0);
  TCDSDK::CheckError(
      CDAPI::CDGetDevicePropertyData(source, id, &size, buffer.data(), kCDPropertyOption),
      "CDGetDevicePropertyData");
  return buffer;
}

// The power source in the top four bits of the power status: 1..5, else unknown (0).
std::uint8_t PowerSourceOf(std::uint32_t status) {
  const std::uint32_t source = status >> kCDPowerSourceShift;
  return source >= 1 && source <= 5 ? static_cast<std::uint8_t>(source) : 0;
}

// The battery level by the low four bits of the power status: high 1, half 2, low 3, else 0.
std::uint8_t BatteryLevelOf(std::uint32_t status) {
  switch (status & kCDBatteryStateMask) {
    case kCDBatteryHigh:
      return 1;
    case kCDBatteryHalf:
      return 2;
    case kCDBatteryLow:
      return 3;
    default:
      return 0;
  }
}

// The release-data kind bit set, by release mode (rows) and data kind (columns).
constexpr std::uint32_t kReleaseDataKinds[3][3] = {
    {kCDReleaseThumbnailToPC, kCDReleasePictureToPC,
     kCDReleaseThumbnailToPC | kCDReleasePictureToPC},
    {kCDReleaseThumbnailToPC | kCDReleaseThumbnailToCamera,
     kCDReleasePictureToPC | kCDReleasePictureToCamera,
     kCDReleaseThumbnailToPC | kCDReleasePictureToPC | kCDReleaseThumbnailToCamera |
         kCDReleasePictureToCamera},
    {kCDReleaseThumbnailToCamera, kCDReleasePictureToCamera,
     kCDReleaseThumbnailToCamera | kCDReleasePictureToCamera},
};

std::uint32_t ReleaseDataKindOf(CamDefines::ReleaseModeType mode,
                                CamDefines::ReleaseDataKindType kind) {
  if (mode >= std::size(kReleaseDataKinds)) {
    throw ECamException(
        "Not valid value in parameter ReleaseMode when calling EnterRemoteMode. Currently "
        "ReleaseMode = " +
        std::to_string(mode));
  }
  if (kind >= std::size(kReleaseDataKinds[0])) {
    throw ECamException(
        "Not valid value in parameter ReleaseDataKind when calling EnterRemoteMode. Currently "
        "ReleaseDataKind = " +
        std::to_string(kind));
  }
  return kReleaseDataKinds[mode][kind];
}

// Reads a release setting of Size bytes (1 or 2) as a little-endian value; false when the
// library does not deliver it.
bool GetRelCamSetting(CDSourceHandle source, std::uint32_t id, std::uint32_t size,
                      std::uint32_t& value) {
  std::uint8_t buffer[2] = {0, 0};
  std::uint32_t inOut = std::min<std::uint32_t>(size, sizeof buffer);
  if (CDAPI::CDGetRelCamSettingData(source, id, &inOut, buffer) != kCDOk) return false;
  value = size == 1 ? buffer[0] : static_cast<std::uint32_t>(buffer[0] | (buffer[1] << 8));
  return true;
}

// Sends a release setting of Size bytes (1 or 2), little-endian; the result is not tested.
void SetRelCamSetting(CDSourceHandle source, std::uint32_t id, std::uint32_t size,
                      std::uint32_t value) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value & 0xFF),
                                 static_cast<std::uint8_t>((value >> 8) & 0xFF)};
  (void)CDAPI::CDSetRelCamSettingData(source, id, std::min<std::uint32_t>(size, sizeof bytes),
                                      bytes);
}

// The ISO setting's code is its first byte.
std::uint8_t ISOFirstByteToCam(std::uint32_t value) {
  return ISOCodeToCam(value & 0xFF);
}

}  // namespace

std::string TCDSDK::FailureMessage(std::uint32_t Code, const std::string& FunctionName) {
  std::string text;
  CDERRORCODES::GetErrorText(Code, text);
  return Lumidor::SdkFailureMessage(Code, FunctionName, text);
}

void TCDSDK::CheckError(std::uint32_t Code, const std::string& FunctionName) {
  if (Code == 0) return;
  throw ECamException(FailureMessage(Code, FunctionName));
}

void TCDSDK::StartSDK() {
  CDAPI::LoadCDSDK();
  CDVersionInfo version{};
  version.Size = kCDVersionInfoSize;
  version.Major = kCDVersionMajor;
  version.Minor = kCDVersionMinor;
  CheckError(CDAPI::CDStartSDK(&version, kCDStartOption), "CDStartSDK");
}

void TCDSDK::EnumerateCameras(Lumidor::TStringList& Names) {
  Names.clear();
  CDAPI::LoadCDSDK();
  std::vector<CDSourceInfo>& cameras = Lumidor::CDCameras();
  CDEnumHandle enumeration = 0;
  CheckError(CDAPI::CDEnumDeviceReset(kCDEnumDeviceOption, &enumeration), "CDEnumDeviceReset");
  std::uint32_t count = 0;
  CheckError(CDAPI::CDGetDeviceCount(enumeration, &count), "CDGetDeviceCount");
  cameras.clear();
  if (count > kMaxCDCameras) {
    throw ECamException("CDGetDeviceCount reported " + std::to_string(count) +
                        " cameras, more than the " + std::to_string(kMaxCDCameras) +
                        " that can be listed");
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    // A fresh record each time: a library that reports success without filling it must not
    // leave the previous camera's record behind.
    SourceInfo = CDSourceInfo{};
    CheckError(CDAPI::CDEnumDeviceNext(enumeration, &SourceInfo), "CDEnumDeviceNext");
    Names.push_back(Lumidor::FieldText(SourceInfo.Name, sizeof SourceInfo.Name));
    cameras.push_back(SourceInfo);
  }
  CheckError(CDAPI::CDEnumDeviceRelease(enumeration), "CDEnumDeviceRelease");
}

ConnectInfoType TCDSDK::Connect(CDEventCallback EventCallback, std::int32_t ConnectToCamera,
                                std::int32_t Context) {
  CDAPI::LoadCDSDK();
  const std::vector<CDSourceInfo>& cameras = Lumidor::CDCameras();
  Lumidor::CheckConnectIndex(ConnectToCamera, cameras.size(), "PowerShot cameras",
                             "PowerShot cameras");
  ConnectInfo = ConnectInfoType{};
  SourceInfo = cameras[static_cast<std::size_t>(ConnectToCamera)];
  CheckError(CDAPI::CDOpenSource(&SourceInfo, &SourceHandle), "CDOpenSource");
  ConnectInfo.CameraType = 1;
  ConnectInfo.ModelName = Lumidor::FieldText(SourceInfo.ModelName, sizeof SourceInfo.ModelName);

  const std::vector<std::uint8_t> owner = ReadDeviceProperty(SourceHandle, kCDDevPropOwnerName);
  ConnectInfo.OwnerName = Lumidor::FieldText(reinterpret_cast<const char*>(owner.data()),
                                             std::min(owner.size(), kCDOwnerNameLength));

  const std::vector<std::uint8_t> power = ReadDeviceProperty(SourceHandle, kCDDevPropPowerStatus);
  std::uint32_t status = 0;
  std::memcpy(&status, power.data(), sizeof status);
  ConnectInfo.PowerSource = PowerSourceOf(status);
  ConnectInfo.BatteryLevel = BatteryLevelOf(status);

  CheckError(
      CDAPI::CDRegisterEventCallbackFunction(SourceHandle, EventCallback,
                                             static_cast<CDContext>(Context), &EventCallbackHandle),
      "CDRegisterEventCallbackFunction");
  return ConnectInfo;
}

RemoteProbeParamType TCDSDK::EnterRemoteMode(CamDefines::ReleaseModeType ReleaseMode,
                                             CamDefines::ReleaseDataKindType ReleaseDataKind,
                                             bool ProbeParams, const std::string& CacheDir,
                                             CDReleaseEventCallback ReleaseCallback,
                                             std::int32_t Context) {
  const std::uint32_t kind = ReleaseDataKindOf(ReleaseMode, ReleaseDataKind);
  RemoteProbeParamType result{};
  CheckError(
      CDAPI::CDEnterReleaseControl(SourceHandle, ReleaseCallback, static_cast<CDContext>(Context)),
      "CDEnterReleaseControl");
  CheckError(CDAPI::CDSelectReleaseDataKind(SourceHandle, kind), "CDSelectReleaseDataKind");
  std::uint32_t faculty = 0;
  CheckError(CDAPI::CDGetReleaseControlFaculty(SourceHandle, &faculty),
             "CDGetReleaseControlFaculty");
  const std::uint32_t bits[] = {kCDFacultyZoom, kCDFacultySetParams, kCDFacultyViewfinder,
                                kCDFacultyBit3, kCDFacultyAFLock};
  const std::size_t positions[] = {Lumidor::CanZoom, Lumidor::CanSetParams, Lumidor::CanViewfinder,
                                   Lumidor::FacultyBit3, Lumidor::CanAFLock};
  for (std::size_t i = 0; i < std::size(bits); ++i) {
    result[positions[i]] = (faculty & bits[i]) != 0 ? 1 : 0;
  }
  if (ProbeParams && result[Lumidor::CanSetParams] == 1) ProbeRemoteParams(result, CacheDir);
  return result;
}

RemoteParamType TCDSDK::RemoteGetParams() {
  // No result is tested: a setting that cannot be read stays 0 and the next one is read.
  RemoteParamType params;
  const CDSourceHandle h = SourceHandle;
  std::uint16_t a = 0;
  std::uint16_t b = 0;
  if (CDAPI::CDGetImageFormatAttribute(h, &a, &b) == kCDOk) {
    params.ImageQuality = CDQualityToCam(a);
    params.ImageSize = CDImageSizeToCam(b);
  }
  if (CDAPI::CDGetShootingMode(h, &a) == kCDOk) params.ShootingMode = CDShootingModeToCam(a);
  if (CDAPI::CDGetAvValue(h, &a) == kCDOk) params.Av = AvCodeToCam(a);
  if (CDAPI::CDGetTvValue(h, &a) == kCDOk) params.Tv = TvCodeToCam(a);
  if (CDAPI::CDGetExposureComp(h, &a) == kCDOk) params.ExposureCompensation = CDExpCompToCam(a);
  if (CDAPI::CDGetWBSetting(h, &a) == kCDOk) params.WhiteBalance = CDWhiteBalanceToCam(a);
  if (params.WhiteBalance == kWhiteBalanceColorTemperature) {
    std::uint32_t value = 0;
    if (GetRelCamSetting(h, kCDRelCamColorTemperature, 2, value)) {
      params.ColorTemperature = static_cast<std::int32_t>(value);
    }
  }
  if (CDAPI::CDGetAFDistanceSetting(h, &a) == kCDOk) params.AFDistance = CDAFDistanceToCam(a);
  if (CDAPI::CDGetFlashSetting(h, &a, &b) == kCDOk) {
    params.FlashMode = CDFlashToCam(a);
    params.FlashCompensation = CDFlashCompToCam(b);
  }
  struct RelCamRead {
    std::uint32_t Id;
    std::uint32_t Size;
    std::uint8_t (*Convert)(std::uint32_t);
    std::uint8_t RemoteParamType::*Field;
  };
  static constexpr RelCamRead kReads[] = {
      {kCDRelCamMeteringMode, 1, CDMeteringToCam, &RemoteParamType::MeteringMode},
      {kCDRelCamISOSpeed, 2, ISOFirstByteToCam, &RemoteParamType::ISOSpeed},
      {kCDRelCamContrast, 1, CDLevelToCam, &RemoteParamType::Contrast},
      {kCDRelCamSharpness, 1, CDLevelToCam, &RemoteParamType::Sharpness},
      {kCDRelCamSaturation, 1, CDLevelToCam, &RemoteParamType::Saturation},
      {kCDRelCamPhotoEffect, 2, CDPhotoEffectToCam, &RemoteParamType::PhotoEffect},
      {kCDRelCamBeep, 1, CDBeepToCam, &RemoteParamType::Beep},
  };
  for (const RelCamRead& read : kReads) {
    std::uint32_t value = 0;
    if (GetRelCamSetting(h, read.Id, read.Size, value)) params.*read.Field = read.Convert(value);
  }
  return params;
}

void TCDSDK::RemoteSetParams(RemoteParamType Params) {
  // No result is tested: a refused setting stays as the camera had it, and the next one is sent.
  const CDSourceHandle h = SourceHandle;
  if (Params.ImageQuality != 0 && Params.ImageSize != 0) {
    (void)CDAPI::CDSetImageFormatAttribute(h, CamQualityToCD(Params.ImageQuality),
                                           CamImageSizeToCD(Params.ImageSize));
  }
  if (Params.ShootingMode != 0) {
    (void)CDAPI::CDSetShootingMode(h, CamShootingModeToCD(Params.ShootingMode));
  }
  if (Params.Av != 0) (void)CDAPI::CDSetAvValue(h, CamAvToCode(Params.Av));
  if (Params.Tv != 0) (void)CDAPI::CDSetTvValue(h, CamTvToCode(Params.Tv));
  if (Params.ExposureCompensation != 0) {
    (void)CDAPI::CDSetExposureComp(h, CamExpCompToCD(Params.ExposureCompensation));
  }
  if (Params.WhiteBalance != 0) {
    (void)CDAPI::CDSetWBSetting(h, CamWhiteBalanceToCD(Params.WhiteBalance));
  }
  if (Params.WhiteBalance == kWhiteBalanceColorTemperature) {
    SetRelCamSetting(h, kCDRelCamColorTemperature, 2,
                     static_cast<std::uint32_t>(Params.ColorTemperature) & 0xFFFF);
  }
  if (Params.AFDistance != 0) {
    (void)CDAPI::CDSetAFDistanceSetting(h, CamAFDistanceToCD(Params.AFDistance));
  }
  // One call sets both flash halves; 0x00FF leaves the other half alone.
  if (Params.FlashMode != 0) {
    (void)CDAPI::CDSetFlashSetting(h, CamFlashToCD(Params.FlashMode), kCDFlashHalfUnchanged);
  }
  if (Params.FlashCompensation != 0) {
    (void)CDAPI::CDSetFlashSetting(h, kCDFlashHalfUnchanged,
                                   CamFlashCompToCD(Params.FlashCompensation));
  }
  if (Params.MeteringMode != 0) {
    SetRelCamSetting(h, kCDRelCamMeteringMode, 1, CamMeteringToCD(Params.MeteringMode));
  }
  // The ISO code travels in the low byte of a 16-bit value.
  if (Params.ISOSpeed != 0) {
    SetRelCamSetting(h, kCDRelCamISOSpeed, 2, CamISOToCode(Params.ISOSpeed) & 0xFFu);
  }
  const std::pair<std::uint8_t, std::uint32_t> levels[] = {
      {Params.Contrast, kCDRelCamContrast},
      {Params.Sharpness, kCDRelCamSharpness},
      {Params.Saturation, kCDRelCamSaturation},
  };
  for (const auto& [index, id] : levels) {
    if (index != 0) {
      SetRelCamSetting(h, id, 1, static_cast<std::uint8_t>(CamLevelToCD(index)));
    }
  }
  if (Params.PhotoEffect != 0) {
    SetRelCamSetting(h, kCDRelCamPhotoEffect, 2, CamPhotoEffectToCD(Params.PhotoEffect));
  }
  if (Params.Beep != 0) SetRelCamSetting(h, kCDRelCamBeep, 1, CamBeepToCD(Params.Beep));
}

ZoomInfoType TCDSDK::RemoteGetZoom() {
  std::uint32_t maxPos = 0;
  std::uint32_t maxOpticalPos = 0;
  CheckError(CDAPI::CDGetMaximumZoomPos(SourceHandle, &maxPos, &maxOpticalPos),
             "CDGetMaximumZoomPos");
  std::uint32_t current = 0;
  CheckError(CDAPI::CDGetZoomPos(SourceHandle, &current), "CDGetZoomPos");
  ZoomInfoType zoom;
  zoom.ZoomPos = static_cast<std::int32_t>(current);
  zoom.MaxOpticalZoomPos = static_cast<std::int32_t>(maxOpticalPos);
  zoom.MaxZoomPos = static_cast<std::int32_t>(maxPos);
  return zoom;
}

void TCDSDK::RemoteSetZoom(std::int32_t Position) {
  CheckError(CDAPI::CDSetZoomPos(SourceHandle, static_cast<std::uint32_t>(Position)),
             "CDSetZoomPos");
}

void TCDSDK::RemoteAFLock(bool Lock) {
  CheckError(CDAPI::CDAFLock(SourceHandle, Lock ? 1 : 0), "CDAFLock");
}

void TCDSDK::RemoteGetPicture(const std::string& FileName, CDProgressCallback ProgressCallback,
                              std::int32_t Context) {
  // The library writes the picture itself, to the file the medium names.
  CDStorageMedium medium{};
  medium.Kind = kCDMediumFile;
  medium.FileName = FileName.c_str();
  CDReleasedDataInfo information{};
  const CDResult code =
      CDAPI::CDGetReleasedData(SourceHandle, ProgressCallback, static_cast<CDContext>(Context),
                               kCDProgressOption, &information, &medium);
  // The camera holds no released picture: told apart, with the same message.
  if ((code & 0xFFFFu) == kCDErrNotReleased) {
    throw Lumidor::ENoPictureWaiting(FailureMessage(code, "CDGetReleasedData"));
  }
  CheckError(code, "CDGetReleasedData");
}

void TCDSDK::RemoteTakePicture(CDProgressCallback ProgressCallback, std::int32_t Context) {
  // Does not wait for the picture: the release events arrive through the release callback.
  std::uint32_t count = 0;
  CheckError(CDAPI::CDRelease(SourceHandle, kCDReleaseOption, ProgressCallback,
                              static_cast<CDContext>(Context), kCDProgressOption, &count),
             "CDRelease");
}

void TCDSDK::ExtendShutdownTimer() {
  // One exchange with the camera keeps it awake: the owner name is read and not used.
  (void)ReadDeviceProperty(SourceHandle, kCDDevPropOwnerName);
}

void TCDSDK::ReportProbeProgress(std::int32_t PercentageDone) {
  Lumidor::TLumidor* owner = Lumidor::FindComponent(RegistryIndex);
  if (owner && owner->OnRemoteProbeParamEvent) owner->OnRemoteProbeParamEvent(PercentageDone);
}

void TCDSDK::FinishSDK() {
  if (CDAPI::CDSDKReady()) (void)CDAPI::CDFinishSDK();
}
