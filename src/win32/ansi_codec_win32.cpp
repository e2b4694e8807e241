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

std::wstring AnsiToWide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
}

}  // namespace orvix::win32
