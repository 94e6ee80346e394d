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

// Other programs open a file that has just been written for a moment: on-access virus scanners,
// the search indexer, sync and backup clients. While they hold it, an open for writing, a flush
// or a rename fails with one of these errors, and would cost the file.
bool IsPassingHold(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

// How long a step waits out such a hold, and the pause between its tries: a step on a file that
// stays held fails after about two seconds, well inside one capture tick.
constexpr ULONGLONG kHoldBoundMs = 2000;
constexpr DWORD kHoldPauseMs = 50;

// Runs `attempt` (true on success, else the reason in GetLastError) until it succeeds, fails for
// another reason, or the bound has passed. Returns 0 or the input/output code of the last failure,
// the same code that a single failed try gives.
template <class Attempt>
int PastHolds(Attempt attempt) {
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    if (attempt()) return 0;
    const DWORD error = ::GetLastError();
    if (!IsPassingHold(error) || ::GetTickCount64() - start >= kHoldBoundMs) return IoCodeOf(error);
    ::Sleep(kHoldPauseMs);
  }
}

}  // namespace

int OpenFile(const std::string& path, bool write, std::intptr_t& handle) {
  if (HoldsNul(path)) {
    handle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    return kIoPathNotFound;
  }
  handle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
  HANDLE h = INVALID_HANDLE_VALUE;
  if (write) {
    // Every file the programs write is opened here: a brief hold by another program is waited out.
    const int code = PastHolds([&] {
      h = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
      return h != INVALID_HANDLE_VALUE;
    });
    if (code != 0) return code;
  } else {
    h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastIoCode();
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

int SyncHandle(std::intptr_t handle) {
  if (IsNoHandle(handle)) return ERROR_INVALID_HANDLE;
  return PastHolds([&] { return ::FlushFileBuffers(ToHandle(handle)) != 0; });
}

int SyncFile(const std::string& path) {
  if (HoldsNul(path)) return kIoPathNotFound;
  // FlushFileBuffers needs a handle with write access; the file is opened as it is, not emptied.
  HANDLE h = INVALID_HANDLE_VALUE;
  const int opened = PastHolds([&] {
    h = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h != INVALID_HANDLE_VALUE;
  });
  if (opened != 0) return opened;
  const int code = SyncHandle(reinterpret_cast<std::intptr_t>(h));
  ::CloseHandle(h);
  return code;
}

int RenameFile(const std::string& from, const std::string& to) {
  if (HoldsNul(from) || HoldsNul(to)) return kIoPathNotFound;
  // Write-through: the call returns once the new name is on the disk.
  return PastHolds([&] {
    return ::MoveFileExA(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  });
}

}  // namespace rt::os
