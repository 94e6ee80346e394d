// The Win32 GUI backend: a real top-level window per form, an EDIT control per status line, and
// SetTimer on a hidden message-only window, all driven by a GetMessage loop.
#include <windows.h>
// windows.h maps MessageBox to MessageBoxA; the backend function keeps its own name.
#undef MessageBox

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "platform/Application.h"
#include "platform/GuiBackend.h"

namespace rt::gui {

namespace {

constexpr char kFormClass[] = "RtFormWindow";
constexpr char kUtilityClass[] = "RtUtilityWindow";
constexpr UINT kWakeMessage = WM_APP + 1;
constexpr int kDefaultEditHeight = 21;

// The hidden window that owns the timers and receives the wake-up message. Read by WakeLoop
// from any thread.
std::atomic<HWND> utility_window{nullptr};

// Timers by the id they were started with. Left undestroyed on purpose: forms (and their timers)
// are freed during the program's static destruction, in an order this file does not control.
std::map<UINT_PTR, Timer*>& Timers() {
  static auto* timers = new std::map<UINT_PTR, Timer*>;
  return *timers;
}

UINT_PTR next_timer_id = 1;

HINSTANCE ModuleInstance() {
  return ::GetModuleHandleA(nullptr);
}

// Runs the application's exception handling for an exception caught in a window procedure.
// Nothing may leave a window procedure, so a failure of the handling itself is dropped.
void HandleInWindowProc(Component* sender) {
  try {
    Application::Instance().HandleException(sender);
  } catch (...) {
  }
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  try {
    if (message == WM_CLOSE) {
      // The form owns its window: closing only asks the form, which hides itself or ends the
      // application; the window goes when the form is freed.
      if (form) form->Close();
      return 0;
    }
  } catch (...) {
    HandleInWindowProc(form);
    return 0;
  }
  return ::DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK UtilityProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Timer* timer = nullptr;
  try {
    if (message == WM_TIMER) {
      auto& timers = Timers();
      auto found = timers.find(static_cast<UINT_PTR>(wparam));
      // A tick of a timer that was stopped or restarted since has no entry and is dropped; so
      // is every tick after a terminate request (a message box's own loop still dispatches).
      if (found != timers.end() && !Application::Instance().Terminated()) {
        timer = found->second;
        timer->Fire();  // the handler may free the timer: nothing touches it afterwards
      }
      return 0;
    }
    if (message == kWakeMessage) {
      // Ends GetMessage's wait; after a terminate request the quit message also ends the loop
      // of any message box that is open, as nobody may be there to close it.
      if (Application::Instance().Terminated()) ::PostQuitMessage(0);
      return 0;
    }
  } catch (...) {
    HandleInWindowProc(timer);
    return 0;
  }
  return ::DefWindowProcA(hwnd, message, wparam, lparam);
}

void RegisterClasses() {
  static const bool registered = [] {
    WNDCLASSEXA form_class{};
    form_class.cbSize = sizeof form_class;
    form_class.lpfnWndProc = FormProc;
    form_class.hInstance = ModuleInstance();
    form_class.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    form_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form_class.lpszClassName = kFormClass;
    ::RegisterClassExA(&form_class);

    WNDCLASSEXA utility_class{};
    utility_class.cbSize = sizeof utility_class;
    utility_class.lpfnWndProc = UtilityProc;
    utility_class.hInstance = ModuleInstance();
    utility_class.lpszClassName = kUtilityClass;
    ::RegisterClassExA(&utility_class);
    return true;
  }();
  (void)registered;
}

HWND UtilityWindow() {
  HWND window = utility_window.load();
  if (window) return window;
  RegisterClasses();
  window = ::CreateWindowExA(0, kUtilityClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             ModuleInstance(), nullptr);
  utility_window.store(window);
  return window;
}

HWND FormWindow(const Form& form) {
  return static_cast<HWND>(form.NativeHandle);
}
HWND EditWindow(const Edit& edit) {
  return static_cast<HWND>(edit.NativeHandle);
}

std::string ModuleFileName() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

void StopTimer(Timer& timer) {
  if (timer.NativeId == 0) return;
  const auto id = static_cast<UINT_PTR>(timer.NativeId);
  if (HWND window = utility_window.load()) ::KillTimer(window, id);
  Timers().erase(id);
  timer.NativeId = 0;
}

}  // namespace

void Initialize() {
  RegisterClasses();
  UtilityWindow();
}

void FormCreated(Form& form) {
  RegisterClasses();
  HWND window = ::CreateWindowExA(0, kFormClass, form.Caption().c_str(), WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, ModuleInstance(), nullptr);
  if (!window) return;
  ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&form));
  form.NativeHandle = window;
}

