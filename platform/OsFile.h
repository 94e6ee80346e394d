// Raw file handles of the operating system, used by TextFile. Each call returns an
// input/output code (0 = success) in the system's numbering ("File not found" = 2, ...).
// Windows: an open for writing, a flush or a rename that another program's brief hold on the file
// refuses (sharing or lock violation, access denied) is tried again for about two seconds before
// it fails with that error; deletions are not (FileSystem.h).
// Paths are the system's own (backslashes, drive letters); the backend translates them. A path
// that holds a NUL names no file: every call on it fails with "Invalid filename" (3).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rt::os {

int OpenFile(const std::string& path, bool write, std::intptr_t& handle);
int ReadFile(std::intptr_t handle, char* buffer, std::size_t size, std::size_t& got);
int WriteFile(std::intptr_t handle, const char* data, std::size_t size);
int CloseFile(std::intptr_t handle);

// Makes what has been written to an existing file durable: its content is on the disk when this
// returns, so that a power cut afterwards cannot take it back. SyncHandle flushes through the
// handle that wrote the file (open for writing); SyncFile opens the file by name for it, for
// content that someone else wrote.
int SyncHandle(std::intptr_t handle);
int SyncFile(const std::string& path);
// Gives the file `from` the name `to` in one step, replacing a file of that name: anyone looking
// sees the old file or the new one, never neither and never a mix. The new name is made durable
// before this returns. Both names are in the same folder.
int RenameFile(const std::string& from, const std::string& to);

}  // namespace rt::os
