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

// Whether `path` is an existing file that its attributes let be written: only there can an
// "access denied" come from another program's open (a rename onto a file that it holds).
bool IsWritablePlainFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
}

// Other programs open a file that has just been written for a moment: on-access virus scanners,
// the search indexer, sync and backup clients. While they hold `path`, a step on it fails with
// one of these errors, which pass once they let it go; any other refusal stays.
bool IsPassingHold(DWORD error, const std::string& path) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
  return error == ERROR_ACCESS_DENIED && IsWritablePlainFile(path);
}

// The pause between two tries of a step that a hold refused.
constexpr DWORD kHoldPauseMs = 50;

// Runs `attempt` (true on success, else the reason in GetLastError) until it succeeds, fails for
// a reason other than a hold on `path`, or `wait` is spent; what it waited is taken from `wait`.
// Returns 0 or the input/output code of the last failure, the same code that a single failed try
// gives.
template <class Attempt>
int PastHolds(HoldWait& wait, const std::string& path, Attempt attempt) {
  if (attempt()) return 0;
  const ULONGLONG start = ::GetTickCount64();
  const auto waited = [&] { return static_cast<std::int64_t>(::GetTickCount64() - start); };
  for (;;) {
    const DWORD error = ::GetLastError();
    if (!IsPassingHold(error, path) || waited() >= wait.LeftMs()) {
      wait.Spend(waited());
      return IoCodeOf(error);
    }
    ::Sleep(kHoldPauseMs);
    if (attempt()) {
      wait.Spend(waited());
      return 0;
    }
  }
}

}  // namespace

int OpenFile(const std::string& path, bool write, std::intptr_t& handle, HoldWait& wait) {
  if (HoldsNul(path)) {
    handle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    return kIoPathNotFound;
  }
  handle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
  HANDLE h = INVALID_HANDLE_VALUE;
  if (write) {
    // Every file the programs write is opened here: a brief hold by another program is waited out.
    const int code = PastHolds(wait, path, [&] {
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
  if (!::FlushFileBuffers(ToHandle(handle))) return LastIoCode();
  return 0;
}

int SyncFile(const std::string& path, HoldWait& wait) {
  if (HoldsNul(path)) return kIoPathNotFound;
  // FlushFileBuffers needs a handle with write access; the file is opened as it is, not emptied.
  HANDLE h = INVALID_HANDLE_VALUE;
  const int opened = PastHolds(wait, path, [&] {
    h = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h != INVALID_HANDLE_VALUE;
  });
  if (opened != 0) return opened;
  const int code = SyncHandle(reinterpret_cast<std::intptr_t>(h));
  ::CloseHandle(h);
  return code;
}

int RenameFile(const std::string& from, const std::string& to, HoldWait& wait) {
  if (HoldsNul(from) || HoldsNul(to)) return kIoPathNotFound;
  // Write-through: the call returns once the new name is on the disk. A rename onto a file that
  // another program holds is refused as access denied.
  return PastHolds(wait, to, [&] {
    return ::MoveFileExA(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  });
}

int RemoveFile(const std::string& path, HoldWait& wait) {
  if (HoldsNul(path)) return kIoPathNotFound;
  // A holder that lets others write but not delete refuses it as a sharing violation.
  return PastHolds(wait, path, [&] {
    if (::DeleteFileA(path.c_str())) return true;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  });
}

}  // namespace rt::os
