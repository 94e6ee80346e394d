// Calling contract of the EOS Digital SDK ("EDSDK.DLL", EOS cameras) as this system uses it:
// reference types, the records the camera component passes or reads, shared codes, the callback
// prototypes and the list of every bound entry point. The camera component binds the library from
// this list; the stand-in library exports it.
//
// Objects (camera lists, cameras, directory items, streams) are reference-counted by the library:
// EdsRelease drops one reference. Camera references taken from a camera list stay valid after the
// list itself is released.
//
// Layouts: the records here hold no pointers, so they are byte-exact on every target; only the
// reference type grows to pointer size on 64-bit builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "sdk/SdkCall.h"

// ---------------------------------------------------------------------------------------------
// Basic types

// Result of every entry point and callback: 0 = success; the low 16 bits carry the error code.
typedef std::uint32_t EdsResult;

// Object reference; 0 is no object. 32-bit on the real target, pointer-sized elsewhere.
typedef std::uintptr_t EdsRef;

// Callbacks get back the context pointer given at registration (the component passes the address
// of a 32-bit slot number).

// ---------------------------------------------------------------------------------------------
// Codes

constexpr EdsResult kEdsOk = 0x00000000;
constexpr EdsResult kEdsErrNotSupported = 0x00000007;  // what unused entry points answer
constexpr EdsResult kEdsErrPropertiesUnavailable = 0x00000050;
constexpr EdsResult kEdsErrInvalidParameter = 0x00000060;
constexpr EdsResult kEdsErrInvalidHandle = 0x00000061;
constexpr EdsResult kEdsErrInvalidIndex = 0x00000063;
constexpr EdsResult kEdsErrDeviceBusy = 0x00000081;
constexpr EdsResult kEdsErrDevicePropNotSupported = 0x0000200A;

// Camera properties (EdsGetPropertyData, EdsSetPropertyData; property parameter always 0), with
// their value size in bytes.
constexpr std::uint32_t kEdsPropOwnerName = 0x00000004;          // 256, zero-terminated text
constexpr std::uint32_t kEdsPropBatteryLevel = 0x00000008;       // 4
constexpr std::uint32_t kEdsPropSaveTo = 0x0000000B;             // 4
constexpr std::uint32_t kEdsPropImageQuality = 0x00000100;       // 24, EdsImageQualityRecord
constexpr std::uint32_t kEdsPropWhiteBalance = 0x00000106;       // 4
constexpr std::uint32_t kEdsPropColorTemperature = 0x00000107;   // 4, kelvin
constexpr std::uint32_t kEdsPropWhiteBalanceShift = 0x00000108;  // 8, EdsWhiteBalanceShift
constexpr std::uint32_t kEdsPropColorSpace = 0x0000010D;         // 4
constexpr std::uint32_t kEdsPropPhotoEffect = 0x0000010F;        // 4
constexpr std::uint32_t kEdsPropPictureStyle = 0x00000115;       // 24, EdsPictureStyleRecord
constexpr std::uint32_t kEdsPropShootingMode = 0x00000400;       // 4, the AE mode
constexpr std::uint32_t kEdsPropDriveMode = 0x00000401;          // 4
constexpr std::uint32_t kEdsPropISOSpeed = 0x00000402;           // 4
constexpr std::uint32_t kEdsPropMeteringMode = 0x00000403;       // 4
constexpr std::uint32_t kEdsPropAFMode = 0x00000404;             // 4
constexpr std::uint32_t kEdsPropAv = 0x00000405;                 // 4
constexpr std::uint32_t kEdsPropTv = 0x00000406;                 // 4
constexpr std::uint32_t kEdsPropExposureComp = 0x00000407;       // 4
constexpr std::uint32_t kEdsOwnerNameSize = 256;

// Battery level values (low byte of kEdsPropBatteryLevel).
constexpr std::uint32_t kEdsBatteryOnACPower = 0xFF;
constexpr std::uint32_t kEdsBatteryHigh = 80;
constexpr std::uint32_t kEdsBatteryHalf = 50;
constexpr std::uint32_t kEdsBatteryLow = 30;

