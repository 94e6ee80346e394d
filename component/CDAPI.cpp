#include "component/CDAPI.h"

#include "component/SdkBinding.h"
#include "platform/Errors.h"

namespace CDAPI {

#define CDAPI_DEFINE_ENTRY_POINT(name, exportName, params) name##Proc name = nullptr;
CDSDK_ENTRY_POINTS(CDAPI_DEFINE_ENTRY_POINT)
#undef CDAPI_DEFINE_ENTRY_POINT

namespace {

constexpr const char* kModule = "CDAPI";
SdkBinding::LibraryState g_state;

// Binds every entry point in binding order. The expansion is one source line, so each check
// reports the line of the binding table (kBindingLine) plus its entry point's position in the
// list: a line of its own per entry point.
constexpr int kBindingLine = __LINE__;
void BindAll() {
  int position = 0;
#define CDAPI_BIND(name, exportName, params) \
  SdkBinding::BindEntryPoint(g_state, kModule, name, exportName, kBindingLine + position++);
  CDSDK_ENTRY_POINTS(CDAPI_BIND)
#undef CDAPI_BIND
}

}  // namespace

void LoadCDSDK() {
  if (!SdkBinding::Load(g_state, kModule, "CDSDK.DLL", UnloadCDSDK, BindAll)) {
    throw rt::EInOutError(rt::kIoFileNotFound, "CDSDK.DLL could not be loaded");
  }
}

void UnloadCDSDK() {
  SdkBinding::Unload(g_state);
}

bool CDSDKReady() {
  return SdkBinding::Ready(g_state);
}

int EntryPointCheckLine(CDSDKEntryPoint Entry) {
  return kBindingLine + static_cast<int>(Entry);
}

}  // namespace CDAPI
