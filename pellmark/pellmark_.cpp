#include "pellmark/pellmark_.h"

#include <string>

#include "platform/Application.h"
#include "platform/Errors.h"
#include "platform/TextFile.h"
#include "protocol/Protocol.h"

namespace pellmark_ {

TForm1* Form1 = nullptr;

TForm1::TForm1(rt::Component* AOwner) : rt::Form(AOwner) {
  Name = "Form1";
  SetCaption("pellmark");
  SetBounds(210, 289, 351, 149);
  Lumidor1 = new Lumidor::TLumidor(this);
  Lumidor1->Name = "Lumidor1";
  OnCreate = [this](rt::Component* Sender) { FormCreate(Sender); };
}

void TForm1::FormCreate(rt::Component* /*Sender*/) {
  // The first enumeration starts the three camera libraries.
  const Lumidor::CameraListsType lists = Lumidor1->EnumerateCameras();

  // Every step is checked: a failure raises and leaves the handler with the lines written so
  // far in the file (the destructor closes it without reporting). EOS cameras are not listed.
  rt::TextFile list;
  rt::CheckIo(list.OpenWrite(protocol::kPellmarkList));
  if (lists.PowerShotNames) {
    for (const std::string& name : *lists.PowerShotNames) rt::CheckIo(list.WriteLine(name));
  }
  rt::CheckIo(list.Close());

  // Frees the name lists: `lists` is not valid from here on.
  Lumidor1->FinishSDKs();
  rt::Application::Instance().Terminate();
}

}  // namespace pellmark_
