// The capability probe of the CD wrapper: which values of each shooting setting the connected
// camera offers, as common indexes in positions 5..313 of the capability record. A setting whose
// values the library lists is read from its list; otherwise every index is tried with the
// setting's set call and kept when the camera takes it. The answer is kept in the capability
// cache file per model and shooting mode.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "component/CDAPI.h"
#include "component/CDSDKApi.h"
#include "component/CamLib.h"

using Lumidor::RemoteParamType;
using Lumidor::RemoteProbeParamType;
using namespace CamLib;

namespace {

// The shooting-mode codes that the probe switches between: code 1 (index 16) for the settings
// from exposure compensation on and at the end, code 4 (index 2) for Av and Tv.
constexpr std::uint16_t kShootingModeCode1 = 1;
constexpr std::uint16_t kShootingModeCode4 = 4;

// Progress is the step counter over this many steps.
constexpr int kProbeSteps = 17;

// The largest release-setting value the probe takes from a list; a library announcing more is
// handed this size (it then refuses or cuts the value, and nothing is written past the buffer).
constexpr std::uint32_t kMaxRelCamValueSize = 0x10000;

// How many values a listed setting offers at most: each 16-bit value once. A larger count is
// refused before anything is fetched, so that a library counting wildly cannot keep the probe
// going for ever.
constexpr std::uint32_t kMaxListedValues = 0x10000;

// The count of a value list, checked with its error label and against the largest list.
std::uint32_t ListCount(const std::function<CDResult(std::uint32_t*)>& countCall,
                        const char* countName) {
  std::uint32_t count = 0;
  TCDSDK::CheckError(countCall(&count), countName);
  if (count > kMaxListedValues) {
    throw CamDefines::ECamException(std::string(countName) + " reported " + std::to_string(count) +
                                    " values, more than the " + std::to_string(kMaxListedValues) +
                                    " a list can hold");
  }
  return count;
}

using Lumidor::ProbeGroup;
namespace Layout = Lumidor::ProbeLayout;
// The groups of settings the CD library does not have.
constexpr ProbeGroup kAbsentGroups[] = {
    Layout::ImageQuality2, Layout::ImageSize2,    Layout::DriveMode, Layout::AFMode,
    Layout::FocusPoint,    Layout::AFAssistLight, Layout::ColorSpace};

// Closes a value list however the probe leaves it. The normal end releases it through Release,
// which is tested; when an error ends the list early it is still released, untested.
class ValueList {
 public:
  ValueList(CDEnumShootingModeReleaseProc release, const char* releaseName)
      : release_(release), releaseName_(releaseName) {}
  ~ValueList() {
    if (open_) (void)release_(handle_);
  }
  ValueList(const ValueList&) = delete;
  ValueList& operator=(const ValueList&) = delete;

  CDEnumHandle* Out() { return &handle_; }
  CDEnumHandle Handle() const { return handle_; }
  void Opened() { open_ = true; }
  void Release() {
    open_ = false;
    TCDSDK::CheckError(release_(handle_), releaseName_);
  }

 private:
  CDEnumShootingModeReleaseProc release_;
  const char* releaseName_;
  CDEnumHandle handle_ = 0;
  bool open_ = false;
};

// The entry points of one list of 16-bit values (they all have the shooting-mode list's
// signatures) and their error labels.
struct ListCalls {
  CDEnumShootingModeResetProc reset;
  CDGetShootingModeCountProc count;
  CDEnumShootingModeNextProc next;
  CDEnumShootingModeReleaseProc release;
  const char* countName;
  const char* nextName;
  const char* releaseName;
};

// The record being filled, with the flag rule shared by every group.
class Groups {
 public:
  explicit Groups(RemoteProbeParamType& record) : record_(record) {}

