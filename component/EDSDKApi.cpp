#include "component/EDSDKApi.h"

#include "component/EDSDK.h"
#include "component/EDSDKERRORS.h"

using CamDefines::ECamException;
using Lumidor::ConnectInfoType;
using Lumidor::RemoteParamType;
using Lumidor::RemoteProbeParamType;

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
  cameras.clear();
  EDSDK::RequireEDSDK();
  EdsRef list = 0;
  CheckError(EDSDK::EdsGetCameraList(&list), "EdsGetCameraList");
  try {
    std::uint32_t count = 0;
    CheckError(EDSDK::EdsGetChildCount(list, &count), "EdsGetChildCount");
    for (std::uint32_t i = 0; i < count; ++i) {
      EdsRef camera = 0;
      CheckError(EDSDK::EdsGetChildAtIndex(list, static_cast<std::int32_t>(i), &camera),
                 "EdsGetChildAtIndex");
      EdsDeviceInfo info{};
      CheckError(EDSDK::EdsGetDeviceInfo(camera, &info), "EdsGetDeviceInfo");
      Names.push_back(Lumidor::FieldText(info.Description, sizeof info.Description));
      cameras.push_back(camera);
    }
  } catch (...) {
    // The list is released also when the listing failed; a failing release then reports itself.
    if (list != 0) CheckError(EDSDK::EdsRelease(list), "EdsRelease");
    throw;
  }
  if (list != 0) CheckError(EDSDK::EdsRelease(list), "EdsRelease");
}

ConnectInfoType TEDSDK::Connect(EdsStateEventHandler EventCallback, std::int32_t ConnectToCamera,
                                std::int32_t Context) {
  EDSDK::RequireEDSDK();
  const std::vector<EdsRef>& cameras = Lumidor::EOSCameras();
  if (ConnectToCamera < 0) {
    throw ECamException(
        "Not valid value in parameter ConnectToCamera when calling Connect. Value must be at "
        "least zero. Currently ConnectToCamera = " +
        std::to_string(ConnectToCamera));
  }
  if (cameras.empty()) {
    throw ECamException(
        "There seems to be no connected EOS cameras connected. Have you called the "
        "EnumerateCameras function before calling Connect?");
  }
  if (static_cast<std::size_t>(ConnectToCamera) > cameras.size() - 1) {
    throw ECamException(
        "Not valid value in parameter ConnectToCamera when calling Connect. There are only " +
        std::to_string(cameras.size()) +
        " EOS cameras connected. Currently is parameter ConnectToCamera = " +
        std::to_string(ConnectToCamera));
  }
  // TODO(EOS wrapper connect): register the object, property and state handlers with the
  // address of RegistryIndex, open the session, read description, owner and battery.
  (void)EventCallback;
  (void)Context;
  Lumidor::NotAvailableYet("TEDSDK.Connect");
}

RemoteProbeParamType TEDSDK::EnterRemoteMode(CamDefines::ReleaseModeType,
                                             CamDefines::ReleaseDataKindType, bool,
                                             const std::string&, CDReleaseEventCallback,
                                             std::int32_t) {
  // TODO(EOS wrapper remote mode and capability probe).
  Lumidor::NotAvailableYet("TEDSDK.EnterRemoteMode");
}

RemoteParamType TEDSDK::RemoteGetParams() {
  // TODO(EOS wrapper settings).
  Lumidor::NotAvailableYet("TEDSDK.RemoteGetParams");
}

void TEDSDK::RemoteSetParams(RemoteParamType) {
  // TODO(EOS wrapper settings).
  Lumidor::NotAvailableYet("TEDSDK.RemoteSetParams");
}

void TEDSDK::RemoteAFLock(bool) {
  throw ECamException("RemoteAFLock is not supported for your EOS camera.");
}

void TEDSDK::RemoteTakePicture(std::int32_t) {
  // TODO(EOS wrapper release).
  Lumidor::NotAvailableYet("TEDSDK.RemoteTakePicture");
}

void TEDSDK::RemoteGetPicture(const std::string&, CamDefines::ReleaseDataKindType, std::int32_t) {
  // TODO(EOS wrapper picture transfer).
  Lumidor::NotAvailableYet("TEDSDK.RemoteGetPicture");
}

void TEDSDK::ExtendShutdownTimer() {
  // TODO(EOS wrapper keep-alive command).
  Lumidor::NotAvailableYet("TEDSDK.ExtendShutdownTimer");
}

void TEDSDK::ReportProbeProgress(std::int32_t PercentageDone) {
  Lumidor::TLumidor* owner = Lumidor::FindComponent(RegistryIndex);
  if (owner && owner->OnRemoteProbeParamEvent) owner->OnRemoteProbeParamEvent(PercentageDone);
}

void TEDSDK::QueuePendingItem(EdsRef Item) {
  PendingItems.push_back(Item);
}

void TEDSDK::FinishSDK() {
  if (EDSDK::EDSDKReady()) (void)EDSDK::EdsTerminateSDK();
}
