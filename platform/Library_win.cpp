// Libraries by file name on Windows: LoadLibraryA, GetProcAddress, FreeLibrary, SetErrorMode,
// GetErrorMode, SetDllDirectoryA.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Library.h"

namespace rt {

namespace {

// Whether the handle is the base of a module the process has loaded. Asks the loader's list
// only, so any number is safe to test.
bool IsLoadedModule(LibHandle handle) {
  if (handle == 0) return false;
  HMODULE found = nullptr;
  const BOOL ok = ::GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(handle), &found);
  return ok && reinterpret_cast<LibHandle>(found) == handle;
}

std::string ModuleFileName() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);  // cut short: try a larger buffer
  }
}

}  // namespace

LibHandle LoadLib(const std::string& name) {
  return reinterpret_cast<LibHandle>(::LoadLibraryA(name.c_str()));
}

void ExcludeCurrentDirFromLibrarySearch() {
  // An empty folder name (not a null one, which restores the default order) removes the current
  // directory from the search order of LoadLibrary.
  if (!::SetDllDirectoryA("")) {
    throw Exception("The current directory stays in the library search (SetDllDirectoryA: error " +
                    std::to_string(::GetLastError()) + ")");
  }
}

void* GetProcAddr(LibHandle handle, const char* name) {
  // A null module would mean the executable itself, so it is refused like any unknown one.
  if (name == nullptr || !IsLoadedModule(handle)) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
}

bool FreeLib(LibHandle handle) {
  if (!IsLoadedModule(handle)) return false;
  return ::FreeLibrary(reinterpret_cast<HMODULE>(handle)) != 0;
}

std::uint32_t SetErrorMode(std::uint32_t mode) {
  return ::SetErrorMode(mode);
}

std::uint32_t GetErrorMode() {
  return ::GetErrorMode();
}

std::string ExecutableDir() {
  const std::string file = ModuleFileName();
  const std::size_t cut = file.find_last_of("\\/");
  if (cut == std::string::npos) return {};
  return file.substr(0, cut);
}

}  // namespace rt
