#include "fakes/fake_registry_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace orvix::testing {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

// A key handed out; destroying it closes it.
class FakeRegistryReader::OpenKey : public platform::RegistryKey {
 public:
  OpenKey(FakeRegistryReader& reader, Key key) : key(key), reader_(reader) {}
  ~OpenKey() override { reader_.Close(key); }

  const Key key;

 private:
  FakeRegistryReader& reader_;
};

FakeRegistryReader::Key FakeRegistryReader::KeyOf(platform::RegistryKey& key) {
  return static_cast<OpenKey&>(key).key;
}

std::string FakeRegistryReader::Normalised(const std::string& path) {
  std::string normal = Lower(path);
  while (!normal.empty() && normal.back() == '\\') normal.pop_back();
  return normal;
}

FakeRegistryReader::FakeKey& FakeRegistryReader::KeyAt(const std::string& path) { return keys_[Normalised(path)]; }

FakeRegistryReader::Value* FakeRegistryReader::Find(FakeKey& key, const std::string& name) {
  const std::string wanted = Lower(name);
  for (Value& value : key.values) {
    if (Lower(value.name) == wanted) return &value;
  }
  return nullptr;
}

void FakeRegistryReader::SetText(const std::string& path, const std::string& name, const std::string& text,
                                 bool terminated, uint32_t type) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  if (terminated) bytes.push_back(0);
  Remove(path, name);
  KeyAt(path).values.push_back({name, type, bytes});
}

void FakeRegistryReader::SetDword(const std::string& path, const std::string& name, uint32_t number) {
  Remove(path, name);
  KeyAt(path).values.push_back({name, kTypeDword,
                                {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                                 static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)}});
}

void FakeRegistryReader::SetBinary(const std::string& path, const std::string& name, std::vector<uint8_t> bytes) {
  Remove(path, name);
  KeyAt(path).values.push_back({name, kTypeBinary, std::move(bytes)});
}

void FakeRegistryReader::Remove(const std::string& path, const std::string& name) {
  auto& values = KeyAt(path).values;
  const std::string wanted = Lower(name);
  values.erase(std::remove_if(values.begin(), values.end(), [&](const Value& v) { return Lower(v.name) == wanted; }),
               values.end());
}

platform::RegistryKeyPtr FakeRegistryReader::OpenLocalMachineKey(const char* path) {
  openedPaths.emplace_back(path);
  const auto found = keys_.find(Normalised(path));
  if (found == keys_.end() || found->second.unopenable) return nullptr;
  const Key handle = nextHandle_++;
  open_[handle] = found->first;
  return std::make_unique<OpenKey>(*this, handle);
}

bool FakeRegistryReader::QueryValueCount(platform::RegistryKey& key, uint32_t* count) {
  const auto handle = open_.find(KeyOf(key));
  if (handle == open_.end()) return false;
  const FakeKey& k = keys_[handle->second];
  if (k.countUnreadable) return false;
  *count = k.reportedCount >= 0 ? static_cast<uint32_t>(k.reportedCount) : static_cast<uint32_t>(k.values.size());
  return true;
}

platform::RegistryReader::Status FakeRegistryReader::EnumValueName(platform::RegistryKey& key, uint32_t index,
                                                                    char* name, uint32_t* nameLength) {
  const auto handle = open_.find(KeyOf(key));
  if (handle == open_.end()) return Status::kError;
  const FakeKey& k = keys_[handle->second];
  if (index >= k.values.size()) return Status::kNotFound;
  const std::string& stored = k.values[index].name;
  if (stored.size() + 1 > *nameLength) {
    // Like the registry, a name that does not fit leaves the buffer with part of it.
    std::memset(name, '#', *nameLength);
    return Status::kMoreData;
  }
  std::memcpy(name, stored.c_str(), stored.size() + 1);
  *nameLength = static_cast<uint32_t>(stored.size());
  return Status::kOk;
}

platform::RegistryReader::Status FakeRegistryReader::QueryValue(platform::RegistryKey& key, const char* name,
                                                                 uint32_t* type, uint8_t* data, uint32_t* size) {
  queriedNames.emplace_back(name);
  const auto handle = open_.find(KeyOf(key));
  if (handle == open_.end()) return Status::kError;
  const Value* value = Find(keys_[handle->second], name);
  if (value == nullptr) return Status::kNotFound;
  *type = value->type;
  if (value->data.size() > *size) {
    // The contents of the buffer are undefined after this; fill it so that a caller that
    // uses them anyway is caught.
    std::memset(data, 0xEE, *size);
    *size = static_cast<uint32_t>(value->data.size());
    return Status::kMoreData;
  }
  if (!value->data.empty()) std::memcpy(data, value->data.data(), value->data.size());
  *size = static_cast<uint32_t>(value->data.size());
  return Status::kOk;
}

void FakeRegistryReader::Close(Key key) {
  if (open_.erase(key) == 0) ++badCloses;
}

}  // namespace orvix::testing
