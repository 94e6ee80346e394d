#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Errors.h"
#include "platform/OsFile.h"
#include "platform/Paths.h"

namespace rt::os {

namespace {

// The folder that holds `native` ("." for a bare name).
std::string ParentOf(const std::string& native) {
  const auto slash = native.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : native.substr(0, slash);
}

// Whether the folder that would hold `native` exists; tells "file not found" from a missing
// folder on the path, as Windows does.
bool ParentExists(const std::string& native) {
  struct stat st;
  return ::stat(ParentOf(native).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int CodeOf(int err, const std::string& native) {
  switch (err) {
    case ENOENT:
      return ParentExists(native) ? kIoFileNotFound : kIoPathNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
      return kIoPathNotFound;
    case EMFILE:
    case ENFILE:
      return kIoTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return kIoAccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kIoDiskFull;
    default:
      return err;
  }
}

// Flushes what was written through `fd` to the disk. A folder that its file system cannot flush
// (EINVAL) counts as flushed: a rename in it stands there as it is.
int SyncDescriptor(int fd, bool folder, const std::string& native) {
  while (::fsync(fd) != 0) {
    if (errno == EINTR) continue;
    if (!folder || errno != EINVAL) return CodeOf(errno, native);
    break;
  }
  return kIoOk;
}

// Flushes what was written to the file or folder `native` to the disk.
int SyncNative(const std::string& native, bool folder) {
  // fsync needs no write access: a read-only descriptor flushes all the same.
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
  if (fd < 0) return CodeOf(errno, native);
  const int code = SyncDescriptor(fd, folder, native);
  ::close(fd);
  return code;
}

}  // namespace

int OpenFile(const std::string& path, bool write, std::intptr_t& handle, HoldWait& /*wait*/) {
  if (HoldsNul(path)) return kIoPathNotFound;
  std::string native = NativePath(path);
  int flags = write ? (O_WRONLY | O_CREAT | O_TRUNC) : O_RDONLY;
  int fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return CodeOf(errno, native);
  if (!write) {
    // Opening a folder for reading succeeds on POSIX; Windows refuses it.
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      return kIoAccessDenied;
    }
  }
  handle = fd;
  return kIoOk;
}

int ReadFile(std::intptr_t handle, char* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  for (;;) {
    ssize_t n = ::read(static_cast<int>(handle), buffer, size);
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return kIoOk;
    }
    if (errno != EINTR) return CodeOf(errno, "");
  }
}

int WriteFile(std::intptr_t handle, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(static_cast<int>(handle), data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return CodeOf(errno, "");
    }
    if (n == 0) return kIoDiskFull;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return kIoOk;
}

int CloseFile(std::intptr_t handle) {
  if (::close(static_cast<int>(handle)) != 0 && errno != EINTR) return CodeOf(errno, "");
  return kIoOk;
}

int SyncHandle(std::intptr_t handle) {
  return SyncDescriptor(static_cast<int>(handle), /*folder=*/false, "");
}

int SyncFile(const std::string& path, HoldWait& /*wait*/) {
  if (HoldsNul(path)) return kIoPathNotFound;
  return SyncNative(NativePath(path), /*folder=*/false);
}

int RenameFile(const std::string& from, const std::string& to, HoldWait& /*wait*/) {
  if (HoldsNul(from) || HoldsNul(to)) return kIoPathNotFound;
  const std::string native_from = NativePath(from);
  const std::string native_to = NativePath(to);
  if (::rename(native_from.c_str(), native_to.c_str()) != 0) return CodeOf(errno, native_from);
  // The new name lives in the folder: it is durable once the folder is.
  return SyncNative(ParentOf(native_to), /*folder=*/true);
}

int RemoveFile(const std::string& path, HoldWait& /*wait*/) {
  if (HoldsNul(path)) return kIoPathNotFound;
  const std::string native = NativePath(path);
  if (::unlink(native.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR) return kIoOk;
  return CodeOf(errno, native);  // a folder: EISDIR, access denied
}

}  // namespace rt::os
