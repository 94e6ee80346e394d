// Main form of pellmark: lists the attached PowerShot cameras into "serial\pellmark" while it is
// being created, then asks the application to end. It has no controls and no user interaction.
#pragma once

#include "component/Lumidor.h"
#include "platform/Forms.h"

namespace pellmark_ {

class TForm1 : public rt::Form {
 public:
  explicit TForm1(rt::Component* AOwner);

  // The camera component, owned (and so destroyed) by the form. No event is bound.
  Lumidor::TLumidor* Lumidor1 = nullptr;

  // The creation handler: enumerate, write the list, finish the camera libraries, quit. An error
  // leaves it at once; the application then shows it and the window stays until closed.
  void FormCreate(rt::Component* Sender);
};

extern TForm1* Form1;

}  // namespace pellmark_
