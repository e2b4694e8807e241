#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvix {

// The bytes one method call sends to the display, gathered so that they leave in one write.
// Empty, with no storage, until the first append.
class CommandBuffer {
 public:
  void Append(const uint8_t* bytes, size_t size) { bytes_.insert(bytes_.end(), bytes, bytes + size); }
  void Append(std::initializer_list<uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes); }
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace orvix
