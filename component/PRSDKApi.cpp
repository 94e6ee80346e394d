#include "component/PRSDKApi.h"

#include <algorithm>
#include <memory>

#include "component/PRAPI.h"
#include "component/PRERROR.h"

using CamDefines::ECamException;
using Lumidor::ConnectInfoType;
using Lumidor::RemoteParamType;
using Lumidor::RemoteProbeParamType;

std::string PRDeviceName(const PRDeviceEntry& Entry) {
  // The name field and what follows it up to the end of the entry.
  constexpr std::size_t kUnits = (kPRDeviceEntrySize - kPRDeviceEntryNameOffset) / 2;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&Entry) + kPRDeviceEntryNameOffset;
  std::string name;
  for (std::size_t i = 0; i < kUnits; ++i) {
    const unsigned unit = bytes[2 * i] | (bytes[2 * i + 1] << 8);  // little-endian UTF-16
    if (unit == 0) break;
    name.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
  }
  return name;
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
  if (ConnectToCamera < 0) {
    throw ECamException(
        "Not valid value in parameter ConnectToCamera when calling Connect. Value must be at "
        "least zero. Currently ConnectToCamera = " +
        std::to_string(ConnectToCamera));
  }
  if (cameras.empty()) {
    throw ECamException(
        "There seems to be no connected PowerShot cameras (newer than S80) connected. Have you "
        "called the EnumerateCameras function before calling Connect?");
  }
  if (static_cast<std::size_t>(ConnectToCamera) > cameras.size() - 1) {
    throw ECamException(
        "Not valid value in parameter ConnectToCamera when calling Connect. There are only " +
        std::to_string(cameras.size()) +
        " PowerShot cameras connected. Currently is parameter ConnectToCamera = " +
        std::to_string(ConnectToCamera));
  }
  // TODO(PowerShot wrapper connect): create and connect the camera object, read owner and
  // power, set EventCallback with Context, read the device information.
  (void)EventCallback;
  (void)Context;
  Lumidor::NotAvailableYet("TPRSDK.Connect");
}

RemoteProbeParamType TPRSDK::EnterRemoteMode(CamDefines::ReleaseModeType,
                                             CamDefines::ReleaseDataKindType, bool,
                                             const std::string&, CDReleaseEventCallback,
                                             std::int32_t) {
  // TODO(PowerShot wrapper remote mode and capability probe).
  Lumidor::NotAvailableYet("TPRSDK.EnterRemoteMode");
}

RemoteParamType TPRSDK::RemoteGetParams() {
  // TODO(PowerShot wrapper settings).
  Lumidor::NotAvailableYet("TPRSDK.RemoteGetParams");
}

void TPRSDK::RemoteSetParams(RemoteParamType) {
  // TODO(PowerShot wrapper settings).
  Lumidor::NotAvailableYet("TPRSDK.RemoteSetParams");
}

void TPRSDK::RemoteGetZoom(Lumidor::ZoomInfoType&) {
  // TODO(PowerShot wrapper zoom).
  Lumidor::NotAvailableYet("TPRSDK.RemoteGetZoom");
}

void TPRSDK::RemoteSetZoom(std::int32_t) {
  // TODO(PowerShot wrapper zoom).
  Lumidor::NotAvailableYet("TPRSDK.RemoteSetZoom");
}

void TPRSDK::RemoteAFLock(bool) {
  // TODO(PowerShot wrapper focus lock).
  Lumidor::NotAvailableYet("TPRSDK.RemoteAFLock");
}

void TPRSDK::RemoteGetPicture(Lumidor::PRReleaseRecord, PRProgressCallback, std::int32_t) {
  // TODO(PowerShot wrapper picture transfer).
  Lumidor::NotAvailableYet("TPRSDK.RemoteGetPicture");
}

void TPRSDK::RemoteTakePicture(CDProgressCallback, std::int32_t) {
  // TODO(PowerShot wrapper release).
  Lumidor::NotAvailableYet("TPRSDK.RemoteTakePicture");
}

void TPRSDK::ExtendShutdownTimer() {
  // TODO(PowerShot wrapper keep-alive read of the owner name).
  Lumidor::NotAvailableYet("TPRSDK.ExtendShutdownTimer");
}

void TPRSDK::ReportProbeProgress(std::int32_t PercentageDone) {
  Lumidor::TLumidor* owner = Lumidor::FindComponent(RegistryIndex);
  if (owner && owner->OnRemoteProbeParamEvent) owner->OnRemoteProbeParamEvent(PercentageDone);
}

void TPRSDK::FinishSDK() {
  if (PRAPI::PRSDKReady()) (void)PRAPI::PR_FinishSDK();
}
