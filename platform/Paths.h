// Translation of the system's paths to the operating system's. On Windows the path is used as
// it is. On POSIX the backslash becomes '/', and a leading drive "x:" maps to the folder named by
// the environment variable DRIVE_X (upper-case letter), or to "/" when that is unset, the way
// Wine maps drive letters to folders.
#pragma once

#include <cstddef>
#include <string>

namespace rt {

std::string NativePath(const std::string& path);

// The folder that drive number 1..26 (1 = A:) maps to; empty for any other number.
std::string DriveRoot(int drive);

// The most characters a path may take, the NUL that ends it counted: Windows' MAX_PATH, the limit
// of the ANSI calls the programs make. The POSIX build keeps the same limit rather than its own
// PATH_MAX (4096), so that a path too long to name anything on Windows is too long here as well,
// and what the native build and its tests show is what the programs do on Windows. The limit
// counts the system's path as the programs build it, before any drive mapping.
inline constexpr std::size_t kMaxPath = 260;

// Whether `path` leaves room for its terminating NUL within kMaxPath.
inline bool FitsMaxPath(const std::string& path) {
  return path.size() < kMaxPath;
}

// A path that holds a NUL names no file and no folder: the system calls take a path as ending at
// its first NUL and would name another one. Every file-system operation refuses such a path.
inline bool HoldsNul(const std::string& path) {
  return path.find('\0') != std::string::npos;
}

}  // namespace rt
