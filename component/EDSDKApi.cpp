#include "component/EDSDKApi.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>

#include "component/CamLib.h"
#include "component/EDSDK.h"
#include "component/EDSDKERRORS.h"
#include "platform/AsideFile.h"
#include "platform/FileSystem.h"
#include "platform/Sleep.h"

using CamDefines::ECamException;
using Lumidor::ConnectInfoType;
using Lumidor::RemoteParamType;
using Lumidor::RemoteProbeParamType;
using namespace CamLib;

namespace {

// The libraries are started and the EOS library is there: its references can be given back.
bool CanRelease() {
  return Lumidor::SDKsStarted && EDSDK::EDSDKReady();
}

// A listing asks for this many cameras at most: a count above it is no set of attached cameras.
constexpr std::uint32_t kMaxCameras = 100;

// What a context cell holds once its wrapper is gone.
constexpr std::int32_t kNoSlot = -1;

// A context cell for a new wrapper. The cells are never freed: the library may call with one at
// any time, and no other wrapper may ever get its address.
std::atomic<std::int32_t>* NewContextCell() {
  static auto* const cells = new std::deque<std::atomic<std::int32_t>>();
  return &cells->emplace_back(kNoSlot);
}

// The white-balance index that goes with a colour temperature.
constexpr std::uint8_t kWhiteBalanceColorTemperature = 13;
// The image-quality index of a RAW first image.
constexpr std::uint8_t kImageQualityRaw = 5;

// A refused property write is tried again every kWriteRetryMs until kWriteRetryLimitMs have
// been waited: 51 attempts at most.
constexpr std::uint32_t kWriteRetryMs = 100;
constexpr std::uint32_t kWriteRetryLimitMs = 5000;

// Reads property Id into Buffer of Size bytes, which is zeroed first: what the library does not
// write stays 0. The library is given the buffer's own size, so it cannot write past it.
EdsResult ReadProperty(EdsRef camera, std::uint32_t id, void* buffer, std::uint32_t size) {
  std::memset(buffer, 0, size);
  return EDSDK::EdsGetPropertyData(camera, id, 0, size, buffer);
}

// A 4-byte property; false when the read fails.
bool ReadWord(EdsRef camera, std::uint32_t id, std::uint32_t& value) {
  value = 0;
  return ReadProperty(camera, id, &value, sizeof value) == kEdsOk;
}

// Writes a property, trying again while the camera refuses it; a write still refused after the
// last attempt is given up silently.
void WriteWithRetry(EdsRef camera, std::uint32_t id, const void* data, std::uint32_t size) {
  std::uint32_t elapsed = 0;
  while (EDSDK::EdsSetPropertyData(camera, id, 0, size, data) != kEdsOk) {
    if (elapsed >= kWriteRetryLimitMs) return;
    rt::SleepMs(kWriteRetryMs);
    elapsed += kWriteRetryMs;
  }
}

void WriteWord(EdsRef camera, std::uint32_t id, std::uint32_t value) {
  WriteWithRetry(camera, id, &value, sizeof value);
}

// A code's byte result, sign-extended to 32 bits.
std::uint32_t Signed8(std::int8_t code) {
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(code));
}

