#include "fakes/memory_registry.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace orvix::testing {

struct MemoryRegistry::Node {
  std::string name;  // as spelled when created
  std::string path;  // root name and key names, as spelled
  std::weak_ptr<Node> parent;
  std::map<std::string, std::shared_ptr<Node>> subkeys;  // by lower-case name
  std::vector<std::pair<std::string, Value>> values;
  bool readOnly = false;
  bool removed = false;
};

namespace {

using Node = MemoryRegistry::Node;

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> names;
  std::string current;
  for (char c : path) {
    if (c != '\\') {
      current.push_back(c);
    } else if (!current.empty()) {
      names.push_back(current);
      current.clear();
    }
  }
  if (!current.empty()) names.push_back(current);
  return names;
}

const char* RootName(platform::RegistryRoot root) {
  switch (root) {
    case platform::RegistryRoot::kClassesRoot: return "HKCR";
    case platform::RegistryRoot::kCurrentUser: return "HKCU";
    case platform::RegistryRoot::kLocalMachine: return "HKLM";
    case platform::RegistryRoot::kUsers: return "HKU";
    case platform::RegistryRoot::kPerformanceData: return "HKPD";
    case platform::RegistryRoot::kCurrentConfig: return "HKCC";
    case platform::RegistryRoot::kDynData: return "HKDD";
  }
  return "?";
}

std::vector<std::pair<std::string, MemoryRegistry::Value>>::iterator FindValue(Node& node, const std::string& name) {
  const std::string wanted = Lower(name);
  auto it = node.values.begin();
  while (it != node.values.end() && Lower(it->first) != wanted) ++it;
  return it;
}

std::string ValueLabel(const std::string& name) { return name.empty() ? "@" : name; }

std::string RenderValue(const MemoryRegistry::Value& value) {
  std::string text;
  char hex[16];
  switch (value.type) {
    case platform::RegistryValueType::kString:
      text = "sz \"";
      for (uint8_t byte : value.data) {
        if (byte == 0) {
          text += "\\0";
        } else if (byte < 0x20 || byte >= 0x7F) {
          std::snprintf(hex, sizeof hex, "\\x%02x", byte);
          text += hex;
        } else {
          text.push_back(static_cast<char>(byte));
        }
      }
      return text + "\"";
    case platform::RegistryValueType::kDword:
      if (value.data.size() == 4) {
        const uint32_t number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                static_cast<uint32_t>(value.data[3]) << 24;
        std::snprintf(hex, sizeof hex, "0x%08x", number);
        return std::string("dword ") + hex;
      }
      text = "dword of";
      break;
    case platform::RegistryValueType::kBinary:
      text = "hex";
      break;
  }
  for (uint8_t byte : value.data) {
    std::snprintf(hex, sizeof hex, " %02x", byte);
    text += hex;
  }
  return text;
}

void DumpNode(const Node& node, bool isRoot, std::vector<std::string>* lines) {
  if (!isRoot) lines->push_back(node.path);
  std::vector<std::pair<std::string, const MemoryRegistry::Value*>> values;
  for (const auto& entry : node.values) values.emplace_back(entry.first, &entry.second);
  std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return Lower(a.first) < Lower(b.first); });
  for (const auto& value : values) {
    lines->push_back(node.path + " : " + ValueLabel(value.first) + " = " + RenderValue(*value.second));
  }
  for (const auto& child : node.subkeys) DumpNode(*child.second, false, lines);
}

class MemoryKey : public platform::RegistryKey {
 public:
  MemoryKey(std::shared_ptr<Node> node, bool writable, size_t* openKeys)
      : node(std::move(node)), writable(writable), openKeys_(openKeys) {
    ++*openKeys_;
  }
  ~MemoryKey() override { --*openKeys_; }

  const std::shared_ptr<Node> node;
  const bool writable;

 private:
  size_t* openKeys_;
};

}  // namespace

