// The headless backend: the probe runs as a child process (posix_spawn), the message box and the
// status line write to the standard streams, and SIGINT and SIGTERM close the main form.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Application.h"

extern char** environ;

namespace platform_test {

std::vector<std::string> Lines(const std::string& text);

namespace {

using Clock = std::chrono::steady_clock;

std::string TempFile() {
  char name[] = "/tmp/platform-probe-XXXXXX";
  const int fd = ::mkstemp(name);
  if (fd >= 0) ::close(fd);
  return name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A running probe whose standard output and error go to files.
class Probe {
 public:
  explicit Probe(const std::string& scenario) : out_(TempFile()), err_(TempFile()) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_TRUNC, 0);
    ::posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_TRUNC, 0);
    // The child starts with the signals at their defaults and none blocked, whatever the test
    // runner did with them.
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
    std::string program = PLATFORM_PROBE;
    std::string argument = scenario;
    char* argv[] = {program.data(), argument.data(), nullptr};
    if (::posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv, environ) != 0) pid_ = -1;
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
  }

  ~Probe() {
    if (pid_ > 0) Kill();
    ::unlink(out_.c_str());
    ::unlink(err_.c_str());
  }

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  std::string Out() const { return ReadFile(out_); }
  std::string Err() const { return ReadFile(err_); }

  // Waits until the probe has printed `line`, at most timeout_ms.
  bool WaitForLine(const std::string& line, int timeout_ms) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Clock::now() < deadline) {
      for (const std::string& seen : Lines(Out())) {
        if (seen == line) return true;
      }
      ::usleep(5000);
    }
    return false;
  }

  // Waits for the end of the probe, at most timeout_ms; kills it when it takes longer. Gives
  // whether it ended by itself, and its exit code (128 + signal when a signal ended it).
  bool Wait(int timeout_ms, int& exit_code) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int status = 0;
    for (;;) {
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) break;
      if (done < 0 || Clock::now() >= deadline) {
        Kill();
        exit_code = -1;
        return false;
      }
      ::usleep(5000);
    }
    pid_ = -1;
    exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
  }

 private:
  void Kill() {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

  std::string out_, err_;
  pid_t pid_ = -1;
};

}  // namespace

bool RunProbe(const std::string& scenario, int& exit_code, std::string& out, std::string& err) {
  Probe probe(scenario);
  if (!probe.Started()) return false;
  const bool ended = probe.Wait(30000, exit_code);
  out = probe.Out();
  err = probe.Err();
  return ended;
}

}  // namespace platform_test

namespace {

using platform_test::Lines;
using platform_test::Probe;

TEST(MessageBox, ShowsUnhookedErrorsWithTheProgramTitle) {
  // A creation handler that fails after starting a timer, then a failing first tick. The
  // caption is the program's name.
  int exit_code = -1;
  std::string out, err;
  ASSERT_TRUE(platform_test::RunProbe("box", exit_code, out, err)) << out << err;
  EXPECT_EQ(exit_code, 0);
  EXPECT_EQ(err, "platform_probe: File not found.\nplatform_probe: Camera lost.\n");
}

TEST(Signals, SigintAndSigtermCloseTheMainForm) {
  for (int signal : {SIGTERM, SIGINT}) {
    Probe probe("signal");
    ASSERT_TRUE(probe.Started());
    ASSERT_TRUE(probe.WaitForLine("ready", 20000)) << probe.Out() << probe.Err();
    ASSERT_EQ(::kill(probe.Pid(), signal), 0);
    int exit_code = -1;
    ASSERT_TRUE(probe.Wait(5000, exit_code)) << "signal " << signal << " did not end the loop";
    EXPECT_EQ(exit_code, 0) << "signal " << signal;
    EXPECT_EQ(Lines(probe.Out()), (std::vector<std::string>{"ready", "run returned"}));
  }
}

TEST(ExceptionHook, AnErrorInsideTheHookIsShownInTheBoxAndDoesNotReenterTheHook) {
  rt::Application& app = rt::Application::Instance();
  const std::string title = app.Title;
  app.Title = "torvane";
  int calls = 0;
  app.OnException = [&](rt::Component*, const std::exception& error) {
    ++calls;
    throw rt::Exception("Log failed: " + rt::ExceptionMessage(error));
  };
  rt::Timer timer(nullptr);
  timer.SetOnTimer([](rt::Component*) { throw rt::Exception("Camera lost"); });

  testing::internal::CaptureStderr();
  timer.Fire();
  timer.Fire();  // the hook is in charge again for the next error
  const std::string shown = testing::internal::GetCapturedStderr();
  app.OnException = nullptr;
  app.Title = title;

  EXPECT_EQ(calls, 2);
  EXPECT_EQ(shown, "torvane: Log failed: Camera lost.\ntorvane: Log failed: Camera lost.\n");

  // Without a hook the error itself is shown.
  app.Title = "quensil";
  testing::internal::CaptureStderr();
  timer.SetOnTimer([](rt::Component*) { throw std::runtime_error("plain error"); });
  timer.Fire();
  app.ShowException(rt::EInOutError(101));
  const std::string plain = testing::internal::GetCapturedStderr();
  app.Title = title;
  EXPECT_EQ(plain, "quensil: plain error.\nquensil: Disk full.\n");
}

TEST(StatusLine, PrintsEachNewTextOnce) {
  rt::Form form(nullptr);
  rt::Edit first(&form);
  rt::Edit second(&form);
  testing::internal::CaptureStdout();
  first.SetText("c:\\pics\\cam1\\08.12.2026\\preview");
  first.Repaint();
  first.SetText("c:\\pics\\cam1\\08.12.2026\\preview");
  second.SetText("other line");
  first.SetText("done");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "c:\\pics\\cam1\\08.12.2026\\preview\nother line\ndone\n");
}

}  // namespace
