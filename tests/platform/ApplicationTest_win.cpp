// The probe as a child process on Windows (CreateProcess), its standard streams in files.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Library.h"

namespace platform_test {

std::vector<std::string> Lines(const std::string& text);

namespace {

std::string TempFile() {
  char folder[MAX_PATH + 1] = {};
  char name[MAX_PATH + 1] = {};
  ::GetTempPathA(sizeof folder, folder);
  ::GetTempFileNameA(folder, "prb", 0, name);
  return name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A file handle the child can inherit as a standard stream.
HANDLE InheritableFile(const std::string& path) {
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, TRUE};
  return ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool RunProbe(const std::string& scenario, int& exit_code, std::string& out, std::string& err) {
  exit_code = -1;
  // The probe is built beside the test program.
  const std::string program = rt::ExecutableDir() + "\\platform_probe.exe";
  const std::string out_path = TempFile();
  const std::string err_path = TempFile();
  HANDLE out_file = InheritableFile(out_path);
  HANDLE err_file = InheritableFile(err_path);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out_file;
  startup.hStdError = err_file;
  std::string command = "\"" + program + "\" " + scenario;
  PROCESS_INFORMATION process = {};
  const BOOL started = ::CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
  ::CloseHandle(out_file);
  ::CloseHandle(err_file);

  bool ended = false;
  if (started) {
    ended = ::WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    if (!ended) {
      ::TerminateProcess(process.hProcess, 255);
      ::WaitForSingleObject(process.hProcess, 10000);
    }
    DWORD code = 0;
    if (ended && ::GetExitCodeProcess(process.hProcess, &code)) exit_code = static_cast<int>(code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  out = ReadFile(out_path);
  err = ReadFile(err_path);
  ::DeleteFileA(out_path.c_str());
  ::DeleteFileA(err_path.c_str());
  return ended;
}

}  // namespace platform_test

namespace {

TEST(TimerLoop, ATimerWhoseHandlerWaitsInAMessageLoopIsNotEnteredAgain) {
  // The first tick's handler waits in a message box for 550 ms, over five of its own ticks.
  int exit_code = -1;
  std::string out, err;
  ASSERT_TRUE(platform_test::RunProbe("nested", exit_code, out, err)) << out;
  EXPECT_EQ(exit_code, 0) << err;
  EXPECT_EQ(platform_test::Lines(out),
            (std::vector<std::string>{"enter 1", "other", "leave 1", "run returned"}));
}

}  // namespace
