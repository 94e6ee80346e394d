#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/AsideFile.h"
#include "platform/DateTime.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Library.h"
#include "platform/OsFile.h"
#include "platform/TextFile.h"
#include "tests/support/FileHolder_win.h"

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

// A folder link is a reparse point, and a folder all the same. The test makes a symbolic link
// where the system lets it. Wine's CreateSymbolicLinkA makes nothing, but Wine shows a folder
// link made on the host as a reparse point: TIMELAPSE_HOST_LINK names one that the test set-up
// made, beside its target folder "target", which holds 1.jpg.
TEST(FileSystem, IsLinkTellsAReparsePointFromAFolder) {
  const fs::path dir =
      fs::temp_directory_path() / ("links-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "target");
  std::ofstream(dir / "target" / "1.jpg") << "x";
  std::string link = (dir / "link").string();
  std::string target = (dir / "target").string();
  constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  if (!::CreateSymbolicLinkA(link.c_str(), target.c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY | kUnprivileged) ||
      ::GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const char* host = std::getenv("TIMELAPSE_HOST_LINK");
    if (!host || ::GetFileAttributesA(host) == INVALID_FILE_ATTRIBUTES) {
      fs::remove_all(dir);
      GTEST_SKIP() << "no folder link can be made here, and no host link is given";
    }
    link = host;
    target = link.substr(0, link.find_last_of("\\/") + 1) + "target";
  }

  EXPECT_TRUE(rt::IsLink(link)) << link;
  EXPECT_TRUE(rt::DirectoryExists(link));
  for (const std::string& other : {target, target + "\\1.jpg", link + "\\1.jpg"}) {
    EXPECT_TRUE(rt::FileExists(other) || rt::DirectoryExists(other)) << other;
    EXPECT_FALSE(rt::IsLink(other)) << other;
  }
  EXPECT_FALSE(rt::IsLink((dir / "missing").string()));
  EXPECT_FALSE(rt::IsLink(link + '\0' + "x"));  // names nothing
  fs::remove_all(dir);
}

using test_support::MsOf;
using Holder = test_support::FileHolder;

std::string Content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const std::string& text) {
  rt::TextFile file;
  ASSERT_EQ(file.OpenWrite(path), rt::kIoOk);
  ASSERT_EQ(file.WriteLine(text), rt::kIoOk);
  ASSERT_EQ(file.Close(), rt::kIoOk);
}