std::uint8_t LowByte(std::uint32_t value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

std::int8_t LowByteSigned(std::uint32_t value) {
  return static_cast<std::int8_t>(LowByte(value));
}

// PowerSource and BatteryLevel by the low byte of the battery property.
void SetPowerFromBattery(std::uint32_t battery, ConnectInfoType& info) {
  info.PowerSource = 0;
  info.BatteryLevel = 0;
  switch (battery & 0xFF) {
    case kEdsBatteryOnACPower:
      info.PowerSource = 1, info.BatteryLevel = 1;
      break;
    case kEdsBatteryLow:
      info.PowerSource = 2, info.BatteryLevel = 3;
      break;
    case kEdsBatteryHalf:
      info.PowerSource = 2, info.BatteryLevel = 2;
      break;
    case kEdsBatteryHigh:
      info.PowerSource = 2, info.BatteryLevel = 1;
      break;
    default:
      break;
  }
}

// ---- The capability probe ----

using Lumidor::ProbeGroup;
namespace Layout = Lumidor::ProbeLayout;

// The probe runs in 17 steps; progress is the step's share in percent, rounded.
constexpr std::int32_t kProbeSteps = 17;
std::int32_t ProbeProgress(std::int32_t step) {
  return (step * 200 + kProbeSteps) / (2 * kProbeSteps);
}

// An accepted image-quality trial settles for this long before it is read back.
constexpr std::uint32_t kImageQualitySettleMs = 50;

// Flags the values of property Id's value list, each as Convert gives its index; the group
// offers nothing when the list is empty. A value the converter does not know flags nothing. A
// failed read of the list, or one that claims more values than its record holds, raises.
template <typename Convert>
void ProbeList(EdsRef camera, std::uint32_t id, const ProbeGroup& group,
               RemoteProbeParamType& result, Convert convert) {
  EdsPropertyDesc desc{};
  TEDSDK::CheckError(EDSDK::EdsGetPropertyDesc(camera, id, &desc), "EdsGetPropertyDesc");
  const std::vector<std::int32_t> values = EDSDKApi::PropertyDescValues(desc, id);
  for (const std::int32_t value : values) {
    const std::uint8_t index = convert(static_cast<std::uint32_t>(value)) & 0x7F;
    if (index >= 1 && index <= group.Count) result[group.Base + index] = 1;
  }
  result[group.Base] = values.empty() ? 1 : 0;
}

// Writes the code of each index of the group once, as CodeOf gives it (none: the index is not
// tried), and flags the indexes whose write the camera takes. After runs after each write.
template <typename CodeOf, typename After>
void ProbeTrials(EdsRef camera, std::uint32_t id, const ProbeGroup& group,
                 RemoteProbeParamType& result, CodeOf codeOf, After after) {
  bool found = false;
  for (std::uint8_t i = 1; i <= group.Count; ++i) {
    const std::optional<std::uint32_t> code = codeOf(i);
    if (!code) continue;
    const std::uint32_t value = *code;
    if (EDSDK::EdsSetPropertyData(camera, id, 0, sizeof value, &value) == kEdsOk) {
      result[group.Base + i] = 1;
      found = true;
    }
    after();
  }
  result[group.Base] = found ? 0 : 1;
}

template <typename CodeOf>
void ProbeTrials(EdsRef camera, std::uint32_t id, const ProbeGroup& group,
                 RemoteProbeParamType& result, CodeOf codeOf) {
  ProbeTrials(camera, id, group, result, codeOf, [] {});
}

// Writes Trial as the image quality; false when the camera refuses it. A taken trial settles,
// then the camera's record is read back into ReadBack; a failed read leaves it empty.
bool TryImageQuality(EdsRef camera, const EdsImageQualityRecord& trial,
                     std::optional<EdsImageQualityRecord>& readBack) {
  readBack.reset();
  if (EDSDK::EdsSetPropertyData(camera, kEdsPropImageQuality, 0, sizeof trial, &trial) != kEdsOk) {
    return false;
  }
  rt::SleepMs(kImageQualitySettleMs);
  EdsImageQualityRecord record{};
  if (ReadProperty(camera, kEdsPropImageQuality, &record, sizeof record) == kEdsOk) {
    readBack = record;
  }
  return true;
}

// Every quality with every size as a single image (quality 5 as the RAW image alone). A
// quality or size is flagged when the camera takes the pair and reports it back unchanged; the
// RAW quality is flagged as soon as the camera takes it.
void ProbeImageQuality(EdsRef camera, RemoteProbeParamType& result) {
  bool found = false;
  for (std::uint8_t q = 1; q <= Layout::ImageQuality.Count; ++q) {
    for (std::uint8_t z = 1; z <= Layout::ImageSize.Count; ++z) {
      EdsImageQualityRecord trial{};
      trial.FirstSize = CamImageSizeToEds(z);
      trial.FirstKind = q == kImageQualityRaw ? kEdsImageKindRaw : kEdsImageKindOther;
      trial.FirstQuality = CamQualityToEds(q);
      if (trial.FirstSize == -1 || trial.FirstQuality == -1) continue;
      std::optional<EdsImageQualityRecord> readBack;
      if (!TryImageQuality(camera, trial, readBack)) continue;
      if (q == kImageQualityRaw) {
        result[Layout::ImageQuality.Base + kImageQualityRaw] = 1;
        found = true;
      }
      if (readBack && std::memcmp(&trial, &*readBack, sizeof trial) == 0) {
        result[Layout::ImageQuality.Base + q] = 1;
        result[Layout::ImageSize.Base + z] = 1;
        found = true;
      }
    }
  }
  result[Layout::ImageQuality.Base] = found ? 0 : 1;
  result[Layout::ImageSize.Base] = found ? 0 : 1;
}

// Every quality but RAW with every size as the second image beside a RAW first image. The
// camera chooses the first image's size and quality itself, so only the kind and the second
// image are compared.
void ProbeImageQualityRaw(EdsRef camera, RemoteProbeParamType& result) {
  bool found = false;
  for (std::uint8_t q = 1; q <= Layout::ImageQuality2.Count; ++q) {
    if (q == kImageQualityRaw) continue;
    for (std::uint8_t z = 1; z <= Layout::ImageSize2.Count; ++z) {
      EdsImageQualityRecord trial{};
      trial.FirstSize = CamImageSizeToEds(z);
      trial.FirstKind = kEdsImageKindRaw;
      trial.FirstQuality = CamQualityToEds(q);
      trial.SecondSize = CamImageSizeToEds(z);
      trial.SecondPresent = 1;
      trial.SecondQuality = CamQualityToEds(q);
      if (trial.FirstSize == -1 || trial.FirstQuality == -1) continue;
      std::optional<EdsImageQualityRecord> readBack;
      if (!TryImageQuality(camera, trial, readBack)) continue;
      if (readBack && readBack->FirstKind == trial.FirstKind &&
          readBack->SecondSize == trial.SecondSize &&
          readBack->SecondPresent == trial.SecondPresent &&
          readBack->SecondQuality == trial.SecondQuality) {
        result[Layout::ImageQuality2.Base + q] = 1;
        result[Layout::ImageSize2.Base + z] = 1;
        found = true;
      }
    }
  }
  result[Layout::ImageQuality2.Base] = found ? 0 : 1;
  result[Layout::ImageSize2.Base] = found ? 0 : 1;
}

}  // namespace

