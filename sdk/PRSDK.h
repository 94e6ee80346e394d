// Calling contract of the PowerShot SDK ("PRSDK.DLL", newer PowerShot cameras) as this system
// uses it: handle types, the records the camera component passes or reads, shared codes, the
// callback prototypes and the list of every bound entry point. The camera component binds the
// library from this list; the stand-in library exports it.
//
// The library speaks PTP (ISO 15740) with the camera: device information and property
// descriptions arrive as PTP datasets (little-endian byte streams, parsed by the component), and
// properties, operations and events carry PTP codes.
//
// Layouts: on the 32-bit target every record is byte-exact with the library (the static_asserts
// below fire there). On 64-bit builds handles and pointer fields are pointer-sized, and both sides
// build against this same header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "sdk/SdkCall.h"

// ---------------------------------------------------------------------------------------------
// Basic types

// Result of every entry point and callback: 0 = success; the low 16 bits carry the error code.
typedef std::uint32_t PRResult;

// Camera object handle (PR_CreateCameraObject). 32-bit on the real target, pointer-sized
// elsewhere so a library may hand out addresses.
typedef std::uintptr_t PRHandle;

// Context value handed back to a callback. The component passes its registry slot number.
typedef std::uintptr_t PRContext;

// ---------------------------------------------------------------------------------------------
// Codes

constexpr PRResult kPROk = 0x00000000;
constexpr PRResult kPRErrNotSupported = 0x00000007;  // what unused entry points answer
constexpr PRResult kPRErrInvalidParameter = 0x00000021;
constexpr PRResult kPRErrInvalidHandle = 0x00000022;
constexpr PRResult kPRErrInsufficientBuffer = 0x00000063;
constexpr PRResult kPRErrDeviceBusy = 0x00002019;
constexpr PRResult kPRErrDevicePropNotSupported = 0x0000200A;
constexpr PRResult kPRErrInvalidDevicePropValue = 0x0000201C;

// Buffer sizes the component uses.
constexpr std::uint32_t kPRScratchBufferSize = 1048576;  // device information, descriptions
constexpr std::uint32_t kPRTransferBlockSize = 100000;   // PR_RC_GetReleasedData
constexpr std::uint32_t kPROwnerNameValueSize = 260;     // property 0xD033

// PTP operations the component looks for in the device information.
constexpr std::uint16_t kPROperation9008 = 0x9008;  // recorded, gates nothing
constexpr std::uint16_t kPROperationViewfinder = 0x900B;
constexpr std::uint16_t kPROperationFocusLock = 0x9014;

// PTP device properties, with the value size the component hands over.
constexpr std::uint16_t kPRPropPowerSource = 0xD002;         // 2, values 1..5
constexpr std::uint16_t kPRPropBatteryLevel = 0xD003;        // 4, values 1..3
constexpr std::uint16_t kPRPropImageQuality = 0xD006;        // 1
constexpr std::uint16_t kPRPropImageType = 0xD007;           // 1, kPRImageTypeRaw = raw
constexpr std::uint16_t kPRPropImageSize = 0xD008;           // 1
constexpr std::uint16_t kPRPropSelfTimer = 0xD009;           // 2
constexpr std::uint16_t kPRPropFlashMode = 0xD00A;           // 1
constexpr std::uint16_t kPRPropBeep = 0xD00B;                // 1
constexpr std::uint16_t kPRPropShootingMode = 0xD00C;        // 1
constexpr std::uint16_t kPRPropDriveMode = 0xD00E;           // 1, kPRDriveModeSelfTimer
constexpr std::uint16_t kPRPropMeteringMode = 0xD010;        // 1
constexpr std::uint16_t kPRPropAFDistance = 0xD011;          // 1
constexpr std::uint16_t kPRPropFocusPoint = 0xD012;          // 2
constexpr std::uint16_t kPRPropWhiteBalance = 0xD013;        // 1
constexpr std::uint16_t kPRPropContrast = 0xD017;            // 1
constexpr std::uint16_t kPRPropSharpness = 0xD018;           // 1
constexpr std::uint16_t kPRPropSaturation = 0xD019;          // 1
constexpr std::uint16_t kPRPropISOSpeed = 0xD01C;            // 2
constexpr std::uint16_t kPRPropAv = 0xD01D;                  // 2
constexpr std::uint16_t kPRPropTv = 0xD01E;                  // 2
constexpr std::uint16_t kPRPropExposureComp = 0xD01F;        // 1
constexpr std::uint16_t kPRPropFlashCompensation = 0xD020;   // 1
constexpr std::uint16_t kPRPropReleaseDestination = 0xD029;  // 2, release-data bits below
constexpr std::uint16_t kPRPropZoomPosition = 0xD02A;        // 2, description is a range
constexpr std::uint16_t kPRPropOwnerName = 0xD033;           // 260, PROwnerNameValue
constexpr std::uint16_t kPRPropOpticalZoomLimit = 0xD03D;    // 2, kPRNoOpticalZoomLimit = none
constexpr std::uint16_t kPRPropPhotoEffect = 0xD040;         // 2
constexpr std::uint16_t kPRPropAFAssistLight = 0xD041;       // 2

