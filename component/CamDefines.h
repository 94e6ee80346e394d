// The component's shared definitions: its error type, the connection record and the three
// enumerations that its operations and events take. Used by the component, its camera wrappers
// and the programs that drive cameras.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Errors.h"

namespace CamDefines {

// The component's one error type: a message only. Every failure that the component or one of
// its camera wrappers reports itself is an ECamException; errors from elsewhere (the library
// loader, file steps) pass through unchanged.
class ECamException : public rt::Exception {
 public:
  using rt::Exception::Exception;
};

// A download that found no released picture in the camera: the CD library answered "Device not
// released", or no PowerShot release is queued. Its message is the usual one; a caller fetching
// pictures that an earlier failed download left behind learns by it that the camera gave them up.
class ENoPictureWaiting : public ECamException {
 public:
  using ECamException::ECamException;
};

// The current connection. CameraType: 0 none, 1 a PowerShot camera (CD or PowerShot library),
// 2 an EOS camera. PowerSource 0 = unknown, else the camera's source 1..5; BatteryLevel 0 =
// unknown, 1 high, 2 half, 3 low.
struct ConnectInfoType {
  std::uint8_t CameraType = 0;
  std::string ModelName;
  std::string OwnerName;
  std::uint8_t PowerSource = 0;
  std::uint8_t BatteryLevel = 0;
};

// Where released pictures go.
enum ReleaseModeType : std::uint8_t {
  ReleaseModeOnlyToPC = 0,
  ReleaseModeBothPCAndCamera = 1,
  ReleaseModeOnlyToCamera = 2,
};

// What a release transfers; also the kind argument of RemoteGetPicture.
enum ReleaseDataKindType : std::uint8_t {
  ReleaseDataKindTakeOnlyThumbnail = 0,
  ReleaseDataKindTakeOnlyPicture = 1,
  ReleaseDataKingTakeBothThumbAndPic = 2,
};

// The event that OnRemoteEvent reports.
enum RemoteEventCallbackType : std::uint8_t {
  RemoteEventCallbackNotUsed = 0,
  RemoteEventCallbackReleaseStart = 1,
  RemoteEventCallbackReleaseComplete = 2,
  RemoteEventCallbackResetHWError = 3,
  RemoteEventCallbackChangedByUI = 4,
  RemoteEventCallbackCamReleaseOn = 5,
  RemoteEventCallbackViewfinderOn = 6,
  RemoteEventCallbackViewfinderOff = 7,
  RemoteEventCallbackReleaseImageReady = 8,
};

// Published type information of the three enumerations: the unit that declares them and the
// names of their values, indexed by value.
template <std::size_t N>
struct EnumTypeInfo {
  std::string_view TypeName;
  std::string_view UnitName;
  std::array<std::string_view, N> ValueNames;

  // The value's name, or the empty text for a value outside the enumeration.
  constexpr std::string_view NameOf(std::uint8_t value) const {
    return value < N ? ValueNames[value] : std::string_view{};
  }
};

inline constexpr std::string_view kUnitName = "CamDefines";

inline constexpr EnumTypeInfo<3> ReleaseModeTypeInfo{
    "ReleaseModeType",
    kUnitName,
    {"ReleaseModeOnlyToPC", "ReleaseModeBothPCAndCamera", "ReleaseModeOnlyToCamera"}};

inline constexpr EnumTypeInfo<3> ReleaseDataKindTypeInfo{
    "ReleaseDataKindType",
    kUnitName,
    {"ReleaseDataKindTakeOnlyThumbnail", "ReleaseDataKindTakeOnlyPicture",
     "ReleaseDataKingTakeBothThumbAndPic"}};

inline constexpr EnumTypeInfo<9> RemoteEventCallbackTypeInfo{
    "RemoteEventCallbackType",
    kUnitName,
    {"RemoteEventCallbackNotUsed", "RemoteEventCallbackReleaseStart",
     "RemoteEventCallbackReleaseComplete", "RemoteEventCallbackResetHWError",
     "RemoteEventCallbackChangedByUI", "RemoteEventCallbackCamReleaseOn",
     "RemoteEventCallbackViewfinderOn", "RemoteEventCallbackViewfinderOff",
     "RemoteEventCallbackReleaseImageReady"}};

static_assert(ReleaseModeTypeInfo.NameOf(ReleaseModeOnlyToCamera) == "ReleaseModeOnlyToCamera");
static_assert(ReleaseDataKindTypeInfo.NameOf(ReleaseDataKingTakeBothThumbAndPic) ==
              "ReleaseDataKingTakeBothThumbAndPic");
static_assert(RemoteEventCallbackTypeInfo.NameOf(RemoteEventCallbackReleaseImageReady) ==
              "RemoteEventCallbackReleaseImageReady");

}  // namespace CamDefines