std::vector<std::int32_t> EDSDKApi::PropertyDescValues(const EdsPropertyDesc& Desc,
                                                       std::uint32_t PropertyId) {
  if (Desc.NumElements < 0 ||
      static_cast<std::size_t>(Desc.NumElements) > kEdsMaxPropertyDescValues) {
    throw ECamException("EdsGetPropertyDesc delivered " + std::to_string(Desc.NumElements) +
                        " values for property " + Lumidor::HexCode(PropertyId) +
                        "; the record holds at most " + std::to_string(kEdsMaxPropertyDescValues));
  }
  return std::vector<std::int32_t>(Desc.Elements, Desc.Elements + Desc.NumElements);
}

void TEDSDK::CheckError(std::uint32_t Code, const std::string& FunctionName) {
  if (Code == 0) return;
  std::string text;
  EDSDKERRORS::GetErrorText(Code, text);
  throw ECamException(Lumidor::SdkFailureMessage(Code, FunctionName, text));
}

void TEDSDK::StartSDK() {
  EDSDK::RequireEDSDK();
  CheckError(EDSDK::EdsInitializeSDK(), "EdsInitializeSDK");
}

void TEDSDK::EnumerateCameras(Lumidor::TStringList& Names) {
  Names.clear();
  std::vector<EdsRef>& cameras = Lumidor::EOSCameras();
  EDSDKApi::ReleaseCameras(cameras, true);
  EDSDK::RequireEDSDK();
  EdsRef list = 0;
  CheckError(EDSDK::EdsGetCameraList(&list), "EdsGetCameraList");
  try {
    std::uint32_t count = 0;
    CheckError(EDSDK::EdsGetChildCount(list, &count), "EdsGetChildCount");
    if (count > kMaxCameras) {
      throw ECamException("EdsGetChildCount delivered " + std::to_string(count) +
                          " cameras; a listing takes at most " + std::to_string(kMaxCameras));
    }
    for (std::uint32_t i = 0; i < count; ++i) {
      EdsRef camera = 0;
      CheckError(EDSDK::EdsGetChildAtIndex(list, static_cast<std::int32_t>(i), &camera),
                 "EdsGetChildAtIndex");
      cameras.push_back(camera);  // from here on the list owns the reference
      EdsDeviceInfo info{};
      CheckError(EDSDK::EdsGetDeviceInfo(camera, &info), "EdsGetDeviceInfo");
      Names.push_back(Lumidor::FieldText(info.Description, sizeof info.Description));
    }
  } catch (...) {
    // A listing that failed keeps nothing. The library's list is released too; a failing release
    // then reports itself.
    Names.clear();
    EDSDKApi::ReleaseCameras(cameras, false);
    if (list != 0) CheckError(EDSDK::EdsRelease(list), "EdsRelease");
    throw;
  }
  if (list != 0) CheckError(EDSDK::EdsRelease(list), "EdsRelease");
}

ConnectInfoType TEDSDK::Connect(EdsStateEventHandler EventCallback, std::int32_t ConnectToCamera,
                                std::int32_t Context) {
  EDSDK::RequireEDSDK();
  const std::vector<EdsRef>& cameras = Lumidor::EOSCameras();
  Lumidor::CheckConnectIndex(ConnectToCamera, cameras.size(), "EOS cameras", "EOS cameras");
  ConnectInfo = ConnectInfoType{};
  ReleaseOwnCameraRef();
  CameraRef = cameras[static_cast<std::size_t>(ConnectToCamera)];
  // This wrapper's own handlers, each with its context cell; the component's EventCallback and
  // Context are not used.
  (void)EventCallback;
  (void)Context;
  void* context = CallbackContext();
  CheckError(EDSDK::EdsSetObjectEventHandler(CameraRef, kEdsObjectEventAll,
                                             Lumidor::EdsObjectEventProc, context),
             "EdsSetObjectEventHandler");
  CheckError(EDSDK::EdsSetPropertyEventHandler(CameraRef, kEdsPropertyEventAll,
                                               Lumidor::EdsPropertyEventProc, context),
             "EdsSetPropertyEventHandler");
  CheckError(EDSDK::EdsSetCameraStateEventHandler(CameraRef, kEdsStateEventAll,
                                                  Lumidor::EdsStateEventProc, context),
             "EdsSetCameraStateEventHandler");
  CheckError(EDSDK::EdsOpenSession(CameraRef), "EdsOpenSession");
  ConnectInfo.CameraType = 2;

  EdsDeviceInfo info{};
  CheckError(EDSDK::EdsGetDeviceInfo(CameraRef, &info), "EdsGetDeviceInfo");
  ConnectInfo.ModelName = Lumidor::FieldText(info.Description, sizeof info.Description);

  char owner[kEdsOwnerNameSize];
  CheckError(ReadProperty(CameraRef, kEdsPropOwnerName, owner, sizeof owner), "EdsGetPropertyData");
  ConnectInfo.OwnerName = Lumidor::FieldText(owner, sizeof owner);

  std::uint32_t battery = 0;
  CheckError(ReadProperty(CameraRef, kEdsPropBatteryLevel, &battery, sizeof battery),
             "EdsGetPropertyData");
  SetPowerFromBattery(battery, ConnectInfo);
  return ConnectInfo;
}

