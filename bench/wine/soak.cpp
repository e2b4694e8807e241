// The soak: a long run of mixed calls through late binding, as a POS application makes them
// through the Control Object over a day, with every byte checked at the display and the
// process's handles and private memory compared between the start and the end.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <random>

#include "expected_display.h"
#include "late_bound_display.h"
#include "process_probe.h"
#include "stress_modes.h"
#include "test_text.h"

namespace orvix::wine_client {
namespace {

constexpr LONG kSuccess = 0;
constexpr LONG kIllegal = 106;
constexpr long kBaselineCalls = 1000;
constexpr long kChunkCalls = 5000;
// The bytes of one chunk, reserved at the start so that the soak's own bookkeeping does not
// grow the heap while it measures the DLL's.
constexpr size_t kChunkBytesReserved = kChunkCalls * 96;

// Counts calls that did not give what was expected and describes the first few.
class Mismatches {
 public:
  __attribute__((format(printf, 4, 5))) void Expect(bool passed, long call, const char* what, ...) {
    if (passed) return;
    if (++count_ > kShown) return;
    va_list arguments;
    va_start(arguments, what);
    std::printf("  call %ld: ", call);
    std::vprintf(what, arguments);
    std::printf("\n");
    va_end(arguments);
  }
  long count() const { return count_; }

 private:
  static constexpr long kShown = 10;
  long count_ = 0;
};

struct Soak {
  LateBoundDisplay display;
  ExpectedDisplay expected;
  Mismatches mismatches;
  std::mt19937 random;
  TestText text;
  long call = 0;
  bool enabled = false;

  int Pick(int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); }
  template <size_t kCount>
  int32_t PickOf(const int32_t (&values)[kCount]) {
    return values[random() % kCount];
  }
  // Mostly a valid attribute, sometimes one the service must pass over.
  int32_t Attribute() { return Pick(10) == 0 ? PickOf({4, -1, 99}) : Pick(4); }

  void ExpectResult(LONG actual, LONG wanted, const char* method) {
    mismatches.Expect(actual == wanted, call, "%s gave %ld, expected %ld", method, actual, wanted);
  }

