// Binding of the CD library ("CDSDK.DLL", older PowerShot cameras) at run time.
//
// LoadCDSDK loads the library on its first successful call of the process and binds every entry
// point of CDSDK_ENTRY_POINTS (sdk/CDSDK.h) by its export name into the pointer of the same
// identifier below, checking each at once. The library stays loaded until the program ends; the
// load installs UnloadCDSDK in the program's exit-procedure chain, so the libraries are freed in
// the reverse order of loading.
//
// Failures:
// - the library cannot be loaded (or the load returns a handle below 32): rt::EInOutError with
//   code 2 ("file not found") and the message "CDSDK.DLL could not be loaded"; nothing is bound,
//   and the next call tries again;
// - an entry point is missing: rt::EAssertionFailed "Assertion failure (CDAPI, line N)", N being
//   EntryPointCheckLine of that entry point. The library stays loaded, the entry points before it
//   are bound and the rest stay null. Every later call raises the same failure again, so no
//   caller ever reaches an unbound pointer.
// The process error mode is 0x8000 during the load and back to its previous value afterwards,
// however the load ends.
#pragma once

#include "sdk/CDSDK.h"

namespace CDAPI {

#define CDAPI_DECLARE_ENTRY_POINT(name, exportName, params) extern name##Proc name;
CDSDK_ENTRY_POINTS(CDAPI_DECLARE_ENTRY_POINT)
#undef CDAPI_DECLARE_ENTRY_POINT

void LoadCDSDK();
// Installed by the load as an exit procedure; nothing else calls it.
void UnloadCDSDK();

// True once the library is loaded and every entry point bound.
bool CDSDKReady();

// The line that a missing entry point's check reports: the line of the binding table plus the
// entry point's position in binding order, so each entry point has its own.
int EntryPointCheckLine(CDSDKEntryPoint Entry);

}  // namespace CDAPI
