#include "component/CDSDKApi.h"

#include "component/CDAPI.h"
#include "component/CDERRORCODES.h"

using CamDefines::ECamException;
using Lumidor::ConnectInfoType;
using Lumidor::RemoteParamType;
using Lumidor::RemoteProbeParamType;
using Lumidor::ZoomInfoType;

void TCDSDK::CheckError(std::uint32_t Code, const std::string& FunctionName) {
  if (Code == 0) return;
  std::string text;
  CDERRORCODES::GetErrorText(Code, text);
  throw ECamException(Lumidor::SdkFailureMessage(Code, FunctionName, text));
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
  if (ConnectToCamera < 0) {
    throw ECamException(
        "Not valid value in parameter ConnectToCamera when calling Connect. Value must be at "
        "least zero. Currently ConnectToCamera = " +
        std::to_string(ConnectToCamera));
  }
  if (cameras.empty()) {
    throw ECamException(
        "There seems to be no connected PowerShot cameras connected. Have you called the "
        "EnumerateCameras function before calling Connect?");
  }
  if (static_cast<std::size_t>(ConnectToCamera) > cameras.size() - 1) {
    throw ECamException(
        "Not valid value in parameter ConnectToCamera when calling Connect. There are only " +
        std::to_string(cameras.size()) +
        " PowerShot cameras connected. Currently is parameter ConnectToCamera = " +
        std::to_string(ConnectToCamera));
  }
  // TODO(CD wrapper connect): open the source, read owner name and power status, register
  // EventCallback with Context.
  (void)EventCallback;
  (void)Context;
  Lumidor::NotAvailableYet("TCDSDK.Connect");
}

RemoteProbeParamType TCDSDK::EnterRemoteMode(CamDefines::ReleaseModeType,
                                             CamDefines::ReleaseDataKindType, bool,
                                             const std::string&, CDReleaseEventCallback,
                                             std::int32_t) {
  // TODO(CD wrapper remote mode and capability probe).
  Lumidor::NotAvailableYet("TCDSDK.EnterRemoteMode");
}

RemoteParamType TCDSDK::RemoteGetParams() {
  // TODO(CD wrapper settings).
  Lumidor::NotAvailableYet("TCDSDK.RemoteGetParams");
}

void TCDSDK::RemoteSetParams(RemoteParamType) {
  // TODO(CD wrapper settings).
  Lumidor::NotAvailableYet("TCDSDK.RemoteSetParams");
}

ZoomInfoType TCDSDK::RemoteGetZoom() {
  // TODO(CD wrapper zoom).
  Lumidor::NotAvailableYet("TCDSDK.RemoteGetZoom");
}

void TCDSDK::RemoteSetZoom(std::int32_t) {
  // TODO(CD wrapper zoom).
  Lumidor::NotAvailableYet("TCDSDK.RemoteSetZoom");
}

void TCDSDK::RemoteAFLock(bool) {
  // TODO(CD wrapper AF lock).
  Lumidor::NotAvailableYet("TCDSDK.RemoteAFLock");
}

void TCDSDK::RemoteGetPicture(const std::string&, CDProgressCallback, std::int32_t) {
  // TODO(CD wrapper picture transfer).
  Lumidor::NotAvailableYet("TCDSDK.RemoteGetPicture");
}

void TCDSDK::RemoteTakePicture(CDProgressCallback, std::int32_t) {
  // TODO(CD wrapper release).
  Lumidor::NotAvailableYet("TCDSDK.RemoteTakePicture");
}

void TCDSDK::ExtendShutdownTimer() {
  // TODO(CD wrapper keep-alive read of the owner name).
  Lumidor::NotAvailableYet("TCDSDK.ExtendShutdownTimer");
}

void TCDSDK::ReportProbeProgress(std::int32_t PercentageDone) {
  Lumidor::TLumidor* owner = Lumidor::FindComponent(RegistryIndex);
  if (owner && owner->OnRemoteProbeParamEvent) owner->OnRemoteProbeParamEvent(PercentageDone);
}

void TCDSDK::FinishSDK() {
  if (CDAPI::CDSDKReady()) (void)CDAPI::CDFinishSDK();
}
