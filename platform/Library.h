// Loading of shared libraries by file name, the process error mode around such loads, and the
// program's chain of exit procedures (run at program end, the last installed first).
#pragma once

#include <cstdint>
#include <string>

namespace rt {

using LibHandle = std::uintptr_t;  // 0: nothing loaded

// Loads the library with exactly this file name. POSIX: first from the executable's folder,
// then by the loader's search path. Returns 0 on failure.
LibHandle LoadLib(const std::string& name);

// Takes the current directory out of the search for libraries loaded by plain name, for the rest
// of the process. Windows then searches the executable's folder, the system folders and PATH;
// without this it would search the current directory before PATH, so that a library put there
// would run inside the program. POSIX: nothing to do, the loader searches the current directory
// for a plain name only where LD_LIBRARY_PATH names it. Raises Exception when the system refuses.
void ExcludeCurrentDirFromLibrarySearch();

// Address of an exported name (exact, case-sensitive); nullptr when the library does not export
// it or the handle names no loaded library.
void* GetProcAddr(LibHandle handle, const char* name);

// Unloads; false when the handle names no loaded library.
bool FreeLib(LibHandle handle);

// Sets the process error mode (0x8000: no message box when a file cannot be opened) and returns
// the previous one; GetErrorMode reads it. POSIX keeps the value only, since there is nothing it
// changes there.
std::uint32_t SetErrorMode(std::uint32_t mode);
std::uint32_t GetErrorMode();

// Error mode bit: a critical error ("There is no disk in the drive") fails the call that met it
// instead of showing the system's box, which would wait for a click where nobody may be.
inline constexpr std::uint32_t kFailCriticalErrors = 0x0001;

// Folder of the running executable, without a trailing separator (native form).
std::string ExecutableDir();

// Exit procedures: each installer saves the current one and installs its own; at program end
// RunExitProcedures calls the current one (after clearing it) until none is left, so each
// procedure hands on to the one it saved by restoring it.
using ExitProcedure = void (*)();
ExitProcedure GetExitProc();
void SetExitProc(ExitProcedure proc);  // the first install also arranges the run at exit
void RunExitProcedures();

}  // namespace rt