  // Flags index Index of the group. An index outside the group (a value the converter does not
  // know gives 0) falls on the base byte, which the group's end overwrites, so a flag never
  // reaches another group.
  void Flag(const ProbeGroup& group, std::uint8_t index) {
    const std::size_t i = index & 0x7F;
    record_[group.Base + (i <= group.Count ? i : 0)] = 1;
  }
  // The base byte: 1 when the camera offers no value of the setting.
  void End(const ProbeGroup& group, bool found) { record_[group.Base] = found ? 0 : 1; }
  void Set(std::size_t position, std::uint8_t value) { record_[position] = value; }

 private:
  RemoteProbeParamType& record_;
};

// The list of a 16-bit setting: flags what the list holds and returns true when the library has
// the list (its reset answered 0); false selects the trial path.
bool ProbeList(CDSourceHandle source, const ListCalls& calls, Groups& groups,
               const ProbeGroup& group, std::uint8_t (*convert)(std::uint32_t), bool& found) {
  ValueList list(calls.release, calls.releaseName);
  if (calls.reset(source, list.Out()) != kCDOk) return false;
  list.Opened();
  const std::uint32_t count = ListCount(
      [&](std::uint32_t* out) { return calls.count(list.Handle(), out); }, calls.countName);
  for (std::uint32_t k = 0; k < count; ++k) {
    std::uint16_t value = 0;
    TCDSDK::CheckError(calls.next(list.Handle(), &value), calls.nextName);
    groups.Flag(group, convert(value));
    found = true;
  }
  list.Release();
  return true;
}

// Tries indexes 1..Last with Trial (an answer of 0 means the camera took the value).
void ProbeTrials(const std::function<CDResult(std::uint8_t)>& trial, Groups& groups,
                 const ProbeGroup& group, bool& found) {
  for (std::size_t i = 1; i <= group.Count; ++i) {
    if (trial(static_cast<std::uint8_t>(i)) == kCDOk) {
      groups.Flag(group, static_cast<std::uint8_t>(i));
      found = true;
    }
  }
}

// One 16-bit setting: its list, or the trials when the library has no list. MayTry, when
// given, runs once before the trials; false skips them.
void ProbeSetting(CDSourceHandle source, const ListCalls& calls, Groups& groups,
                  const ProbeGroup& group, std::uint8_t (*convert)(std::uint32_t),
                  const std::function<CDResult(std::uint8_t)>& trial,
                  const std::function<bool()>& mayTry = nullptr) {
  bool found = false;
  if (!ProbeList(source, calls, groups, group, convert, found) && (!mayTry || mayTry())) {
    ProbeTrials(trial, groups, group, found);
  }
  groups.End(group, found);
}

// A release setting: its list through the release-setting entry points, or trials of Size-byte
// values with CDSetRelCamSettingData. Convert takes the listed value as it came (little-endian,
// at most 4 bytes); Code gives the value tried for an index.
void ProbeRelCamSetting(CDSourceHandle source, std::uint32_t id, std::uint32_t size, Groups& groups,
                        const ProbeGroup& group, std::uint8_t (*convert)(std::uint32_t),
                        std::uint32_t (*code)(std::uint8_t)) {
  bool found = false;
  ValueList list(CDAPI::CDEnumRelCamSettingDataRelease, "CDEnumRelCamSettingDataRelease");
  std::uint32_t valueSize = 0;
  if (CDAPI::CDEnumRelCamSettingDataReset(source, id, list.Out(), &valueSize) == kCDOk) {
    list.Opened();
    const std::uint32_t count = ListCount(
        [&](std::uint32_t* out) { return CDAPI::CDGetRelCamSettingDataCount(list.Handle(), out); },
        "CDGetRelCamSettingDataCount");
    const std::uint32_t bufferSize = std::min(valueSize, kMaxRelCamValueSize);
    std::vector<std::uint8_t> buffer(std::max<std::size_t>(bufferSize, sizeof(std::uint32_t)));
    for (std::uint32_t k = 0; k < count; ++k) {
      std::fill(buffer.begin(), buffer.end(), 0);
      TCDSDK::CheckError(
          CDAPI::CDEnumRelCamSettingDataNext(list.Handle(), bufferSize, buffer.data()),
          "CDEnumRelCamSettingDataNext");
      const std::uint32_t value = std::uint32_t{buffer[0]} | std::uint32_t{buffer[1]} << 8 |
                                  std::uint32_t{buffer[2]} << 16 | std::uint32_t{buffer[3]} << 24;
      groups.Flag(group, convert(value));
      found = true;
    }
    list.Release();
  } else {
    ProbeTrials(
        [&](std::uint8_t index) {
          const std::uint32_t value = code(index);
          const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value & 0xFF),
                                         static_cast<std::uint8_t>((value >> 8) & 0xFF)};
          return CDAPI::CDSetRelCamSettingData(source, id, size, bytes);
        },
        groups, group, found);
  }
  groups.End(group, found);
}

