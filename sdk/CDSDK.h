// Calling contract of the CD-SDK ("CDSDK.DLL", older PowerShot cameras) as this system uses it:
// handle types, the records the camera component passes or reads, shared codes, the callback
// prototypes and the list of every bound entry point. The camera component binds the library from
// this list; the stand-in library exports it.
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
typedef std::uint32_t CDResult;

// Opaque handles (sources, enumerations, callback registrations, volumes, items, images).
// 32-bit on the real target, pointer-sized elsewhere so a library may hand out addresses.
typedef std::uintptr_t CDHandle;
typedef CDHandle CDSourceHandle;
typedef CDHandle CDEnumHandle;

// Context value handed back to a callback. The component passes its registry slot number.
typedef std::uintptr_t CDContext;

// ---------------------------------------------------------------------------------------------
// Codes

constexpr CDResult kCDOk = 0x00000000;
constexpr CDResult kCDErrNotSupported = 0x00000007;  // what unused entry points answer
constexpr CDResult kCDErrInvalidParameter = 0x00000060;
constexpr CDResult kCDErrInvalidHandle = 0x00000061;
constexpr CDResult kCDErrInvalidIndex = 0x00000063;
constexpr CDResult kCDErrDeviceBusy = 0x00000081;
constexpr CDResult kCDErrNotReleased = 0x0000008D;        // a transfer with no released picture
constexpr CDResult kCDErrEnumNotApplicable = 0x000000F0;  // our choice for a next call past the end

// Argument values the component sends as they stand (their meaning is the library's).
constexpr std::uint32_t kCDStartOption = 0;       // CDStartSDK
constexpr std::uint32_t kCDEnumDeviceOption = 1;  // CDEnumDeviceReset
constexpr std::uint32_t kCDPropertyOption = 0;    // CDEnumDevicePropertyReset, ...Data
constexpr std::uint32_t kCDReleaseOption = 0;     // CDRelease, second argument
constexpr std::uint32_t kCDProgressOption = 3;    // CDRelease, CDGetReleasedData

// CDStartSDK's version record: the first three 16-bit fields.
constexpr std::uint16_t kCDVersionInfoSize = 40;
constexpr std::uint16_t kCDVersionMajor = 7;
constexpr std::uint16_t kCDVersionMinor = 3;

// Device properties (CDGetDevicePropertyData). A name space of its own: the owner-name ID equals
// the ISO release setting's ID below by coincidence only.
constexpr std::uint32_t kCDDevPropOwnerName = 0x0800000C;    // text, 32 characters
constexpr std::uint32_t kCDDevPropPowerStatus = 0x0000000F;  // 32-bit value, see below
constexpr std::size_t kCDOwnerNameLength = 32;

// The power status: power source in the top four bits (1..5), battery state in the low four.
// The battery event's data uses the same low-nibble states.
constexpr std::uint32_t kCDPowerSourceShift = 28;
constexpr std::uint32_t kCDBatteryStateMask = 0x0000000F;
constexpr std::uint32_t kCDBatteryHigh = 6;
constexpr std::uint32_t kCDBatteryHalf = 4;
constexpr std::uint32_t kCDBatteryLow = 3;
constexpr std::uint32_t kCDBatteryBelowLow = 2;

// Release-camera settings (CDGetRelCamSettingData, CDSetRelCamSettingData,
// CDEnumRelCamSettingDataReset) and the size of each value in bytes.
constexpr std::uint32_t kCDRelCamMeteringMode = 0x08000004;      // 1 byte
constexpr std::uint32_t kCDRelCamISOSpeed = 0x0800000C;          // 2 bytes, code in the low byte
constexpr std::uint32_t kCDRelCamContrast = 0x08000008;          // 1 byte
constexpr std::uint32_t kCDRelCamSharpness = 0x08000009;         // 1 byte
constexpr std::uint32_t kCDRelCamSaturation = 0x0800000A;        // 1 byte
constexpr std::uint32_t kCDRelCamPhotoEffect = 0x08000B00;       // 2 bytes
constexpr std::uint32_t kCDRelCamBeep = 0x08000002;              // 1 byte
constexpr std::uint32_t kCDRelCamColorTemperature = 0x00001100;  // 2 bytes

// CDSetFlashSetting sets flash mode and compensation in one call; this value leaves a half alone.
constexpr std::uint16_t kCDFlashHalfUnchanged = 0x00FF;

