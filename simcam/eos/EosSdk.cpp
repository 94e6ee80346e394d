// The EOS SDK entry points that the stand-in implements. Objects (camera lists, cameras) are
// reference-counted: each holder owns one reference, and an object goes when its last one is
// released. A camera list holds one reference on each of its cameras, so a camera taken from a
// list stays valid after the list is released.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "simcam/core/Names.h"
#include "simcam/eos/EosLibrary.h"

namespace simcam {

namespace {

struct EosObject {
  enum class Kind { CameraList, Camera } kind = Kind::Camera;
  std::uint32_t references = 1;
  std::vector<EdsRef> children;  // camera list: its cameras
  CameraSpec camera;             // camera: what it is
  std::size_t position = 0;      // camera: its position among the EOS cameras
};

struct EosState {
  Engine engine{"EDSDK.DLL"};
  std::map<EdsRef, EosObject> objects;

  EosObject* Find(EdsRef ref) {
    const auto found = objects.find(ref);
    return found == objects.end() ? nullptr : &found->second;
  }

  // The live camera object for the camera at `position`, with one more reference, or a new one.
  EdsRef TakeCamera(const CameraSpec& camera, std::size_t position) {
    for (auto& [ref, object] : objects) {
      if (object.kind == EosObject::Kind::Camera && object.position == position &&
          object.camera.name == camera.name) {
        ++object.references;
        return ref;
      }
    }
    const EdsRef ref = engine.NewHandle();
    EosObject& object = objects[ref];
    object.camera = camera;
    object.position = position;
    return ref;
  }

  void Release(EdsRef ref) {
    EosObject* object = Find(ref);
    if (!object || --object->references > 0) return;
    const std::vector<EdsRef> children = std::move(object->children);
    objects.erase(ref);
    for (const EdsRef child : children) Release(child);
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
  const EosObject* object = state.Find(camera);
  if (!object || object->kind != EosObject::Kind::Camera) return call.Return(kEdsErrInvalidHandle);
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