// Release settings whose code is the first byte of the value.
std::uint8_t FirstByteMetering(std::uint32_t value) {
  return CDMeteringToCam(value & 0xFF);
}
std::uint8_t FirstByteISO(std::uint32_t value) {
  return ISOCodeToCam(value & 0xFF);
}
std::uint8_t FirstByteLevel(std::uint32_t value) {
  return CDLevelToCam(value & 0xFF);
}
std::uint8_t FirstByteBeep(std::uint32_t value) {
  return CDBeepToCam(value & 0xFF);
}
std::uint8_t PhotoEffect16(std::uint32_t value) {
  return CDPhotoEffectToCam(value & 0xFFFF);
}

// Codes tried for the release settings.
std::uint32_t MeteringCode(std::uint8_t index) {
  return CamMeteringToCD(index);
}
std::uint32_t ISOCode(std::uint8_t index) {
  return CamISOToCode(index) & 0xFFu;
}
std::uint32_t LevelCode(std::uint8_t index) {
  return static_cast<std::uint8_t>(CamLevelToCD(index));
}
std::uint32_t PhotoEffectCode(std::uint8_t index) {
  return CamPhotoEffectToCD(index);
}
std::uint32_t BeepCode(std::uint8_t index) {
  return CamBeepToCD(index);
}

}  // namespace

