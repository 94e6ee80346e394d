// Raw file handles on Windows: CreateFileA and friends, with the Win32 error turned into the
// system's input/output code.
#include <windows.h>

#include <algorithm>

#include "platform/Errors.h"
#include "platform/OsFile.h"
#include "platform/Paths.h"

namespace rt::os {

namespace {

// One ReadFile/WriteFile call moves at most this many bytes (the count is a DWORD).
constexpr std::size_t kMaxChunk = 1u << 30;

int IoCodeOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return 2;
    case ERROR_PATH_NOT_FOUND:
      return 3;
    case ERROR_TOO_MANY_OPEN_FILES:
      return 4;
    case ERROR_ACCESS_DENIED:
      return 5;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return 101;
    case ERROR_SUCCESS:
      // A call that failed without saying why still must not look like success.
      return ERROR_GEN_FAILURE;
    default:
      return static_cast<int>(error);
  }
}

int LastIoCode() {
  return IoCodeOf(::GetLastError());
}

HANDLE ToHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

bool IsNoHandle(std::intptr_t handle) {
  return ToHandle(handle) == INVALID_HANDLE_VALUE;
}

}  // namespace

int OpenFile(const std::string& path, bool write, std::intptr_t& handle) {
  if (HoldsNul(path)) {
    handle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    return kIoPathNotFound;
  }
  HANDLE h;
  if (write) {
    h = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  } else {
    h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (h == INVALID_HANDLE_VALUE) {
    handle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    return LastIoCode();
  }
  handle = reinterpret_cast<std::intptr_t>(h);
  return 0;
}

int ReadFile(std::intptr_t handle, char* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  if (IsNoHandle(handle)) return ERROR_INVALID_HANDLE;
  DWORD read = 0;
  const DWORD want = static_cast<DWORD>(std::min(size, kMaxChunk));
  if (!::ReadFile(ToHandle(handle), buffer, want, &read, nullptr)) {
    // A pipe whose writer has gone is simply at its end.
    if (::GetLastError() == ERROR_BROKEN_PIPE) return 0;
    return LastIoCode();
  }
  got = read;
  return 0;
}

int WriteFile(std::intptr_t handle, const char* data, std::size_t size) {
  if (IsNoHandle(handle)) return ERROR_INVALID_HANDLE;
  while (size > 0) {
    const DWORD want = static_cast<DWORD>(std::min(size, kMaxChunk));
    DWORD written = 0;
    if (!::WriteFile(ToHandle(handle), data, want, &written, nullptr)) return LastIoCode();
    if (written < want) return 101;  // the medium took only part of it: full
    data += written;
    size -= written;
  }
  return 0;
}

int CloseFile(std::intptr_t handle) {
  // -1 would be the current process's pseudo handle, which CloseHandle accepts.
  if (IsNoHandle(handle)) return ERROR_INVALID_HANDLE;
  if (!::CloseHandle(ToHandle(handle))) return LastIoCode();
  return 0;
}

int SyncFile(const std::string& path) {
  if (HoldsNul(path)) return kIoPathNotFound;
  // FlushFileBuffers needs a handle with write access; the file is opened as it is, not emptied.
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastIoCode();
  const int code = ::FlushFileBuffers(h) ? 0 : LastIoCode();
  ::CloseHandle(h);
  return code;
}

int RenameFile(const std::string& from, const std::string& to) {
  if (HoldsNul(from) || HoldsNul(to)) return kIoPathNotFound;
  // Write-through: the call returns once the new name is on the disk.
  if (!::MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return LastIoCode();
  }
  return 0;
}

}  // namespace rt::os
