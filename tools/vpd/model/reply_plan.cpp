#include "model/reply_plan.h"

#include <algorithm>

#include "model/hex_text.h"

namespace orvix::vpd {
namespace {

// A late reply longer than this is a typing error, not a test of the client's patience.
constexpr uint32_t kMaxDelayMs = 600000;

// Splits off the first word of `text` (words are separated by spaces); `text` keeps the
// rest, without the spaces in front.
std::string_view TakeWord(std::string_view& text) {
  size_t end = text.find(' ');
  std::string_view word = text.substr(0, end);
  text = end == std::string_view::npos ? std::string_view() : text.substr(end);
  size_t rest = text.find_first_not_of(' ');
  text = rest == std::string_view::npos ? std::string_view() : text.substr(rest);
  return word;
}

bool ParseDelay(std::string_view word, uint32_t* delayMs) {
  if (word.empty() || word.size() > 6) return false;
  uint32_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value > kMaxDelayMs) return false;
  *delayMs = value;
  return true;
}

bool ModelReply(uint8_t lead, std::string_view model, std::vector<uint8_t>* bytes, std::string* why) {
  if (model.size() != kModelNameLength) {
    *why = "a model is exactly 7 characters (use raw for anything else)";
    return false;
  }
  bytes->assign(1, lead);
  bytes->insert(bytes->end(), model.begin(), model.end());
  return true;
}

}  // namespace

bool ParseReplyPlan(std::string_view text, ReplyPlan* plan, std::string* why) {
  std::string_view rest = text;
  size_t start = rest.find_first_not_of(' ');
  rest = start == std::string_view::npos ? std::string_view() : rest.substr(start);
  ReplyPlan parsed;
  parsed.text = std::string(rest);
  parsed.bytes.clear();
  if (rest.empty()) {
    *why = "no reply given";
    return false;
  }
  if (rest == "silent") {
    *plan = std::move(parsed);
    return true;
  }

  std::string_view probe = rest;
  std::string_view word = TakeWord(probe);
  if (word == "late") {
    if (!ParseDelay(TakeWord(probe), &parsed.delayMs)) {
      *why = "late needs a delay of 0 to 600000 ms";
      return false;
    }
    rest = probe;
    word = TakeWord(probe);
  }

  bool ok = false;
  if (word == "raw") {
    ok = ParseHex(probe, &parsed.bytes);
    if (!ok) *why = "raw needs hex bytes";
  } else if (word == "lead") {
    std::vector<uint8_t> lead;
    std::string_view leadText = TakeWord(probe);
    ok = ParseHex(leadText, &lead) && lead.size() == 1;
    if (!ok) {
      *why = "lead needs one hex byte and a model";
    } else {
      ok = ModelReply(lead[0], probe, &parsed.bytes, why);
    }
  } else {
    ok = ModelReply(kIdentificationLead, rest, &parsed.bytes, why);
  }
  if (ok) *plan = std::move(parsed);
  return ok;
}

void ReplyQueue::Schedule(int64_t nowMs, const ReplyPlan& plan) {
  if (plan.Silent() || pending_.size() >= kMaxPending) return;
  Owed owed{nowMs + plan.delayMs, plan.bytes};
  auto later = std::upper_bound(pending_.begin(), pending_.end(), owed.dueMs,
                                [](int64_t due, const Owed& o) { return due < o.dueMs; });
  pending_.insert(later, std::move(owed));
}

std::vector<uint8_t> ReplyQueue::TakeDue(int64_t nowMs) {
  std::vector<uint8_t> due;
  while (!pending_.empty() && pending_.front().dueMs <= nowMs) {
    due.insert(due.end(), pending_.front().bytes.begin(), pending_.front().bytes.end());
    pending_.pop_front();
  }
  return due;
}

int64_t ReplyQueue::MillisecondsUntilNext(int64_t nowMs) const {
  if (pending_.empty()) return -1;
  return std::max<int64_t>(0, pending_.front().dueMs - nowMs);
}

}  // namespace orvix::vpd
