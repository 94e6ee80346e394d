// Every PowerShot SDK entry point that PrSdk.cpp does not implement answers "not supported".
#include "simcam/pr/PrLibrary.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

#define SIMCAM_PR_STUB(name, exportName, params) \
  SIMCAM_STUB_UNLESS_IMPLEMENTED(name, exportName, params, simcam::PrEngine(), kPRErrNotSupported)

PRSDK_ENTRY_POINTS(SIMCAM_PR_STUB)