MemoryRegistry::MemoryRegistry() {
  for (Root root : {Root::kClassesRoot, Root::kCurrentUser, Root::kLocalMachine, Root::kUsers, Root::kPerformanceData,
                    Root::kCurrentConfig, Root::kDynData}) {
    auto node = std::make_shared<Node>();
    node->name = node->path = RootName(root);
    roots_[root] = node;
  }
}

MemoryRegistry::~MemoryRegistry() = default;

platform::RegistryKeyPtr MemoryRegistry::Hand(std::shared_ptr<Node> node, bool writable) {
  return std::make_unique<MemoryKey>(std::move(node), writable, &openKeys_);
}

std::shared_ptr<Node> MemoryRegistry::NodeOf(platform::RegistryKey& key, bool forWriting) const {
  auto& memoryKey = static_cast<MemoryKey&>(key);
  if (memoryKey.node->removed || (forWriting && !memoryKey.writable)) return nullptr;
  return memoryKey.node;
}

std::shared_ptr<Node> MemoryRegistry::Find(const std::shared_ptr<Node>& from, const std::string& path) const {
  std::shared_ptr<Node> node = from;
  for (const std::string& name : SplitPath(path)) {
    auto it = node->subkeys.find(Lower(name));
    if (it == node->subkeys.end()) return nullptr;
    node = it->second;
  }
  return node;
}

std::shared_ptr<Node> MemoryRegistry::FindOrAdd(const std::shared_ptr<Node>& from, const std::string& path) {
  std::shared_ptr<Node> node = from;
  for (const std::string& name : SplitPath(path)) {
    std::shared_ptr<Node>& child = node->subkeys[Lower(name)];
    if (!child) {
      child = std::make_shared<Node>();
      child->name = name;
      child->path = node->path + "\\" + name;
      child->parent = node;
    }
    node = child;
  }
  return node;
}

platform::RegistryKeyPtr MemoryRegistry::OpenRoot(Root root) { return Hand(roots_.at(root), true); }

platform::RegistryKeyPtr MemoryRegistry::OpenKey(platform::RegistryKey& parent, const char* name,
                                                 platform::RegistryAccess access) {
  std::shared_ptr<Node> parentNode = NodeOf(parent, false);
  std::shared_ptr<Node> node = parentNode ? Find(parentNode, name) : nullptr;
  const bool full = access == platform::RegistryAccess::kFull;
  if (!node || (full && node->readOnly)) return nullptr;
  return Hand(node, full);
}

platform::RegistryKeyPtr MemoryRegistry::CreateKey(platform::RegistryKey& parent, const char* name) {
  std::shared_ptr<Node> node = NodeOf(parent, false);
  if (!node) return nullptr;
  bool mayCreate = static_cast<MemoryKey&>(parent).writable;
  for (const std::string& part : SplitPath(name)) {
    auto it = node->subkeys.find(Lower(part));
    if (it == node->subkeys.end()) {
      if (!mayCreate || node->readOnly || failingCreateNames_.count(Lower(part)) != 0) return nullptr;
      node = FindOrAdd(node, part);
      journal_.push_back("create " + node->path);
    } else {
      node = it->second;
    }
    mayCreate = !node->readOnly;
  }
  if (node->readOnly) return nullptr;
  return Hand(node, true);
}

bool MemoryRegistry::SetValue(platform::RegistryKey& key, const char* name, ValueType type, const uint8_t* data,
                              size_t size) {
  std::shared_ptr<Node> node = NodeOf(key, true);
  if (!node) return false;
  Value value{type, data != nullptr ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>()};
  auto it = FindValue(*node, name);
  if (it != node->values.end()) {
    it->second = std::move(value);
  } else {
    node->values.emplace_back(name, std::move(value));
  }
  journal_.push_back("set " + node->path + " : " + ValueLabel(name));
  return true;
}

