#include "com/registrar/registration_script.h"

#include <optional>
#include <string>
#include <utility>

#include "com/registrar/script_tokenizer.h"
#include "com/registrar/script_value.h"

namespace orvix::registrar {
namespace {

using platform::RegistryAccess;
using platform::RegistryEditor;
using platform::RegistryKey;
using platform::RegistryKeyPtr;
using platform::RegistryRoot;

// The registry refuses keys more than 512 levels deep, so no sensible script nests deeper;
// the limit keeps a hostile one from exhausting the stack.
constexpr int kMaxBlockDepth = 512;

struct RootName {
  const char* shortName;
  const char* longName;
  RegistryRoot root;
};

constexpr RootName kRootNames[] = {
    {"HKCR", "HKEY_CLASSES_ROOT", RegistryRoot::kClassesRoot},
    {"HKCU", "HKEY_CURRENT_USER", RegistryRoot::kCurrentUser},
    {"HKLM", "HKEY_LOCAL_MACHINE", RegistryRoot::kLocalMachine},
    {"HKU", "HKEY_USERS", RegistryRoot::kUsers},
    {"HKPD", "HKEY_PERFORMANCE_DATA", RegistryRoot::kPerformanceData},
    {"HKDD", "HKEY_DYN_DATA", RegistryRoot::kDynData},
    {"HKCC", "HKEY_CURRENT_CONFIG", RegistryRoot::kCurrentConfig},
};

bool RootFromName(std::string_view name, RegistryRoot* root) {
  for (const RootName& entry : kRootNames) {
    if (EqualsIgnoringCase(name, entry.shortName) || EqualsIgnoringCase(name, entry.longName)) {
      *root = entry.root;
      return true;
    }
  }
  return false;
}

// CLSID and TYPELIB hold every class and type library of the system; a script that names
// them with ForceRemove or Delete means its own entries below them.
bool MayRemoveByForce(std::string_view keyName) {
  return !EqualsIgnoringCase(keyName, "CLSID") && !EqualsIgnoringCase(keyName, "TYPELIB");
}

enum class KeyMark { kNone, kForceRemove, kNoRemove, kDelete };

class ScriptRunner {
 public:
  ScriptRunner(RegistryEditor& registry, std::string_view script) : registry_(registry), tokens_(script) {}

  int32_t Run(RegistrarMode mode);

 private:
  int32_t RegisterBlock(RegistryKey& parent, int depth);
  // With a null `parent` the block's keys do not exist: it is read and nothing is touched.
  int32_t UnregisterBlock(RegistryKey* parent, int depth);
  int32_t SkipBlock(int depth) { return UnregisterBlock(nullptr, depth); }

  int32_t ReadKeyName(ScriptToken first, KeyMark* mark, std::string* name);
  int32_t ReadValueName(std::string* name);
  int32_t WriteValue(RegistryKey& key, const std::string& name);
  int32_t SkipTypeAndValue();
  int32_t SkipAssignment();
  void RemoveKey(RegistryKey& parent, const std::string& name, KeyMark mark, RegistryKeyPtr* key);

  RegistryKeyPtr OpenOrCreate(RegistryKey& parent, const std::string& name);
  RegistryKeyPtr OpenExisting(RegistryKey& parent, const std::string& name);
  bool HasSubkeys(RegistryKey& key);
  bool HasNamedValues(RegistryKey& key);

