#include "component/PRSDKApi.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "component/CamLib.h"
#include "component/PRAPI.h"
#include "component/PRERROR.h"
#include "platform/Codepage.h"

using CamDefines::ECamException;
using Lumidor::ConnectInfoType;
using Lumidor::RemoteParamType;
using Lumidor::RemoteProbeParamType;
using namespace CamLib;

namespace {

// Common setting indexes with a meaning of their own here.
constexpr std::uint8_t kRemoteShootingMode = 16;  // set on every entry into remote mode
constexpr std::uint8_t kImageQualityRaw = 5;
constexpr std::uint8_t kImageTypeJpeg = 1;  // property 0xD007 for every quality but raw
constexpr std::uint8_t kDriveModeSelfTimer10s = 6;
constexpr std::uint8_t kDriveModeSelfTimer2s = 7;

// Where a release record keeps the event code and the object handle.
constexpr std::size_t kReleaseRecordCodeOffset = 6;
constexpr std::size_t kReleaseRecordObjectOffset = 12;

// Positions in SupportFlags.
constexpr std::size_t kFlag9008 = 0;
constexpr std::size_t kFlagViewfinder = 1;
constexpr std::size_t kFlagZoom = 2;
constexpr std::size_t kFlagAFLock = 3;

// The property flags: which position each declared property sets.
struct FlagRow {
  std::uint16_t Code;
  std::size_t Flag;
};
constexpr FlagRow kPropertyFlags[] = {
    {kPRPropZoomPosition, kFlagZoom},
    {kPRPropImageQuality, 4},
    {kPRPropImageType, 4},
    {kPRPropImageSize, 5},
    {kPRPropFlashMode, 6},
    {kPRPropFlashCompensation, 7},
    {kPRPropShootingMode, 8},
    {kPRPropDriveMode, 9},
    {kPRPropMeteringMode, 10},
    {kPRPropAFDistance, 11},
    {kPRPropFocusPoint, 12},
    {kPRPropAFAssistLight, 13},
    {kPRPropWhiteBalance, 14},
    {kPRPropContrast, 15},
    {kPRPropSharpness, 16},
    {kPRPropSaturation, 17},
    {kPRPropISOSpeed, 18},
    {kPRPropAv, 19},
    {kPRPropTv, 20},
    {kPRPropExposureComp, 21},
    {kPRPropPhotoEffect, 22},
    {kPRPropBeep, 23},
};

// Aperture is read and sent in shooting modes 2 and 18, shutter speed in 2 and 17.
bool AvApplies(std::uint8_t ShootingMode) {
  return ShootingMode == 2 || ShootingMode == 18;
}
bool TvApplies(std::uint8_t ShootingMode) {
  return ShootingMode == 2 || ShootingMode == 17;
}

// The release destination bits for a release mode and data kind.
std::uint16_t ReleaseDestination(CamDefines::ReleaseModeType Mode,
                                 CamDefines::ReleaseDataKindType Kind) {
  if (Mode == CamDefines::ReleaseModeBothPCAndCamera) {
    throw ECamException("Release to both camera and PC does not work for the connected camera");
  }
  std::uint16_t bits = 0;
  switch (Kind) {
    case CamDefines::ReleaseDataKindTakeOnlyThumbnail:
      bits = kPRReleaseThumbnailToPC;
      break;
    case CamDefines::ReleaseDataKindTakeOnlyPicture:
      bits = kPRReleasePictureToPC;
      break;
    case CamDefines::ReleaseDataKingTakeBothThumbAndPic:
      bits = kPRReleaseThumbnailToPC | kPRReleasePictureToPC;
      break;
  }
  // Kept in the camera: the same items, two bits higher.
  return Mode == CamDefines::ReleaseModeOnlyToCamera ? static_cast<std::uint16_t>(bits << 2) : bits;
}

// Reads a PTP dataset within the bytes the library reported (never beyond the buffer). A
// dataset that ends before what it announces raises ECamException.
class DatasetReader {
 public:
  DatasetReader(const std::vector<std::uint8_t>& Buffer, std::uint32_t Size, const char* Source)
      : data_(Buffer.data()), size_(std::min<std::size_t>(Size, Buffer.size())), source_(Source) {}

