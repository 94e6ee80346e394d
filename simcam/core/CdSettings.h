// The shooting settings of the simulated CD camera: their names in the configuration, how the
// library stores them and the values the camera offers unless the configuration says otherwise.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace simcam {

struct CdSetting {
  std::string_view name;       // as in `setting NAME` and `values NAME`
  std::uint32_t relCamId = 0;  // release-setting ID; 0 for the settings with entry points
  std::uint32_t size = 2;      // bytes of one value
  bool pair = false;           // two 16-bit values, kept as PackPair(first, second)
  std::uint32_t initial = 0;   // the value a newly opened source starts with
  std::optional<std::vector<std::uint32_t>> values;  // offered values; no value: any
};

// Two 16-bit values (image quality and size) as one.
constexpr std::uint32_t PackPair(std::uint32_t first, std::uint32_t second) {
  return (first << 16) | (second & 0xFFFF);
}

// Every setting, with its default values.
const std::vector<CdSetting>& CdSettings();

// The setting by name or by release-setting ID; null when there is none.
const CdSetting* FindCdSetting(std::string_view name);
const CdSetting* FindCdRelCamSetting(std::uint32_t id);

}  // namespace simcam