// Where a taken picture is stored (kEdsPropSaveTo).
constexpr std::uint32_t kEdsSaveToCamera = 1;
constexpr std::uint32_t kEdsSaveToHost = 2;
constexpr std::uint32_t kEdsSaveToBoth = 3;

// Camera commands (EdsSendCommand, parameter 0).
constexpr std::uint32_t kEdsCommandTakePicture = 0;
constexpr std::uint32_t kEdsCommandExtendShutdownTimer = 1;

// Event selectors for registration (all events of a kind) and the events the component acts on.
// The object event hands over a directory item ready for transfer; the state event asks the
// program to keep the camera awake. Other property events (0x101, 0x102) and state events (0x301,
// 0x305, 0x306) are camera notices that the component reports by number.
constexpr std::uint32_t kEdsPropertyEventAll = 0x100;
constexpr std::uint32_t kEdsObjectEventAll = 0x200;
constexpr std::uint32_t kEdsStateEventAll = 0x300;
constexpr std::uint32_t kEdsObjectEventTransferRequest = 0x208;
constexpr std::uint32_t kEdsStateEventShutdownWarning = 0x303;

// File streams (EdsCreateFileStream) and progress reports (EdsSetProgressCallback).
constexpr std::uint32_t kEdsFileCreateAlways = 1;  // create, replacing an existing file
constexpr std::uint32_t kEdsAccessWrite = 1;
constexpr std::uint32_t kEdsProgressPeriodically = 2;
constexpr std::size_t kEdsMaxFileNameLength = 254;  // characters, before the terminating zero

// First-image kind of the image-quality record.
constexpr std::int32_t kEdsImageKindRaw = 2;
constexpr std::int32_t kEdsImageKindOther = 1;

// "No value" markers of the white-balance shift and picture-style records.
constexpr std::int32_t kEdsSignedNotAvailable = 0x7FFFFFFF;
constexpr std::uint32_t kEdsUnsignedNotAvailable = 0xFFFFFFFF;

// ---------------------------------------------------------------------------------------------
// Records

// Device information (EdsGetDeviceInfo). The component reads only the description; the rest is
// our choice.
struct EdsDeviceInfo {
  char PortName[256];
  char Description[256];  // zero-terminated: the camera's name
  std::uint32_t DeviceSubType;
  std::uint32_t Reserved;
};

// Directory-item information (EdsGetDirectoryItemInfo). The component reads only the size.
struct EdsDirectoryItemInfo {
  std::uint32_t Size;  // bytes
  std::uint32_t IsFolder;
  std::uint32_t GroupId;
  std::uint32_t Option;
  char FileName[256];
  std::uint32_t Format;
  std::uint32_t DateTime;
};

// A property's list of allowed values (EdsGetPropertyDesc): a count, then the values as 32-bit
// words in the camera's order. Room for 128 values is our choice.
constexpr std::size_t kEdsMaxPropertyDescValues = 128;
struct EdsPropertyDesc {
  std::int32_t Form;
  std::int32_t Access;
  std::int32_t NumElements;
  std::int32_t Elements[kEdsMaxPropertyDescValues];
};

// Value of kEdsPropImageQuality: the first image, and a second one stored with a RAW first image.
// Codes that a converter lacks travel as -1.
struct EdsImageQualityRecord {
  std::int32_t FirstSize;
  std::int32_t FirstKind;  // kEdsImageKindRaw or kEdsImageKindOther
  std::int32_t FirstQuality;
  std::int32_t SecondSize;     // 0 when there is none
  std::int32_t SecondPresent;  // 1 or 0
  std::int32_t SecondQuality;  // 0 when there is none
};

// Value of kEdsPropWhiteBalanceShift; kEdsSignedNotAvailable in either means not available.
struct EdsWhiteBalanceShift {
  std::int32_t AB;
  std::int32_t GM;
};

// Value of kEdsPropPictureStyle. The last four carry a "not available" marker.
struct EdsPictureStyleRecord {
  std::int32_t Contrast;
  std::uint32_t Sharpness;
  std::int32_t Saturation;     // kEdsSignedNotAvailable
  std::int32_t ColorTone;      // kEdsSignedNotAvailable
  std::uint32_t FilterEffect;  // kEdsUnsignedNotAvailable
  std::uint32_t ToningEffect;  // kEdsUnsignedNotAvailable
};

