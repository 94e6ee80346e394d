// The EOS SDK entry points that the stand-in implements. Objects (camera lists, cameras,
// directory items, file streams) are reference-counted: each holder owns one reference, and an
// object goes when its last one is released. A camera list holds one reference on each of its
// cameras, so a camera taken from a list stays valid after the list is released.
//
// A camera object simulates one EOS camera: its session, its three event handlers, its
// properties (see simcam/README.md, "The simulated EOS camera") and its pictures. A picture is
// taken inside EdsSendCommand and announced to the object-event handler inside that call, as a
// new directory item that the handler owns.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "simcam/core/Names.h"
#include "simcam/core/Picture.h"
#include "simcam/eos/EosLibrary.h"

namespace simcam {

namespace {

// Codes the EOS camera answers besides those of sdk/EDSDK.h.
constexpr EdsResult kEdsErrFileNotFound = 0x00000022;
constexpr EdsResult kEdsErrFileOpen = 0x00000023;
constexpr EdsResult kEdsErrFileWrite = 0x00000028;
constexpr EdsResult kEdsErrInvalidLength = 0x00000064;
constexpr EdsResult kEdsErrStreamIO = 0x000000A0;
constexpr EdsResult kEdsErrSessionNotOpen = 0x00002003;

constexpr std::size_t kChunkBytes = 16384;

struct EosObject {
  enum class Kind { CameraList, Camera, Item, Stream } kind = Kind::Camera;
  std::uint32_t references = 1;
  std::vector<EdsRef> children;  // camera list: its cameras

  // Camera.
  CameraSpec camera;             // what it is
  std::size_t position = 0;      // its position among the EOS cameras
  std::uint64_t generation = 0;  // the configuration it was made from
  bool session = false;
  EdsObjectEventHandler objectHandler = nullptr;
  std::uint32_t objectEvent = 0;
  void* objectContext = nullptr;
  EdsPropertyEventHandler propertyHandler = nullptr;
  std::uint32_t propertyEvent = 0;
  void* propertyContext = nullptr;
  EdsStateEventHandler stateHandler = nullptr;
  std::uint32_t stateEvent = 0;
  void* stateContext = nullptr;
  std::map<std::uint32_t, std::vector<std::uint8_t>> properties;
  std::map<std::size_t, std::uint64_t> refused;  // refusals made, by refuse rule
  std::uint32_t pictures = 0;

  // Directory item: one picture.
  std::uint32_t number = 0;
  std::string bytes;
  bool unreadable = false;  // `picture_file` could not be read
  bool downloaded = false;
  bool completed = false;

  // File stream.
  std::FILE* file = nullptr;
  EdsProgressCallback progress = nullptr;
  std::uint32_t progressOption = 0;
  void* progressContext = nullptr;
};

std::vector<std::uint8_t> WordBytes(const std::vector<std::uint32_t>& words) {
  std::vector<std::uint8_t> bytes;
  for (const std::uint32_t word : words) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
  }
  return bytes;
}

// The word at `index` of a property value (0 beyond its end).
std::uint32_t WordAt(const std::uint8_t* bytes, std::size_t size, std::size_t index) {
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < 4 && index * 4 + i < size; ++i) {
    word |= static_cast<std::uint32_t>(bytes[index * 4 + i]) << (8 * i);
  }
  return word;
}

// A value as the trace shows it: its words in hexadecimal, separated by commas.
std::string WordsText(const std::uint8_t* bytes, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i * 4 < size; ++i) {
    if (i > 0) text += ',';
    text += HexText(WordAt(bytes, size, i));
  }
  return text;
}

