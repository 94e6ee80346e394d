// The PowerShot SDK entry points that the stand-in implements, and the simulated PowerShot
// camera behind them: a PTP camera with device information, device properties (values,
// descriptions, refusals), release control, releases announced by events, transfers in chunks
// through a progress callback, and focus lock.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simcam/core/Names.h"
#include "simcam/core/Picture.h"
#include "simcam/pr/PrLibrary.h"

namespace simcam {

namespace {

// Codes of the simulated camera (see simcam/README.md).
constexpr PRResult kPRErrInvalidFunctionCall = 0x0061;
constexpr PRResult kPRErrSessionNotOpen = 0x2003;
constexpr PRResult kPRErrOperationNotSupported = 0x2005;
constexpr PRResult kPRErrInvalidObjectHandle = 0x2009;
constexpr PRResult kPRErrAccessDenied = 0x200F;
constexpr PRResult kPRErrParameterNotSupported = 0x2006;

// A device property of the camera: its value size and whether a program may write it.
struct PropertySpec {
  std::uint16_t code;
  std::uint32_t size;
  bool writable;
  std::uint32_t initial;
};

// Every property the camera declares, in the order of its device information.
constexpr PropertySpec kProperties[] = {
    {kPRPropPowerSource, 2, false, 1},
    {kPRPropBatteryLevel, 4, false, 1},
    {kPRPropImageQuality, 1, true, 0x02},
    {kPRPropImageType, 1, true, 0x01},
    {kPRPropImageSize, 1, true, 0x00},
    {kPRPropSelfTimer, 2, true, 0x0000},
    {kPRPropFlashMode, 1, true, 0x00},
    {kPRPropBeep, 1, true, 0x01},
    {kPRPropShootingMode, 1, true, 0x00},
    {kPRPropDriveMode, 1, true, 0x00},
    {kPRPropMeteringMode, 1, true, 0x00},
    {kPRPropAFDistance, 1, true, 0x00},
    {kPRPropFocusPoint, 2, true, 0x0000},
    {kPRPropWhiteBalance, 1, true, 0x00},
    {kPRPropContrast, 1, true, 0x00},
    {kPRPropSharpness, 1, true, 0x00},
    {kPRPropSaturation, 1, true, 0x00},
    {kPRPropISOSpeed, 2, true, 0x0000},
    {kPRPropAv, 2, true, 0x0020},
    {kPRPropTv, 2, true, 0x0060},
    {kPRPropExposureComp, 1, true, 0x18},
    {kPRPropFlashCompensation, 1, true, 0x18},
    {kPRPropReleaseDestination, 2, true, kPRReleasePictureToCamera},
    {kPRPropZoomPosition, 2, true, 0},
    {kPRPropOwnerName, kPROwnerNameValueSize, false, 0},
    {kPRPropOpticalZoomLimit, 2, false, 0},
    {kPRPropPhotoEffect, 2, true, 0x0000},
    {kPRPropAFAssistLight, 2, true, 0x0000},
};

// The operations and events the camera declares.
constexpr std::uint16_t kOperations[] = {0x1001, 0x1002, 0x1003, 0x1014, 0x1015,
                                         0x1016, 0x9008, 0x900B, 0x9014};
constexpr std::uint16_t kEvents[] = {kPREventDevicePropChanged, kPREventReleaseComplete,
                                     kPREventReleaseData, kPREventBatteryLevel};

// What a release left for PR_RC_GetReleasedData, by object handle.
struct ReleasedObject {
  std::uint32_t number = 0;
  bool thumbnail = false;
};

// One PR_CreateCameraObject: a camera with its own state.
struct PrCamera {
  std::string name;
  bool connected = false;
  bool releaseControl = false;
  PREventCallback callback = nullptr;
  PRContext context = 0;
  std::map<std::uint16_t, std::uint32_t> values;  // current property values
  bool focusLocked = false;
  std::uint32_t releases = 0;
  std::uint32_t transactions = 0;
  std::map<std::uint32_t, ReleasedObject> objects;
};

struct PrState {
  Engine engine{"PRSDK.DLL"};
  std::map<PRHandle, std::shared_ptr<PrCamera>> cameras;
  std::uint32_t nextObject = 0x1000;
};

PrState& State() {
  static PrState state;
  return state;
}

const PrCameraConfig& Described() {
  return State().engine.config().pr;
}

bool Removed(std::uint32_t code) {
  const auto& without = Described().without;
  return std::find(without.begin(), without.end(), code) != without.end();
}

// The property as the camera declares it, or null.
const PropertySpec* FindProperty(std::uint16_t code) {
  if (Removed(code)) return nullptr;
  for (const PropertySpec& property : kProperties) {
    if (property.code == code) return &property;
  }
  return nullptr;
}

bool HasOperation(std::uint16_t code) {
  return !Removed(code) &&
         std::find(std::begin(kOperations), std::end(kOperations), code) != std::end(kOperations);
}

std::uint32_t InitialValue(const PropertySpec& property) {
  const Config& config = State().engine.config();
  if (const auto found = config.pr.values.find(property.code); found != config.pr.values.end()) {
    return found->second;
  }
  if (property.code == kPRPropZoomPosition)
    return std::min(config.cd.zoomPosition, config.cd.zoomMax);
  if (property.code == kPRPropOpticalZoomLimit) return config.cd.zoomOptical + 1;
  return property.initial;
}

std::shared_ptr<PrCamera> FindCamera(PRHandle handle) {
  const auto found = State().cameras.find(handle);
  return found == State().cameras.end() ? nullptr : found->second;
}

// The camera of a call that needs a connection (and, with `release`, release control); the
// code when there is none.
std::optional<PRResult> NeedCamera(PRHandle handle, std::shared_ptr<PrCamera>& camera,
                                   bool release = false) {
  camera = FindCamera(handle);
  if (!camera) return kPRErrInvalidHandle;
  if (!camera->connected) return kPRErrSessionNotOpen;
  if (release && !camera->releaseControl) return kPRErrInvalidFunctionCall;
  return std::nullopt;
}

// Little-endian dataset writer.
class Dataset {
 public:
  void U8(std::uint32_t value) { bytes_.push_back(static_cast<char>(value & 0xFF)); }
  void U16(std::uint32_t value) { Value(value, 2); }
  void U32(std::uint32_t value) { Value(value, 4); }
  void Value(std::uint32_t value, std::uint32_t size) {
    for (std::uint32_t i = 0; i < size; ++i) U8(i < 4 ? value >> (8 * i) : 0);
  }
  // A PTP string: count of characters with the terminating zero, then UTF-16.
  void String(std::string_view text) {
    U8(static_cast<std::uint32_t>(text.size() + 1));
    for (const char c : text) U16(static_cast<unsigned char>(c));
    U16(0);
  }
  template <typename Codes>
  void Array(const Codes& codes) {
    U32(static_cast<std::uint32_t>(std::size(codes)));
    for (const auto code : codes) U16(code);
  }
  std::string& Bytes() { return bytes_; }

