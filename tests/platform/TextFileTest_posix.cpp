#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/Errors.h"
#include "platform/TextFile.h"

namespace {

namespace fs = std::filesystem;

TEST(TextFileWrite, AFullDiskIsReportedByTheWriteOrTheClose) {
  rt::TextFile file;
  ASSERT_EQ(file.OpenWrite("/dev/full"), 0);
  EXPECT_EQ(file.WriteLine("short line"), 0);  // still in the buffer
  EXPECT_EQ(file.Close(), rt::kIoDiskFull);
  EXPECT_FALSE(file.IsOpen());

  ASSERT_EQ(file.OpenWrite("\\dev\\full"), 0);
  EXPECT_EQ(file.WriteLine(std::string(1024 * 1024, 'x')), rt::kIoDiskFull);
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(rt::IoErrorText(rt::kIoDiskFull), "Disk full");
}

class TextFileErrors : public testing::Test {
 protected:
  TextFileErrors() {
    dir_ = fs::temp_directory_path() / ("textfile-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
  }
  ~TextFileErrors() override {
    std::error_code ignored;
    fs::permissions(dir_ / "locked", fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }
  fs::path dir_;
};

TEST_F(TextFileErrors, NoPermissionIsAccessDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not apply to root";
  const fs::path file = dir_ / "secret.txt";
  std::ofstream(file) << "x";
  fs::permissions(file, fs::perms::none);
  fs::create_directories(dir_ / "locked");
  fs::permissions(dir_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  rt::TextFile text;
  EXPECT_EQ(text.OpenRead(file.string()), rt::kIoAccessDenied);
  EXPECT_EQ(text.OpenWrite(file.string()), rt::kIoAccessDenied);
  EXPECT_EQ(text.OpenWrite((dir_ / "locked" / "new.txt").string()), rt::kIoAccessDenied);
}

TEST_F(TextFileErrors, OtherFailuresAreNumberedIoErrors) {
  // A symbolic link to itself: neither missing nor forbidden.
  fs::create_symlink(dir_ / "loop", dir_ / "loop");
  rt::TextFile text;
  const int code = text.OpenRead((dir_ / "loop").string());
  EXPECT_NE(code, 0);
  EXPECT_NE(code, rt::kIoFileNotFound);
  EXPECT_NE(code, rt::kIoAccessDenied);
  EXPECT_EQ(rt::EInOutError(code).Message(), "I/O error " + std::to_string(code));
}

}  // namespace
