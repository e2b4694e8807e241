// The registrar fed arbitrary script text and replacement maps, over the in-memory registry,
// in both modes.
//
// Input: a flags byte; when flags bit 3 is set, a byte that picks a key name whose creation
// fails; a byte with the number of replacement entries (0..3), each entry a length byte and
// the name, a length byte and the value; the rest is the script.
// Flags bits 0-1: 0 register, 1 unregister, 2 register then unregister, 3 unregister then
// register. Bit 2: the registry already holds other classes and a key that is read-only.
#include <cstddef>
#include <cstdint>
#include <string>

#include "com/registrar/registrar_result.h"
#include "com/registrar/registration_script.h"
#include "com/registrar/script_replacement.h"
#include "fakes/memory_registry.h"
#include "fuzz_input.h"

namespace {

using orvix::fuzz::FuzzInput;
using orvix::platform::RegistryRoot;
using orvix::registrar::RegistrarMode;
using orvix::registrar::ReplacementMap;
using orvix::testing::MemoryRegistry;

bool IsRegistrarResult(int32_t result) {
  return result == orvix::registrar::kOk || result == orvix::registrar::kFail ||
         result == orvix::registrar::kDispatchException;
}

void PrepareSystemRegistry(MemoryRegistry& registry) {
  registry.AddText(RegistryRoot::kClassesRoot, "CLSID\\{00000000-0000-0000-C000-000000000046}", "", "Other class");
  registry.AddText(RegistryRoot::kClassesRoot, "CLSID\\{6D6F2B87-1F6B-4284-A931-3E0F6E09D96C}\\Foreign", "", "x");
  registry.AddKey(RegistryRoot::kClassesRoot, "TypeLib\\{58CAD687-682D-4987-83D5-3F4F4F81B6D0}");
  registry.MakeReadOnly(RegistryRoot::kLocalMachine, "SOFTWARE\\Locked");
  registry.AddText(RegistryRoot::kLocalMachine, "SOFTWARE\\Locked\\Inner", "v", "w");
}

// The doubling of single quotes can be undone exactly.
void CheckModuleValue(const std::string& path) {
  const std::string value = orvix::registrar::ModuleReplacementValue(path);
  std::string undone;
  for (size_t i = 0; i < value.size(); ++i) {
    undone.push_back(value[i]);
    if (value[i] == '\'') {
      FUZZ_CHECK(i + 1 < value.size() && value[i + 1] == '\'');
      ++i;
    }
  }
  FUZZ_CHECK(undone == path);
}

int32_t RunChecked(MemoryRegistry& registry, const std::string& script, const ReplacementMap& map,
                   RegistrarMode mode) {
  const int32_t result = orvix::registrar::RunRegistrationScript(registry, script, map, mode);
  FUZZ_CHECK(IsRegistrarResult(result));
  // Every key the run opened is closed again, whatever stopped it.
  FUZZ_CHECK(registry.openKeyCount() == 0);
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t flags = input.Byte();
  MemoryRegistry registry;
  if (flags & 0x4) PrepareSystemRegistry(registry);
  if (flags & 0x8) {
    static const char* const kFailingNames[] = {"InprocServer32", "ProgID", "OPOS.ORVIX", "CLSID", "TypeLib", "Version"};
    registry.FailCreatingKeysNamed(kFailingNames[input.Byte() % (sizeof kFailingNames / sizeof kFailingNames[0])]);
  }

  ReplacementMap map;
  const int entries = input.Byte() % 4;
  for (int i = 0; i < entries; ++i) {
    std::string name = input.Bytes(input.Byte());
    std::string value = input.Bytes(input.Byte());
    CheckModuleValue(value);
    map.push_back({std::move(name), orvix::registrar::ModuleReplacementValue(value)});
  }
  const std::string script = input.Rest();

  std::string replaced;
  const int32_t replacement = orvix::registrar::ReplaceScriptNames(script, map, &replaced);
  FUZZ_CHECK(IsRegistrarResult(replacement));

  const bool registerFirst = (flags & 0x3) != 1 && (flags & 0x3) != 3;
  const RegistrarMode first = registerFirst ? RegistrarMode::kRegister : RegistrarMode::kUnregister;
  registry.ClearJournal();
  const int32_t firstResult = RunChecked(registry, script, map, first);
  if (replacement != orvix::registrar::kOk) {
    // A script whose names cannot be replaced is refused as a whole, before any change.
    FUZZ_CHECK(firstResult == replacement);
    FUZZ_CHECK(registry.journal().empty());
  }

  if ((flags & 0x3) >= 2) {
    const RegistrarMode second = registerFirst ? RegistrarMode::kUnregister : RegistrarMode::kRegister;
    const int32_t secondResult = RunChecked(registry, script, map, second);
    // Unregistering reads the same script and examines less of it than registering does, so
    // a script that registered cleanly also unregisters cleanly.
    if (registerFirst && firstResult == orvix::registrar::kOk) FUZZ_CHECK(secondResult == orvix::registrar::kOk);
  }
  return 0;
}
