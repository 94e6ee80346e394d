// The one load-and-bind procedure of the three library binding modules (CDAPI, PRAPI, EDSDK).
// Internal to those modules.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Errors.h"
#include "platform/Library.h"

namespace SdkBinding {

// No message box while the loader looks for a file that is not there.
constexpr std::uint32_t kNoOpenFileErrorBox = 0x8000;

// Handles below this value are the loader's failure codes, not libraries.
constexpr rt::LibHandle kFirstValidHandle = 32;

// Adds bits to the process error mode in force for the life of the scope (what is set stays set)
// and restores the previous mode however the scope is left.
class ErrorModeScope {
 public:
  explicit ErrorModeScope(std::uint32_t bits)
      : saved_(rt::SetErrorMode(rt::GetErrorMode() | bits)) {}
  ~ErrorModeScope() { rt::SetErrorMode(saved_); }
  ErrorModeScope(const ErrorModeScope&) = delete;
  ErrorModeScope& operator=(const ErrorModeScope&) = delete;

 private:
  std::uint32_t saved_;
};

// Load state of one library, process-wide.
struct LibraryState {
  bool Loaded = false;                    // set once the library is loaded; never cleared
  rt::LibHandle Handle = 0;               // what the load returned
  rt::ExitProcedure SavedExit = nullptr;  // the exit procedure installed before ours
  int FailedLine = 0;                     // line of the failed entry-point check, 0 = none
  bool Freed = false;                     // the exit procedure has freed it: call nothing more
};

// Loaded, every entry point bound, and not freed yet: its entry points may be called.
inline bool Ready(const LibraryState& State) {
  return State.Loaded && State.FailedLine == 0 && !State.Freed;
}

// Looks Name up in the loaded library, stores it in Slot and checks it: a missing export raises
// the assertion failure of Module at Line (and records Line, so later loads report it again).
template <class Proc>
void BindEntryPoint(LibraryState& State, const char* Module, Proc& Slot, const char* Name,
                    int Line) {
  void* address = rt::GetProcAddr(State.Handle, Name);
  // Through the generic function-pointer type, the portable way to give an address its type.
  Slot = reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(address));
  if (Slot == nullptr) {
    State.FailedLine = Line;
    rt::AssertionFailure(Module, Line);
  }
}

// The load: nothing when loaded before (but a failed entry-point check is reported again);
// otherwise loads FileName under ErrorModeScope and, on success, installs Unload as the exit
// procedure and runs BindAll. Returns false when the library could not be loaded.
template <class BindAllFn>
bool Load(LibraryState& State, const char* Module, const char* FileName, rt::ExitProcedure Unload,
          BindAllFn BindAll) {
  if (State.Loaded) {
    if (State.FailedLine != 0) rt::AssertionFailure(Module, State.FailedLine);
    return true;
  }
  ErrorModeScope errorMode(kNoOpenFileErrorBox);
  const rt::LibHandle handle = rt::LoadLib(FileName);
  if (handle < kFirstValidHandle) return false;
  State.Loaded = true;
  State.Handle = handle;
  State.SavedExit = rt::GetExitProc();
  rt::SetExitProc(Unload);
  BindAll();
  return true;
}

// The exit procedure's work: hand the chain back to the procedure saved by the load, then free
// the library. It is not loaded again; what still runs at program end (the forms and their
// components go after the exit procedures) finds it no longer ready and calls nothing.
inline void Unload(LibraryState& State) {
  rt::SetExitProc(State.SavedExit);
  State.Freed = true;
  rt::FreeLib(State.Handle);
}

}  // namespace SdkBinding
