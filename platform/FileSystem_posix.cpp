#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace rt {

namespace {

// Whether `path` can be handed to the system at all.
bool Nameable(const std::string& path) {
  return !path.empty() && !HoldsNul(path);
}

bool StatNative(const std::string& path, struct stat& st) {
  if (!Nameable(path)) return false;
  return ::stat(NativePath(path).c_str(), &st) == 0;
}

bool StatVfs(int drive, struct statvfs& vfs) {
  std::string root = DriveRoot(drive);
  if (root.empty()) return false;
  return ::statvfs(root.c_str(), &vfs) == 0;
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st;
  return StatNative(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return StatNative(path, st) && S_ISDIR(st.st_mode);
}

bool IsLink(const std::string& path) {
  struct stat st;
  if (!Nameable(path)) return false;
  return ::lstat(NativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool CreateDir(const std::string& path) {
  if (!Nameable(path)) return false;
  return ::mkdir(NativePath(path).c_str(), 0777) == 0;
}

bool ForceDirectories(const std::string& path) {
  // Not even the levels before a NUL are made.
  if (HoldsNul(path)) return false;
  std::string trimmed = path;
  while (trimmed.size() > 1 && (trimmed.back() == '\\' || trimmed.back() == '/'))
    trimmed.pop_back();
  if (trimmed.empty()) return false;
  if (DirectoryExists(trimmed)) return true;
  auto sep = trimmed.find_last_of("\\/");
  if (sep != std::string::npos && sep > 0) {
    std::string parent = trimmed.substr(0, sep);
    bool is_drive = parent.size() == 2 && parent[1] == ':';
    if (!is_drive && !ForceDirectories(parent)) return false;
  }
  return CreateDir(trimmed) || DirectoryExists(trimmed);
}

bool RemoveFile(const std::string& path) {
  // unlink refuses folders itself: no separate check, which would double the cost of erasing
  // a day folder's thousands of pictures.
  if (!Nameable(path)) return false;
  return ::unlink(NativePath(path).c_str()) == 0;
}

bool RemoveDir(const std::string& path) {
  if (!Nameable(path)) return false;
  return ::rmdir(NativePath(path).c_str()) == 0;
}

std::vector<std::string> FindFiles(const std::string& pattern) {
  std::vector<std::string> names;
  if (HoldsNul(pattern)) return names;
  auto sep = pattern.find_last_of("\\/");
  std::string folder = sep == std::string::npos ? "." : pattern.substr(0, sep);
  std::string mask = sep == std::string::npos ? pattern : pattern.substr(sep + 1);
  if (folder.empty()) folder = "\\";
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  DIR* dir = ::opendir(NativePath(folder).c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (WildcardMatch(mask, name)) names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

std::int64_t DiskFree(int drive) {
  struct statvfs vfs;
  if (!StatVfs(drive, vfs)) return -1;
  return static_cast<std::int64_t>(vfs.f_bavail) * static_cast<std::int64_t>(vfs.f_frsize);
}

std::int64_t DiskSize(int drive) {
  struct statvfs vfs;
  if (!StatVfs(drive, vfs)) return -1;
  return static_cast<std::int64_t>(vfs.f_blocks) * static_cast<std::int64_t>(vfs.f_frsize);
}

}  // namespace rt