constexpr std::uint8_t kPRImageTypeRaw = 2;        // value of kPRPropImageType
constexpr std::uint8_t kPRDriveModeSelfTimer = 2;  // value of kPRPropDriveMode
constexpr std::uint16_t kPRNoOpticalZoomLimit = 0xFF;

// Release destination (kPRPropReleaseDestination): a bit set.
constexpr std::uint16_t kPRReleaseThumbnailToPC = 0x1;
constexpr std::uint16_t kPRReleasePictureToPC = 0x2;
constexpr std::uint16_t kPRReleaseThumbnailToCamera = 0x4;
constexpr std::uint16_t kPRReleasePictureToCamera = 0x8;

// PTP events (PR_SetEventCallBack). A released-data event's record is kept and later handed to
// PR_RC_GetReleasedData (its first parameter and its code). The battery event's second parameter
// is the level 1..4. 0xC001 and 0xD001 are camera warnings that the component reports by number.
constexpr std::uint16_t kPREventDevicePropChanged = 0x4006;
constexpr std::uint16_t kPREventResetHWError = 0xC005;
constexpr std::uint16_t kPREventViewfinderOff = 0xC006;
constexpr std::uint16_t kPREventViewfinderOn = 0xC007;
constexpr std::uint16_t kPREventReleaseComplete = 0xC008;  // kept, and announced to the owner
constexpr std::uint16_t kPREventReleaseData = 0xC009;      // kept without an announcement
constexpr std::uint16_t kPREventBatteryLevel = 0xC00A;
constexpr std::uint16_t kPREventCamReleaseOn = 0xC00B;
constexpr std::uint16_t kPREventChangedByUI = 0xC00C;
constexpr std::uint16_t kPREventChangedByUI2 = 0xC00E;

// PTP dataset codes a library needs to build device-property descriptions. The component reads
// descriptions by position and does not examine these.
constexpr std::uint16_t kPtpTypeUInt8 = 0x0002;
constexpr std::uint16_t kPtpTypeUInt16 = 0x0004;
constexpr std::uint16_t kPtpTypeUInt32 = 0x0006;
constexpr std::uint8_t kPtpGetOnly = 0;
constexpr std::uint8_t kPtpGetSet = 1;
constexpr std::uint8_t kPtpFormNone = 0;
constexpr std::uint8_t kPtpFormRange = 1;
constexpr std::uint8_t kPtpFormEnumeration = 2;

// ---------------------------------------------------------------------------------------------
// Records

// One device-list entry, 1108 bytes, handed whole to PR_CreateCameraObject. The component reads
// only the name; the rest is our choice: the library finds the camera again by its internal name.
struct PRDeviceEntry {
  std::uint16_t InternalName[512];  // UTF-16, zero-terminated
  std::uint16_t Name[40];           // UTF-16, zero-terminated: the camera's name
  std::uint32_t Reserved;
};
constexpr std::size_t kPRDeviceEntrySize = 1108;
constexpr std::size_t kPRDeviceEntryNameOffset = 1024;

// The device list that PR_GetDeviceList fills: a count, then up to 100 entries.
constexpr std::size_t kPRMaxDevices = 100;
struct PRDeviceList {
  std::uint32_t Count;
  PRDeviceEntry Entries[kPRMaxDevices];
};
constexpr std::uint32_t kPRDeviceListSize = 110804;

// The value of property 0xD033: 4 bytes, then the owner text (8-bit, zero-terminated). The
// meaning of the first word is our choice: the text's length including its zero.
struct PROwnerNameValue {
  std::uint32_t TextSize;
  char Text[256];
};

