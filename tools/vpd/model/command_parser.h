#pragma once
#include <cstddef>
#include <cstdint>

#include "model/virtual_screen.h"

namespace orvix::vpd {

// What the display made of the bytes it was given so far.
struct ParserCounts {
  uint64_t applied = 0;                 // commands that changed or could change the screen
  uint64_t ignored = 0;                 // known commands that this display takes and does nothing with
  uint64_t rejected = 0;                // unknown bytes and sequences, parameters out of range
  uint64_t identificationRequests = 0;  // complete 02 05 45 4F 03 requests
};

// Turns the byte stream from the serial line into actions on a VirtualScreen. The stream
// may be cut anywhere between two reads: a command that is not complete yet is kept until
// its remaining bytes arrive. No byte sequence can make it fail.
class CommandParser {
 public:
  explicit CommandParser(VirtualScreen& screen) : screen_(screen) {}

  // Applies `size` bytes. Returns how many identification requests they completed; the
  // caller owes the line one reply for each.
  size_t Feed(const uint8_t* bytes, size_t size);

  // Forgets a command that was cut off (after the line was flushed). Counts stay.
  void DropPartialCommand() { partialSize_ = 0; }
  bool HasPartialCommand() const { return partialSize_ != 0; }

  const ParserCounts& Counts() const { return counts_; }
  void ResetCounts() { counts_ = ParserCounts{}; }

 private:
  // Returns the identification requests completed by this byte (0 or 1).
  size_t FeedByte(uint8_t byte);
  size_t StartCommand(uint8_t byte);
  size_t ContinueCommand(uint8_t byte);
  void Execute();

  VirtualScreen& screen_;
  ParserCounts counts_;
  // The longest command, ESC W with its six parameter bytes, is eight bytes.
  uint8_t partial_[8] = {};
  size_t partialSize_ = 0;
  size_t partialLength_ = 0;  // the full length of the command in partial_, once known
};

}  // namespace orvix::vpd