// The properties a new camera starts with: the built-in defaults, then the `property` lines.
std::map<std::uint32_t, std::vector<std::uint8_t>> InitialProperties(const Config& config) {
  std::map<std::uint32_t, std::vector<std::uint8_t>> properties = {
      {kEdsPropBatteryLevel, WordBytes({kEdsBatteryHigh})},
      {kEdsPropSaveTo, WordBytes({kEdsSaveToCamera})},
      {kEdsPropImageQuality, WordBytes({0x00, 1, 0x03, 0, 0, 0})},
      {kEdsPropWhiteBalance, WordBytes({0x00})},
      {kEdsPropColorTemperature, WordBytes({5200})},
      {kEdsPropWhiteBalanceShift, WordBytes({0, 0})},
      {kEdsPropColorSpace, WordBytes({0x01})},
      {kEdsPropPhotoEffect, WordBytes({0x00})},
      {kEdsPropPictureStyle,
       WordBytes({0, 3, 0, 0, kEdsUnsignedNotAvailable, kEdsUnsignedNotAvailable})},
      {kEdsPropShootingMode, WordBytes({0x03})},
      {kEdsPropDriveMode, WordBytes({0x00})},
      {kEdsPropISOSpeed, WordBytes({0x48})},
      {kEdsPropMeteringMode, WordBytes({0x03})},
      {kEdsPropAFMode, WordBytes({0x00})},
      {kEdsPropAv, WordBytes({0x20})},
      {kEdsPropTv, WordBytes({0x60})},
      {kEdsPropExposureComp, WordBytes({0x00})},
  };
  // The owner name: 256 bytes of zero-padded text, or the text alone when it is longer.
  std::vector<std::uint8_t> owner(config.cd.owner.begin(), config.cd.owner.end());
  owner.resize(std::max<std::size_t>(owner.size(), kEdsOwnerNameSize), 0);
  properties[kEdsPropOwnerName] = std::move(owner);
  for (const auto& [id, words] : config.eos.properties) properties[id] = WordBytes(words);
  return properties;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(rt::NativePath(path), std::ios::binary);
  if (!in) return false;
  std::stringstream text;
  text << in.rdbuf();
  bytes = text.str();
  return true;
}

struct EosState {
  Engine engine{"EDSDK.DLL"};
  std::map<EdsRef, EosObject> objects;

  EosObject* Find(EdsRef ref, EosObject::Kind kind) {
    const auto found = objects.find(ref);
    return found == objects.end() || found->second.kind != kind ? nullptr : &found->second;
  }
  EosObject* Find(EdsRef ref) {
    const auto found = objects.find(ref);
    return found == objects.end() ? nullptr : &found->second;
  }

  // The live camera object for the camera at `position`, with one more reference, or a new one
  // when there is none made from the configuration in effect.
  EdsRef TakeCamera(const CameraSpec& camera, std::size_t position) {
    for (auto& [ref, object] : objects) {
      if (object.kind == EosObject::Kind::Camera && object.position == position &&
          object.camera.name == camera.name && object.generation == engine.Generation()) {
        ++object.references;
        return ref;
      }
    }
    const EdsRef ref = engine.NewHandle();
    EosObject& object = objects[ref];
    object.camera = camera;
    object.position = position;
    object.generation = engine.Generation();
    object.properties = InitialProperties(engine.config());
    return ref;
  }

  // A new directory item: the camera's next picture, one reference (the receiver's).
  EdsRef NewItem(EosObject& camera) {
    const Config& config = engine.config();
    const EdsRef ref = engine.NewHandle();
    const std::uint32_t number = ++camera.pictures;
    EosObject& item = objects[ref];
    item.kind = EosObject::Kind::Item;
    item.number = number;
    if (!config.cd.pictureFile.empty()) {
      item.unreadable = !ReadWholeFile(config.cd.pictureFile, item.bytes);
    } else {
      item.bytes = MakePicture(number, config.pictureBytes);
    }
    return ref;
  }

  void Release(EdsRef ref) {
    EosObject* object = Find(ref);
    if (!object || --object->references > 0) return;
    const std::vector<EdsRef> children = std::move(object->children);
    if (object->file) std::fclose(object->file);
    objects.erase(ref);
    for (const EdsRef child : children) Release(child);
  }

  // Announces an object event to the camera's object handler; the handler owns `item`. An
  // event that no handler takes drops the item.
  void AnnounceObject(EdsRef cameraRef, std::uint32_t event, EdsRef item) {
    EosObject* camera = Find(cameraRef, EosObject::Kind::Camera);
    if (!camera || !camera->objectHandler ||
        (camera->objectEvent != kEdsObjectEventAll && camera->objectEvent != event)) {
      Release(item);
      return;
    }
    (void)camera->objectHandler(event, item, camera->objectContext);
  }

