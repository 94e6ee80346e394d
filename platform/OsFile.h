// Raw file handles of the operating system, used by TextFile. Each call returns an
// input/output code (0 = success) in the system's numbering ("File not found" = 2, ...).
// Windows: other programs (virus scanners, the search indexer, sync clients) open a new file for
// a moment. An open for writing, the open that SyncFile makes, a rename and a RemoveFile that
// such a hold refuses are tried again while their HoldWait lasts, then fail with the error that a
// single try gives. A hold shows as a sharing or lock violation, or as access denied on an existing
// plain file that is not read-only (a rename onto a file that another program holds). Any other
// access denied never passes (a folder under the name, a read-only file, a folder that may not be
// written in) and fails at once; so do the deletions of FileSystem.h. The POSIX backend never
// waits.
// Paths are the system's own (backslashes, drive letters); the backend translates them. A path
// that holds a NUL names no file: every call on it fails with "Invalid filename" (3).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rt::os {

// What the steps of writing one file may still spend, all together, waiting out other programs'
// holds on it: a file that stays held fails after about two seconds in all, however many of its
// steps meet the hold. One per file, shared by its open for writing, its flush and its rename.
class HoldWait {
 public:
  static constexpr std::int64_t kBoundMs = 2000;

  std::int64_t LeftMs() const { return left_ms_; }
  void Spend(std::int64_t ms) { left_ms_ = ms < left_ms_ ? left_ms_ - ms : 0; }

 private:
  std::int64_t left_ms_ = kBoundMs;
};

int OpenFile(const std::string& path, bool write, std::intptr_t& handle, HoldWait& wait);
int ReadFile(std::intptr_t handle, char* buffer, std::size_t size, std::size_t& got);
int WriteFile(std::intptr_t handle, const char* data, std::size_t size);
int CloseFile(std::intptr_t handle);

// Makes what has been written to an existing file durable: its content is on the disk when this
// returns, so that a power cut afterwards cannot take it back. SyncHandle flushes through the
// handle that wrote the file (open for writing); SyncFile opens the file by name for it, for
// content that someone else wrote.
// No other program's open can refuse SyncHandle: it never waits.
int SyncHandle(std::intptr_t handle);
int SyncFile(const std::string& path, HoldWait& wait);
// Gives the file `from` the name `to` in one step, replacing a file of that name: anyone looking
// sees the old file or the new one, never neither and never a mix. The new name is made durable
// before this returns. Both names are in the same folder.
int RenameFile(const std::string& from, const std::string& to, HoldWait& wait);
// Clears the name `path` of the file under it before the file is written afresh: 0 once nothing
// is there (also when nothing was). A file that stays held, or a folder under the name, keeps it
// and gives the error of the deletion.
int RemoveFile(const std::string& path, HoldWait& wait);

// The open of a file written in one step (a protocol file): it waits on a bound of its own.
inline int OpenFile(const std::string& path, bool write, std::intptr_t& handle) {
  HoldWait wait;
  return OpenFile(path, write, handle, wait);
}

}  // namespace rt::os
