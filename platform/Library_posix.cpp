#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <map>
#include <mutex>

#include "platform/Library.h"

namespace rt {

namespace {

std::uint32_t g_error_mode = 0;

// Handles this process loaded and has not freed, with the loader's reference count: a handle
// outside this map names nothing, and must fail cleanly rather than reach the loader.
// Never destroyed: exit procedures that free libraries run after static destructors may
// have begun.
std::map<LibHandle, int>& Loaded() {
  static auto* loaded = new std::map<LibHandle, int>;
  return *loaded;
}
std::mutex g_mutex;

}  // namespace

std::string ExecutableDir() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string path(buffer, static_cast<std::size_t>(n));
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

LibHandle LoadLib(const std::string& name) {
  if (name.empty()) return 0;
  void* handle = nullptr;
  if (name.find('/') == std::string::npos) {
    std::string local = ExecutableDir() + "/" + name;
    if (::access(local.c_str(), F_OK) == 0) handle = ::dlopen(local.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (!handle) handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return 0;
  std::lock_guard<std::mutex> lock(g_mutex);
  ++Loaded()[reinterpret_cast<LibHandle>(handle)];
  return reinterpret_cast<LibHandle>(handle);
}

void ExcludeCurrentDirFromLibrarySearch() {}

void* GetProcAddr(LibHandle handle, const char* name) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!Loaded().count(handle)) return nullptr;
  }
  return ::dlsym(reinterpret_cast<void*>(handle), name);
}

bool FreeLib(LibHandle handle) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = Loaded().find(handle);
  if (it == Loaded().end()) return false;
  if (--it->second == 0) Loaded().erase(it);
  return ::dlclose(reinterpret_cast<void*>(handle)) == 0;
}

std::uint32_t SetErrorMode(std::uint32_t mode) {
  std::uint32_t previous = g_error_mode;
  g_error_mode = mode;
  return previous;
}

std::uint32_t GetErrorMode() {
  return g_error_mode;
}

}  // namespace rt
