// A file that is whole or absent. Its content is written under a name of its own beside it (the
// file's name and ".part"), made durable, and only then given the file's name in one step. A
// failure, a kill or a power cut at any moment leaves the file's name as it was: nothing new
// under it, and a file that was there stays unless a whole one replaces it. What a kill leaves
// aside is nobody's picture; the next write of the same file takes the aside name over.
#pragma once

#include <string>

#include "platform/OsFile.h"

namespace rt {

inline constexpr char kAsideSuffix[] = ".part";

// The name a file is written under until it is whole.
std::string AsideName(const std::string& path);

class AsideFile {
 public:
  // Clears the aside name of whatever an earlier write left there, waiting out another program's
  // hold on it as the file's other steps do. Raises EInOutError when something stays there: the
  // file is then not written at all.
  explicit AsideFile(std::string path);
  // The aside file goes unless it was put in place.
  ~AsideFile();
  AsideFile(const AsideFile&) = delete;
  AsideFile& operator=(const AsideFile&) = delete;

  // Where the content is to be written; whoever writes it has closed it before PutInPlace.
  const std::string& Name() const { return aside_; }
  // What the file's steps may still wait on other programs' holds, all together: the clearing of
  // the aside name has taken its share, whoever opens Name() for writing passes it to
  // os::OpenFile, and the flush and the rename wait on what is left of it.
  os::HoldWait& Wait() { return wait_; }

  // Makes the aside file durable and gives it the file's name, replacing a file of that name.
  // Raises EInOutError; the aside file then goes with the object.
  void PutInPlace();
  // The same for content that its writer has made durable already, through the handle that wrote
  // it (os::SyncHandle): only the rename is left.
  void PutDurableInPlace();

 private:
  std::string path_;
  std::string aside_;
  os::HoldWait wait_;
  bool placed_ = false;
};

}  // namespace rt
