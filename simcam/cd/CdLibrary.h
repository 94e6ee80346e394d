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

// Entry points defined in CdSdk.cpp; CdStubs.cpp generates the others.
#define SIMCAM_IMPLEMENTS_CDStartSDK ~, 1
#define SIMCAM_IMPLEMENTS_CDFinishSDK ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumDeviceReset ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumDeviceNext ~, 1
#define SIMCAM_IMPLEMENTS_CDGetDeviceCount ~, 1
#define SIMCAM_IMPLEMENTS_CDEnumDeviceRelease ~, 1
#define SIMCAM_IMPLEMENTS_CDGetReleaseControlFaculty ~, 1