  // The `event` rules on this call, after its own work, in file order.
  void FireEvents(const Call& call, EdsRef cameraRef) {
    const std::vector<EventRule> rules = engine.config().cd.events;
    for (const EventRule& rule : rules) {
      if (!call.IsNamed(rule.entryPoint) || !rule.Matches(call.Number())) continue;
      EosObject* camera = Find(cameraRef, EosObject::Kind::Camera);
      if (!camera) return;
      const std::uint32_t kind = rule.id & 0xF00;
      if (kind == kEdsObjectEventAll) {
        AnnounceObject(cameraRef, rule.id, NewItem(*camera));
      } else if (kind == kEdsPropertyEventAll && camera->propertyHandler &&
                 (camera->propertyEvent == kind || camera->propertyEvent == rule.id)) {
        (void)camera->propertyHandler(rule.id, rule.data, 0, camera->propertyContext);
      } else if (kind == kEdsStateEventAll && camera->stateHandler &&
                 (camera->stateEvent == kind || camera->stateEvent == rule.id)) {
        (void)camera->stateHandler(rule.id, rule.data, camera->stateContext);
      }
    }
  }

  // The code of the first `refuse` rule of `entryPoint` that takes this call, counting the
  // refusals of rules with `times=`.
  std::optional<std::uint32_t> Refusal(EosObject& camera, std::string_view entryPoint,
                                       std::uint32_t id, std::uint32_t value) {
    const std::vector<RefuseRule>& rules = engine.config().cd.refusals;
    for (std::size_t i = 0; i < rules.size(); ++i) {
      const RefuseRule& rule = rules[i];
      if (rule.entryPoint != entryPoint || !rule.Matches({id, value})) continue;
      std::uint64_t& made = camera.refused[i];
      if (rule.times != 0 && made >= rule.times) continue;
      ++made;
      return rule.code;
    }
    return std::nullopt;
  }
};

EosState& State() {
  static EosState state;
  return state;
}

}  // namespace

Engine& EosEngine() {
  return State().engine;
}

}  // namespace simcam

using simcam::Call;
using simcam::EosObject;

extern "C" EdsResult SDKCALL EdsInitializeSDK() {
  simcam::EosEngine().ReloadConfig();
  Call call(simcam::EosEngine(), "EdsInitializeSDK");
  if (auto code = call.Injected()) return call.Return(*code);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsTerminateSDK() {
  Call call(simcam::EosEngine(), "EdsTerminateSDK");
  if (auto code = call.Injected()) return call.Return(*code);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsRetain(EdsRef ref) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsRetain");
  call.Arg(ref);
  if (auto code = call.Injected()) return call.Return(*code);
  EosObject* object = state.Find(ref);
  if (!object) return call.Return(kEdsErrInvalidHandle);
  ++object->references;
  call.Out("references", object->references);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsRelease(EdsRef ref) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsRelease");
  call.Arg(ref);
  if (auto code = call.Injected()) return call.Return(*code);
  EosObject* object = state.Find(ref);
  if (!object) return call.Return(kEdsErrInvalidHandle);
  call.Out("references", object->references - 1);
  state.Release(ref);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsGetCameraList(EdsRef* cameraList) {
  auto& state = simcam::State();
  state.engine.ReloadConfig();
  Call call(state.engine, "EdsGetCameraList");
  call.Arg(cameraList);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!cameraList) return call.Return(kEdsErrInvalidParameter);
  const auto cameras = state.engine.config().CamerasOf(simcam::Sdk::EOS);
  std::vector<EdsRef> children;
  for (std::size_t i = 0; i < cameras.size(); ++i) {
    children.push_back(state.TakeCamera(cameras[i], i));
  }
  const EdsRef ref = state.engine.NewHandle();
  EosObject& list = state.objects[ref];
  list.kind = EosObject::Kind::CameraList;
  list.children = std::move(children);
  *cameraList = ref;
  call.Out("list", ref);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsGetChildCount(EdsRef parent, std::uint32_t* count) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsGetChildCount");
  call.Arg(parent).Arg(count);
  if (auto code = call.Injected()) return call.Return(*code);
  const EosObject* object = state.Find(parent);
  if (!object) return call.Return(kEdsErrInvalidHandle);
  if (!count) return call.Return(kEdsErrInvalidParameter);
  *count = static_cast<std::uint32_t>(object->children.size());
  call.Out("count", *count);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsGetChildAtIndex(EdsRef parent, std::int32_t index, EdsRef* child) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsGetChildAtIndex");
  call.Arg(parent).Arg(index).Arg(child);
  if (auto code = call.Injected()) return call.Return(*code);
  const EosObject* object = state.Find(parent);
  if (!object) return call.Return(kEdsErrInvalidHandle);
  if (!child) return call.Return(kEdsErrInvalidParameter);
  if (index < 0 || static_cast<std::size_t>(index) >= object->children.size()) {
    return call.Return(kEdsErrInvalidIndex);
  }
  const EdsRef ref = object->children[static_cast<std::size_t>(index)];
  ++state.Find(ref)->references;  // the caller's reference
  *child = ref;
  call.Out("child", ref);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsGetDeviceInfo(EdsRef camera, EdsDeviceInfo* info) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsGetDeviceInfo");
  call.Arg(camera).Arg(info);
  if (auto code = call.Injected()) return call.Return(*code);
  const EosObject* object = state.Find(camera, EosObject::Kind::Camera);
  if (!object) return call.Return(kEdsErrInvalidHandle);
  if (!info) return call.Return(kEdsErrInvalidParameter);
  const bool unterminated = state.engine.config().unterminatedNames;
  EdsDeviceInfo result;
  std::memset(&result, 0, sizeof result);
  simcam::FillNameField(result.PortName, sizeof result.PortName,
                        simcam::Join({"simcam:eos:", std::to_string(object->position)}), false);
  simcam::FillNameField(result.Description, sizeof result.Description, object->camera.name,
                        unterminated);
  // With unterminated names, what follows the description is not a zero either.
  result.DeviceSubType = unterminated ? 0x23232323u : 1u;
  std::memcpy(info, &result, sizeof result);
  call.OutText("description", object->camera.name);
  return call.Return(kEdsOk);
}

// ---- Session and event handlers ----

extern "C" EdsResult SDKCALL EdsOpenSession(EdsRef camera) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsOpenSession");
  call.Arg(camera);
  if (auto code = call.Injected()) return call.Return(*code);
  EosObject* object = state.Find(camera, EosObject::Kind::Camera);
  if (!object) return call.Return(kEdsErrInvalidHandle);
  object->session = true;
  state.FireEvents(call, camera);
  return call.Return(kEdsOk);
}

