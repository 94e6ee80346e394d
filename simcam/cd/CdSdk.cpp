// The CD-SDK entry points of the devices, the source and its properties, release control,
// release and transfer, zoom and focus lock. The settings are in CdSettingsSdk.cpp.
#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "simcam/cd/CdLibrary.h"
#include "simcam/cd/CdState.h"
#include "simcam/core/Names.h"
#include "simcam/core/Picture.h"

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
  return simcam::Succeed(call);
}

extern "C" CDResult SDKCALL CDFinishSDK() {
  Call call(simcam::CdEngine(), "CDFinishSDK");
  if (auto code = call.Injected()) return call.Return(*code);
  return simcam::Succeed(call);
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
  return simcam::Succeed(call);
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
  return simcam::Succeed(call);
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
  const simcam::Config& config = state.engine.config();
  const bool unterminated = config.unterminatedNames;
  CDSourceInfo info;
  std::memset(&info, 0, sizeof info);
  info.DeviceType = 1;
  simcam::FillNameField(info.ModelName, sizeof info.ModelName,
                        config.cd.model.empty() ? camera.name : config.cd.model, unterminated);
  simcam::FillNameField(info.Name, sizeof info.Name, camera.name, unterminated);
  // The port name is how the library finds the camera again when the record comes back.
  simcam::FillNameField(info.PortName, sizeof info.PortName,
                        simcam::Join({"simcam:cd:", std::to_string(index)}), false);
  info.PortType = 1;
  std::memcpy(sourceInfo, &info, sizeof info);
  call.OutText("name", camera.name);
  return simcam::Succeed(call);
}

extern "C" CDResult SDKCALL CDEnumDeviceRelease(CDEnumHandle enumHandle) {
  auto& state = simcam::State();
  Call call(state.engine, "CDEnumDeviceRelease");
  call.Arg(enumHandle);
  if (auto code = call.Injected()) return call.Return(*code);
  if (state.deviceEnumerations.erase(enumHandle) == 0) return call.Return(kCDErrInvalidHandle);
  return simcam::Succeed(call);
}

namespace {

// The device properties: ID, access, data size.
std::vector<CDDevicePropertyInfo> DeviceProperties() {
  const std::string& owner = simcam::State().engine.config().cd.owner;
  const auto ownerSize = static_cast<std::uint32_t>(std::max(kCDOwnerNameLength, owner.size()));
  return {{0x00000001, 1, 4},
          {kCDDevPropOwnerName, 1, ownerSize},
          {kCDDevPropPowerStatus, 1, 4},
          {0x00000010, 1, 4}};
}

void ReportProgress(CDProgressCallback callback, CDContext context, std::uint32_t percent) {
  if (callback) callback(percent, 0, context);
}

// The items that a release of `kind` hands over: those for the PC, or when there are none,
// those kept in the camera.
std::uint32_t ReleasedCount(std::uint32_t kind) {
  const int toPc = std::popcount(kind & (kCDReleaseThumbnailToPC | kCDReleasePictureToPC));
  const int inCamera =
      std::popcount(kind & (kCDReleaseThumbnailToCamera | kCDReleasePictureToCamera));
  return static_cast<std::uint32_t>(toPc != 0 ? toPc : inCamera);
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::stringstream text;
  text << file.rdbuf();
  bytes = text.str();
  return true;
}

}  // namespace

extern "C" CDResult SDKCALL CDOpenSource(const CDSourceInfo* sourceInfo, CDSourceHandle* source) {
  auto& state = simcam::State();
  Call call(state.engine, "CDOpenSource");
  std::string port;
  if (sourceInfo) {
    port.assign(sourceInfo->PortName, strnlen(sourceInfo->PortName, sizeof sourceInfo->PortName));
    call.Text(port.c_str());
  } else {
    call.Arg(sourceInfo);
  }
  call.Arg(source);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!sourceInfo || !source) return call.Return(kCDErrInvalidParameter);
  const std::vector<simcam::CameraSpec> cameras = state.engine.config().CamerasOf(simcam::Sdk::CD);
  constexpr std::string_view kPrefix = "simcam:cd:";
  std::uint64_t index = 0;
  if (!port.starts_with(kPrefix) || !simcam::ParseNumber(port.substr(kPrefix.size()), index) ||
      index >= cameras.size()) {
    return call.Return(kCDErrInvalidParameter);
  }
  auto opened = std::make_shared<simcam::Source>();
  opened->cameraName = cameras[index].name;
  for (const simcam::CdSetting& setting : simcam::CdSettings()) {
    opened->settings[std::string(setting.name)] = simcam::InitialValue(setting);
  }
  const simcam::CdCameraConfig& camera = state.engine.config().cd;
  opened->zoom = std::min(camera.zoomPosition, camera.zoomMax);
  const CDSourceHandle handle = state.engine.NewHandle();
  state.sources[handle] = opened;
  *source = handle;
  call.Out("source", handle);
  return simcam::Succeed(call, handle);
}

