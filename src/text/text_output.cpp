#include "text/text_output.h"

// Placeholder bodies; the text operations are being written.
namespace orvix {

std::string BstrToMultibyte(platform::AnsiCodec&, const char16_t*) { return {}; }
int32_t TextOutput::DisplayText(const char16_t*, int32_t) { return 106; }
int32_t TextOutput::DisplayTextAt(int32_t, int32_t, const char16_t*, int32_t) { return 106; }
int32_t TextOutput::ClearText() { return 106; }
int32_t TextOutput::ScrollText(int32_t, int32_t) { return 106; }

}  // namespace orvix
