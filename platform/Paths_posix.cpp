#include <cstdlib>

#include "platform/Paths.h"

namespace rt {

namespace {

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string DriveFolder(char letter) {
  char upper = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
  std::string name = std::string("DRIVE_") + upper;
  const char* value = std::getenv(name.c_str());
  if (!value || !*value) return "/";
  return value;
}

}  // namespace

std::string NativePath(const std::string& path) {
  std::string rest = path;
  std::string prefix;
  if (rest.size() >= 2 && IsLetter(rest[0]) && rest[1] == ':') {
    prefix = DriveFolder(rest[0]);
    rest.erase(0, 2);
    // "c:x" (relative to the drive's current folder) is taken from the drive's root.
    if (!rest.empty() && rest[0] != '\\' && rest[0] != '/') rest.insert(0, "/");
    while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
    if (prefix == "/" && !rest.empty()) prefix.clear();
  }
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  std::string native = prefix + rest;
  return native.empty() && !prefix.empty() ? prefix : native;
}

std::string DriveRoot(int drive) {
  if (drive < 1 || drive > 26) return "";
  return DriveFolder(static_cast<char>('A' + drive - 1));
}

}  // namespace rt
