#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "com/registrar/registration_script.h"
#include "com/registrar/script_replacement.h"
#include "fakes/memory_registry.h"

namespace orvix::registrar {
namespace {

using orvix::testing::MemoryRegistry;
using Lines = std::vector<std::string>;
using Root = platform::RegistryRoot;
using Setup = std::function<void(MemoryRegistry&)>;

constexpr auto kRegister = RegistrarMode::kRegister;
constexpr auto kUnregister = RegistrarMode::kUnregister;
constexpr auto kHkcr = Root::kClassesRoot;

const std::string kClsid = "{6D6F2B87-1F6B-4284-A931-3E0F6E09D96C}";
const std::string kClassKey = "CLSID\\" + kClsid;
const std::string kClass = "HKCR\\" + kClassKey;
const std::string kDescription = "OPOS Library for Line Display";
const std::string kShortPath = "C:\\PROGRA~1\\OPOS\\ORVIX.DLL";

const std::string& RealScript() {
  static const std::string script = [] {
    std::ifstream file(ORVIX_SOURCE_DIR "/src/com/ORVIX.rgs", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }();
  return script;
}

ReplacementMap ModuleMap(const std::string& path = kShortPath) { return {{"Module", ModuleReplacementValue(path)}}; }

// A REG_SZ as the memory registry's dump shows it.
std::string Sz(const std::string& text) { return "sz \"" + text + "\\0\""; }

// Registry contents compared as sets of dump lines, so that expectations can be put together
// from parts that overlap.
std::set<std::string> Contents(std::initializer_list<Lines> parts) {
  std::set<std::string> lines;
  for (const Lines& part : parts) lines.insert(part.begin(), part.end());
  return lines;
}
std::set<std::string> Contents(const MemoryRegistry& registry) {
  const Lines dump = registry.Dump();
  return std::set<std::string>(dump.begin(), dump.end());
}

// Everything a registration writes, with the CLSID key it writes below.
Lines RegisteredLines(const std::string& modulePath = kShortPath) {
  return {
      "HKCR\\CLSID",
      kClass,
      kClass + " : @ = " + Sz(kDescription),
      kClass + "\\InprocServer32",
      kClass + "\\InprocServer32 : @ = " + Sz(modulePath),
      kClass + "\\InprocServer32 : ThreadingModel = " + Sz("Apartment"),
      kClass + "\\ProgID",
      kClass + "\\ProgID : @ = " + Sz("OPOS.ORVIX"),
      kClass + "\\TypeLib",
      kClass + "\\TypeLib : @ = " + Sz("{58CAD687-682D-4987-83D5-3F4F4F81B6D0}"),
      kClass + "\\Version",
      kClass + "\\Version : @ = " + Sz("1.0"),
      "HKCR\\OPOS.ORVIX",
      "HKCR\\OPOS.ORVIX : @ = " + Sz(kDescription),
      "HKCR\\OPOS.ORVIX\\CLSID",
      "HKCR\\OPOS.ORVIX\\CLSID : @ = " + Sz(kClsid),
  };
}

// Other classes, a foreign subkey under the ProgID, the type library's own registration and
// the device profile: nothing of it is the script's to change.
void AddNeighbours(MemoryRegistry& r) {
  r.AddText(kHkcr, "CLSID\\{00000000-1111-2222-3333-444444444444}", "", "Other Class");
  r.AddText(kHkcr, "CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32", "ThreadingModel", "Both");
  r.AddText(kHkcr, "OPOS.ORVIX\\Foreign", "", "kept");
  r.AddText(kHkcr, "TypeLib\\{58CAD687-682D-4987-83D5-3F4F4F81B6D0}\\1.0", "", "ORVIXLib");
  r.AddText(Root::kLocalMachine, "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\ORVIX", "DeviceType", "COM");
}
Lines NeighbourLines() {
  const std::string other = "HKCR\\CLSID\\{00000000-1111-2222-3333-444444444444}";
  const std::string typeLib = "HKCR\\TypeLib\\{58CAD687-682D-4987-83D5-3F4F4F81B6D0}";
  const std::string profile = "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\ORVIX";
  return {"HKCR\\CLSID",
          other,
          other + " : @ = " + Sz("Other Class"),
          other + "\\InprocServer32",
          other + "\\InprocServer32 : ThreadingModel = " + Sz("Both"),
          "HKCR\\OPOS.ORVIX",
          "HKCR\\OPOS.ORVIX\\Foreign",
          "HKCR\\OPOS.ORVIX\\Foreign : @ = " + Sz("kept"),
          "HKCR\\TypeLib",
          typeLib,
          typeLib + "\\1.0",
          typeLib + "\\1.0 : @ = " + Sz("ORVIXLib"),
          "HKLM\\SOFTWARE",
          "HKLM\\SOFTWARE\\OLEforRetail",
          "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS",
          "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay",
          profile,
          profile + " : DeviceType = " + Sz("COM")};
}

// An old registration of the class with things that the script does not list.
void AddStaleClass(MemoryRegistry& r) {
  r.AddText(kHkcr, kClassKey, "", "Old description");
  r.AddText(kHkcr, kClassKey, "Stale", "old");
  r.AddKey(kHkcr, kClassKey + "\\Implemented Categories");
}
Lines StaleClassLines() {
  return {kClass, kClass + " : @ = " + Sz("Old description"), kClass + " : Stale = " + Sz("old"),
          kClass + "\\Implemented Categories"};
}

int32_t RunScript(MemoryRegistry& registry, const std::string& script, RegistrarMode mode,
            const ReplacementMap& replacements = ModuleMap()) {
  const int32_t result = RunRegistrationScript(registry, script, replacements, mode);
  EXPECT_EQ(registry.openKeyCount(), 0u) << "keys left open";
  return result;
}

void Register(MemoryRegistry& r) { ASSERT_EQ(RunScript(r, RealScript(), kRegister), kOk); }

void RemoveKey(MemoryRegistry& r, const std::string& path) {
  platform::RegistryKeyPtr root = r.OpenRoot(kHkcr);
  ASSERT_TRUE(r.DeleteKey(*root, path.c_str())) << path;
}

// ---- The script file -------------------------------------------------------------------

TEST(RegistrationScriptFileTest, IsTheResourceByteForByte) {
  const std::string& script = RealScript();
  ASSERT_EQ(script.size(), 445u);
  const std::vector<size_t> expectedTabs = {0, 0, 1, 1, 2, 1, 1, 1, 2, 2, 3, 3, 3, 4, 3, 3, 3, 2, 1, 0};
  std::vector<size_t> tabs;
  size_t lineStart = 0;
  for (size_t end = script.find("\r\n"); end != std::string::npos; end = script.find("\r\n", lineStart)) {
    const std::string line = script.substr(lineStart, end - lineStart);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line end in: " << line;
    tabs.push_back(line.find_first_not_of('\t'));
    lineStart = end + 2;
  }
  EXPECT_EQ(lineStart, script.size()) << "the last line must end with CR LF too";
  EXPECT_EQ(tabs, expectedTabs);
  EXPECT_NE(script.find("\t\t\tInprocServer32 = s '%MODULE%'\r\n"), std::string::npos);
}

// ---- The real script, both modes ------------------------------------------------------------

struct RealScriptCase {
  const char* name;
  Setup before;
  std::vector<RegistrarMode> runs;
  std::set<std::string> after;
};

class RealScriptTest : public ::testing::TestWithParam<RealScriptCase> {};

TEST_P(RealScriptTest, LeavesTheRegistryAsExpected) {
  const RealScriptCase& c = GetParam();
  MemoryRegistry registry;
  if (c.before) c.before(registry);
  for (RegistrarMode mode : c.runs) EXPECT_EQ(RunScript(registry, RealScript(), mode), kOk);
  EXPECT_EQ(Contents(registry), c.after);
}

Lines Replaced(Lines lines, const std::string& from, const std::string& to) {
  std::replace(lines.begin(), lines.end(), from, to);
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    BothModes, RealScriptTest,
    ::testing::Values(
        RealScriptCase{"RegisterIntoEmpty", nullptr, {kRegister}, Contents({RegisteredLines()})},
        RealScriptCase{"UnregisterFromEmpty", nullptr, {kUnregister}, {}},
        // CLSID is created if need be and never removed.
        RealScriptCase{"RegisterThenUnregister", nullptr, {kRegister, kUnregister}, {"HKCR\\CLSID"}},
        // The class key is rewritten from nothing; the ProgID key only overwritten.
        RealScriptCase{"RegisterOverStaleClass",
                       [](MemoryRegistry& r) {
                         AddNeighbours(r);
                         AddStaleClass(r);
                       },
                       {kRegister},
                       Contents({NeighbourLines(), RegisteredLines()})},
        RealScriptCase{"RegisterTwiceAmongNeighbours",
                       AddNeighbours,
                       {kRegister, kRegister},
                       Contents({NeighbourLines(), RegisteredLines()})},
        // OPOS.ORVIX stays for its foreign subkey, with the description the registration gave it.
        RealScriptCase{"RegisterThenUnregisterAmongNeighbours",
                       AddNeighbours,
                       {kRegister, kUnregister},
                       Contents({NeighbourLines(), {"HKCR\\OPOS.ORVIX : @ = " + Sz(kDescription)}})},
        RealScriptCase{"UnregisterKeepsKeysHoldingOnlyForeignThings",
                       [](MemoryRegistry& r) {
                         AddNeighbours(r);
                         AddStaleClass(r);
                       },
                       {kUnregister},
                       Contents({NeighbourLines(), StaleClassLines()})},
        RealScriptCase{"UnregisterKeepsClassKeyForForeignSubkey",
                       [](MemoryRegistry& r) {
                         Register(r);
                         r.AddKey(kHkcr, kClassKey + "\\Implemented Categories\\{40FC6ED5-2438-11CF-A3DB-080036F12502}");
                       },
                       {kUnregister},
                       {"HKCR\\CLSID", kClass, kClass + " : @ = " + Sz(kDescription),
                        kClass + "\\Implemented Categories",
                        kClass + "\\Implemented Categories\\{40FC6ED5-2438-11CF-A3DB-080036F12502}"}},
        // The named value goes even where its key has to stay.
        RealScriptCase{"UnregisterKeepsInprocServerForForeignSubkey",
                       [](MemoryRegistry& r) {
                         Register(r);
                         r.AddKey(kHkcr, kClassKey + "\\InprocServer32\\Foreign");
                       },
                       {kUnregister},
                       {"HKCR\\CLSID", kClass, kClass + " : @ = " + Sz(kDescription), kClass + "\\InprocServer32",
                        kClass + "\\InprocServer32 : @ = " + Sz(kShortPath), kClass + "\\InprocServer32\\Foreign"}},
        // Registries that hold only part of what the script lists.
        RealScriptCase{"UnregisterLoneClassKey",
                       [](MemoryRegistry& r) { r.AddText(kHkcr, kClassKey, "", kDescription); },
                       {kUnregister},
                       {"HKCR\\CLSID"}},
        RealScriptCase{"UnregisterProgIdWithoutItsSubkey",
                       [](MemoryRegistry& r) {
                         Register(r);
                         RemoveKey(r, "OPOS.ORVIX\\CLSID");
                       },
                       {kUnregister},
                       {"HKCR\\CLSID"}},
        RealScriptCase{"UnregisterClassWithoutProgIdAndVersion",
                       [](MemoryRegistry& r) {
                         Register(r);
                         RemoveKey(r, kClassKey + "\\ProgID");
                         RemoveKey(r, kClassKey + "\\Version");
                       },
                       {kUnregister},
                       {"HKCR\\CLSID"}},
        // A key that may only be read is used read-only; the value it refuses is passed over.
        RealScriptCase{"RegisterBesideReadOnlyKey",
                       [](MemoryRegistry& r) {
                         r.AddText(kHkcr, "OPOS.ORVIX\\CLSID", "", "{old}");
                         r.MakeReadOnly(kHkcr, "OPOS.ORVIX\\CLSID");
                       },
                       {kRegister},
                       Contents({Replaced(RegisteredLines(), "HKCR\\OPOS.ORVIX\\CLSID : @ = " + Sz(kClsid),
                                          "HKCR\\OPOS.ORVIX\\CLSID : @ = " + Sz("{old}"))})}),
    [](const ::testing::TestParamInfo<RealScriptCase>& info) { return std::string(info.param.name); });

// The class key's part of a registration, written from nothing each time.
Lines ClassKeyWrites() {
  Lines writes = {"create " + kClass, "set " + kClass + " : @"};
  for (const char* sub : {"ProgID", "InprocServer32", "TypeLib", "Version"}) {
    writes.push_back("create " + kClass + "\\" + sub);
    writes.push_back("set " + kClass + "\\" + sub + " : @");
    if (std::string(sub) == "InprocServer32") writes.push_back("set " + kClass + "\\InprocServer32 : ThreadingModel");
  }
  return writes;
}

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(RealScriptOrderTest, FirstRegistrationWritesInScriptOrder) {
  MemoryRegistry registry;
  ASSERT_EQ(RunScript(registry, RealScript(), kRegister), kOk);
  EXPECT_EQ(registry.journal(), (Lines{
                                    "create HKCR\\OPOS.ORVIX",
                                    "set HKCR\\OPOS.ORVIX : @",
                                    "create HKCR\\OPOS.ORVIX\\CLSID",
                                    "set HKCR\\OPOS.ORVIX\\CLSID : @",
                                    "create HKCR\\CLSID",
                                }) + ClassKeyWrites());
}

TEST(RealScriptOrderTest, SecondRegistrationRewritesTheClassKeyOnly) {
  MemoryRegistry registry;
  Register(registry);
  registry.ClearJournal();
  ASSERT_EQ(RunScript(registry, RealScript(), kRegister), kOk);
  EXPECT_EQ(registry.journal(), (Lines{
                                    "set HKCR\\OPOS.ORVIX : @",
                                    "set HKCR\\OPOS.ORVIX\\CLSID : @",
                                    "delete tree " + kClass,
                                }) + ClassKeyWrites());
}

Lines UnregistrationJournal() {
  return {"delete key HKCR\\OPOS.ORVIX\\CLSID",
          "delete key HKCR\\OPOS.ORVIX",
          "delete key " + kClass + "\\ProgID",
          "delete value " + kClass + "\\InprocServer32 : ThreadingModel",
          "delete key " + kClass + "\\InprocServer32",
          "delete key " + kClass + "\\TypeLib",
          "delete key " + kClass + "\\Version",
          "delete key " + kClass};
}

TEST(RealScriptOrderTest, UnregistrationRemovesInScriptOrder) {
  MemoryRegistry registry;
  Register(registry);
  registry.ClearJournal();
  ASSERT_EQ(RunScript(registry, RealScript(), kUnregister), kOk);
  EXPECT_EQ(registry.journal(), UnregistrationJournal());
}

TEST(RealScriptModuleTest, PathWithQuoteIsWrittenWithOneQuote) {
  const std::string path = "C:\\O'BRIEN\\ORVIX.DLL";
  MemoryRegistry registry;
  ASSERT_EQ(RunScript(registry, RealScript(), kRegister, ModuleMap(path)), kOk);
  EXPECT_EQ(Contents(registry), Contents({RegisteredLines(path)}));
}

TEST(RealScriptModuleTest, UndoubledQuoteBreaksTheScriptAndIsRolledBack) {
  MemoryRegistry registry;
  EXPECT_EQ(RunScript(registry, RealScript(), kRegister, {{"Module", "C:\\O'BRIEN\\ORVIX.DLL"}}), kDispatchException);
  EXPECT_EQ(Contents(registry), (std::set<std::string>{"HKCR\\CLSID"}));
}

// ---- Scripts written for the case ---------------------------------------------------------

struct ScriptCase {
  const char* name;
  std::string script;
  RegistrarMode mode;
  int32_t result;
  std::set<std::string> after;  // the whole registry
  Setup before = nullptr;
};

class ScriptTest : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptTest, GivesItsResultAndLeavesTheRegistryAsExpected) {
  const ScriptCase& c = GetParam();
  MemoryRegistry registry;
  if (c.before) c.before(registry);
  EXPECT_EQ(RunScript(registry, c.script, c.mode), c.result);
  EXPECT_EQ(Contents(registry), c.after);
}

std::string NestedBlocks(int depth) {
  std::string script = "HKCR {";
  for (int i = 0; i < depth; ++i) script += " A {";
  for (int i = 0; i <= depth; ++i) script += " }";
  return script;
}

Setup KeysAt(std::vector<std::string> paths) {
  return [paths](MemoryRegistry& r) {
    for (const std::string& path : paths) r.AddKey(kHkcr, path);
  };
}

const std::string kLongName(32, 'N');

INSTANTIATE_TEST_SUITE_P(
    Failures, ScriptTest,
    ::testing::Values(
        ScriptCase{"UnknownRootName", "HKXX { A }", kRegister, kDispatchException, {}},
        ScriptCase{"UnknownRootNameInUnregister", "HKXX { A }", kUnregister, kDispatchException, {}},
        // The root name is no part of a block, so nothing is rolled back.
        ScriptCase{"UnknownRootAfterGoodBlock", "HKCU { A } HKCX { B }", kRegister, kDispatchException, {"HKCU\\A"}},
        ScriptCase{"RootNameRunIntoBrace", "HKCR{ A }", kRegister, kDispatchException, {}},
        ScriptCase{"MissingBrace", "HKCR A = s 'x'", kRegister, kDispatchException, {}},
        ScriptCase{"ValWithoutEquals", "HKCR { A { val V s 'x' } }", kRegister, kDispatchException, {}},
        ScriptCase{"ValWithoutEqualsInUnregister", "HKCR { A { val V s 'x' } }", kUnregister, kDispatchException,
                   {"HKCR\\A", "HKCR\\A : V = " + Sz("x")},
                   [](MemoryRegistry& r) { r.AddText(kHkcr, "A", "V", "x"); }},
        ScriptCase{"BackslashInKeyName", "HKCR { A = s 'x' B\\C }", kRegister, kDispatchException, {}},
        // Refused before anything is removed.
        ScriptCase{"BackslashAfterForceRemove", "HKCR { ForceRemove A\\B }", kRegister, kDispatchException,
                   {"HKCR\\A", "HKCR\\A\\B"}, KeysAt({"A\\B"})},
        ScriptCase{"BackslashInUnregister", "HKCR { A\\B }", kUnregister, kDispatchException, {"HKCR\\A", "HKCR\\A\\B"},
                   KeysAt({"A\\B"})},
        ScriptCase{"UnknownTypeLetter", "HKCR { A = x 'y' }", kRegister, kDispatchException, {}},
        ScriptCase{"UnknownTypeLetterOfVal", "HKCR { A { val V = q '1' } }", kRegister, kDispatchException, {}},
        ScriptCase{"TypeLetterOfTwoCharacters", "HKCR { A = sz 'y' }", kRegister, kDispatchException, {}},
        ScriptCase{"OddNumberOfHexDigits", "HKCR { A = b '123' }", kRegister, kFail, {}},
        ScriptCase{"ReplacementNameTooLong", "HKCR { A = s '%" + kLongName + "%' }", kRegister, kFail,
                   {"HKCR\\Kept"}, KeysAt({"Kept"})},
        ScriptCase{"PercentNeverClosedInUnregister", "HKCR { A = s '100%' }", kUnregister, kDispatchException,
                   {"HKCR\\A"}, KeysAt({"A"})},
        ScriptCase{"EndsInsideBlock", "HKCR { A = s 'x' { B", kRegister, kDispatchException, {}},
        ScriptCase{"EndsBeforeValue", "HKCR { A = s", kRegister, kDispatchException, {}},
        ScriptCase{"QuoteNeverClosed", "HKCR { A = s 'abc }", kRegister, kDispatchException, {}},
        ScriptCase{"BraceWhereNameBelongs", "HKCR { { } }", kRegister, kDispatchException, {}},
        ScriptCase{"EqualsWhereNameBelongs", "HKCR { ForceRemove = s 'x' }", kRegister, kDispatchException, {}},
        ScriptCase{"EmptyKeyName", "HKCR { '' = s 'x' }", kRegister, kDispatchException, {}},
        ScriptCase{"NestedDeeperThanTheRegistry", NestedBlocks(600), kUnregister, kDispatchException, {}},
        // Rollback: the failed block is unregistered; blocks before it stay, and so do keys
        // that hold what the script does not list.
        ScriptCase{"RollbackKeepsEarlierBlocks",
                   "HKCU { Kept = s 'x' }\r\nHKCR { Gone = s 'y' { Sub = s 'z' } Bad = q 'w' }", kRegister,
                   kDispatchException, {"HKCU\\Kept", "HKCU\\Kept : @ = " + Sz("x")}},
        ScriptCase{"RollbackKeepsKeyWithForeignSubkey", "HKCR { Gone = s 'y' { Sub = s 'z' } Bad = q 'w' }",
                   kRegister, kDispatchException,
                   {"HKCR\\Gone", "HKCR\\Gone : @ = " + Sz("y"), "HKCR\\Gone\\Foreign"}, KeysAt({"Gone\\Foreign"})},
        ScriptCase{"RollbackRemovesListedKeysThatWereThereBefore", "HKCR { Gone { Sub } Bad = q 'w' }", kRegister,
                   kDispatchException, {}, KeysAt({"Gone\\Sub"})},
        ScriptCase{"RollbackLeavesUnlistedKeys", "HKCR { Gone Bad = q 'w' }", kRegister, kDispatchException,
                   {"HKCR\\Other"}, KeysAt({"Other"})}),
    [](const ::testing::TestParamInfo<ScriptCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Syntax, ScriptTest,
    ::testing::Values(
        ScriptCase{"Empty", "", kRegister, kOk, {}},
        ScriptCase{"OnlySeparators", " \t\r\n\r\n", kRegister, kOk, {}},
        ScriptCase{"EndsAtZeroByte", std::string("HKCR { A }\0HKXX", 15), kRegister, kOk, {"HKCR\\A"}},
        ScriptCase{"LineFeedsAndTabs", "HKCR\n{\n\tA = s 'x'\n}\n", kRegister, kOk, {"HKCR\\A", "HKCR\\A : @ = " + Sz("x")}},
        ScriptCase{"QuotedNamesAndDoubledQuotes", "HKCR { 'Key With Spaces' = s 'It''s' '''' = s '' }", kRegister,
                   kOk,
                   {"HKCR\\'", "HKCR\\' : @ = " + Sz(""), "HKCR\\Key With Spaces",
                    "HKCR\\Key With Spaces : @ = " + Sz("It's")}},
        ScriptCase{"QuotedKeywordsAreNames", "HKCR { 'val' = s 'v' 'ForceRemove' '=' }", kRegister, kOk,
                   {"HKCR\\=", "HKCR\\ForceRemove", "HKCR\\val", "HKCR\\val : @ = " + Sz("v")}},
        ScriptCase{"KeyNameAfterMarkMayBeAKeyword", "HKCR { NoRemove val }", kRegister, kOk, {"HKCR\\val"}},
        ScriptCase{"DoubledPercent", "HKCR { 'A%%B' = s '100%%' }", kRegister, kOk,
                   {"HKCR\\A%B", "HKCR\\A%B : @ = " + Sz("100%")}},
        ScriptCase{"ValueTypes",
                   "HKCR { N { val Max = d 4294967295 val Zero = d '0' val Over = d 4294967296 val Neg = d -1 "
                   "val Hex = d 0x12 val Bytes = b 'zz1G0aFf' val None = b '' } }",
                   kRegister, kOk,
                   {"HKCR\\N", "HKCR\\N : Max = dword 0xffffffff", "HKCR\\N : Zero = dword 0x00000000",
                    "HKCR\\N : Bytes = hex 00 10 0a ff", "HKCR\\N : None = hex"}},
        ScriptCase{"ValOnTheRoot", "HKCU { val V = s 'x' }", kRegister, kOk, {"HKCU : V = " + Sz("x")}}),
    [](const ::testing::TestParamInfo<ScriptCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Keywords, ScriptTest,
    ::testing::Values(
        // ForceRemove in lower case still removes the old key, which comes back spelled anew.
        ScriptCase{"LowerCase", "hkcr { forceremove a = S 'x' { val v = D '42' } noremove b }", kRegister, kOk,
                   {"HKCR\\a", "HKCR\\a : @ = " + Sz("x"), "HKCR\\a : v = dword 0x0000002a", "HKCR\\b"},
                   KeysAt({"A\\Old"})},
        ScriptCase{"UpperCase", "HKEY_CLASSES_ROOT { FORCEREMOVE A { VAL V = B '0aFF' } DELETE C }", kRegister, kOk,
                   {"HKCR\\A", "HKCR\\A : V = hex 0a ff"}, KeysAt({"A\\Old", "C\\D"})},
        ScriptCase{"KeyNamesIgnoreCase", "hkcr { opos.orvix = s 'new' }", kRegister, kOk,
                   {"HKCR\\OPOS.ORVIX", "HKCR\\OPOS.ORVIX : @ = " + Sz("new")},
                   [](MemoryRegistry& r) { r.AddText(kHkcr, "OPOS.ORVIX", "", "old"); }},
        ScriptCase{"ClsidAndTypeLibNeverRemovedByForce",
                   "HKCR { ForceRemove clsid { } Delete TYPELIB forceremove TypeLib DELETE ClsId }", kRegister, kOk,
                   {"HKCR\\CLSID", "HKCR\\CLSID\\{X}", "HKCR\\TypeLib", "HKCR\\TypeLib\\{Y}"},
                   KeysAt({"CLSID\\{X}", "TypeLib\\{Y}"})},
        // Delete creates nothing; what follows its name belongs to no key.
        ScriptCase{"DeleteRemovesTheSubtree", "HKCR { delete A = s 'x' { B = s 'y' } C }", kRegister, kOk,
                   {"HKCR\\C"}, KeysAt({"A\\B\\C"})},
        ScriptCase{"NoRemoveKeepsTheKey", "HKCR { noremove A { B } NOREMOVE C }", kUnregister, kOk,
                   {"HKCR\\A", "HKCR\\C"}, KeysAt({"A\\B", "C"})}),
    [](const ::testing::TestParamInfo<ScriptCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Unregistration, ScriptTest,
    ::testing::Values(
        ScriptCase{"ValuesGoKeyStaysForForeignSubkey", "HKCR { A { val V = s 'x' val Missing = s 'y' } }", kUnregister,
                   kOk, {"HKCR\\A", "HKCR\\A : @ = " + Sz("a"), "HKCR\\A : W = " + Sz("w"), "HKCR\\A\\Foreign"},
                   [](MemoryRegistry& r) {
                     r.AddText(kHkcr, "A", "", "a");
                     r.AddText(kHkcr, "A", "V", "v");
                     r.AddText(kHkcr, "A", "W", "w");
                     r.AddKey(kHkcr, "A\\Foreign");
                   }},
        // Foreign values do not keep a key; foreign subkeys do.
        ScriptCase{"ForeignValueDoesNotKeepTheKey", "HKCR { A { B } }", kUnregister, kOk, {},
                   [](MemoryRegistry& r) {
                     r.AddText(kHkcr, "A", "Foreign", "f");
                     r.AddKey(kHkcr, "A\\B");
                   }},
        ScriptCase{"TypesAndForceAreNotExamined", "HKCR { ForceRemove A = q 'x' { Delete B = b '123' } }", kUnregister,
                   kOk, {}, KeysAt({"A\\B"})},
        ScriptCase{"AbsentKeyIsPassedOverWithItsBlock", "HKCR { A { B } }", kUnregister, kOk, {"HKCR\\B"},
                   KeysAt({"B"})},
        ScriptCase{"ReadOnlyKeyStays", "HKCR { A { val V = s 'x' } }", kUnregister, kOk,
                   {"HKCR\\A", "HKCR\\A : V = " + Sz("v")},
                   [](MemoryRegistry& r) {
                     r.AddText(kHkcr, "A", "V", "v");
                     r.MakeReadOnly(kHkcr, "A");
                   }}),
    [](const ::testing::TestParamInfo<ScriptCase>& info) { return std::string(info.param.name); });

// ---- Keys that cannot be created, and the rollback ------------------------------------------

struct CreateFailureCase {
  const char* name;
  const char* failingKey;
  Setup before;
  std::set<std::string> after;
};

class CreateFailureTest : public ::testing::TestWithParam<CreateFailureCase> {};

TEST_P(CreateFailureTest, FailsAndTakesTheBlockBack) {
  const CreateFailureCase& c = GetParam();
  MemoryRegistry registry;
  if (c.before) c.before(registry);
  registry.FailCreatingKeysNamed(c.failingKey);
  EXPECT_EQ(RunScript(registry, RealScript(), kRegister), kDispatchException);
  EXPECT_EQ(Contents(registry), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    RealScript, CreateFailureTest,
    ::testing::Values(
        CreateFailureCase{"ProgIdKey", "OPOS.ORVIX", nullptr, {}},
        CreateFailureCase{"InprocServer32", "InprocServer32", nullptr, {"HKCR\\CLSID"}},
        CreateFailureCase{"Version", "Version", nullptr, {"HKCR\\CLSID"}},
        CreateFailureCase{"ClassKeyAmongNeighbours", "{6D6F2B87-1F6B-4284-A931-3E0F6E09D96C}",
                          [](MemoryRegistry& r) {
                            AddNeighbours(r);
                            AddStaleClass(r);
                          },
                          Contents({NeighbourLines(), {"HKCR\\OPOS.ORVIX : @ = " + Sz(kDescription)}})}),
    [](const ::testing::TestParamInfo<CreateFailureCase>& info) { return std::string(info.param.name); });

TEST(RollbackTest, UnregistersTheFailedBlockFromItsStart) {
  MemoryRegistry registry;
  registry.FailCreatingKeysNamed("TypeLib");
  ASSERT_EQ(RunScript(registry, RealScript(), kRegister), kDispatchException);
  const Lines journal = registry.journal();
  const auto rollback = std::find(journal.begin(), journal.end(), "delete key HKCR\\OPOS.ORVIX\\CLSID");
  ASSERT_NE(rollback, journal.end());
  // Taken back as an unregistration would, less the keys the failure kept from being written.
  Lines expected = UnregistrationJournal();
  expected.erase(expected.begin() + 5, expected.begin() + 7);
  EXPECT_EQ(Lines(rollback, journal.end()), expected);
}

// ---- Root names -----------------------------------------------------------------------------

struct RootCase {
  const char* name;
  const char* dumpName;
};

class RootNameTest : public ::testing::TestWithParam<RootCase> {};

TEST_P(RootNameTest, ReachesItsRoot) {
  MemoryRegistry registry;
  ASSERT_EQ(RunScript(registry, std::string(GetParam().name) + " { K }", kRegister), kOk);
  EXPECT_EQ(registry.Dump(), Lines{std::string(GetParam().dumpName) + "\\K"});
}

INSTANTIATE_TEST_SUITE_P(AllNames, RootNameTest,
                         ::testing::Values(RootCase{"HKCR", "HKCR"}, RootCase{"HKEY_CLASSES_ROOT", "HKCR"},
                                           RootCase{"hkcu", "HKCU"}, RootCase{"HKEY_CURRENT_USER", "HKCU"},
                                           RootCase{"HKLM", "HKLM"}, RootCase{"hkey_local_machine", "HKLM"},
                                           RootCase{"HKU", "HKU"}, RootCase{"HKEY_USERS", "HKU"},
                                           RootCase{"HKPD", "HKPD"}, RootCase{"HKEY_PERFORMANCE_DATA", "HKPD"},
                                           RootCase{"HkDd", "HKDD"}, RootCase{"HKEY_DYN_DATA", "HKDD"},
                                           RootCase{"HKCC", "HKCC"}, RootCase{"HKEY_CURRENT_CONFIG", "HKCC"}));

// ---- Replacement ----------------------------------------------------------------------------

struct ReplacementCase {
  const char* name;
  std::string script;
  int32_t result;
  std::string text;  // the replaced script, when the result is kOk
};

class ReplacementTest : public ::testing::TestWithParam<ReplacementCase> {};

TEST_P(ReplacementTest, ReplacesNamesAndDoubledSigns) {
  const ReplacementCase& c = GetParam();
  const std::string name31(31, 'L');
  const ReplacementMap map = {{"Module", "C:\\A B\\ORVIX.DLL"},
                              {"Other", "%Module%"},
                              {"MODULE", "second"},
                              {name31, "long"},
                              {std::string(32, 'N'), "too long"},
                              {"Zero", std::string("ab\0cd", 5)}};
  std::string text;
  ASSERT_EQ(ReplaceScriptNames(c.script, map, &text), c.result);
  if (c.result == kOk) {
    EXPECT_EQ(text, c.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReplacementTest,
    ::testing::Values(
        ReplacementCase{"NoSigns", "HKCR { A }", kOk, "HKCR { A }"},
        ReplacementCase{"FirstMatchInAnyCase", "'%module%'", kOk, "'C:\\A B\\ORVIX.DLL'"},
        ReplacementCase{"ValueNotScannedAgain", "%OTHER%", kOk, "%Module%"},
        ReplacementCase{"DoubledSign", "100%%", kOk, "100%"},
        ReplacementCase{"DoubledSignsAroundName", "%%Module%%", kOk, "%Module%"},
        ReplacementCase{"DoubledSignThenName", "%%%Module%", kOk, "%C:\\A B\\ORVIX.DLL"},
        ReplacementCase{"NameOf31Characters", "%" + std::string(31, 'l') + "%", kOk, "long"},
        ReplacementCase{"ValueUpToZeroByte", "[%Zero%]", kOk, "[ab]"},
        ReplacementCase{"ScriptUpToZeroByte", std::string("a%%b\0%NOSUCH%", 13), kOk, "a%b"},
        ReplacementCase{"NameOf32Characters", "%" + std::string(32, 'N') + "%", kFail, ""},
        ReplacementCase{"LongNameWithoutValue", "%" + std::string(40, 'x') + "%", kFail, ""},
        ReplacementCase{"NameWithoutValue", "%NoSuch%", kDispatchException, ""},
        ReplacementCase{"SpaceAsName", "% %", kDispatchException, ""},
        ReplacementCase{"LoneSign", "%", kDispatchException, ""},
        ReplacementCase{"SignAfterDoubledSign", "%%%", kDispatchException, ""},
        ReplacementCase{"NameNeverClosed", "'%Module'", kDispatchException, ""}),
    [](const ::testing::TestParamInfo<ReplacementCase>& info) { return std::string(info.param.name); });

TEST(ModuleReplacementValueTest, DoublesEverySingleQuote) {
  EXPECT_EQ(ModuleReplacementValue("C:\\PROGRA~1\\OPOS\\ORVIX.DLL"), "C:\\PROGRA~1\\OPOS\\ORVIX.DLL");
  EXPECT_EQ(ModuleReplacementValue("C:\\O'BRIEN\\ORVIX.DLL"), "C:\\O''BRIEN\\ORVIX.DLL");
  EXPECT_EQ(ModuleReplacementValue("''"), "''''");
  EXPECT_EQ(ModuleReplacementValue(""), "");
}

}  // namespace
}  // namespace orvix::registrar