static_assert(offsetof(EdsDeviceInfo, Description) == 256);
static_assert(sizeof(EdsDeviceInfo::Description) == 256 && sizeof(EdsDeviceInfo) == 520);
static_assert(offsetof(EdsDirectoryItemInfo, Size) == 0 && sizeof(EdsDirectoryItemInfo) == 280);
static_assert(offsetof(EdsPropertyDesc, NumElements) == 8);
static_assert(offsetof(EdsPropertyDesc, Elements) == 12 && sizeof(EdsPropertyDesc) == 524);
static_assert(sizeof(EdsImageQualityRecord) == 24);
static_assert(offsetof(EdsImageQualityRecord, FirstKind) == 4);
static_assert(offsetof(EdsImageQualityRecord, FirstQuality) == 8);
static_assert(offsetof(EdsImageQualityRecord, SecondSize) == 12);
static_assert(offsetof(EdsImageQualityRecord, SecondPresent) == 16);
static_assert(offsetof(EdsImageQualityRecord, SecondQuality) == 20);
static_assert(sizeof(EdsWhiteBalanceShift) == 8);
static_assert(sizeof(EdsPictureStyleRecord) == 24);
static_assert(offsetof(EdsPictureStyleRecord, Saturation) == 8);
static_assert(offsetof(EdsPictureStyleRecord, ToningEffect) == 20);
static_assert(sizeof(void*) != 4 || sizeof(EdsRef) == 4);

// ---------------------------------------------------------------------------------------------
// Callbacks (all return 0)

// Object events: event, the object's reference (the handler owns it), context.
typedef EdsResult(SDKCALL* EdsObjectEventHandler)(std::uint32_t event, EdsRef object,
                                                  void* context);

// Property events: event, property ID and parameter (not read), context.
typedef EdsResult(SDKCALL* EdsPropertyEventHandler)(std::uint32_t event, std::uint32_t propertyId,
                                                    std::uint32_t parameter, void* context);

// Camera-state events: event, a parameter (not read), context.
typedef EdsResult(SDKCALL* EdsStateEventHandler)(std::uint32_t event, std::uint32_t parameter,
                                                 void* context);

// Download progress: percent done, context, a pointer the component does not use.
typedef EdsResult(SDKCALL* EdsProgressCallback)(std::uint32_t percentDone, void* context,
                                                void* reserved);

// Camera attached; only the never-called EdsSetCameraAddedHandler takes it.
typedef EdsResult(SDKCALL* EdsCameraAddedHandler)(void* context);

// ---------------------------------------------------------------------------------------------
// Entry points, in binding order: X(Identifier, "ExportName", (parameters)).
// The argument lists of entry points the component calls (kEDSDKCalledEntryPoints) are fixed by
// its call sites; the others are bound but never called, and their argument lists are our own
// choice.

