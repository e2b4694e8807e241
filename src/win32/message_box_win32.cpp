#include "win32/message_box_win32.h"

#include <windows.h>

namespace orvix::win32 {

void Win32MessageBox::ShowError(const char* text) {
  MessageBoxA(nullptr, text != nullptr ? text : "", "ORVIX", MB_OK);
}

}  // namespace orvix::win32
