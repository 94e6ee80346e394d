// Windows, status lines and timers. On Windows these are a real window with an EDIT control and
// SetTimer; on POSIX they run headless: the status line prints each new text to standard output
// and timers run in the application's loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Component.h"

namespace rt {

using NotifyEvent = std::function<void(Component* sender)>;

class Form : public Component {
 public:
  explicit Form(Component* owner);
  ~Form() override;

  void SetCaption(const std::string& caption);
  const std::string& Caption() const { return caption_; }
  void SetBounds(int left, int top, int width, int height);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  void Show();
  void Hide();
  bool Visible() const { return visible_; }

  // As a user closing the window: the main form's close ends the application.
  void Close();

  // Runs OnCreate; an exception leaving it goes to the application's exception handling.
  // Called by Application::CreateForm once the form is fully constructed.
  void DoCreate();

  NotifyEvent OnCreate;
  void* NativeHandle = nullptr;  // the backend's window

 private:
  std::string caption_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = false;
};

class Edit : public Component {
 public:
  explicit Edit(Component* owner);
  ~Edit() override;

  void SetText(const std::string& text);
  const std::string& Text() const { return text_; }
  void SetBounds(int left, int top, int width, int height);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void Repaint();  // draws the current text at once

  void* NativeHandle = nullptr;  // the backend's control

 private:
  std::string text_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

// A periodic timer of the application's loop. It fires while it is enabled, has a non-zero
// interval and a handler. Changing the interval or enabling it starts the count afresh; setting
// the interval it already has changes nothing. Ticks are fixed-rate: a late tick does not shift
// the ones after it, and ticks missed while a handler ran are skipped, not bunched. A tick that
// comes while the timer's own handler still runs (dispatched by a message loop inside it) is
// dropped: the handler never runs inside itself.
class Timer : public Component {
 public:
  explicit Timer(Component* owner);
  ~Timer() override;

  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }
  void SetInterval(std::uint32_t ms);
  std::uint32_t Interval() const { return interval_; }
  void SetOnTimer(NotifyEvent handler);

  // Runs the handler, unless it is running already; an exception leaving it goes to the
  // application's exception handling.
  void Fire();

  bool Active() const { return enabled_ && interval_ != 0 && static_cast<bool>(on_timer_); }

  // Backend bookkeeping.
  std::uint64_t Due = 0;
  std::uintptr_t NativeId = 0;

 private:
  void Update();
  bool enabled_ = true;
  std::uint32_t interval_ = 1000;
  NotifyEvent on_timer_;
  bool running_ = false;   // the handler runs
  bool* freed_ = nullptr;  // while it runs: set when the handler frees the timer
};

}  // namespace rt
