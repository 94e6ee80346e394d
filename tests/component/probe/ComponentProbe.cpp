// Scenarios of the camera component that depend on process-wide load state (which libraries
// could be bound, the exit-procedure chain), so each runs in a process of its own. The tests run
// `component_probe SCENARIO` from a folder that holds the libraries under test and read what it
// prints, one fact per line, flushed at once.
#include <cstdio>
#include <string>

#include "component/CDAPI.h"
#include "component/EDSDK.h"
#include "component/Lumidor.h"
#include "component/PRAPI.h"
#include "platform/Errors.h"
#include "platform/Library.h"

namespace {

void Say(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string Joined(const Lumidor::TStringList* list) {
  if (!list) return "(none)";
  std::string text;
  for (const std::string& name : *list) text += (text.empty() ? "" : "|") + name;
  return text;
}

// Runs an operation and prints "ok" or the class and message of what it raised.
template <class Operation>
bool Attempt(const std::string& label, Operation operation) {
  try {
    operation();
    Say(label + ": ok");
    return true;
  } catch (const CamDefines::ECamException& e) {
    Say(label + ": ECamException: " + e.Message());
  } catch (const rt::EInOutError& e) {
    Say(label + ": EInOutError " + std::to_string(e.ErrorCode) + ": " + e.Message());
  } catch (const rt::EAssertionFailed& e) {
    Say(label + ": EAssertionFailed: " + e.Message());
  } catch (const std::exception& e) {
    Say(label + ": other: " + e.what());
  }
  return false;
}

void SayLists() {
  Say("PowerShotNames: " + Joined(Lumidor::PowerShotNames.get()));
  Say("EOSNames: " + Joined(Lumidor::EOSNames.get()));
  Say("CDCameraList: " + std::to_string(Lumidor::CDCameraList->size()));
  Say("PRCameraList: " + std::to_string(Lumidor::PRCameraList->size()));
  Say("EOSCameraList: " + std::to_string(Lumidor::EOSCameraList->size()));
}

void SayErrorMode() {
  const std::uint32_t mode = rt::SetErrorMode(0);
  rt::SetErrorMode(mode);
  char text[32];
  std::snprintf(text, sizeof text, "error mode: 0x%X", static_cast<unsigned>(mode));
  Say(text);
}

// How many CD entry points after Entry, in binding order, are bound.
int BoundAfter(CDSDKEntryPoint Entry) {
  int bound = 0;
  bool after = false;
#define COUNT_BOUND_AFTER(name, exportName, params) \
  if (after && CDAPI::name != nullptr) ++bound;     \
  if (CDSDKEntryPoint::name == Entry) after = true;
  CDSDK_ENTRY_POINTS(COUNT_BOUND_AFTER)
#undef COUNT_BOUND_AFTER
  return bound;
}

// Enumerates twice (the second shows what a repeated load reports), with a known error mode.
int Enumerate() {
  rt::SetErrorMode(0x0001);
  Say("faculty check line: " +
      std::to_string(CDAPI::EntryPointCheckLine(CDSDKEntryPoint::CDGetReleaseControlFaculty)));
  Say("version check line: " +
      std::to_string(CDAPI::EntryPointCheckLine(CDSDKEntryPoint::CDGetSDKVersion)));
  Lumidor::TLumidor lumidor(nullptr);
  for (const char* label : {"first", "second"}) {
    if (Attempt(label, [&] { lumidor.EnumerateCameras(); })) SayLists();
    SayErrorMode();
  }
  Say(std::string("SDKsStarted: ") + (Lumidor::SDKsStarted ? "yes" : "no"));
  Say("bound after the version: " + std::to_string(BoundAfter(CDSDKEntryPoint::CDGetSDKVersion)));
  return 0;
}

// Finishes before anything was started, then enumerates, finishes, enumerates again.
int Finish() {
  Lumidor::TLumidor lumidor(nullptr);
  Attempt("finish first", [&] { lumidor.FinishSDKs(); });
  Say(std::string("name lists before: ") +
      (!Lumidor::PowerShotNames && !Lumidor::EOSNames ? "none" : "some"));
  Attempt("enumerate", [&] { lumidor.EnumerateCameras(); });
  const Lumidor::TStringList* first = Lumidor::PowerShotNames.get();
  Attempt("finish", [&] { lumidor.FinishSDKs(); });
  Say(std::string("SDKsStarted: ") + (Lumidor::SDKsStarted ? "yes" : "no"));
  Say(std::string("name lists freed: ") +
      (!Lumidor::PowerShotNames && !Lumidor::EOSNames ? "yes" : "no"));
  Attempt("finish again", [&] { lumidor.FinishSDKs(); });
  Attempt("enumerate again", [&] { lumidor.EnumerateCameras(); });
  Say(std::string("new lists: ") + (Lumidor::PowerShotNames && first != nullptr ? "yes" : "no"));
  SayLists();
  return 0;
}

void MarkCD();
void MarkPR();
void MarkED();
rt::ExitProcedure g_beforeCD = nullptr;
rt::ExitProcedure g_beforePR = nullptr;
rt::ExitProcedure g_beforeED = nullptr;
void MarkCD() {
  Say("after CDSDK unload");
  rt::SetExitProc(g_beforeCD);
}
void MarkPR() {
  Say("after PRSDK unload");
  rt::SetExitProc(g_beforePR);
}
void MarkED() {
  Say("after EDSDK unload");
  rt::SetExitProc(g_beforeED);
}

// Loads CD, PR, EOS with a marker procedure below each library's unload; at program end the
// markers show the order in which the unloads hand on the chain.
int UnloadOrder() {
  g_beforeCD = rt::GetExitProc();
  rt::SetExitProc(MarkCD);
  CDAPI::LoadCDSDK();
  g_beforePR = rt::GetExitProc();
  rt::SetExitProc(MarkPR);
  PRAPI::LoadPRSDK();
  g_beforeED = rt::GetExitProc();
  rt::SetExitProc(MarkED);
  EDSDK::LoadEDSDK();
  Say(std::string("all ready: ") +
      (CDAPI::CDSDKReady() && PRAPI::PRSDKReady() && EDSDK::EDSDKReady() ? "yes" : "no"));
  return 0;
}

void Sentinel() {}

// A second load after a successful one: no new exit procedure, nothing bound anew.
int LoadTwice() {
  CDAPI::LoadCDSDK();
  Say(std::string("unload installed: ") +
      (rt::GetExitProc() == &CDAPI::UnloadCDSDK ? "yes" : "no"));
  const CDStartSDKProc bound = CDAPI::CDStartSDK;
  rt::SetExitProc(Sentinel);
  CDAPI::CDStartSDK = nullptr;
  Attempt("second load", [] { CDAPI::LoadCDSDK(); });
  Say(std::string("exit chain untouched: ") + (rt::GetExitProc() == &Sentinel ? "yes" : "no"));
  Say(std::string("nothing bound anew: ") + (CDAPI::CDStartSDK == nullptr ? "yes" : "no"));
  CDAPI::CDStartSDK = bound;
  rt::SetExitProc(CDAPI::UnloadCDSDK);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string scenario = argc > 1 ? argv[1] : "";
  if (scenario == "enumerate") return Enumerate();
  if (scenario == "finish") return Finish();
  if (scenario == "unload-order") return UnloadOrder();
  if (scenario == "load-twice") return LoadTwice();
  std::fprintf(stderr, "unknown scenario '%s'\n", scenario.c_str());
  return 2;
}