  void Skip(std::size_t Count) {
    Need(Count);
    pos_ += Count;
  }
  std::uint8_t U8() {
    Need(1);
    return data_[pos_++];
  }
  std::uint16_t U16() {
    Need(2);
    const auto value = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return value;
  }
  // A value of Size bytes (1 or 2), zero-extended.
  std::uint32_t Value(std::uint32_t Size) { return Size == 1 ? U8() : U16(); }
  bool AtEnd() const { return pos_ == size_; }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | (std::uint32_t{U16()} << 16);
  }
  // A PTP string: an 8-bit count, then that many 16-bit characters.
  void SkipString() { Skip(std::size_t{U8()} * 2); }
  // A PTP array of 16-bit codes: a 32-bit count, then the codes.
  std::vector<std::uint16_t> CodeArray() {
    const std::uint32_t count = U32();
    if (count > (size_ - pos_) / 2) Malformed();
    std::vector<std::uint16_t> codes;
    codes.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) codes.push_back(U16());
    return codes;
  }

 private:
  void Need(std::size_t Count) const {
    if (Count > size_ - pos_) Malformed();
  }
  [[noreturn]] void Malformed() const {
    throw ECamException(std::string("The data that ") + source_ +
                        " returned ends before its announced contents");
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  const char* source_;
};

namespace Layout = Lumidor::ProbeLayout;

// The capability probe's groups, in probing order. Each is probed when its SupportFlags
// position is set: the descriptions of its properties (one, or two for the quality) are read
// and every value they enumerate marks the flag of its index, Base + index. After the group the
// shooting mode may be changed (ModeAfter, 0: no change), so that aperture and shutter speed are
// described in the mode where both apply.
struct ProbeGroup {
  Lumidor::ProbeGroup Layout;  // where its flags lie
  std::size_t Flag;
  std::uint16_t Properties[2];  // 0: none
  std::uint32_t Size;           // bytes of each value in the description
  std::uint8_t (*Convert)(std::uint32_t);
  std::uint8_t ModeAfter;
};
constexpr std::uint8_t kBothExposuresShootingMode = 2;  // Av and Tv both apply
constexpr ProbeGroup kProbeGroups[] = {
    {Layout::ImageSize, 5, {kPRPropImageSize, 0}, 1, PRImageSizeToCam, 0},
    {Layout::ImageQuality, 4, {kPRPropImageQuality, kPRPropImageType}, 1, PRQualityToCam, 0},
    {Layout::ShootingMode,
     8,
     {kPRPropShootingMode, 0},
     1,
     PRShootingModeToCam,
     kBothExposuresShootingMode},
    {Layout::Av, 19, {kPRPropAv, 0}, 2, AvCodeToCam, 0},
    {Layout::Tv, 20, {kPRPropTv, 0}, 2, TvCodeToCam, kRemoteShootingMode},
    {Layout::ExposureCompensation, 21, {kPRPropExposureComp, 0}, 1, PRExpCompToCam, 0},
    {Layout::WhiteBalance, 14, {kPRPropWhiteBalance, 0}, 1, PRWhiteBalanceToCam, 0},
    {Layout::AFDistance, 11, {kPRPropAFDistance, 0}, 1, PRAFDistanceToCam, 0},
    {Layout::FocusPoint, 12, {kPRPropFocusPoint, 0}, 2, PRFocusPointToCam, 0},
    {Layout::AFAssistLight, 13, {kPRPropAFAssistLight, 0}, 2, PRAFLightToCam, 0},
    {Layout::FlashMode, 6, {kPRPropFlashMode, 0}, 1, PRFlashToCam, 0},
    {Layout::FlashCompensation, 7, {kPRPropFlashCompensation, 0}, 1, PRFlashCompToCam, 0},
    {Layout::DriveMode, 9, {kPRPropDriveMode, 0}, 1, PRDriveModeToCam, 0},
    {Layout::MeteringMode, 10, {kPRPropMeteringMode, 0}, 1, PRMeteringToCam, 0},
    {Layout::ISOSpeed, 18, {kPRPropISOSpeed, 0}, 2, PRISOToCam, 0},
    {Layout::Contrast, 15, {kPRPropContrast, 0}, 1, PRLevelToCam, 0},
    {Layout::Sharpness, 16, {kPRPropSharpness, 0}, 1, PRLevelToCam, 0},
    {Layout::Saturation, 17, {kPRPropSaturation, 0}, 1, PRLevelToCam, 0},
    {Layout::PhotoEffect, 22, {kPRPropPhotoEffect, 0}, 2, PRPhotoEffectToCam, 0},
    {Layout::Beep, 23, {kPRPropBeep, 0}, 1, PRBeepToCam, 0},
};
// One progress report at the start and one after each group.
constexpr std::int32_t kProbeSteps = std::size(kProbeGroups) + 1;