// Release-data kind of CDSelectReleaseDataKind: a bit set.
constexpr std::uint32_t kCDReleaseThumbnailToPC = 0x1;
constexpr std::uint32_t kCDReleasePictureToPC = 0x2;
constexpr std::uint32_t kCDReleaseThumbnailToCamera = 0x4;
constexpr std::uint32_t kCDReleasePictureToCamera = 0x8;

// Release-control faculty bits (CDGetReleaseControlFaculty); bits 0..4 become the component's
// capability bytes 0..4.
constexpr std::uint32_t kCDFacultyZoom = 1u << 0;
constexpr std::uint32_t kCDFacultySetParams = 1u << 1;
constexpr std::uint32_t kCDFacultyViewfinder = 1u << 2;
constexpr std::uint32_t kCDFacultyBit3 = 1u << 3;
constexpr std::uint32_t kCDFacultyAFLock = 1u << 4;

// Device events (CDRegisterEventCallbackFunction): the low 16 bits name the event, bits 16..19
// its severity. The battery event's data is the battery state; the shutdown warning asks the
// program to keep the camera awake. The other device events (2, 3, 4, 6, 7, 11, 13) are camera
// warnings that the component reports by number.
constexpr std::uint32_t kCDEventCodeMask = 0x0000FFFF;
constexpr std::uint32_t kCDEventSeverityMask = 0x000F0000;
constexpr std::uint32_t kCDEventSeverityInfo = 0x00000000;
constexpr std::uint32_t kCDEventSeverityWarning = 0x00020000;
constexpr std::uint32_t kCDEventSeverityShutdown = 0x00040000;
constexpr std::uint32_t kCDDeviceEventBattery = 1;
constexpr std::uint32_t kCDDeviceEventShutdownWarning = 5;

// Release events (CDEnterReleaseControl). The release-complete event's data is the count of
// released data items (thumbnail and picture each count).
constexpr std::uint32_t kCDReleaseEventResetHWError = 10;
constexpr std::uint32_t kCDReleaseEventChangedByUI = 27;
constexpr std::uint32_t kCDReleaseEventReleaseStart = 28;
constexpr std::uint32_t kCDReleaseEventReleaseComplete = 29;
constexpr std::uint32_t kCDReleaseEventCamReleaseOn = 30;
constexpr std::uint32_t kCDReleaseEventViewfinderOff = 32;
constexpr std::uint32_t kCDReleaseEventViewfinderOn = 33;

// Storage-medium kinds (CDStorageMedium::Kind).
constexpr std::uint32_t kCDMediumFile = 0;

// ---------------------------------------------------------------------------------------------
// Records

// CDStartSDK's version record, 40 bytes. The component sets the first three fields and zeros the
// rest; what follows them is our choice.
struct CDVersionInfo {
  std::uint16_t Size;   // 40
  std::uint16_t Major;  // 7
  std::uint16_t Minor;  // 3
  std::uint16_t Release;
  std::uint8_t Reserved[32];
};

// Source information, 400 bytes: one per attached camera, filled by CDEnumDeviceNext and handed
// whole to CDOpenSource. The component reads only the two names; the rest is our choice: the
// library finds the camera again by its port name.
struct CDSourceInfo {
  std::uint32_t DeviceType;
  std::uint32_t Reserved0;
  char ModelName[64];  // zero-terminated unless all 64 are used
  char Name[64];       // the name the camera is listed under
  char PortName[256];
  std::uint32_t PortType;
  std::uint32_t Reserved1;
};
constexpr std::size_t kCDSourceInfoSize = 400;

// One record of a device-property enumeration (CDEnumDevicePropertyNext).
struct CDDevicePropertyInfo {
  std::uint32_t Id;
  std::uint32_t Access;    // our choice: 1 readable, 2 writable
  std::uint32_t DataSize;  // bytes that CDGetDevicePropertyData delivers
};

// One entry of the image-format enumeration: quality and size codes together.
struct CDImageFormatAttribute {
  std::uint16_t Quality;
  std::uint16_t Size;
};

// Information on released data, filled by CDGetReleasedData. The component does not read it;
// the layout is our choice.
struct CDReleasedDataInfo {
  std::uint32_t DataKind;  // the kind bit of what was transferred
  std::uint32_t Format;    // 1 = JPEG
  std::uint32_t DataSize;  // bytes written
  std::uint32_t Width;
  std::uint32_t Height;
  std::uint32_t Reserved[3];
};

// Where CDGetReleasedData writes the data: kind 0 is a file named by a zero-terminated path.
// On 64-bit builds the pointer is 8 bytes at offset 8 (natural alignment).
struct CDStorageMedium {
  std::uint32_t Kind;
  const char* FileName;
};

