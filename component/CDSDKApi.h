// TCDSDK: the camera wrapper for older PowerShot cameras, reached through the CD library
// ("CDSDK.DLL"). Each TLumidor owns one; it serves the PowerShot indexes below the count of
// CDCameraList. Every tested library result goes through CheckError.
#pragma once

#include <cstdint>
#include <string>

#include "component/Lumidor.h"
#include "sdk/CDSDK.h"

class TCDSDK {
 public:
  // The SDK-failure check: Code 0 returns; any other code raises ECamException
  // "<FunctionName> errorcode 0x<8 upper-case hex digits>, <the CD library's text of Code>".
  static void CheckError(std::uint32_t Code, const std::string& FunctionName);

  // Loads the library and starts it with the version record (40, 7, 3).
  void StartSDK();
  // Empties Names, then lists the CD library's cameras into Names and CDCameraList, in the
  // library's order.
  void EnumerateCameras(Lumidor::TStringList& Names);
  Lumidor::ConnectInfoType Connect(CDEventCallback EventCallback, std::int32_t ConnectToCamera,
                                   std::int32_t Context);
  Lumidor::RemoteProbeParamType EnterRemoteMode(CamDefines::ReleaseModeType ReleaseMode,
                                                CamDefines::ReleaseDataKindType ReleaseDataKind,
                                                bool ProbeParams, const std::string& CacheDir,
                                                CDReleaseEventCallback ReleaseCallback,
                                                std::int32_t Context);
  Lumidor::RemoteParamType RemoteGetParams();
  void RemoteSetParams(Lumidor::RemoteParamType Params);
  Lumidor::ZoomInfoType RemoteGetZoom();
  void RemoteSetZoom(std::int32_t Position);
  void RemoteAFLock(bool Lock);
  void RemoteGetPicture(const std::string& FileName, CDProgressCallback ProgressCallback,
                        std::int32_t Context);
  void RemoteTakePicture(CDProgressCallback ProgressCallback, std::int32_t Context);
  void ExtendShutdownTimer();
  // Fires the owner's OnRemoteProbeParamEvent, when assigned.
  void ReportProbeProgress(std::int32_t PercentageDone);
  // Finishes the library (result ignored); raises nothing.
  void FinishSDK();

  CDSourceInfo SourceInfo{};  // the last enumerated camera's record; the connected one's
  CDSourceHandle SourceHandle = 0;
  Lumidor::ConnectInfoType ConnectInfo;
  CDHandle EventCallbackHandle = 0;
  std::int32_t RegistryIndex = 0;
};
