// The stand-in EOS Digital SDK library ("EDSDK.DLL"): its state and the entry points it
// implements.
#pragma once

#include "sdk/EDSDK.h"
#include "simcam/core/Exports.h"

EDSDK_ENTRY_POINTS(SIMCAM_DECLARE_ENTRY_POINT)

namespace simcam {
Engine& EosEngine();
}  // namespace simcam

// Entry points defined in EosSdk.cpp; EosStubs.cpp generates the others.
#define SIMCAM_IMPLEMENTS_EdsInitializeSDK ~, 1
#define SIMCAM_IMPLEMENTS_EdsTerminateSDK ~, 1
#define SIMCAM_IMPLEMENTS_EdsRetain ~, 1
#define SIMCAM_IMPLEMENTS_EdsRelease ~, 1
#define SIMCAM_IMPLEMENTS_EdsGetChildCount ~, 1
#define SIMCAM_IMPLEMENTS_EdsGetChildAtIndex ~, 1
#define SIMCAM_IMPLEMENTS_EdsGetCameraList ~, 1
#define SIMCAM_IMPLEMENTS_EdsGetDeviceInfo ~, 1
#define SIMCAM_IMPLEMENTS_EdsOpenSession ~, 1
#define SIMCAM_IMPLEMENTS_EdsSetObjectEventHandler ~, 1
#define SIMCAM_IMPLEMENTS_EdsSetPropertyEventHandler ~, 1
#define SIMCAM_IMPLEMENTS_EdsSetCameraStateEventHandler ~, 1
#define SIMCAM_IMPLEMENTS_EdsGetPropertyData ~, 1
#define SIMCAM_IMPLEMENTS_EdsSetPropertyData ~, 1
#define SIMCAM_IMPLEMENTS_EdsGetPropertyDesc ~, 1
#define SIMCAM_IMPLEMENTS_EdsSendCommand ~, 1
#define SIMCAM_IMPLEMENTS_EdsGetDirectoryItemInfo ~, 1
#define SIMCAM_IMPLEMENTS_EdsCreateFileStream ~, 1
#define SIMCAM_IMPLEMENTS_EdsSetProgressCallback ~, 1
#define SIMCAM_IMPLEMENTS_EdsDownload ~, 1
#define SIMCAM_IMPLEMENTS_EdsDownloadComplete ~, 1
#define SIMCAM_IMPLEMENTS_EdsDownloadThumbnail ~, 1