// An event as the event callback receives it: a PTP event container followed by the library's
// own bytes, 412 in all. The component keeps release events whole.
struct PREventRecord {
  std::uint32_t Length;         // bytes of the PTP container (24 with three parameters)
  std::uint16_t ContainerType;  // 4 = event
  std::uint16_t Code;
  std::uint32_t TransactionId;
  std::uint32_t Param1;  // release events: the object handle for PR_RC_GetReleasedData
  std::uint32_t Param2;  // battery event: the level (read as signed)
  std::uint32_t Param3;
  std::uint8_t Reserved[388];
};
constexpr std::size_t kPREventRecordSize = 412;

// A progress report of PR_RC_GetReleasedData. Each report carries the next chunk of the data;
// a chunk length of 0 ends the transfer. The fields the component does not read are our choice.
// On 64-bit builds Data is 8 bytes and naturally aligned: offset 32, record size 40.
struct PRProgressRecord {
  std::uint32_t Message;
  std::uint32_t Status;
  std::int32_t PercentDone;
  std::uint32_t Offset;  // position of this chunk in the whole transfer
  std::int32_t Length;   // bytes in this chunk
  std::uint32_t TotalSize;
  std::uint32_t Reserved;
  const void* Data;  // the chunk
};

static_assert(sizeof(PRDeviceEntry) == kPRDeviceEntrySize);
static_assert(offsetof(PRDeviceEntry, Name) == kPRDeviceEntryNameOffset);
static_assert(sizeof(PRDeviceList) == kPRDeviceListSize);
static_assert(offsetof(PRDeviceList, Entries) == 4);
static_assert(sizeof(PROwnerNameValue) == kPROwnerNameValueSize);
static_assert(offsetof(PROwnerNameValue, Text) == 4);
static_assert(sizeof(PREventRecord) == kPREventRecordSize);
static_assert(offsetof(PREventRecord, Code) == 6);
static_assert(offsetof(PREventRecord, Param1) == 12 && offsetof(PREventRecord, Param2) == 16);
static_assert(offsetof(PRProgressRecord, PercentDone) == 8);
static_assert(offsetof(PRProgressRecord, Length) == 16);
static_assert(sizeof(void*) != 4 || offsetof(PRProgressRecord, Data) == 28);
static_assert(sizeof(void*) != 4 || sizeof(PRProgressRecord) == 32);
static_assert(sizeof(void*) != 8 || offsetof(PRProgressRecord, Data) == 32);
static_assert(sizeof(void*) != 4 || sizeof(PRHandle) == 4);

// ---------------------------------------------------------------------------------------------
// Callbacks (all return 0)

// Events: the camera object (not read), context, the event.
typedef PRResult(SDKCALL* PREventCallback)(PRHandle camera, PRContext context,
                                           const PREventRecord* event);

// Progress and data of a released-data transfer: the camera object and a status (not read),
// context, the report.
typedef PRResult(SDKCALL* PRProgressCallback)(PRHandle camera, std::uint32_t status,
                                              PRContext context, const PRProgressRecord* progress);

// Viewfinder frames; only the never-called PR_RC_StartViewFinder takes it.
typedef PRResult(SDKCALL* PRViewfinderCallback)(PRHandle camera, std::uint32_t size,
                                                const void* data, PRContext context);

// ---------------------------------------------------------------------------------------------
// Entry points, in binding order: X(Identifier, "ExportName", (parameters)).
// The argument lists of entry points the component calls (kPRSDKCalledEntryPoints) are fixed by
// its call sites; the others are bound but never called, and their argument lists are our own
// choice. PTP property and event codes travel as 16-bit values.

