#include "model/command_parser.h"

namespace orvix::vpd {
namespace {

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kUs = 0x1F;
constexpr uint8_t kIdentificationRequest[] = {0x02, 0x05, 0x45, 0x4F, 0x03};

// The number of parameter bytes after ESC x or US x, or -1 when the display does not know
// the sequence. Parameter bytes are taken whatever their values, control bytes included.
int ParameterCount(uint8_t lead, uint8_t code) {
  if (lead == kEsc) {
    switch (code) {
      case 0x40: case 0x3F: case 0x25: return 0;
      case 0x26: return 3;
      case 0x57: return 6;
      default: return -1;
    }
  }
  switch (code) {
    case 0x0A: case 0x0D: case 0x42: case 0x01: case 0x02: case 0x03:
    case 0x3A: case 0x40: case 0x55: return 0;
    case 0x58: case 0x45: case 0x23: case 0x72: case 0x56: return 1;
    case 0x24: case 0x5E: case 0x54: return 2;
    default: return -1;
  }
}

bool IsCommandStart(uint8_t byte) { return byte == kEsc || byte == kUs || byte == kStx; }

}  // namespace

size_t CommandParser::Feed(const uint8_t* bytes, size_t size) {
  size_t requests = 0;
  for (size_t i = 0; i < size; ++i) requests += FeedByte(bytes[i]);
  return requests;
}

size_t CommandParser::FeedByte(uint8_t byte) {
  return partialSize_ == 0 ? StartCommand(byte) : ContinueCommand(byte);
}

size_t CommandParser::StartCommand(uint8_t byte) {
  if (IsCommandStart(byte)) {
    partial_[0] = byte;
    partialSize_ = 1;
    partialLength_ = byte == kStx ? sizeof kIdentificationRequest : 0;
    return 0;
  }
  switch (byte) {
    case 0x0C:
      screen_.Clear();
      ++counts_.applied;
      return 0;
    case 0x08: case 0x09: case 0x0A: case 0x0B: case 0x0D:
      ++counts_.ignored;
      return 0;
    default:
      break;
  }
  if (byte < 0x20 || byte == 0x7F) {
    ++counts_.rejected;
    return 0;
  }
  screen_.Put(byte);
  return 0;
}

size_t CommandParser::ContinueCommand(uint8_t byte) {
  if (partial_[0] == kStx) {
    if (byte != kIdentificationRequest[partialSize_]) {
      // A broken request is dropped; the byte that broke it may begin something new.
      ++counts_.rejected;
      partialSize_ = 0;
      return StartCommand(byte);
    }
    if (++partialSize_ < sizeof kIdentificationRequest) return 0;
    partialSize_ = 0;
    ++counts_.identificationRequests;
    return 1;
  }

  if (partialSize_ == 1) {
    int parameters = ParameterCount(partial_[0], byte);
    if (parameters < 0) {
      ++counts_.rejected;
      partialSize_ = 0;
      // A lone ESC or US must not swallow the start of the command that follows it.
      return IsCommandStart(byte) ? StartCommand(byte) : 0;
    }
    partialLength_ = 2 + static_cast<size_t>(parameters);
  }
  partial_[partialSize_++] = byte;
  if (partialSize_ < partialLength_) return 0;
  Execute();
  partialSize_ = 0;
  return 0;
}

void CommandParser::Execute() {
  const uint8_t code = partial_[1];
  bool accepted = true;
  bool takesEffect = true;
  if (partial_[0] == kEsc) {
    if (code == 0x40) {
      screen_.Initialise();
    } else {
      takesEffect = false;
    }
  } else {
    switch (code) {
      case 0x24: accepted = screen_.MoveCursor(partial_[2], partial_[3]); break;
      case 0x58: accepted = screen_.SetBrightness(partial_[2]); break;
      case 0x45: screen_.SetBlinkInterval(partial_[2]); break;
      case 0x72: accepted = screen_.SetReverse(partial_[2]); break;
      case 0x23: accepted = screen_.SetCursorShown(partial_[2]); break;
      case 0x01: screen_.SetScrollMode(ScrollMode::kOverwrite); break;
      case 0x02: screen_.SetScrollMode(ScrollMode::kVertical); break;
      case 0x03: screen_.SetScrollMode(ScrollMode::kHorizontal); break;
      default: takesEffect = false; break;
    }
  }
  if (!takesEffect) {
    ++counts_.ignored;
  } else if (accepted) {
    ++counts_.applied;
  } else {
    ++counts_.rejected;
  }
}

}  // namespace orvix::vpd