namespace simcam {
namespace {

// Registers (or with a null handler, removes) one of the camera's three handlers. `all` is the
// selector of the handler's kind (0x100, 0x200, 0x300); a single event of that kind selects
// only that event.
template <typename Handler>
EdsResult SetHandler(const char* name, EdsRef camera, std::uint32_t event, Handler handler,
                     void* context, std::uint32_t all,
                     void (*store)(EosObject&, Handler, std::uint32_t, void*)) {
  auto& state = State();
  Call call(state.engine, name);
  call.Arg(camera).Hex(event, 3).Arg(reinterpret_cast<const void*>(handler)).Arg(context);
  if (auto code = call.Injected()) return call.Return(*code);
  EosObject* object = state.Find(camera, EosObject::Kind::Camera);
  if (!object) return call.Return(kEdsErrInvalidHandle);
  if ((event & 0xF00) != all) return call.Return(kEdsErrInvalidParameter);
  store(*object, handler, event, context);
  state.FireEvents(call, camera);
  return call.Return(kEdsOk);
}

}  // namespace
}  // namespace simcam

extern "C" EdsResult SDKCALL EdsSetObjectEventHandler(EdsRef camera, std::uint32_t event,
                                                      EdsObjectEventHandler handler,
                                                      void* context) {
  return simcam::SetHandler<EdsObjectEventHandler>(
      "EdsSetObjectEventHandler", camera, event, handler, context, kEdsObjectEventAll,
      [](EosObject& o, EdsObjectEventHandler h, std::uint32_t e, void* c) {
        o.objectHandler = h, o.objectEvent = e, o.objectContext = c;
      });
}

extern "C" EdsResult SDKCALL EdsSetPropertyEventHandler(EdsRef camera, std::uint32_t event,
                                                        EdsPropertyEventHandler handler,
                                                        void* context) {
  return simcam::SetHandler<EdsPropertyEventHandler>(
      "EdsSetPropertyEventHandler", camera, event, handler, context, kEdsPropertyEventAll,
      [](EosObject& o, EdsPropertyEventHandler h, std::uint32_t e, void* c) {
        o.propertyHandler = h, o.propertyEvent = e, o.propertyContext = c;
      });
}

