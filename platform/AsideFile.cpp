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
  RemoveFile(aside_);  // usually nothing there
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
