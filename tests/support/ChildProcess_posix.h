// A built program run as a child process of a test (POSIX): its working directory, environment
// and standard streams are set at its start; waiting for its end has a deadline after which it is
// killed, and a child still running when its owner goes is killed as well. Also the whole-file
// reads and writes the tests check its results with.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace test_support {

// The bytes of a file; "" when it cannot be read.
inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Writes a file whole, replacing what it held.
inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// How a child is started.
struct ChildSetup {
  std::string program;
  std::vector<std::string> args;  // after the program's own name
  // The child's working directory; empty: the test's.
  std::filesystem::path directory;
  // The test's environment is passed on without the entries that start with one of `unset`, and
  // with the "NAME=value" entries of `set` added after it.
  std::vector<std::string> unset;
  std::vector<std::string> set;
  // Files that receive the standard output and error (created or truncated); empty: the test's.
  std::filesystem::path out;
  std::filesystem::path err;
};

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { Kill(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the child with SIGINT and SIGTERM at their defaults and no signal blocked, whatever
  // the test runner did with them. Gives posix_spawn's result: 0 when the child runs.
  int Start(const ChildSetup& setup) {
    Kill();
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      bool keep = true;
      for (const std::string& prefix : setup.unset) {
        if (entry.rfind(prefix, 0) == 0) keep = false;
      }
      if (keep) env.push_back(entry);
    }
    env.insert(env.end(), setup.set.begin(), setup.set.end());
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);

    std::vector<std::string> args = {setup.program};
    args.insert(args.end(), setup.args.begin(), setup.args.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    const std::string directory = setup.directory.string();
    const std::string out = setup.out.string();
    const std::string err = setup.err.string();
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (!directory.empty()) ::posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    constexpr int kCreate = O_WRONLY | O_CREAT | O_TRUNC;
    if (!out.empty()) ::posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), kCreate, 0644);
    if (!err.empty()) ::posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), kCreate, 0644);

    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int rc =
        ::posix_spawn(&pid, setup.program.c_str(), &actions, &attributes, argv.data(), envp.data());
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    pid_ = rc == 0 ? pid : -1;
    return rc;
  }

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }

  // The wait status once the child has ended by itself within `limit`; otherwise it is killed
  // and the result is empty (also when no child runs).
  std::optional<int> WaitExit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (pid_ > 0) {
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        pid_ = -1;
        return status;
      }
      if (done < 0 || std::chrono::steady_clock::now() > deadline) {
        Kill();
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
  }

  // The wait status once the child has ended, waiting as long as it takes; empty when no child
  // runs.
  std::optional<int> Wait() {
    if (pid_ <= 0) return std::nullopt;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, 0);
    pid_ = -1;
    if (done < 0) return std::nullopt;
    return status;
  }

  // Whether the child has not ended yet; an ended child is collected.
  bool Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == 0) return true;
    pid_ = -1;
    return false;
  }

  // Sends `signal` to the child, if one runs.
  void Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
  }

  // Kills the child, if one runs, and collects it.
  void Kill() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
};

}  // namespace test_support