 private:
  std::string bytes_;
};

std::string DeviceInfo(const std::string& model) {
  Dataset data;
  data.U16(100);         // standard version
  data.U32(0x0000000B);  // vendor extension ID
  data.U16(100);         // vendor extension version
  data.String("simcam");
  data.U16(0);  // functional mode
  std::vector<std::uint16_t> operations, properties;
  for (const std::uint16_t code : kOperations) {
    if (HasOperation(code)) operations.push_back(code);
  }
  for (const PropertySpec& property : kProperties) {
    if (FindProperty(property.code)) properties.push_back(property.code);
  }
  data.Array(operations);
  data.Array(kEvents);
  data.Array(properties);
  data.Array(std::vector<std::uint16_t>{});        // capture formats
  data.Array(std::vector<std::uint16_t>{0x3801});  // image formats: JPEG
  data.String("Canon Inc.");
  data.String(model);
  data.String("1-0.0");
  data.String("simcam");
  std::string& bytes = data.Bytes();
  if (const auto cut = Described().deviceInfoCut; cut && *cut < bytes.size()) bytes.resize(*cut);
  return bytes;
}

// Delivers one PTP event to the camera's event callback (when it has one).
void DeliverEvent(const std::shared_ptr<PrCamera>& camera, PRHandle handle, std::uint16_t code,
                  std::uint32_t param1, std::uint32_t param2) {
  if (!camera->callback) return;
  PREventRecord event;
  std::memset(&event, 0, sizeof event);
  event.Length = 24;
  event.ContainerType = 4;
  event.Code = code;
  event.TransactionId = ++camera->transactions;
  event.Param1 = param1;
  event.Param2 = param2;
  camera->callback(handle, camera->context, &event);
}

// Delivers the events that `event` rules attach to this call, to the camera `handle` (0: every
// camera), and returns the call's success.
PRResult Succeed(Call& call, PRHandle handle = 0) {
  PrState& state = State();
  std::vector<EventRule> rules;
  for (const EventRule& rule : state.engine.config().cd.events) {
    if (call.IsNamed(rule.entryPoint) && rule.Matches(call.Number())) rules.push_back(rule);
  }
  for (const EventRule& rule : rules) {
    std::vector<std::pair<PRHandle, std::shared_ptr<PrCamera>>> targets;
    if (handle != 0) {
      if (auto camera = FindCamera(handle)) targets.emplace_back(handle, camera);
    } else {
      for (const auto& entry : state.cameras) targets.push_back(entry);
    }
    for (const auto& [target, camera] : targets) {
      DeliverEvent(camera, target, static_cast<std::uint16_t>(rule.id), 0, rule.data);
    }
  }
  return call.Return(kPROk);
}

// The first `refuse` rule of the entry point that matches the values.
std::optional<PRResult> Refusal(std::string_view entryPoint,
                                std::initializer_list<std::uint32_t> values) {
  for (const RefuseRule& rule : State().engine.config().cd.refusals) {
    if (rule.entryPoint == entryPoint && rule.Matches(values)) return rule.code;
  }
  return std::nullopt;
}

std::uint32_t ReadValue(const void* data, std::uint32_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < size && i < 4; ++i) value |= std::uint32_t{bytes[i]} << (8 * i);
  return value;
}

}  // namespace