RemoteProbeParamType TEDSDK::EnterRemoteMode(CamDefines::ReleaseModeType ReleaseMode,
                                             CamDefines::ReleaseDataKindType ReleaseDataKind,
                                             bool ProbeParams, const std::string& CacheDir,
                                             CDReleaseEventCallback ReleaseCallback,
                                             std::int32_t Context) {
  EDSDK::RequireEDSDK();
  // The camera announces each picture with an object event: there is no release control to
  // enter, and the data kind, release callback and context are not used.
  (void)ReleaseDataKind;
  (void)ReleaseCallback;
  (void)Context;
  RemoteProbeParamType result{};
  std::uint32_t saveTo = kEdsSaveToHost;
  if (ReleaseMode == CamDefines::ReleaseModeBothPCAndCamera) saveTo = kEdsSaveToBoth;
  if (ReleaseMode == CamDefines::ReleaseModeOnlyToCamera) saveTo = kEdsSaveToCamera;
  CheckError(EDSDK::EdsSetPropertyData(CameraRef, kEdsPropSaveTo, 0, sizeof saveTo, &saveTo),
             "EdsSetPropertyData");
  result[Lumidor::CanZoom] = 0;
  result[Lumidor::CanSetParams] = 1;
  result[Lumidor::CanViewfinder] = 0;
  result[Lumidor::FacultyBit3] = 0;
  result[Lumidor::CanAFLock] = 0;
  if (ProbeParams) ProbeCapabilities(result, CacheDir);
  return result;
}

void TEDSDK::ProbeCapabilities(RemoteProbeParamType& Result, const std::string& CacheDir) {
  // The cache file of the model in its current shooting mode answers when it is there: no
  // progress, nothing sent to the camera.
  std::string cacheFile;
  if (!CacheDir.empty()) {
    std::uint8_t shootingMode = 0;
    std::uint32_t mode = 0;
    if (ReadWord(CameraRef, kEdsPropShootingMode, mode)) {
      shootingMode = EdsShootingModeToCam(LowByte(mode));
    }
    cacheFile = CapsFileName(CacheDir, ConnectInfo.ModelName, shootingMode);
    CapsBody caps{};
    if (LoadCapsFile(cacheFile, caps)) {
      std::copy(caps.begin(), caps.end(), Result.begin() + kCapsFirstPosition);
      return;
    }
  }

  // The settings as they are now, sent back at the end.
  const RemoteParamType saved = RemoteGetParams();
  const auto report = [this](std::int32_t step) { ReportProbeProgress(ProbeProgress(step)); };
  report(1);

  // The groups, in a fixed order; progress is reported before each (steps 1 and 3 to 17).
  ProbeImageQuality(CameraRef, Result);
  report(3);
  ProbeImageQualityRaw(CameraRef, Result);
  report(4);
  ProbeList(CameraRef, kEdsPropShootingMode, Layout::ShootingMode, Result,
            [](std::uint32_t v) { return EdsShootingModeToCam(LowByte(v)); });
  report(5);
  ProbeList(CameraRef, kEdsPropAv, Layout::Av, Result,
            [](std::uint32_t v) { return AvCodeToCam(v & 0xFFFF); });
  report(6);
  ProbeList(CameraRef, kEdsPropTv, Layout::Tv, Result,
            [](std::uint32_t v) { return TvCodeToCam(v & 0xFFFF); });
  report(7);
  ProbeList(CameraRef, kEdsPropExposureComp, Layout::ExposureCompensation, Result,
            [](std::uint32_t v) { return EdsExpCompToCam(v); });
  report(8);
  ProbeTrials(CameraRef, kEdsPropWhiteBalance, Layout::WhiteBalance, Result, [](std::uint8_t i) {
    const std::int8_t code = CamWhiteBalanceToEds(i);
    return code == -10 ? std::optional<std::uint32_t>() : Signed8(code);
  });
  report(9);
  EdsWhiteBalanceShift shift{};
  Result[Layout::WhiteBalanceShiftFlag] =
      ReadProperty(CameraRef, kEdsPropWhiteBalanceShift, &shift, sizeof shift) == kEdsOk &&
      shift.AB != kEdsSignedNotAvailable && shift.GM != kEdsSignedNotAvailable;
  report(10);
  ProbeTrials(CameraRef, kEdsPropAFMode, Layout::AFMode, Result, [](std::uint8_t i) {
    return std::optional<std::uint32_t>(static_cast<std::uint32_t>(CamAFModeToEds(i)));
  });
  report(11);
  // Each drive mode tried is followed by the first one again.
  const std::uint32_t firstDriveMode = static_cast<std::uint32_t>(CamDriveModeToEds(1));
  ProbeTrials(
      CameraRef, kEdsPropDriveMode, Layout::DriveMode, Result,
      [](std::uint8_t i) {
        return std::optional<std::uint32_t>(static_cast<std::uint32_t>(CamDriveModeToEds(i)));
      },
      [&] {
        (void)EDSDK::EdsSetPropertyData(CameraRef, kEdsPropDriveMode, 0, sizeof firstDriveMode,
                                        &firstDriveMode);
      });
  report(12);
  ProbeList(CameraRef, kEdsPropMeteringMode, Layout::MeteringMode, Result,
            [](std::uint32_t v) { return EdsMeteringToCam(v); });
  report(13);
  ProbeTrials(CameraRef, kEdsPropColorSpace, Layout::ColorSpace, Result, [](std::uint8_t i) {
    const std::int32_t code = CamColorSpaceToEds(i);
    return code == -1 ? std::optional<std::uint32_t>() : static_cast<std::uint32_t>(code);
  });
  report(14);
  ProbeList(CameraRef, kEdsPropISOSpeed, Layout::ISOSpeed, Result,
            [](std::uint32_t v) { return ISOCodeToCam(LowByte(v)); });
  report(15);
  EdsPictureStyleRecord style{};
  Result[Layout::PictureStyleFlag] =
      ReadProperty(CameraRef, kEdsPropPictureStyle, &style, sizeof style) == kEdsOk;
  // The picture style stands in for contrast, sharpness and saturation on EOS cameras.
  for (const ProbeGroup& group : {Layout::Contrast, Layout::Sharpness, Layout::Saturation}) {
    Result[group.Base] = 1;
  }
  report(16);
  ProbeTrials(CameraRef, kEdsPropPhotoEffect, Layout::PhotoEffect, Result, [](std::uint8_t i) {
    const std::uint8_t code = CamPhotoEffectToEds(i) & 0x7F;
    return code == 99 ? std::optional<std::uint32_t>() : code;
  });
  // The settings that EOS cameras do not have here offer nothing.
  report(17);
  for (const ProbeGroup& group : {Layout::AFDistance, Layout::FocusPoint, Layout::AFAssistLight,
                                  Layout::FlashMode, Layout::FlashCompensation, Layout::Beep}) {
    Result[group.Base] = 1;
  }

  // Only a probe that ran to its end is kept in the cache file.
  RemoteSetParams(saved);
  if (!CacheDir.empty()) {
    CapsBody caps{};
    std::copy(Result.begin() + kCapsFirstPosition, Result.end(), caps.begin());
    SaveCapsFile(cacheFile, caps);
  }
}