  void OneCall();
  void PropertyRead();
  void RefusedCall();
};

void Soak::PropertyRead() {
  struct Known {
    int32_t index;
    LONG value;
  };
  const Known known[] = {
      {1, 1}, {2, 0}, {3, enabled ? 103 : 0}, {4, 0}, {6, 0}, {7, 0}, {8, 1000000}, {9, 2}, {14, 2001},
      {5002, 20}, {5016, 2}, {5019, expected.cursorType()}, {5014, expected.marqueeType()}, {4242, 0},
  };
  const Known& chosen = known[Pick(sizeof known / sizeof known[0])];
  const LONG value = display.GetPropertyNumber(chosen.index);
  mismatches.Expect(value == chosen.value, call, "GetPropertyNumber(%d) gave %ld, expected %ld",
                    static_cast<int>(chosen.index), value, chosen.value);
}

void Soak::RefusedCall() {
  LONG number = 5;
  BSTR none = nullptr;
  switch (Pick(6)) {
    case 0:
      ExpectResult(display.CallForResult(Method::kCreateWindow, {LongArgument(0), LongArgument(0), LongArgument(2),
                                                                 LongArgument(20), LongArgument(2), LongArgument(20)}),
                   kIllegal, "CreateWindow");
      break;
    case 1:
      ExpectResult(display.CallForResult(Method::kDefineGlyph, {LongArgument(65), TextArgument(text.wide())}), kIllegal,
                   "DefineGlyph");
      break;
    case 2:
      ExpectResult(display.CallForResult(Method::kDirectIO, {LongArgument(7), LongReference(&number), TextReference(&none)}),
                   kIllegal, "DirectIO");
      mismatches.Expect(number == 5 && none == nullptr, call, "DirectIO changed its arguments");
      break;
    case 3:
      ExpectResult(display.CallForResult(Method::kCOFreezeEvents, {BoolArgument(Pick(2) == 0)}), kSuccess,
                   "COFreezeEvents");
      break;
    case 4: {
      VARIANT result;
      mismatches.Expect(
          SUCCEEDED(display.Invoke(Method::kSetPropertyString, {LongArgument(1), TextArgument(text.wide())}, &result)),
          call, "SetPropertyString failed");
      VariantClear(&result);
      break;
    }
    default:
      ExpectResult(display.CallForResult(Method::kRetrieveStatistics, {TextArgument(text.wide())}), kIllegal,
                   "RetrieveStatistics");
      break;
  }
}

void Soak::OneCall() {
  const int kind = Pick(100);
  if (kind < 25) {
    TestText::Random(random, Pick(30) == 0 ? 0 : 1 + Pick(24), &text);
    const int32_t attribute = Attribute();
    expected.DisplayText(text.ansi(), attribute);
    ExpectResult(display.DisplayText(text.wide(), attribute), kSuccess, "DisplayText");
  } else if (kind < 55) {
    TestText::Random(random, 1 + Pick(20), &text);
    const int32_t row = Pick(10) == 0 ? PickOf({0, 3, -5}) : 1 + Pick(2);
    const int32_t column = Pick(10) == 0 ? PickOf({0, 21, 100}) : 1 + Pick(20);
    const int32_t attribute = Attribute();
    expected.DisplayTextAt(row, column, text.ansi(), attribute);
    ExpectResult(display.DisplayTextAt(row, column, text.wide(), attribute), kSuccess, "DisplayTextAt");
  } else if (kind < 60) {
    expected.ClearText();
    ExpectResult(display.ClearText(), kSuccess, "ClearText");
  } else if (kind < 65) {
    const int32_t direction = Pick(10) == 0 ? PickOf({0, 5}) : 1 + Pick(4);
    const int32_t limit = direction <= 2 ? 2 : 20;
    const int32_t units = Pick(10) == 0 ? PickOf({-1, 21, 1000}) : Pick(limit + 1);
    expected.ScrollText(direction, units);
    ExpectResult(display.ScrollText(direction, units), kSuccess, "ScrollText");
  } else if (kind < 75) {
    int32_t index = 0;
    int32_t number = 0;
    switch (Pick(6)) {
      case 0: index = 5007; number = Pick(8) - 1; break;
      case 1: index = 5018; number = Pick(301); break;
      case 2: index = 5019; number = PickOf({0, 4, 2}); break;
      case 3: index = 5014; number = PickOf({0, 1, 3, 2}); break;
      case 4: index = 3; number = Pick(2); enabled = number != 0; break;
      default: index = 4242; number = Pick(1000); break;
    }
    expected.SetPropertyNumber(index, number);
    mismatches.Expect(display.SetPropertyNumber(index, number), call, "SetPropertyNumber(%d) failed",
                      static_cast<int>(index));
  } else if (kind < 85) {
    PropertyRead();
  } else if (kind < 89) {
    std::wstring value;
    const int which = Pick(4);
    const LONG index = which == 0 ? 1000001 : which == 1 ? 1000002 : which == 2 ? 1000003 : 4242;
    const wchar_t* wanted = which == 0 ? L"Interactive is health"
                            : which == 1 ? L"Pole Display 20x2 Vacuum Fluorescent Type"
                            : which == 2 ? L"Pole Display 20x2"
                                         : L"EMPTY";
    if (which == 0) expected.CheckHealth(3);
    mismatches.Expect(display.GetPropertyString(index, &value) && value == wanted, call,
                      "GetPropertyString(%ld) gave %ls", index, value.c_str());
  } else if (kind < 93) {
    const int32_t level = Pick(8) == 0 ? PickOf({0, 4}) : 1 + Pick(3);
    expected.CheckHealth(level);
    ExpectResult(display.CheckHealth(level), level >= 1 && level <= 3 ? kSuccess : kIllegal, "CheckHealth");
  } else {
    RefusedCall();
  }
}

void Measure(const char* when, long calls, uintptr_t* handle, size_t* memory) {
  *handle = FreshHandleValue();
  *memory = CommittedPrivateBytes();
  std::printf("measure %s calls=%ld handle=0x%llx private=%llu\n", when, calls,
              static_cast<unsigned long long>(*handle), static_cast<unsigned long long>(*memory));
  std::fflush(stdout);
}

}  // namespace