// clang-format off
#define EDSDK_ENTRY_POINTS(X) \
  X(EdsInitializeSDK, "EdsInitializeSDK", ()) \
  X(EdsTerminateSDK, "EdsTerminateSDK", ()) \
  X(EdsRetain, "EdsRetain", (EdsRef ref)) \
  X(EdsRelease, "EdsRelease", (EdsRef ref)) \
  X(EdsGetChildCount, "EdsGetChildCount", (EdsRef parent, std::uint32_t* count)) \
  X(EdsGetChildAtIndex, "EdsGetChildAtIndex", \
    (EdsRef parent, std::int32_t index, EdsRef* child)) \
  X(EdsGetParent, "EdsGetParent", (EdsRef ref, EdsRef* parent)) \
  X(EdsGetPropertySize, "EdsGetPropertySize", \
    (EdsRef ref, std::uint32_t propertyId, std::int32_t param, std::uint32_t* dataType, \
     std::uint32_t* size)) \
  X(EdsGetPropertyData, "EdsGetPropertyData", \
    (EdsRef ref, std::uint32_t propertyId, std::int32_t param, std::uint32_t size, void* data)) \
  X(EdsSetPropertyData, "EdsSetPropertyData", \
    (EdsRef ref, std::uint32_t propertyId, std::int32_t param, std::uint32_t size, \
     const void* data)) \
  X(EdsGetPropertyDesc, "EdsGetPropertyDesc", \
    (EdsRef ref, std::uint32_t propertyId, EdsPropertyDesc* desc)) \
  X(EdsGetCameraList, "EdsGetCameraList", (EdsRef* cameraList)) \
  X(EdsGetDeviceInfo, "EdsGetDeviceInfo", (EdsRef camera, EdsDeviceInfo* info)) \
  X(EdsOpenSession, "EdsOpenSession", (EdsRef camera)) \
  X(EdsCloseSession, "EdsCloseSession", (EdsRef camera)) \
  X(EdsSendCommand, "EdsSendCommand", \
    (EdsRef camera, std::uint32_t command, std::int32_t param)) \
  X(EdsSendStatusCommand, "EdsSendStatusCommand", \
    (EdsRef camera, std::uint32_t command, std::int32_t param)) \
  X(EdsSetCapacity, "EdsSetCapacity", \
    (EdsRef camera, std::uint32_t freeClusters, std::uint32_t bytesPerSector, \
     std::uint32_t reset)) \
  X(EdsGetVolumeInfo, "EdsGetVolumeInfo", (EdsRef volume, void* info)) \
  X(EdsFormatVolume, "EdsFormatVolume", (EdsRef volume)) \
  X(EdsGetDirectoryItemInfo, "EdsGetDirectoryItemInfo", \
    (EdsRef item, EdsDirectoryItemInfo* info)) \
  X(EdsDeleteDirectoryItem, "EdsDeleteDirectoryItem", (EdsRef item)) \
  X(EdsDownload, "EdsDownload", (EdsRef item, std::uint32_t size, EdsRef stream)) \
  X(EdsDownloadCancel, "EdsDownloadCancel", (EdsRef item)) \
  X(EdsDownloadComplete, "EdsDownloadComplete", (EdsRef item)) \
  X(EdsDownloadThumbnail, "EdsDownloadThumbnail", (EdsRef item, EdsRef stream)) \
  X(EdsGetAttribute, "EdsGetAttribute", (EdsRef item, std::uint32_t* attribute)) \
  X(EdsSetAttribute, "EdsSetAttribute", (EdsRef item, std::uint32_t attribute)) \
  X(EdsCreateFileStream, "EdsCreateFileStream", \
    (const char* fileName, std::uint32_t disposition, std::uint32_t access, EdsRef* stream)) \
  X(EdsCreateMemoryStream, "EdsCreateMemoryStream", (std::uint32_t size, EdsRef* stream)) \
  X(EdsCreateFileStreamEx, "EdsCreateFileStreamEx", \
    (const std::uint16_t* fileName, std::uint32_t disposition, std::uint32_t access, \
     EdsRef* stream)) \
  X(EdsCreateMemoryStreamFromPointer, "EdsCreateMemoryStreamFromPointer", \
    (void* buffer, std::uint32_t size, EdsRef* stream)) \
  X(EdsGetPointer, "EdsGetPointer", (EdsRef stream, void** pointer)) \
  X(EdsRead, "EdsRead", \
    (EdsRef stream, std::uint32_t size, void* buffer, std::uint32_t* readSize)) \
  X(EdsWrite, "EdsWrite", \
    (EdsRef stream, std::uint32_t size, const void* buffer, std::uint32_t* writtenSize)) \
  X(EdsSeek, "EdsSeek", (EdsRef stream, std::int32_t offset, std::uint32_t origin)) \
  X(EdsGetPosition, "EdsGetPosition", (EdsRef stream, std::uint32_t* position)) \
  X(EdsGetLength, "EdsGetLength", (EdsRef stream, std::uint32_t* length)) \
  X(EdsCopyData, "EdsCopyData", (EdsRef inStream, std::uint32_t size, EdsRef outStream)) \
  X(EdsSetProgressCallback, "EdsSetProgressCallback", \
    (EdsRef ref, EdsProgressCallback callback, std::uint32_t option, void* context)) \
  X(EdsCreateImageRef, "EdsCreateImageRef", (EdsRef stream, EdsRef* image)) \
  X(EdsGetImageInfo, "EdsGetImageInfo", (EdsRef image, std::uint32_t source, void* info)) \
  X(EdsGetImage, "EdsGetImage", \
    (EdsRef image, std::uint32_t source, std::uint32_t imageType, const void* sourceRect, \
     const void* destinationSize, EdsRef stream)) \
  X(EdsSaveImage, "EdsSaveImage", \
    (EdsRef image, std::uint32_t imageType, const void* settings, EdsRef stream)) \
  X(EdsCacheImage, "EdsCacheImage", (EdsRef image, std::uint32_t useCache)) \
  X(EdsReflectImageProperty, "EdsReflectImageProperty", (EdsRef image)) \
  X(EdsSetCameraAddedHandler, "EdsSetCameraAddedHandler", \
    (EdsCameraAddedHandler handler, void* context)) \
  X(EdsSetPropertyEventHandler, "EdsSetPropertyEventHandler", \
    (EdsRef camera, std::uint32_t event, EdsPropertyEventHandler handler, void* context)) \
  X(EdsSetObjectEventHandler, "EdsSetObjectEventHandler", \
    (EdsRef camera, std::uint32_t event, EdsObjectEventHandler handler, void* context)) \
  X(EdsSetCameraStateEventHandler, "EdsSetCameraStateEventHandler", \
    (EdsRef camera, std::uint32_t event, EdsStateEventHandler handler, void* context))