bool MemoryRegistry::DeleteValue(platform::RegistryKey& key, const char* name) {
  std::shared_ptr<Node> node = NodeOf(key, true);
  if (!node) return false;
  auto it = FindValue(*node, name);
  if (it == node->values.end()) return false;
  node->values.erase(it);
  journal_.push_back("delete value " + node->path + " : " + ValueLabel(name));
  return true;
}

bool MemoryRegistry::DeleteKey(platform::RegistryKey& parent, const char* name) {
  std::shared_ptr<Node> parentNode = NodeOf(parent, false);
  if (!parentNode || SplitPath(name).empty()) return false;
  std::shared_ptr<Node> node = Find(parentNode, name);
  if (!node || !node->subkeys.empty() || node->readOnly) return false;
  RemoveTree(node);
  journal_.push_back("delete key " + node->path);
  return true;
}

bool MemoryRegistry::DeleteTree(platform::RegistryKey& parent, const char* name) {
  std::shared_ptr<Node> parentNode = NodeOf(parent, false);
  if (!parentNode || SplitPath(name).empty()) return false;
  std::shared_ptr<Node> node = Find(parentNode, name);
  if (!node) return false;
  const bool removed = RemoveTree(node);
  journal_.push_back("delete tree " + node->path + (removed ? "" : " (in part)"));
  return removed;
}

bool MemoryRegistry::RemoveTree(std::shared_ptr<Node> node) {
  while (!node->subkeys.empty()) {
    if (!RemoveTree(node->subkeys.begin()->second)) return false;
  }
  if (node->readOnly) return false;
  if (std::shared_ptr<Node> parent = node->parent.lock()) parent->subkeys.erase(Lower(node->name));
  node->removed = true;
  return true;
}

bool MemoryRegistry::EnumSubkey(platform::RegistryKey& key, uint32_t index, std::string* name) {
  std::shared_ptr<Node> node = NodeOf(key, false);
  if (!node || index >= node->subkeys.size()) return false;
  auto it = node->subkeys.begin();
  std::advance(it, index);
  *name = it->second->name;
  return true;
}

bool MemoryRegistry::QueryCounts(platform::RegistryKey& key, uint32_t* subkeys, uint32_t* values) {
  std::shared_ptr<Node> node = NodeOf(key, false);
  if (!node) return false;
  *subkeys = static_cast<uint32_t>(node->subkeys.size());
  *values = static_cast<uint32_t>(node->values.size());
  return true;
}

bool MemoryRegistry::EnumValueName(platform::RegistryKey& key, uint32_t index, std::string* name) {
  std::shared_ptr<Node> node = NodeOf(key, false);
  if (!node || index >= node->values.size()) return false;
  *name = node->values[index].first;
  return true;
}

void MemoryRegistry::AddKey(Root root, const std::string& path) { FindOrAdd(roots_.at(root), path); }

void MemoryRegistry::AddValue(Root root, const std::string& path, const std::string& name, Value value) {
  std::shared_ptr<Node> node = FindOrAdd(roots_.at(root), path);
  auto it = FindValue(*node, name);
  if (it != node->values.end()) {
    it->second = std::move(value);
  } else {
    node->values.emplace_back(name, std::move(value));
  }
}

void MemoryRegistry::AddText(Root root, const std::string& path, const std::string& name, const std::string& text) {
  Value value{ValueType::kString, std::vector<uint8_t>(text.begin(), text.end())};
  value.data.push_back(0);
  AddValue(root, path, name, std::move(value));
}

std::vector<std::string> MemoryRegistry::Dump() const {
  std::vector<std::string> lines;
  for (const auto& root : roots_) DumpNode(*root.second, true, &lines);
  return lines;
}

void MemoryRegistry::FailCreatingKeysNamed(const std::string& name) { failingCreateNames_.insert(Lower(name)); }

void MemoryRegistry::MakeReadOnly(Root root, const std::string& path) { FindOrAdd(roots_.at(root), path)->readOnly = true; }

}  // namespace orvix::testing
