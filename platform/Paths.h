// Translation of the system's paths to the operating system's. On Windows the path is used as
// it is. On POSIX the backslash becomes '/', and a leading drive "x:" maps to the folder named by
// the environment variable DRIVE_X (upper-case letter), or to "/" when that is unset, the way
// Wine maps drive letters to folders.
#pragma once

#include <string>

namespace rt {

std::string NativePath(const std::string& path);

// The folder that drive number 1..26 (1 = A:) maps to; empty for any other number.
std::string DriveRoot(int drive);

}  // namespace rt
