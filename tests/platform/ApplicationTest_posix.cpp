// The headless backend: the probe runs as a child process (posix_spawn), the message box and the
// status line write to the standard streams, and SIGINT and SIGTERM close the main form.
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "../support/ChildProcess_posix.h"
#include "platform/Application.h"

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

// A running probe whose standard output and error go to files.
class Probe {
 public:
  explicit Probe(const std::string& scenario) : out_(TempFile()), err_(TempFile()) {
    test_support::ChildSetup setup;
    setup.program = PLATFORM_PROBE;
    setup.args = {scenario};
    setup.out = out_;
    setup.err = err_;
    child_.Start(setup);
  }

  ~Probe() {
    child_.Kill();
    ::unlink(out_.c_str());
    ::unlink(err_.c_str());
  }

  bool Started() const { return child_.Started(); }
  pid_t Pid() const { return child_.Pid(); }
  std::string Out() const { return test_support::ReadBytes(out_); }
  std::string Err() const { return test_support::ReadBytes(err_); }

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
    const std::optional<int> status = child_.WaitExit(std::chrono::milliseconds(timeout_ms));
    if (!status) {
      exit_code = -1;
      return false;
    }
    exit_code = WIFEXITED(*status) ? WEXITSTATUS(*status) : 128 + WTERMSIG(*status);
    return true;
  }

 private:
  std::string out_, err_;
  test_support::ChildProcess child_;
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

  // Nor does an error reported on the hook's own thread while it runs (a callback inside it): it
  // does not wait for the hook either.
  app.Title = "torvane";
  app.OnException = [&](rt::Component*, const std::exception&) {
    ++calls;
    try {
      throw rt::Exception("Reported inside the hook");
    } catch (...) {
      app.HandleException(nullptr);
    }
  };
  testing::internal::CaptureStderr();
  timer.Fire();
  const std::string inside = testing::internal::GetCapturedStderr();
  app.OnException = nullptr;
  app.Title = title;
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(inside, "torvane: Reported inside the hook.\n");

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