Engine& PrEngine() {
  return State().engine;
}

}  // namespace simcam

using simcam::Call;

namespace {

// Traces an in/out size argument: the size the caller offers, or null.
void SizeArg(Call& call, const std::uint32_t* size) {
  if (size) {
    call.Arg(*size);
  } else {
    call.Arg(static_cast<const void*>(size));
  }
}

// A caller's buffer smaller than `needed` gets the size it needs and the insufficient-buffer
// result; nothing when the buffer is large enough.
std::optional<PRResult> TooSmall(Call& call, std::uint32_t* size, std::uint64_t needed) {
  if (*size >= needed) return std::nullopt;
  *size = static_cast<std::uint32_t>(needed);
  call.Out("needed", *size);
  return call.Return(kPRErrInsufficientBuffer);
}

}  // namespace

extern "C" PRResult SDKCALL PR_StartSDK() {
  simcam::PrEngine().ReloadConfig();
  Call call(simcam::PrEngine(), "PR_StartSDK");
  if (auto code = call.Injected()) return call.Return(*code);
  return simcam::Succeed(call);
}

extern "C" PRResult SDKCALL PR_FinishSDK() {
  Call call(simcam::PrEngine(), "PR_FinishSDK");
  if (auto code = call.Injected()) return call.Return(*code);
  return simcam::Succeed(call);
}

