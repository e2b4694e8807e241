#include "win32/message_box_win32.h"

#include <windows.h>

namespace orvix::win32 {

bool Win32MessageBox::CanBeSeen() {
  // The process's window station is not opened here and must not be closed.
  const HWINSTA station = GetProcessWindowStation();
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  if (station == nullptr || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
    return false;
  }
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

void Win32MessageBox::ShowError(const char* text) {
  MessageBoxA(GetActiveWindow(), text != nullptr ? text : "", "ORVIX", MB_OK);
}

}  // namespace orvix::win32
