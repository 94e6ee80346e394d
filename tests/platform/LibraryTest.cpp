#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Library.h"

namespace {

namespace fs = std::filesystem;

using AnswerFn = int (*)();
using AddFn = int (*)(int, int);

template <class Fn>
Fn Entry(rt::LibHandle library, const char* name) {
  // Through the generic function type, the documented way to change a function pointer's type.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(rt::GetProcAddr(library, name)));
}

TEST(Library, LoadsFromTheExecutablesFolderAndBindsExactNames) {
  const rt::LibHandle library = rt::LoadLib("TESTLIB.DLL");
  ASSERT_NE(library, 0u);
  auto answer = Entry<AnswerFn>(library, "TestLibAnswer");
  auto add = Entry<AddFn>(library, "TestLibAdd");
  ASSERT_NE(answer, nullptr);
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(add(20, 22), 42);
  for (const char* other : {"testlibanswer", "TESTLIBANSWER", "TestLibAnswe", "TestLibAnswerX",
                            "_TestLibAnswer", "Missing", ""}) {
    EXPECT_EQ(rt::GetProcAddr(library, other), nullptr) << other;
  }
  EXPECT_TRUE(rt::FreeLib(library));

  EXPECT_EQ(rt::LoadLib("NOSUCHLIB.DLL"), 0u);
  EXPECT_EQ(rt::LoadLib(""), 0u);
}

TEST(Library, LoadsFromTheExecutablesFolderWhateverTheWorkingFolder) {
  const fs::path previous = fs::current_path();
  fs::current_path(fs::temp_directory_path());
  const rt::LibHandle library = rt::LoadLib("TESTLIB.DLL");
  fs::current_path(previous);
  ASSERT_NE(library, 0u);
  EXPECT_NE(rt::GetProcAddr(library, "TestLibAnswer"), nullptr);
  EXPECT_TRUE(rt::FreeLib(library));
}

TEST(Library, HandlesThatNameNoLibraryFailCleanly) {
  const rt::LibHandle library = rt::LoadLib("TESTLIB.DLL");
  ASSERT_NE(library, 0u);
  ASSERT_TRUE(rt::FreeLib(library));
  for (rt::LibHandle handle : {rt::LibHandle{0}, rt::LibHandle{12345}, library}) {
    EXPECT_EQ(rt::GetProcAddr(handle, "TestLibAnswer"), nullptr) << handle;
    EXPECT_FALSE(rt::FreeLib(handle)) << handle;
  }

  // Each load counts: the library stays usable until the last free.
  const rt::LibHandle first = rt::LoadLib("TESTLIB.DLL");
  const rt::LibHandle second = rt::LoadLib("TESTLIB.DLL");
  ASSERT_NE(first, 0u);
  EXPECT_EQ(second, first);
  EXPECT_TRUE(rt::FreeLib(first));
  EXPECT_NE(rt::GetProcAddr(second, "TestLibAnswer"), nullptr);
  EXPECT_TRUE(rt::FreeLib(second));
  EXPECT_FALSE(rt::FreeLib(second));
}

TEST(Library, SetErrorModeGivesThePreviousMode) {
  const std::uint32_t original = rt::SetErrorMode(0x8000);
  EXPECT_EQ(rt::SetErrorMode(0x8000), 0x8000u);
  EXPECT_EQ(rt::SetErrorMode(original), 0x8000u);
  EXPECT_EQ(rt::SetErrorMode(original), original);
}

TEST(Library, ExecutableDirIsTheFolderOfTheRunningProgram) {
  const std::string dir = rt::ExecutableDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), '/');
  EXPECT_NE(dir.back(), '\\');
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_TRUE(fs::exists(fs::path(dir) / "TESTLIB.DLL"));
}

// The exit procedures below record their calls here; each restores the one it found.
std::vector<int> g_calls;
rt::ExitProcedure g_saved[3];

template <int N>
void Record() {
  rt::SetExitProc(g_saved[N]);
  g_calls.push_back(N);
}

TEST(ExitProcedures, RunTheLastInstalledFirstUntilNoneIsLeft) {
  ASSERT_EQ(rt::GetExitProc(), nullptr);  // nothing else in this program installs one
  g_saved[0] = rt::GetExitProc();
  rt::SetExitProc(Record<0>);
  g_saved[1] = rt::GetExitProc();
  rt::SetExitProc(Record<1>);
  g_saved[2] = rt::GetExitProc();
  rt::SetExitProc(Record<2>);
  EXPECT_EQ(rt::GetExitProc(), &Record<2>);
  EXPECT_EQ(g_saved[1], &Record<0>);

  rt::RunExitProcedures();
  EXPECT_EQ(g_calls, (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(rt::GetExitProc(), nullptr);
  rt::RunExitProcedures();  // nothing left to run
  EXPECT_EQ(g_calls.size(), 3u);
}

}  // namespace