// Fills the caller's buffer with the count and one entry per camera, within the size the caller
// gives; on success the size comes back as the bytes written. Counted entries beyond the
// filled ones (pr_count_extra) are left as the buffer held them.
extern "C" PRResult SDKCALL PR_GetDeviceList(std::uint32_t* bufferSize, PRDeviceList* list) {
  simcam::Engine& engine = simcam::PrEngine();
  engine.ReloadConfig();
  Call call(engine, "PR_GetDeviceList");
  SizeArg(call, bufferSize);
  call.Arg(list);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!bufferSize || !list) return call.Return(kPRErrInvalidParameter);
  const simcam::Config& config = engine.config();
  const auto cameras = config.CamerasOf(simcam::Sdk::PR);
  const std::uint64_t needed =
      offsetof(PRDeviceList, Entries) + cameras.size() * std::uint64_t{kPRDeviceEntrySize};
  if (auto code = TooSmall(call, bufferSize, needed)) return *code;
  auto* bytes = reinterpret_cast<unsigned char*>(list);
  const std::uint32_t count = static_cast<std::uint32_t>(cameras.size()) + config.prCountExtra;
  std::memcpy(bytes + offsetof(PRDeviceList, Count), &count, sizeof count);
  for (std::size_t i = 0; i < cameras.size(); ++i) {
    PRDeviceEntry entry;
    std::memset(&entry, 0, sizeof entry);
    // The internal name is how the library finds the camera again when the entry comes back.
    simcam::FillNameField(entry.InternalName, std::size(entry.InternalName),
                          simcam::Join({"simcam:pr:", std::to_string(i)}), false);
    simcam::FillNameField(entry.Name, std::size(entry.Name), cameras[i].name,
                          config.unterminatedNames);
    // With unterminated names, what follows the name is not a zero either.
    entry.Reserved = config.unterminatedNames ? 0x00230023u : 0u;
    std::memcpy(bytes + offsetof(PRDeviceList, Entries) + i * kPRDeviceEntrySize, &entry,
                sizeof entry);
  }
  *bufferSize = static_cast<std::uint32_t>(needed);
  call.Out("count", count);
  return simcam::Succeed(call);
}

// Finds the camera by the internal name of the entry (`simcam:pr:<position>` among the
// `camera pr` lines in effect).
extern "C" PRResult SDKCALL PR_CreateCameraObject(const PRDeviceEntry* entry, PRHandle* camera) {
  auto& state = simcam::State();
  Call call(state.engine, "PR_CreateCameraObject");
  std::string internal;
  if (entry) {
    for (const std::uint16_t unit : entry->InternalName) {
      if (unit == 0) break;
      internal.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    call.Text(internal.c_str());
  } else {
    call.Arg(entry);
  }
  call.Arg(camera);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!entry || !camera) return call.Return(kPRErrInvalidParameter);
  const auto cameras = state.engine.config().CamerasOf(simcam::Sdk::PR);
  constexpr std::string_view kPrefix = "simcam:pr:";
  std::uint64_t index = 0;
  if (!internal.starts_with(kPrefix) ||
      !simcam::ParseNumber(std::string_view(internal).substr(kPrefix.size()), index) ||
      index >= cameras.size()) {
    return call.Return(kPRErrInvalidParameter);
  }
  auto created = std::make_shared<simcam::PrCamera>();
  created->name = cameras[index].name;
  for (const simcam::PropertySpec& property : simcam::kProperties) {
    created->values[property.code] = simcam::InitialValue(property);
  }
  const PRHandle handle = state.engine.NewHandle();
  state.cameras[handle] = created;
  *camera = handle;
  call.Out("camera", handle);
  return simcam::Succeed(call, handle);
}

extern "C" PRResult SDKCALL PR_ConnectCamera(PRHandle camera) {
  Call call(simcam::PrEngine(), "PR_ConnectCamera");
  call.Arg(camera);
  if (auto code = call.Injected()) return call.Return(*code);
  const auto found = simcam::FindCamera(camera);
  if (!found) return call.Return(kPRErrInvalidHandle);
  found->connected = true;
  return simcam::Succeed(call, camera);
}

extern "C" PRResult SDKCALL PR_SetEventCallBack(PRHandle camera, PRContext context,
                                                PREventCallback callback) {
  Call call(simcam::PrEngine(), "PR_SetEventCallBack");
  call.Arg(camera).Arg(context).Raw(callback ? "&" : "null");
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::PrCamera> found;
  if (auto code = simcam::NeedCamera(camera, found)) return call.Return(*code);
  found->callback = callback;
  found->context = context;
  return simcam::Succeed(call, camera);
}

