#include "text/scroll_text.h"

#include <algorithm>
#include <cstring>

#include "common/opos.h"
#include "link/command_buffer.h"
#include "link/display_command.h"

namespace orvix {
namespace {

struct ScrollLimit {
  int32_t maxUnits;
  const char* outOfRangeMessage;
};

// Null for a direction the display cannot scroll in.
const ScrollLimit* LimitOf(int32_t direction) {
  static const ScrollLimit kUp{kDisplayRows, "ScrollText:DISP_ST_UP Units Out of range!:OPOS_E_ILLEGAL\n"};
  static const ScrollLimit kDown{kDisplayRows, "ScrollText:DISP_ST_DOWN Units Out of range!:OPOS_E_ILLEGAL\n"};
  static const ScrollLimit kLeft{kDisplayColumns, "ScrollText:DISP_ST_LEFT Units Out of range!:OPOS_E_ILLEGAL\n"};
  static const ScrollLimit kRight{kDisplayColumns, "ScrollText:DISP_ST_RIGHT Units Out of range!:OPOS_E_ILLEGAL\n"};
  switch (direction) {
    case opos::kScrollUp: return &kUp;
    case opos::kScrollDown: return &kDown;
    case opos::kScrollLeft: return &kLeft;
    case opos::kScrollRight: return &kRight;
    default: return nullptr;
  }
}

uint8_t* RowCells(DisplayState& state, int row) { return state.textCells + kDisplayColumns * row; }

// `units` is already within the direction's range. Left and right shifts stay inside each
// row: text never passes from one row to the other.
void ShiftMirror(DisplayState& state, int32_t direction, int32_t units) {
  uint8_t* upper = RowCells(state, 0);
  uint8_t* lower = RowCells(state, 1);
  switch (direction) {
    case opos::kScrollUp:
      for (int32_t i = 0; i < units; ++i) {
        std::memcpy(upper, lower, kDisplayColumns);
        std::memset(lower, ' ', kDisplayColumns);
      }
      break;
    case opos::kScrollDown:
      for (int32_t i = 0; i < units; ++i) {
        std::memcpy(lower, upper, kDisplayColumns);
        std::memset(upper, ' ', kDisplayColumns);
      }
      break;
    case opos::kScrollLeft:
      for (uint8_t* row : {upper, lower}) {
        std::memmove(row, row + units, kDisplayColumns - units);
        std::memset(row + kDisplayColumns - units, ' ', units);
      }
      break;
    case opos::kScrollRight:
      for (uint8_t* row : {upper, lower}) {
        std::memmove(row + units, row, kDisplayColumns - units);
        std::memset(row, ' ', units);
      }
      break;
  }
}

}  // namespace

int32_t ScrollText(DisplayState& state, DeviceLink& link, DebugLog& log, int32_t direction, int32_t units) {
  log.Write("ScrollText:0x%x,0x%x\n", static_cast<unsigned>(direction), static_cast<unsigned>(units));

  const ScrollLimit* limit = LimitOf(direction);
  if (limit != nullptr) {
    if (units < 0 || units > limit->maxUnits) {
      log.Write("%s", limit->outOfRangeMessage);
      if (state.strictParameters != 0) return opos::kIllegal;
      units = std::clamp(units, 0, limit->maxUnits);
    }
    ShiftMirror(state, direction, units);
  } else {
    log.Write("ScrollText:Direction error:OPOS_E_ILLEGAL\n");
    if (state.strictParameters != 0) return opos::kIllegal;
  }

  // The display is never asked to scroll: it is put in overwrite mode, cleared and sent all
  // forty cells of the mirror again, which works whatever scroll mode it was left in.
  CommandBuffer buffer;
  link.SendCommand(&buffer, kCommandOverwriteMode);
  if (limit == nullptr) log.Write("ScrollText:No command be executed:OPOS_E_ILLEGAL\n");

  state.cursorRow = 0;
  state.cursorColumn = 0;
  link.SendCommand(&buffer, kCommandClear);
  buffer.Append(state.textCells, sizeof state.textCells);
  link.SendCommand(&buffer, kCommandFlush);
  return opos::kSuccess;
}

}  // namespace orvix