// Groups this library does not have at all.
constexpr Lumidor::ProbeGroup kAbsentGroups[] = {Layout::ImageQuality2, Layout::ImageSize2,
                                                 Layout::AFMode, Layout::ColorSpace};

// Marks what one enumerated value of a group's property offers.
void MarkOffered(const ProbeGroup& Group, std::uint16_t Property, std::uint32_t Value,
                 RemoteProbeParamType& Result) {
  if (Property == kPRPropImageType) {
    // Only raw has an index of its own; the other image types are the JPEG qualities.
    if (Value == kPRImageTypeRaw) Result[Group.Layout.Base + kImageQualityRaw] = 1;
    return;
  }
  if (Property == kPRPropDriveMode && Value == kPRDriveModeSelfTimer) {
    // The self-timer stands for both self-timer indexes.
    Result[Group.Layout.Base + kDriveModeSelfTimer10s] = 1;
    Result[Group.Layout.Base + kDriveModeSelfTimer2s] = 1;
    return;
  }
  const std::size_t index = Group.Convert(Value) & 0x7F;
  // An unknown value gives index 0 and marks the group byte, which is set after the group.
  if (index <= Group.Layout.Count) Result[Group.Layout.Base + index] = 1;
}

// An unchecked read of a property value of Size bytes (at most 4), little-endian. False when
// the library refuses it.
bool ReadValue(PRHandle Camera, std::uint16_t Code, std::uint32_t Size, std::uint32_t& Value) {
  std::uint8_t bytes[4] = {};
  std::uint32_t size = Size;
  if (PRAPI::PR_GetDevicePropValue(Camera, Code, &size, bytes) != kPROk) return false;
  Value = 0;
  for (std::uint32_t i = 0; i < Size; ++i) Value |= std::uint32_t{bytes[i]} << (8 * i);
  return true;
}

// The same read, checked.
std::uint32_t ReadCheckedValue(PRHandle Camera, std::uint16_t Code, std::uint32_t Size) {
  std::uint8_t bytes[4] = {};
  std::uint32_t size = Size;
  TPRSDK::CheckError(PRAPI::PR_GetDevicePropValue(Camera, Code, &size, bytes),
                     "PR_GetDevicePropValue");
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < Size; ++i) value |= std::uint32_t{bytes[i]} << (8 * i);
  return value;
}

// The owner text (property 0xD033): from byte 4 up to the first zero, at most 256 characters,
// within what the library returned.
std::string ReadOwnerName(PRHandle Camera) {
  std::uint8_t buffer[kPROwnerNameValueSize] = {};
  std::uint32_t size = kPROwnerNameValueSize;
  TPRSDK::CheckError(PRAPI::PR_GetDevicePropValue(Camera, kPRPropOwnerName, &size, buffer),
                     "PR_GetDevicePropValue");
  const std::size_t end = std::min<std::size_t>(size, sizeof buffer);
  std::string owner;
  for (std::size_t i = offsetof(PROwnerNameValue, Text); i < end && buffer[i] != 0; ++i) {
    owner.push_back(static_cast<char>(buffer[i]));
  }
  return owner;
}

// An unchecked write of a property value of Size bytes, little-endian.
void WriteValue(PRHandle Camera, std::uint16_t Code, std::uint32_t Size, std::uint32_t Value) {
  std::uint8_t bytes[4] = {};
  for (std::uint32_t i = 0; i < Size; ++i) bytes[i] = static_cast<std::uint8_t>(Value >> (8 * i));
  (void)PRAPI::PR_SetDevicePropValue(Camera, Code, Size, bytes);
}

}  // namespace

std::string PRDeviceName(const PRDeviceEntry& Entry) {
  // The name field only: what follows it is no part of the name.
  constexpr std::size_t kUnits = sizeof(PRDeviceEntry::Name) / sizeof(PRDeviceEntry::Name[0]);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&Entry) + kPRDeviceEntryNameOffset;
  std::u16string units;
  for (std::size_t i = 0; i < kUnits; ++i) {
    const auto unit = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));  // LE
    if (unit == 0) break;
    units.push_back(unit);
  }
  return rt::AnsiFromUtf16(units);
}

