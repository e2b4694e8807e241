// The registrar: registration scripts run against the registry in memory, both ways.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "host/fakes.h"
#include "com/registrar/registration_script.h"

namespace orvix::registrar {
namespace {

using Lines = std::set<std::string>;
constexpr auto kRegister = RegistrarMode::kRegister;
constexpr auto kUnregister = RegistrarMode::kUnregister;
const std::string kClass = "HKCR\\CLSID\\{6D6F2B87-1F6B-4284-A931-3E0F6E09D96C}";

// A registry holding these keys (HKCR\A\B) and texts (HKCR\A : V = text, V @ the default).
std::unique_ptr<testing::MemoryRegistry> Holding(const std::vector<std::string>& entries) {
  auto registry = std::make_unique<testing::MemoryRegistry>();
  for (const std::string& entry : entries) {
    const size_t colon = entry.find(" : "), equals = entry.find(" = ");
    const std::string name = colon == std::string::npos ? "" : entry.substr(colon + 3, equals - colon - 3);
    if (colon == std::string::npos) registry->AddKey(entry);
    if (colon != std::string::npos) registry->SetText(entry.substr(0, colon), name == "@" ? "" : name, entry.substr(equals + 3));
  }
  return registry;
}

int32_t RunScript(testing::MemoryRegistry& registry, const std::string& script, RegistrarMode mode,
                  const std::string& module = "C:\\PROGRA~1\\OPOS\\ORVIX.DLL") {
  const int32_t result = RunRegistrationScript(registry, script, {{"Module", ModuleReplacementValue(module)}}, mode);
  EXPECT_EQ(registry.openKeys, 0u) << "keys left open";
  return result;
}

std::string OrvixScript() {
  std::ostringstream text;
  text << std::ifstream(ORVIX_SOURCE_DIR "/src/com/ORVIX.rgs", std::ios::binary).rdbuf();
  return text.str();
}

TEST(RegistrationTest, WritesWhatComNeedsAndTakesItAllBackAmongOtherKeys) {
  const std::vector<std::string> others = {"HKCR\\CLSID\\{0000}\\InprocServer32 : ThreadingModel = Both", "HKCR\\OPOS.ORVIX\\Foreign"};
  // An old registration of the class with a value the script does not list: ForceRemove.
  auto registry = Holding({others[0], others[1], kClass + " : Stale = old"});
  ASSERT_EQ(RunScript(*registry, OrvixScript(), kRegister, "C:\\O'BRIEN\\ORVIX.DLL"), kOk);
  const Lines registered = registry->Dump();
  for (const std::string& line : {std::string("HKCR\\OPOS.ORVIX\\CLSID : @ = \"{6D6F2B87-1F6B-4284-A931-3E0F6E09D96C}\""),
                                  kClass + "\\ProgID : @ = \"OPOS.ORVIX\"", kClass + "\\InprocServer32 : @ = \"C:\\O'BRIEN\\ORVIX.DLL\"",
                                  kClass + "\\InprocServer32 : ThreadingModel = \"Apartment\"",
                                  kClass + "\\TypeLib : @ = \"{58CAD687-682D-4987-83D5-3F4F4F81B6D0}\""}) {
    EXPECT_EQ(registered.count(line), 1u) << line;
  }
  EXPECT_EQ(registered.count(kClass + " : Stale = \"old\""), 0u);
  ASSERT_EQ(RunScript(*registry, OrvixScript(), kRegister, "C:\\O'BRIEN\\ORVIX.DLL"), kOk);
  EXPECT_EQ(registry->Dump(), registered);
  // CLSID is never removed, nor OPOS.ORVIX while it holds a foreign key.
  ASSERT_EQ(RunScript(*registry, OrvixScript(), kUnregister), kOk);
  EXPECT_EQ(registry->Dump(), Holding({others[0], others[1], "HKCR\\OPOS.ORVIX : @ = OPOS Library for Line Display"})->Dump());
}

TEST(RegistrationTest, AFailedBlockIsTakenBack) {
  // A path with an undoubled quote breaks the script; a key that cannot be made fails it.
  testing::MemoryRegistry broken, failing;
  EXPECT_EQ(RunRegistrationScript(broken, OrvixScript(), {{"Module", "C:\\O'B\\ORVIX.DLL"}}, kRegister), kDispatchException);
  EXPECT_EQ(broken.Dump(), Lines{"HKCR\\CLSID"});
  failing.failingNames.insert("inprocserver32");
  EXPECT_EQ(RunScript(failing, OrvixScript(), kRegister), kDispatchException);
  EXPECT_EQ(failing.Dump(), Lines{"HKCR\\CLSID"});
  // A key that may only be read is used read-only; the value it refuses is passed over.
  auto readOnly = Holding({"HKCR\\OPOS.ORVIX\\CLSID : @ = {old}"});
  readOnly->MakeReadOnly("HKCR\\OPOS.ORVIX\\CLSID");
  EXPECT_EQ(RunScript(*readOnly, OrvixScript(), kRegister), kOk);
  EXPECT_EQ(readOnly->Dump().count("HKCR\\OPOS.ORVIX\\CLSID : @ = \"{old}\""), 1u);
}

TEST(RegistrationScriptTest, GivesItsResultAndLeavesTheRegistryAsExpected) {
  std::string nested = "HKCR {";
  for (int depth = 0; depth < 600; ++depth) nested += " A {";
  const std::tuple<std::string, RegistrarMode, std::vector<std::string>, int32_t, Lines> kCases[] = {
      // A bad root ends the run; the blocks before it stay.
      {"HKCU { A } HKCX { B }", kRegister, {}, kDispatchException, {"HKCU\\A"}},
      {"HKCR { A = s 'x' B\\C }", kRegister, {}, kDispatchException, {}}, {"HKCR { A = b '123' }", kRegister, {}, kFail, {}},
      {"HKCR { A = s 'abc }", kRegister, {}, kDispatchException, {}}, {"HKCR { A { val V s 'x' } }", kRegister, {}, kDispatchException, {}},
      {nested + std::string(601, '}'), kUnregister, {}, kDispatchException, {}},
      // The failed block is unregistered: what it lists goes unless it holds what it does not list.
      {"HKCU { Kept = s 'x' } HKCR { Gone = s 'y' { Sub } Bad = q 'w' }", kRegister, {"HKCR\\Gone\\Foreign", "HKCR\\Other"},
       kDispatchException, {"HKCU\\Kept", "HKCU\\Kept : @ = \"x\"", "HKCR\\Gone", "HKCR\\Gone : @ = \"y\"", "HKCR\\Gone\\Foreign", "HKCR\\Other"}},
      {"HKCR { 'Key With Spaces' = s 'It''s' 'val' 'A%%B' = s '100%%' }", kRegister, {}, kOk,
       {"HKCR\\Key With Spaces", "HKCR\\Key With Spaces : @ = \"It's\"", "HKCR\\val", "HKCR\\A%B", "HKCR\\A%B : @ = \"100%\""}},
      {"HKCR { N { val Max = d 4294967295 val Over = d 4294967296 val Bytes = b 'zz1G0aFf' } }", kRegister, {}, kOk,
       {"HKCR\\N", "HKCR\\N : Max = hex(4) ff ff ff ff", "HKCR\\N : Bytes = hex(3) 00 10 0a ff"}},
      {"hkcr { forceremove a = S 'x' { val v = D '42' } noremove b }", kRegister, {"HKCR\\A\\Old"}, kOk,
       {"HKCR\\a", "HKCR\\a : @ = \"x\"", "HKCR\\a : v = hex(4) 2a 00 00 00", "HKCR\\b"}},
      {"HKEY_CLASSES_ROOT { ForceRemove clsid { } DELETE TypeLib delete A = s 'x' { B } C } HkDd { K }", kRegister,
       {"HKCR\\CLSID\\{X}", "HKCR\\TypeLib\\{Y}", "HKCR\\A\\B\\C"}, kOk,
       {"HKCR\\CLSID", "HKCR\\CLSID\\{X}", "HKCR\\TypeLib", "HKCR\\TypeLib\\{Y}", "HKCR\\C", "HKDD\\K"}},
      // Unregistering: values go; a key stays for a foreign subkey, not for a foreign value.
      {"HKCR { A { val V = s 'x' } B { C } NoRemove D Absent { E } }", kUnregister,
       {"HKCR\\A : V = v", "HKCR\\A : W = w", "HKCR\\A\\Foreign", "HKCR\\B : Foreign = f", "HKCR\\B\\C", "HKCR\\D", "HKCR\\E"},
       kOk, {"HKCR\\A", "HKCR\\A : W = \"w\"", "HKCR\\A\\Foreign", "HKCR\\D", "HKCR\\E"}},
  };
  for (const auto& [script, mode, before, result, after] : kCases) {
    auto registry = Holding(before);
    EXPECT_EQ(RunScript(*registry, script, mode), result) << script;
    EXPECT_EQ(registry->Dump(), after) << script;
  }
}

TEST(ReplacementTest, ReplacesNamesAndDoubledSigns) {
  const ReplacementMap map = {{"Module", "C:\\A B\\ORVIX.DLL"}, {"Other", "%Module%"}, {std::string(31, 'L'), "long"},
                              {std::string(32, 'N'), "too long"}, {"Zero", std::string("ab\0cd", 5)}};
  for (const auto& [script, result, replaced] : std::vector<std::tuple<std::string, int32_t, std::string>>{
           {"'%module%'", kOk, "'C:\\A B\\ORVIX.DLL'"}, {"%OTHER%", kOk, "%Module%"}, {"100%%", kOk, "100%"},
           {"%%%Module%", kOk, "%C:\\A B\\ORVIX.DLL"}, {"%" + std::string(31, 'l') + "%", kOk, "long"}, {"[%Zero%]", kOk, "[ab]"},
           {std::string("a%%b\0%NOSUCH%", 13), kOk, "a%b"}, {"%" + std::string(32, 'N') + "%", kFail, ""},
           {"%NoSuch%", kDispatchException, ""}, {"%", kDispatchException, ""}, {"'%Module'", kDispatchException, ""}}) {
    std::string text;
    EXPECT_EQ(ReplaceScriptNames(script, map, &text), result) << script;
    EXPECT_EQ(result == kOk ? text : "", replaced) << script;
  }
  EXPECT_EQ(ModuleReplacementValue("C:\\O'BRIEN\\''"), "C:\\O''BRIEN\\''''");
}

}  // namespace
}  // namespace orvix::registrar
