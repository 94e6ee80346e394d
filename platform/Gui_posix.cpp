// Headless GUI: no windows. The loop sleeps until the next timer is due or something wakes it
// (a terminate request, a signal), without polling. SIGINT and SIGTERM close the main form the
// way a user closing its window would.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

#include "platform/Application.h"
#include "platform/DateTime.h"
#include "platform/GuiBackend.h"
#include "platform/Library.h"

namespace rt::gui {

namespace {

int g_wake_pipe[2] = {-1, -1};
volatile sig_atomic_t g_close_requested = 0;
std::vector<Timer*> g_timers;  // active timers
std::map<const Edit*, std::string> g_shown;

void OnCloseSignal(int) {
  g_close_requested = 1;
  if (g_wake_pipe[1] >= 0) {
    char byte = 1;
    ssize_t ignored = ::write(g_wake_pipe[1], &byte, 1);
    (void)ignored;
  }
}

void EnsurePipe() {
  if (g_wake_pipe[0] >= 0) return;
  if (::pipe(g_wake_pipe) != 0) return;
  for (int fd : g_wake_pipe) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
}

void DrainPipe() {
  char buffer[64];
  while (::read(g_wake_pipe[0], buffer, sizeof buffer) > 0) {
  }
}

void Unlist(Timer& timer) {
  g_timers.erase(std::remove(g_timers.begin(), g_timers.end(), &timer), g_timers.end());
}

// The timer due first among those due by `now`, or nullptr.
Timer* NextDue(std::uint64_t now) {
  Timer* next = nullptr;
  for (Timer* t : g_timers) {
    if (t->Due <= now && (!next || t->Due < next->Due)) next = t;
  }
  return next;
}

}  // namespace

void Initialize() {
  std::setlocale(LC_TIME, "");
  EnsurePipe();
  struct sigaction action = {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

void FormCreated(Form&) {}
void FormDestroyed(Form&) {}
void FormChanged(Form&) {}

// A new status line shows nothing yet: only texts set on it are printed, not a bounds change.
void EditCreated(Edit& edit) {
  g_shown[&edit] = std::string();
}

void EditDestroyed(Edit& edit) {
  g_shown.erase(&edit);
}

void EditChanged(Edit& edit) {
  auto it = g_shown.find(&edit);
  if (it != g_shown.end() && it->second == edit.Text()) return;
  g_shown[&edit] = edit.Text();
  std::fprintf(stdout, "%s\n", edit.Text().c_str());
  std::fflush(stdout);
}

void EditRepaint(Edit&) {
  std::fflush(stdout);
}

void TimerChanged(Timer& timer) {
  Unlist(timer);
  if (!timer.Active()) return;
  timer.Due = MonotonicMs() + timer.Interval();
  g_timers.push_back(&timer);
  WakeLoop();
}

void TimerDestroyed(Timer& timer) {
  Unlist(timer);
}

void RunLoop(Application& app) {
  EnsurePipe();
  while (!app.Terminated()) {
    if (g_close_requested) {
      g_close_requested = 0;
      if (Form* main = app.MainForm()) {
        main->Close();
      } else {
        app.Terminate();
      }
      continue;
    }
    std::uint64_t now = MonotonicMs();
    if (Timer* timer = NextDue(now)) {
      // Fixed rate: the next tick keeps the schedule's phase; ticks missed while a handler
      // overran are skipped rather than run back to back.
      std::uint64_t interval = timer->Interval();
      std::uint64_t late = now - timer->Due;
      timer->Due += (late / interval + 1) * interval;
      timer->Fire();
      continue;
    }
    int wait = -1;
    for (Timer* t : g_timers) {
      std::uint64_t left = t->Due > now ? t->Due - now : 0;
      if (left > 0x7fffffff) left = 0x7fffffff;
      if (wait < 0 || static_cast<int>(left) < wait) wait = static_cast<int>(left);
    }
    struct pollfd fd = {g_wake_pipe[0], POLLIN, 0};
    ::poll(&fd, 1, wait);
    DrainPipe();
  }
}

void WakeLoop() {
  if (g_wake_pipe[1] < 0) return;
  char byte = 0;
  ssize_t ignored = ::write(g_wake_pipe[1], &byte, 1);
  (void)ignored;
}

void MessageBox(const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

void LockAnsweringSends(std::mutex& lock) {
  lock.lock();  // no window of one thread waits for another here
}

std::string DefaultTitle() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "";
  std::string path(buffer, static_cast<std::size_t>(n));
  auto slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  auto dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace rt::gui