extern "C" CDResult SDKCALL CDRegisterEventCallbackFunction(CDSourceHandle source,
                                                            CDEventCallback callback,
                                                            CDContext context,
                                                            CDHandle* registration) {
  auto& state = simcam::State();
  Call call(state.engine, "CDRegisterEventCallbackFunction");
  call.Arg(source).Raw(callback ? "&" : "null").Arg(context).Arg(registration);
  if (auto code = call.Injected()) return call.Return(*code);
  const auto opened = simcam::FindSource(source);
  if (!opened) return call.Return(kCDErrInvalidHandle);
  if (!registration) return call.Return(kCDErrInvalidParameter);
  const CDHandle handle = state.engine.NewHandle();
  opened->deviceCallbacks.push_back({handle, callback, context});
  *registration = handle;
  call.Out("registration", handle);
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDEnumDevicePropertyReset(CDSourceHandle source, std::uint32_t option,
                                                      CDEnumHandle* enumHandle) {
  auto& state = simcam::State();
  Call call(state.engine, "CDEnumDevicePropertyReset");
  call.Arg(source).Arg(option).Arg(enumHandle);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!simcam::FindSource(source)) return call.Return(kCDErrInvalidHandle);
  if (!enumHandle) return call.Return(kCDErrInvalidParameter);
  simcam::ValueEnumeration enumeration;
  enumeration.family = "property";
  enumeration.properties = DeviceProperties();
  const CDEnumHandle handle = state.engine.NewHandle();
  state.enumerations[handle] = std::move(enumeration);
  *enumHandle = handle;
  call.Out("enum", handle);
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDEnumDevicePropertyNext(CDEnumHandle enumHandle,
                                                     CDDevicePropertyInfo* info) {
  auto& state = simcam::State();
  Call call(state.engine, "CDEnumDevicePropertyNext");
  call.Arg(enumHandle).Arg(info);
  if (auto code = call.Injected()) return call.Return(*code);
  const auto found = state.enumerations.find(enumHandle);
  if (found == state.enumerations.end() || found->second.family != "property") {
    return call.Return(kCDErrInvalidHandle);
  }
  if (!info) return call.Return(kCDErrInvalidParameter);
  simcam::ValueEnumeration& enumeration = found->second;
  if (enumeration.next >= enumeration.properties.size()) {
    return call.Return(kCDErrEnumNotApplicable);
  }
  *info = enumeration.properties[enumeration.next++];
  call.OutHex("id", info->Id).Out("size", info->DataSize);
  return simcam::Succeed(call);
}

extern "C" CDResult SDKCALL CDGetDevicePropertyCount(CDEnumHandle enumHandle,
                                                     std::uint32_t* count) {
  auto& state = simcam::State();
  Call call(state.engine, "CDGetDevicePropertyCount");
  call.Arg(enumHandle).Arg(count);
  if (auto code = call.Injected()) return call.Return(*code);
  const auto found = state.enumerations.find(enumHandle);
  if (found == state.enumerations.end() || found->second.family != "property") {
    return call.Return(kCDErrInvalidHandle);
  }
  if (!count) return call.Return(kCDErrInvalidParameter);
  *count = static_cast<std::uint32_t>(found->second.properties.size());
  call.Out("count", *count);
  return simcam::Succeed(call);
}

extern "C" CDResult SDKCALL CDEnumDevicePropertyRelease(CDEnumHandle enumHandle) {
  auto& state = simcam::State();
  Call call(state.engine, "CDEnumDevicePropertyRelease");
  call.Arg(enumHandle);
  if (auto code = call.Injected()) return call.Return(*code);
  const auto found = state.enumerations.find(enumHandle);
  if (found == state.enumerations.end() || found->second.family != "property") {
    return call.Return(kCDErrInvalidHandle);
  }
  state.enumerations.erase(found);
  return simcam::Succeed(call);
}

extern "C" CDResult SDKCALL CDGetDevicePropertyData(CDSourceHandle source, std::uint32_t propertyId,
                                                    std::uint32_t* size, void* buffer,
                                                    std::uint32_t option) {
  auto& state = simcam::State();
  Call call(state.engine, "CDGetDevicePropertyData");
  call.Arg(source).Hex(propertyId);
  if (size) {
    call.Arg(*size);
  } else {
    call.Arg(size);
  }
  call.Arg(buffer).Arg(option);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!simcam::FindSource(source)) return call.Return(kCDErrInvalidHandle);
  if (!size || !buffer) return call.Return(kCDErrInvalidParameter);
  const simcam::CdCameraConfig& camera = state.engine.config().cd;
  std::string data;
  for (const CDDevicePropertyInfo& property : DeviceProperties()) {
    if (property.Id != propertyId) continue;
    data.assign(property.DataSize, '\0');
    if (propertyId == kCDDevPropOwnerName) {
      std::memcpy(data.data(), camera.owner.data(), camera.owner.size());
      call.OutText("owner", camera.owner);
    } else if (propertyId == kCDDevPropPowerStatus) {
      for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((camera.power >> (8 * i)) & 0xFF);
      call.OutHex("power", camera.power);
    }
  }
  if (data.empty()) return call.Return(simcam::kCDErrInvalidId);
  if (*size < data.size()) return call.Return(simcam::kCDErrInvalidLength);
  std::memcpy(buffer, data.data(), data.size());
  *size = static_cast<std::uint32_t>(data.size());
  call.Out("size", *size);
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDEnterReleaseControl(CDSourceHandle source,
                                                  CDReleaseEventCallback callback,
                                                  CDContext context) {
  Call call(simcam::CdEngine(), "CDEnterReleaseControl");
  call.Arg(source).Raw(callback ? "&" : "null").Arg(context);
  if (auto code = call.Injected()) return call.Return(*code);
  const auto opened = simcam::FindSource(source);
  if (!opened) return call.Return(kCDErrInvalidHandle);
  opened->releaseControl = true;
  opened->releaseCallback = callback;
  opened->releaseContext = context;
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDGetReleaseControlFaculty(CDSourceHandle source,
                                                       std::uint32_t* faculty) {
  auto& state = simcam::State();
  Call call(state.engine, "_CDGetReleaseControlFaculty@8", "CDGetReleaseControlFaculty");
  call.Arg(source).Arg(faculty);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!simcam::FindSource(source)) return call.Return(kCDErrInvalidHandle);
  if (!faculty) return call.Return(kCDErrInvalidParameter);
  *faculty = state.engine.config().cd.faculty;
  call.OutHex("faculty", *faculty);
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDSelectReleaseDataKind(CDSourceHandle source, std::uint32_t kind) {
  Call call(simcam::CdEngine(), "CDSelectReleaseDataKind");
  call.Arg(source).Arg(kind);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  if (auto code = simcam::Refusal("CDSelectReleaseDataKind", {kind})) return call.Return(*code);
  if (kind == 0 || kind > 0xF) return call.Return(kCDErrInvalidParameter);
  opened->releaseKind = kind;
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDRelease(CDSourceHandle source, std::uint32_t option,
                                      CDProgressCallback callback, CDContext context,
                                      std::uint32_t progressOption, std::uint32_t* count) {
  Call call(simcam::CdEngine(), "CDRelease");
  call.Arg(source).Arg(option).Raw(callback ? "&" : "null").Arg(context);
  call.Arg(progressOption).Arg(count);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  if (!count) return call.Return(kCDErrInvalidParameter);
  const std::uint32_t number = ++opened->releases;
  const std::uint32_t kind = opened->releaseKind;
  simcam::DeliverReleaseEvent(opened, kCDReleaseEventReleaseStart, 0);
  for (const std::uint32_t percent : {0u, 50u, 100u}) ReportProgress(callback, context, percent);
  if (kind & kCDReleaseThumbnailToPC) opened->released.push_back({kCDReleaseThumbnailToPC, number});
  if (kind & kCDReleasePictureToPC) opened->released.push_back({kCDReleasePictureToPC, number});
  const std::uint32_t items = ReleasedCount(kind);
  simcam::DeliverReleaseEvent(opened, kCDReleaseEventReleaseComplete, items);
  *count = items;
  call.Out("count", items).Out("picture", number);
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDGetReleasedData(CDSourceHandle source, CDProgressCallback callback,
                                              CDContext context, std::uint32_t progressOption,
                                              CDReleasedDataInfo* info,
                                              const CDStorageMedium* medium) {
  auto& state = simcam::State();
  Call call(state.engine, "CDGetReleasedData");
  call.Arg(source).Raw(callback ? "&" : "null").Arg(context);
  call.Arg(progressOption).Arg(info);
  if (medium) {
    call.Raw(simcam::Join({"{", std::to_string(medium->Kind), ", ",
                           medium->FileName ? simcam::Join({"\"", medium->FileName, "\""}) : "null",
                           "}"}));
  } else {
    call.Arg(medium);
  }
  std::shared_ptr<simcam::Source> opened;
  if (auto code = call.Injected()) {
    // A camera that gives up what it failed to deliver: the item is gone with the failure.
    if (state.engine.config().cd.dropFailed && !simcam::NeedReleaseControl(source, opened) &&
        !opened->released.empty()) {
      opened->released.pop_front();
    }
    return call.Return(*code);
  }
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  if (!info || !medium || medium->Kind != kCDMediumFile || !medium->FileName) {
    return call.Return(kCDErrInvalidParameter);
  }
  if (opened->released.empty()) return call.Return(kCDErrNotReleased);
  const simcam::ReleasedItem item = opened->released.front();
  const simcam::Config& config = state.engine.config();
  std::string bytes;
  if (item.kindBit == kCDReleasePictureToPC && !config.cd.pictureFile.empty()) {
    if (!ReadWholeFile(config.cd.pictureFile, bytes)) {
      return call.Return(simcam::kCDErrFileNotFound);
    }
  } else {
    bytes = simcam::MakePicture(item.number, item.kindBit == kCDReleasePictureToPC
                                                 ? config.pictureBytes
                                                 : config.cd.thumbnailBytes);
  }
  std::FILE* file = std::fopen(rt::NativePath(medium->FileName).c_str(), "wb");
  if (!file) return call.Return(simcam::kCDErrFileOpen);
  opened->released.pop_front();
  constexpr std::size_t kChunk = 16384;
  bool written = true;
  std::size_t done = 0;
  // A write limit stands for a disk that fills up: the bytes past it are not written.
  const std::size_t room = config.cd.writeLimit.value_or(bytes.size());
  do {
    const std::size_t chunk = std::min(kChunk, bytes.size() - done);
    const std::size_t fits = done < room ? std::min(chunk, room - done) : 0;
    written = written && std::fwrite(bytes.data() + done, 1, fits, file) == fits && fits == chunk;
    done += chunk;
    const auto percent =
        bytes.empty() ? 100u : static_cast<std::uint32_t>(done * 100 / bytes.size());
    ReportProgress(callback, context, percent);
  } while (done < bytes.size());
  written = std::fclose(file) == 0 && written;
  if (!written) return call.Return(simcam::kCDErrFileWrite);
  CDReleasedDataInfo result{};
  result.DataKind = item.kindBit;
  result.Format = 1;
  result.DataSize = static_cast<std::uint32_t>(bytes.size());
  result.Width = 8;
  result.Height = 8;
  *info = result;
  call.Out("bytes", bytes.size()).Out("picture", item.number);
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDGetMaximumZoomPos(CDSourceHandle source, std::uint32_t* maxPos,
                                                std::uint32_t* maxOpticalPos) {
  auto& state = simcam::State();
  Call call(state.engine, "CDGetMaximumZoomPos");
  call.Arg(source).Arg(maxPos).Arg(maxOpticalPos);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  if (!maxPos || !maxOpticalPos) return call.Return(kCDErrInvalidParameter);
  const simcam::CdCameraConfig& camera = state.engine.config().cd;
  *maxPos = camera.zoomMax;
  *maxOpticalPos = camera.zoomOptical;
  call.Out("max", *maxPos).Out("optical", *maxOpticalPos);
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDGetZoomPos(CDSourceHandle source, std::uint32_t* pos) {
  Call call(simcam::CdEngine(), "CDGetZoomPos");
  call.Arg(source).Arg(pos);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  if (!pos) return call.Return(kCDErrInvalidParameter);
  *pos = opened->zoom;
  call.Out("position", *pos);
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDSetZoomPos(CDSourceHandle source, std::uint32_t pos) {
  auto& state = simcam::State();
  Call call(state.engine, "CDSetZoomPos");
  call.Arg(source).Arg(pos);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  if (auto code = simcam::Refusal("CDSetZoomPos", {pos})) return call.Return(*code);
  opened->zoom = std::min(pos, state.engine.config().cd.zoomMax);
  call.Out("position", opened->zoom);
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDAFLock(CDSourceHandle source, std::uint32_t lock) {
  Call call(simcam::CdEngine(), "CDAFLock");
  call.Arg(source).Arg(lock);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  if (auto code = simcam::Refusal("CDAFLock", {lock})) return call.Return(*code);
  if (lock > 1) return call.Return(kCDErrInvalidParameter);
  opened->focusLocked = lock == 1;
  return simcam::Succeed(call, source);
}
