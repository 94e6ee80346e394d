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