void TPRSDK::CheckError(std::uint32_t Code, const std::string& FunctionName) {
  if (Code == 0) return;
  std::string text;
  PRERROR::GetErrorText(Code, text);
  throw ECamException(Lumidor::SdkFailureMessage(Code, FunctionName, text));
}

void TPRSDK::StartSDK() {
  PRAPI::RequirePRSDK();
  CheckError(PRAPI::PR_StartSDK(), "PR_StartSDK");
}

void TPRSDK::EnumerateCameras(Lumidor::TStringList& Names) {
  PRAPI::RequirePRSDK();
  std::vector<PRDeviceEntry>& cameras = Lumidor::PRCameras();
  std::vector<CDSourceInfo>& cdCameras = Lumidor::CDCameras();
  // The CD names stand at 0..n-1, in the order of CDCameraList.
  std::size_t n = std::min(Names.size(), cdCameras.size());
  std::uint32_t size = kPRDeviceListSize;
  auto list = std::make_unique<PRDeviceList>();  // zeroed: entries the library leaves are empty
  CheckError(PRAPI::PR_GetDeviceList(&size, list.get()), "PR_GetDeviceList");
  cameras.clear();
  // The buffer holds kPRMaxDevices entries; a larger count cannot be read.
  const std::size_t count = std::min<std::size_t>(list->Count, kPRMaxDevices);
  for (std::size_t e = 0; e < count; ++e) {
    const PRDeviceEntry& entry = list->Entries[e];
    const std::string name = PRDeviceName(entry);
    Names.push_back(name);
    cameras.push_back(entry);
    for (std::size_t i = n; i-- > 0 && n > 0;) {
      if (Names[i] == name) {
        Names.erase(Names.begin() + static_cast<std::ptrdiff_t>(i));
        cdCameras.erase(cdCameras.begin() + static_cast<std::ptrdiff_t>(i));
        --n;
      }
    }
  }
}

ConnectInfoType TPRSDK::Connect(PREventCallback EventCallback, std::int32_t ConnectToCamera,
                                std::int32_t Context) {
  const std::vector<PRDeviceEntry>& cameras = Lumidor::PRCameras();
  Lumidor::CheckConnectIndex(ConnectToCamera, cameras.size(), "PowerShot cameras (newer than S80)",
                             "PowerShot cameras");
  PRAPI::RequirePRSDK();
  RegistryIndex = Context;
  ConnectInfo = ConnectInfoType{};  // CameraType 0 until the camera is connected
  const PRDeviceEntry& entry = cameras[static_cast<std::size_t>(ConnectToCamera)];
  CheckError(PRAPI::PR_CreateCameraObject(&entry, &CameraObject), "PR_CreateCameraObject");
  CheckError(PRAPI::PR_ConnectCamera(CameraObject), "PR_ConnectCamera");
  ConnectInfo.CameraType = 1;
  ConnectInfo.ModelName = PRDeviceName(entry);

  ConnectInfo.OwnerName = ReadOwnerName(CameraObject);
  const std::uint32_t power = ReadCheckedValue(CameraObject, kPRPropPowerSource, 2);
  ConnectInfo.PowerSource = power >= 1 && power <= 5 ? static_cast<std::uint8_t>(power) : 0;
  const std::uint32_t battery = ReadCheckedValue(CameraObject, kPRPropBatteryLevel, 4);
  ConnectInfo.BatteryLevel = battery >= 1 && battery <= 3 ? static_cast<std::uint8_t>(battery) : 0;

  CheckError(PRAPI::PR_SetEventCallBack(CameraObject, static_cast<PRContext>(RegistryIndex),
                                        EventCallback),
             "PR_SetEventCallBack");
  SupportFlags.fill(false);
  ReadDeviceInfo(false);
  return ConnectInfo;
}