// clang-format off
#define PRSDK_ENTRY_POINTS(X) \
  X(PR_StartSDK, "PR_StartSDK", ()) \
  X(PR_FinishSDK, "PR_FinishSDK", ()) \
  X(PR_GetDllsVersion, "PR_GetDllsVersion", (std::uint32_t* bufferSize, void* buffer)) \
  X(PR_GetDeviceList, "PR_GetDeviceList", (std::uint32_t* bufferSize, PRDeviceList* list)) \
  X(PR_CreateCameraObject, "PR_CreateCameraObject", \
    (const PRDeviceEntry* entry, PRHandle* camera)) \
  X(PR_DestroyCameraObject, "PR_DestroyCameraObject", (PRHandle camera)) \
  X(PR_ConnectCamera, "PR_ConnectCamera", (PRHandle camera)) \
  X(PR_DisconnectCamera, "PR_DisconnectCamera", (PRHandle camera)) \
  X(PR_SetEventCallBack, "PR_SetEventCallBack", \
    (PRHandle camera, PRContext context, PREventCallback callback)) \
  X(PR_ClearEventCallBack, "PR_ClearEventCallBack", (PRHandle camera)) \
  X(PR_GetDeviceInfo, "PR_GetDeviceInfo", \
    (PRHandle camera, std::uint32_t* bufferSize, void* buffer)) \
  X(PR_InitiateReleaseControl, "PR_InitiateReleaseControl", (PRHandle camera)) \
  X(PR_TerminateReleaseControl, "PR_TerminateReleaseControl", (PRHandle camera)) \
  X(PR_RC_Release, "PR_RC_Release", (PRHandle camera)) \
  X(PR_RC_GetReleasedData, "PR_RC_GetReleasedData", \
    (PRHandle camera, std::uint32_t objectHandle, std::uint16_t eventCode, \
     std::uint32_t blockSize, PRContext context, PRProgressCallback callback)) \
  X(PR_RC_GetNumAvailableShot, "PR_RC_GetNumAvailableShot", \
    (PRHandle camera, std::uint32_t* count)) \
  X(PR_RC_StartViewFinder, "PR_RC_StartViewFinder", \
    (PRHandle camera, PRContext context, PRViewfinderCallback callback)) \
  X(PR_RC_TermViewFinder, "PR_RC_TermViewFinder", (PRHandle camera)) \
  X(PR_RC_DoAeAfAwb, "PR_RC_DoAeAfAwb", (PRHandle camera, std::uint32_t resetFlags)) \
  X(PR_RC_FocusLock, "PR_RC_FocusLock", (PRHandle camera)) \
  X(PR_RC_FocusUnlock, "PR_RC_FocusUnlock", (PRHandle camera)) \
  X(PR_GetDevicePropDesc, "PR_GetDevicePropDesc", \
    (PRHandle camera, std::uint16_t propCode, std::uint32_t* bufferSize, void* buffer)) \
  X(PR_GetDevicePropValue, "PR_GetDevicePropValue", \
    (PRHandle camera, std::uint16_t propCode, std::uint32_t* bufferSize, void* buffer)) \
  X(PR_SetDevicePropValue, "PR_SetDevicePropValue", \
    (PRHandle camera, std::uint16_t propCode, std::uint32_t size, const void* value)) \
  X(PR_RC_GetChangedReleaseParamesList, "PR_RC_GetChangedReleaseParamesList", \
    (PRHandle camera, std::uint32_t* bufferSize, void* buffer))
// clang-format on

// PR_StartSDKProc, PR_FinishSDKProc, ... : one function-pointer type per entry point.
PRSDK_ENTRY_POINTS(SDK_ENTRY_POINT_PROC_TYPE)

// The entry points as an enumeration, in binding order (PRSDKEntryPoint::PR_StartSDK == 0).
enum class PRSDKEntryPoint : std::size_t { PRSDK_ENTRY_POINTS(SDK_ENTRY_POINT_ENUMERATOR) };

constexpr std::size_t kPRSDKEntryPointCount = 25;
static_assert(kPRSDKEntryPointCount == 0 PRSDK_ENTRY_POINTS(SDK_ENTRY_POINT_COUNT_ONE));

// Export names and C++ identifiers, indexed by PRSDKEntryPoint.
inline constexpr const char* kPRSDKExportNames[] = {
    PRSDK_ENTRY_POINTS(SDK_ENTRY_POINT_EXPORT_NAME)};
inline constexpr const char* kPRSDKIdentifiers[] = {PRSDK_ENTRY_POINTS(SDK_ENTRY_POINT_IDENTIFIER)};

// The entry points the component calls; every other one is only bound, and a stand-in library
// answers it with kPRErrNotSupported.
inline constexpr const char* kPRSDKCalledEntryPoints[] = {
    "PR_StartSDK",           "PR_FinishSDK",
    "PR_GetDeviceList",      "PR_CreateCameraObject",
    "PR_ConnectCamera",      "PR_SetEventCallBack",
    "PR_GetDeviceInfo",      "PR_InitiateReleaseControl",
    "PR_RC_Release",         "PR_RC_GetReleasedData",
    "PR_RC_FocusLock",       "PR_RC_FocusUnlock",
    "PR_GetDevicePropDesc",  "PR_GetDevicePropValue",
    "PR_SetDevicePropValue",
};
constexpr std::size_t kPRSDKCalledEntryPointCount = 15;
static_assert(std::size(kPRSDKCalledEntryPoints) == kPRSDKCalledEntryPointCount);
static_assert(SdkNamesAllListed(kPRSDKCalledEntryPoints, kPRSDKExportNames));
