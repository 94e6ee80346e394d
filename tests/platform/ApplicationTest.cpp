// The application object, forms, components and timers. The message loop runs once per process,
// so loop behaviour is watched in the probe program (probe/Probe.cpp), run as a child process.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/Application.h"

namespace platform_test {

// Runs `platform_probe SCENARIO` and collects its exit code and output; false when it had to be
// killed. Defined per OS in ApplicationTest_<os>.cpp.
bool RunProbe(const std::string& scenario, int& exit_code, std::string& out, std::string& err);

// The lines of a text, without their line ends (LF or CR LF).
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace platform_test

namespace {

using platform_test::Lines;
using platform_test::RunProbe;

// The output of a probe scenario that ran to its end with exit code 0.
std::vector<std::string> ProbeLines(const std::string& scenario) {
  int exit_code = -1;
  std::string out, err;
  EXPECT_TRUE(RunProbe(scenario, exit_code, out, err)) << scenario << " did not end:\n" << out;
  EXPECT_EQ(exit_code, 0) << scenario << "\n" << out << err;
  return Lines(out);
}

// The number after `prefix` in the lines that start with it.
std::vector<long> Values(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<long> values;
  for (const std::string& line : lines) {
    if (line.rfind(prefix, 0) == 0) values.push_back(std::stol(line.substr(prefix.size())));
  }
  return values;
}

TEST(TimerLoop, FixedRateTicksKeepTheirScheduleWhateverTheHandlerTakes) {
  // A 100 ms timer whose handler takes 50 ms, for 2050 ms: 20 ticks at 100, 200, ... 2000 ms.
  // Counting the interval from the handler's end would give 13, or fewer. A slow machine (an
  // emulated processor) misses a few of the 20, so at least 15 still tells the two apart.
  const std::vector<std::string> lines = ProbeLines("rate");
  std::vector<long> ticks;
  for (const std::string& line : lines) {
    long number = 0, at = 0;
    if (std::sscanf(line.c_str(), "tick %ld %ld", &number, &at) == 2) {
      EXPECT_EQ(number, static_cast<long>(ticks.size()) + 1);
      ticks.push_back(at);
    }
  }
  const std::vector<long> count = Values(lines, "count ");
  ASSERT_EQ(count.size(), 1u);
  EXPECT_EQ(count[0], static_cast<long>(ticks.size()));
  EXPECT_GE(ticks.size(), 15u);
  EXPECT_LE(ticks.size(), 21u);
  for (std::size_t k = 0; k < ticks.size(); ++k) {
    EXPECT_GE(ticks[k], static_cast<long>(k + 1) * 100 - 20) << "tick " << k + 1 << " early";
  }
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "run returned");
}

TEST(TimerLoop, TicksMissedDuringALongHandlerAreSkippedNotBunched) {
  // The third tick's handler runs from 300 to 850 ms, over five due ticks.
  const std::vector<std::string> lines = ProbeLines("stall");
  const std::vector<long> end = Values(lines, "stall end ");
  ASSERT_EQ(end.size(), 1u);
  const std::vector<long> ticks = Values(lines, "tick ");
  int right_after = 0, later = 0;
  for (long at : ticks) {
    if (at >= end[0] && at < end[0] + 25) ++right_after;
    if (at >= end[0] + 25) ++later;
  }
  EXPECT_LE(right_after, 2) << "missed ticks were run back to back";
  EXPECT_GE(later, 3) << "the timer stopped after the long handler";
}

TEST(TimerLoop, ChangingTheIntervalOrEnablingRestartsTheCountTheSameIntervalDoesNot) {
  // Three 1000 ms timers, changed at 800 ms.
  const std::vector<std::string> lines = ProbeLines("restart");
  const std::vector<long> change = Values(lines, "change ");
  const std::vector<long> interval = Values(lines, "interval ");
  const std::vector<long> same = Values(lines, "same ");
  const std::vector<long> enable = Values(lines, "enable ");
  ASSERT_EQ(change.size(), 1u);
  ASSERT_EQ(interval.size(), 1u);
  ASSERT_EQ(same.size(), 1u);
  ASSERT_EQ(enable.size(), 1u);
  EXPECT_GE(interval[0] - change[0], 600 - 20) << "600 ms counted from the change";
  EXPECT_GE(enable[0] - change[0], 1000 - 20) << "1000 ms counted from the enable";
  EXPECT_GE(same[0], 1000 - 20);
  EXPECT_LT(same[0] - change[0], 700) << "the same interval restarted the count";
}

TEST(TimerLoop, TimersWithoutIntervalEnableOrHandlerNeverFire) {
  EXPECT_EQ(ProbeLines("silent"), std::vector<std::string>{"run returned"});
}

TEST(TimerLoop, TerminateEndsTheLoopOnceTheRunningHandlerReturns) {
  // The handler goes on for 200 ms after its request, while its own next tick and another
  // timer fall due: neither may run.
  EXPECT_EQ(ProbeLines("terminate"),
            (std::vector<std::string>{"tick", "after terminate", "run returned"}));
  // Closing the main form is such a request.
  EXPECT_EQ(ProbeLines("close"), (std::vector<std::string>{"closed", "run returned"}));
  // A request before the loop runs: it does not start.
  EXPECT_EQ(ProbeLines("early"), std::vector<std::string>{"run returned"});
}

TEST(TimerLoop, AnEndRequestEndsTheProgramWhileErrorBoxesWaitForTheUser) {
  // Nobody answers the boxes of a failed creation handler and a failed first tick; the second
  // tick requests the end. Ticks stop there and the program ends, as an unattended run must.
  EXPECT_EQ(ProbeLines("box"), (std::vector<std::string>{"tick 2", "run returned"}));
}

TEST(ApplicationStart, CriticalErrorsFailTheCallInsteadOfWaitingInABox) {
  // Added to the mode in force: the probe sets 0x8000 first, and it stays.
  EXPECT_EQ(ProbeLines("errormode"), std::vector<std::string>{"error mode 32769"});
}

TEST(ExitProcedures, RunAtProgramEndTheLastInstalledFirst) {
  EXPECT_EQ(ProbeLines("exitprocs"),
            (std::vector<std::string>{"main end", "exit 2", "exit 1", "exit 0"}));
}

TEST(ErrorBoxText, AppendsAFullStopAfterCharactersThatSortAfterIt) {
  const struct {
    const char* message;
    const char* text;
  } cases[] = {
      {"abc", "abc."}, {"abc.", "abc."},      {"a!", "a!"},  {"", ""},
      {"a-", "a-"},    {"code 7", "code 7."}, {"a/", "a/."}, {"a)", "a)"},
      {"a ", "a "},    {"\xe9", "\xe9."},  // a byte above 127 sorts after '.'
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rt::Application::ErrorBoxText(c.message), c.text) << c.message;
  }
}

