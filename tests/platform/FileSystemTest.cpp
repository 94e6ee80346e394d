#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/AsideFile.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/OsFile.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A fresh folder in the temporary folder, removed with everything in it at the end. Paths handed
// to the platform use the backslash, as the programs build them.
class ScratchDir {
 public:
  ScratchDir() {
    native_ = fs::temp_directory_path() / ("filesystem-" + std::to_string(std::random_device{}()));
    fs::create_directories(native_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(native_, ignored);
  }
  std::string Root() const { return native_.string(); }
  std::string Path(const std::string& name) const { return Root() + "\\" + name; }
  // Makes a file (with its folders) and returns its path.
  std::string File(const std::string& name) const {
    const fs::path native(rt::NativePath(Path(name)));
    fs::create_directories(native.parent_path());
    std::ofstream(native) << "x";
    return Path(name);
  }
  std::string Folder(const std::string& name) const {
    fs::create_directories(fs::path(rt::NativePath(Path(name))));
    return Path(name);
  }

 private:
  fs::path native_;
};

Names Sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FileSystem, TellsFilesFromFolders) {
  ScratchDir dir;
  const std::string file = dir.File("a.txt");
  const std::string folder = dir.Folder("sub");
  EXPECT_TRUE(rt::FileExists(file));
  EXPECT_FALSE(rt::DirectoryExists(file));
  EXPECT_FALSE(rt::FileExists(folder));
  EXPECT_TRUE(rt::DirectoryExists(folder));
  EXPECT_TRUE(rt::DirectoryExists(folder + "\\"));
  for (const std::string& missing : {dir.Path("none"), dir.Path("none\\a.txt"), std::string()}) {
    EXPECT_FALSE(rt::FileExists(missing)) << missing;
    EXPECT_FALSE(rt::DirectoryExists(missing)) << missing;
  }
}

TEST(FileSystem, CreateDirMakesOneLevelForceDirectoriesTheWholePath) {
  ScratchDir dir;
  EXPECT_TRUE(rt::CreateDir(dir.Path("one")));
  EXPECT_TRUE(rt::DirectoryExists(dir.Path("one")));
  EXPECT_FALSE(rt::CreateDir(dir.Path("one")));  // already there
  EXPECT_FALSE(rt::CreateDir(dir.Path("two\\three")));
  EXPECT_FALSE(rt::DirectoryExists(dir.Path("two")));

  EXPECT_TRUE(rt::ForceDirectories(dir.Path("two\\three\\four")));
  EXPECT_TRUE(rt::DirectoryExists(dir.Path("two\\three\\four")));
  EXPECT_TRUE(rt::ForceDirectories(dir.Path("two\\three\\four")));  // nothing left to make
  EXPECT_TRUE(rt::ForceDirectories(dir.Path("two\\five\\")));       // a trailing separator
  EXPECT_TRUE(rt::DirectoryExists(dir.Path("two\\five")));

  // A file in the way cannot become a folder.
  dir.File("blocker");
  EXPECT_FALSE(rt::CreateDir(dir.Path("blocker")));
  EXPECT_FALSE(rt::ForceDirectories(dir.Path("blocker\\below")));
  EXPECT_TRUE(rt::FileExists(dir.Path("blocker")));
}

TEST(FileSystem, RemoveFileAndRemoveDirOnlyRemoveWhatTheyName) {
  ScratchDir dir;
  const std::string file = dir.File("pic.jpg");
  const std::string full = dir.Folder("full");
  dir.File("full\\inner.jpg");
  const std::string empty = dir.Folder("empty");

  EXPECT_TRUE(rt::RemoveFile(file));
  EXPECT_FALSE(rt::FileExists(file));
  EXPECT_FALSE(rt::RemoveFile(file));   // gone already
  EXPECT_FALSE(rt::RemoveFile(empty));  // a folder is not a file
  EXPECT_TRUE(rt::DirectoryExists(empty));

  EXPECT_FALSE(rt::RemoveDir(full));  // not empty
  EXPECT_TRUE(rt::FileExists(full + "\\inner.jpg"));
  EXPECT_TRUE(rt::RemoveDir(empty));
  EXPECT_FALSE(rt::DirectoryExists(empty));
  EXPECT_FALSE(rt::RemoveDir(empty));
  EXPECT_TRUE(rt::RemoveFile(full + "\\inner.jpg"));
  EXPECT_TRUE(rt::RemoveDir(full));
  EXPECT_FALSE(rt::DirectoryExists(full));

  const std::string kept = dir.File("kept.txt");
  EXPECT_FALSE(rt::RemoveDir(kept));  // a file is not a folder
  EXPECT_TRUE(rt::FileExists(kept));
}