void TCDSDK::ProbeRemoteParams(RemoteProbeParamType& Result, const std::string& CacheDir) {
  const CDSourceHandle h = SourceHandle;
  Groups groups(Result);
  (void)CDAPI::CDSetShootingMode(h, kShootingModeCode1);

  // The cache file of this model in the mode the camera is in now (normally index 16, the
  // mode just set); a camera that does not tell its mode gives index 0.
  std::string cacheFile;
  if (!CacheDir.empty()) {
    std::uint16_t mode = 0;
    const std::uint8_t modeIndex =
        CDAPI::CDGetShootingMode(h, &mode) == kCDOk ? CDShootingModeToCam(mode) : 0;
    cacheFile = CapsFileName(CacheDir, ConnectInfo.ModelName, modeIndex);
    CapsBody cached{};
    if (LoadCapsFile(cacheFile, cached)) {
      std::copy(cached.begin(), cached.end(), Result.begin() + kCapsFirstPosition);
      (void)CDAPI::CDSetShootingMode(h, kShootingModeCode1);
      return;
    }
  }

  const RemoteParamType saved = RemoteGetParams();
  int step = 1;
  const auto report = [&] {
    ReportProbeProgress(static_cast<std::int32_t>(std::lround(step * 100.0 / kProbeSteps)));
  };
  report();

  // Image quality and size: one list of pairs, or every pair tried.
  {
    bool found = false;
    ValueList list(CDAPI::CDEnumImageFormatAttributeRelease, "CDEnumImageFormatAttributeRelease");
    if (CDAPI::CDEnumImageFormatAttributeReset(h, list.Out()) == kCDOk) {
      list.Opened();
      const std::uint32_t count = ListCount(
          [&](std::uint32_t* out) {
            return CDAPI::CDGetImageFormatAttributeCount(list.Handle(), out);
          },
          "CDGetImageFormatAttributeCount");
      for (std::uint32_t k = 0; k < count; ++k) {
        CDImageFormatAttribute format{};
        CheckError(CDAPI::CDEnumImageFormatAttributeNext(list.Handle(), &format),
                   "CDEnumImageFormatAttributeNext");
        groups.Flag(Layout::ImageQuality, CDQualityToCam(format.Quality));
        groups.Flag(Layout::ImageSize, CDImageSizeToCam(format.Size));
        found = true;
      }
      list.Release();
    } else {
      for (std::uint8_t quality = 1; quality <= Layout::ImageQuality.Count; ++quality) {
        for (std::uint8_t size = 1; size <= Layout::ImageSize.Count; ++size) {
          if (CDAPI::CDSetImageFormatAttribute(h, CamQualityToCD(quality),
                                               CamImageSizeToCD(size)) == kCDOk) {
            groups.Flag(Layout::ImageQuality, quality);
            groups.Flag(Layout::ImageSize, size);
            found = true;
          }
        }
      }
    }
    groups.End(Layout::ImageQuality, found);
    groups.End(Layout::ImageSize, found);
  }
  step += 2;
  report();

  const ListCalls shootingModes = {CDAPI::CDEnumShootingModeReset, CDAPI::CDGetShootingModeCount,
                                   CDAPI::CDEnumShootingModeNext,  CDAPI::CDEnumShootingModeRelease,
                                   "CDGetShootingModeCount",       "CDEnumShootingModeNext",
                                   "CDEnumShootingModeRelease"};
  ProbeSetting(h, shootingModes, groups, Layout::ShootingMode, CDShootingModeToCam,
               [&](std::uint8_t i) { return CDAPI::CDSetShootingMode(h, CamShootingModeToCD(i)); });
  step += 1;
  (void)CDAPI::CDSetShootingMode(h, kShootingModeCode4);
  report();

  // Av and Tv apply in shooting-mode code 4: their trials switch to it first, and a camera that
  // refuses it gets no trials.
  const auto inCode4 = [&] { return CDAPI::CDSetShootingMode(h, kShootingModeCode4) == kCDOk; };
  const ListCalls avValues = {CDAPI::CDEnumAvValueReset, CDAPI::CDGetAvValueCount,
                              CDAPI::CDEnumAvValueNext,  CDAPI::CDEnumAvValueRelease,
                              "CDGetAvValueCount",       "CDEnumAvValueNext",
                              "CDEnumAvValueRelease"};
  ProbeSetting(
      h, avValues, groups, Layout::Av, AvCodeToCam,
      [&](std::uint8_t i) { return CDAPI::CDSetAvValue(h, CamAvToCode(i)); }, inCode4);
  step += 1;
  report();

  const ListCalls tvValues = {CDAPI::CDEnumTvValueReset, CDAPI::CDGetTvValueCount,
                              CDAPI::CDEnumTvValueNext,  CDAPI::CDEnumTvValueRelease,
                              "CDGetTvValueCount",       "CDEnumTvValueNext",
                              "CDEnumTvValueRelease"};
  ProbeSetting(
      h, tvValues, groups, Layout::Tv, TvCodeToCam,
      [&](std::uint8_t i) { return CDAPI::CDSetTvValue(h, CamTvToCode(i)); }, inCode4);
  step += 1;
  (void)CDAPI::CDSetShootingMode(h, kShootingModeCode1);
  report();

  const ListCalls exposureComps = {CDAPI::CDEnumExposureCompReset, CDAPI::CDGetExposureCompCount,
                                   CDAPI::CDEnumExposureCompNext,  CDAPI::CDEnumExposureCompRelease,
                                   "CDGetExposureCompCount",       "CDEnumExposureCompNext",
                                   "CDEnumExposureCompRelease"};
  ProbeSetting(h, exposureComps, groups, Layout::ExposureCompensation, CDExpCompToCam,
               [&](std::uint8_t i) { return CDAPI::CDSetExposureComp(h, CamExpCompToCD(i)); });
  step += 1;
  report();

  const ListCalls whiteBalances = {CDAPI::CDEnumWBSettingReset, CDAPI::CDGetWBSettingCount,
                                   CDAPI::CDEnumWBSettingNext,  CDAPI::CDEnumWBSettingRelease,
                                   "CDGetWBSettingCount",       "CDEnumWBSettingNext",
                                   "CDEnumWBSettingRelease"};
  ProbeSetting(h, whiteBalances, groups, Layout::WhiteBalance, CDWhiteBalanceToCam,
               [&](std::uint8_t i) { return CDAPI::CDSetWBSetting(h, CamWhiteBalanceToCD(i)); });
  step += 1;
  report();

  const ListCalls afDistances = {
      CDAPI::CDEnumAFDistanceSettingReset, CDAPI::CDGetAFDistanceSettingCount,
      CDAPI::CDEnumAFDistanceSettingNext,  CDAPI::CDEnumAFDistanceSettingRelease,
      "CDGetAFDistanceSettingCount",       "CDEnumAFDistanceSettingNext",
      "CDEnumAFDistanceSettingRelease"};
  ProbeSetting(h, afDistances, groups, Layout::AFDistance, CDAFDistanceToCam, [&](std::uint8_t i) {
    return CDAPI::CDSetAFDistanceSetting(h, CamAFDistanceToCD(i));
  });
  step += 1;
  report();

  // One call sets both flash halves; 0x00FF leaves the half not being tried alone. The
  // compensation has no list of its own and is always tried.
  const ListCalls flashModes = {CDAPI::CDEnumFlashSettingReset, CDAPI::CDGetFlashSettingCount,
                                CDAPI::CDEnumFlashSettingNext,  CDAPI::CDEnumFlashSettingRelease,
                                "CDGetFlashSettingCount",       "CDEnumFlashSettingNext",
                                "CDEnumFlashSettingRelease"};
  ProbeSetting(h, flashModes, groups, Layout::FlashMode, CDFlashToCam, [&](std::uint8_t i) {
    return CDAPI::CDSetFlashSetting(h, CamFlashToCD(i), kCDFlashHalfUnchanged);
  });
  {
    bool found = false;
    ProbeTrials(
        [&](std::uint8_t i) {
          return CDAPI::CDSetFlashSetting(h, kCDFlashHalfUnchanged, CamFlashCompToCD(i));
        },
        groups, Layout::FlashCompensation, found);
    groups.End(Layout::FlashCompensation, found);
  }
  step += 2;
  report();

  ProbeRelCamSetting(h, kCDRelCamMeteringMode, 1, groups, Layout::MeteringMode, FirstByteMetering,
                     MeteringCode);
  step += 1;
  report();
  ProbeRelCamSetting(h, kCDRelCamISOSpeed, 2, groups, Layout::ISOSpeed, FirstByteISO, ISOCode);
  step += 1;
  report();
  ProbeRelCamSetting(h, kCDRelCamContrast, 1, groups, Layout::Contrast, FirstByteLevel, LevelCode);
  step += 1;
  report();
  ProbeRelCamSetting(h, kCDRelCamSharpness, 1, groups, Layout::Sharpness, FirstByteLevel,
                     LevelCode);
  step += 1;
  report();
  ProbeRelCamSetting(h, kCDRelCamSaturation, 1, groups, Layout::Saturation, FirstByteLevel,
                     LevelCode);
  step += 1;
  report();
  ProbeRelCamSetting(h, kCDRelCamPhotoEffect, 2, groups, Layout::PhotoEffect, PhotoEffect16,
                     PhotoEffectCode);
  step += 1;
  report();
  ProbeRelCamSetting(h, kCDRelCamBeep, 1, groups, Layout::Beep, FirstByteBeep, BeepCode);

  for (const ProbeGroup& group : kAbsentGroups) groups.End(group, false);
  groups.Set(Layout::WhiteBalanceShiftFlag, 0);
  groups.Set(Layout::PictureStyleFlag, 0);
  report();

  RemoteSetParams(saved);
  if (!CacheDir.empty()) {
    CapsBody found{};
    std::copy(Result.begin() + kCapsFirstPosition, Result.end(), found.begin());
    SaveCapsFile(cacheFile, found);
  }
  (void)CDAPI::CDSetShootingMode(h, kShootingModeCode1);
}