void FormDestroyed(Form& form) {
  HWND window = FormWindow(form);
  if (!window) return;
  // No message reaches the form any more while and after its window goes.
  ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  ::DestroyWindow(window);
  form.NativeHandle = nullptr;
}

void FormChanged(Form& form) {
  HWND window = FormWindow(form);
  if (!window) return;
  ::SetWindowTextA(window, form.Caption().c_str());
  // Bounds never set stay the system's default placement.
  if (form.Left() != 0 || form.Top() != 0 || form.Width() != 0 || form.Height() != 0) {
    ::MoveWindow(window, form.Left(), form.Top(), form.Width(), form.Height(), TRUE);
  }
  const bool shown = ::IsWindowVisible(window) != 0;
  if (form.Visible() != shown) ::ShowWindow(window, form.Visible() ? SW_SHOW : SW_HIDE);
}

void EditCreated(Edit& edit) {
  auto* form = dynamic_cast<Form*>(edit.Owner());
  if (!form || !FormWindow(*form)) return;  // a control needs a window to live in
  HWND parent = FormWindow(*form);
  RECT client{};
  ::GetClientRect(parent, &client);
  HWND window = ::CreateWindowExA(
      WS_EX_CLIENTEDGE, "EDIT", edit.Text().c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0,
      client.right - client.left, kDefaultEditHeight, parent, nullptr, ModuleInstance(), nullptr);
  if (!window) return;
  ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
  edit.NativeHandle = window;
}

void EditDestroyed(Edit& edit) {
  if (HWND window = EditWindow(edit)) ::DestroyWindow(window);
  edit.NativeHandle = nullptr;
}

void EditChanged(Edit& edit) {
  HWND window = EditWindow(edit);
  if (!window) return;
  ::SetWindowTextA(window, edit.Text().c_str());
  if (edit.Width() > 0 && edit.Height() > 0)
    ::MoveWindow(window, edit.Left(), edit.Top(), edit.Width(), edit.Height(), TRUE);
}

void EditRepaint(Edit& edit) {
  HWND window = EditWindow(edit);
  if (!window) return;
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
}

void TimerChanged(Timer& timer) {
  // Each start gets a fresh id, so a tick of the previous start still waiting in the queue is
  // recognised as stale and dropped.
  StopTimer(timer);
  if (!timer.Active()) return;
  HWND window = UtilityWindow();
  if (!window) return;
  const UINT_PTR id = next_timer_id++;
  if (::SetTimer(window, id, timer.Interval(), nullptr) == 0) return;
  Timers()[id] = &timer;
  timer.NativeId = id;
}

void TimerDestroyed(Timer& timer) {
  StopTimer(timer);
}

void RunLoop(Application& app) {
  UtilityWindow();  // WakeLoop posts to it
  MSG message;
  while (!app.Terminated()) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // WM_QUIT (or a broken queue): the application ends as on a terminate request.
      app.Terminate();
      break;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

void WakeLoop() {
  if (HWND window = utility_window.load()) ::PostMessageA(window, kWakeMessage, 0, 0);
}

void MessageBox(const std::string& caption, const std::string& text) {
  ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

void LockAnsweringSends(std::mutex& lock) {
  MSG message;
  while (!lock.try_lock()) {
    // Handles only what other threads send (SendMessage, SetWindowText of one of our windows);
    // posted messages, ticks among them, stay queued.
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    ::Sleep(5);
  }
}

std::string DefaultTitle() {
  std::string name = ModuleFileName();
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

}  // namespace rt::gui
