#pragma once
#include <cstdint>
#include <string>

#include "model/virtual_screen.h"

namespace orvix::vpd {

// The character a cell shows, as UTF-8. The service object sends text in the Windows ANSI
// code page 1252, so bytes from 0x80 on are shown as that code page has them; a byte that
// the code page leaves undefined shows as '?'.
std::string GlyphOf(uint8_t cell);

// One row (0 or 1) as it reads on the glass: twenty glyphs, spaces kept.
std::string RowText(const VirtualScreen& screen, int row);

}  // namespace orvix::vpd