extern "C" PRResult SDKCALL PR_GetDeviceInfo(PRHandle camera, std::uint32_t* bufferSize,
                                             void* buffer) {
  Call call(simcam::PrEngine(), "PR_GetDeviceInfo");
  call.Arg(camera);
  SizeArg(call, bufferSize);
  call.Arg(buffer);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::PrCamera> found;
  if (auto code = simcam::NeedCamera(camera, found)) return call.Return(*code);
  if (!bufferSize || !buffer) return call.Return(kPRErrInvalidParameter);
  const std::string info = simcam::DeviceInfo(found->name);
  if (auto code = TooSmall(call, bufferSize, info.size())) return *code;
  std::memcpy(buffer, info.data(), info.size());
  *bufferSize = static_cast<std::uint32_t>(info.size());
  call.Out("size", *bufferSize);
  return simcam::Succeed(call, camera);
}

extern "C" PRResult SDKCALL PR_GetDevicePropValue(PRHandle camera, std::uint16_t propCode,
                                                  std::uint32_t* bufferSize, void* buffer) {
  auto& state = simcam::State();
  Call call(state.engine, "PR_GetDevicePropValue");
  call.Arg(camera).Hex(propCode, 4);
  SizeArg(call, bufferSize);
  call.Arg(buffer);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::PrCamera> found;
  if (auto code = simcam::NeedCamera(camera, found)) return call.Return(*code);
  if (!bufferSize || !buffer) return call.Return(kPRErrInvalidParameter);
  const simcam::PropertySpec* property = simcam::FindProperty(propCode);
  if (!property) return call.Return(kPRErrDevicePropNotSupported);
  if (auto code = TooSmall(call, bufferSize, property->size)) return *code;
  if (propCode == kPRPropOwnerName) {
    // 4 bytes of text size, then the text; an owner of 256 characters or more fills the field
    // without a zero.
    const std::string& owner = state.engine.config().cd.owner;
    PROwnerNameValue value;
    std::memset(&value, 0, sizeof value);
    const std::size_t length = std::min(owner.size(), sizeof value.Text);
    std::memcpy(value.Text, owner.data(), length);
    value.TextSize = static_cast<std::uint32_t>(std::min(owner.size() + 1, sizeof value.Text));
    std::memcpy(buffer, &value, sizeof value);
    call.OutText("owner", owner);
  } else {
    const std::uint32_t value = found->values[propCode];
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (std::uint32_t i = 0; i < property->size; ++i) bytes[i] = (value >> (8 * i)) & 0xFF;
    call.OutHex("value", value, static_cast<int>(2 * property->size));
  }
  *bufferSize = property->size;
  call.Out("size", *bufferSize);
  return simcam::Succeed(call, camera);
}

extern "C" PRResult SDKCALL PR_SetDevicePropValue(PRHandle camera, std::uint16_t propCode,
                                                  std::uint32_t size, const void* value) {
  auto& state = simcam::State();
  Call call(state.engine, "PR_SetDevicePropValue");
  call.Arg(camera).Hex(propCode, 4).Arg(size);
  const bool small = value && size >= 1 && size <= 4;
  if (small) {
    call.Hex(simcam::ReadValue(value, size), static_cast<int>(2 * size));
  } else {
    call.Arg(value);
  }
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::PrCamera> found;
  if (auto code = simcam::NeedCamera(camera, found)) return call.Return(*code);
  if (!value) return call.Return(kPRErrInvalidParameter);
  const simcam::PropertySpec* property = simcam::FindProperty(propCode);
  if (!property) return call.Return(kPRErrDevicePropNotSupported);
  if (size != property->size) return call.Return(kPRErrInvalidParameter);
  const std::uint32_t sent = simcam::ReadValue(value, size);
  if (auto code = simcam::Refusal("PR_SetDevicePropValue", {propCode, sent})) {
    return call.Return(*code);
  }
  if (!property->writable) return call.Return(simcam::kPRErrAccessDenied);
  const simcam::Config& config = state.engine.config();
  if (const auto offered = config.pr.offered.find(propCode); offered != config.pr.offered.end()) {
    if (std::find(offered->second.begin(), offered->second.end(), sent) == offered->second.end()) {
      return call.Return(kPRErrInvalidDevicePropValue);
    }
  }
  if (propCode == kPRPropReleaseDestination && (sent == 0 || sent > 0xF)) {
    return call.Return(kPRErrInvalidDevicePropValue);
  }
  if (propCode == kPRPropZoomPosition && sent > config.cd.zoomMax) {
    return call.Return(kPRErrInvalidDevicePropValue);
  }
  found->values[propCode] = sent;
  return simcam::Succeed(call, camera);
}

