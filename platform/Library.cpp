#include <cstdlib>

#include "platform/Library.h"

namespace rt {

namespace {
ExitProcedure g_exit_proc = nullptr;
bool g_registered = false;
}  // namespace

ExitProcedure GetExitProc() {
  return g_exit_proc;
}

void SetExitProc(ExitProcedure proc) {
  g_exit_proc = proc;
  if (!g_registered) {
    g_registered = true;
    std::atexit(RunExitProcedures);
  }
}

void RunExitProcedures() {
  while (ExitProcedure proc = g_exit_proc) {
    g_exit_proc = nullptr;
    proc();
  }
}

}  // namespace rt
