// The backend-independent half of the GUI service: ownership, property changes, exception
// handling and the application object. The backends only draw and schedule.
#include <algorithm>

#include "platform/Application.h"
#include "platform/GuiBackend.h"
#include "platform/Library.h"

namespace rt {

Component::Component(Component* owner) : owner_(owner) {
  if (owner_) owner_->components_.push_back(this);
}

Component::~Component() {
  while (!components_.empty()) {
    Component* last = components_.back();
    delete last;  // its destructor removes it from components_
  }
  if (owner_) {
    auto& siblings = owner_->components_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

// ---- Form

Form::Form(Component* owner) : Component(owner) {
  gui::FormCreated(*this);
}

Form::~Form() {
  // Children first, while the window they live in still exists.
  while (!Components().empty()) delete Components().back();
  gui::FormDestroyed(*this);
}

void Form::SetCaption(const std::string& caption) {
  caption_ = caption;
  gui::FormChanged(*this);
}

void Form::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  gui::FormChanged(*this);
}

void Form::Show() {
  if (visible_) return;
  visible_ = true;
  gui::FormChanged(*this);
}

void Form::Hide() {
  if (!visible_) return;
  visible_ = false;
  gui::FormChanged(*this);
}

void Form::Close() {
  Application& app = Application::Instance();
  if (app.MainForm() == this) {
    app.Terminate();
  } else {
    Hide();
  }
}

void Form::DoCreate() {
  if (!OnCreate) return;
  try {
    OnCreate(this);
  } catch (...) {
    Application::Instance().HandleException(this);
  }
}

// ---- Edit

Edit::Edit(Component* owner) : Component(owner) {
  gui::EditCreated(*this);
}

Edit::~Edit() {
  gui::EditDestroyed(*this);
}

void Edit::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  gui::EditChanged(*this);
}

void Edit::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  gui::EditChanged(*this);
}

void Edit::Repaint() {
  gui::EditRepaint(*this);
}

// ---- Timer

Timer::Timer(Component* owner) : Component(owner) {}

Timer::~Timer() {
  if (freed_) *freed_ = true;
  gui::TimerDestroyed(*this);
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void Timer::SetInterval(std::uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  Update();
}

void Timer::SetOnTimer(NotifyEvent handler) {
  on_timer_ = std::move(handler);
  Update();
}

void Timer::Update() {
  gui::TimerChanged(*this);
}

void Timer::Fire() {
  if (!on_timer_ || running_) return;
  // The handler may free the timer: it is touched afterwards only when it is still there.
  bool freed = false;
  running_ = true;
  freed_ = &freed;
  auto finished = [this, &freed] {
    if (freed) return;
    running_ = false;
    freed_ = nullptr;
  };
  try {
    // A copy, so a handler that replaces itself keeps running safely.
    NotifyEvent handler = on_timer_;
    handler(this);
  } catch (...) {
    // The handler has ended: a tick that comes while its error is handled runs as usual.
    finished();
    Application::Instance().HandleException(this);
    return;
  }
  finished();
}

// ---- Application

Application& Application::Instance() {
  static Application app;
  return app;
}

Application::~Application() {
  DestroyForms();
}

void Application::Initialize() {
  // The programs run unattended: added to what the process inherited, which stays.
  SetErrorMode(GetErrorMode() | kFailCriticalErrors);
  ExcludeCurrentDirFromLibrarySearch();
  if (Title.empty()) Title = gui::DefaultTitle();
  gui::Initialize();
}

void Application::AdoptForm(std::unique_ptr<Form> form) {
  forms_.push_back(std::move(form));
}

void Application::Run() {
  if (Form* main = MainForm(); main && !terminated_) main->Show();
  if (!terminated_) gui::RunLoop(*this);
}

void Application::Terminate() {
  terminated_ = true;
  gui::WakeLoop();
}

std::string Application::ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

void Application::ShowException(const std::exception& error) {
  gui::MessageBox(Title, ErrorBoxText(ExceptionMessage(error)));
}

void Application::HandleException(Component* sender) {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& error) {
    Dispatch(sender, error);
  } catch (...) {
    Dispatch(sender, Exception("Unknown exception"));
  }
}

void Application::Dispatch(Component* sender, const std::exception& error) {
  const std::thread::id self = std::this_thread::get_id();
  // On the hook's own thread the hook has failed, or reports a failure of its own: it would fail
  // again, so the box shows it.
  if (!OnException || hook_thread_.load() == self) {
    ShowException(error);
    return;
  }
  // A camera library's thread may report while the hook runs on the main thread, or the other
  // way round: it waits its turn.
  gui::LockAnsweringSends(hook_lock_);
  std::lock_guard<std::mutex> held(hook_lock_, std::adopt_lock);
  struct Running {
    std::atomic<std::thread::id>& thread;
    ~Running() { thread.store(std::thread::id()); }
  } running{hook_thread_};
  hook_thread_.store(self);
  try {
    OnException(sender, error);
  } catch (const std::exception& inner) {
    ShowException(inner);
  } catch (...) {
    ShowException(Exception("Unknown exception"));
  }
}

void Application::DestroyForms() {
  // Later forms first, the main form last.
  while (!forms_.empty()) forms_.pop_back();
}

}  // namespace rt