RemoteProbeParamType TPRSDK::EnterRemoteMode(CamDefines::ReleaseModeType ReleaseMode,
                                             CamDefines::ReleaseDataKindType ReleaseDataKind,
                                             bool ProbeParams, const std::string& CacheDir,
                                             CDReleaseEventCallback, std::int32_t) {
  PRAPI::RequirePRSDK();
  RemoteProbeParamType result{};
  CheckError(PRAPI::PR_InitiateReleaseControl(CameraObject), "PR_InitiateReleaseControl");
  const std::uint16_t destination = ReleaseDestination(ReleaseMode, ReleaseDataKind);
  CheckError(PRAPI::PR_SetDevicePropValue(CameraObject, kPRPropReleaseDestination,
                                          sizeof destination, &destination),
             "PR_SetDevicePropValue");
  // Remote mode always starts in the shooting mode of index 16; whether the camera takes it is
  // not tested.
  const std::uint8_t mode = CamShootingModeToPR(kRemoteShootingMode);
  (void)PRAPI::PR_SetDevicePropValue(CameraObject, kPRPropShootingMode, sizeof mode, &mode);
  SupportFlags.fill(false);
  ReadDeviceInfo(true);
  result[Lumidor::CanZoom] = SupportFlags[kFlagZoom] ? 1 : 0;
  result[Lumidor::CanSetParams] = 1;
  result[Lumidor::CanViewfinder] = SupportFlags[kFlagViewfinder] ? 1 : 0;
  result[Lumidor::FacultyBit3] = 0;
  result[Lumidor::CanAFLock] = SupportFlags[kFlagAFLock] ? 1 : 0;
  if (ProbeParams) ProbeCapabilities(result, CacheDir);
  return result;
}

bool TPRSDK::Declares(std::uint16_t Property) const {
  return std::find(DeclaredProperties.begin(), DeclaredProperties.end(), Property) !=
         DeclaredProperties.end();
}

void TPRSDK::ProbeCapabilities(RemoteProbeParamType& Result, const std::string& CacheDir) {
  // The probe asks the camera every time: the cache file is written for others, never read.
  std::int32_t step = 1;
  const auto report = [&] {
    ReportProbeProgress(static_cast<std::int32_t>(std::lround(step * 100.0 / kProbeSteps)));
  };
  const auto setShootingMode = [&](std::uint8_t Index) {
    // Not tested: a camera that refuses is probed in the mode it is in.
    const std::uint8_t code = CamShootingModeToPR(Index);
    (void)PRAPI::PR_SetDevicePropValue(CameraObject, kPRPropShootingMode, sizeof code, &code);
  };
  report();
  for (const ProbeGroup& group : kProbeGroups) {
    const bool declared = SupportFlags[group.Flag];
    if (declared) {
      std::vector<std::uint8_t> buffer(kPRScratchBufferSize);
      for (const std::uint16_t property : group.Properties) {
        // The quality group is declared by either of its two properties; a camera that has
        // only one of them is described by that one.
        if (property == 0 || !Declares(property)) continue;
        std::uint32_t size = kPRScratchBufferSize;
        CheckError(PRAPI::PR_GetDevicePropDesc(CameraObject, property, &size, buffer.data()),
                   "PR_GetDevicePropDesc");
        DatasetReader desc(buffer, size, "PR_GetDevicePropDesc");
        desc.Skip(2 + 2 + 1);        // code, data type, get/set
        desc.Skip(2 * group.Size);   // factory default and current value
        desc.Skip(1);                // form flag
        if (desc.AtEnd()) continue;  // no form: nothing enumerated
        const std::uint16_t count = desc.U16();
        for (std::uint16_t v = 0; v < count; ++v) {
          MarkOffered(group, property, desc.Value(group.Size), Result);
        }
      }
    }
    Result[group.Layout.Base] = declared ? 0 : 1;
    ++step;
    if (group.ModeAfter != 0) setShootingMode(group.ModeAfter);
    report();
  }
  for (const Lumidor::ProbeGroup& group : kAbsentGroups) Result[group.Base] = 1;
  Result[Layout::WhiteBalanceShiftFlag] = 0;
  Result[Layout::PictureStyleFlag] = 0;
  if (!CacheDir.empty()) {
    // Always named for shooting mode 0, whatever mode the camera is in.
    CapsBody caps;
    std::copy_n(Result.begin() + kCapsFirstPosition, kCapsSize, caps.begin());
    SaveCapsFile(CapsFileName(CacheDir, ConnectInfo.ModelName, 0), caps);
  }
  setShootingMode(kRemoteShootingMode);
}

