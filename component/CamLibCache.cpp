// The capability cache file: the tag and positions 5..313 of a capability record, per camera
// model and shooting mode. Files are reached through the runtime's raw file handles, with the
// system's own paths (backslashes, drive letters).
#include <cstring>
#include <string>
#include <vector>

#include "component/CamLib.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/OsFile.h"

namespace CamLib {

namespace {

constexpr std::uint32_t kCapsFileTag = 285;
constexpr std::size_t kTagSize = 4;

// The system's text of an input/output code, as the runtime words a file-open or file-create
// failure (no closing full stop).
std::string SystemErrorText(int code) {
  switch (code) {
    case rt::kIoFileNotFound:
      return "The system cannot find the file specified";
    case rt::kIoPathNotFound:
      return "The system cannot find the path specified";
    case rt::kIoTooManyOpenFiles:
      return "The system cannot open the file";
    case rt::kIoAccessDenied:
      return "Access is denied";
    case 32:
      return "The process cannot access the file because it is being used by another process";
    case rt::kIoDiskFull:
      return "There is not enough space on the disk";
    case 123:
      return "The filename, directory name, or volume label syntax is incorrect";
    case 206:
      return "The filename or extension is too long";
    default:
      return rt::IoErrorText(code);
  }
}

// A raw file handle that is closed however its scope is left. The open raises the runtime's
// file-open or file-create error.
class CapsFile {
 public:
  CapsFile(const std::string& name, bool create) {
    const int code = rt::os::OpenFile(name, create, handle_);
    if (code != rt::kIoOk) {
      throw rt::Exception(std::string(create ? "Cannot create file \"" : "Cannot open file \"") +
                          name + "\". " + SystemErrorText(code));
    }
    open_ = true;
  }
  ~CapsFile() {
    if (open_) (void)rt::os::CloseFile(handle_);
  }
  CapsFile(const CapsFile&) = delete;
  CapsFile& operator=(const CapsFile&) = delete;

  // Reads up to Size bytes; fewer only at the end of the file or on a read error.
  std::size_t Read(std::uint8_t* buffer, std::size_t size) {
    std::size_t total = 0;
    while (total < size) {
      std::size_t got = 0;
      if (rt::os::ReadFile(handle_, reinterpret_cast<char*>(buffer) + total, size - total, got) !=
              rt::kIoOk ||
          got == 0) {
        break;
      }
      total += got;
    }
    return total;
  }
  // The result is the caller's to test.
  int Write(const std::uint8_t* data, std::size_t size) {
    return rt::os::WriteFile(handle_, reinterpret_cast<const char*>(data), size);
  }

 private:
  std::intptr_t handle_ = -1;
  bool open_ = false;
};

bool IsDelimiter(char c) {
  return c == '\\' || c == ':';
}

// The part of Name up to and including its last '\' or ':'; empty when it has neither.
std::string PathPart(const std::string& name) {
  const std::size_t last = name.find_last_of("\\:");
  return last == std::string::npos ? std::string() : name.substr(0, last + 1);
}

// The folder of a file name: the part before its last '\' or ':', a root ("C:\", "\") keeping
// its backslash; empty when the name has no folder part.
std::string FolderPart(const std::string& name) {
  const std::size_t last = name.find_last_of("\\:");
  if (last == std::string::npos) return std::string();
  if (last > 0 && name[last] == '\\' && !IsDelimiter(name[last - 1])) return name.substr(0, last);
  return name.substr(0, last + 1);
}

// Creates Folder and every missing folder above it, parents first. A folder that exists, or a
// name of fewer than 3 characters once a trailing backslash is dropped (a drive, a root), needs
// nothing; neither does the top of a relative path. A folder that cannot be created ends the
// work quietly: creating the file in it fails afterwards and says so.
void ForceFolders(std::string folder) {
  std::vector<std::string> missing;
  for (;;) {
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (folder.size() < 3 || rt::DirectoryExists(folder)) break;
    std::string parent = PathPart(folder);
    if (parent == folder) break;  // a drive name such as "xyz:"
    missing.push_back(folder);
    if (parent.empty()) break;
    folder = std::move(parent);
  }
  for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
    if (!rt::CreateDir(*level)) break;
  }
}

}  // namespace

std::uint32_t CapsFileTag() {
  return kCapsFileTag;
}

std::string CapsFileName(const std::string& CacheDir, const std::string& ModelName,
                         std::uint8_t ShootingModeIndex) {
  std::string model = ModelName;
  for (char& c : model) {
    if (c == '\\' || c == '/' || c == ':') c = '_';
  }
  return CacheDir + "\\" + model + " Mode" + std::to_string(ShootingModeIndex);
}

bool LoadCapsFile(const std::string& FileName, CapsBody& Caps) {
  if (!rt::FileExists(FileName)) return false;
  CapsFile file(FileName, false);
  std::uint8_t tag[kTagSize] = {};
  if (file.Read(tag, kTagSize) < kTagSize) return false;
  const std::uint32_t value = std::uint32_t{tag[0]} | std::uint32_t{tag[1]} << 8 |
                              std::uint32_t{tag[2]} << 16 | std::uint32_t{tag[3]} << 24;
  if (value != CapsFileTag()) return false;
  // A body cut short (a write that failed part way) or holding anything but 0 and 1 is not a
  // file this module wrote: rather ask the camera again than hand on a wrong answer for good.
  CapsBody body{};
  if (file.Read(body.data(), body.size()) < body.size()) return false;
  for (const std::uint8_t flag : body) {
    if (flag > 1) return false;
  }
  Caps = body;
  return true;
}

void SaveCapsFile(const std::string& FileName, CapsBody Caps) {
  const std::string folder = FolderPart(FileName);
  if (folder.empty()) throw rt::EInOutError(rt::kIoPathNotFound, "Unable to create directory");
  ForceFolders(folder);
  CapsFile file(FileName, true);
  std::uint8_t bytes[kTagSize + kCapsSize];
  const std::uint32_t tag = CapsFileTag();
  for (std::size_t i = 0; i < kTagSize; ++i) {
    bytes[i] = static_cast<std::uint8_t>((tag >> (8 * i)) & 0xFF);
  }
  std::memcpy(bytes + kTagSize, Caps.data(), Caps.size());
  // A short write goes unreported: the short file that it leaves is refused by LoadCapsFile.
  (void)file.Write(bytes, sizeof bytes);
}

}  // namespace CamLib