// Installs an exception hook for one test and removes it again.
class HookGuard {
 public:
  explicit HookGuard(rt::ExceptionEvent hook) {
    rt::Application::Instance().OnException = std::move(hook);
  }
  ~HookGuard() { rt::Application::Instance().OnException = nullptr; }
};

TEST(ExceptionHook, GetsEveryExceptionLeavingACreationOrTimerHandlerWithItsSender) {
  struct Call {
    rt::Component* sender;
    std::string message;
    int io_code;
  };
  std::vector<Call> calls;
  HookGuard guard([&](rt::Component* sender, const std::exception& error) {
    auto* io = dynamic_cast<const rt::EInOutError*>(&error);
    calls.push_back({sender, rt::ExceptionMessage(error), io ? io->ErrorCode : -1});
  });

  rt::Form form(nullptr);
  form.OnCreate = [](rt::Component*) { rt::CheckIo(rt::kIoPathNotFound); };
  form.DoCreate();
  rt::Timer timer(&form);
  timer.SetOnTimer([](rt::Component*) { throw std::runtime_error("camera gone"); });
  timer.Fire();
  timer.SetOnTimer([](rt::Component*) { throw rt::Exception("Camera already connected."); });
  timer.Fire();

  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].sender, &form);
  EXPECT_EQ(calls[0].message, "Invalid filename");
  EXPECT_EQ(calls[0].io_code, 3);  // the hook sees the error as raised
  EXPECT_EQ(calls[1].sender, &timer);
  EXPECT_EQ(calls[1].message, "camera gone");
  EXPECT_EQ(calls[2].message, "Camera already connected.");

  // Handlers that succeed, and a form without one, reach no hook.
  timer.SetOnTimer([](rt::Component*) {});
  timer.Fire();
  rt::Form quiet(nullptr);
  quiet.DoCreate();
  EXPECT_EQ(calls.size(), 3u);
}

