#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace orvix::vpd {

constexpr size_t kModelNameLength = 7;
constexpr uint8_t kIdentificationLead = 0x07;

// How the display answers an identification request.
struct ReplyPlan {
  std::string text = "KVD5100";  // the plan as it was asked for, for people to read
  std::vector<uint8_t> bytes = {kIdentificationLead, 'K', 'V', 'D', '5', '1', '0', '0'};
  uint32_t delayMs = 0;  // from the end of the request to the reply

  bool Silent() const { return bytes.empty(); }
};

// Reads a plan from its text form:
//   silent                    no reply at all
//   [late <ms>] <model>       07 and the model, which is the rest of the text, 7 characters
//   [late <ms>] lead <hh> <model>   the byte hh in place of 07, then the model
//   [late <ms>] raw <hex>     exactly these bytes (any number of them)
// False, with `why` set and `plan` untouched, when the text is none of these.
bool ParseReplyPlan(std::string_view text, ReplyPlan* plan, std::string* why);

// Replies that are owed to the line, each due at its own time. Times are milliseconds on
// any clock that never goes back.
class ReplyQueue {
 public:
  // Requests beyond this many unanswered ones go unanswered, so that a flood of requests
  // cannot make the display hoard memory.
  static constexpr size_t kMaxPending = 256;

  // Owes the line the plan's reply from `nowMs` + its delay on. A silent plan owes nothing.
  void Schedule(int64_t nowMs, const ReplyPlan& plan);

  // Takes the bytes of every reply due at `nowMs`, earliest first.
  std::vector<uint8_t> TakeDue(int64_t nowMs);

  // Milliseconds until the next reply is due (0 when one is due now), -1 when none is owed.
  int64_t MillisecondsUntilNext(int64_t nowMs) const;

  void Clear() { pending_.clear(); }
  size_t Pending() const { return pending_.size(); }

 private:
  struct Owed {
    int64_t dueMs;
    std::vector<uint8_t> bytes;
  };
  std::deque<Owed> pending_;  // ordered by due time, equal times in request order
};

}  // namespace orvix::vpd
