// Every CD-SDK entry point that CdSdk.cpp does not implement answers "not supported".
#include "simcam/cd/CdLibrary.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

#define SIMCAM_CD_STUB(name, exportName, params) \
  SIMCAM_STUB_UNLESS_IMPLEMENTED(name, exportName, params, simcam::CdEngine(), kCDErrNotSupported)

CDSDK_ENTRY_POINTS(SIMCAM_CD_STUB)
