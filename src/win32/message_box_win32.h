#pragma once
// <windows.h> turns the name MessageBox into MessageBoxA or MessageBoxW; the interface keeps
// its own name here whatever was included before.
#pragma push_macro("MessageBox")
#undef MessageBox

#include "platform/message_box.h"

namespace orvix::win32 {

// MessageBoxA with an OK button, owned by the calling thread's active window, and the title
// "ORVIX"; seen when the process's window station is visible.
class Win32MessageBox : public platform::MessageBox {
 public:
  bool CanBeSeen() override;
  void ShowError(const char* text) override;
};

}  // namespace orvix::win32

#pragma pop_macro("MessageBox")
