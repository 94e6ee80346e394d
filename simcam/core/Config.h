// The stand-in libraries' configuration: which cameras are attached, which calls fail, and the
// deliberate oddities that exercise a caller's handling of bad input. Read from the file that
// SIMCAM_CONFIG names; simcam/README.md is the directive reference.
#pragma once

#include <cstdint>
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

struct Config {
  std::vector<CameraSpec> cameras;  // in enumeration order
  std::vector<FailRule> fails;
  std::uint32_t pictureBytes = 50000;

  // Bad input on purpose.
  std::uint32_t cdCountExtra = 0;  // CDGetDeviceCount reports this many more cameras
  std::uint32_t prCountExtra = 0;  // PR_GetDeviceList's count exceeds the filled entries
  bool unterminatedNames = false;  // name fields filled to the end, without a zero

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
