#include "component/PRAPI.h"

#include "component/CamDefines.h"
#include "component/SdkBinding.h"
#include "platform/Errors.h"

namespace PRAPI {

#define PRAPI_DEFINE_ENTRY_POINT(name, exportName, params) name##Proc name = nullptr;
PRSDK_ENTRY_POINTS(PRAPI_DEFINE_ENTRY_POINT)
#undef PRAPI_DEFINE_ENTRY_POINT

namespace {

constexpr const char* kModule = "PRAPI";
SdkBinding::LibraryState g_state;

// Binds every entry point in binding order. The expansion is one source line, so each check
// reports the line of the binding table (kBindingLine) plus its entry point's position in the
// list: a line of its own per entry point.
constexpr int kBindingLine = __LINE__;
void BindAll() {
  int position = 0;
#define PRAPI_BIND(name, exportName, params) \
  SdkBinding::BindEntryPoint(g_state, kModule, name, exportName, kBindingLine + position++);
  PRSDK_ENTRY_POINTS(PRAPI_BIND)
#undef PRAPI_BIND
}

}  // namespace

void LoadPRSDK() {
  SdkBinding::Load(g_state, kModule, "PRSDK.DLL", UnloadPRSDK, BindAll);
}

void UnloadPRSDK() {
  SdkBinding::Unload(g_state);
}

bool PRSDKReady() {
  return SdkBinding::Ready(g_state);
}

void RequirePRSDK() {
  LoadPRSDK();
  if (!PRSDKReady()) throw CamDefines::ECamException("PRSDK.DLL could not be loaded");
}

int EntryPointCheckLine(PRSDKEntryPoint Entry) {
  return kBindingLine + static_cast<int>(Entry);
}

}  // namespace PRAPI
