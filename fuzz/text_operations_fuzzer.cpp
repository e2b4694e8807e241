// The text, scroll and property operations fed arbitrary arguments and state: a byte stream
// decoded into a sequence of calls on one opened service object, with texts of any UTF-16
// units, any rows, columns, attributes, directions, units, property indices and numbers,
// and the cursor fields poked to any 8-bit value in between. After every call the mirror
// must hold exactly what the call wrote into its forty cells, the fields beside it must be
// as the call leaves them, and the bytes sent must match the mirror.
//
// Input: an options byte (bit 0 strict parameters, bit 1 log, bit 2 zero-based coordinates),
// then operations, each an operation byte and its arguments.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_input.h"
#include "service_rig.h"

namespace {

using orvix::DisplayState;
using orvix::kDisplayCells;
using orvix::kDisplayColumns;
using orvix::fuzz::FuzzInput;
using orvix::testing::Bytes;
using orvix::testing::FakeAnsiCodec;
using orvix::testing::ServiceRig;
namespace opos = orvix::opos;

constexpr int kMaxOperations = 256;

constexpr int32_t kPropertyIndices[] = {
    1,    2,    3,    4,    6,    7,    8,    9,    11,   13,   14,   501,  5001, 5002, 5003,    5004,    5005,
    5006, 5007, 5008, 5009, 5010, 5014, 5016, 5018, 5019, 5020, 5021, 5501, 5502, 5503, 5504,    5505,    5506,
    5507, 5508, 5509, 5510, 5511, 5512, 0,    -1,   1000001, 1000002, 1000003, 1000004, 1005001, 1000005, 5,
};

// An Automation string argument: null, or NUL-terminated UTF-16 units (a unit 0 inside ends
// the text where the callee sees it, as it does in a BSTR).
struct TextArgument {
  bool null = false;
  std::u16string units;
  const char16_t* get() const { return null ? nullptr : units.c_str(); }
  // The 8-bit text the service object must make of it under code page 1252.
  std::string Converted() const {
    if (null) return {};
    std::string bytes = FakeAnsiCodec::Convert(units.c_str());
    bytes.pop_back();
    return bytes;
  }
};

char16_t ReadUnit(FuzzInput& input) {
  const uint8_t first = input.Byte();
  return first < 0xE0 ? first : input.U16();
}

TextArgument ReadText(FuzzInput& input) {
  TextArgument text;
  const uint8_t head = input.Byte();
  if (head == 0xFF) {
    text.null = true;
  } else if (head >= 0xC0) {
    // Longer than the display, so that the mirror wraps many times over.
    std::u16string pattern;
    for (int i = 1 + input.Byte() % 4; i > 0; --i) pattern.push_back(ReadUnit(input));
    for (int count = (head & 0x3F) * 8 + 1; count > 0; --count) text.units += pattern;
  } else {
    for (int count = head % 64; count > 0; --count) text.units.push_back(ReadUnit(input));
  }
  return text;
}

int32_t ReadPropertyIndex(FuzzInput& input) {
  const uint8_t choice = input.Byte();
  constexpr size_t kCount = sizeof kPropertyIndices / sizeof kPropertyIndices[0];
  return choice < 200 ? kPropertyIndices[choice % kCount] : input.Number();
}

std::string CellsOf(const DisplayState& s) { return std::string(reinterpret_cast<const char*>(s.textCells), kDisplayCells); }

// The fields that no text, scroll or property operation changes.
bool SameSettings(const DisplayState& a, const DisplayState& b) {
  return a.checkHealthText == b.checkHealthText && a.usbDeviceSelector == b.usbDeviceSelector &&
         a.connectionKind == b.connectionKind && a.zeroBasedCoordinates == b.zeroBasedCoordinates &&
         a.deviceEnabled == b.deviceEnabled && a.claimed == b.claimed && a.strictParameters == b.strictParameters &&
         a.logEnabled == b.logEnabled && std::memcmp(a.modelNames, b.modelNames, sizeof a.modelNames) == 0;
}

// Those, and the ones the text operations set.
bool SameDisplaySettings(const DisplayState& a, const DisplayState& b) {
  return SameSettings(a, b) && a.brightness == b.brightness && a.cursorUpdate == b.cursorUpdate &&
         a.cursorType == b.cursorType && a.marqueeType == b.marqueeType;
}

bool SameState(const DisplayState& a, const DisplayState& b) {
  return SameDisplaySettings(a, b) && CellsOf(a) == CellsOf(b) && a.blinkInterval == b.blinkInterval &&
         a.moveColumn == b.moveColumn && a.moveRow == b.moveRow && a.reverseVideo == b.reverseVideo &&
         a.cursorColumn == b.cursorColumn && a.cursorRow == b.cursorRow;
}

// The mirror `before` with `text` written from `start`, wrapping from cell 39 to cell 0.
std::string Written(const std::string& before, int start, const std::string& text) {
  std::string cells = before;
  for (size_t i = 0; i < text.size(); ++i) cells[(start + i) % kDisplayCells] = text[i];
  return cells;
}

Bytes BytesOf(std::initializer_list<uint8_t> head, const std::string& tail) {
  Bytes bytes(head);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

class TextOperationsRun {
 public:
  explicit TextOperationsRun(uint8_t options) {
    const uint32_t option = ((options & 0x1) != 0 ? 0x1 : 0) | ((options & 0x2) != 0 ? 0x10 : 0) |
                            ((options & 0x4) != 0 ? 0x100 : 0);
    rig_.OpenReady(option);
  }

  void Step(FuzzInput& input) {
    // Only what this step sends and logs is kept, so a long run stays small.
    rig_.port.writes.clear();
    rig_.port.calls.clear();
    rig_.logFile.contents.clear();
    before_ = state();

    switch (input.Byte() % 16) {
      case 0: DisplayText(ReadText(input), input.Number()); break;
      case 1: {
        const int32_t row = input.Number();
        const int32_t column = input.Number();
        const TextArgument text = ReadText(input);
        DisplayTextAt(row, column, text, input.Number());
        break;
      }
      case 2: ClearText(); break;
      case 3: {
        const int32_t direction = input.Number();
        ScrollText(direction, input.Number());
        break;
      }
      case 4: {
        const int32_t index = ReadPropertyIndex(input);
        SetPropertyNumber(index, input.Number());
        break;
      }
      case 5:
        service().GetPropertyNumber(ReadPropertyIndex(input));
        FUZZ_CHECK(SameState(before_, state()));
        break;
      case 6: GetPropertyString(ReadPropertyIndex(input)); break;
      case 7: {
        const int32_t index = ReadPropertyIndex(input);
        service().SetPropertyString(index, ReadText(input).get());
        FUZZ_CHECK(SameState(before_, state()));
        FUZZ_CHECK(rig_.port.writes.empty());
        break;
      }
      // The cursor fields, as properties or an earlier bug might have left them.
      case 8: state().cursorRow = static_cast<int8_t>(input.Byte()); break;
      case 9: state().cursorColumn = static_cast<int8_t>(input.Byte()); break;
      case 10: state().cursorUpdate = static_cast<int8_t>(input.Byte()); break;
      case 11: {
        const uint8_t options = input.Byte();
        state().strictParameters = options & 0x1;
        state().logEnabled = (options >> 1) & 0x1;
        state().zeroBasedCoordinates = (options >> 2) & 0x1;
        break;
      }
      case 12: {
        const int32_t level = input.Number();
        const int32_t result = service().CheckHealth(level);
        FUZZ_CHECK(result == (level >= 1 && level <= 3 ? opos::kSuccess : opos::kIllegal));
        FUZZ_CHECK(CellsOf(before_) == CellsOf(state()));
        break;
      }
      case 13: LifeCycle(input); break;
      case 14: ReOpen(input.Byte()); break;
      default: DisplayText(ReadText(input), input.Byte() % 5); break;
    }
  }

 private:
  orvix::LineDisplayService& service() { return rig_.service; }
  DisplayState& state() { return rig_.state(); }

  // The port records transfers only while open; ReleaseDevice and CloseService close it.
  bool Sending() { return rig_.port.IsOpen() && state().connectionKind == orvix::kConnectionSerial; }

  void ExpectSent(const Bytes& bytes) {
    if (!Sending()) return;
    FUZZ_CHECK(rig_.port.writes.size() == 1);
    FUZZ_CHECK(rig_.port.writes[0] == bytes);
  }

  void ExpectRefused(int32_t result) {
    FUZZ_CHECK(result == opos::kIllegal);
    FUZZ_CHECK(SameState(before_, state()));
    FUZZ_CHECK(rig_.port.writes.empty());
  }

  void ExpectPassedOver(int32_t result, bool strict) {
    if (strict) return ExpectRefused(result);
    FUZZ_CHECK(result == opos::kSuccess);
    FUZZ_CHECK(SameState(before_, state()));
    FUZZ_CHECK(rig_.port.writes.empty());
  }

  // The text landed in the forty cells from `start` and nowhere else, and the cursor stands
  // right after it.
  void ExpectWrittenFrom(int start, const std::string& text) {
    FUZZ_CHECK(CellsOf(state()) == Written(CellsOf(before_), start, text));
    const int next = static_cast<int>((start + text.size()) % kDisplayCells);
    FUZZ_CHECK(state().cursorRow == next / kDisplayColumns + 1);
    FUZZ_CHECK(state().cursorColumn == next % kDisplayColumns);
  }

  void ExpectAttribute(int32_t attribute, uint8_t blinkParameter) {
    if (attribute < 0 || attribute > 3) {
      FUZZ_CHECK(state().blinkInterval == before_.blinkInterval);
      FUZZ_CHECK(state().reverseVideo == before_.reverseVideo);
      return;
    }
    FUZZ_CHECK(state().blinkInterval == ((attribute & 1) != 0 ? blinkParameter : 0));
    FUZZ_CHECK(state().reverseVideo == ((attribute & 2) != 0 ? 1 : 0));
  }

  void DisplayText(const TextArgument& argument, int32_t attribute) {
    const std::string text = argument.Converted();
    const bool strict = before_.strictParameters != 0;
    const int32_t result = service().DisplayText(argument.get(), attribute);
    if (text.empty() || ((attribute < 0 || attribute > 3) && strict)) return ExpectPassedOver(result, strict);
    FUZZ_CHECK(result == opos::kSuccess);
    FUZZ_CHECK(SameDisplaySettings(before_, state()));
    FUZZ_CHECK(state().moveColumn == before_.moveColumn && state().moveRow == before_.moveRow);
    ExpectAttribute(attribute, 1);

    const int row = before_.cursorRow == 0 ? 1 : before_.cursorRow;
    const int column = before_.cursorColumn;
    if ((row == 1 || row == 2) && column >= 0 && column < kDisplayColumns) {
      ExpectWrittenFrom((row - 1) * kDisplayColumns + column, text);
    } else {
      // A cursor that only the properties can put off the display: the start cell is brought
      // into the forty somehow, but the text must still land whole inside them, with the
      // cursor after it. Several start cells can give the same mirror; one must fit both.
      bool found = false;
      for (int start = 0; start < kDisplayCells && !found; ++start) {
        const int next = static_cast<int>((start + text.size()) % kDisplayCells);
        found = CellsOf(state()) == Written(CellsOf(before_), start, text) &&
                state().cursorRow == next / kDisplayColumns + 1 && state().cursorColumn == next % kDisplayColumns;
      }
      FUZZ_CHECK(found);
    }
    ExpectSent(BytesOf({0x1F, 0x72, state().reverseVideo, 0x1F, 0x45, state().blinkInterval}, text));
  }

  void DisplayTextAt(int32_t row, int32_t column, const TextArgument& argument, int32_t attribute) {
    const std::string text = argument.Converted();
    const bool strict = before_.strictParameters != 0;
    const int64_t shift = before_.zeroBasedCoordinates != 0 ? 1 : 0;
    const int64_t wantedRow = row + shift;
    const int64_t wantedColumn = column + shift;
    const bool inRange = wantedRow >= 1 && wantedRow <= 2 && wantedColumn >= 1 && wantedColumn <= kDisplayColumns;
    const bool knownAttribute = attribute >= 0 && attribute <= 3;
    const int32_t result = service().DisplayTextAt(row, column, argument.get(), attribute);
    if (text.empty()) return ExpectPassedOver(result, strict);
    if (strict && (!inRange || !knownAttribute)) return ExpectRefused(result);
    FUZZ_CHECK(result == opos::kSuccess);
    FUZZ_CHECK(SameDisplaySettings(before_, state()));
    ExpectAttribute(attribute, 0x32);

    const int targetRow = static_cast<int>(std::clamp<int64_t>(wantedRow, 1, 2));
    const int targetColumn = static_cast<int>(std::clamp<int64_t>(wantedColumn, 1, kDisplayColumns));
    FUZZ_CHECK(state().moveRow == targetRow && state().moveColumn == targetColumn);
    ExpectWrittenFrom((targetRow - 1) * kDisplayColumns + targetColumn - 1, text);
    ExpectSent(BytesOf({0x1F, 0x72, state().reverseVideo, 0x1F, 0x45, state().blinkInterval, 0x1F, 0x24,
                        static_cast<uint8_t>(targetColumn), static_cast<uint8_t>(targetRow)},
                       text));
  }

  void ClearText() {
    FUZZ_CHECK(service().ClearText() == opos::kSuccess);
    FUZZ_CHECK(CellsOf(state()) == std::string(kDisplayCells, ' '));
    FUZZ_CHECK(state().cursorRow == 0 && state().cursorColumn == 0);
    FUZZ_CHECK(SameDisplaySettings(before_, state()));
    ExpectSent({0x0C});
  }

  void ScrollText(int32_t direction, int32_t units) {
    const bool strict = before_.strictParameters != 0;
    const bool knownDirection = direction >= 1 && direction <= 4;
    const int32_t maxUnits = direction <= 2 ? 2 : kDisplayColumns;
    const int32_t result = service().ScrollText(direction, units);
    if (strict && (!knownDirection || units < 0 || units > maxUnits)) return ExpectRefused(result);
    FUZZ_CHECK(result == opos::kSuccess);
    FUZZ_CHECK(state().cursorRow == 0 && state().cursorColumn == 0);
    FUZZ_CHECK(SameDisplaySettings(before_, state()));
    FUZZ_CHECK(state().blinkInterval == before_.blinkInterval && state().reverseVideo == before_.reverseVideo);

    const std::string old = CellsOf(before_);
    std::string expected = old;
    const int32_t shift = std::clamp(units, 0, maxUnits);
    if (!knownDirection) {
      // Redrawn unchanged.
    } else if (direction <= 2) {
      const bool up = direction == 1;
      for (int32_t i = 0; i < shift; ++i) {
        const std::string source = expected.substr(up ? kDisplayColumns : 0, kDisplayColumns);
        expected.replace(up ? 0 : kDisplayColumns, kDisplayColumns, source);
        expected.replace(up ? kDisplayColumns : 0, kDisplayColumns, std::string(kDisplayColumns, ' '));
      }
    } else {
      for (int row = 0; row < 2; ++row) {
        const std::string cells = old.substr(row * kDisplayColumns, kDisplayColumns);
        const std::string blank(shift, ' ');
        const std::string kept = direction == 3 ? cells.substr(shift) : cells.substr(0, kDisplayColumns - shift);
        expected.replace(row * kDisplayColumns, kDisplayColumns, direction == 3 ? kept + blank : blank + kept);
      }
    }
    FUZZ_CHECK(CellsOf(state()) == expected);
    ExpectSent(BytesOf({0x1F, 0x01, 0x0C}, expected));
  }

  void SetPropertyNumber(int32_t index, int32_t number) {
    service().SetPropertyNumber(index, number);
    // No property reaches the mirror.
    FUZZ_CHECK(CellsOf(state()) == CellsOf(before_));
    FUZZ_CHECK(SameSettings(before_, state()) || index == opos::kPidxDeviceEnabled);
    switch (index) {
      case opos::kPidxDeviceEnabled:
        FUZZ_CHECK(state().deviceEnabled == (number != 0 ? 1 : 0));
        FUZZ_CHECK(rig_.port.writes.empty());
        break;
      case opos::kPidxDispDeviceBrightness:
        FUZZ_CHECK(state().brightness == std::clamp(number, 1, 4));
        ExpectSent({0x1F, 0x58, state().brightness});
        break;
      case opos::kPidxDispBlinkRate:
        FUZZ_CHECK(state().blinkInterval == std::clamp(number, 0, 255));
        ExpectSent({0x1F, 0x45, state().blinkInterval});
        break;
      case opos::kPidxDispCursorType:
        FUZZ_CHECK(state().cursorType == (number == 4 ? 1 : number == 0 ? 0 : before_.cursorType));
        ExpectSent({0x1F, 0x23, static_cast<uint8_t>(state().cursorType)});
        break;
      case opos::kPidxDispCursorColumn:
      case opos::kPidxDispCursorRow:
        if (before_.cursorUpdate == 1) {
          ExpectSent({0x1F, 0x24, state().moveColumn, state().moveRow});
        } else {
          FUZZ_CHECK(SameState(before_, state()));
          FUZZ_CHECK(rig_.port.writes.empty());
        }
        break;
      case opos::kPidxDispMarqueeType:
      case opos::kPidxDispCursorUpdate:
        break;
      default:
        FUZZ_CHECK(SameState(before_, state()));
        FUZZ_CHECK(rig_.port.writes.empty());
        break;
    }
  }

  void GetPropertyString(int32_t index) {
    const std::string text = service().GetPropertyString(index);
    FUZZ_CHECK(!text.empty());
    if (index == opos::kPidxCheckHealthText) {
      FUZZ_CHECK(CellsOf(state()) == CellsOf(before_));
      FUZZ_CHECK(text == state().checkHealthText);
    } else {
      FUZZ_CHECK(SameState(before_, state()));
      FUZZ_CHECK(rig_.port.writes.empty());
    }
  }

  void LifeCycle(FuzzInput& input) {
    const uint8_t which = input.Byte();
    int32_t result = opos::kSuccess;
    switch (which % 7) {
      case 0: result = service().ClaimDevice(input.Number()); break;
      case 1: result = service().ReleaseDevice(); break;
      case 2: result = service().CloseService(); break;
      case 3: result = service().COFreezeEvents((input.Byte() & 1) != 0); break;
      case 4: result = service().DirectIO(input.Number()); break;
      case 5: result = service().Unsupported((input.Byte() & 1) != 0 ? "CreateWindow" : "DefineGlyph"); break;
      default: service().SetPropertyNumber(opos::kPidxDeviceEnabled, input.Byte() & 1); break;
    }
    FUZZ_CHECK(result == opos::kSuccess || result == opos::kIllegal || result == opos::kTimeout);
    FUZZ_CHECK(CellsOf(state()) == CellsOf(before_));
  }

  void ReOpen(uint8_t how) {
    if ((how & 1) != 0) rig_.AnswerModel();
    const int32_t result = rig_.Open();
    FUZZ_CHECK(result == ((how & 1) != 0 ? opos::kSuccess : opos::kIllegal));
    FUZZ_CHECK(CellsOf(state()) == std::string(kDisplayCells, ' '));
    FUZZ_CHECK(state().cursorRow == 0 && state().cursorColumn == 0);
  }

  ServiceRig rig_;
  DisplayState before_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  // On the heap, so that a write past the service object meets a redzone.
  auto run = std::make_unique<TextOperationsRun>(input.Byte());
  for (int i = 0; i < kMaxOperations && !input.empty(); ++i) run->Step(input);
  return 0;
}
