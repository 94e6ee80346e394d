// torvane: unattended time-lapse capture, one running instance per camera. Start-up happens
// while the main form is created; afterwards the program lives on its tick timer and on the
// camera's release events until "cams.run_state" asks it to quit.
#include "platform/Application.h"
#include "torvane/torvane_form.h"

int main() {
  rt::Application& Application = rt::Application::Instance();
  Application.Initialize();
  Application.CreateForm(torvane_form::Form1);
  Application.Run();
  return 0;
}