static_assert(sizeof(CDVersionInfo) == kCDVersionInfoSize);
static_assert(offsetof(CDVersionInfo, Major) == 2 && offsetof(CDVersionInfo, Minor) == 4);
static_assert(sizeof(CDSourceInfo) == kCDSourceInfoSize);
static_assert(offsetof(CDSourceInfo, ModelName) == 8 && sizeof(CDSourceInfo::ModelName) == 64);
static_assert(offsetof(CDSourceInfo, Name) == 72 && sizeof(CDSourceInfo::Name) == 64);
static_assert(offsetof(CDDevicePropertyInfo, Id) == 0);
static_assert(offsetof(CDDevicePropertyInfo, DataSize) == 8);
static_assert(sizeof(CDImageFormatAttribute) == 4);
static_assert(sizeof(CDReleasedDataInfo) == 32);
static_assert(offsetof(CDStorageMedium, FileName) == sizeof(void*));
static_assert(sizeof(void*) != 4 || sizeof(CDStorageMedium) == 8);
static_assert(sizeof(void*) != 4 || sizeof(CDHandle) == 4);

// ---------------------------------------------------------------------------------------------
// Callbacks (all return 0)

// Device events (CDRegisterEventCallbackFunction) and release events (CDEnterReleaseControl):
// event ID, the event's data (its first 32-bit value is what the component reads), the data's
// size in bytes (not read), context.
typedef CDResult(SDKCALL* CDEventCallback)(std::uint32_t eventId, const void* eventData,
                                           std::uint32_t dataSize, CDContext context);
typedef CDEventCallback CDReleaseEventCallback;

// Progress of a release or transfer: percent done, a status (not read), context.
typedef CDResult(SDKCALL* CDProgressCallback)(std::uint32_t percentDone, std::uint32_t status,
                                              CDContext context);

// Viewfinder frames; only the never-called CDStartViewfinder takes it.
typedef CDResult(SDKCALL* CDViewfinderCallback)(const void* data, std::uint32_t size,
                                                std::uint32_t format, CDContext context);

// ---------------------------------------------------------------------------------------------
// Entry points, in binding order: X(Identifier, "ExportName", (parameters)).
// The faculty entry point is exported under its decorated name. The argument lists of entry
// points the component calls (kCDSDKCalledEntryPoints) are fixed by its call sites; the others
// are bound but never called, and their argument lists are our own choice.