// The PTP DevicePropDesc of the property: code, type, get/set, factory default, current value,
// form flag and form (an enumeration with `pr_values`, a range for the zoom, else none).
extern "C" PRResult SDKCALL PR_GetDevicePropDesc(PRHandle camera, std::uint16_t propCode,
                                                 std::uint32_t* bufferSize, void* buffer) {
  auto& state = simcam::State();
  Call call(state.engine, "PR_GetDevicePropDesc");
  call.Arg(camera).Hex(propCode, 4);
  SizeArg(call, bufferSize);
  call.Arg(buffer);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::PrCamera> found;
  if (auto code = simcam::NeedCamera(camera, found)) return call.Return(*code);
  if (!bufferSize || !buffer) return call.Return(kPRErrInvalidParameter);
  const simcam::PropertySpec* property = simcam::FindProperty(propCode);
  if (!property) return call.Return(kPRErrDevicePropNotSupported);
  if (property->size > 4) return call.Return(simcam::kPRErrParameterNotSupported);
  const simcam::Config& config = state.engine.config();
  simcam::Dataset data;
  data.U16(propCode);
  data.U16(property->size == 1   ? kPtpTypeUInt8
           : property->size == 2 ? kPtpTypeUInt16
                                 : kPtpTypeUInt32);
  data.U8(property->writable ? kPtpGetSet : kPtpGetOnly);
  data.Value(simcam::InitialValue(*property), property->size);
  data.Value(found->values[propCode], property->size);
  if (const auto offered = config.pr.offered.find(propCode); offered != config.pr.offered.end()) {
    data.U8(kPtpFormEnumeration);
    data.U16(static_cast<std::uint32_t>(offered->second.size()));
    for (const std::uint32_t v : offered->second) data.Value(v, property->size);
  } else if (propCode == kPRPropZoomPosition) {
    data.U8(kPtpFormRange);
    data.Value(0, property->size);
    data.Value(config.cd.zoomMax, property->size);
    data.Value(1, property->size);
  } else {
    data.U8(kPtpFormNone);
  }
  std::string& bytes = data.Bytes();
  if (const auto cut = config.pr.propDescCut; cut && *cut < bytes.size()) bytes.resize(*cut);
  if (auto code = TooSmall(call, bufferSize, bytes.size())) return *code;
  std::memcpy(buffer, bytes.data(), bytes.size());
  *bufferSize = static_cast<std::uint32_t>(bytes.size());
  call.Out("size", *bufferSize);
  return simcam::Succeed(call, camera);
}

extern "C" PRResult SDKCALL PR_InitiateReleaseControl(PRHandle camera) {
  Call call(simcam::PrEngine(), "PR_InitiateReleaseControl");
  call.Arg(camera);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::PrCamera> found;
  if (auto code = simcam::NeedCamera(camera, found)) return call.Return(*code);
  found->releaseControl = true;
  return simcam::Succeed(call, camera);
}

// Numbers the releases 1, 2, ... and announces, inside the call, each item that goes to the PC
// (release destination bits 0 and 1): the thumbnail with event 0xC009, then the picture with
// event 0xC008. With nothing for the PC, 0xC008 comes with object handle 0.
extern "C" PRResult SDKCALL PR_RC_Release(PRHandle camera) {
  auto& state = simcam::State();
  Call call(state.engine, "PR_RC_Release");
  call.Arg(camera);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::PrCamera> found;
  if (auto code = simcam::NeedCamera(camera, found, true)) return call.Return(*code);
  const std::uint32_t number = ++found->releases;
  const std::uint32_t destination = found->values[kPRPropReleaseDestination];
  std::uint32_t thumbnail = 0, picture = 0;
  if (destination & kPRReleaseThumbnailToPC) {
    thumbnail = state.nextObject++;
    found->objects[thumbnail] = {number, true};
  }
  if (destination & kPRReleasePictureToPC) {
    picture = state.nextObject++;
    found->objects[picture] = {number, false};
  }
  if (thumbnail != 0) {
    simcam::DeliverEvent(found, camera, kPREventReleaseData, thumbnail, kPRReleaseThumbnailToPC);
  }
  simcam::DeliverEvent(found, camera, kPREventReleaseComplete, picture,
                       picture != 0 ? kPRReleasePictureToPC : 0);
  call.Out("picture", number);
  return simcam::Succeed(call, camera);
}