RemoteParamType TPRSDK::RemoteGetParams() {
  // No result is tested: a property that cannot be read leaves its field 0.
  PRAPI::RequirePRSDK();
  RemoteParamType params;
  const PRHandle h = CameraObject;
  std::uint32_t value = 0;
  if (ReadValue(h, kPRPropImageSize, 1, value)) params.ImageSize = PRImageSizeToCam(value);
  if (ReadValue(h, kPRPropImageType, 1, value) && value == kPRImageTypeRaw) {
    params.ImageQuality = kImageQualityRaw;
  } else if (ReadValue(h, kPRPropImageQuality, 1, value)) {
    params.ImageQuality = PRQualityToCam(value);
  }
  if (ReadValue(h, kPRPropShootingMode, 1, value)) {
    params.ShootingMode = PRShootingModeToCam(value);
  }
  if (ReadValue(h, kPRPropDriveMode, 1, value)) {
    if (value != kPRDriveModeSelfTimer) {
      params.DriveMode = PRDriveModeToCam(value);
    } else if (ReadValue(h, kPRPropSelfTimer, 2, value)) {
      params.DriveMode = PRSelfTimerToCam(value);
    }
  }
  if (AvApplies(params.ShootingMode) && ReadValue(h, kPRPropAv, 2, value)) {
    params.Av = AvCodeToCam(value);
  }
  if (TvApplies(params.ShootingMode) && ReadValue(h, kPRPropTv, 2, value)) {
    params.Tv = TvCodeToCam(value);
  }
  struct Read {
    std::uint16_t Code;
    std::uint32_t Size;
    std::uint8_t (*Convert)(std::uint32_t);
    std::uint8_t RemoteParamType::*Field;
  };
  static constexpr Read kReads[] = {
      {kPRPropExposureComp, 1, PRExpCompToCam, &RemoteParamType::ExposureCompensation},
      {kPRPropWhiteBalance, 1, PRWhiteBalanceToCam, &RemoteParamType::WhiteBalance},
      {kPRPropAFDistance, 1, PRAFDistanceToCam, &RemoteParamType::AFDistance},
      {kPRPropFocusPoint, 2, PRFocusPointToCam, &RemoteParamType::FocusPoint},
      {kPRPropAFAssistLight, 2, PRAFLightToCam, &RemoteParamType::AFAssistLight},
      {kPRPropFlashMode, 1, PRFlashToCam, &RemoteParamType::FlashMode},
      {kPRPropFlashCompensation, 1, PRFlashCompToCam, &RemoteParamType::FlashCompensation},
      {kPRPropMeteringMode, 1, PRMeteringToCam, &RemoteParamType::MeteringMode},
      {kPRPropISOSpeed, 2, PRISOToCam, &RemoteParamType::ISOSpeed},
      {kPRPropContrast, 1, PRLevelToCam, &RemoteParamType::Contrast},
      {kPRPropSharpness, 1, PRLevelToCam, &RemoteParamType::Sharpness},
      {kPRPropSaturation, 1, PRLevelToCam, &RemoteParamType::Saturation},
      {kPRPropPhotoEffect, 2, PRPhotoEffectToCam, &RemoteParamType::PhotoEffect},
      {kPRPropBeep, 1, PRBeepToCam, &RemoteParamType::Beep},
  };
  params.ColorTemperature = 0;
  for (const Read& read : kReads) {
    if (ReadValue(h, read.Code, read.Size, value)) params.*read.Field = read.Convert(value);
  }
  return params;
}

