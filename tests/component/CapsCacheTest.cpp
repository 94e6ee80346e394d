// The capability cache file: its bytes, the files it refuses, the folders it makes and the
// errors it raises. Names are the system's (backslashes below the test's folder).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "component/CamLib.h"
#include "platform/Errors.h"
#include "tests/component/CameraTestSupport.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using CamLib::CapsBody;

class CapsCache : public ::testing::Test {
 protected:
  void SetUp() override { dir = camera_test::ScratchFolder("capscache_"); }
  void TearDown() override { fs::remove_all(dir); }

  // The system's name of Relative (backslashes) below the test's folder, and the same file as
  // the test reaches it.
  std::string Name(const std::string& relative) const { return dir.string() + "\\" + relative; }
  fs::path Path(std::string relative) const {
    for (char& c : relative) {
      if (c == '\\') c = '/';
    }
    return dir / relative;
  }
  void Write(const std::string& relative, const Bytes& bytes) const {
    std::ofstream out(Path(relative), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  Bytes Read(const std::string& relative) const {
    std::ifstream in(Path(relative), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir;
};

// A body with flags at every third position.
CapsBody Pattern() {
  CapsBody body{};
  for (std::size_t i = 0; i < body.size(); i += 3) body[i] = 1;
  return body;
}

Bytes FileOf(const Bytes& tag, const CapsBody& body, std::size_t bodyBytes) {
  Bytes bytes = tag;
  bytes.insert(bytes.end(), body.begin(), body.begin() + static_cast<std::ptrdiff_t>(bodyBytes));
  return bytes;
}

const Bytes kTag = {0x1D, 0x01, 0x00, 0x00};

TEST_F(CapsCache, ASavedFileIsTheTagAndTheBodyAndReadsBack) {
  EXPECT_EQ(CamLib::CapsFileTag(), 285u);
  const CapsBody body = Pattern();
  // The folders are made on the way.
  CamLib::SaveCapsFile(Name("caps\\deeper\\Cam Mode16"), body);
  EXPECT_EQ(Read("caps\\deeper\\Cam Mode16"), FileOf(kTag, body, body.size()));
  CapsBody loaded{};
  EXPECT_TRUE(CamLib::LoadCapsFile(Name("caps\\deeper\\Cam Mode16"), loaded));
  EXPECT_EQ(loaded, body);

  // An older file of another tag and length is replaced unread.
  Write("caps\\Cam Mode2", Bytes(400, 0x07));
  CamLib::SaveCapsFile(Name("caps\\Cam Mode2"), CapsBody{});
  EXPECT_EQ(Read("caps\\Cam Mode2"), FileOf(kTag, CapsBody{}, CamLib::kCapsSize));

  // Bytes after the body are not read.
  Bytes longer = FileOf(kTag, body, body.size());
  longer.insert(longer.end(), 20, 0x55);
  Write("long", longer);
  loaded = CapsBody{};
  EXPECT_TRUE(CamLib::LoadCapsFile(Name("long"), loaded));
  EXPECT_EQ(loaded, body);
}

TEST_F(CapsCache, FilesThatAreNotWholeCacheFilesAreNotUsed) {
  CapsBody garbled = Pattern();
  garbled[200] = 2;
  const std::vector<std::pair<const char*, Bytes>> files = {
      {"empty", {}},
      {"one byte", {0x1D}},
      {"three bytes", {0x1D, 0x01, 0x00}},
      {"tag only", kTag},
      {"100 bytes", FileOf(kTag, Pattern(), 96)},
      {"one short", FileOf(kTag, Pattern(), CamLib::kCapsSize - 1)},
      {"other tag", FileOf({0x1D, 0x01, 0x00, 0x01}, Pattern(), CamLib::kCapsSize)},
      {"not a flag", FileOf(kTag, garbled, CamLib::kCapsSize)},
  };
  CapsBody caps;
  caps.fill(1);
  const CapsBody untouched = caps;
  for (const auto& [name, bytes] : files) {
    Write(name, bytes);
    EXPECT_FALSE(CamLib::LoadCapsFile(Name(name), caps)) << name;
    EXPECT_EQ(caps, untouched) << name;
  }
  EXPECT_FALSE(CamLib::LoadCapsFile(Name("missing"), caps));
  fs::create_directory(Path("a folder"));
  EXPECT_FALSE(CamLib::LoadCapsFile(Name("a folder"), caps));
  EXPECT_EQ(caps, untouched);
}

TEST_F(CapsCache, SavingRaisesWhenTheFileCannotBeMade) {
  // No folder part: refused before anything else.
  try {
    CamLib::SaveCapsFile("Cam Mode16", Pattern());
    ADD_FAILURE() << "no error";
  } catch (const rt::EInOutError& e) {
    EXPECT_EQ(e.Message(), "Unable to create directory");
  }
  EXPECT_FALSE(fs::exists("Cam Mode16"));

  // A file where a folder should be: the folder is passed over and the create fails.
  Write("blocker", {1, 2, 3});
  const std::string name = Name("blocker\\caps\\Cam Mode16");
  try {
    CamLib::SaveCapsFile(name, Pattern());
    ADD_FAILURE() << "no error";
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.Message(),
              "Cannot create file \"" + name + "\". The system cannot find the path specified");
  }
  EXPECT_EQ(Read("blocker"), (Bytes{1, 2, 3}));
}

TEST(CapsFileName, IsTheFolderTheModelAndTheShootingMode) {
  EXPECT_EQ(CamLib::CapsFileName("C:\\caps", "Camera X", 0), "C:\\caps\\Camera X Mode0");
  EXPECT_EQ(CamLib::CapsFileName("C:\\caps", "Camera X", 17), "C:\\caps\\Camera X Mode17");
  EXPECT_EQ(CamLib::CapsFileName("d:", "PowerShot G2", 255), "d:\\PowerShot G2 Mode255");
  // A camera's name never leads the file out of the folder.
  EXPECT_EQ(CamLib::CapsFileName("C:\\caps", "..\\..\\x/y:z", 16), "C:\\caps\\.._.._x_y_z Mode16");
}

}  // namespace
