// pellmark: writes the names of the attached PowerShot cameras into "serial\pellmark", one per
// line, and quits. All the work happens while the main form is created.
#include "pellmark/pellmark_.h"
#include "platform/Application.h"

int main() {
  rt::Application& Application = rt::Application::Instance();
  Application.Initialize();
  Application.CreateForm(pellmark_::Form1);
  Application.Run();
  return 0;
}
