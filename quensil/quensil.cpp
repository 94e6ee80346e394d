// The picture eraser: one erase pass at the first tick of its timer, then the program ends.
#include "platform/Application.h"
#include "quensil/quensil_form.h"

int main() {
  rt::Application& app = rt::Application::Instance();
  app.Initialize();
  app.CreateForm(Form1);
  app.Run();
  return Form1->exit_code;
}
