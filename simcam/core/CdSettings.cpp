#include "simcam/core/CdSettings.h"

namespace simcam {

namespace {

// Codes from `first` to `last` in third steps: runs of three (+0, +3, +5), each 8 above the
// one before.
std::vector<std::uint32_t> ThirdSteps(std::uint32_t first, std::uint32_t last) {
  std::vector<std::uint32_t> codes;
  for (std::uint32_t k = 0;; ++k) {
    static constexpr std::uint32_t kOffsets[] = {0, 3, 5};
    const std::uint32_t code = first + 8 * (k / 3) + kOffsets[k % 3];
    if (code > last) break;
    codes.push_back(code);
  }
  return codes;
}

std::vector<std::uint32_t> Range(std::uint32_t first, std::uint32_t last) {
  std::vector<std::uint32_t> codes;
  for (std::uint32_t code = first; code <= last; ++code) codes.push_back(code);
  return codes;
}

std::vector<CdSetting> MakeSettings() {
  std::vector<std::uint32_t> formats;
  for (std::uint32_t quality = 0x01; quality <= 0x05; ++quality) {
    for (const std::uint32_t size : {0x00, 0x01, 0x02, 0x05, 0x06, 0x07}) {
      formats.push_back(PackPair(quality, size));
    }
  }
  const std::vector<std::uint32_t> levels = {0xFF, 0x00, 0x01};
  return {
      {"image_format", 0, 4, true, PackPair(0x03, 0x00), formats},
      {"shooting_mode", 0, 2, false, 0x01, Range(0x00, 0x07)},
      {"av", 0, 2, false, 0x20, ThirdSteps(0x18, 0x38)},
      {"tv", 0, 2, false, 0x60, ThirdSteps(0x10, 0x98)},
      {"exposure_comp", 0, 2, false, 0x18, ThirdSteps(0x08, 0x28)},
      {"wb", 0, 2, false, 0x00, Range(0x00, 0x09)},
      {"af_distance", 0, 2, false, 0x00, Range(0x00, 0x02)},
      {"flash", 0, 2, false, 0x00, Range(0x00, 0x04)},
      {"flash_comp", 0, 2, false, 0x18, ThirdSteps(0x08, 0x28)},
      {"metering", 0x08000004, 1, false, 0x00, Range(0x00, 0x02)},
      {"iso", 0x0800000C, 2, false, 0x0000,
       std::vector<std::uint32_t>{0x00, 0x40, 0x48, 0x50, 0x58, 0x60}},
      {"contrast", 0x08000008, 1, false, 0x00, levels},
      {"sharpness", 0x08000009, 1, false, 0x00, levels},
      {"saturation", 0x0800000A, 1, false, 0x00, levels},
      {"photo_effect", 0x08000B00, 2, false, 0x0000, Range(0x00, 0x04)},
      {"beep", 0x08000002, 1, false, 0x01, std::vector<std::uint32_t>{0x01, 0x00}},
      {"color_temperature", 0x00001100, 2, false, 5200, std::nullopt},
  };
}

}  // namespace

const std::vector<CdSetting>& CdSettings() {
  static const std::vector<CdSetting> settings = MakeSettings();
  return settings;
}

const CdSetting* FindCdSetting(std::string_view name) {
  for (const CdSetting& setting : CdSettings()) {
    if (setting.name == name) return &setting;
  }
  return nullptr;
}

const CdSetting* FindCdRelCamSetting(std::uint32_t id) {
  if (id == 0) return nullptr;
  for (const CdSetting& setting : CdSettings()) {
    if (setting.relCamId == id) return &setting;
  }
  return nullptr;
}

}  // namespace simcam