extern "C" EdsResult SDKCALL EdsSetCameraStateEventHandler(EdsRef camera, std::uint32_t event,
                                                           EdsStateEventHandler handler,
                                                           void* context) {
  return simcam::SetHandler<EdsStateEventHandler>(
      "EdsSetCameraStateEventHandler", camera, event, handler, context, kEdsStateEventAll,
      [](EosObject& o, EdsStateEventHandler h, std::uint32_t e, void* c) {
        o.stateHandler = h, o.stateEvent = e, o.stateContext = c;
      });
}

// ---- Properties ----

namespace simcam {
namespace {

// The camera in session and its property `id`, or the code that refuses the call.
EdsResult PropertyOf(EosState& state, EdsRef camera, std::uint32_t id, std::int32_t param,
                     EosObject*& object, std::vector<std::uint8_t>*& value) {
  object = state.Find(camera, EosObject::Kind::Camera);
  if (!object) return kEdsErrInvalidHandle;
  if (!object->session) return kEdsErrSessionNotOpen;
  if (param != 0) return kEdsErrInvalidParameter;
  const auto found = object->properties.find(id);
  if (found == object->properties.end()) return kEdsErrPropertiesUnavailable;
  value = &found->second;
  return kEdsOk;
}

}  // namespace
}  // namespace simcam

extern "C" EdsResult SDKCALL EdsGetPropertyData(EdsRef ref, std::uint32_t propertyId,
                                                std::int32_t param, std::uint32_t size,
                                                void* data) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsGetPropertyData");
  call.Arg(ref).Hex(propertyId).Arg(param).Arg(size).Arg(data);
  if (auto code = call.Injected()) return call.Return(*code);
  EosObject* camera = nullptr;
  std::vector<std::uint8_t>* value = nullptr;
  if (EdsResult code = simcam::PropertyOf(state, ref, propertyId, param, camera, value)) {
    return call.Return(code);
  }
  if (!data) return call.Return(kEdsErrInvalidParameter);
  if (auto code = state.Refusal(*camera, "EdsGetPropertyData", propertyId, 0)) {
    return call.Return(*code);
  }
  // The caller's buffer must have the property's size: a larger value is not cut, a smaller one
  // not padded; the call is refused.
  if (size != value->size()) return call.Return(simcam::kEdsErrInvalidLength);
  std::memcpy(data, value->data(), value->size());
  if (propertyId == kEdsPropOwnerName) {
    const auto zero = std::find(value->begin(), value->end(), 0);
    call.OutText("owner", std::string(value->begin(), zero));
  } else {
    call.OutRaw("value", simcam::WordsText(value->data(), value->size()));
  }
  state.FireEvents(call, ref);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsSetPropertyData(EdsRef ref, std::uint32_t propertyId,
                                                std::int32_t param, std::uint32_t size,
                                                const void* data) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsSetPropertyData");
  call.Arg(ref).Hex(propertyId).Arg(param).Arg(size);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  call.Raw(bytes ? simcam::WordsText(bytes, size) : "null");
  if (auto code = call.Injected()) return call.Return(*code);
  EosObject* camera = nullptr;
  std::vector<std::uint8_t>* value = nullptr;
  if (EdsResult code = simcam::PropertyOf(state, ref, propertyId, param, camera, value)) {
    return call.Return(code);
  }
  if (!bytes) return call.Return(kEdsErrInvalidParameter);
  if (size != value->size()) return call.Return(simcam::kEdsErrInvalidLength);
  if (auto code = state.Refusal(*camera, "EdsSetPropertyData", propertyId,
                                simcam::WordAt(bytes, size, 0))) {
    return call.Return(*code);
  }
  value->assign(bytes, bytes + size);
  // The camera's RAW picture has one size: a RAW first image is kept with size code 0x00,
  // whatever size came with it.
  if (propertyId == kEdsPropImageQuality && simcam::WordAt(value->data(), value->size(), 1) ==
                                                static_cast<std::uint32_t>(kEdsImageKindRaw)) {
    std::fill(value->begin(), value->begin() + 4, std::uint8_t{0});
  }
  state.FireEvents(call, ref);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsGetPropertyDesc(EdsRef ref, std::uint32_t propertyId,
                                                EdsPropertyDesc* desc) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsGetPropertyDesc");
  call.Arg(ref).Hex(propertyId).Arg(desc);
  if (auto code = call.Injected()) return call.Return(*code);
  EosObject* camera = nullptr;
  std::vector<std::uint8_t>* value = nullptr;
  if (EdsResult code = simcam::PropertyOf(state, ref, propertyId, 0, camera, value)) {
    return call.Return(code);
  }
  if (!desc) return call.Return(kEdsErrInvalidParameter);
  const auto& lists = state.engine.config().eos.values;
  const auto found = lists.find(propertyId);
  const std::vector<std::uint32_t> values =
      found == lists.end() ? std::vector<std::uint32_t>{} : found->second;
  // The count tells the whole list, also when the record holds only its first values.
  EdsPropertyDesc result;
  std::memset(&result, 0, sizeof result);
  result.Access = 1;
  result.NumElements = static_cast<std::int32_t>(values.size());
  for (std::size_t i = 0; i < values.size() && i < kEdsMaxPropertyDescValues; ++i) {
    result.Elements[i] = static_cast<std::int32_t>(values[i]);
  }
  std::memcpy(desc, &result, sizeof result);
  call.Out("count", values.size());
  state.FireEvents(call, ref);
  return call.Return(kEdsOk);
}