// A path that holds a NUL names nothing, though the part before the NUL names a file or folder
// that is there: nothing is found, made, removed, listed, opened or renamed through it.
TEST(FileSystem, APathHoldingANulNamesNothing) {
  ScratchDir dir;
  const std::string file = dir.File("2026.06.10.cam1.mpg");
  const std::string folder = dir.Folder("full");
  dir.File("full\\1.jpg");
  const std::string empty = dir.Folder("empty");
  const auto cut = [](const std::string& path) { return path + '\0' + "x"; };

  EXPECT_FALSE(rt::FileExists(cut(file)));
  EXPECT_FALSE(rt::DirectoryExists(cut(folder)));
  EXPECT_TRUE(rt::FindFiles(cut(folder) + "\\*.jpg").empty());
  EXPECT_FALSE(rt::RemoveFile(cut(file)));
  EXPECT_FALSE(rt::RemoveDir(cut(empty)));
  EXPECT_FALSE(rt::CreateDir(cut(dir.Path("new"))));
  EXPECT_FALSE(rt::ForceDirectories(cut(dir.Path("made\\below")) + "\\deeper"));
  EXPECT_FALSE(rt::DirectoryExists(dir.Path("made")));  // not even the levels before the NUL
  EXPECT_FALSE(rt::DirectoryExists(dir.Path("new")));

  rt::TextFile text;
  EXPECT_EQ(text.OpenRead(cut(file)), rt::kIoPathNotFound);
  EXPECT_EQ(text.OpenWrite(cut(dir.Path("new.txt"))), rt::kIoPathNotFound);
  EXPECT_FALSE(rt::FileExists(dir.Path("new.txt")));
  rt::os::HoldWait wait;
  EXPECT_EQ(rt::os::SyncFile(cut(file), wait), rt::kIoPathNotFound);
  EXPECT_EQ(rt::os::RenameFile(cut(file), dir.Path("moved"), wait), rt::kIoPathNotFound);
  EXPECT_EQ(rt::os::RenameFile(file, cut(dir.Path("moved")), wait), rt::kIoPathNotFound);

  EXPECT_TRUE(rt::FileExists(file));
  EXPECT_TRUE(rt::FileExists(folder + "\\1.jpg"));
  EXPECT_TRUE(rt::DirectoryExists(empty));
  EXPECT_FALSE(rt::FileExists(dir.Path("moved")));
}

TEST(FileSystem, FindFilesListsMatchingEntriesOfAnyKindByName) {
  ScratchDir dir;
  for (const char* name : {"1.jpg", "22.JPG", "cam.Jpg", ".hidden.jpg", "jpg", "a.jpeg",
                           "a.jpg.txt", "sub\\deep.jpg", "1.jp"}) {
    dir.File(name);
  }
  dir.Folder("folder.jpg");

  EXPECT_EQ(Sorted(rt::FindFiles(dir.Path("*.jpg"))),
            (Names{".hidden.jpg", "1.jpg", "22.JPG", "cam.Jpg", "folder.jpg"}));
  EXPECT_EQ(Sorted(rt::FindFiles(dir.Path("?.jpg"))), (Names{"1.jpg"}));
  EXPECT_EQ(Sorted(rt::FindFiles(dir.Path("1.jpg"))), (Names{"1.jpg"}));
  const Names all = Sorted(rt::FindFiles(dir.Path("*")));
  EXPECT_EQ(all.size(), 10u);
  EXPECT_EQ(std::count(all.begin(), all.end(), "."), 0);
  EXPECT_EQ(std::count(all.begin(), all.end(), ".."), 0);
  EXPECT_EQ(std::count(all.begin(), all.end(), "sub"), 1);
  EXPECT_EQ(rt::FindFiles(dir.Path("sub\\*.jpg")), (Names{"deep.jpg"}));

  EXPECT_TRUE(rt::FindFiles(dir.Path("*.png")).empty());
  EXPECT_TRUE(rt::FindFiles(dir.Path("missing\\*.jpg")).empty());
}

