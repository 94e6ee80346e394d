#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A fresh folder in the temporary folder, removed with everything in it at the end. Paths handed
// to the platform use the backslash, as the programs build them.
class ScratchDir {
 public:
  ScratchDir() {
    native_ = fs::temp_directory_path() / ("textfile-" + std::to_string(std::random_device{}()));
    fs::create_directories(native_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(native_, ignored);
  }
  std::string Path(const std::string& name) const { return native_.string() + "\\" + name; }

 private:
  fs::path native_;
};

std::string ReadBytes(const std::string& path) {
  std::ifstream in(fs::path(rt::NativePath(path)), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(fs::path(rt::NativePath(path)), std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Every line of the file as ReadLine gives it, until AtEof.
std::vector<std::string> ReadAll(const std::string& path) {
  rt::TextFile file;
  EXPECT_EQ(file.OpenRead(path), 0);
  std::vector<std::string> lines;
  while (!file.AtEof()) {
    std::string line;
    EXPECT_EQ(file.ReadLine(line), 0);
    lines.push_back(line);
    if (lines.size() > 1000) break;  // a reader that never reaches the end
  }
  EXPECT_EQ(file.Close(), 0);
  return lines;
}

TEST(TextFileRead, SplitsLinesAtLfOrCrLfAndKeepsOtherBytes) {
  ScratchDir dir;
  const struct {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"1\r\n", {"1"}},
      {"1\r\n2\r\n", {"1", "2"}},
      {"1\n2\n", {"1", "2"}},
      {"1\r\n2", {"1", "2"}},  // no line end after the last line
      {"\r\n\r\n", {"", ""}},  // empty lines
      {"a\rb\r\n", {"a\rb"}},  // a lone CR stays in the text
      {"a\r", {"a\r"}},        // also at the end of the file
      {"a\r\r\n", {"a\r"}},    // only the CR before the LF goes
      {"n\0ul\x1a"
       "26\r\nx"s,
       {"n\0ul\x1a"
        "26"s,
        "x"}},                 // NUL and ^Z are ordinary bytes
      {"  0 \r\n", {"  0 "}},  // blanks are kept
  };
  for (const auto& c : cases) {
    WriteBytes(dir.Path("in.txt"), c.bytes);
    EXPECT_EQ(ReadAll(dir.Path("in.txt")), c.lines) << testing::PrintToString(c.bytes);
  }
}

TEST(TextFileRead, AtTheEndGivesTheEmptyLineWithoutError) {
  ScratchDir dir;
  WriteBytes(dir.Path("one.txt"), "only\r\n");
  rt::TextFile file;
  ASSERT_EQ(file.OpenRead(dir.Path("one.txt")), 0);
  std::string line;
  EXPECT_EQ(file.ReadLine(line), 0);
  EXPECT_EQ(line, "only");
  EXPECT_TRUE(file.AtEof());
  for (int i = 0; i < 2; ++i) {
    line = "stale";
    EXPECT_EQ(file.ReadLine(line), 0);
    EXPECT_EQ(line, "");
  }
  EXPECT_EQ(file.Close(), 0);

  WriteBytes(dir.Path("empty.txt"), "");
  ASSERT_EQ(file.OpenRead(dir.Path("empty.txt")), 0);
  EXPECT_TRUE(file.AtEof());
  line = "stale";
  EXPECT_EQ(file.ReadLine(line), 0);
  EXPECT_EQ(line, "");
  EXPECT_EQ(file.Close(), 0);
}

TEST(TextFileRead, LongLinesAndLineEndsAcrossBufferBoundaries) {
  ScratchDir dir;
  // Line lengths around the usual buffer sizes put the CR and the LF on either side of a refill.
  for (std::size_t length : {4095u, 4096u, 65534u, 65535u, 65536u, 5u * 1024 * 1024 + 3}) {
    const std::string big(length, 'x');
    WriteBytes(dir.Path("big.txt"), big + "\r\n" + "next\r\n");
    const std::vector<std::string> lines = ReadAll(dir.Path("big.txt"));
    ASSERT_EQ(lines.size(), 2u) << length;
    EXPECT_EQ(lines[0].size(), length);
    EXPECT_EQ(lines[0], big);
    EXPECT_EQ(lines[1], "next");
  }
}

TEST(TextFileWrite, WritesEachLineWithCrLfAndTruncates) {
  ScratchDir dir;
  const std::string path = dir.Path("out.txt");
  WriteBytes(path, "old content that is longer than the new\r\n");
  rt::TextFile file;
  ASSERT_EQ(file.OpenWrite(path), 0);
  EXPECT_EQ(file.WriteLine("1"), 0);
  EXPECT_EQ(file.WriteLine(""), 0);
  EXPECT_EQ(file.WriteLine("a\0b"s), 0);
  EXPECT_EQ(file.Close(), 0);
  EXPECT_EQ(ReadBytes(path), "1\r\n\r\na\0b\r\n"s);

  // A line of several MiB, and many lines that pass through the buffer many times.
  const std::string big(3 * 1024 * 1024 + 7, 'y');
  ASSERT_EQ(file.OpenWrite(path), 0);
  EXPECT_EQ(file.WriteLine(big), 0);
  std::string expected = big + "\r\n";
  for (int i = 0; i < 20000; ++i) {
    const std::string line = "line " + std::to_string(i);
    EXPECT_EQ(file.WriteLine(line), 0);
    expected += line + "\r\n";
  }
  EXPECT_EQ(file.Close(), 0);
  EXPECT_TRUE(ReadBytes(path) == expected);

  // An open file that is never closed explicitly is complete once it goes away.
  {
    rt::TextFile scoped;
    ASSERT_EQ(scoped.OpenWrite(path), 0);
    EXPECT_EQ(scoped.WriteLine("kept"), 0);
  }
  EXPECT_EQ(ReadBytes(path), "kept\r\n");
}

TEST(TextFileOpen, ReportsTheErrorCodeOfTheFailure) {
  ScratchDir dir;
  WriteBytes(dir.Path("present.txt"), "x\r\n");
  fs::create_directories(fs::path(rt::NativePath(dir.Path("folder"))));
  const struct {
    std::string path;
    bool write;
    int code;
  } cases[] = {
      {dir.Path("missing.txt"), false, rt::kIoFileNotFound},
      {dir.Path("missing\\x.txt"), false, rt::kIoPathNotFound},  // a missing folder on the path
      {dir.Path("missing\\x.txt"), true, rt::kIoPathNotFound},
      {dir.Path("folder"), false, rt::kIoAccessDenied},  // a folder is not a file
      {dir.Path("folder"), true, rt::kIoAccessDenied},
  };
  for (const auto& c : cases) {
    rt::TextFile file;
    EXPECT_EQ(c.write ? file.OpenWrite(c.path) : file.OpenRead(c.path), c.code)
        << c.path << (c.write ? " for writing" : " for reading");
    EXPECT_FALSE(file.IsOpen());
  }
  // A failed open leaves nothing behind.
  EXPECT_FALSE(fs::exists(fs::path(rt::NativePath(dir.Path("missing")))));

  // Reading a file open for writing and the reverse are errors, not crashes.
  rt::TextFile file;
  ASSERT_EQ(file.OpenRead(dir.Path("present.txt")), 0);
  EXPECT_NE(file.WriteLine("no"), 0);
  ASSERT_EQ(file.OpenWrite(dir.Path("other.txt")), 0);
  std::string line;
  EXPECT_NE(file.ReadLine(line), 0);
  EXPECT_EQ(file.Close(), 0);
  EXPECT_NE(file.Close(), 0);  // closed already
}

}  // namespace
