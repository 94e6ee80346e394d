// The stand-in CD-SDK library ("CDSDK.DLL"): its state and the entry points it implements.
#pragma once

#include "sdk/CDSDK.h"
#include "simcam/core/Exports.h"

// The faculty entry point is exported under a decorated name that a C++ identifier cannot
// carry. Native builds give it a placeholder symbol of the same length, which the build renames
// after linking (see tools/RenameElfSymbol.cpp); Windows builds map it in the .def file.
#ifdef SIMCAM_SYMBOL_CDGetReleaseControlFaculty
#define SIMCAM_FACULTY_LABEL __asm__(SIMCAM_SYMBOL_CDGetReleaseControlFaculty)
#else
#define SIMCAM_FACULTY_LABEL
#endif
extern "C" CDResult SDKCALL CDGetReleaseControlFaculty(CDSourceHandle source,
                                                       std::uint32_t* faculty) SIMCAM_FACULTY_LABEL;

CDSDK_ENTRY_POINTS(SIMCAM_DECLARE_ENTRY_POINT)

namespace simcam {
Engine& CdEngine();
}  // namespace simcam

// Entry points defined in CdSdk.cpp and CdSettingsSdk.cpp; CdStubs.cpp generates the others.
#define SIMCAM_IMPLEMENTS_CDStartSDK ~, 1
#define SIMCAM_IMPLEMENTS_CDFinishSDK ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumDeviceReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumDeviceNext ~, 1
#define SIMCAM_IMPLEMENTS_CDGetDeviceCount ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumDeviceRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDOpenSource ~, 1
#define SIMCAM_IMPLEMENTS_CDRegisterEventCallbackFunction ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumDevicePropertyReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumDevicePropertyNext ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumDevicePropertyRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetDevicePropertyData ~, 1
#define SIMCAM_IMPLEMENTS_CDEnterReleaseControl ~, 1
#define SIMCAM_IMPLEMENTS_CDGetReleaseControlFaculty ~, 1
#define SIMCAM_IMPLEMENTS_CDSelectReleaseDataKind ~, 1
#define SIMCAM_IMPLEMENTS_CDRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetReleasedData ~, 1
#define SIMCAM_IMPLEMENTS_CDGetMaximumZoomPos ~, 1
#define SIMCAM_IMPLEMENTS_CDGetZoomPos ~, 1
#define SIMCAM_IMPLEMENTS_CDSetZoomPos ~, 1
#define SIMCAM_IMPLEMENTS_CDAFLock ~, 1
#define SIMCAM_IMPLEMENTS_CDSetImageFormatAttribute ~, 1
#define SIMCAM_IMPLEMENTS_CDGetImageFormatAttribute ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumImageFormatAttributeReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumImageFormatAttributeNext ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumImageFormatAttributeRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetImageFormatAttributeCount ~, 1
#define SIMCAM_IMPLEMENTS_CDSetShootingMode ~, 1
#define SIMCAM_IMPLEMENTS_CDGetShootingMode ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumShootingModeReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumShootingModeNext ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumShootingModeRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetShootingModeCount ~, 1
#define SIMCAM_IMPLEMENTS_CDSetAvValue ~, 1
#define SIMCAM_IMPLEMENTS_CDGetAvValue ~, 1
#define SIMCAM_IMPLEMENTS_CDSetTvValue ~, 1
#define SIMCAM_IMPLEMENTS_CDGetTvValue ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumAvValueReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumAvValueNext ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumAvValueRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetAvValueCount ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumTvValueReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumTvValueNext ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumTvValueRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetTvValueCount ~, 1
#define SIMCAM_IMPLEMENTS_CDSetExposureComp ~, 1
#define SIMCAM_IMPLEMENTS_CDGetExposureComp ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumExposureCompReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumExposureCompNext ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumExposureCompRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetExposureCompCount ~, 1
#define SIMCAM_IMPLEMENTS_CDSetWBSetting ~, 1
#define SIMCAM_IMPLEMENTS_CDGetWBSetting ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumWBSettingReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumWBSettingNext ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumWBSettingRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetWBSettingCount ~, 1
#define SIMCAM_IMPLEMENTS_CDSetAFDistanceSetting ~, 1
#define SIMCAM_IMPLEMENTS_CDGetAFDistanceSetting ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumAFDistanceSettingReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumAFDistanceSettingNext ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumAFDistanceSettingRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetAFDistanceSettingCount ~, 1
#define SIMCAM_IMPLEMENTS_CDSetFlashSetting ~, 1
#define SIMCAM_IMPLEMENTS_CDGetFlashSetting ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumFlashSettingReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumFlashSettingNext ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumFlashSettingRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetFlashSettingCount ~, 1
#define SIMCAM_IMPLEMENTS_CDGetRelCamSettingData ~, 1
#define SIMCAM_IMPLEMENTS_CDSetRelCamSettingData ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumRelCamSettingDataReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumRelCamSettingDataNext ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumRelCamSettingDataRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetRelCamSettingDataCount ~, 1
#define SIMCAM_IMPLEMENTS_CDGetDevicePropertyCount ~, 1
