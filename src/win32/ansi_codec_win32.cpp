#include "win32/ansi_codec_win32.h"

#include <windows.h>

namespace orvix::win32 {

static_assert(sizeof(WCHAR) == sizeof(char16_t), "Windows keeps UTF-16 text in 16-bit WCHARs");

int Win32AnsiCodec::WideToAnsi(const char16_t* source, char* destination, int destinationSize) {
  if (destinationSize < 0) return 0;
  // A size of 0 makes WideCharToMultiByte report the size needed, whatever the pointer.
  if (destination == nullptr) destinationSize = 0;
  return WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWCH>(source), -1, destination, destinationSize,
                             nullptr, nullptr);
}

}  // namespace orvix::win32
