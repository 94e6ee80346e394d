// The stand-in libraries' configuration: which cameras are attached, which calls fail, and the
// deliberate oddities that exercise a caller's handling of bad input. Read from the file that
// SIMCAM_CONFIG names; simcam/README.md is the directive reference.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace simcam {

enum class Sdk { CD, PR, EOS };

struct CameraSpec {
  Sdk sdk = Sdk::CD;
  std::string name;  // UTF-8, as written in the configuration
};

// `fail ENTRYPOINT CODE [from=N] [count=M]`: calls from..from+count-1 of the entry point
// (1-based; count 0 = every later call) return `code` and do nothing else.
struct FailRule {
  std::string entryPoint;  // export name or C++ identifier
  std::uint32_t code = 0;
  std::uint64_t from = 1;
  std::uint64_t count = 0;

  bool Matches(std::uint64_t callNumber) const {
    return callNumber >= from && (count == 0 || callNumber - from < count);
  }
};

// `refuse ENTRYPOINT VALUE [code=C]`: a set call whose values match answers `code`. One part per
// value of the call; an empty part (`*`) or a missing one at the end matches anything.
struct RefuseRule {
  std::string entryPoint;
  std::vector<std::optional<std::uint32_t>> parts;
  std::uint32_t code = 0x86;
  std::uint64_t times = 0;  // EOS camera, `times=N`: only the first N matching calls; 0 = all

  bool Matches(std::initializer_list<std::uint32_t> values) const;
};

// `event` / `release_event ENTRYPOINT ID [DATA] [from=N] [count=M]`: the covered calls deliver
// an event to the device-event (or release-event) callbacks.
struct EventRule {
  std::string entryPoint;
  bool release = false;
  std::uint32_t id = 0;
  std::uint32_t data = 0;
  std::uint64_t from = 1;
  std::uint64_t count = 0;

  bool Matches(std::uint64_t callNumber) const {
    return callNumber >= from && (count == 0 || callNumber - from < count);
  }
};

// What `setting NAME CODE` and `values NAME ...` change of a CD setting's defaults.
struct SettingOverride {
  std::optional<std::uint32_t> initial;
  bool valuesGiven = false;
  std::optional<std::vector<std::uint32_t>> values;  // no value: `any`
};

// The simulated CD camera's description (every `camera cd` shares it).
struct CdCameraConfig {
  std::string owner = "Simcam Owner";
  std::string model;  // `cd_model TEXT`: the model name of every record; empty: the camera's name
  std::uint32_t power = 0x10000006;
  std::uint32_t faculty = 0x13;
  std::uint32_t zoomMax = 24;
  std::uint32_t zoomOptical = 8;
  std::uint32_t zoomPosition = 0;
  std::uint32_t thumbnailBytes = 4096;
  std::string pictureFile;                  // empty: generated pictures
  std::optional<std::uint32_t> writeLimit;  // `cd_write_limit N`
  bool dropFailed = false;                  // `cd_drop_failed`: a failed transfer gives its item up
  std::map<std::string, SettingOverride, std::less<>> settings;  // by setting name
  std::vector<RefuseRule> refusals;
  std::vector<EventRule> events;
};

// PowerShot camera: the simulated PowerShot-library camera's own description (every `camera pr`
// shares it). The owner, zoom range, refusals, events and picture sizes come from the shared
// directives (`owner`, `zoom`, `refuse`, `event`, `picture_bytes`, `thumbnail_bytes`).
struct PrCameraConfig {
  std::map<std::uint32_t, std::uint32_t> values;                // `pr_value PROP VALUE`
  std::map<std::uint32_t, std::vector<std::uint32_t>> offered;  // `pr_values PROP CODE ...`
  std::vector<std::uint32_t> without;                           // `pr_without CODE ...`
  std::optional<std::uint32_t> deviceInfoCut;                   // `pr_cut device_info N`
  std::optional<std::uint32_t> propDescCut;                     // `pr_cut prop_desc N`
  std::optional<std::uint32_t> transferCut;                     // `pr_cut transfer N`
};

// ---- EOS camera ----
// The simulated EOS camera's description (every `camera eos` shares it): property values as
// 32-bit words (`property ID WORD...`) and the value lists of EdsGetPropertyDesc
// (`property_values ID VALUE...`), over the built-in defaults.
struct EosCameraConfig {
  std::map<std::uint32_t, std::vector<std::uint32_t>> properties;
  std::map<std::uint32_t, std::vector<std::uint32_t>> values;
};
// ---- end EOS camera ----

struct Config {
  std::vector<CameraSpec> cameras;  // in enumeration order
  std::vector<FailRule> fails;
  std::uint32_t pictureBytes = 50000;

  // Bad input on purpose.
  std::uint32_t cdCountExtra = 0;  // CDGetDeviceCount reports this many more cameras
  std::uint32_t prCountExtra = 0;  // PR_GetDeviceList's count exceeds the filled entries
  bool unterminatedNames = false;  // name fields filled to the end, without a zero

  CdCameraConfig cd;
  EosCameraConfig eos;  // EOS camera
  PrCameraConfig pr;

  std::vector<CameraSpec> CamerasOf(Sdk sdk) const;
};

// The configuration in effect without SIMCAM_CONFIG: one camera per SDK.
Config DefaultConfig();

// Parses the directives of a configuration file. Problems (unknown directives, bad numbers,
// missing arguments) skip the line and are described in `problems`, one text per line.
Config ParseConfig(std::string_view text, std::vector<std::string>& problems);

// Parses a number: decimal, or hexadecimal after 0x/0X. False on anything else or overflow.
bool ParseNumber(std::string_view text, std::uint64_t& value);

}  // namespace simcam