RemoteParamType TEDSDK::RemoteGetParams() {
  EDSDK::RequireEDSDK();
  RemoteParamType params{};
  std::uint32_t value = 0;

  EdsImageQualityRecord quality{};
  if (ReadProperty(CameraRef, kEdsPropImageQuality, &quality, sizeof quality) == kEdsOk) {
    params.ImageQuality =
        EdsQualityToCam(LowByte(static_cast<std::uint32_t>(quality.FirstQuality)));
    params.ImageSize = EdsImageSizeToCam(LowByte(static_cast<std::uint32_t>(quality.FirstSize)));
    if (quality.FirstKind == kEdsImageKindRaw) {
      params.ImageQuality = kImageQualityRaw;
      params.ImageQuality2 =
          EdsQualityToCam(LowByte(static_cast<std::uint32_t>(quality.SecondQuality)));
      params.ImageSize2 =
          EdsImageSizeToCam(LowByte(static_cast<std::uint32_t>(quality.SecondSize)));
    }
  }
  if (ReadWord(CameraRef, kEdsPropShootingMode, value)) {
    params.ShootingMode = EdsShootingModeToCam(LowByte(value));
  }
  if (ReadWord(CameraRef, kEdsPropAv, value)) params.Av = AvCodeToCam(value & 0xFFFF);
  if (ReadWord(CameraRef, kEdsPropTv, value)) params.Tv = TvCodeToCam(value & 0xFFFF);
  if (ReadWord(CameraRef, kEdsPropExposureComp, value)) {
    params.ExposureCompensation = EdsExpCompToCam(value);
  }
  if (ReadWord(CameraRef, kEdsPropWhiteBalance, value)) {
    params.WhiteBalance = EdsWhiteBalanceToCam(LowByte(value));
  }
  if (params.WhiteBalance == kWhiteBalanceColorTemperature &&
      ReadWord(CameraRef, kEdsPropColorTemperature, value)) {
    params.ColorTemperature = static_cast<std::int32_t>(value);
  }
  EdsWhiteBalanceShift shift{};
  if (ReadProperty(CameraRef, kEdsPropWhiteBalanceShift, &shift, sizeof shift) == kEdsOk &&
      shift.AB != kEdsSignedNotAvailable && shift.GM != kEdsSignedNotAvailable) {
    params.WBShiftValid = true;
    params.WBShiftAB = LowByteSigned(static_cast<std::uint32_t>(shift.AB));
    params.WBShiftGM = LowByteSigned(static_cast<std::uint32_t>(shift.GM));
  }
  if (ReadWord(CameraRef, kEdsPropAFMode, value)) params.AFMode = EdsAFModeToCam(value);
  if (ReadWord(CameraRef, kEdsPropDriveMode, value)) params.DriveMode = EdsDriveModeToCam(value);
  if (ReadWord(CameraRef, kEdsPropMeteringMode, value)) {
    params.MeteringMode = EdsMeteringToCam(value);
  }
  if (ReadWord(CameraRef, kEdsPropColorSpace, value)) {
    params.ColorSpace = EdsColorSpaceToCam(value);
  }
  if (ReadWord(CameraRef, kEdsPropISOSpeed, value)) params.ISOSpeed = ISOCodeToCam(LowByte(value));
  EdsPictureStyleRecord style{};
  if (ReadProperty(CameraRef, kEdsPropPictureStyle, &style, sizeof style) == kEdsOk) {
    params.PictureStyleValid = true;
    params.PSContrast = LowByteSigned(static_cast<std::uint32_t>(style.Contrast));
    params.PSSharpness = LowByteSigned(style.Sharpness);
    if (style.Saturation != kEdsSignedNotAvailable) {
      params.PSSaturation = LowByteSigned(static_cast<std::uint32_t>(style.Saturation));
      params.PSSaturationValid = true;
    }
    if (style.ColorTone != kEdsSignedNotAvailable) {
      params.PSColorTone = LowByteSigned(static_cast<std::uint32_t>(style.ColorTone));
      params.PSColorToneValid = true;
    }
    if (style.FilterEffect != kEdsUnsignedNotAvailable) {
      params.PSFilterEffect = LowByteSigned(style.FilterEffect);
      params.PSFilterEffectValid = true;
    }
    if (style.ToningEffect != kEdsUnsignedNotAvailable) {
      params.PSToningEffect = LowByteSigned(style.ToningEffect);
      params.PSToningEffectValid = true;
    }
  }
  if (ReadWord(CameraRef, kEdsPropPhotoEffect, value)) {
    params.PhotoEffect = EdsPhotoEffectToCam(LowByte(value));
  }
  return params;
}