// clang-format off
#define CDSDK_ENTRY_POINTS(X) \
  X(CDStartSDK, "CDStartSDK", (const CDVersionInfo* version, std::uint32_t option)) \
  X(CDFinishSDK, "CDFinishSDK", ()) \
  X(CDGetSDKVersion, "CDGetSDKVersion", (CDVersionInfo* version)) \
  X(CDEnumDeviceReset, "CDEnumDeviceReset", (std::uint32_t option, CDEnumHandle* enumHandle)) \
  X(CDEnumDeviceNext, "CDEnumDeviceNext", (CDEnumHandle enumHandle, CDSourceInfo* sourceInfo)) \
  X(CDGetDeviceCount, "CDGetDeviceCount", (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDEnumDeviceRelease, "CDEnumDeviceRelease", (CDEnumHandle enumHandle)) \
  X(CDOpenSource, "CDOpenSource", (const CDSourceInfo* sourceInfo, CDSourceHandle* source)) \
  X(CDCloseSource, "CDCloseSource", (CDSourceHandle source)) \
  X(CDRegisterEventCallbackFunction, "CDRegisterEventCallbackFunction", \
    (CDSourceHandle source, CDEventCallback callback, CDContext context, CDHandle* registration)) \
  X(CDUnregisterEventCallbackFunction, "CDUnregisterEventCallbackFunction", \
    (CDSourceHandle source, CDHandle registration)) \
  X(CDEnumDevicePropertyReset, "CDEnumDevicePropertyReset", \
    (CDSourceHandle source, std::uint32_t option, CDEnumHandle* enumHandle)) \
  X(CDEnumDevicePropertyNext, "CDEnumDevicePropertyNext", \
    (CDEnumHandle enumHandle, CDDevicePropertyInfo* info)) \
  X(CDGetDevicePropertyCount, "CDGetDevicePropertyCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDEnumDevicePropertyRelease, "CDEnumDevicePropertyRelease", (CDEnumHandle enumHandle)) \
  X(CDGetDevicePropertyData, "CDGetDevicePropertyData", \
    (CDSourceHandle source, std::uint32_t propertyId, std::uint32_t* size, void* buffer, \
     std::uint32_t option)) \
  X(CDSetDevicePropertyData, "CDSetDevicePropertyData", \
    (CDSourceHandle source, std::uint32_t propertyId, std::uint32_t size, const void* buffer)) \
  X(CDEnumSupportedImageSizeReset, "CDEnumSupportedImageSizeReset", \
    (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumSupportedImageSizeNext, "CDEnumSupportedImageSizeNext", \
    (CDEnumHandle enumHandle, void* sizeInfo)) \
  X(CDGetSupportedImageSizeCount, "CDGetSupportedImageSizeCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDEnumSupportedImageSizeRelease, "CDEnumSupportedImageSizeRelease", \
    (CDEnumHandle enumHandle)) \
  X(CDLockUI, "CDLockUI", (CDSourceHandle source)) \
  X(CDUnlockUI, "CDUnlockUI", (CDSourceHandle source)) \
  X(CDSetUILockTimeOutTime, "CDSetUILockTimeOutTime", \
    (CDSourceHandle source, std::uint32_t milliseconds)) \
  X(CDFormat, "CDFormat", \
    (CDHandle volume, CDProgressCallback callback, CDContext context, std::uint32_t option)) \
  X(CDEnumVolumeReset, "CDEnumVolumeReset", (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumVolumeNext, "CDEnumVolumeNext", (CDEnumHandle enumHandle, CDHandle* volume)) \
  X(CDGetVolumeCount, "CDGetVolumeCount", (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDEnumVolumeRelease, "CDEnumVolumeRelease", (CDEnumHandle enumHandle)) \
  X(CDGetVolumeName, "CDGetVolumeName", \
    (CDHandle volume, std::uint32_t* size, char* name)) \
  X(CDGetVolumeInfo, "CDGetVolumeInfo", (CDHandle volume, void* info)) \
  X(CDEnumItemReset, "CDEnumItemReset", \
    (CDHandle parent, std::uint32_t option, CDEnumHandle* enumHandle)) \
  X(CDEnumItemNext, "CDEnumItemNext", (CDEnumHandle enumHandle, CDHandle* item)) \
  X(CDGetItemCount, "CDGetItemCount", (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDEnumItemRelease, "CDEnumItemRelease", (CDEnumHandle enumHandle)) \
  X(CDEnumImageItemReset, "CDEnumImageItemReset", \
    (CDHandle parent, std::uint32_t depth, std::uint32_t option, CDEnumHandle* enumHandle)) \
  X(CDEnumImageItemNext, "CDEnumImageItemNext", (CDEnumHandle enumHandle, CDHandle* item)) \
  X(CDGetImageItemCount, "CDGetImageItemCount", (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDEnumImageItemRelease, "CDEnumImageItemRelease", (CDEnumHandle enumHandle)) \
  X(CDGetItemInfo, "CDGetItemInfo", (CDHandle item, void* info)) \
  X(CDMakeImageItem, "CDMakeImageItem", (CDHandle parent, const void* info, CDHandle* item)) \
  X(CDFreeImageItem, "CDFreeImageItem", (CDHandle item)) \
  X(CDOpenImage, "CDOpenImage", (CDHandle item, CDHandle* image)) \
  X(CDCloseImage, "CDCloseImage", (CDHandle image)) \
  X(CDGetThumbnail, "CDGetThumbnail", \
    (CDHandle image, CDProgressCallback callback, CDContext context, std::uint32_t option, \
     const CDStorageMedium* medium)) \
  X(CDGetPicture, "CDGetPicture", \
    (CDHandle image, CDProgressCallback callback, CDContext context, std::uint32_t option, \
     const CDStorageMedium* medium)) \
  X(CDGetMovie, "CDGetMovie", \
    (CDHandle image, CDProgressCallback callback, CDContext context, std::uint32_t option, \
     const CDStorageMedium* medium)) \
  X(CDGetSound, "CDGetSound", \
    (CDHandle image, CDProgressCallback callback, CDContext context, std::uint32_t option, \
     const CDStorageMedium* medium)) \
  X(CDEnumImageDataInItemReset, "CDEnumImageDataInItemReset", \
    (CDHandle item, std::uint32_t option, CDEnumHandle* enumHandle)) \
  X(CDEnumImageDataInItemNext, "CDEnumImageDataInItemNext", \
    (CDEnumHandle enumHandle, CDHandle* data)) \
  X(CDGetImageDataInItemCount, "CDGetImageDataInItemCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDEnumImageDataInItemRelease, "CDEnumImageDataInItemRelease", (CDEnumHandle enumHandle)) \
  X(CDGetImageDataInfo, "CDGetImageDataInfo", (CDHandle data, void* info)) \
  X(CDGetImageData, "CDGetImageData", \
    (CDHandle data, CDProgressCallback callback, CDContext context, std::uint32_t option, \
     const CDStorageMedium* medium)) \
  X(CDAddPicture, "CDAddPicture", \
    (CDHandle volume, const CDStorageMedium* medium, CDProgressCallback callback, \
     CDContext context, std::uint32_t option, CDHandle* item)) \
  X(CDDeleteImage, "CDDeleteImage", \
    (CDHandle volume, CDHandle item, CDProgressCallback callback, CDContext context, \
     std::uint32_t option)) \
  X(CDIsPrintMarked, "CDIsPrintMarked", (CDHandle item, std::uint32_t* marked)) \
  X(CDIsSlideMarked, "CDIsSlideMarked", (CDHandle item, std::uint32_t* marked)) \
  X(CDIsTransferMarked, "CDIsTransferMarked", (CDHandle item, std::uint32_t* marked)) \
  X(CDEnumBaseImageDataPropertyReset, "CDEnumBaseImageDataPropertyReset", \
    (CDHandle data, std::uint32_t option, CDEnumHandle* enumHandle)) \
  X(CDEnumBaseImageDataPropertyNext, "CDEnumBaseImageDataPropertyNext", \
    (CDEnumHandle enumHandle, void* info)) \
  X(CDGetBaseImageDataPropertyCount, "CDGetBaseImageDataPropertyCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDEnumBaseImageDataPropertyRelease, "CDEnumBaseImageDataPropertyRelease", \
    (CDEnumHandle enumHandle)) \
  X(CDGetBaseImageDataProperty, "CDGetBaseImageDataProperty", \
    (CDHandle data, std::uint32_t propertyId, std::uint32_t* size, void* buffer)) \
  X(CDEnumImageItemPropertyReset, "CDEnumImageItemPropertyReset", \
    (CDHandle item, std::uint32_t option, CDEnumHandle* enumHandle)) \
  X(CDEnumImageItemPropertyNext, "CDEnumImageItemPropertyNext", \
    (CDEnumHandle enumHandle, void* info)) \
  X(CDGetImageItemPropertyCount, "CDGetImageItemPropertyCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDEnumImageItemPropertyRelease, "CDEnumImageItemPropertyRelease", (CDEnumHandle enumHandle)) \
  X(CDGetImageItemProperty, "CDGetImageItemProperty", \
    (CDHandle item, std::uint32_t propertyId, std::uint32_t* size, void* buffer)) \
  X(CDSetImageItemProperty, "CDSetImageItemProperty", \
    (CDHandle item, std::uint32_t propertyId, std::uint32_t size, const void* buffer)) \
  X(CDFlashImageItemProperty, "CDFlashImageItemProperty", (CDHandle item)) \
  X(CDGetThumbnailValidArea, "CDGetThumbnailValidArea", \
    (CDHandle data, std::uint32_t* left, std::uint32_t* top, std::uint32_t* right, \
     std::uint32_t* bottom)) \
  X(CDEnterReleaseControl, "CDEnterReleaseControl", \
    (CDSourceHandle source, CDReleaseEventCallback callback, CDContext context)) \
  X(CDExitReleaseControl, "CDExitReleaseControl", (CDSourceHandle source)) \
  X(CDGetReleaseControlFaculty, "_CDGetReleaseControlFaculty@8", \
    (CDSourceHandle source, std::uint32_t* faculty)) \
  X(CDSelectReleaseDataKind, "CDSelectReleaseDataKind", \
    (CDSourceHandle source, std::uint32_t kind)) \
  X(CDRelease, "CDRelease", \
    (CDSourceHandle source, std::uint32_t option, CDProgressCallback callback, \
     CDContext context, std::uint32_t progressOption, std::uint32_t* count)) \
  X(CDGetReleasedData, "CDGetReleasedData", \
    (CDSourceHandle source, CDProgressCallback callback, CDContext context, \
     std::uint32_t progressOption, CDReleasedDataInfo* info, const CDStorageMedium* medium)) \
  X(CDStartViewfinder, "CDStartViewfinder", \
    (CDSourceHandle source, std::uint32_t format, CDViewfinderCallback callback, \
     CDContext context)) \
  X(CDTermViewfinder, "CDTermViewfinder", (CDSourceHandle source)) \
  X(CDSelectViewFinderCameraOutput, "CDSelectViewFinderCameraOutput", \
    (CDSourceHandle source, std::uint32_t output)) \
  X(CDActViewfinderAutoFunctions, "CDActViewfinderAutoFunctions", \
    (CDSourceHandle source, std::uint32_t functions)) \
  X(CDGetMaximumZoomPos, "CDGetMaximumZoomPos", \
    (CDSourceHandle source, std::uint32_t* maxPos, std::uint32_t* maxOpticalPos)) \
  X(CDGetZoomPos, "CDGetZoomPos", (CDSourceHandle source, std::uint32_t* pos)) \
  X(CDGetDZoomMagnification, "CDGetDZoomMagnification", \
    (CDSourceHandle source, std::uint32_t* numerator, std::uint32_t* denominator)) \
  X(CDSetZoomPos, "CDSetZoomPos", (CDSourceHandle source, std::uint32_t pos)) \
  X(CDAFLock, "CDAFLock", (CDSourceHandle source, std::uint32_t lock)) \
  X(CDSetImageFormatAttribute, "CDSetImageFormatAttribute", \
    (CDSourceHandle source, std::uint16_t quality, std::uint16_t size)) \
  X(CDGetImageFormatAttribute, "CDGetImageFormatAttribute", \
    (CDSourceHandle source, std::uint16_t* quality, std::uint16_t* size)) \
  X(CDEnumImageFormatAttributeReset, "CDEnumImageFormatAttributeReset", \
    (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumImageFormatAttributeNext, "CDEnumImageFormatAttributeNext", \
    (CDEnumHandle enumHandle, CDImageFormatAttribute* value)) \
  X(CDEnumImageFormatAttributeRelease, "CDEnumImageFormatAttributeRelease", \
    (CDEnumHandle enumHandle)) \
  X(CDGetImageFormatAttributeCount, "CDGetImageFormatAttributeCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDSetDriveMode, "CDSetDriveMode", (CDSourceHandle source, std::uint16_t mode)) \
  X(CDGetDriveMode, "CDGetDriveMode", (CDSourceHandle source, std::uint16_t* mode)) \
  X(CDEnumDriveModeReset, "CDEnumDriveModeReset", \
    (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumDriveModeNext, "CDEnumDriveModeNext", (CDEnumHandle enumHandle, std::uint16_t* mode)) \
  X(CDEnumDriveModeRelease, "CDEnumDriveModeRelease", (CDEnumHandle enumHandle)) \
  X(CDGetDriveModeCount, "CDGetDriveModeCount", (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDSetShootingMode, "CDSetShootingMode", (CDSourceHandle source, std::uint16_t mode)) \
  X(CDGetShootingMode, "CDGetShootingMode", (CDSourceHandle source, std::uint16_t* mode)) \
  X(CDEnumShootingModeReset, "CDEnumShootingModeReset", \
    (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumShootingModeNext, "CDEnumShootingModeNext", \
    (CDEnumHandle enumHandle, std::uint16_t* mode)) \
  X(CDEnumShootingModeRelease, "CDEnumShootingModeRelease", (CDEnumHandle enumHandle)) \
  X(CDGetShootingModeCount, "CDGetShootingModeCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDSetAvValue, "CDSetAvValue", (CDSourceHandle source, std::uint16_t value)) \
  X(CDGetAvValue, "CDGetAvValue", (CDSourceHandle source, std::uint16_t* value)) \
  X(CDSetTvValue, "CDSetTvValue", (CDSourceHandle source, std::uint16_t value)) \
  X(CDGetTvValue, "CDGetTvValue", (CDSourceHandle source, std::uint16_t* value)) \
  X(CDEnumAvValueReset, "CDEnumAvValueReset", (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumAvValueNext, "CDEnumAvValueNext", (CDEnumHandle enumHandle, std::uint16_t* value)) \
  X(CDEnumAvValueRelease, "CDEnumAvValueRelease", (CDEnumHandle enumHandle)) \
  X(CDGetAvValueCount, "CDGetAvValueCount", (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDEnumTvValueReset, "CDEnumTvValueReset", (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumTvValueNext, "CDEnumTvValueNext", (CDEnumHandle enumHandle, std::uint16_t* value)) \
  X(CDEnumTvValueRelease, "CDEnumTvValueRelease", (CDEnumHandle enumHandle)) \
  X(CDGetTvValueCount, "CDGetTvValueCount", (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDSetExposureComp, "CDSetExposureComp", (CDSourceHandle source, std::uint16_t value)) \
  X(CDGetExposureComp, "CDGetExposureComp", (CDSourceHandle source, std::uint16_t* value)) \
  X(CDEnumExposureCompReset, "CDEnumExposureCompReset", \
    (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumExposureCompNext, "CDEnumExposureCompNext", \
    (CDEnumHandle enumHandle, std::uint16_t* value)) \
  X(CDEnumExposureCompRelease, "CDEnumExposureCompRelease", (CDEnumHandle enumHandle)) \
  X(CDGetExposureCompCount, "CDGetExposureCompCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDSetWBSetting, "CDSetWBSetting", (CDSourceHandle source, std::uint16_t value)) \
  X(CDGetWBSetting, "CDGetWBSetting", (CDSourceHandle source, std::uint16_t* value)) \
  X(CDEnumWBSettingReset, "CDEnumWBSettingReset", \
    (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumWBSettingNext, "CDEnumWBSettingNext", (CDEnumHandle enumHandle, std::uint16_t* value)) \
  X(CDEnumWBSettingRelease, "CDEnumWBSettingRelease", (CDEnumHandle enumHandle)) \
  X(CDGetWBSettingCount, "CDGetWBSettingCount", (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDSetAFDistanceSetting, "CDSetAFDistanceSetting", \
    (CDSourceHandle source, std::uint16_t value)) \
  X(CDGetAFDistanceSetting, "CDGetAFDistanceSetting", \
    (CDSourceHandle source, std::uint16_t* value)) \
  X(CDEnumAFDistanceSettingReset, "CDEnumAFDistanceSettingReset", \
    (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumAFDistanceSettingNext, "CDEnumAFDistanceSettingNext", \
    (CDEnumHandle enumHandle, std::uint16_t* value)) \
  X(CDEnumAFDistanceSettingRelease, "CDEnumAFDistanceSettingRelease", \
    (CDEnumHandle enumHandle)) \
  X(CDGetAFDistanceSettingCount, "CDGetAFDistanceSettingCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDSetFlashSetting, "CDSetFlashSetting", \
    (CDSourceHandle source, std::uint16_t mode, std::uint16_t compensation)) \
  X(CDGetFlashSetting, "CDGetFlashSetting", \
    (CDSourceHandle source, std::uint16_t* mode, std::uint16_t* compensation)) \
  X(CDEnumFlashSettingReset, "CDEnumFlashSettingReset", \
    (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumFlashSettingNext, "CDEnumFlashSettingNext", \
    (CDEnumHandle enumHandle, std::uint16_t* mode)) \
  X(CDEnumFlashSettingRelease, "CDEnumFlashSettingRelease", (CDEnumHandle enumHandle)) \
  X(CDGetFlashSettingCount, "CDGetFlashSettingCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDGetNumAvailableShot, "CDGetNumAvailableShot", \
    (CDSourceHandle source, std::uint32_t* count)) \
  X(CDEnumRelCamSettingReset, "CDEnumRelCamSettingReset", \
    (CDSourceHandle source, CDEnumHandle* enumHandle)) \
  X(CDEnumRelCamSettingNext, "CDEnumRelCamSettingNext", (CDEnumHandle enumHandle, void* info)) \
  X(CDGetRelCamSettingCount, "CDGetRelCamSettingCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDEnumRelCamSettingRelease, "CDEnumRelCamSettingRelease", (CDEnumHandle enumHandle)) \
  X(CDGetRelCamSettingData, "CDGetRelCamSettingData", \
    (CDSourceHandle source, std::uint32_t settingId, std::uint32_t* size, void* buffer)) \
  X(CDSetRelCamSettingData, "CDSetRelCamSettingData", \
    (CDSourceHandle source, std::uint32_t settingId, std::uint32_t size, const void* value)) \
  X(CDEnumRelCamSettingDataReset, "CDEnumRelCamSettingDataReset", \
    (CDSourceHandle source, std::uint32_t settingId, CDEnumHandle* enumHandle, \
     std::uint32_t* valueSize)) \
  X(CDEnumRelCamSettingDataNext, "CDEnumRelCamSettingDataNext", \
    (CDEnumHandle enumHandle, std::uint32_t valueSize, void* value)) \
  X(CDEnumRelCamSettingDataRelease, "CDEnumRelCamSettingDataRelease", (CDEnumHandle enumHandle)) \
  X(CDGetRelCamSettingDataCount, "CDGetRelCamSettingDataCount", \
    (CDEnumHandle enumHandle, std::uint32_t* count)) \
  X(CDGetImagePropertyPart, "CDGetImagePropertyPart", \
    (CDHandle item, std::uint32_t propertyId, std::uint32_t offset, std::uint32_t* size, \
     void* buffer))
// clang-format on

// CDStartSDKProc, CDFinishSDKProc, ... : one function-pointer type per entry point.
CDSDK_ENTRY_POINTS(SDK_ENTRY_POINT_PROC_TYPE)

// The entry points as an enumeration, in binding order (CDSDKEntryPoint::CDStartSDK == 0).
enum class CDSDKEntryPoint : std::size_t { CDSDK_ENTRY_POINTS(SDK_ENTRY_POINT_ENUMERATOR) };

constexpr std::size_t kCDSDKEntryPointCount = 153;
static_assert(kCDSDKEntryPointCount == 0 CDSDK_ENTRY_POINTS(SDK_ENTRY_POINT_COUNT_ONE));

// Export names and C++ identifiers, indexed by CDSDKEntryPoint.
inline constexpr const char* kCDSDKExportNames[] = {
    CDSDK_ENTRY_POINTS(SDK_ENTRY_POINT_EXPORT_NAME)};
inline constexpr const char* kCDSDKIdentifiers[] = {CDSDK_ENTRY_POINTS(SDK_ENTRY_POINT_IDENTIFIER)};

// The entry points the component calls (export names); every other one is only bound, and a
// stand-in library answers it with kCDErrNotSupported.
inline constexpr const char* kCDSDKCalledEntryPoints[] = {
    "CDStartSDK",
    "CDFinishSDK",
    "CDEnumDeviceReset",
    "CDEnumDeviceNext",
    "CDGetDeviceCount",
    "CDEnumDeviceRelease",
    "CDOpenSource",
    "CDRegisterEventCallbackFunction",
    "CDEnumDevicePropertyReset",
    "CDEnumDevicePropertyNext",
    "CDEnumDevicePropertyRelease",
    "CDGetDevicePropertyData",
    "CDEnterReleaseControl",
    "_CDGetReleaseControlFaculty@8",
    "CDSelectReleaseDataKind",
    "CDRelease",
    "CDGetReleasedData",
    "CDGetMaximumZoomPos",
    "CDGetZoomPos",
    "CDSetZoomPos",
    "CDAFLock",
    "CDSetImageFormatAttribute",
    "CDGetImageFormatAttribute",
    "CDEnumImageFormatAttributeReset",
    "CDEnumImageFormatAttributeNext",
    "CDEnumImageFormatAttributeRelease",
    "CDGetImageFormatAttributeCount",
    "CDSetShootingMode",
    "CDGetShootingMode",
    "CDEnumShootingModeReset",
    "CDEnumShootingModeNext",
    "CDEnumShootingModeRelease",
    "CDGetShootingModeCount",
    "CDSetAvValue",
    "CDGetAvValue",
    "CDSetTvValue",
    "CDGetTvValue",
    "CDEnumAvValueReset",
    "CDEnumAvValueNext",
    "CDEnumAvValueRelease",
    "CDGetAvValueCount",
    "CDEnumTvValueReset",
    "CDEnumTvValueNext",
    "CDEnumTvValueRelease",
    "CDGetTvValueCount",
    "CDSetExposureComp",
    "CDGetExposureComp",
    "CDEnumExposureCompReset",
    "CDEnumExposureCompNext",
    "CDEnumExposureCompRelease",
    "CDGetExposureCompCount",
    "CDSetWBSetting",
    "CDGetWBSetting",
    "CDEnumWBSettingReset",
    "CDEnumWBSettingNext",
    "CDEnumWBSettingRelease",
    "CDGetWBSettingCount",
    "CDSetAFDistanceSetting",
    "CDGetAFDistanceSetting",
    "CDEnumAFDistanceSettingReset",
    "CDEnumAFDistanceSettingNext",
    "CDEnumAFDistanceSettingRelease",
    "CDGetAFDistanceSettingCount",
    "CDSetFlashSetting",
    "CDGetFlashSetting",
    "CDEnumFlashSettingReset",
    "CDEnumFlashSettingNext",
    "CDEnumFlashSettingRelease",
    "CDGetFlashSettingCount",
    "CDGetRelCamSettingData",
    "CDSetRelCamSettingData",
    "CDEnumRelCamSettingDataReset",
    "CDEnumRelCamSettingDataNext",
    "CDEnumRelCamSettingDataRelease",
    "CDGetRelCamSettingDataCount",
};
constexpr std::size_t kCDSDKCalledEntryPointCount = 75;
static_assert(std::size(kCDSDKCalledEntryPoints) == kCDSDKCalledEntryPointCount);
static_assert(SdkNamesAllListed(kCDSDKCalledEntryPoints, kCDSDKExportNames));