TEST(ExceptionHook, AnErrorFromAnotherThreadWaitsForTheRunningHookThenReachesIt) {
  std::mutex lock;
  std::vector<std::string> calls;
  auto record = [&](const std::string& call) {
    std::lock_guard<std::mutex> held(lock);
    calls.push_back(call);
  };
  std::atomic<bool> reported{false};
  std::thread camera;
  auto wait_for_report = [&](int tries) {
    for (int i = 0; i < tries && !reported; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  };
  // The most threads seen inside the hook at once. The hook holds no lock of its own across its
  // body, which would hide an overlap, and pauses, so that an overlap lasts long enough to show.
  std::atomic<int> inside{0};
  std::atomic<int> most_inside{0};
  HookGuard guard([&](rt::Component*, const std::exception& error) {
    const int now = ++inside;
    for (int most = most_inside; now > most && !most_inside.compare_exchange_weak(most, now);) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string message = rt::ExceptionMessage(error);
    record(message);
    if (message == "tick failed") {
      // While the hook runs here, a camera library's thread reports an error.
      camera = std::thread([&] {
        try {
          throw rt::Exception("camera thread failed");
        } catch (...) {
          rt::Application::Instance().HandleException(nullptr);
        }
        reported = true;
      });
      wait_for_report(50);
      record(reported ? "reported while the hook ran" : "hook end");
    }
    --inside;
  });
  testing::internal::CaptureStderr();  // where the headless error box would show
  try {
    throw rt::Exception("tick failed");
  } catch (...) {
    rt::Application::Instance().HandleException(nullptr);
  }
  wait_for_report(1000);
  if (reported) {
    camera.join();
  } else {
    camera.detach();  // stuck in an error box that nobody answers
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(most_inside, 1);
  std::lock_guard<std::mutex> held(lock);
  EXPECT_EQ(calls, (std::vector<std::string>{"tick failed", "hook end", "camera thread failed"}));
}

TEST(Timers, ATickThatComesWhileTheHandlerRunsIsDropped) {
  rt::Form form(nullptr);
  auto* timer = new rt::Timer(&form);
  int entered = 0;
  timer->SetOnTimer([&](rt::Component* sender) {
    // As a message loop inside the handler would dispatch the timer's next tick.
    if (++entered == 1) static_cast<rt::Timer*>(sender)->Fire();
  });
  timer->Fire();
  EXPECT_EQ(entered, 1);
  timer->Fire();  // once the handler has returned, ticks run again
  EXPECT_EQ(entered, 2);

  // Neither a handler that fails nor one that frees its timer leaves the timer blocked or touched.
  timer->SetOnTimer([&](rt::Component*) {
    ++entered;
    throw rt::Exception("camera gone");
  });
  int failures = 0;
  HookGuard guard([&](rt::Component*, const std::exception&) { ++failures; });
  timer->Fire();
  timer->Fire();
  EXPECT_EQ(entered, 4);
  EXPECT_EQ(failures, 2);
  timer->SetOnTimer([&](rt::Component* sender) {
    ++entered;
    delete sender;
  });
  timer->Fire();
  EXPECT_EQ(entered, 5);
  EXPECT_TRUE(form.Components().empty());
}

// Records its own destruction.
class Tracked : public rt::Component {
 public:
  Tracked(rt::Component* owner, std::string name, std::vector<std::string>& log)
      : rt::Component(owner), log_(log) {
    Name = std::move(name);
  }
  ~Tracked() override { log_.push_back(Name); }

 private:
  std::vector<std::string>& log_;
};

TEST(Component, AnOwnerFreesWhatItOwnsTheLastCreatedFirst) {
  std::vector<std::string> freed;
  auto* owner = new Tracked(nullptr, "owner", freed);
  auto* first = new Tracked(owner, "first", freed);
  auto* second = new Tracked(owner, "second", freed);
  new Tracked(second, "second's child", freed);
  auto* third = new Tracked(owner, "third", freed);
  auto* fourth = new Tracked(owner, "fourth", freed);
  EXPECT_EQ(first->Owner(), owner);
  EXPECT_EQ(owner->Components(), (std::vector<rt::Component*>{first, second, third, fourth}));

  delete third;  // freed early: the owner forgets it
  EXPECT_EQ(owner->Components(), (std::vector<rt::Component*>{first, second, fourth}));
  delete owner;
  EXPECT_EQ(freed, (std::vector<std::string>{"third", "owner", "fourth", "second", "second's child",
                                             "first"}));
}

TEST(Forms, ANewTimerRunsEverySecondAndClosingAFormThatIsNotMainHidesIt) {
  rt::Form form(nullptr);
  rt::Timer timer(&form);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_FALSE(timer.Active());  // no handler yet

  form.Show();
  EXPECT_TRUE(form.Visible());
  form.Close();
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(rt::Application::Instance().Terminated());

  rt::Edit status(&form);
  testing::internal::CaptureStdout();  // a headless status line prints its texts
  status.SetText("Connecting");
  status.Repaint();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(status.Text(), "Connecting");
}

}  // namespace
