// File system queries and changes on Windows, straight on the ANSI Win32 calls.
#include <windows.h>

#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace rt {

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// A path that names a root rather than a folder inside one: "c:", "\" or "\\server\share".
bool IsRoot(const std::string& dir) {
  if (dir.size() == 1 && IsSeparator(dir[0])) return true;
  if (dir.size() == 2 && dir[1] == ':') return true;
  if (dir.size() > 2 && IsSeparator(dir[0]) && IsSeparator(dir[1])) {
    // UNC: "\\server" or "\\server\share", nothing below the share.
    const std::size_t server_end = dir.find_first_of("\\/", 2);
    if (server_end == std::string::npos) return true;
    return dir.find_first_of("\\/", server_end + 1) == std::string::npos;
  }
  return false;
}

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                           PULARGE_INTEGER);

// GetDiskFreeSpaceExA where kernel32 has it, looked up once.
GetDiskFreeSpaceExFn DiskFreeSpaceEx() {
  static const GetDiskFreeSpaceExFn fn = [] {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (!kernel) return GetDiskFreeSpaceExFn{};
    FARPROC proc = ::GetProcAddress(kernel, "GetDiskFreeSpaceExA");
    // Through the generic function type, the documented way to change a function pointer's type.
    return reinterpret_cast<GetDiskFreeSpaceExFn>(reinterpret_cast<void (*)()>(proc));
  }();
  return fn;
}

// Free bytes for the caller and total bytes of a drive; false when the drive cannot be queried.
bool QueryDisk(int drive, std::int64_t& free, std::int64_t& total) {
  const std::string root = DriveRoot(drive);
  if (root.empty()) return false;
  if (GetDiskFreeSpaceExFn ex = DiskFreeSpaceEx()) {
    ULARGE_INTEGER available, size, all_free;
    if (!ex(root.c_str(), &available, &size, &all_free)) return false;
    free = static_cast<std::int64_t>(available.QuadPart);
    total = static_cast<std::int64_t>(size.QuadPart);
    return true;
  }
  DWORD sectors_per_cluster, bytes_per_sector, free_clusters, clusters;
  if (!::GetDiskFreeSpaceA(root.c_str(), &sectors_per_cluster, &bytes_per_sector, &free_clusters,
                           &clusters)) {
    return false;
  }
  const std::int64_t cluster =
      static_cast<std::int64_t>(sectors_per_cluster) * static_cast<std::int64_t>(bytes_per_sector);
  free = cluster * free_clusters;
  total = cluster * clusters;
  return true;
}

}  // namespace

bool FileExists(const std::string& path) {
  if (HoldsNul(path)) return false;
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  ::FindClose(find);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  if (HoldsNul(path)) return false;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsLink(const std::string& path) {
  if (HoldsNul(path)) return false;
  // The attributes of the entry itself: GetFileAttributesA does not follow a reparse point.
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool CreateDir(const std::string& path) {
  if (HoldsNul(path)) return false;
  return ::CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool ForceDirectories(const std::string& path) {
  // Not even the levels before a NUL are made.
  if (path.empty() || HoldsNul(path)) return false;
  std::string dir = path;
  while (dir.size() > 1 && IsSeparator(dir.back())) dir.pop_back();
  if (IsRoot(dir)) {
    // A root cannot be created, only be there: "c:" means the drive's root here, not its
    // current folder.
    return DirectoryExists(IsSeparator(dir.back()) ? dir : dir + '\\');
  }
  if (DirectoryExists(dir)) return true;
  const std::size_t cut = dir.find_last_of("\\/");
  if (cut != std::string::npos && !ForceDirectories(dir.substr(0, cut + 1))) return false;
  // Someone else may have made it in the meantime; that is as good.
  return CreateDir(dir) || DirectoryExists(dir);
}

bool RemoveFile(const std::string& path) {
  if (HoldsNul(path)) return false;
  return ::DeleteFileA(path.c_str()) != 0;
}

bool RemoveDir(const std::string& path) {
  if (HoldsNul(path)) return false;
  return ::RemoveDirectoryA(path.c_str()) != 0;
}

std::vector<std::string> FindFiles(const std::string& pattern) {
  std::vector<std::string> names;
  if (HoldsNul(pattern)) return names;
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(find, &data));
  ::FindClose(find);
  return names;
}

std::int64_t DiskFree(int drive) {
  std::int64_t free, total;
  return QueryDisk(drive, free, total) ? free : -1;
}

std::int64_t DiskSize(int drive) {
  std::int64_t free, total;
  return QueryDisk(drive, free, total) ? total : -1;
}

}  // namespace rt
