// Small scenarios that can only be watched from outside a process: the application's message
// loop (which runs once per process), the standard error message box, signals and the exit
// procedures at program end. The tests run `platform_probe SCENARIO` and read what it prints.
//
// Every line goes out at once (flushed), so a test sees it even when the probe is killed.
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "platform/Application.h"
#include "platform/DateTime.h"
#include "platform/Library.h"
#include "platform/Sleep.h"

namespace {

std::uint64_t g_start = 0;

void Say(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// Milliseconds since the scenario's timers were started.
std::string Stamp() {
  return std::to_string(rt::MonotonicMs() - g_start);
}

rt::Application& App() {
  return rt::Application::Instance();
}

// The main form of a scenario; its creation handler is whatever the scenario put here.
std::function<void(rt::Form&)> g_create;

class ProbeForm : public rt::Form {
 public:
  explicit ProbeForm(rt::Component* owner) : rt::Form(owner) {
    OnCreate = [this](rt::Component*) {
      if (g_create) g_create(*this);
    };
  }
};

// A timer owned by `owner`, started with the given interval and handler.
rt::Timer* StartTimer(rt::Component& owner, std::uint32_t interval, rt::NotifyEvent handler) {
  auto* timer = new rt::Timer(&owner);
  timer->SetInterval(interval);
  timer->SetOnTimer(std::move(handler));
  return timer;
}

// Runs the application with a main form whose creation handler is `create`.
int RunWithMainForm(std::function<void(rt::Form&)> create) {
  App().Initialize();
  g_create = std::move(create);
  ProbeForm* form = nullptr;
  App().CreateForm(form);
  App().Run();
  Say("run returned");
  return 0;
}

// A 100 ms timer whose handler takes 50 ms, for 2050 ms: fixed-rate ticks come every 100 ms
// regardless of the handler's time.
int Rate() {
  return RunWithMainForm([](rt::Form& form) {
    g_start = rt::MonotonicMs();
    auto ticks = std::make_shared<int>(0);
    StartTimer(form, 100, [ticks](rt::Component*) {
      Say("tick " + std::to_string(++*ticks) + " " + Stamp());
      rt::SleepMs(50);
    });
    StartTimer(form, 2050, [ticks](rt::Component*) {
      Say("count " + std::to_string(*ticks));
      App().Terminate();
    });
  });
}

// A 100 ms timer whose third tick takes 550 ms: the ticks missed meanwhile are skipped.
int Stall() {
  return RunWithMainForm([](rt::Form& form) {
    g_start = rt::MonotonicMs();
    auto ticks = std::make_shared<int>(0);
    StartTimer(form, 100, [ticks](rt::Component*) {
      Say("tick " + Stamp());
      if (++*ticks == 3) {
        rt::SleepMs(550);
        Say("stall end " + Stamp());
      }
    });
    StartTimer(form, 1500, [](rt::Component*) { App().Terminate(); });
  });
}

// Three 1000 ms timers, changed at 800 ms: "interval" gets 600 ms, "same" gets its own 1000 ms
// again, "enable" is disabled and enabled. Each reports its first tick and stops.
int Restart() {
  return RunWithMainForm([](rt::Form& form) {
    g_start = rt::MonotonicMs();
    auto first_tick = [](rt::Component* sender) {
      auto* timer = static_cast<rt::Timer*>(sender);
      Say(timer->Name + " " + Stamp());
      timer->SetEnabled(false);
    };
    rt::Timer* interval = StartTimer(form, 1000, first_tick);
    interval->Name = "interval";
    rt::Timer* same = StartTimer(form, 1000, first_tick);
    same->Name = "same";
    rt::Timer* enable = StartTimer(form, 1000, first_tick);
    enable->Name = "enable";
    StartTimer(form, 800, [=](rt::Component* sender) {
      static_cast<rt::Timer*>(sender)->SetEnabled(false);
      Say("change " + Stamp());
      interval->SetInterval(600);
      same->SetInterval(1000);
      enable->SetEnabled(false);
      enable->SetEnabled(true);
    });
    StartTimer(form, 2600, [](rt::Component*) { App().Terminate(); });
  });
}

// Timers that must never fire: interval 0, disabled, disabled again before the loop, handler
// removed.
int Silent() {
  return RunWithMainForm([](rt::Form& form) {
    auto fired = [](rt::Component* sender) { Say("fired " + sender->Name); };
    StartTimer(form, 0, fired)->Name = "zero";
    rt::Timer* disabled = new rt::Timer(&form);
    disabled->Name = "disabled";
    disabled->SetEnabled(false);
    disabled->SetInterval(50);
    disabled->SetOnTimer(fired);
    rt::Timer* stopped = StartTimer(form, 50, fired);
    stopped->Name = "stopped";
    stopped->SetEnabled(false);
    rt::Timer* unhandled = StartTimer(form, 50, fired);
    unhandled->Name = "unhandled";
    unhandled->SetOnTimer(nullptr);
    StartTimer(form, 200, fired)->SetInterval(0);
    StartTimer(form, 600, [](rt::Component*) { App().Terminate(); });
  });
}

// A handler that requests the end and goes on for a while; another timer falls due meanwhile.
int Terminate() {
  return RunWithMainForm([](rt::Form& form) {
    StartTimer(form, 50, [](rt::Component*) {
      Say("tick");
      App().Terminate();
      rt::SleepMs(200);
      Say("after terminate");
    });
    StartTimer(form, 120, [](rt::Component*) { Say("other tick"); });
  });
}

// The main form closed from a handler: as the user closing the window, it ends the application.
int Close() {
  return RunWithMainForm([](rt::Form& form) {
    StartTimer(form, 50, [](rt::Component*) {
      App().MainForm()->Close();
      Say("closed");
    });
  });
}

// The end requested while the main form is created: the loop does not run at all.
int Early() {
  return RunWithMainForm([](rt::Form& form) {
    StartTimer(form, 10, [](rt::Component*) { Say("tick"); });
    App().Terminate();
  });
}

// No exception hook: a failing creation handler and a failing timer handler are shown in the
// standard error message box; the loop goes on.
int Box() {
  return RunWithMainForm([](rt::Form& form) {
    auto ticks = std::make_shared<int>(0);
    StartTimer(form, 100, [ticks](rt::Component*) {
      if (++*ticks == 1) throw rt::Exception("Camera lost.");
      Say("tick " + std::to_string(*ticks));
      App().Terminate();
    });
    rt::CheckIo(rt::kIoFileNotFound);
  });
}

// A 100 ms timer whose first tick waits in the standard error box, whose message loop runs until
// the end request at 650 ms closes it. Windows: the box's loop dispatches the other timer's tick,
// and drops the ticks of the timer whose handler waits.
int Nested() {
  return RunWithMainForm([](rt::Form& form) {
    auto ticks = std::make_shared<int>(0);
    StartTimer(form, 100, [ticks](rt::Component*) {
      const std::string tick = std::to_string(++*ticks);
      Say("enter " + tick);
      if (*ticks == 1) App().ShowException(rt::Exception("Waiting for the user"));
      Say("leave " + tick);
    });
    StartTimer(form, 350, [](rt::Component* sender) {
      static_cast<rt::Timer*>(sender)->SetEnabled(false);
      Say("other");
    });
    StartTimer(form, 650, [](rt::Component*) { App().Terminate(); });
  });
}

// Runs until SIGINT or SIGTERM closes the main form; says "ready" from inside the loop.
int Signal() {
  return RunWithMainForm([](rt::Form& form) {
    StartTimer(form, 50, [](rt::Component* sender) {
      static_cast<rt::Timer*>(sender)->SetEnabled(false);
      Say("ready");
    });
  });
}

// The process error mode after the application's start, from a mode set before it.
int ErrorMode() {
  rt::SetErrorMode(0x8000);
  App().Initialize();
  Say("error mode " + std::to_string(rt::GetErrorMode()));
  return 0;
}

// Three exit procedures, each handing on to the one it found installed.
rt::ExitProcedure g_saved[3];
template <int N>
void ExitProc() {
  rt::SetExitProc(g_saved[N]);
  Say("exit " + std::to_string(N));
}

int ExitProcs() {
  g_saved[0] = rt::GetExitProc();
  rt::SetExitProc(ExitProc<0>);
  g_saved[1] = rt::GetExitProc();
  rt::SetExitProc(ExitProc<1>);
  g_saved[2] = rt::GetExitProc();
  rt::SetExitProc(ExitProc<2>);
  Say("main end");
  return 0;
}

struct Scenario {
  const char* name;
  int (*run)();
};

constexpr Scenario kScenarios[] = {
    {"rate", Rate},           {"stall", Stall},
    {"restart", Restart},     {"silent", Silent},
    {"terminate", Terminate}, {"close", Close},
    {"early", Early},         {"box", Box},
    {"signal", Signal},       {"exitprocs", ExitProcs},
    {"nested", Nested},       {"errormode", ErrorMode},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2) {
    for (const Scenario& scenario : kScenarios) {
      if (std::strcmp(argv[1], scenario.name) == 0) return scenario.run();
    }
  }
  std::fputs("usage: platform_probe SCENARIO\n", stderr);
  return 2;
}
