#include "platform/AsideFile.h"

#include <utility>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/OsFile.h"

namespace rt {

std::string AsideName(const std::string& path) {
  return path + kAsideSuffix;
}

AsideFile::AsideFile(std::string path) : path_(std::move(path)), aside_(AsideName(path_)) {
  // Usually nothing is there. What is there and stays (another program holds it, a folder) is
  // never written into: held with write access shared, the new content would go into the held
  // file, and its rename would fail for as long as the hold lasts.
  CheckIo(os::RemoveFile(aside_, wait_));
}

AsideFile::~AsideFile() {
  if (!placed_) RemoveFile(aside_);
}

void AsideFile::PutInPlace() {
  CheckIo(os::SyncFile(aside_, wait_));
  PutDurableInPlace();
}

void AsideFile::PutDurableInPlace() {
  CheckIo(os::RenameFile(aside_, path_, wait_));
  placed_ = true;
}

}  // namespace rt
