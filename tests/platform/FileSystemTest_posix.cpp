// Links on POSIX: symbolic links to folders and files, and dangling ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/FileSystem.h"

namespace {

namespace fs = std::filesystem;

// Only the entry named by the last component counts: a link is a link whatever it leads to, and
// what lies below a linked folder is no link. A linked folder still exists as a folder.
TEST(FileSystem, IsLinkTellsALinkFromWhatItLeadsTo) {
  const fs::path dir =
      fs::temp_directory_path() / ("links-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "target");
  std::ofstream(dir / "target" / "1.jpg") << "x";
  fs::create_directory_symlink("target", dir / "folder-link");
  fs::create_symlink("target/1.jpg", dir / "file-link");
  fs::create_symlink("nowhere", dir / "dangling");
  const std::string root = dir.string();

  for (const char* link : {"folder-link", "file-link", "dangling"}) {
    EXPECT_TRUE(rt::IsLink(root + "\\" + link)) << link;
  }
  for (const char* other : {"target", "target\\1.jpg", "folder-link\\1.jpg", "missing"}) {
    EXPECT_FALSE(rt::IsLink(root + "\\" + other)) << other;
  }
  EXPECT_FALSE(rt::IsLink(""));
  EXPECT_FALSE(rt::IsLink(root + "\\folder-link" + '\0' + "x"));  // names nothing
  EXPECT_TRUE(rt::DirectoryExists(root + "\\folder-link"));

  fs::remove_all(dir);
}

}  // namespace
