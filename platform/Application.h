// The application object: creates the forms, runs the message loop, and handles every exception
// that leaves an event handler (the hook when one is installed, else the standard error message
// box).
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Errors.h"
#include "platform/Forms.h"

namespace rt {

using ExceptionEvent = std::function<void(Component* sender, const std::exception& error)>;

class Application {
 public:
  static Application& Instance();

  // Prepares the process: critical errors fail the call instead of waiting in a box (added to
  // the inherited error mode), the current directory out of the library search (before any
  // camera library loads), regional settings, signals on POSIX. Raises when the library search
  // cannot be made safe.
  void Initialize();

  // Creates a form of type T owned by the application and runs its creation handler. The first
  // form created is the main form.
  template <class T>
  T* CreateForm(T*& reference) {
    auto form = std::make_unique<T>(nullptr);
    reference = form.get();
    AdoptForm(std::move(form));
    reference->DoCreate();
    return reference;
  }

  // Shows the main form and runs the message loop until a terminate request or the main form's
  // close. Returns at once when termination was requested before.
  void Run();

  // Asks the loop to end; the handler that is running finishes first. Safe from any thread.
  void Terminate();
  bool Terminated() const { return terminated_; }

  Form* MainForm() const { return forms_.empty() ? nullptr : forms_.front().get(); }

  // Called from inside a catch block: hands the current exception to OnException, or shows it
  // in the standard error message box. An exception that the hook itself raises, or that is
  // reported on the hook's thread while the hook runs, is shown in the box and does not re-enter
  // the hook. The hook runs on one thread at a time: an exception reported on another thread
  // meanwhile waits for it, then reaches the hook.
  void HandleException(Component* sender);
  void ShowException(const std::exception& error);

  // The standard error message box text: the message, with a full stop appended when its last
  // character sorts after '.'.
  static std::string ErrorBoxText(const std::string& message);

  ExceptionEvent OnException;
  std::string Title;

  // Destroys every form (the main form last), as at program end.
  void DestroyForms();
  ~Application();

 private:
  Application() = default;
  void AdoptForm(std::unique_ptr<Form> form);
  void Dispatch(Component* sender, const std::exception& error);

  std::atomic<bool> terminated_{false};
  std::mutex hook_lock_;                      // held while the hook runs
  std::atomic<std::thread::id> hook_thread_;  // the thread that runs it; none when idle
  std::vector<std::unique_ptr<Form>> forms_;
};

}  // namespace rt
