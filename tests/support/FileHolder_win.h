// Another program that holds a file open for a while (file_holder, built beside the tests), as a
// virus scanner, the search indexer or a sync client does with a file that has just been written;
// and the time a step takes, to tell a step that waited out the hold from one that did not.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/Library.h"

namespace test_support {

class FileHolder {
 public:
  // Holds `path` for `ms` milliseconds, sharing read access only (share "r") or read and write
  // access but not deletion ("rw"); returns once it holds the file, or has ended without.
  FileHolder(const std::string& path, const char* share, int ms) {
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, TRUE};
    ready_ = ::CreateEventA(&security, TRUE, FALSE, nullptr);
    const std::string program = rt::ExecutableDir() + "\\file_holder.exe";
    std::string command = "\"" + program + "\" \"" + path + "\" " + share + " " +
                          std::to_string(ms) + " " +
                          std::to_string(reinterpret_cast<std::uintptr_t>(ready_));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!::CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          nullptr, &startup, &process_)) {
      return;
    }
    HANDLE either[] = {ready_, process_.hProcess};
    held_ = ::WaitForMultipleObjects(2, either, FALSE, 20000) == WAIT_OBJECT_0;
  }
  ~FileHolder() {
    if (process_.hProcess) {
      if (::WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(process_.hProcess, 255);
      }
      ::CloseHandle(process_.hThread);
      ::CloseHandle(process_.hProcess);
    }
    ::CloseHandle(ready_);
  }
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

  bool Held() const { return held_; }
  // Whether it has let the file go and ended as it should.
  bool Ended() const {
    DWORD code = 1;
    return process_.hProcess && ::WaitForSingleObject(process_.hProcess, 20000) == WAIT_OBJECT_0 &&
           ::GetExitCodeProcess(process_.hProcess, &code) && code == 0;
  }

 private:
  HANDLE ready_ = nullptr;
  PROCESS_INFORMATION process_ = {};
  bool held_ = false;
};

// Milliseconds that `step` takes.
template <class Step>
ULONGLONG MsOf(Step step) {
  const ULONGLONG start = ::GetTickCount64();
  step();
  return ::GetTickCount64() - start;
}

}  // namespace test_support
