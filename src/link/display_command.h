#pragma once
#include <cstdint>

namespace orvix {

class CommandBuffer;
struct DisplayState;

// Identifiers of the display's command set. 0..28 append a command's bytes to a
// CommandBuffer; kFlush writes the buffer to the display.
enum DisplayCommand : int32_t {
  kCommandTab = 0,
  kCommandBackspace = 1,
  kCommandUsLineFeed = 2,
  kCommandLineFeed = 3,
  kCommandUsCarriageReturn = 4,
  kCommandCarriageReturn = 5,
  kCommandVerticalTab = 6,
  kCommandUsB = 7,
  kCommandCursorMove = 8,       // 1F 24 moveColumn moveRow
  kCommandClear = 9,            // 0C
  kCommandBrightness = 10,      // 1F 58 brightness
  kCommandBlink = 11,           // 1F 45 blinkInterval
  kCommandInitialise = 12,      // 1B 40
  kCommandCursorType = 13,      // 1F 23 cursorType
  kCommandReverseVideo = 14,    // 1F 72 reverseVideo
  kCommandOverwriteMode = 15,   // 1F 01
  kCommandVerticalScroll = 16,  // 1F 02
  kCommandHorizontalScroll = 17,  // 1F 03
  kCommandIdentify = 28,        // 02 05 45 4F 03
  kCommandFlush = 29,
};

// Appends the bytes of command `id` (0..28), taking parameter bytes from `state` now.
// False, and nothing appended, for any other id.
bool AppendCommandBytes(const DisplayState& state, CommandBuffer& buffer, int32_t id);

}  // namespace orvix
