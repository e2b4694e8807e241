#include "link/display_command.h"

#include "common/display_state.h"
#include "link/command_buffer.h"

namespace orvix {

bool AppendCommandBytes(const DisplayState& state, CommandBuffer& buffer, int32_t id) {
  switch (id) {
    case 0: buffer.Append({0x09}); return true;
    case 1: buffer.Append({0x08}); return true;
    case 2: buffer.Append({0x1F, 0x0A}); return true;
    case 3: buffer.Append({0x0A}); return true;
    case 4: buffer.Append({0x1F, 0x0D}); return true;
    case 5: buffer.Append({0x0D}); return true;
    case 6: buffer.Append({0x0B}); return true;
    case 7: buffer.Append({0x1F, 0x42}); return true;
    case 8: buffer.Append({0x1F, 0x24, state.moveColumn, state.moveRow}); return true;
    case 9: buffer.Append({0x0C}); return true;
    case 10: buffer.Append({0x1F, 0x58, state.brightness}); return true;
    case 11: buffer.Append({0x1F, 0x45, state.blinkInterval}); return true;
    case 12: buffer.Append({0x1B, 0x40}); return true;
    case 13: buffer.Append({0x1F, 0x23, static_cast<uint8_t>(state.cursorType)}); return true;
    case 14: buffer.Append({0x1F, 0x72, state.reverseVideo}); return true;
    case 15: buffer.Append({0x1F, 0x01}); return true;
    case 16: buffer.Append({0x1F, 0x02}); return true;
    case 17: buffer.Append({0x1F, 0x03}); return true;
    case 18: buffer.Append({0x1B, 0x26, 0x01, 0x00, 0x00}); return true;
    case 19: buffer.Append({0x1B, 0x3F}); return true;
    case 20: buffer.Append({0x1B, 0x25}); return true;
    case 21: buffer.Append({0x1B, 0x57, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}); return true;
    case 22: buffer.Append({0x1F, 0x3A}); return true;
    case 23: buffer.Append({0x1F, 0x5E, 0x00, 0x00}); return true;
    case 24: buffer.Append({0x1F, 0x40}); return true;
    case 25: buffer.Append({0x1F, 0x54, 0x00, 0x00}); return true;
    case 26: buffer.Append({0x1F, 0x55}); return true;
    case 27: buffer.Append({0x1F, 0x56, 0x00}); return true;
    case 28: buffer.Append({0x02, 0x05, 0x45, 0x4F, 0x03}); return true;
    default: return false;
  }
}

}  // namespace orvix
