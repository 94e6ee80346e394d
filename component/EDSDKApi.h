// TEDSDK: the camera wrapper for EOS cameras, reached through the EOS library ("EDSDK.DLL").
// Each TLumidor owns one. The address of its RegistryIndex is the context of every callback it
// registers, so a wrapper never moves while it exists. Every checked library result goes through
// CheckError.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "component/Lumidor.h"
#include "sdk/EDSDK.h"

class TEDSDK {
 public:
  TEDSDK() = default;
  TEDSDK(const TEDSDK&) = delete;
  TEDSDK& operator=(const TEDSDK&) = delete;

  // The SDK-failure check, with the EOS library's texts (see TCDSDK::CheckError).
  static void CheckError(std::uint32_t Code, const std::string& FunctionName);

  // Loads the library (ECamException "EDSDK.DLL could not be loaded" when it is not there) and
  // initializes it.
  void StartSDK();
  // Empties Names and EOSCameraList, then lists the EOS cameras into both; the library's camera
  // list is released however the listing ends.
  void EnumerateCameras(Lumidor::TStringList& Names);
  Lumidor::ConnectInfoType Connect(EdsStateEventHandler EventCallback, std::int32_t ConnectToCamera,
                                   std::int32_t Context);
  Lumidor::RemoteProbeParamType EnterRemoteMode(CamDefines::ReleaseModeType ReleaseMode,
                                                CamDefines::ReleaseDataKindType ReleaseDataKind,
                                                bool ProbeParams, const std::string& CacheDir,
                                                CDReleaseEventCallback ReleaseCallback,
                                                std::int32_t Context);
  Lumidor::RemoteParamType RemoteGetParams();
  void RemoteSetParams(Lumidor::RemoteParamType Params);
  // Always raises: EOS cameras have no AF lock here.
  void RemoteAFLock(bool Lock);
  void RemoteTakePicture(std::int32_t Context);
  void RemoteGetPicture(const std::string& FileName,
                        CamDefines::ReleaseDataKindType ReleaseDataKind, std::int32_t Context);
  void ExtendShutdownTimer();
  void ReportProbeProgress(std::int32_t PercentageDone);
  // Keeps a picture the camera announced for RemoteGetPicture; the wrapper owns the reference.
  void QueuePendingItem(EdsRef Item);
  void FinishSDK();

  std::int32_t RegistryIndex = 0;
  Lumidor::ConnectInfoType ConnectInfo;
  EdsRef CameraRef = 0;
  std::deque<EdsRef> PendingItems;  // oldest first
  std::uint8_t DownloadMode = 0;    // 1 while a full picture downloads
};
