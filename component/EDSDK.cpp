#include "component/EDSDK.h"

#include "component/CamDefines.h"
#include "component/SdkBinding.h"
#include "platform/Errors.h"

namespace EDSDK {

#define EDSDK_DEFINE_ENTRY_POINT(name, exportName, params) name##Proc name = nullptr;
EDSDK_ENTRY_POINTS(EDSDK_DEFINE_ENTRY_POINT)
#undef EDSDK_DEFINE_ENTRY_POINT

namespace {

constexpr const char* kModule = "EDSDK";
SdkBinding::LibraryState g_state;

// Binds every entry point in binding order. The expansion is one source line, so each check
// reports the line of the binding table (kBindingLine) plus its entry point's position in the
// list: a line of its own per entry point.
constexpr int kBindingLine = __LINE__;
void BindAll() {
  int position = 0;
#define EDSDK_BIND(name, exportName, params) \
  SdkBinding::BindEntryPoint(g_state, kModule, name, exportName, kBindingLine + position++);
  EDSDK_ENTRY_POINTS(EDSDK_BIND)
#undef EDSDK_BIND
}

}  // namespace

void LoadEDSDK() {
  SdkBinding::Load(g_state, kModule, "EDSDK.DLL", UnloadEDSDK, BindAll);
}

void UnloadEDSDK() {
  SdkBinding::Unload(g_state);
}

bool EDSDKReady() {
  return SdkBinding::Ready(g_state);
}

void RequireEDSDK() {
  LoadEDSDK();
  if (!EDSDKReady()) throw CamDefines::ECamException("EDSDK.DLL could not be loaded");
}

int EntryPointCheckLine(EDSDKEntryPoint Entry) {
  return kBindingLine + static_cast<int>(Entry);
}

}  // namespace EDSDK
