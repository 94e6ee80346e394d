// TPRSDK: the camera wrapper for newer PowerShot cameras, reached through the PowerShot library
// ("PRSDK.DLL"). Each TLumidor owns one; it serves the PowerShot indexes at or above the count of
// CDCameraList, as positions in PRCameraList. Every tested library result goes through
// CheckError.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "component/Lumidor.h"
#include "sdk/PRSDK.h"

class TPRSDK {
 public:
  // The SDK-failure check, with the PowerShot library's texts (see TCDSDK::CheckError).
  static void CheckError(std::uint32_t Code, const std::string& FunctionName);

  // Loads the library (ECamException "PRSDK.DLL could not be loaded" when it is not there) and
  // starts it.
  void StartSDK();
  // Appends the PowerShot library's cameras to Names (which holds the CD cameras) and refills
  // PRCameraList. A name equal to one of the CD names (exact, case-sensitive) removes every CD
  // entry of that name from Names and CDCameraList: the camera is kept once, as a camera of this
  // library.
  void EnumerateCameras(Lumidor::TStringList& Names);
  Lumidor::ConnectInfoType Connect(PREventCallback EventCallback, std::int32_t ConnectToCamera,
                                   std::int32_t Context);
  Lumidor::RemoteProbeParamType EnterRemoteMode(CamDefines::ReleaseModeType ReleaseMode,
                                                CamDefines::ReleaseDataKindType ReleaseDataKind,
                                                bool ProbeParams, const std::string& CacheDir,
                                                CDReleaseEventCallback ReleaseCallback,
                                                std::int32_t Context);
  Lumidor::RemoteParamType RemoteGetParams();
  void RemoteSetParams(Lumidor::RemoteParamType Params);
  void RemoteGetZoom(Lumidor::ZoomInfoType& Zoom);
  void RemoteSetZoom(std::int32_t Position);
  void RemoteAFLock(bool Lock);
  void RemoteGetPicture(Lumidor::PRReleaseRecord ReleaseRecord, PRProgressCallback ProgressCallback,
                        std::int32_t Context);
  void RemoteTakePicture(CDProgressCallback ProgressCallback, std::int32_t Context);
  void ExtendShutdownTimer();
  void ReportProbeProgress(std::int32_t PercentageDone);
  void FinishSDK();

  PRHandle CameraObject = 0;
  Lumidor::ConnectInfoType ConnectInfo;
  std::int32_t RegistryIndex = 0;
  // One flag per PTP operation or property the camera declares and the wrapper uses.
  static constexpr std::size_t kSupportFlagCount = 24;
  std::array<bool, kSupportFlagCount> SupportFlags{};

 private:
  // Reads the device information and sets the operation flags, and with WithProperties the
  // property flags and DeclaredProperties too.
  void ReadDeviceInfo(bool WithProperties);
  // The capability probe of EnterRemoteMode: fills positions 5..313 of Result from the
  // descriptions of the declared settings, reporting progress, and writes the capability cache
  // file when CacheDir is not empty.
  void ProbeCapabilities(Lumidor::RemoteProbeParamType& Result, const std::string& CacheDir);
  bool Declares(std::uint16_t Property) const;

  // The property codes of the last device information read in remote mode.
  std::vector<std::uint16_t> DeclaredProperties;
};

// The camera name of a device-list entry: the UTF-16 text at offset 1024, up to its zero or the
// end of its field of 40 units, in the system's code page ('?' for what it cannot show).
std::string PRDeviceName(const PRDeviceEntry& Entry);
