// TEDSDK: the camera wrapper for EOS cameras, reached through the EOS library ("EDSDK.DLL").
// Each TLumidor owns one. Every callback it registers carries its context cell (CallbackContext),
// which outlives it. Every checked library result goes through CheckError.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "component/Lumidor.h"
#include "sdk/EDSDK.h"

namespace EDSDKApi {

// The values of a property's value list as the library delivered it (EdsGetPropertyDesc), read
// within the record: a count below zero or above the record's room raises ECamException
// "EdsGetPropertyDesc delivered <count> values for property 0x<8 hex digits>; the record holds
// at most 128" rather than reading past the record.
std::vector<std::int32_t> PropertyDescValues(const EdsPropertyDesc& Desc, std::uint32_t PropertyId);

// Gives back the library's reference of every camera in Cameras and empties it; with
// KeepConnected, a camera that a live component is connected to keeps its reference, which that
// component goes on using. Nothing is called while the libraries are not started (after the end
// of the library its objects are gone). A failed release is not reported: nobody could act on it.
void ReleaseCameras(std::vector<EdsRef>& Cameras, bool KeepConnected);

}  // namespace EDSDKApi

class TEDSDK {
 public:
  // Takes a context cell of its own.
  TEDSDK();
  // Gives back the references of the pictures nobody fetched; the context cell reaches no
  // component from here on.
  ~TEDSDK();
  TEDSDK(const TEDSDK&) = delete;
  TEDSDK& operator=(const TEDSDK&) = delete;

  // The SDK-failure check, with the EOS library's texts (see TCDSDK::CheckError).
  static void CheckError(std::uint32_t Code, const std::string& FunctionName);

  // Loads the library (ECamException "EDSDK.DLL could not be loaded" when it is not there) and
  // initializes it.
  void StartSDK();
  // Empties Names and EOSCameraList (giving back the references of cameras nobody is connected
  // to), then lists the EOS cameras into both. The library's camera list is released however the
  // listing ends; a listing that fails gives back what it got and leaves both lists empty. A
  // count above 100 cameras raises ECamException "EdsGetChildCount delivered <count> cameras; a
  // listing takes at most 100" before any camera is asked for.
  void EnumerateCameras(Lumidor::TStringList& Names);
  // Checks the index, takes camera ConnectToCamera of EOSCameraList, registers the wrapper's own
  // object, property and state handlers (context: CallbackContext; EventCallback and Context
  // are not used), opens the session and reads description, owner and battery.
  Lumidor::ConnectInfoType Connect(EdsStateEventHandler EventCallback, std::int32_t ConnectToCamera,
                                   std::int32_t Context);
  // Writes the save-to target for ReleaseMode and reports only CanSetParams; the data kind, the
  // release callback and Context are not used. With ProbeParams the capability probe fills the
  // groups from position 5 on (ProbeCapabilities).
  Lumidor::RemoteProbeParamType EnterRemoteMode(CamDefines::ReleaseModeType ReleaseMode,
                                                CamDefines::ReleaseDataKindType ReleaseDataKind,
                                                bool ProbeParams, const std::string& CacheDir,
                                                CDReleaseEventCallback ReleaseCallback,
                                                std::int32_t Context);
  // The camera's settings as common indexes; no read raises: a setting that cannot be read
  // stays 0.
  Lumidor::RemoteParamType RemoteGetParams();
  // Sends every setting whose index is not 0 and has a code, in a fixed order; a refused write
  // is tried again every 100 ms for up to 5 s, then given up silently. Raises nothing.
  void RemoteSetParams(Lumidor::RemoteParamType Params);
  // Always raises: EOS cameras have no AF lock here.
  void RemoteAFLock(bool Lock);
  // Takes a picture and returns; the camera announces it with an object event, which queues it.
  void RemoteTakePicture(std::int32_t Context);
  // Writes the oldest queued picture (or its thumbnail) to FileName through a file stream. The
  // stream writes aside (rt::AsideFile): FileName gets the picture only once it is whole, and a
  // download that raises leaves FileName as it was. The item leaves the queue, completed and
  // released, once its picture is in place, or once EdsDownload has failed; any failure before
  // EdsDownload, of the stream's release or of putting the picture in place keeps it queued for
  // the next download. A thumbnail leaves it queued. Raised before anything is created: a name
  // whose aside name would pass the library's 254 characters (so FileName may have 249), and a
  // data kind other than picture or thumbnail.
  void RemoteGetPicture(const std::string& FileName,
                        CamDefines::ReleaseDataKindType ReleaseDataKind, std::int32_t Context);
  // The capability probe of EnterRemoteMode: flags in Result, from position 5 on, the values
  // that the camera offers. With a CacheDir the cache file of the model in its current shooting
  // mode answers instead when it is there, and is written after a probe. Otherwise the value
  // lists are read and the trial values written one by one; progress goes to the owner's
  // OnRemoteProbeParamEvent, and the settings read at the start are sent back at the end. A
  // failed or malformed value list raises ECamException and ends the probe there: nothing is
  // sent back and no file is written.
  void ProbeCapabilities(Lumidor::RemoteProbeParamType& Result, const std::string& CacheDir);
  // Sends the keep-awake command.
  void ExtendShutdownTimer();
  void ReportProbeProgress(std::int32_t PercentageDone);
  // Keeps a picture the camera announced for RemoteGetPicture; the wrapper owns the reference.
  void QueuePendingItem(EdsRef Item);
  // The context of every callback this wrapper registers: a cell of its own that holds
  // RegistryIndex. The library may call with it long after the wrapper is gone (nothing is
  // unregistered), so cells are never freed and never shared: a destroyed wrapper's cell holds
  // no slot, and no later wrapper gets its address.
  void* CallbackContext();
  // The live component whose EOS wrapper handed the library Context, or none.
  static Lumidor::TLumidor* ComponentOf(void* Context);
  // Gives back the references this process holds (pending pictures, listed cameras), then ends
  // the library.
  void FinishSDK();

  std::int32_t RegistryIndex = 0;
  Lumidor::ConnectInfoType ConnectInfo;
  EdsRef CameraRef = 0;
  // CameraRef is this wrapper's own reference, not one of EOSCameraList's: the list it came from
  // was replaced while the camera was connected. Given back with the wrapper.
  bool OwnsCameraRef = false;
  // Appended to by the object-event callback, which the library may run on a thread of its own,
  // and consumed by RemoteGetPicture: every access holds PendingItemsLock, which is never held
  // while the library is called.
  std::deque<EdsRef> PendingItems;  // oldest first
  std::mutex PendingItemsLock;
  std::uint8_t DownloadMode = 0;  // 1 while a full picture downloads

 private:
  // Empties PendingItems and gives back their references.
  void ReleasePendingItems();
  // Gives back CameraRef when it is this wrapper's own reference.
  void ReleaseOwnCameraRef();
  // Lets go of an item the library is done with: out of the queue, completed and released (also
  // when the completion fails; the first failure raises).
  void LetGo(EdsRef Item);

  std::atomic<std::int32_t>* ContextCell;
};
