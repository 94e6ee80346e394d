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
  // The message of a failed call: the entry point, the code and the library's text for it.
  static std::string FailureMessage(std::uint32_t Code, const std::string& FunctionName);

  // Loads the library and starts it with the version record (40, 7, 3).
  void StartSDK();
  // Empties Names, then lists the CD library's cameras into Names and CDCameraList, in the
  // library's order.
  void EnumerateCameras(Lumidor::TStringList& Names);
  // Opens camera ConnectToCamera of CDCameraList, reads its model, owner name and power status,
  // and registers EventCallback with Context for its device events. The index checks come
  // before anything else.
  Lumidor::ConnectInfoType Connect(CDEventCallback EventCallback, std::int32_t ConnectToCamera,
                                   std::int32_t Context);
  // Enters release control (release events to ReleaseCallback with Context), selects the release
  // data kind and returns the faculties in positions 0..4. A release mode or data kind outside
  // its enumeration is refused before any library call.
  Lumidor::RemoteProbeParamType EnterRemoteMode(CamDefines::ReleaseModeType ReleaseMode,
                                                CamDefines::ReleaseDataKindType ReleaseDataKind,
                                                bool ProbeParams, const std::string& CacheDir,
                                                CDReleaseEventCallback ReleaseCallback,
                                                std::int32_t Context);
  // The camera's settings as common indexes; no library result is tested: a setting that cannot
  // be read stays 0.
  Lumidor::RemoteParamType RemoteGetParams();
  // Sends every setting whose index is not 0, in a fixed order; no library result is tested: a
  // refused setting stays as the camera had it and does not stop the others.
  void RemoteSetParams(Lumidor::RemoteParamType Params);
  Lumidor::ZoomInfoType RemoteGetZoom();
  void RemoteSetZoom(std::int32_t Position);
  void RemoteAFLock(bool Lock);
  // The library writes the oldest released data to the file FileName; complete when this returns.
  void RemoteGetPicture(const std::string& FileName, CDProgressCallback ProgressCallback,
                        std::int32_t Context);
  // Releases; does not wait for the picture, which the release events announce.
  void RemoteTakePicture(CDProgressCallback ProgressCallback, std::int32_t Context);
  // Keeps the camera awake by reading its owner name once.
  void ExtendShutdownTimer();
  // Fires the owner's OnRemoteProbeParamEvent, when assigned.
  void ReportProbeProgress(std::int32_t PercentageDone);
  // The capability probe of EnterRemoteMode: fills positions 5..313 of Result with what the
  // camera offers, from the capability cache file in CacheDir when it holds this model and
  // shooting mode, else from the camera (then written to that file); reports its progress, sends
  // the settings it found back and leaves the camera in shooting-mode code 1. An empty CacheDir
  // reads and writes no file. Count, next and release calls of a value list are tested.
  void ProbeRemoteParams(Lumidor::RemoteProbeParamType& Result, const std::string& CacheDir);
  // Finishes the library (result ignored); raises nothing.
  void FinishSDK();

  CDSourceInfo SourceInfo{};  // the last enumerated camera's record; the connected one's
  CDSourceHandle SourceHandle = 0;
  Lumidor::ConnectInfoType ConnectInfo;
  CDHandle EventCallbackHandle = 0;
  std::int32_t RegistryIndex = 0;
};
