#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/registry_reader.h"

namespace orvix::testing {

// An HKEY_LOCAL_MACHINE in memory. Key paths and value names are matched without regard to
// letter case and a closing backslash, as the registry does; every path and name asked for
// is recorded exactly as passed. Values keep their insertion order for enumeration.
class FakeRegistryReader : public platform::RegistryReader {
 public:
  struct Value {
    std::string name;
    uint32_t type = kTypeString;
    std::vector<uint8_t> data;
  };
  struct FakeKey {
    std::vector<Value> values;
    bool unopenable = false;          // OpenLocalMachineKey fails
    bool countUnreadable = false;     // QueryValueCount fails
    int64_t reportedCount = -1;       // >= 0: the count QueryValueCount claims
  };

  // The key at `path`, created when missing.
  FakeKey& KeyAt(const std::string& path);

  // Stores a value, replacing one of the same name. Texts are stored with their terminating
  // NUL unless `terminated` is false.
  void SetText(const std::string& path, const std::string& name, const std::string& text, bool terminated = true,
               uint32_t type = kTypeString);
  void SetDword(const std::string& path, const std::string& name, uint32_t number);
  void SetBinary(const std::string& path, const std::string& name, std::vector<uint8_t> bytes);
  void Remove(const std::string& path, const std::string& name);

  platform::RegistryKeyPtr OpenLocalMachineKey(const char* path) override;
  bool QueryValueCount(platform::RegistryKey& key, uint32_t* count) override;
  Status EnumValueName(platform::RegistryKey& key, uint32_t index, char* name, uint32_t* nameLength) override;
  Status QueryValue(platform::RegistryKey& key, const char* name, uint32_t* type, uint8_t* data,
                    uint32_t* size) override;

  // What happened.
  std::vector<std::string> openedPaths;   // every OpenLocalMachineKey, also failed ones
  std::vector<std::string> queriedNames;  // every QueryValue
  size_t openKeyCount() const { return open_.size(); }
  int badCloses = 0;                      // a key closed that is not open

 private:
  using Key = uintptr_t;
  class OpenKey;

  static std::string Normalised(const std::string& path);
  static Key KeyOf(platform::RegistryKey& key);
  void Close(Key key);
  Value* Find(FakeKey& key, const std::string& name);

  std::map<std::string, FakeKey> keys_;  // by normalised path
  std::map<Key, std::string> open_;      // open handle to normalised path
  Key nextHandle_ = 0x100;
};

}  // namespace orvix::testing
