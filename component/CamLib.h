// Converters between the camera libraries' setting codes and the component's common indexes.
//
// The component shows its owner one numbering per shooting setting: an unsigned byte counted
// from 1, where 0 means "no value" (nothing read; leave unchanged when writing). Each camera
// library numbers the same values its own way; these functions translate both ways.
//
// Get side (code -> index): compares only the stated low bits of the code (8, 16 or all 32) and
// ignores the rest; a code no row has gives 0.
// Set side (index -> code): looks at the low 7 bits of the index unless noted "whole byte" (then
// any index of 128 or more has no code); an index without a code (0 included) gives the set
// side's none marker, a value outside the library's codes. Two set sides have no marker of their
// own and give 0, which is also a real code: see CamDriveModeToEds and CamAFLightToPR.
//
// All functions are pure lookups over constant tables: no state, no allocation, never throw, safe
// on any thread (also inside camera-library callbacks).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace CamLib {

// ===== Setting-code converters =====

// ImageQuality (EOS also ImageQuality2)
std::uint8_t CDQualityToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamQualityToCD(std::uint8_t Index);  // none: 0xFFFF
std::uint8_t PRQualityToCam(std::uint32_t Code);   // 8 bits
std::uint8_t CamQualityToPR(std::uint8_t Index);   // none: 0xFF
std::uint8_t EdsQualityToCam(std::uint32_t Code);  // 8 bits
std::int8_t CamQualityToEds(std::uint8_t Index);   // none: -1; whole byte

// ImageSize (EOS also ImageSize2)
std::uint8_t CDImageSizeToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamImageSizeToCD(std::uint8_t Index);  // none: 0x0FFF
std::uint8_t PRImageSizeToCam(std::uint32_t Code);   // 8 bits
std::uint8_t CamImageSizeToPR(std::uint8_t Index);   // none: 0xFF
std::uint8_t EdsImageSizeToCam(std::uint32_t Code);  // 8 bits
std::int8_t CamImageSizeToEds(std::uint8_t Index);   // none: -1

// ShootingMode (the index also names the capability cache file)
std::uint8_t CDShootingModeToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamShootingModeToCD(std::uint8_t Index);  // none: 0x0FFF
std::uint8_t PRShootingModeToCam(std::uint32_t Code);   // 8 bits
std::uint8_t CamShootingModeToPR(std::uint8_t Index);   // none: 0xFF
std::uint8_t EdsShootingModeToCam(std::uint32_t Code);  // 8 bits
std::int8_t CamShootingModeToEds(std::uint8_t Index);   // none: -1

// DriveMode. The PowerShot library keeps indexes 6 and 7 (self-timer) in a separate value.
std::uint8_t PRDriveModeToCam(std::uint32_t Code);   // 8 bits
std::uint8_t CamDriveModeToPR(std::uint8_t Index);   // none: 0xFF; whole byte
std::uint8_t PRSelfTimerToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamSelfTimerToPR(std::uint8_t Index);  // none: 0xFFFF; whole byte
std::uint8_t EdsDriveModeToCam(std::uint32_t Code);  // 32 bits
std::int32_t CamDriveModeToEds(std::uint8_t Index);  // none: 0 (also the code of index 1)

// MeteringMode
std::uint8_t CDMeteringToCam(std::uint32_t Code);   // 8 bits
std::uint8_t CamMeteringToCD(std::uint8_t Index);   // none: 0xFF
std::uint8_t PRMeteringToCam(std::uint32_t Code);   // 8 bits
std::uint8_t CamMeteringToPR(std::uint8_t Index);   // none: 0xFF
std::uint8_t EdsMeteringToCam(std::uint32_t Code);  // 32 bits
std::int32_t CamMeteringToEds(std::uint8_t Index);  // none: -1; whole byte

// AFMode (EOS only)
std::uint8_t EdsAFModeToCam(std::uint32_t Code);  // 32 bits
std::int32_t CamAFModeToEds(std::uint8_t Index);  // none: -1; whole byte

// AFDistance
std::uint8_t CDAFDistanceToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamAFDistanceToCD(std::uint8_t Index);  // none: 0x00FF
std::uint8_t PRAFDistanceToCam(std::uint32_t Code);   // 8 bits
std::uint8_t CamAFDistanceToPR(std::uint8_t Index);   // none: 0xFF

// FocusPoint (PowerShot library only)
std::uint8_t PRFocusPointToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamFocusPointToPR(std::uint8_t Index);  // none: 0x0000

// AFAssistLight (PowerShot library only)
std::uint8_t PRAFLightToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamAFLightToPR(std::uint8_t Index);  // none: 0 (also the code of index 2); whole byte

// WhiteBalance (index 13 is the one that goes with ColorTemperature)
std::uint8_t CDWhiteBalanceToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamWhiteBalanceToCD(std::uint8_t Index);  // none: 0x7FFF
std::uint8_t PRWhiteBalanceToCam(std::uint32_t Code);   // 8 bits; 0x07 and 0x0E both give 7
std::uint8_t CamWhiteBalanceToPR(std::uint8_t Index);   // none: 0xFF
std::uint8_t EdsWhiteBalanceToCam(std::uint32_t Code);  // 8 bits
std::int8_t CamWhiteBalanceToEds(std::uint8_t Index);   // none: -10

// Contrast, Sharpness and Saturation share one pair per library
std::uint8_t CDLevelToCam(std::uint32_t Code);  // 8 bits
std::int8_t CamLevelToCD(std::uint8_t Index);   // none: 127; whole byte
std::uint8_t PRLevelToCam(std::uint32_t Code);  // 8 bits
std::int8_t CamLevelToPR(std::uint8_t Index);   // none: 127; whole byte

