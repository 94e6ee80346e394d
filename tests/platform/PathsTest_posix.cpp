// Drive letters and backslashes on POSIX: drive "x:" is the folder in DRIVE_X, or "/" without it.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace {

namespace fs = std::filesystem;

// Sets (or with nullptr unsets) an environment variable for one test, then restores it.
class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* old = ::getenv(name)) previous_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~EnvVar() {
    if (previous_) {
      ::setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

class ScratchDir {
 public:
  ScratchDir() {
    path_ = fs::temp_directory_path() / ("paths-" + std::to_string(std::random_device{}()));
    fs::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string Native() const { return path_.string(); }

 private:
  fs::path path_;
};

TEST(NativePath, TranslatesBackslashesAndDriveLetters) {
  EnvVar c("DRIVE_C", "/srv/pictures");
  EnvVar e("DRIVE_E", "/mnt/e/");  // a trailing separator is not doubled
  EnvVar d("DRIVE_D", nullptr);
  EnvVar empty("DRIVE_F", "");  // set but empty counts as unset
  const struct {
    const char* path;
    const char* native;
  } cases[] = {
      {"c:\\cam1\\1.jpg", "/srv/pictures/cam1/1.jpg"},
      {"C:\\cam1\\1.jpg", "/srv/pictures/cam1/1.jpg"},
      {"c:\\", "/srv/pictures/"},
      {"c:", "/srv/pictures"},
      {"c:x.txt", "/srv/pictures/x.txt"},
      {"e:\\a", "/mnt/e/a"},
      {"d:\\cam1\\x", "/cam1/x"},
      {"D:\\", "/"},
      {"d:", "/"},
      {"f:\\x", "/x"},
      {"config\\cam1.free", "config/cam1.free"},  // relative stays relative
      {"cams.error", "cams.error"},
      {"\\at\\root", "/at/root"},
      {"/tmp/already/native", "/tmp/already/native"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(rt::NativePath(c.path), c.native) << c.path;
}

TEST(NativePath, DriveRootIsTheMappedFolderOfDrives1To26) {
  EnvVar a("DRIVE_A", "/media/a");
  EnvVar z("DRIVE_Z", "/media/z");
  EnvVar c("DRIVE_C", nullptr);
  EXPECT_EQ(rt::DriveRoot(1), "/media/a");
  EXPECT_EQ(rt::DriveRoot(26), "/media/z");
  EXPECT_EQ(rt::DriveRoot(3), "/");
  for (int drive : {0, 27, -1, 255}) EXPECT_EQ(rt::DriveRoot(drive), "") << drive;
}

TEST(DiskSpace, QueriesTheFileSystemOfTheMappedFolder) {
  ScratchDir dir;
  EnvVar q("DRIVE_Q", dir.Native().c_str());
  const std::int64_t free = rt::DiskFree(17);
  const std::int64_t size = rt::DiskSize(17);
  EXPECT_GT(free, 0);
  EXPECT_LE(free, size);

  EnvVar r("DRIVE_R", (dir.Native() + "/not-there").c_str());
  EXPECT_EQ(rt::DiskFree(18), -1);
  EXPECT_EQ(rt::DiskSize(18), -1);
}

TEST(FileSystem, WorksThroughADriveLetter) {
  ScratchDir dir;
  EnvVar p("DRIVE_P", dir.Native().c_str());
  EXPECT_TRUE(rt::DirectoryExists("p:\\"));
  EXPECT_TRUE(rt::ForceDirectories("p:\\cam1\\08.12.2026"));
  EXPECT_TRUE(fs::is_directory(dir.Native() + "/cam1/08.12.2026"));
  EXPECT_TRUE(rt::ForceDirectories("p:\\"));  // the root itself is there

  rt::TextFile file;
  ASSERT_EQ(file.OpenWrite("P:\\cam1\\08.12.2026\\1.jpg"), 0);
  EXPECT_EQ(file.Close(), 0);
  EXPECT_TRUE(rt::FileExists("p:\\cam1\\08.12.2026\\1.jpg"));
  EXPECT_EQ(rt::FindFiles("p:\\cam1\\08.12.2026\\*.jpg"), std::vector<std::string>{"1.jpg"});
  EXPECT_EQ(rt::FindFiles("p:\\*"), std::vector<std::string>{"cam1"});
  EXPECT_TRUE(rt::RemoveFile("p:\\cam1\\08.12.2026\\1.jpg"));
  EXPECT_TRUE(rt::RemoveDir("p:\\cam1\\08.12.2026"));
  EXPECT_FALSE(fs::exists(dir.Native() + "/cam1/08.12.2026"));
}

TEST(FileSystem, FindFilesIncludesDotFiles) {
  ScratchDir dir;
  std::ofstream(dir.Native() + "/.a.jpg") << "x";
  std::ofstream(dir.Native() + "/b.jpg") << "x";
  std::vector<std::string> names = rt::FindFiles(dir.Native() + "\\*.jpg");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".a.jpg", "b.jpg"}));
}

}  // namespace