void TPRSDK::RemoteSetParams(RemoteParamType Params) {
  // No result is tested: a refused value leaves the camera as it was, and the next one is sent.
  PRAPI::RequirePRSDK();
  const PRHandle h = CameraObject;
  if (Params.ImageSize != 0) WriteValue(h, kPRPropImageSize, 1, CamImageSizeToPR(Params.ImageSize));
  if (Params.ImageQuality != 0) {
    WriteValue(h, kPRPropImageType, 1,
               Params.ImageQuality == kImageQualityRaw ? kPRImageTypeRaw : kImageTypeJpeg);
    WriteValue(h, kPRPropImageQuality, 1, CamQualityToPR(Params.ImageQuality));
  }
  if (Params.ShootingMode != 0) {
    WriteValue(h, kPRPropShootingMode, 1, CamShootingModeToPR(Params.ShootingMode));
  }
  if (Params.DriveMode != 0) {
    if (Params.DriveMode == kDriveModeSelfTimer10s || Params.DriveMode == kDriveModeSelfTimer2s) {
      WriteValue(h, kPRPropDriveMode, 1, kPRDriveModeSelfTimer);
      WriteValue(h, kPRPropSelfTimer, 2, CamSelfTimerToPR(Params.DriveMode));
    } else {
      WriteValue(h, kPRPropDriveMode, 1, CamDriveModeToPR(Params.DriveMode));
    }
  }
  // Aperture and shutter go only with a shooting mode that uses them, as Params gives it.
  if (Params.Av != 0 && AvApplies(Params.ShootingMode)) {
    WriteValue(h, kPRPropAv, 2, CamAvToCode(Params.Av));
  }
  if (Params.Tv != 0 && TvApplies(Params.ShootingMode)) {
    WriteValue(h, kPRPropTv, 2, CamTvToCode(Params.Tv));
  }
  struct Write {
    std::uint8_t RemoteParamType::*Field;
    std::uint16_t Code;
    std::uint32_t Size;
    std::uint32_t (*Convert)(std::uint8_t);
  };
  static constexpr Write kWrites[] = {
      {&RemoteParamType::ExposureCompensation, kPRPropExposureComp, 1,
       [](std::uint8_t i) -> std::uint32_t { return CamExpCompToPR(i); }},
      {&RemoteParamType::WhiteBalance, kPRPropWhiteBalance, 1,
       [](std::uint8_t i) -> std::uint32_t { return CamWhiteBalanceToPR(i); }},
      {&RemoteParamType::AFDistance, kPRPropAFDistance, 1,
       [](std::uint8_t i) -> std::uint32_t { return CamAFDistanceToPR(i); }},
      {&RemoteParamType::FocusPoint, kPRPropFocusPoint, 2,
       [](std::uint8_t i) -> std::uint32_t { return CamFocusPointToPR(i); }},
      {&RemoteParamType::AFAssistLight, kPRPropAFAssistLight, 2,
       [](std::uint8_t i) -> std::uint32_t { return CamAFLightToPR(i); }},
      {&RemoteParamType::FlashMode, kPRPropFlashMode, 1,
       [](std::uint8_t i) -> std::uint32_t { return CamFlashToPR(i); }},
      {&RemoteParamType::FlashCompensation, kPRPropFlashCompensation, 1,
       [](std::uint8_t i) -> std::uint32_t { return CamFlashCompToPR(i); }},
      {&RemoteParamType::MeteringMode, kPRPropMeteringMode, 1,
       [](std::uint8_t i) -> std::uint32_t { return CamMeteringToPR(i); }},
      {&RemoteParamType::ISOSpeed, kPRPropISOSpeed, 2,
       [](std::uint8_t i) -> std::uint32_t { return CamISOToPR(i); }},
      {&RemoteParamType::Contrast, kPRPropContrast, 1,
       [](std::uint8_t i) -> std::uint32_t { return static_cast<std::uint8_t>(CamLevelToPR(i)); }},
      {&RemoteParamType::Sharpness, kPRPropSharpness, 1,
       [](std::uint8_t i) -> std::uint32_t { return static_cast<std::uint8_t>(CamLevelToPR(i)); }},
      {&RemoteParamType::Saturation, kPRPropSaturation, 1,
       [](std::uint8_t i) -> std::uint32_t { return static_cast<std::uint8_t>(CamLevelToPR(i)); }},
      {&RemoteParamType::PhotoEffect, kPRPropPhotoEffect, 2,
       [](std::uint8_t i) -> std::uint32_t { return CamPhotoEffectToPR(i); }},
      {&RemoteParamType::Beep, kPRPropBeep, 1,
       [](std::uint8_t i) -> std::uint32_t { return CamBeepToPR(i); }},
  };
  for (const Write& write : kWrites) {
    const std::uint8_t index = Params.*write.Field;
    if (index != 0) WriteValue(h, write.Code, write.Size, write.Convert(index));
  }
}

void TPRSDK::RemoteGetZoom(Lumidor::ZoomInfoType& Zoom) {
  if (!SupportFlags[kFlagZoom]) return;
  PRAPI::RequirePRSDK();
  std::vector<std::uint8_t> buffer(kPRScratchBufferSize);
  std::uint32_t size = kPRScratchBufferSize;
  CheckError(PRAPI::PR_GetDevicePropDesc(CameraObject, kPRPropZoomPosition, &size, buffer.data()),
             "PR_GetDevicePropDesc");
  DatasetReader desc(buffer, size, "PR_GetDevicePropDesc");
  desc.Skip(2 + 2 + 1 + 2);  // code, type, get/set, factory default
  const std::uint16_t current = desc.U16();
  desc.Skip(1);  // form flag
  desc.Skip(2);  // range minimum
  const std::uint16_t maximum = desc.U16();
  buffer = {};
  std::uint32_t limit = ReadCheckedValue(CameraObject, kPRPropOpticalZoomLimit, 2);
  Zoom.ZoomPos = current;
  Zoom.MaxZoomPos = maximum;
  Zoom.MaxOpticalZoomPos = maximum;
  if (limit != kPRNoOpticalZoomLimit) Zoom.MaxOpticalZoomPos = static_cast<std::int32_t>(limit) - 1;
}

