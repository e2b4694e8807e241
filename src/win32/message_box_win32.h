#pragma once
// <windows.h> turns the name MessageBox into MessageBoxA or MessageBoxW; the interface keeps
// its own name here whatever was included before.
#pragma push_macro("MessageBox")
#undef MessageBox

#include "platform/message_box.h"

namespace orvix::win32 {

// MessageBoxA with an OK button, no owner window and the title "ORVIX".
class Win32MessageBox : public platform::MessageBox {
 public:
  void ShowError(const char* text) override;
};

}  // namespace orvix::win32

#pragma pop_macro("MessageBox")