// Hands the released object to the progress callback in chunks of `blockSize`; a last report
// of length 0 ends the transfer. The object is gone afterwards.
extern "C" PRResult SDKCALL PR_RC_GetReleasedData(PRHandle camera, std::uint32_t objectHandle,
                                                  std::uint16_t eventCode, std::uint32_t blockSize,
                                                  PRContext context, PRProgressCallback callback) {
  auto& state = simcam::State();
  Call call(state.engine, "PR_RC_GetReleasedData");
  call.Arg(camera).Arg(objectHandle).Hex(eventCode, 4).Arg(blockSize).Arg(context);
  call.Raw(callback ? "&" : "null");
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::PrCamera> found;
  if (auto code = simcam::NeedCamera(camera, found, true)) return call.Return(*code);
  if (!callback || blockSize == 0 ||
      (eventCode != kPREventReleaseComplete && eventCode != kPREventReleaseData)) {
    return call.Return(kPRErrInvalidParameter);
  }
  const auto object = found->objects.find(objectHandle);
  if (object == found->objects.end()) return call.Return(simcam::kPRErrInvalidObjectHandle);
  const simcam::ReleasedObject item = object->second;
  found->objects.erase(object);
  const simcam::Config& config = state.engine.config();
  const std::string bytes = simcam::MakePicture(
      item.number, item.thumbnail ? config.cd.thumbnailBytes : config.pictureBytes);
  const auto total = static_cast<std::uint32_t>(bytes.size());
  // A transfer cut short delivers its first bytes only, never the end, and still answers 0.
  const std::uint32_t delivered =
      config.pr.transferCut ? std::min(*config.pr.transferCut, total) : total;
  std::uint32_t done = 0;
  PRProgressRecord report;
  std::memset(&report, 0, sizeof report);
  report.TotalSize = total;
  while (done < delivered) {
    const std::uint32_t chunk = std::min(blockSize, delivered - done);
    report.Offset = done;
    report.Length = static_cast<std::int32_t>(chunk);
    report.Data = bytes.data() + done;
    done += chunk;
    report.PercentDone = static_cast<std::int32_t>(std::uint64_t{done} * 100 / total);
    callback(camera, 0, context, &report);
  }
  if (delivered < total) {
    call.Out("bytes", delivered).Out("picture", item.number);
    return simcam::Succeed(call, camera);
  }
  report.Offset = total;
  report.Length = 0;
  report.Data = nullptr;
  report.PercentDone = 100;
  callback(camera, 0, context, &report);
  call.Out("bytes", total).Out("picture", item.number);
  return simcam::Succeed(call, camera);
}

namespace {

PRResult FocusLock(const char* name, PRHandle camera, bool lock) {
  Call call(simcam::PrEngine(), name);
  call.Arg(camera);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::PrCamera> found;
  if (auto code = simcam::NeedCamera(camera, found, true)) return call.Return(*code);
  if (auto code = simcam::Refusal(name, {0})) return call.Return(*code);
  if (!simcam::HasOperation(kPROperationFocusLock)) {
    return call.Return(simcam::kPRErrOperationNotSupported);
  }
  found->focusLocked = lock;
  return simcam::Succeed(call, camera);
}

}  // namespace

extern "C" PRResult SDKCALL PR_RC_FocusLock(PRHandle camera) {
  return FocusLock("PR_RC_FocusLock", camera, true);
}

extern "C" PRResult SDKCALL PR_RC_FocusUnlock(PRHandle camera) {
  return FocusLock("PR_RC_FocusUnlock", camera, false);
}