// ---- Commands ----

extern "C" EdsResult SDKCALL EdsSendCommand(EdsRef camera, std::uint32_t command,
                                            std::int32_t param) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsSendCommand");
  call.Arg(camera).Arg(command).Arg(param);
  if (auto code = call.Injected()) return call.Return(*code);
  EosObject* object = state.Find(camera, EosObject::Kind::Camera);
  if (!object) return call.Return(kEdsErrInvalidHandle);
  if (!object->session) return call.Return(simcam::kEdsErrSessionNotOpen);
  if (command == kEdsCommandTakePicture) {
    const EdsRef item = state.NewItem(*object);
    call.Out("item", item).Out("picture", object->pictures);
    state.AnnounceObject(camera, kEdsObjectEventTransferRequest, item);
  } else if (command != kEdsCommandExtendShutdownTimer) {
    return call.Return(kEdsErrInvalidParameter);
  }
  state.FireEvents(call, camera);
  return call.Return(kEdsOk);
}

// ---- Transfer ----

extern "C" EdsResult SDKCALL EdsGetDirectoryItemInfo(EdsRef item, EdsDirectoryItemInfo* info) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsGetDirectoryItemInfo");
  call.Arg(item).Arg(info);
  if (auto code = call.Injected()) return call.Return(*code);
  const EosObject* object = state.Find(item, EosObject::Kind::Item);
  if (!object) return call.Return(kEdsErrInvalidHandle);
  if (!info) return call.Return(kEdsErrInvalidParameter);
  EdsDirectoryItemInfo result;
  std::memset(&result, 0, sizeof result);
  result.Size = static_cast<std::uint32_t>(object->bytes.size());
  result.Format = 1;
  std::snprintf(result.FileName, sizeof result.FileName, "IMG_%04u.JPG",
                static_cast<unsigned>(object->number % 10000));
  std::memcpy(info, &result, sizeof result);
  call.Out("size", result.Size);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsCreateFileStream(const char* fileName, std::uint32_t disposition,
                                                 std::uint32_t access, EdsRef* stream) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsCreateFileStream");
  call.Text(fileName).Arg(disposition).Arg(access).Arg(stream);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!fileName || !stream || disposition != kEdsFileCreateAlways || access != kEdsAccessWrite ||
      std::strlen(fileName) > kEdsMaxFileNameLength) {
    return call.Return(kEdsErrInvalidParameter);
  }
  std::FILE* file = std::fopen(rt::NativePath(fileName).c_str(), "wb");
  if (!file) return call.Return(simcam::kEdsErrFileOpen);
  const EdsRef ref = state.engine.NewHandle();
  EosObject& object = state.objects[ref];
  object.kind = EosObject::Kind::Stream;
  object.file = file;
  *stream = ref;
  call.Out("stream", ref);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsSetProgressCallback(EdsRef ref, EdsProgressCallback callback,
                                                    std::uint32_t option, void* context) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsSetProgressCallback");
  call.Arg(ref).Arg(reinterpret_cast<const void*>(callback)).Arg(option).Arg(context);
  if (auto code = call.Injected()) return call.Return(*code);
  EosObject* object = state.Find(ref, EosObject::Kind::Stream);
  if (!object) return call.Return(kEdsErrInvalidHandle);
  if (option > kEdsProgressPeriodically) return call.Return(kEdsErrInvalidParameter);
  object->progress = callback;
  object->progressOption = option;
  object->progressContext = context;
  return call.Return(kEdsOk);
}

