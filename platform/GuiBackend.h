// What the shared GUI code needs of a backend (Gui_posix.cpp, Gui_win.cpp). Internal to platform/.
#pragma once

#include <mutex>
#include <string>

#include "platform/Forms.h"

namespace rt {
class Application;
}

namespace rt::gui {

void Initialize();
void FormCreated(Form& form);
void FormDestroyed(Form& form);
void FormChanged(Form& form);  // caption, bounds or visibility
void EditCreated(Edit& edit);
void EditDestroyed(Edit& edit);
void EditChanged(Edit& edit);  // text or bounds
void EditRepaint(Edit& edit);
void TimerChanged(Timer& timer);  // enabled, interval or handler changed: restart or stop
void TimerDestroyed(Timer& timer);
void RunLoop(Application& app);  // returns when app.Terminated()
void WakeLoop();                 // makes RunLoop look at the terminate request; any thread
void MessageBox(const std::string& caption, const std::string& text);
// Takes `lock`, waiting as long as another thread holds it. Windows: meanwhile the waiting thread
// answers what other threads send to its windows, so that a holder that updates one of them (a
// status line) does not wait for the waiter in turn.
void LockAnsweringSends(std::mutex& lock);
std::string DefaultTitle();  // executable name without extension

}  // namespace rt::gui
