// Binding of the EOS library ("EDSDK.DLL") at run time.
//
// LoadEDSDK loads the library on its first successful call of the process and binds every entry
// point of EDSDK_ENTRY_POINTS (sdk/EDSDK.h) by its export name into the pointer of the same
// identifier below, checking each at once. The library stays loaded until the program ends; the
// load installs UnloadEDSDK in the program's exit-procedure chain.
//
// Failures:
// - the library cannot be loaded (or the load returns a handle below 32): LoadEDSDK raises
//   nothing and binds nothing; EDSDKReady stays false and the next call tries again. The caller
//   that needs the library raises (RequireEDSDK);
// - an entry point is missing: rt::EAssertionFailed "Assertion failure (EDSDK, line N)", N being
//   EntryPointCheckLine of that entry point; every later call raises the same failure again.
// The process error mode is 0x8000 during the load and back to its previous value afterwards.
#pragma once

#include "sdk/EDSDK.h"

namespace EDSDK {

#define EDSDK_DECLARE_ENTRY_POINT(name, exportName, params) extern name##Proc name;
EDSDK_ENTRY_POINTS(EDSDK_DECLARE_ENTRY_POINT)
#undef EDSDK_DECLARE_ENTRY_POINT

void LoadEDSDK();
void UnloadEDSDK();
bool EDSDKReady();
// LoadEDSDK, then CamDefines::ECamException "EDSDK.DLL could not be loaded" when the library is
// not there.
void RequireEDSDK();
int EntryPointCheckLine(EDSDKEntryPoint Entry);

}  // namespace EDSDK