  RegistryEditor& registry_;
  ScriptTokenizer tokens_;
  bool rollingBack_ = false;  // a fault ends the reading, not the removal of enclosing keys
};

int32_t ScriptRunner::Run(RegistrarMode mode) {
  int32_t result = kOk;
  while (!tokens_.AtEnd()) {
    ScriptToken rootName;
    RegistryRoot rootId{};
    if (Failed(result = tokens_.Next(&rootName))) break;
    if (!RootFromName(rootName.text, &rootId) || !tokens_.Accept('{')) {
      result = kDispatchException;
      break;
    }
    RegistryKeyPtr root = registry_.OpenRoot(rootId);
    if (mode == RegistrarMode::kUnregister) {
      if (Failed(result = UnregisterBlock(root.get(), 1))) break;
      continue;
    }
    const size_t blockStart = tokens_.Position();
    if (Failed(result = RegisterBlock(*root, 1))) {
      // Unregistering the block takes back what it wrote. Should it meet a fault of the
      // script (as a rule the one the registration stopped at, beyond which nothing was
      // written), it reads no further but still removes the keys around that point.
      tokens_.Seek(blockStart);
      rollingBack_ = true;
      UnregisterBlock(root.get(), 1);
      break;
    }
  }
  return result;
}

int32_t ScriptRunner::RegisterBlock(RegistryKey& parent, int depth) {
  if (depth > kMaxBlockDepth) return kDispatchException;
  int32_t result = kOk;
  for (;;) {
    ScriptToken token;
    if (Failed(result = tokens_.Next(&token)) || token.Is('}')) break;

    if (token.IsKeyword("val")) {
      std::string valueName;
      if (Failed(result = ReadValueName(&valueName)) || Failed(result = WriteValue(parent, valueName))) break;
      continue;
    }

    KeyMark mark = KeyMark::kNone;
    std::string keyName;
    if (Failed(result = ReadKeyName(std::move(token), &mark, &keyName))) break;
    if ((mark == KeyMark::kForceRemove || mark == KeyMark::kDelete) && MayRemoveByForce(keyName)) {
      registry_.DeleteTree(parent, keyName.c_str());
    }
    if (mark == KeyMark::kDelete) {
      // Delete creates nothing, so a value or block after it belongs to no key.
      if (Failed(result = SkipAssignment())) break;
      if (tokens_.Accept('{') && Failed(result = SkipBlock(depth + 1))) break;
      continue;
    }

    RegistryKeyPtr key = OpenOrCreate(parent, keyName);
    if (!key) {
      result = kDispatchException;
      break;
    }
    if (tokens_.Accept('=') && Failed(result = WriteValue(*key, std::string()))) break;
    if (tokens_.Accept('{') && Failed(result = RegisterBlock(*key, depth + 1))) break;
  }
  return result;
}

int32_t ScriptRunner::UnregisterBlock(RegistryKey* parent, int depth) {
  if (depth > kMaxBlockDepth) return kDispatchException;
  int32_t result = kOk;
  for (;;) {
    ScriptToken token;
    if (Failed(result = tokens_.Next(&token)) || token.Is('}')) break;

    if (token.IsKeyword("val")) {
      std::string valueName;
      if (Failed(result = ReadValueName(&valueName))) break;
      if (parent != nullptr) registry_.DeleteValue(*parent, valueName.c_str());
      if (Failed(result = SkipTypeAndValue())) break;
      continue;
    }

    KeyMark mark = KeyMark::kNone;
    std::string keyName;
    if (Failed(result = ReadKeyName(std::move(token), &mark, &keyName))) break;
    RegistryKeyPtr key = parent != nullptr ? OpenExisting(*parent, keyName) : nullptr;
    // A key with neither subkeys nor named values holds nothing that its block lists; it goes
    // before its block is even read, so that a run that stops inside the block has removed it.
    if (key && !HasSubkeys(*key) && !HasNamedValues(*key)) RemoveKey(*parent, keyName, mark, &key);
    if (Failed(result = SkipAssignment())) break;
    const bool hasBlock = tokens_.Accept('{');
    if (!key) {
      if (hasBlock && Failed(result = SkipBlock(depth + 1))) break;
      continue;
    }
    if (hasBlock) result = UnregisterBlock(key.get(), depth + 1);
    if (Failed(result) && !rollingBack_) break;
    // Subkeys that the script does not list belong to someone else; the key stays for them.
    if (!HasSubkeys(*key)) RemoveKey(*parent, keyName, mark, &key);
    if (Failed(result)) break;
  }
  return result;
}

// Closes `*key` in any case; removes it from `parent` unless NoRemove protects it.
void ScriptRunner::RemoveKey(RegistryKey& parent, const std::string& name, KeyMark mark, RegistryKeyPtr* key) {
  key->reset();
  if (mark != KeyMark::kNoRemove) registry_.DeleteKey(parent, name.c_str());
}

int32_t ScriptRunner::ReadKeyName(ScriptToken first, KeyMark* mark, std::string* name) {
  ScriptToken nameToken = std::move(first);
  int32_t result = kOk;
  *mark = KeyMark::kNone;
  if (nameToken.IsKeyword("ForceRemove")) {
    *mark = KeyMark::kForceRemove;
  } else if (nameToken.IsKeyword("NoRemove")) {
    *mark = KeyMark::kNoRemove;
  } else if (nameToken.IsKeyword("Delete")) {
    *mark = KeyMark::kDelete;
  }
  if (*mark != KeyMark::kNone) result = tokens_.Next(&nameToken);
  // An empty name would stand for the parent itself, and a backslash would reach past the
  // structure that the braces show.
  if (!Failed(result) && (nameToken.Is('{') || nameToken.Is('}') || nameToken.Is('=') || nameToken.text.empty() ||
                          nameToken.text.find('\\') != std::string::npos)) {
    result = kDispatchException;
  }
  if (!Failed(result)) *name = std::move(nameToken.text);
  return result;
}

int32_t ScriptRunner::ReadValueName(std::string* name) {
  ScriptToken nameToken;
  int32_t result = tokens_.Next(&nameToken);
  if (!Failed(result) && !tokens_.Accept('=')) result = kDispatchException;
  if (!Failed(result)) *name = std::move(nameToken.text);
  return result;
}

int32_t ScriptRunner::WriteValue(RegistryKey& key, const std::string& name) {
  ScriptToken typeLetter;
  ScriptToken text;
  platform::RegistryValueType type{};
  std::optional<ValueData> data;
  int32_t result = tokens_.Next(&typeLetter);
  if (!Failed(result) && !ValueTypeFromLetter(typeLetter.text, &type)) result = kDispatchException;
  if (!Failed(result)) result = tokens_.Next(&text);
  if (!Failed(result)) {
    switch (type) {
      case platform::RegistryValueType::kString:
        data = StringValueData(text.text);
        break;
      case platform::RegistryValueType::kDword:
        data = DwordValueData(text.text);  // a text that is no number is a value that cannot be written
        break;
      case platform::RegistryValueType::kBinary:
        data = BinaryValueData(text.text);
        if (!data) result = kFail;
        break;
    }
  }
  // A value that cannot be written does not stop the registration.
  if (!Failed(result) && data) registry_.SetValue(key, name.c_str(), type, data->data(), data->size());
  return result;
}

int32_t ScriptRunner::SkipTypeAndValue() {
  ScriptToken skipped;
  int32_t result = tokens_.Next(&skipped);
  if (!Failed(result)) result = tokens_.Next(&skipped);
  return result;
}

int32_t ScriptRunner::SkipAssignment() { return tokens_.Accept('=') ? SkipTypeAndValue() : kOk; }

RegistryKeyPtr ScriptRunner::OpenOrCreate(RegistryKey& parent, const std::string& name) {
  RegistryKeyPtr key = OpenExisting(parent, name);
  if (!key) key = registry_.CreateKey(parent, name.c_str());
  return key;
}

// Full access first, because values are removed through the key; read-only where the
// caller may not write, as under HKEY_CLASSES_ROOT\CLSID for a user without rights.
RegistryKeyPtr ScriptRunner::OpenExisting(RegistryKey& parent, const std::string& name) {
  RegistryKeyPtr key = registry_.OpenKey(parent, name.c_str(), RegistryAccess::kFull);
  if (!key) key = registry_.OpenKey(parent, name.c_str(), RegistryAccess::kReadOnly);
  return key;
}

bool ScriptRunner::HasSubkeys(RegistryKey& key) {
  uint32_t subkeys = 0;
  uint32_t values = 0;
  return registry_.QueryCounts(key, &subkeys, &values) && subkeys > 0;
}

// The default value alone does not count.
bool ScriptRunner::HasNamedValues(RegistryKey& key) {
  uint32_t subkeys = 0;
  uint32_t values = 0;
  if (!registry_.QueryCounts(key, &subkeys, &values)) return false;
  if (values != 1) return values > 1;
  std::string name;
  return registry_.EnumValueName(key, 0, &name) && !name.empty();
}

}  // namespace

int32_t RunRegistrationScript(RegistryEditor& registry, std::string_view script, const ReplacementMap& replacements,
                              RegistrarMode mode) {
  std::string replaced;
  int32_t result = ReplaceScriptNames(script, replacements, &replaced);
  if (!Failed(result)) result = ScriptRunner(registry, replaced).Run(mode);
  return result;
}

}  // namespace orvix::registrar