void TEDSDK::RemoteSetParams(RemoteParamType Params) {
  EDSDK::RequireEDSDK();
  // 1. Image quality: the first image's codes are sent as converted, -1 included.
  if ((Params.ImageQuality != 0 && Params.ImageSize != 0) ||
      Params.ImageQuality == kImageQualityRaw) {
    EdsImageQualityRecord quality{};
    quality.FirstQuality = CamQualityToEds(Params.ImageQuality);
    quality.FirstSize = CamImageSizeToEds(Params.ImageSize);
    if (Params.ImageQuality == kImageQualityRaw) {
      quality.FirstKind = kEdsImageKindRaw;
      quality.FirstSize = CamImageSizeToEds(1);
      const std::int8_t secondQuality = CamQualityToEds(Params.ImageQuality2);
      const std::int8_t secondSize = CamImageSizeToEds(Params.ImageSize2);
      if (secondQuality != -1 && secondSize != -1) {
        quality.SecondQuality = secondQuality;
        quality.SecondPresent = 1;
        quality.SecondSize = secondSize;
      }
    } else {
      quality.FirstKind = kEdsImageKindOther;
    }
    WriteWithRetry(CameraRef, kEdsPropImageQuality, &quality, sizeof quality);
  }
  // 2. to 6.
  if (Params.ShootingMode != 0) {
    const std::int8_t code = CamShootingModeToEds(Params.ShootingMode);
    if (code != -1) WriteWord(CameraRef, kEdsPropShootingMode, Signed8(code));
  }
  if (Params.Av != 0) {
    const std::uint16_t code = CamAvToCode(Params.Av);
    if (code != 0xFFFF) WriteWord(CameraRef, kEdsPropAv, code);
  }
  if (Params.Tv != 0) {
    const std::uint16_t code = CamTvToCode(Params.Tv);
    if (code != 0xFFFF) WriteWord(CameraRef, kEdsPropTv, code);
  }
  if (Params.ExposureCompensation != 0) {
    const std::int32_t code = CamExpCompToEds(Params.ExposureCompensation);
    if (code != 255) WriteWord(CameraRef, kEdsPropExposureComp, static_cast<std::uint32_t>(code));
  }
  if (Params.WhiteBalance != 0) {
    const std::int8_t code = CamWhiteBalanceToEds(Params.WhiteBalance);
    if (code != -10) WriteWord(CameraRef, kEdsPropWhiteBalance, Signed8(code));
  }
  // 7. The colour temperature in whole hundreds, whether or not the white balance was taken.
  if (Params.WhiteBalance == kWhiteBalanceColorTemperature) {
    WriteWord(CameraRef, kEdsPropColorTemperature,
              static_cast<std::uint32_t>(Params.ColorTemperature / 100 * 100));
  }
  // 8. to 13.
  if (Params.WBShiftValid) {
    EdsWhiteBalanceShift shift{Params.WBShiftAB, Params.WBShiftGM};
    WriteWithRetry(CameraRef, kEdsPropWhiteBalanceShift, &shift, sizeof shift);
  }
  if (Params.AFMode != 0) {
    WriteWord(CameraRef, kEdsPropAFMode, static_cast<std::uint32_t>(CamAFModeToEds(Params.AFMode)));
  }
  if (Params.DriveMode != 0) {
    WriteWord(CameraRef, kEdsPropDriveMode,
              static_cast<std::uint32_t>(CamDriveModeToEds(Params.DriveMode)));
  }
  if (Params.MeteringMode != 0) {
    const std::int32_t code = CamMeteringToEds(Params.MeteringMode);
    if (code != -1) WriteWord(CameraRef, kEdsPropMeteringMode, static_cast<std::uint32_t>(code));
  }
  if (Params.ColorSpace != 0) {
    const std::int32_t code = CamColorSpaceToEds(Params.ColorSpace);
    if (code != -1) WriteWord(CameraRef, kEdsPropColorSpace, static_cast<std::uint32_t>(code));
  }
  if (Params.ISOSpeed != 0) {
    const std::uint8_t code = CamISOToCode(Params.ISOSpeed);
    if (code != 0xFF) WriteWord(CameraRef, kEdsPropISOSpeed, code);
  }
  // 14. Picture style: the "not available" markers for the values not held.
  if (Params.PictureStyleValid) {
    EdsPictureStyleRecord style{};
    style.Contrast = Params.PSContrast;
    style.Sharpness = static_cast<std::uint8_t>(Params.PSSharpness);
    style.Saturation = Params.PSSaturationValid ? Params.PSSaturation : kEdsSignedNotAvailable;
    style.ColorTone = Params.PSColorToneValid ? Params.PSColorTone : kEdsSignedNotAvailable;
    style.FilterEffect = Params.PSFilterEffectValid
                             ? static_cast<std::uint8_t>(Params.PSFilterEffect)
                             : kEdsUnsignedNotAvailable;
    style.ToningEffect = Params.PSToningEffectValid
                             ? static_cast<std::uint8_t>(Params.PSToningEffect)
                             : kEdsUnsignedNotAvailable;
    WriteWithRetry(CameraRef, kEdsPropPictureStyle, &style, sizeof style);
  }
  // 15.
  if (Params.PhotoEffect != 0) {
    const std::uint8_t code = CamPhotoEffectToEds(Params.PhotoEffect) & 0x7F;
    if (code != 99) WriteWord(CameraRef, kEdsPropPhotoEffect, code);
  }
}