// Virus scanners, the search indexer and sync clients open a new file for a moment. Such a hold
// costs no file: the clearing of what a killed write left aside, the open for writing, the flush
// and the rename (also onto a held name) wait it out, whether the holder lets others write (but
// not delete or rename) or only read. A hold longer than the wait still fails, with the error
// that a single try gives, after about two seconds for the whole file however many of its steps
// meet the hold; and a leftover still held is never written into.
TEST(AsideFile, ABriefHoldByAnotherProgramIsWaitedOut) {
  const fs::path dir =
      fs::temp_directory_path() / ("held-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir);
  const std::string target = dir.string() + "\\1.jpg";
  for (const char* share : {"rw", "r"}) {
    WriteText(rt::AsideName(target), "left by a kill");
    {
      Holder leftover(rt::AsideName(target), share, 300);
      ASSERT_TRUE(leftover.Held()) << share;
      rt::AsideFile file(target);
      EXPECT_TRUE(leftover.Ended()) << share;
      WriteText(file.Name(), share);
      Holder holder(file.Name(), share, 300);
      ASSERT_TRUE(holder.Held()) << share;
      EXPECT_NO_THROW(file.PutInPlace()) << share;
      EXPECT_TRUE(holder.Ended()) << share;
    }
    EXPECT_EQ(Content(target), std::string(share) + "\r\n");
    EXPECT_FALSE(rt::FileExists(rt::AsideName(target))) << share;
    {
      rt::AsideFile file(target);
      WriteText(file.Name(), "onto a held name");
      Holder holder(target, share, 300);
      ASSERT_TRUE(holder.Held()) << share;
      EXPECT_NO_THROW(file.PutInPlace()) << share;
      EXPECT_TRUE(holder.Ended()) << share;
    }
    EXPECT_EQ(Content(target), "onto a held name\r\n") << share;

    Holder holder(target, share, 300);  // a protocol file, written afresh
    ASSERT_TRUE(holder.Held()) << share;
    WriteText(target, "again");
    EXPECT_TRUE(holder.Ended()) << share;
    EXPECT_EQ(Content(target), "again\r\n");
  }

  {
    // The open for the flush waits out the hold that lets no one write, the rename (which the
    // other hold refuses) only what is left of the wait.
    rt::AsideFile file(target);
    WriteText(file.Name(), "late");
    Holder holder(file.Name(), "rw", 6000);
    Holder brief(file.Name(), "r", 1500);
    ASSERT_TRUE(holder.Held() && brief.Held());
    const auto fails = [](const std::function<void()>& write) {
      return MsOf([&] {
        try {
          write();
          ADD_FAILURE() << "a file held for longer than the wait was written";
        } catch (const rt::EInOutError& error) {
          EXPECT_EQ(error.ErrorCode, ERROR_SHARING_VIOLATION);
          EXPECT_EQ(error.Message(), "I/O error 32");
        }
      });
    };
    EXPECT_LT(fails([&] { file.PutInPlace(); }), 2800u) << "each step waited on its own";
    EXPECT_TRUE(brief.Ended());
    // What stays aside, still held with writing shared, is never written into: the next write
    // of the file fails before it begins.
    EXPECT_LT(fails([&] { rt::AsideFile again(target); }), 2800u);
    EXPECT_TRUE(holder.Ended());
    EXPECT_EQ(Content(rt::AsideName(target)), "late\r\n");
  }
  EXPECT_EQ(Content(target), "again\r\n");
  fs::remove_all(dir);
}

// No other program's open explains an access denied on a folder under the file's name or its
// aside name, or on a read-only file: the write fails at once with that error instead of waiting
// for it to pass. Nor can another program refuse a flush through a handle (here one that may not
// write).
TEST(AsideFile, ARefusalThatNoHoldExplainsFailsAtOnce) {
  const fs::path dir =
      fs::temp_directory_path() / ("refused-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "folder.jpg");
  const std::string folder = (dir / "folder.jpg").string();
  const std::string read_only = (dir / "read-only.jpg").string();
  std::ofstream(read_only) << "kept";
  ASSERT_TRUE(::SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY));
  // Wine run as root writes a read-only file all the same: there only the folder is refused.
  std::vector<std::string> refused{folder};
  const HANDLE writable = ::CreateFileA(read_only.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (writable == INVALID_HANDLE_VALUE) refused.push_back(read_only);
  ::CloseHandle(writable);
  constexpr ULONGLONG kAtOnce = 1000;  // a wait would take about 2000

  for (const std::string& target : refused) {
    rt::TextFile text;
    int code = rt::kIoOk;
    EXPECT_LT(MsOf([&] { code = text.OpenWrite(target); }), kAtOnce) << "waited: " << target;
    EXPECT_EQ(code, rt::kIoAccessDenied) << target;
  }
  // (Wine's rename replaces a read-only file, where Windows refuses it.)
  rt::AsideFile file(folder);
  WriteText(file.Name(), "new");
  EXPECT_LT(MsOf([&] {
              try {
                file.PutInPlace();
                ADD_FAILURE() << "a file took the name of a folder";
              } catch (const rt::EInOutError& error) {
                EXPECT_EQ(error.ErrorCode, rt::kIoAccessDenied);
              }
            }),
            kAtOnce)
      << "waited";
  EXPECT_EQ(Content(read_only), "kept");
  // Nor a folder under the aside name: the write fails before it begins.
  fs::create_directories(dir / "blocked.jpg.part");
  EXPECT_LT(MsOf([&] {
              try {
                rt::AsideFile blocked((dir / "blocked.jpg").string());
                ADD_FAILURE() << "a write began beside a folder under its aside name";
              } catch (const rt::EInOutError& error) {
                EXPECT_EQ(error.ErrorCode, rt::kIoAccessDenied);
              }
            }),
            kAtOnce)
      << "waited";

  std::intptr_t handle = -1;
  ASSERT_EQ(rt::os::OpenFile(read_only, false, handle), rt::kIoOk);
  int code = rt::kIoOk;
  EXPECT_LT(MsOf([&] { code = rt::os::SyncHandle(handle); }), kAtOnce) << "waited";
  EXPECT_EQ(code, rt::kIoAccessDenied);
  rt::os::CloseFile(handle);

  ::SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_NORMAL);
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
