// Text, scroll, cursor and setting calls with any arguments on an opened service object, and
// the mirror written from any cell. Input: the Option byte (bits 0-2: strict, log, counted
// from 0), then calls: an operation byte, three numbers (a byte, or four after one from
// 0xF0) and a text (a length byte and its units, each a byte or two after one from 0xF0).
// No call fails but with OPOS_E_ILLEGAL, and nothing is written outside the forty cells.
#include "check.h"
#include "host/fakes.h"

// Every field of the state but the mirror; `all` false leaves out those a text sets.
static std::string Fields(const orvix::DisplayState& s, bool all) {
  std::string fields = s.checkHealthText + std::string(&s.modelNames[0][0], sizeof s.modelNames);
  for (int64_t field : {int64_t{s.brightness}, int64_t{s.cursorUpdate}, int64_t{s.cursorType}, int64_t{s.marqueeType}, int64_t{s.usbDeviceSelector},
                        int64_t{s.connectionKind}, int64_t{s.zeroBasedCoordinates + 2 * s.deviceEnabled + 4 * s.claimed + 8 * s.strictParameters + 16 * s.logEnabled},
                        all ? int64_t{s.blinkInterval + 256 * s.reverseVideo} : 0, all ? int64_t{s.moveColumn + 256 * s.moveRow} : 0,
                        all ? int64_t{s.cursorRow * 256 + s.cursorColumn} : 0}) {
    fields += "," + std::to_string(field);
  }
  return fields;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t at = 0;
  auto byte = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
  auto number = [&](int width) -> int64_t {  // a byte below 0xF0 (less 0x40 for a number), else `width` bytes
    const uint8_t first = byte();
    int64_t n = 0;
    for (int i = 0; first >= 0xF0 && i < width; ++i) n |= int64_t{byte()} << (8 * i);
    return first < 0xF0 ? first - (width == 4 ? 0x40 : 0) : width == 4 ? static_cast<int32_t>(n) : n;
  };
  orvix::testing::Rig rig;
  const uint8_t option = byte();
  rig.ProfileValue("Option", 4, orvix::testing::DwordBytes((option & 1) | (option & 2) << 3 | (option & 4) << 6));
  orvix::LineDisplayService& s = rig.service;
  orvix::DisplayState& state = s.state();
  s.OpenService(u"LineDisplay", u"ORVIX");
  while (at < size) {
    const std::string settled = Fields(state, false), all = Fields(state, true);
    const uint8_t operation = byte() % 7;
    const auto a = static_cast<int32_t>(number(4)), b = static_cast<int32_t>(number(4)), c = static_cast<int32_t>(number(4));
    std::u16string text;
    for (int count = byte(); count > 0; --count) text.push_back(static_cast<char16_t>(number(2)));
    const std::string bytes(text.begin(), text.end());
    if (operation == 3) orvix::WriteMirror(state, int64_t{a} * b, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (operation == 4) s.SetPropertyNumber(std::vector<int32_t>{3, 5004, 5005, 5006, 5007, 5014, 5018, 5019}[a & 7], b);
    FUZZ_CHECK(operation != 3 || Fields(state, true) == all);
    if (operation == 3 || operation == 4) continue;
    const int32_t result = operation == 0   ? s.DisplayText(text.c_str(), a)
                           : operation == 1 ? s.DisplayTextAt(a, b, text.c_str(), c)
                           : operation == 2 ? s.ScrollText(a, b)
                           : operation == 5 ? s.ClearText()
                                            : s.CheckHealth(a);  // shows its text, and changes what it reports
    FUZZ_CHECK(result == 0 || result == 106);
    FUZZ_CHECK(operation == 6 || Fields(state, false) == settled);
  }
  return 0;
}
