// The CD-SDK entry points of the camera's settings and their value lists.
#include <cstring>
#include <string>

#include "simcam/cd/CdLibrary.h"
#include "simcam/cd/CdState.h"

namespace simcam {

namespace {

constexpr std::string_view kRelCamFamily = "relcam";

const CdSetting& SettingNamed(std::string_view name) {
  return *FindCdSetting(name);
}

std::uint32_t ReadLittleEndian(const void* bytes, std::uint32_t size) {
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < size && i < 4; ++i) {
    value |= std::uint32_t{static_cast<const unsigned char*>(bytes)[i]} << (8 * i);
  }
  return value;
}

void WriteLittleEndian(void* bytes, std::uint32_t size, std::uint32_t value) {
  for (std::uint32_t i = 0; i < size; ++i) {
    static_cast<unsigned char*>(bytes)[i] =
        static_cast<unsigned char>(i < 4 ? (value >> (8 * i)) & 0xFF : 0);
  }
}

// The open list of `family` behind the handle, or null.
ValueEnumeration* FindList(CDEnumHandle handle, std::string_view family) {
  auto& enumerations = State().enumerations;
  const auto found = enumerations.find(handle);
  if (found == enumerations.end() || found->second.family != family) return nullptr;
  return &found->second;
}

CDResult SetValue(const char* entryPoint, std::string_view name, CDSourceHandle source,
                  std::uint16_t value) {
  Call call(CdEngine(), entryPoint);
  call.Arg(source).Hex(value, 4);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<Source> opened;
  if (auto code = NeedReleaseControl(source, opened)) return call.Return(*code);
  if (auto code = CheckValue(entryPoint, {value}, SettingNamed(name), value)) {
    return call.Return(*code);
  }
  opened->settings[std::string(name)] = value;
  return Succeed(call, source);
}

CDResult GetValue(const char* entryPoint, std::string_view name, CDSourceHandle source,
                  std::uint16_t* value) {
  Call call(CdEngine(), entryPoint);
  call.Arg(source).Arg(value);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<Source> opened;
  if (auto code = NeedReleaseControl(source, opened)) return call.Return(*code);
  if (!value) return call.Return(kCDErrInvalidParameter);
  *value = static_cast<std::uint16_t>(opened->settings[std::string(name)]);
  call.OutHex("value", *value, 4);
  return Succeed(call, source);
}

// Opens a list of the setting's offered values; `family` names the entry points that take it.
// Release-setting lists (`setting` looked up by ID, null when unknown) also hand back the size
// of a value.
CDResult OpenList(Call& call, const CdSetting* setting, std::string_view family,
                  CDSourceHandle source, CDEnumHandle* enumHandle, bool relCam,
                  std::uint32_t* valueSize) {
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<Source> opened;
  if (auto code = NeedReleaseControl(source, opened)) return call.Return(*code);
  if (!setting) return call.Return(kCDErrInvalidId);
  if (!enumHandle || (relCam && !valueSize)) return call.Return(kCDErrInvalidParameter);
  auto offered = OfferedValues(*setting);
  if (!offered) return call.Return(kCDErrNotSupported);
  ValueEnumeration enumeration;
  enumeration.family = std::string(family);
  enumeration.values = std::move(*offered);
  enumeration.valueSize = setting->size;
  const CDEnumHandle handle = State().engine.NewHandle();
  State().enumerations[handle] = std::move(enumeration);
  *enumHandle = handle;
  call.Out("enum", handle);
  if (relCam) {
    *valueSize = setting->size;
    call.Out("size", setting->size);
  }
  return Succeed(call, source);
}

CDResult ResetList(const char* entryPoint, std::string_view name, CDSourceHandle source,
                   CDEnumHandle* enumHandle) {
  Call call(CdEngine(), entryPoint);
  call.Arg(source).Arg(enumHandle);
  return OpenList(call, &SettingNamed(name), name, source, enumHandle, false, nullptr);
}

// The next value of the list, or the code that answers the call.
std::optional<CDResult> TakeNext(Call& call, std::string_view family, CDEnumHandle enumHandle,
                                 const void* out, std::uint32_t& value) {
  if (auto code = call.Injected()) return code;
  ValueEnumeration* list = FindList(enumHandle, family);
  if (!list) return kCDErrInvalidHandle;
  if (!out) return kCDErrInvalidParameter;
  if (list->next >= list->values.size()) return kCDErrEnumNotApplicable;
  value = list->values[list->next++];
  return std::nullopt;
}

CDResult NextValue(const char* entryPoint, std::string_view name, CDEnumHandle enumHandle,
                   std::uint16_t* value) {
  Call call(CdEngine(), entryPoint);
  call.Arg(enumHandle).Arg(value);
  std::uint32_t next = 0;
  if (auto code = TakeNext(call, name, enumHandle, value, next)) return call.Return(*code);
  *value = static_cast<std::uint16_t>(next);
  call.OutHex("value", *value, 4);
  return Succeed(call);
}

CDResult CountList(const char* entryPoint, std::string_view family, CDEnumHandle enumHandle,
                   std::uint32_t* count) {
  Call call(CdEngine(), entryPoint);
  call.Arg(enumHandle).Arg(count);
  if (auto code = call.Injected()) return call.Return(*code);
  ValueEnumeration* list = FindList(enumHandle, family);
  if (!list) return call.Return(kCDErrInvalidHandle);
  if (!count) return call.Return(kCDErrInvalidParameter);
  *count = static_cast<std::uint32_t>(list->values.size());
  call.Out("count", *count);
  return Succeed(call);
}

CDResult ReleaseList(const char* entryPoint, std::string_view family, CDEnumHandle enumHandle) {
  Call call(CdEngine(), entryPoint);
  call.Arg(enumHandle);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!FindList(enumHandle, family)) return call.Return(kCDErrInvalidHandle);
  State().enumerations.erase(enumHandle);
  return Succeed(call);
}

}  // namespace

}  // namespace simcam

