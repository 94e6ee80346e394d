// Every EOS SDK entry point that EosSdk.cpp does not implement answers "not supported".
#include "simcam/eos/EosLibrary.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

#define SIMCAM_EOS_STUB(name, exportName, params) \
  SIMCAM_STUB_UNLESS_IMPLEMENTED(name, exportName, params, simcam::EosEngine(), kEdsErrNotSupported)

EDSDK_ENTRY_POINTS(SIMCAM_EOS_STUB)