void TEDSDK::RemoteAFLock(bool) {
  throw ECamException("RemoteAFLock is not supported for your EOS camera.");
}

void TEDSDK::RemoteTakePicture(std::int32_t) {
  // Does not wait: the camera announces the picture with an object event.
  EDSDK::RequireEDSDK();
  CheckError(EDSDK::EdsSendCommand(CameraRef, kEdsCommandTakePicture, 0), "EdsSendCommand");
}

void TEDSDK::RemoteGetPicture(const std::string& FileName,
                              CamDefines::ReleaseDataKindType ReleaseDataKind, std::int32_t) {
  EdsRef item = 0;
  {
    std::lock_guard<std::mutex> lock(PendingItemsLock);
    if (PendingItems.empty()) throw ECamException("There are no pictures to download");
    item = PendingItems.front();
  }
  // The stream writes aside, and the library takes names of 254 characters at most: the aside
  // name must fit. Any other aside name would escape the clean-up of what a killed download left.
  if (rt::AsideName(FileName).size() > kEdsMaxFileNameLength) {
    throw ECamException("Filename " + FileName + " too long");
  }
  const bool picture = ReleaseDataKind == CamDefines::ReleaseDataKindTakeOnlyPicture;
  if (!picture && ReleaseDataKind != CamDefines::ReleaseDataKindTakeOnlyThumbnail) {
    throw ECamException("An EOS camera delivers the picture or its thumbnail, not data kind " +
                        std::to_string(static_cast<int>(ReleaseDataKind)));
  }
  EDSDK::RequireEDSDK();
  rt::AsideFile file(FileName);
  EdsRef stream = 0;
  CheckError(EDSDK::EdsCreateFileStream(file.Name().c_str(), kEdsFileCreateAlways, kEdsAccessWrite,
                                        &stream),
             "EdsCreateFileStream");
  // The library has had its try at the picture: a failed EdsDownload lets the item go. A failure
  // before it fetched nothing, and the item stays for the next download.
  bool attempted = false;
  try {
    if (picture) {
      EdsDirectoryItemInfo info{};
      CheckError(EDSDK::EdsGetDirectoryItemInfo(item, &info), "EdsGetDirectoryItemInfo");
      CheckError(EDSDK::EdsSetProgressCallback(stream, Lumidor::EdsProgressProc,
                                               kEdsProgressPeriodically, CallbackContext()),
                 "EdsSetProgressCallback");
      DownloadMode = 1;
      attempted = true;
      CheckError(EDSDK::EdsDownload(item, info.Size, stream), "EdsDownload");
    } else {
      CheckError(EDSDK::EdsDownloadThumbnail(item, stream), "EdsDownloadThumbnail");
    }
  } catch (...) {
    // An exception from here replaces the download's.
    DownloadMode = 0;
    CheckError(EDSDK::EdsRelease(stream), "EdsRelease");
    if (attempted) LetGo(item);
    throw;
  }
  DownloadMode = 0;
  CheckError(EDSDK::EdsRelease(stream), "EdsRelease");
  // The item goes only once its picture is in place: a failed flush or rename keeps it queued,
  // and the next download fetches it again.
  file.PutInPlace();
  if (picture) LetGo(item);
}