// A 16-bit setting: get and set, and its list.
#define SIMCAM_CD_SETTING(name, Set, Get, Reset, Next, Release, Count)           \
  extern "C" CDResult SDKCALL Set(CDSourceHandle source, std::uint16_t value) {  \
    return simcam::SetValue(#Set, name, source, value);                          \
  }                                                                              \
  extern "C" CDResult SDKCALL Get(CDSourceHandle source, std::uint16_t* value) { \
    return simcam::GetValue(#Get, name, source, value);                          \
  }                                                                              \
  SIMCAM_CD_LIST(name, Reset, Next, Release, Count)

// A list of 16-bit values.
#define SIMCAM_CD_LIST(name, Reset, Next, Release, Count)                              \
  extern "C" CDResult SDKCALL Reset(CDSourceHandle source, CDEnumHandle* enumHandle) { \
    return simcam::ResetList(#Reset, name, source, enumHandle);                        \
  }                                                                                    \
  extern "C" CDResult SDKCALL Next(CDEnumHandle enumHandle, std::uint16_t* value) {    \
    return simcam::NextValue(#Next, name, enumHandle, value);                          \
  }                                                                                    \
  extern "C" CDResult SDKCALL Release(CDEnumHandle enumHandle) {                       \
    return simcam::ReleaseList(#Release, name, enumHandle);                            \
  }                                                                                    \
  extern "C" CDResult SDKCALL Count(CDEnumHandle enumHandle, std::uint32_t* count) {   \
    return simcam::CountList(#Count, name, enumHandle, count);                         \
  }

SIMCAM_CD_SETTING("shooting_mode", CDSetShootingMode, CDGetShootingMode, CDEnumShootingModeReset,
                  CDEnumShootingModeNext, CDEnumShootingModeRelease, CDGetShootingModeCount)
SIMCAM_CD_SETTING("av", CDSetAvValue, CDGetAvValue, CDEnumAvValueReset, CDEnumAvValueNext,
                  CDEnumAvValueRelease, CDGetAvValueCount)
SIMCAM_CD_SETTING("tv", CDSetTvValue, CDGetTvValue, CDEnumTvValueReset, CDEnumTvValueNext,
                  CDEnumTvValueRelease, CDGetTvValueCount)
SIMCAM_CD_SETTING("exposure_comp", CDSetExposureComp, CDGetExposureComp, CDEnumExposureCompReset,
                  CDEnumExposureCompNext, CDEnumExposureCompRelease, CDGetExposureCompCount)
SIMCAM_CD_SETTING("wb", CDSetWBSetting, CDGetWBSetting, CDEnumWBSettingReset, CDEnumWBSettingNext,
                  CDEnumWBSettingRelease, CDGetWBSettingCount)
SIMCAM_CD_SETTING("af_distance", CDSetAFDistanceSetting, CDGetAFDistanceSetting,
                  CDEnumAFDistanceSettingReset, CDEnumAFDistanceSettingNext,
                  CDEnumAFDistanceSettingRelease, CDGetAFDistanceSettingCount)
SIMCAM_CD_LIST("flash", CDEnumFlashSettingReset, CDEnumFlashSettingNext, CDEnumFlashSettingRelease,
               CDGetFlashSettingCount)

using simcam::Call;

extern "C" CDResult SDKCALL CDSetImageFormatAttribute(CDSourceHandle source, std::uint16_t quality,
                                                      std::uint16_t size) {
  Call call(simcam::CdEngine(), "CDSetImageFormatAttribute");
  call.Arg(source).Hex(quality, 4).Hex(size, 4);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  const std::uint32_t value = simcam::PackPair(quality, size);
  if (auto code = simcam::CheckValue("CDSetImageFormatAttribute", {quality, size},
                                     simcam::SettingNamed("image_format"), value)) {
    return call.Return(*code);
  }
  opened->settings["image_format"] = value;
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDGetImageFormatAttribute(CDSourceHandle source, std::uint16_t* quality,
                                                      std::uint16_t* size) {
  Call call(simcam::CdEngine(), "CDGetImageFormatAttribute");
  call.Arg(source).Arg(quality).Arg(size);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  if (!quality || !size) return call.Return(kCDErrInvalidParameter);
  const std::uint32_t value = opened->settings["image_format"];
  *quality = static_cast<std::uint16_t>(value >> 16);
  *size = static_cast<std::uint16_t>(value & 0xFFFF);
  call.OutHex("quality", *quality, 4).OutHex("size", *size, 4);
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDEnumImageFormatAttributeReset(CDSourceHandle source,
                                                            CDEnumHandle* enumHandle) {
  return simcam::ResetList("CDEnumImageFormatAttributeReset", "image_format", source, enumHandle);
}

extern "C" CDResult SDKCALL CDEnumImageFormatAttributeNext(CDEnumHandle enumHandle,
                                                           CDImageFormatAttribute* value) {
  Call call(simcam::CdEngine(), "CDEnumImageFormatAttributeNext");
  call.Arg(enumHandle).Arg(value);
  std::uint32_t next = 0;
  if (auto code = simcam::TakeNext(call, "image_format", enumHandle, value, next)) {
    return call.Return(*code);
  }
  value->Quality = static_cast<std::uint16_t>(next >> 16);
  value->Size = static_cast<std::uint16_t>(next & 0xFFFF);
  call.OutHex("quality", value->Quality, 4).OutHex("size", value->Size, 4);
  return simcam::Succeed(call);
}

extern "C" CDResult SDKCALL CDEnumImageFormatAttributeRelease(CDEnumHandle enumHandle) {
  return simcam::ReleaseList("CDEnumImageFormatAttributeRelease", "image_format", enumHandle);
}

extern "C" CDResult SDKCALL CDGetImageFormatAttributeCount(CDEnumHandle enumHandle,
                                                           std::uint32_t* count) {
  return simcam::CountList("CDGetImageFormatAttributeCount", "image_format", enumHandle, count);
}

extern "C" CDResult SDKCALL CDSetFlashSetting(CDSourceHandle source, std::uint16_t mode,
                                              std::uint16_t compensation) {
  Call call(simcam::CdEngine(), "CDSetFlashSetting");
  call.Arg(source).Hex(mode, 4).Hex(compensation, 4);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  if (auto code = simcam::Refusal("CDSetFlashSetting", {mode, compensation})) {
    return call.Return(*code);
  }
  // Each half that is set must be offered; the refusals were checked above.
  for (const auto& [name, value] :
       {std::pair<const char*, std::uint16_t>{"flash", mode},
        std::pair<const char*, std::uint16_t>{"flash_comp", compensation}}) {
    if (value == kCDFlashHalfUnchanged) continue;
    if (auto code = simcam::CheckValue("", {}, simcam::SettingNamed(name), value)) {
      return call.Return(*code);
    }
  }
  if (mode != kCDFlashHalfUnchanged) opened->settings["flash"] = mode;
  if (compensation != kCDFlashHalfUnchanged) opened->settings["flash_comp"] = compensation;
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDGetFlashSetting(CDSourceHandle source, std::uint16_t* mode,
                                              std::uint16_t* compensation) {
  Call call(simcam::CdEngine(), "CDGetFlashSetting");
  call.Arg(source).Arg(mode).Arg(compensation);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  if (!mode || !compensation) return call.Return(kCDErrInvalidParameter);
  *mode = static_cast<std::uint16_t>(opened->settings["flash"]);
  *compensation = static_cast<std::uint16_t>(opened->settings["flash_comp"]);
  call.OutHex("mode", *mode, 4).OutHex("compensation", *compensation, 4);
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDGetRelCamSettingData(CDSourceHandle source, std::uint32_t settingId,
                                                   std::uint32_t* size, void* buffer) {
  Call call(simcam::CdEngine(), "CDGetRelCamSettingData");
  call.Arg(source).Hex(settingId);
  if (size) {
    call.Arg(*size);
  } else {
    call.Arg(size);
  }
  call.Arg(buffer);
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  const simcam::CdSetting* setting = simcam::FindCdRelCamSetting(settingId);
  if (!setting) return call.Return(simcam::kCDErrInvalidId);
  if (!size || !buffer) return call.Return(kCDErrInvalidParameter);
  if (*size < setting->size) return call.Return(simcam::kCDErrInvalidLength);
  const std::uint32_t value = opened->settings[std::string(setting->name)];
  simcam::WriteLittleEndian(buffer, setting->size, value);
  *size = setting->size;
  call.Out("size", *size).OutHex("value", value, static_cast<int>(2 * setting->size));
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDSetRelCamSettingData(CDSourceHandle source, std::uint32_t settingId,
                                                   std::uint32_t size, const void* value) {
  Call call(simcam::CdEngine(), "CDSetRelCamSettingData");
  call.Arg(source).Hex(settingId).Arg(size);
  const bool shown = value && size >= 1 && size <= 4;
  const std::uint32_t sent = shown ? simcam::ReadLittleEndian(value, size) : 0;
  if (shown) {
    call.Hex(sent, static_cast<int>(2 * size));
  } else {
    call.Arg(value);
  }
  if (auto code = call.Injected()) return call.Return(*code);
  std::shared_ptr<simcam::Source> opened;
  if (auto code = simcam::NeedReleaseControl(source, opened)) return call.Return(*code);
  const simcam::CdSetting* setting = simcam::FindCdRelCamSetting(settingId);
  if (!setting) return call.Return(simcam::kCDErrInvalidId);
  if (!value) return call.Return(kCDErrInvalidParameter);
  if (size != setting->size) return call.Return(simcam::kCDErrInvalidLength);
  if (auto code = simcam::CheckValue("CDSetRelCamSettingData", {settingId, sent}, *setting, sent)) {
    return call.Return(*code);
  }
  opened->settings[std::string(setting->name)] = sent;
  return simcam::Succeed(call, source);
}

extern "C" CDResult SDKCALL CDEnumRelCamSettingDataReset(CDSourceHandle source,
                                                         std::uint32_t settingId,
                                                         CDEnumHandle* enumHandle,
                                                         std::uint32_t* valueSize) {
  Call call(simcam::CdEngine(), "CDEnumRelCamSettingDataReset");
  call.Arg(source).Hex(settingId).Arg(enumHandle).Arg(valueSize);
  return simcam::OpenList(call, simcam::FindCdRelCamSetting(settingId), simcam::kRelCamFamily,
                          source, enumHandle, true, valueSize);
}

extern "C" CDResult SDKCALL CDEnumRelCamSettingDataNext(CDEnumHandle enumHandle,
                                                        std::uint32_t valueSize, void* value) {
  Call call(simcam::CdEngine(), "CDEnumRelCamSettingDataNext");
  call.Arg(enumHandle).Arg(valueSize).Arg(value);
  if (auto code = call.Injected()) return call.Return(*code);
  simcam::ValueEnumeration* list = simcam::FindList(enumHandle, simcam::kRelCamFamily);
  if (!list) return call.Return(kCDErrInvalidHandle);
  if (!value) return call.Return(kCDErrInvalidParameter);
  if (valueSize < list->valueSize) return call.Return(simcam::kCDErrInvalidLength);
  if (list->next >= list->values.size()) return call.Return(kCDErrEnumNotApplicable);
  const std::uint32_t next = list->values[list->next++];
  simcam::WriteLittleEndian(value, list->valueSize, next);
  call.OutHex("value", next, static_cast<int>(2 * list->valueSize));
  return simcam::Succeed(call);
}

extern "C" CDResult SDKCALL CDEnumRelCamSettingDataRelease(CDEnumHandle enumHandle) {
  return simcam::ReleaseList("CDEnumRelCamSettingDataRelease", simcam::kRelCamFamily, enumHandle);
}

extern "C" CDResult SDKCALL CDGetRelCamSettingDataCount(CDEnumHandle enumHandle,
                                                        std::uint32_t* count) {
  return simcam::CountList("CDGetRelCamSettingDataCount", simcam::kRelCamFamily, enumHandle, count);
}
