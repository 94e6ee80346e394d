// File system queries and changes. Paths use the backslash and may start with a drive letter;
// on POSIX they are translated by NativePath (Paths.h) at the moment the OS is called. A path
// that holds a NUL names nothing: it exists as neither file nor folder, and nothing is made,
// removed or listed through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rt {

bool FileExists(const std::string& path);       // exists and is not a folder
bool DirectoryExists(const std::string& path);  // exists and is a folder, a link to one too
// Whether the entry named by the last component is itself a link to another place: a symbolic
// link on POSIX; a reparse point on Windows (junction, symbolic link, mount point). False when
// nothing is there. What lies before the last component may be links all the same.
bool IsLink(const std::string& path);
bool CreateDir(const std::string& path);         // one level: a missing parent fails
bool ForceDirectories(const std::string& path);  // every missing level
bool RemoveFile(const std::string& path);
bool RemoveDir(const std::string& path);  // only an empty folder

// Names (not paths) of the entries of a folder that match a wildcard pattern such as
// "c:\pics\*.jpg": '*' and '?' in the last component, letters compared without case, entries of
// any kind (hidden, read-only and folders included), "." and ".." left out.
std::vector<std::string> FindFiles(const std::string& pattern);

// Bytes available to the caller and total bytes of a drive by number (1 = A:, 2 = B:, 3 = C:
// ...); -1 when the number names no drive or the query fails.
std::int64_t DiskFree(int drive);
std::int64_t DiskSize(int drive);

// Case-insensitive match of '*' and '?' wildcards, as the file system lists folders.
bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace rt
