#pragma once

namespace orvix {

// Whether a profile's COMPORT text names something other than a serial port, so that it must
// not even be opened: a UNC or pipe path (a network connection, or a server that could act
// as the till's user), any path with a folder or a drive in it, or a DOS device name other
// than COMn (NUL, CON, PRN, AUX, LPTn, CONIN$, CONOUT$), as Windows finds these in a name:
// in any letter case, with or without the \\.\ or \\?\ prefix, with a trailing colon or
// after it an extension. An empty text is not refused: it opens nothing anyway.
bool IsRefusedPortName(const char* name);

}  // namespace orvix
