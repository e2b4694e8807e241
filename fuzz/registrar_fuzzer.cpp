// The registrar fed any script and module path, in both modes and both orders, over the
// registry in memory. Input: a flags byte, the module path up to the first line feed, then
// the script. It gives only its three results, closes every key it opened, and a script
// whose names cannot be replaced changes nothing.
#include "check.h"
#include "host/fakes.h"
#include "com/registrar/registration_script.h"

using namespace orvix::registrar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = size > 0 ? std::string(reinterpret_cast<const char*>(data) + 1, size - 1) : "";
  const uint8_t flags = size > 0 ? data[0] : 0;
  const std::string module = input.substr(0, input.find('\n')), script = input.substr(std::min(module.size() + 1, input.size()));
  orvix::testing::MemoryRegistry registry;
  registry.SetText("HKCR\\CLSID\\{00000000-0000-0000-C000-000000000046}", "", "another class");
  if (flags & 4) registry.MakeReadOnly("HKCR\\OPOS.ORVIX\\CLSID");
  if (flags & 8) registry.failingNames.insert("inprocserver32");
  const ReplacementMap map = {{"Module", ModuleReplacementValue(module)}};
  std::string replaced;
  const int32_t replacement = ReplaceScriptNames(script, map, &replaced);
  const std::set<std::string> before = registry.Dump();
  for (int run = 0; run < ((flags & 2) != 0 ? 2 : 1); ++run) {
    const bool unregister = ((flags & 1) != 0) == (run == 0);
    const int32_t result = RunRegistrationScript(registry, script, map, unregister ? RegistrarMode::kUnregister : RegistrarMode::kRegister);
    FUZZ_CHECK(result == kOk || result == kFail || result == kDispatchException);
    FUZZ_CHECK(registry.openKeys == 0);
    if (replacement != kOk) FUZZ_CHECK(result == replacement && registry.Dump() == before);
  }
  return 0;
}
