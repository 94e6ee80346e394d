// Paths on Windows are the system's own: nothing to translate.
#include <windows.h>

#include "platform/Paths.h"

namespace rt {

static_assert(kMaxPath == MAX_PATH, "the path limit is Windows' own");

std::string NativePath(const std::string& path) {
  return path;
}

std::string DriveRoot(int drive) {
  if (drive < 1 || drive > 26) return {};
  return std::string{static_cast<char>('A' + drive - 1), ':', '\\'};
}

}  // namespace rt
