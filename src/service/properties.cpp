#include <algorithm>

#include "common/opos.h"
#include "link/command_buffer.h"
#include "service/line_display_service.h"
#include "text/bstr_to_multibyte.h"

namespace orvix {
namespace {

using Reader = int32_t (*)(const DisplayState&);

struct ReadableNumber {
  int32_t index;
  const char* label;
  Reader value;
};

template <int32_t kValue>
int32_t Constant(const DisplayState&) {
  return kValue;
}

// The cursor properties report what was set through them: the column as the text
// operations count it (from 0), the row less the one they add.
int32_t CursorColumnProperty(const DisplayState& s) {
  return s.cursorUpdate == 1 && s.cursorColumn > 0 ? s.cursorColumn : 0;
}
int32_t CursorRowProperty(const DisplayState& s) { return s.cursorUpdate == 1 && s.cursorRow > 0 ? s.cursorRow - 1 : 0; }

const ReadableNumber kReadableNumbers[] = {
    {opos::kPidxClaimed, "PIDX_Claimed", [](const DisplayState& s) -> int32_t { return s.claimed; }},
    {opos::kPidxDataEventEnabled, "PIDX_DataEventEnabled", Constant<0>},
    // Reported as 103, not 1. The Control Object reads any number but 0 as true, so both
    // mean enabled to it; a caller that compares with the 103 it has been given would take
    // 1 for disabled.
    {opos::kPidxDeviceEnabled, "PIDX_DeviceEnabled",
     [](const DisplayState& s) -> int32_t { return s.deviceEnabled != 0 ? opos::kDeviceEnabledReported : 0; }},
    {opos::kPidxFreezeEvents, "PIDX_FreezeEvents", Constant<0>},
    {opos::kPidxResultCode, "PIDX_ResultCode", Constant<0>},
    {opos::kPidxResultCodeExtended, "PIDX_ResultCodeExtended", Constant<0>},
    {opos::kPidxServiceObjectVersion, "PIDX_ServiceObjectVersion", Constant<opos::kServiceObjectVersion>},
    {opos::kPidxState, "PIDX_State", Constant<opos::kStateIdle>},
    {opos::kPidxBinaryConversion, "PIDX_BinaryConversion", Constant<0>},
    {opos::kPidxPowerNotify, "PIDX_PowerNotify", Constant<0>},
    {opos::kPidxPowerState, "PIDX_PowerState", Constant<opos::kPowerOnline>},
    {opos::kPidxCapPowerReporting, "PIDX_CapPowerReporting", Constant<0>},
    {opos::kPidxDispCharacterSet, "PIDXDisp_CharacterSet", Constant<opos::kCharacterSetAscii>},
    {opos::kPidxDispColumns, "PIDXDisp_Columns", Constant<kDisplayColumns>},
    {opos::kPidxDispCursorColumn, "PIDXDisp_CursorColumn", CursorColumnProperty},
    {opos::kPidxDispCursorRow, "PIDXDisp_CursorRow", CursorRowProperty},
    {opos::kPidxDispCursorUpdate, "PIDXDisp_CursorUpdate", [](const DisplayState& s) -> int32_t { return s.cursorUpdate; }},
    {opos::kPidxDispDeviceColumns, "PIDXDisp_DeviceColumns", Constant<kDisplayColumns>},
    {opos::kPidxDispDeviceDescriptors, "PIDXDisp_DeviceDescriptors", Constant<0>},
    {opos::kPidxDispDeviceRows, "PIDXDisp_DeviceRows", Constant<kDisplayRows>},
    {opos::kPidxDispMarqueeType, "PIDXDisp_MarqueeType", [](const DisplayState& s) -> int32_t { return s.marqueeType; }},
    {opos::kPidxDispRows, "PIDXDisp_Rows", Constant<kDisplayRows>},
    {opos::kPidxDispCursorType, "PIDXDisp_CursorType", [](const DisplayState& s) -> int32_t { return s.cursorType; }},
    {opos::kPidxDispGlyphHeight, "PIDXDisp_GlyphHeight", Constant<0>},
    {opos::kPidxDispGlyphWidth, "PIDXDisp_GlyphWidth", Constant<0>},
    {opos::kPidxDispCapBlink, "PIDXDisp_CapBlink", Constant<1>},
    {opos::kPidxDispCapBrightness, "PIDXDisp_CapBrightness", Constant<1>},
    {opos::kPidxDispCapCharacterSet, "PIDXDisp_CapCharacterSet", Constant<1>},
    {opos::kPidxDispCapDescriptors, "PIDXDisp_CapDescriptors", Constant<0>},
    {opos::kPidxDispCapHMarquee, "PIDXDisp_CapHMarquee", Constant<1>},
    {opos::kPidxDispCapICharWait, "PIDXDisp_CapICharWait", Constant<0>},
    {opos::kPidxDispCapVMarquee, "PIDXDisp_CapVMarquee", Constant<0>},
    {opos::kPidxDispCapBlinkRate, "PIDXDisp_CapBlinkRate", Constant<1>},
    {opos::kPidxDispCapCursorType, "PIDXDisp_CapCursorType", Constant<opos::kCursorCapUnderline>},
    // A boolean: 8 reads as true, as any number but 0 does.
    {opos::kPidxDispCapCustomGlyph, "PIDXDisp_CapCustomGlyph", Constant<8>},
    {opos::kPidxDispCapReadBack, "PIDXDisp_CapReadBack", Constant<0>},
    {opos::kPidxDispCapReverse, "PIDXDisp_CapReverse", Constant<0>},
};

struct ReadableText {
  int32_t index;
  const char* label;
  const char* text;  // null: the health-check text, after the interactive check has run
};

const ReadableText kReadableTexts[] = {
    {opos::kPidxCheckHealthText, "PIDX_CheckHealthText", nullptr},
    {opos::kPidxDeviceDescription, "PIDX_DeviceDescription", "Pole Display 20x2 Vacuum Fluorescent Type"},
    {opos::kPidxDeviceName, "PIDX_DeviceName", "Pole Display 20x2"},
    {opos::kPidxServiceObjectDescription, "PIDX_ServiceObjectDescription",
     "POS LineDisplay OPOS Service Object. ORVIX 1.0 for KVD5100/KVD5130"},
    {opos::kPidxDispCharacterSetList, "PIDXDisp_CharacterSetList", "998"},
};

struct WritableLabel {
  int32_t index;
  const char* label;
};

// CursorUpdate is written without a label, so its log line stays open.
const WritableLabel kWritableLabels[] = {
    {opos::kPidxDeviceEnabled, "PIDXDisp_DeviceEnabled"},
    {opos::kPidxBinaryConversion, "PIDX_BinaryConversion"},
    {opos::kPidxDispCursorColumn, "PIDXDisp_CursorColumn"},
    {opos::kPidxDispCursorRow, "PIDXDisp_CursorRow"},
    {opos::kPidxDispDeviceBrightness, "PIDXDisp_DeviceBrightness"},
    {opos::kPidxDispMarqueeType, "PIDXDisp_MarqueeType"},
    {opos::kPidxDispBlinkRate, "PIDXDisp_BlinkRate"},
    {opos::kPidxDispCursorType, "PIDXDisp_CursorType"},
};

template <typename Row, size_t kCount>
const Row* Find(const Row (&rows)[kCount], int32_t index) {
  const auto found = std::find_if(rows, rows + kCount, [index](const Row& row) { return row.index == index; });
  return found == rows + kCount ? nullptr : found;
}

// The 8-bit fields keep the low byte of whatever is stored; `number` + 1 wraps the same way
// instead of overflowing at the top of the 32-bit range.
uint8_t LowByte(int32_t number) { return static_cast<uint8_t>(static_cast<uint32_t>(number)); }
uint8_t LowByteOfNext(int32_t number) { return static_cast<uint8_t>(static_cast<uint32_t>(number) + 1u); }
int8_t SignedLowByte(uint8_t byte) { return static_cast<int8_t>(byte); }

}  // namespace

int32_t LineDisplayService::GetPropertyNumber(int32_t propIndex) {
  log_.Write("GetPropertyNumber:PropIndex:0x%x", propIndex);
  const ReadableNumber* row = Find(kReadableNumbers, propIndex);
  if (row != nullptr) log_.Write(":%s\n", row->label);
  const int32_t number = row != nullptr ? row->value(state_) : 0;
  log_.Write("return pNumber:0x%x\n", number);
  return number;
}

std::string LineDisplayService::GetPropertyString(int32_t propIndex) {
  log_.Write("GetPropertyString:0x%x", propIndex);
  const ReadableText* row = Find(kReadableTexts, propIndex);
  if (row != nullptr) log_.Write(":%s\n", row->label);
  std::string text = "EMPTY";
  if (row != nullptr && row->text != nullptr) {
    text = row->text;
  } else if (row != nullptr) {
    // Reading the text runs the interactive check each time, display output included.
    CheckHealth(opos::kHealthInteractive);
    text = state_.checkHealthText;
  }
  log_.Write("return pString:%s\n", text.c_str());
  return text;
}

void LineDisplayService::SetPropertyNumber(int32_t propIndex, int32_t number) {
  log_.Write("SetPropertyNumber:0x%x ", propIndex);
  if (const WritableLabel* row = Find(kWritableLabels, propIndex)) log_.Write(":%s:0x%x\n", row->label, number);

  // Enabling is bookkeeping for the Control Object only: nothing goes to the display.
  if (propIndex == opos::kPidxDeviceEnabled) {
    state_.deviceEnabled = number != 0 ? 1 : 0;
    return;
  }

  CommandBuffer buffer;
  switch (propIndex) {
    case opos::kPidxDispCursorColumn:
      // The column is kept as the text operations count it, from 0, so that the next
      // DisplayText lands where the cursor was put; the move command counts from 1. The
      // display goes to the row of the last move, so the mirror's cursor goes there too.
      if (state_.cursorUpdate == 1) {
        state_.cursorColumn = SignedLowByte(LowByte(number));
        state_.moveColumn = LowByteOfNext(number);
        state_.cursorRow = SignedLowByte(state_.moveRow);
        link_.SendCommand(&buffer, kCommandCursorMove);
      }
      break;
    case opos::kPidxDispCursorRow:
      // Likewise the display goes to the column of the last move, not to the mirror's.
      if (state_.cursorUpdate == 1) {
        state_.cursorRow = SignedLowByte(LowByteOfNext(number));
        state_.moveRow = LowByteOfNext(number);
        state_.cursorColumn = SignedLowByte(static_cast<uint8_t>(state_.moveColumn - 1u));
        link_.SendCommand(&buffer, kCommandCursorMove);
      }
      break;
    case opos::kPidxDispCursorUpdate:
      state_.cursorUpdate = SignedLowByte(LowByte(number));
      break;
    case opos::kPidxDispDeviceBrightness:
      state_.brightness = static_cast<uint8_t>(std::clamp(number, 1, 4));
      link_.SendCommand(&buffer, kCommandBrightness);
      break;
    case opos::kPidxDispMarqueeType:
      state_.marqueeType = SignedLowByte(LowByte(number));
      if (number == opos::kMarqueeNone) {
        link_.SendCommand(&buffer, kCommandOverwriteMode);
      } else if (number == opos::kMarqueeUp) {
        link_.SendCommand(&buffer, kCommandVerticalScroll);
      } else if (number == opos::kMarqueeLeft) {
        link_.SendCommand(&buffer, kCommandHorizontalScroll);
      } else {
        return;  // the display has no mode for it: stored for reading back, nothing sent
      }
      break;
    case opos::kPidxDispBlinkRate:
      state_.blinkInterval = static_cast<uint8_t>(std::clamp(number, 0, 255));
      link_.SendCommand(&buffer, kCommandBlink);
      break;
    case opos::kPidxDispCursorType:
      // Any other type leaves the cursor as it was, and the display is told so again.
      if (number == opos::kCursorUnderline) state_.cursorType = kDisplayCursorOn;
      if (number == opos::kCursorNone) state_.cursorType = kDisplayCursorOff;
      link_.SendCommand(&buffer, kCommandCursorType);
      break;
    default:
      break;
  }
  link_.SendCommand(&buffer, kCommandFlush);
}

void LineDisplayService::SetPropertyString(int32_t propIndex, const char16_t* text) {
  // No text property is writable; the call is only logged.
  if (log_.enabled()) log_.Write("SetPropertyString:0x%x,%s\n", propIndex, BstrToMultibyte(*platform_.ansi, text).c_str());
}

}  // namespace orvix