// ColorSpace (EOS only)
std::uint8_t EdsColorSpaceToCam(std::uint32_t Code);  // 32 bits
std::int32_t CamColorSpaceToEds(std::uint8_t Index);  // none: -1; whole byte

// ISOSpeed: one pair for the CD and EOS libraries, one for the PowerShot library (same rows)
std::uint8_t ISOCodeToCam(std::uint32_t Code);  // 8 bits
std::uint8_t CamISOToCode(std::uint8_t Index);  // none: 0xFF
std::uint8_t PRISOToCam(std::uint32_t Code);    // 16 bits
std::uint16_t CamISOToPR(std::uint8_t Index);   // none: 0x00FF

// Av and Tv, all three libraries. The get sides map ranges: a code between two listed codes gives
// the index of the lower one, and every code above the last gives the last index.
std::uint8_t AvCodeToCam(std::uint32_t Code);   // 16 bits, ranges
std::uint16_t CamAvToCode(std::uint8_t Index);  // none: 0xFFFF
std::uint8_t TvCodeToCam(std::uint32_t Code);   // 16 bits, ranges
std::uint16_t CamTvToCode(std::uint8_t Index);  // none: 0xFFFF

// ExposureCompensation
std::uint8_t CDExpCompToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamExpCompToCD(std::uint8_t Index);  // none: 0x00FF
std::uint8_t PRExpCompToCam(std::uint32_t Code);   // 8 bits
std::uint8_t CamExpCompToPR(std::uint8_t Index);   // none: 0xFF
std::uint8_t EdsExpCompToCam(std::uint32_t Code);  // 32 bits
std::int32_t CamExpCompToEds(std::uint8_t Index);  // none: 255

// FlashMode (the EOS library has no flash converter)
std::uint8_t CDFlashToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamFlashToCD(std::uint8_t Index);  // none: 0x00FF
std::uint8_t PRFlashToCam(std::uint32_t Code);   // 8 bits
std::uint8_t CamFlashToPR(std::uint8_t Index);   // none: 0xFF

// FlashCompensation
std::uint8_t CDFlashCompToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamFlashCompToCD(std::uint8_t Index);  // none: 0x00FF
std::uint8_t PRFlashCompToCam(std::uint32_t Code);   // 8 bits
std::uint8_t CamFlashCompToPR(std::uint8_t Index);   // none: 0xFF

// PhotoEffect
std::uint8_t CDPhotoEffectToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamPhotoEffectToCD(std::uint8_t Index);  // none: 0xFFFF
std::uint8_t PRPhotoEffectToCam(std::uint32_t Code);   // 16 bits
std::uint16_t CamPhotoEffectToPR(std::uint8_t Index);  // none: 0x00FF
std::uint8_t EdsPhotoEffectToCam(std::uint32_t Code);  // 8 bits
std::uint8_t CamPhotoEffectToEds(std::uint8_t Index);  // none: 99; whole byte

// Beep
std::uint8_t CDBeepToCam(std::uint32_t Code);  // 8 bits
std::uint8_t CamBeepToCD(std::uint8_t Index);  // none: 0xFF; whole byte
std::uint8_t PRBeepToCam(std::uint32_t Code);  // 8 bits
std::uint8_t CamBeepToPR(std::uint8_t Index);  // none: 0xFF; whole byte

// ===== Capability cache file =====
// What a capability probe found out, kept per camera model and shooting mode so that a later
// probe can read it instead of asking the camera again. The file holds the tag (4 bytes,
// little-endian), then positions 5..313 of the capability record (309 bytes): 313 bytes in all,
// raw, no extension. Unlike the converters, these functions touch the file system and raise.

// The capability record's positions that the file stores: from kCapsFirstPosition on, kCapsSize
// bytes.
constexpr std::size_t kCapsFirstPosition = 5;
constexpr std::size_t kCapsSize = 309;
using CapsBody = std::array<std::uint8_t, kCapsSize>;

// The file's tag: always 285 (bytes 1D 01 00 00).
std::uint32_t CapsFileTag();

// The cache file of a model in a shooting mode: CacheDir + "\" + ModelName + " Mode" + the
// shooting-mode index in decimal. The model name is used unchanged, except that a '\', '/' or
// ':' in it becomes '_': a camera's name never places the file outside CacheDir.
std::string CapsFileName(const std::string& CacheDir, const std::string& ModelName,
                         std::uint8_t ShootingModeIndex);

// True when FileName holds a cache file: the tag, then 309 bytes each 0 or 1 (more bytes are
// ignored); Caps then holds the body. False, with Caps unchanged, when there is no such file,
// or it is shorter, has another tag or holds another byte value: the probe then asks the camera.
// A file that exists but cannot be opened raises rt::Exception
// "Cannot open file "<FileName>". <the system's text of the cause>".
bool LoadCapsFile(const std::string& FileName, CapsBody& Caps);

// Writes FileName anew (an older file of that name is replaced unread): the tag, then Caps.
// Creates the folder and every missing folder above it first; a folder that cannot be made is
// passed over (the create then fails). Raises rt::EInOutError "Unable to create directory" for
// a FileName without a folder part, before anything else, and rt::Exception
// "Cannot create file "<FileName>". <the system's text of the cause>" when the file cannot be
// created. A write that the medium cuts short goes unreported: LoadCapsFile refuses the short
// file, so the next probe asks the camera again.
void SaveCapsFile(const std::string& FileName, CapsBody Caps);

}  // namespace CamLib