// clang-format on

// EdsInitializeSDKProc, EdsTerminateSDKProc, ... : one function-pointer type per entry point.
EDSDK_ENTRY_POINTS(SDK_ENTRY_POINT_PROC_TYPE)

// The entry points as an enumeration, in binding order (EDSDKEntryPoint::EdsInitializeSDK == 0).
enum class EDSDKEntryPoint : std::size_t { EDSDK_ENTRY_POINTS(SDK_ENTRY_POINT_ENUMERATOR) };

constexpr std::size_t kEDSDKEntryPointCount = 50;
static_assert(kEDSDKEntryPointCount == 0 EDSDK_ENTRY_POINTS(SDK_ENTRY_POINT_COUNT_ONE));

// Export names and C++ identifiers, indexed by EDSDKEntryPoint.
inline constexpr const char* kEDSDKExportNames[] = {
    EDSDK_ENTRY_POINTS(SDK_ENTRY_POINT_EXPORT_NAME)};
inline constexpr const char* kEDSDKIdentifiers[] = {EDSDK_ENTRY_POINTS(SDK_ENTRY_POINT_IDENTIFIER)};

// The entry points the component calls; every other one is only bound, and a stand-in library
// answers it with kEdsErrNotSupported.
inline constexpr const char* kEDSDKCalledEntryPoints[] = {
    "EdsInitializeSDK",
    "EdsTerminateSDK",
    "EdsRelease",
    "EdsGetChildCount",
    "EdsGetChildAtIndex",
    "EdsGetPropertyData",
    "EdsSetPropertyData",
    "EdsGetPropertyDesc",
    "EdsGetCameraList",
    "EdsGetDeviceInfo",
    "EdsOpenSession",
    "EdsSendCommand",
    "EdsGetDirectoryItemInfo",
    "EdsDownload",
    "EdsDownloadComplete",
    "EdsDownloadThumbnail",
    "EdsCreateFileStream",
    "EdsSetProgressCallback",
    "EdsSetPropertyEventHandler",
    "EdsSetObjectEventHandler",
    "EdsSetCameraStateEventHandler",
};
constexpr std::size_t kEDSDKCalledEntryPointCount = 21;
static_assert(std::size(kEDSDKCalledEntryPoints) == kEDSDKCalledEntryPointCount);
static_assert(SdkNamesAllListed(kEDSDKCalledEntryPoints, kEDSDKExportNames));
