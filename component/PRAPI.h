// Binding of the PowerShot library ("PRSDK.DLL", newer PowerShot cameras) at run time.
//
// LoadPRSDK loads the library on its first successful call of the process and binds every entry
// point of PRSDK_ENTRY_POINTS (sdk/PRSDK.h) by its export name into the pointer of the same
// identifier below, checking each at once. The library stays loaded until the program ends; the
// load installs UnloadPRSDK in the program's exit-procedure chain.
//
// Failures:
// - the library cannot be loaded (or the load returns a handle below 32): LoadPRSDK raises
//   nothing and binds nothing; PRSDKReady stays false and the next call tries again. The caller
//   that needs the library raises (RequirePRSDK);
// - an entry point is missing: rt::EAssertionFailed "Assertion failure (PRAPI, line N)", N being
//   EntryPointCheckLine of that entry point; every later call raises the same failure again.
// The process error mode is 0x8000 during the load and back to its previous value afterwards.
#pragma once

#include "sdk/PRSDK.h"

namespace PRAPI {

#define PRAPI_DECLARE_ENTRY_POINT(name, exportName, params) extern name##Proc name;
PRSDK_ENTRY_POINTS(PRAPI_DECLARE_ENTRY_POINT)
#undef PRAPI_DECLARE_ENTRY_POINT

void LoadPRSDK();
void UnloadPRSDK();
bool PRSDKReady();
// LoadPRSDK, then CamDefines::ECamException "PRSDK.DLL could not be loaded" when the library is
// not there.
void RequirePRSDK();
int EntryPointCheckLine(PRSDKEntryPoint Entry);

}  // namespace PRAPI
