// The stand-in PowerShot SDK library ("PRSDK.DLL"): its state and the entry points it implements.
#pragma once

#include "sdk/PRSDK.h"
#include "simcam/core/Exports.h"

PRSDK_ENTRY_POINTS(SIMCAM_DECLARE_ENTRY_POINT)

namespace simcam {
Engine& PrEngine();
}  // namespace simcam

// Entry points defined in PrSdk.cpp; PrStubs.cpp generates the others.
#define SIMCAM_IMPLEMENTS_PR_StartSDK ~, 1
#define SIMCAM_IMPLEMENTS_PR_FinishSDK ~, 1
#define SIMCAM_IMPLEMENTS_PR_GetDeviceList ~, 1
#define SIMCAM_IMPLEMENTS_PR_CreateCameraObject ~, 1
#define SIMCAM_IMPLEMENTS_PR_ConnectCamera ~, 1
#define SIMCAM_IMPLEMENTS_PR_SetEventCallBack ~, 1
#define SIMCAM_IMPLEMENTS_PR_GetDeviceInfo ~, 1
#define SIMCAM_IMPLEMENTS_PR_GetDevicePropValue ~, 1
#define SIMCAM_IMPLEMENTS_PR_SetDevicePropValue ~, 1
#define SIMCAM_IMPLEMENTS_PR_GetDevicePropDesc ~, 1
#define SIMCAM_IMPLEMENTS_PR_InitiateReleaseControl ~, 1
#define SIMCAM_IMPLEMENTS_PR_RC_Release ~, 1
#define SIMCAM_IMPLEMENTS_PR_RC_GetReleasedData ~, 1
#define SIMCAM_IMPLEMENTS_PR_RC_FocusLock ~, 1
#define SIMCAM_IMPLEMENTS_PR_RC_FocusUnlock ~, 1