// A file written through AsideFile is whole or absent under its name: the content waits beside
// it under a name that no "*.jpg" takes, replaces what was there only when put in place, and goes
// when it is not. What a killed write left aside is taken over by the next write.
TEST(AsideFile, TheContentTakesTheNameOnlyWhenPutInPlace) {
  ScratchDir dir;
  const std::string target = dir.File("1.jpg");
  const auto read = [](const std::string& path) {
    std::string text;
    std::getline(std::ifstream(rt::NativePath(path)), text);
    return text;
  };
  const auto write = [](const std::string& path, const char* text) {
    std::ofstream(rt::NativePath(path)) << text;
  };
  {
    rt::AsideFile file(target);
    EXPECT_EQ(file.Name(), rt::AsideName(target));
    write(file.Name(), "new");
    EXPECT_EQ(read(target), "x");
    EXPECT_EQ(rt::FindFiles(dir.Path("*.jpg")), (Names{"1.jpg"}));
    EXPECT_EQ(rt::FindFiles(dir.Path(rt::AsideName("*.jpg"))), (Names{"1.jpg.part"}));
    file.PutInPlace();
  }
  EXPECT_EQ(read(target), "new");
  EXPECT_FALSE(rt::FileExists(rt::AsideName(target)));

  {
    rt::AsideFile file(target);
    write(file.Name(), "half");
  }
  EXPECT_EQ(read(target), "new");
  EXPECT_FALSE(rt::FileExists(rt::AsideName(target)));

  write(rt::AsideName(target), "killed half way");
  {
    rt::AsideFile file(target);
    EXPECT_FALSE(rt::FileExists(file.Name()));
    EXPECT_THROW(file.PutInPlace(), rt::EInOutError);  // nothing was written
  }
  EXPECT_EQ(read(target), "new");

  const std::string fresh = dir.Path("2.jpg");
  rt::AsideFile file(fresh);
  write(file.Name(), "first");
  file.PutInPlace();
  EXPECT_EQ(read(fresh), "first");
}

TEST(WildcardMatch, MatchesStarAndQuestionMarkWithoutCase) {
  const struct {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.jpg", "1.jpg", true},
      {"*.jpg", "1.JPG", true},
      {"*.JPG", "1.jpg", true},
      {"*.jpg", ".jpg", true},
      {"*.jpg", "a.b.jpg", true},
      {"*.jpg", "1.jpeg", false},
      {"*.jpg", "1.jpg.txt", false},
      {"*.jpg", "jpg", false},
      {"?.jpg", "1.jpg", true},
      {"?.jpg", "12.jpg", false},
      {"?.jpg", ".jpg", false},
      {"a*b*c", "abc", true},
      {"a*b*c", "axxbyyc", true},
      {"a*b*c", "axxbyycd", false},
      {"*ab", "aab", true},
      {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"*", "anything", true},
      {"**", "x", true},
      {"1.jpg", "1.jpg", true},
      {"1.jpg", "11.jpg", false},
      {"", "x", false},
      {"last_serial", "LAST_SERIAL", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rt::WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
  }
}

TEST(DiskSpace, NumbersThatNameNoDriveGiveMinusOne) {
  // 227: what an upper-case 'C' gives as a drive number, counted from 'a'.
  for (int drive : {0, 27, -1, 255, 227, 1000}) {
    EXPECT_EQ(rt::DiskFree(drive), -1) << drive;
    EXPECT_EQ(rt::DiskSize(drive), -1) << drive;
  }
}

}  // namespace
