// The simulated CD camera's state inside one process: open sources, their callbacks and
// settings, and the open enumerations. Shared by the CD library's entry-point files; every
// function here runs under the library's (recursive) lock, which each entry point's Call holds.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/CDSDK.h"
#include "simcam/core/CdSettings.h"
#include "simcam/core/Config.h"
#include "simcam/core/Engine.h"

namespace simcam {

// Codes of the simulated camera (see simcam/README.md).
constexpr CDResult kCDErrInvalidLength = 0x64;
constexpr CDResult kCDErrFileNotFound = 0x22;
constexpr CDResult kCDErrFileOpen = 0x23;
constexpr CDResult kCDErrFileWrite = 0x28;
constexpr CDResult kCDErrDeviceRefused = 0x86;
constexpr CDResult kCDErrInvalidCall = 0xF1;
constexpr CDResult kCDErrInvalidId = 0xF3;

// An open device enumeration: the cameras attached when it was reset.
struct DeviceEnumeration {
  std::vector<CameraSpec> cameras;
  std::size_t next = 0;
  std::uint32_t reportedCount = 0;  // what CDGetDeviceCount answers
};

// A list opened by a reset call: values of one setting, or device-property records.
struct ValueEnumeration {
  std::string family;  // the setting's name, "relcam" or "property": whose entry points take it
  std::vector<std::uint32_t> values;
  std::vector<CDDevicePropertyInfo> properties;
  std::size_t next = 0;
  std::uint32_t valueSize = 0;  // bytes of one value
};

struct DeviceCallback {
  CDHandle registration = 0;
  CDEventCallback callback = nullptr;
  CDContext context = 0;
};

// What a release left for CDGetReleasedData: a thumbnail or a picture of release `number`.
struct ReleasedItem {
  std::uint32_t kindBit = 0;
  std::uint32_t number = 0;
};

// One CDOpenSource: a camera with its own state.
struct Source {
  std::string cameraName;
  std::vector<DeviceCallback> deviceCallbacks;
  bool releaseControl = false;
  CDReleaseEventCallback releaseCallback = nullptr;
  CDContext releaseContext = 0;
  std::uint32_t releaseKind = kCDReleasePictureToPC;
  std::map<std::string, std::uint32_t, std::less<>> settings;  // current values by name
  std::uint32_t zoom = 0;
  bool focusLocked = false;
  std::uint32_t releases = 0;
  std::deque<ReleasedItem> released;
};

struct CdState {
  Engine engine{"CDSDK.DLL"};
  std::map<CDEnumHandle, DeviceEnumeration> deviceEnumerations;
  std::map<CDSourceHandle, std::shared_ptr<Source>> sources;
  std::map<CDEnumHandle, ValueEnumeration> enumerations;
};

CdState& State();

// The open source, or null.
std::shared_ptr<Source> FindSource(CDSourceHandle handle);

// The source of a call that needs release control; the code when there is no such source or it
// is not in release control.
std::optional<CDResult> NeedReleaseControl(CDSourceHandle handle, std::shared_ptr<Source>& source);

// The values the camera offers for the setting (configuration or defaults); no value: any.
std::optional<std::vector<std::uint32_t>> OfferedValues(const CdSetting& setting);

// The value a newly opened source starts with.
std::uint32_t InitialValue(const CdSetting& setting);

// The code of the first `refuse` rule of the entry point that matches the values.
std::optional<CDResult> Refusal(std::string_view entryPoint,
                                std::initializer_list<std::uint32_t> values);

// Whether the setting accepts the value: not refused by `refuse`, and offered. The code when
// not.
std::optional<CDResult> CheckValue(std::string_view entryPoint,
                                   std::initializer_list<std::uint32_t> callValues,
                                   const CdSetting& setting, std::uint32_t value);

// Delivers a release event to the source's release-event callback (when it has one).
void DeliverReleaseEvent(const std::shared_ptr<Source>& source, std::uint32_t id,
                         std::uint32_t data);

// Delivers the events that `event` and `release_event` rules attach to this call, to the
// callbacks of `source` (0: of every open source), and returns the call's success.
CDResult Succeed(Call& call, CDSourceHandle source = 0);

}  // namespace simcam
