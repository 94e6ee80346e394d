#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/FileSystem.h"

namespace {

namespace fs = std::filesystem;

TEST(DiskSpace, DriveCHasSpace) {
  const std::int64_t free = rt::DiskFree(3);
  const std::int64_t size = rt::DiskSize(3);
  EXPECT_GT(free, 0);
  EXPECT_GE(size, free);
}

TEST(FileSystem, FindFilesListsHiddenSystemAndReadOnlyEntries) {
  const fs::path dir =
      fs::temp_directory_path() / ("attributes-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir);
  const std::string root = dir.string();
  const struct {
    const char* name;
    DWORD attributes;
  } entries[] = {
      {"hidden.jpg", FILE_ATTRIBUTE_HIDDEN},
      {"system.jpg", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN},
      {"readonly.jpg", FILE_ATTRIBUTE_READONLY},
  };
  for (const auto& entry : entries) {
    const std::string path = root + "\\" + entry.name;
    std::ofstream(path) << "x";
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), entry.attributes));
    EXPECT_TRUE(rt::FileExists(path)) << entry.name;
  }
  std::vector<std::string> names = rt::FindFiles(root + "\\*.jpg");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"hidden.jpg", "readonly.jpg", "system.jpg"}));

  for (const auto& entry : entries) {
    ::SetFileAttributesA((root + "\\" + entry.name).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  fs::remove_all(dir);
}

TEST(RegionalTexts, UseTheUsersDateAndTimeFormats) {
  // The formats depend on the user's settings; every part of the date and time shows somewhere.
  const rt::DateTime sample{2026, 12, 8, 14, 3, 7, 0};
  const std::string date = rt::ShortDateText(sample);
  const std::string time = rt::LongTimeText(sample);
  EXPECT_NE(date.find("12"), std::string::npos) << date;
  EXPECT_NE(date.find('8'), std::string::npos) << date;
  EXPECT_NE(date.find("26"), std::string::npos) << date;
  EXPECT_NE(time.find("03"), std::string::npos) << time;
  EXPECT_NE(time.find("07"), std::string::npos) << time;
}

}  // namespace