void TPRSDK::RemoteSetZoom(std::int32_t Position) {
  if (!SupportFlags[kFlagZoom]) return;
  PRAPI::RequirePRSDK();
  const auto position = static_cast<std::uint16_t>(Position & 0xFFFF);
  CheckError(
      PRAPI::PR_SetDevicePropValue(CameraObject, kPRPropZoomPosition, sizeof position, &position),
      "PR_SetDevicePropValue");
}

void TPRSDK::RemoteAFLock(bool Lock) {
  PRAPI::RequirePRSDK();
  if (Lock) {
    CheckError(PRAPI::PR_RC_FocusLock(CameraObject), "PR_RC_FocusLock");
  } else {
    CheckError(PRAPI::PR_RC_FocusUnlock(CameraObject), "PR_RC_FocusUnlock");
  }
}

void TPRSDK::RemoteGetPicture(Lumidor::PRReleaseRecord ReleaseRecord,
                              PRProgressCallback ProgressCallback, std::int32_t Context) {
  // The data arrives only through ProgressCallback, which writes it to the owner's file.
  PRAPI::RequirePRSDK();
  std::uint32_t object = 0;
  std::uint16_t code = 0;
  std::memcpy(&object, ReleaseRecord.data() + kReleaseRecordObjectOffset, sizeof object);
  std::memcpy(&code, ReleaseRecord.data() + kReleaseRecordCodeOffset, sizeof code);
  CheckError(PRAPI::PR_RC_GetReleasedData(CameraObject, object, code, kPRTransferBlockSize,
                                          static_cast<PRContext>(Context), ProgressCallback),
             "PR_RC_GetReleasedData");
}

void TPRSDK::RemoteTakePicture(CDProgressCallback, std::int32_t) {
  // Does not wait for the picture: the camera announces it with release events.
  PRAPI::RequirePRSDK();
  CheckError(PRAPI::PR_RC_Release(CameraObject), "PR_RC_Release");
}

void TPRSDK::ExtendShutdownTimer() {
  // One exchange with the camera keeps it awake: the owner name is read and not used.
  PRAPI::RequirePRSDK();
  (void)ReadOwnerName(CameraObject);
}

void TPRSDK::ReadDeviceInfo(bool WithProperties) {
  DeclaredProperties.clear();
  std::vector<std::uint8_t> buffer(kPRScratchBufferSize);
  std::uint32_t size = kPRScratchBufferSize;
  CheckError(PRAPI::PR_GetDeviceInfo(CameraObject, &size, buffer.data()), "PR_GetDeviceInfo");
  DatasetReader info(buffer, size, "PR_GetDeviceInfo");
  info.Skip(2 + 4 + 2);  // standard version, vendor extension ID and version
  info.SkipString();     // vendor extension description
  info.Skip(2);          // functional mode
  for (const std::uint16_t code : info.CodeArray()) {
    if (code == kPROperation9008) SupportFlags[kFlag9008] = true;
    if (code == kPROperationViewfinder) SupportFlags[kFlagViewfinder] = true;
    if (code == kPROperationFocusLock) SupportFlags[kFlagAFLock] = true;
  }
  if (!WithProperties) return;
  (void)info.CodeArray();  // events
  DeclaredProperties = info.CodeArray();
  for (const std::uint16_t code : DeclaredProperties) {
    for (const FlagRow& row : kPropertyFlags) {
      if (row.Code == code) SupportFlags[row.Flag] = true;
    }
  }
}

void TPRSDK::ReportProbeProgress(std::int32_t PercentageDone) {
  Lumidor::TLumidor* owner = Lumidor::FindComponent(RegistryIndex);
  if (owner && owner->OnRemoteProbeParamEvent) owner->OnRemoteProbeParamEvent(PercentageDone);
}

void TPRSDK::FinishSDK() {
  if (PRAPI::PRSDKReady()) (void)PRAPI::PR_FinishSDK();
}