void TEDSDK::LetGo(EdsRef Item) {
  {
    std::lock_guard<std::mutex> lock(PendingItemsLock);
    const auto queued = std::find(PendingItems.begin(), PendingItems.end(), Item);
    if (queued != PendingItems.end()) PendingItems.erase(queued);
  }
  const EdsResult completed = EDSDK::EdsDownloadComplete(Item);
  const EdsResult released = EDSDK::EdsRelease(Item);
  CheckError(completed, "EdsDownloadComplete");
  CheckError(released, "EdsRelease");
}

void TEDSDK::ExtendShutdownTimer() {
  EDSDK::RequireEDSDK();
  CheckError(EDSDK::EdsSendCommand(CameraRef, kEdsCommandExtendShutdownTimer, 0), "EdsSendCommand");
}

void TEDSDK::ReportProbeProgress(std::int32_t PercentageDone) {
  Lumidor::TLumidor* owner = Lumidor::FindComponent(RegistryIndex);
  if (owner && owner->OnRemoteProbeParamEvent) owner->OnRemoteProbeParamEvent(PercentageDone);
}

void TEDSDK::QueuePendingItem(EdsRef Item) {
  std::lock_guard<std::mutex> lock(PendingItemsLock);
  PendingItems.push_back(Item);
}

void EDSDKApi::ReleaseCameras(std::vector<EdsRef>& Cameras, bool KeepConnected) {
  if (CanRelease()) {
    for (const EdsRef camera : Cameras) {
      TEDSDK* user = nullptr;
      if (KeepConnected && Lumidor::InstanceRegistry) {
        for (Lumidor::TLumidor* component : *Lumidor::InstanceRegistry) {
          if (component != nullptr && component->EDWrapper &&
              component->EDWrapper->CameraRef == camera && !component->EDWrapper->OwnsCameraRef) {
            user = component->EDWrapper.get();
          }
        }
      }
      if (user != nullptr) {
        user->OwnsCameraRef = true;  // the connection keeps the reference it uses
      } else if (camera != 0) {
        (void)EDSDK::EdsRelease(camera);
      }
    }
  }
  Cameras.clear();
}

TEDSDK::TEDSDK() : ContextCell(NewContextCell()) {}

TEDSDK::~TEDSDK() {
  ContextCell->store(kNoSlot);
  ReleasePendingItems();
  ReleaseOwnCameraRef();
}

void* TEDSDK::CallbackContext() {
  ContextCell->store(RegistryIndex);
  return ContextCell;
}

Lumidor::TLumidor* TEDSDK::ComponentOf(void* Context) {
  if (Context == nullptr) return nullptr;
  // Every context the library hands back is a cell that some wrapper handed it: it is there.
  const std::int32_t slot = static_cast<std::atomic<std::int32_t>*>(Context)->load();
  Lumidor::TLumidor* component = Lumidor::FindComponent(slot);
  if (component == nullptr || !component->EDWrapper ||
      component->EDWrapper->ContextCell != Context) {
    return nullptr;
  }
  return component;
}

void TEDSDK::ReleaseOwnCameraRef() {
  if (OwnsCameraRef && CanRelease()) (void)EDSDK::EdsRelease(CameraRef);
  OwnsCameraRef = false;
}

void TEDSDK::ReleasePendingItems() {
  std::deque<EdsRef> items;
  {
    std::lock_guard<std::mutex> lock(PendingItemsLock);
    items.swap(PendingItems);
  }
  if (!CanRelease()) return;
  for (const EdsRef item : items) {
    if (item != 0) (void)EDSDK::EdsRelease(item);
  }
}

void TEDSDK::FinishSDK() {
  if (!EDSDK::EDSDKReady()) return;
  // The library's objects end with it: every reference the process holds goes back first, every
  // live component's too, so that none is given back later into a session started anew.
  if (Lumidor::InstanceRegistry) {
    for (Lumidor::TLumidor* component : *Lumidor::InstanceRegistry) {
      if (component == nullptr || !component->EDWrapper) continue;
      component->EDWrapper->ReleasePendingItems();
      component->EDWrapper->ReleaseOwnCameraRef();
    }
  }
  ReleasePendingItems();
  ReleaseOwnCameraRef();
  if (Lumidor::EOSCameraList) EDSDKApi::ReleaseCameras(*Lumidor::EOSCameraList, false);
  (void)EDSDK::EdsTerminateSDK();
}
