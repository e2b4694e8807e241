// OpenService over any profile: values and aliases of any name, type, size and contents, and
// a display that answers with any bytes. Input: a flags byte (bit 0: open by the alias), the
// answer (a length byte and the bytes), then values: a byte with the key (bit 7: the aliases)
// and the type (bits 0-3), a name byte, a length byte (counted twice) and the data. It reports
// success or OPOS_E_ILLEGAL, gives every key back, and the service goes on working.
#include "check.h"
#include "host/fakes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* const kNames[] = {"DeviceType", "DeviceID", "Option", "COMPORT", "Baud", "Parity", "DataLength", "StopBit", "PoleDisplay", ""};
  size_t at = 0;
  auto byte = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
  auto bytes = [&](size_t count) {
    const size_t from = std::min(at, size);
    return std::vector<uint8_t>(data + from, data + (at = std::min(at + count, size)));
  };
  orvix::testing::Rig rig;
  const uint8_t flags = byte();
  rig.display.plan.bytes = bytes(byte() % 24);
  while (at < size) {
    const uint8_t key = byte();
    const std::string name = kNames[byte() % 10];
    rig.registry.Set(std::string("HKLM\\") + (key & 0x80 ? orvix::testing::kClassKey : orvix::testing::kProfileKey), name, key & 0x0F, bytes(2 * size_t{byte()}));
  }
  const int32_t result = rig.service.OpenService(u"LineDisplay", (flags & 1) != 0 ? u"PoleDisplay" : u"ORVIX");
  FUZZ_CHECK(result == 0 || result == 106);
  FUZZ_CHECK(rig.registry.openKeys == 0);
  FUZZ_CHECK(rig.service.DisplayText(u"AB", 0) == 0 && rig.service.CloseService() == 0);
  return 0;
}
