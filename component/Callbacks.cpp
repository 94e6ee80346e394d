// The ten library callbacks of the camera component: each finds its TLumidor through the context
// it was registered with, turns the library's event into the component's events, and returns 0.
// They run on whatever thread the library calls them on and fire the events synchronously.
//
// Nothing ever leaves a callback into a camera library. A failure of the PowerShot transfer that
// RemoteGetPicture has under way is kept for it to raise; whatever else a callback, an event
// handler or ExtendShutdownTimer raises has no caller to reach and goes to the application's
// exception hook.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "component/EDSDK.h"
#include "component/EDSDKApi.h"
#include "component/Lumidor.h"
#include "platform/Application.h"
#include "platform/Errors.h"
#include "platform/Sleep.h"

namespace Lumidor {

namespace {

using namespace CamDefines;

// The pause after every progress report, on the library's thread.
constexpr std::uint32_t kProgressPauseMs = 10;

// Runs a callback body. An exception goes to the application's hook (inside the catch, where the
// hook finds it); should the hook itself fail, that is dropped too: it must not reach the library.
template <class Body>
void Guarded(TLumidor* component, Body body) noexcept {
  try {
    body();
  } catch (...) {
    try {
      rt::Application::Instance().HandleException(component);
    } catch (...) {
    }
  }
}

// The 32-bit value that a CD event's data points to (little-endian); no data reads as 0. The
// argument beside the pointer is not read: the library's contract gives it no meaning, and a
// library that passes 0 there still delivers its value.
std::uint32_t FirstValue(const void* data) {
  std::uint8_t bytes[4] = {};
  if (data != nullptr) std::memcpy(bytes, data, sizeof bytes);
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void Fire(const TLumidor& component, std::uint8_t severity, std::uint8_t code) {
  if (component.OnEvent) component.OnEvent(EventCallbackType{severity, code});
}

void FireRemote(const TLumidor& component, RemoteEventCallbackType event,
                const AdditionNotifyRemoteEventType& data = {}) {
  if (component.OnRemoteEvent) component.OnRemoteEvent(event, data);
}

// ---- CD device events ----

// Severity from bits 16..19 of the event identifier.
std::uint8_t CDSeverity(std::uint32_t eventId) {
  switch (eventId & kCDEventSeverityMask) {
    case kCDEventSeverityInfo:
      return 1;
    case kCDEventSeverityWarning:
      return 2;
    case kCDEventSeverityShutdown:
      return 3;
    default:
      return 0;
  }
}

// EventCode by the identifier's low 16 bits (0..13; higher ones give 0). The battery event takes
// its code from the data; the shutdown warning is no event at all.
constexpr std::uint8_t kCDFromData = 0xFF;
constexpr std::uint8_t kCDNoEvent = 0xFE;
constexpr std::uint8_t kCDEventCodes[] = {
    0,            // 0
    kCDFromData,  // 1 battery
    5,            // 2
    6,            // 3
    7,            // 4
    kCDNoEvent,   // 5 shutdown warning
    9,            // 6
    10,           // 7
    0,            // 8
    0,            // 9
    0,            // 10
    11,           // 11
    0,            // 12
    8,            // 13
};

// Battery EventCode by the low four bits of the battery state (shared with the power status).
constexpr std::uint8_t kBatteryCodes[16] = {0, 0, 4, 3, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// ---- CD release events ----

struct ReleaseEventRow {
  std::uint32_t EventId;
  RemoteEventCallbackType Event;
};
constexpr ReleaseEventRow kCDReleaseEvents[] = {
    {kCDReleaseEventResetHWError, RemoteEventCallbackResetHWError},
    {kCDReleaseEventChangedByUI, RemoteEventCallbackChangedByUI},
    {kCDReleaseEventReleaseStart, RemoteEventCallbackReleaseStart},
    {kCDReleaseEventReleaseComplete, RemoteEventCallbackReleaseComplete},
    {kCDReleaseEventCamReleaseOn, RemoteEventCallbackCamReleaseOn},
    {kCDReleaseEventViewfinderOff, RemoteEventCallbackViewfinderOff},
    {kCDReleaseEventViewfinderOn, RemoteEventCallbackViewfinderOn},
};

RemoteEventCallbackType CDReleaseEvent(std::uint32_t eventId) {
  for (const ReleaseEventRow& row : kCDReleaseEvents) {
    if (row.EventId == eventId) return row.Event;
  }
  return RemoteEventCallbackNotUsed;
}

// ---- PowerShot events ----

struct PRCameraEventRow {
  std::uint16_t Code;
  std::uint8_t Severity;
  std::uint8_t EventCode;
};
constexpr std::uint16_t kPREventShutdown = 0xC001;
constexpr std::uint16_t kPREventCameraError = 0xD001;
constexpr PRCameraEventRow kPRCameraEvents[] = {
    {kPREventShutdown, 3, 6},
    {kPREventCameraError, 3, 8},
};
// Battery values 1..4 of the battery event; any other value gives (0, 0).
constexpr PRCameraEventRow kPRBatteryEvents[] = {{1, 1, 1}, {2, 2, 2}, {3, 2, 3}, {4, 3, 4}};

struct PRRemoteEventRow {
  std::uint16_t Code;
  RemoteEventCallbackType Event;
};
constexpr PRRemoteEventRow kPRRemoteEvents[] = {
    {kPREventDevicePropChanged, RemoteEventCallbackChangedByUI},
    {kPREventChangedByUI, RemoteEventCallbackChangedByUI},
    {kPREventChangedByUI2, RemoteEventCallbackChangedByUI},
    {kPREventResetHWError, RemoteEventCallbackResetHWError},
    {kPREventViewfinderOff, RemoteEventCallbackViewfinderOff},
    {kPREventViewfinderOn, RemoteEventCallbackViewfinderOn},
    {kPREventCamReleaseOn, RemoteEventCallbackCamReleaseOn},
};

// ---- EOS events ----

struct EdsEventRow {
  std::uint32_t Event;
  std::uint8_t Severity;
  std::uint8_t EventCode;
};
constexpr EdsEventRow kEdsPropertyEvents[] = {{0x101, 1, 11}, {0x102, 1, 14}};
constexpr EdsEventRow kEdsStateEvents[] = {{0x301, 3, 13}, {0x305, 3, 12}, {0x306, 3, 9}};

template <std::size_t N>
const EdsEventRow* FindEdsRow(const EdsEventRow (&rows)[N], std::uint32_t event) {
  for (const EdsEventRow& row : rows) {
    if (row.Event == event) return &row;
  }
  return nullptr;
}

template <std::size_t N>
const PRCameraEventRow* FindPRRow(const PRCameraEventRow (&rows)[N], std::int64_t code) {
  for (const PRCameraEventRow& row : rows) {
    if (row.Code == code) return &row;
  }
  return nullptr;
}

TLumidor* FromContext(std::uintptr_t Context) {
  return FindComponent(static_cast<std::intptr_t>(Context));
}

// EOS callbacks get the context cell of the EOS wrapper that registered them. The library keeps
// calling with it after the component is gone (nothing is unregistered); the cell then reaches no
// component, and no later component has the same one.
TLumidor* FromEdsContext(void* Context) {
  return TEDSDK::ComponentOf(Context);
}

void ReleaseEdsObject(EdsRef Object) {
  if (Object != 0 && EDSDK::EDSDKReady()) (void)EDSDK::EdsRelease(Object);
}

}  // namespace

CDResult SDKCALL CDEventProc(std::uint32_t EventId, const void* EventData, std::uint32_t,
                             CDContext Context) {
  TLumidor* component = FromContext(Context);
  if (component == nullptr) return 0;
  Guarded(component, [&] {
    if (!component->OnEvent) return;
    const std::uint32_t low = EventId & kCDEventCodeMask;
    std::uint8_t code = low < std::size(kCDEventCodes) ? kCDEventCodes[low] : 0;
    if (code == kCDNoEvent) {
      component->ExtendShutdownTimer();
      return;
    }
    if (code == kCDFromData) code = kBatteryCodes[FirstValue(EventData) & kCDBatteryStateMask];
    Fire(*component, CDSeverity(EventId), code);
  });
  return 0;
}

CDResult SDKCALL ReleaseEventProc(std::uint32_t EventId, const void* EventData, std::uint32_t,
                                  CDContext Context) {
  TLumidor* component = FromContext(Context);
  if (component == nullptr) return 0;
  Guarded(component, [&] {
    if (!component->OnRemoteEvent) return;
    AdditionNotifyRemoteEventType data;
    const RemoteEventCallbackType event = CDReleaseEvent(EventId);
    if (event == RemoteEventCallbackReleaseComplete) {
      data.DataKind = 1;
      if (component->ReleaseMode() != ReleaseModeOnlyToCamera) {
        std::int32_t count = static_cast<std::int32_t>(FirstValue(EventData));
        // Thumbnail and picture each count: halved, rounding toward zero.
        if (component->ReleaseDataKind() == ReleaseDataKingTakeBothThumbAndPic) count /= 2;
        data.DataValue = count;
      }
    }
    FireRemote(*component, event, data);
  });
  return 0;
}

CDResult SDKCALL CDGetPictureProgressProc(std::uint32_t PercentDone, std::uint32_t,
                                          CDContext Context) {
  TLumidor* component = FromContext(Context);
  if (component == nullptr) return 0;
  Guarded(component, [&] {
    if (component->OnRemoteGetPictureEvent) {
      component->OnRemoteGetPictureEvent(static_cast<std::int32_t>(PercentDone));
    }
  });
  rt::SleepMs(kProgressPauseMs);
  return 0;
}

CDResult SDKCALL ReleaseProgressProc(std::uint32_t PercentDone, std::uint32_t, CDContext Context) {
  TLumidor* component = FromContext(Context);
  if (component == nullptr) return 0;
  Guarded(component, [&] {
    if (component->OnRemoteTakePictureEvent) {
      component->OnRemoteTakePictureEvent(static_cast<std::int32_t>(PercentDone));
    }
  });
  rt::SleepMs(kProgressPauseMs);
  return 0;
}

PRResult SDKCALL PREventProc(PRHandle, PRContext Context, const PREventRecord* Event) {
  TLumidor* component = FromContext(Context);
  if (component == nullptr || Event == nullptr) return 0;
  Guarded(component, [&] {
    const std::uint16_t code = Event->Code;
    if (component->OnEvent) {
      if (code == kPREventBatteryLevel) {
        const std::int32_t level = static_cast<std::int32_t>(Event->Param2);
        const PRCameraEventRow* row = FindPRRow(kPRBatteryEvents, level);
        Fire(*component, row ? row->Severity : 0, row ? row->EventCode : 0);
      } else if (const PRCameraEventRow* row = FindPRRow(kPRCameraEvents, code)) {
        Fire(*component, row->Severity, row->EventCode);
      }
    }
    if (!component->OnRemoteEvent) return;
    if (code == kPREventReleaseComplete || code == kPREventReleaseData) {
      PRReleaseRecord record;
      static_assert(sizeof record == sizeof *Event);
      std::memcpy(record.data(), Event, record.size());
      {
        std::lock_guard<std::mutex> lock(component->PRReleaseQueueLock);
        component->PRReleaseQueue.push_back(record);
      }
      if (code == kPREventReleaseComplete) {
        AdditionNotifyRemoteEventType data;
        data.DataKind = 1;
        data.DataValue = 1;
        FireRemote(*component, RemoteEventCallbackReleaseComplete, data);
      }
      return;
    }
    for (const PRRemoteEventRow& row : kPRRemoteEvents) {
      if (row.Code == code) {
        FireRemote(*component, row.Event);
        return;
      }
    }
  });
  return 0;
}

PRResult SDKCALL PRGetPictureProgressProc(PRHandle, std::uint32_t, PRContext Context,
                                          const PRProgressRecord* Progress) {
  TLumidor* component = FromContext(Context);
  if (component == nullptr || Progress == nullptr) return 0;
  Guarded(component, [&] {
    if (component->OnRemoteGetPictureEvent) {
      component->OnRemoteGetPictureEvent(Progress->PercentDone);
    }
  });
  rt::SleepMs(kProgressPauseMs);
  try {
    const std::int32_t length = Progress->Length;
    if (length > 0) {
      // Data with no open download (none under way, or the file already complete) has nowhere
      // to go: the same error as a write to a closed file. So does a chunk without its data.
      if (!component->PRDownloadStream || Progress->Data == nullptr) {
        throw rt::EInOutError(rt::kIoAccessDenied);
      }
      component->PRDownloadStream->Write(Progress->Data, static_cast<std::size_t>(length));
      component->PRDownloadActive = true;
    } else if (length == 0 && component->PRDownloadActive) {
      component->PRDownloadActive = false;
      if (component->PRDownloadStream) {
        component->PRDownloadStream->Close();
        component->PRDownloadComplete = true;
      }
    }
  } catch (...) {
    if (component->PRTransferUnderWay) {
      // RemoteGetPicture raises it when the library returns. Nothing more is written to a file
      // that is broken already.
      if (!component->PRDownloadFailure) component->PRDownloadFailure = std::current_exception();
      component->PRDownloadStream.reset();
      component->PRDownloadActive = false;
    } else {
      const std::exception_ptr failure = std::current_exception();
      Guarded(component, [&] { std::rethrow_exception(failure); });
    }
  }
  return 0;
}

EdsResult SDKCALL EdsPropertyEventProc(std::uint32_t Event, std::uint32_t, std::uint32_t,
                                       void* Context) {
  TLumidor* component = FromEdsContext(Context);
  if (component == nullptr) return 0;
  Guarded(component, [&] {
    if (!component->OnEvent) return;
    if (const EdsEventRow* row = FindEdsRow(kEdsPropertyEvents, Event)) {
      Fire(*component, row->Severity, row->EventCode);
    }
  });
  return 0;
}

EdsResult SDKCALL EdsStateEventProc(std::uint32_t Event, std::uint32_t, void* Context) {
  TLumidor* component = FromEdsContext(Context);
  if (component == nullptr) return 0;
  Guarded(component, [&] {
    if (!component->OnEvent) return;
    if (Event == kEdsStateEventShutdownWarning) {
      component->ExtendShutdownTimer();
    } else if (const EdsEventRow* row = FindEdsRow(kEdsStateEvents, Event)) {
      Fire(*component, row->Severity, row->EventCode);
    }
  });
  return 0;
}

EdsResult SDKCALL EdsObjectEventProc(std::uint32_t Event, EdsRef Object, void* Context) {
  TLumidor* component = FromEdsContext(Context);
  if (component == nullptr) {
    // The reference is ours whatever happens to it.
    ReleaseEdsObject(Object);
    return 0;
  }
  Guarded(component, [&] {
    if (component->OnRemoteEvent && Event == kEdsObjectEventTransferRequest) {
      component->EDWrapper->QueuePendingItem(Object);
      AdditionNotifyRemoteEventType data;
      data.DataKind = 2;
      data.DataSubKind = 2;
      FireRemote(*component, RemoteEventCallbackReleaseImageReady, data);
    } else {
      ReleaseEdsObject(Object);
    }
  });
  return 0;
}

EdsResult SDKCALL EdsProgressProc(std::uint32_t PercentDone, void* Context, void*) {
  TLumidor* component = FromEdsContext(Context);
  if (component == nullptr) return 0;
  Guarded(component, [&] {
    const std::int32_t percent = static_cast<std::int32_t>(PercentDone);
    const std::uint8_t mode = component->EDWrapper->DownloadMode;
    if (mode == 2 && component->OnGetPictureEvent) component->OnGetPictureEvent(percent);
    if (mode == 1 && component->OnRemoteTakePictureEvent) {
      component->OnRemoteTakePictureEvent(percent);
    }
  });
  rt::SleepMs(kProgressPauseMs);
  return 0;
}

}  // namespace Lumidor
