#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry_editor.h"

namespace orvix::testing {

// The whole registry in memory. Key and value names match without regard to letter case and
// keep the spelling they were created with; subkeys enumerate in name order, values in the
// order they were first set. Keys handed out keep their access as Windows keys do (nothing
// is written through a read-only key), and keys of a removed key go stale. Keys given out
// must be destroyed before the registry.
class MemoryRegistry : public platform::RegistryEditor {
 public:
  using Root = platform::RegistryRoot;
  using ValueType = platform::RegistryValueType;

  struct Value {
    ValueType type = ValueType::kString;
    std::vector<uint8_t> data;
  };

  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  platform::RegistryKeyPtr OpenRoot(Root root) override;
  platform::RegistryKeyPtr OpenKey(platform::RegistryKey& parent, const char* name,
                                   platform::RegistryAccess access) override;
  platform::RegistryKeyPtr CreateKey(platform::RegistryKey& parent, const char* name) override;
  bool SetValue(platform::RegistryKey& key, const char* name, ValueType type, const uint8_t* data,
                size_t size) override;
  bool DeleteValue(platform::RegistryKey& key, const char* name) override;
  bool DeleteKey(platform::RegistryKey& parent, const char* name) override;
  bool DeleteTree(platform::RegistryKey& parent, const char* name) override;
  bool EnumSubkey(platform::RegistryKey& key, uint32_t index, std::string* name) override;
  bool QueryCounts(platform::RegistryKey& key, uint32_t* subkeys, uint32_t* values) override;
  bool EnumValueName(platform::RegistryKey& key, uint32_t index, std::string* name) override;

  // Set-up, past every access rule and not journaled. `path` is below `root`, its names
  // separated by backslashes; missing keys on the way are created. Texts get their
  // terminating zero byte.
  void AddKey(Root root, const std::string& path);
  void AddValue(Root root, const std::string& path, const std::string& name, Value value);
  void AddText(Root root, const std::string& path, const std::string& name, const std::string& text);

  // Every key and value of the registry, one line each, in name order:
  //   HKCR\OPOS.ORVIX
  //   HKCR\OPOS.ORVIX : @ = sz "OPOS Library for Line Display\0"
  //   HKCR\X : Count = dword 0x0000002a          HKCR\X : Raw = hex 01 ab
  // `@` is the default value; zero bytes in text show as \0.
  std::vector<std::string> Dump() const;

  // Each change made through the RegistryEditor operations, in order: "create PATH",
  // "set PATH : NAME", "delete value PATH : NAME", "delete key PATH", "delete tree PATH"
  // (NAME @ for the default value). Changes that fail are not listed.
  const std::vector<std::string>& journal() const { return journal_; }
  void ClearJournal() { journal_.clear(); }

  // Keys given out and not yet destroyed, roots included.
  size_t openKeyCount() const { return openKeys_; }

  // Failures to order. Creating a new key of this name (any letter case, anywhere) fails.
  void FailCreatingKeysNamed(const std::string& name);
  // The key can only be opened read-only, as HKLM keys for a user without rights: opening
  // it with full access fails, and so do creating it anew and removing it.
  void MakeReadOnly(Root root, const std::string& path);

  struct Node;

 private:
  std::shared_ptr<Node> NodeOf(platform::RegistryKey& key, bool forWriting) const;
  std::shared_ptr<Node> Find(const std::shared_ptr<Node>& from, const std::string& path) const;
  std::shared_ptr<Node> FindOrAdd(const std::shared_ptr<Node>& from, const std::string& path);
  platform::RegistryKeyPtr Hand(std::shared_ptr<Node> node, bool writable);
  bool RemoveTree(std::shared_ptr<Node> node);  // by value: removal drops the map's reference

  std::map<Root, std::shared_ptr<Node>> roots_;
  std::set<std::string> failingCreateNames_;  // lower case
  std::vector<std::string> journal_;
  size_t openKeys_ = 0;
};

}  // namespace orvix::testing