void RunSoak(Checks& checks, HarnessLink& harness, long calls, unsigned seed) {
  Soak soak;
  soak.random.seed(seed);
  HRESULT hr = S_OK;
  if (!checks.That(soak.display.Create(&hr), "the object is made and its names bound (0x%08lx)",
                   static_cast<unsigned long>(hr))) {
    return;
  }
  std::vector<uint8_t>& bytes = soak.expected.bytes();
  bytes.reserve(kChunkBytesReserved);

  const auto& identify = ExpectedDisplay::IdentifyRequest();
  const auto& initialise = ExpectedDisplay::InitialiseAndClear();
  bytes.insert(bytes.end(), identify.begin(), identify.end());
  bytes.insert(bytes.end(), initialise.begin(), initialise.end());
  soak.expected.Opened();
  checks.Equal(soak.display.OpenService(L"ORVIX"), kSuccess, "OpenService");
  checks.Equal(soak.display.ClaimDevice(0), kSuccess, "ClaimDevice(0)");
  soak.display.SetPropertyNumber(3, 1);
  soak.enabled = true;

  uintptr_t handleAtStart = 0;
  uintptr_t handleAtEnd = 0;
  size_t memoryAtStart = 0;
  size_t memoryAtEnd = 0;
  int chunk = 0;
  bool inStep = true;
  for (soak.call = 1; soak.call <= calls && inStep; ++soak.call) {
    soak.OneCall();
    const bool boundary = soak.call == calls || soak.call == kBaselineCalls || soak.call % kChunkCalls == 0;
    if (!boundary) continue;
    char name[32];
    std::snprintf(name, sizeof name, "chunk-%d", ++chunk);
    char file[40];
    std::snprintf(file, sizeof file, "%s.bin", name);
    inStep = harness.WriteData(file, bytes.data(), bytes.size()) && harness.Step(name);
    bytes.clear();
    // Taken right after a step, so that the step's own file work is in both figures.
    if (soak.call == std::min(calls, kBaselineCalls)) Measure("start", soak.call, &handleAtStart, &memoryAtStart);
  }
  --soak.call;
  checks.That(inStep, "the harness took every chunk (%d)", chunk);
  Measure("end", soak.call, &handleAtEnd, &memoryAtEnd);

  checks.Equal(soak.mismatches.count(), 0, "every one of %ld calls gave what was expected", soak.call);
  checks.Equal(soak.display.invokeFailures(), 0, "no Invoke failed");
  checks.That(handleAtEnd == handleAtStart, "a fresh handle has the same value after %ld calls as after %ld (0x%llx, 0x%llx)",
              soak.call, std::min(calls, kBaselineCalls), static_cast<unsigned long long>(handleAtEnd),
              static_cast<unsigned long long>(handleAtStart));
  checks.That(memoryAtEnd == memoryAtStart,
              "committed private memory is the same after %ld calls as after %ld (%llu, %llu bytes)", soak.call,
              std::min(calls, kBaselineCalls), static_cast<unsigned long long>(memoryAtEnd),
              static_cast<unsigned long long>(memoryAtStart));

  checks.Equal(soak.display.ReleaseDevice(), kSuccess, "ReleaseDevice");
  checks.Equal(soak.display.CloseService(), kSuccess, "CloseService");
}

}  // namespace orvix::wine_client