namespace simcam {
namespace {

// Writes `bytes` to the stream in chunks, reporting progress to the stream's callback after
// each chunk (option 2) or once at the end (option 1). The callback may call the library; a
// stream released meanwhile ends the transfer with a stream error.
EdsResult WriteToStream(EosState& state, EdsRef stream, const std::string& bytes, bool report) {
  std::size_t done = 0;
  do {
    EosObject* object = state.Find(stream, EosObject::Kind::Stream);
    if (!object) return kEdsErrStreamIO;
    const std::size_t chunk = std::min(kChunkBytes, bytes.size() - done);
    if (std::fwrite(bytes.data() + done, 1, chunk, object->file) != chunk) return kEdsErrFileWrite;
    done += chunk;
    const auto percent =
        bytes.empty() ? 100u : static_cast<std::uint32_t>(done * 100 / bytes.size());
    const bool last = done == bytes.size();
    if (report && object->progress &&
        (object->progressOption == kEdsProgressPeriodically ||
         (object->progressOption == 1 && last))) {
      (void)object->progress(percent, object->progressContext, nullptr);
    }
  } while (done < bytes.size());
  EosObject* object = state.Find(stream, EosObject::Kind::Stream);
  if (!object) return kEdsErrStreamIO;
  return std::fflush(object->file) == 0 ? kEdsOk : kEdsErrFileWrite;
}

}  // namespace
}  // namespace simcam

extern "C" EdsResult SDKCALL EdsDownload(EdsRef item, std::uint32_t size, EdsRef stream) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsDownload");
  call.Arg(item).Arg(size).Arg(stream);
  if (auto code = call.Injected()) return call.Return(*code);
  EosObject* object = state.Find(item, EosObject::Kind::Item);
  if (!object || !state.Find(stream, EosObject::Kind::Stream)) {
    return call.Return(kEdsErrInvalidHandle);
  }
  if (object->unreadable) return call.Return(simcam::kEdsErrFileNotFound);
  if (size != object->bytes.size()) return call.Return(kEdsErrInvalidParameter);
  const std::string bytes = object->bytes;
  const std::uint32_t number = object->number;
  if (EdsResult code = simcam::WriteToStream(state, stream, bytes, true)) return call.Return(code);
  if (EosObject* again = state.Find(item, EosObject::Kind::Item)) again->downloaded = true;
  call.Out("bytes", bytes.size()).Out("picture", number);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsDownloadThumbnail(EdsRef item, EdsRef stream) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsDownloadThumbnail");
  call.Arg(item).Arg(stream);
  if (auto code = call.Injected()) return call.Return(*code);
  const EosObject* object = state.Find(item, EosObject::Kind::Item);
  if (!object || !state.Find(stream, EosObject::Kind::Stream)) {
    return call.Return(kEdsErrInvalidHandle);
  }
  const std::uint32_t number = object->number;
  const std::string bytes = simcam::MakePicture(number, state.engine.config().cd.thumbnailBytes);
  if (EdsResult code = simcam::WriteToStream(state, stream, bytes, false)) {
    return call.Return(code);
  }
  call.Out("bytes", bytes.size()).Out("picture", number);
  return call.Return(kEdsOk);
}

extern "C" EdsResult SDKCALL EdsDownloadComplete(EdsRef item) {
  auto& state = simcam::State();
  Call call(state.engine, "EdsDownloadComplete");
  call.Arg(item);
  if (auto code = call.Injected()) return call.Return(*code);
  EosObject* object = state.Find(item, EosObject::Kind::Item);
  if (!object) return call.Return(kEdsErrInvalidHandle);
  object->completed = true;
  return call.Return(kEdsOk);
}
