// The CD-SDK entry points that the stand-in implements.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "simcam/cd/CdLibrary.h"
#include "simcam/core/Names.h"

namespace simcam {

namespace {

// An open device enumeration: the cameras attached when it was reset.
struct DeviceEnumeration {
  std::vector<CameraSpec> cameras;
  std::size_t next = 0;
  std::uint32_t reportedCount = 0;  // what CDGetDeviceCount answers
};

struct CdState {
  Engine engine{"CDSDK.DLL"};
  std::map<CDEnumHandle, DeviceEnumeration> deviceEnumerations;
};

CdState& State() {
  static CdState state;
  return state;
}

}  // namespace

Engine& CdEngine() {
  return State().engine;
}

}  // namespace simcam

using simcam::Call;

extern "C" CDResult SDKCALL CDStartSDK(const CDVersionInfo* version, std::uint32_t option) {
  simcam::CdEngine().ReloadConfig();
  Call call(simcam::CdEngine(), "CDStartSDK");
  if (version) {
    call.Raw(simcam::Join({"{", std::to_string(version->Size), ", ", std::to_string(version->Major),
                           ", ", std::to_string(version->Minor), "}"}));
  } else {
    call.Arg(version);
  }
  call.Arg(option);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!version) return call.Return(kCDErrInvalidParameter);
  return call.Return(kCDOk);
}

extern "C" CDResult SDKCALL CDFinishSDK() {
  Call call(simcam::CdEngine(), "CDFinishSDK");
  if (auto code = call.Injected()) return call.Return(*code);
  return call.Return(kCDOk);
}

extern "C" CDResult SDKCALL CDEnumDeviceReset(std::uint32_t option, CDEnumHandle* enumHandle) {
  auto& state = simcam::State();
  state.engine.ReloadConfig();
  Call call(state.engine, "CDEnumDeviceReset");
  call.Arg(option).Arg(enumHandle);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!enumHandle) return call.Return(kCDErrInvalidParameter);
  const simcam::Config& config = state.engine.config();
  simcam::DeviceEnumeration enumeration;
  enumeration.cameras = config.CamerasOf(simcam::Sdk::CD);
  enumeration.reportedCount =
      static_cast<std::uint32_t>(enumeration.cameras.size()) + config.cdCountExtra;
  const CDEnumHandle handle = state.engine.NewHandle();
  state.deviceEnumerations[handle] = std::move(enumeration);
  *enumHandle = handle;
  call.Out("enum", handle);
  return call.Return(kCDOk);
}

extern "C" CDResult SDKCALL CDGetDeviceCount(CDEnumHandle enumHandle, std::uint32_t* count) {
  auto& state = simcam::State();
  Call call(state.engine, "CDGetDeviceCount");
  call.Arg(enumHandle).Arg(count);
  if (auto code = call.Injected()) return call.Return(*code);
  const auto found = state.deviceEnumerations.find(enumHandle);
  if (found == state.deviceEnumerations.end()) return call.Return(kCDErrInvalidHandle);
  if (!count) return call.Return(kCDErrInvalidParameter);
  *count = found->second.reportedCount;
  call.Out("count", *count);
  return call.Return(kCDOk);
}

extern "C" CDResult SDKCALL CDEnumDeviceNext(CDEnumHandle enumHandle, CDSourceInfo* sourceInfo) {
  auto& state = simcam::State();
  Call call(state.engine, "CDEnumDeviceNext");
  call.Arg(enumHandle).Arg(sourceInfo);
  if (auto code = call.Injected()) return call.Return(*code);
  const auto found = state.deviceEnumerations.find(enumHandle);
  if (found == state.deviceEnumerations.end()) return call.Return(kCDErrInvalidHandle);
  if (!sourceInfo) return call.Return(kCDErrInvalidParameter);
  simcam::DeviceEnumeration& enumeration = found->second;
  if (enumeration.next >= enumeration.cameras.size()) {
    return call.Return(kCDErrEnumNotApplicable);
  }
  const std::size_t index = enumeration.next++;
  const simcam::CameraSpec& camera = enumeration.cameras[index];
  const bool unterminated = state.engine.config().unterminatedNames;
  CDSourceInfo info;
  std::memset(&info, 0, sizeof info);
  info.DeviceType = 1;
  simcam::FillNameField(info.ModelName, sizeof info.ModelName, camera.name, unterminated);
  simcam::FillNameField(info.Name, sizeof info.Name, camera.name, unterminated);
  // The port name is how the library finds the camera again when the record comes back.
  simcam::FillNameField(info.PortName, sizeof info.PortName,
                        simcam::Join({"simcam:cd:", std::to_string(index)}), false);
  info.PortType = 1;
  std::memcpy(sourceInfo, &info, sizeof info);
  call.OutText("name", camera.name);
  return call.Return(kCDOk);
}

extern "C" CDResult SDKCALL CDEnumDeviceRelease(CDEnumHandle enumHandle) {
  auto& state = simcam::State();
  Call call(state.engine, "CDEnumDeviceRelease");
  call.Arg(enumHandle);
  if (auto code = call.Injected()) return call.Return(*code);
  if (state.deviceEnumerations.erase(enumHandle) == 0) return call.Return(kCDErrInvalidHandle);
  return call.Return(kCDOk);
}

extern "C" CDResult SDKCALL CDGetReleaseControlFaculty(CDSourceHandle source,
                                                       std::uint32_t* faculty) {
  (void)source;
  (void)faculty;
  return simcam::Unsupported(simcam::CdEngine(), "_CDGetReleaseControlFaculty@8",
                             "CDGetReleaseControlFaculty", kCDErrNotSupported);
}
