// Automation strings to and from the service core's texts.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace orvix::com {

static_assert(sizeof(OLECHAR) == sizeof(char16_t), "Automation strings are UTF-16");

// The UTF-16 text of `text`; a null BSTR stands for the empty text and stays null, which the
// core reads as empty.
inline const char16_t* BstrText(BSTR text) { return reinterpret_cast<const char16_t*>(text); }

// A new BSTR with `text` (8-bit, in the system's ANSI code page) widened to UTF-16. Null
// only when no memory is left.
BSTR AllocBstrFromAnsi(const std::string& text);

}  // namespace orvix::com
