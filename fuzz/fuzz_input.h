#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace orvix::fuzz {

// The fuzzer's bytes, read front to back. Past the end every read gives zeros, so that any
// input, the empty one included, decodes to something the targets can run.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return position_ >= size_; }
  size_t remaining() const { return empty() ? 0 : size_ - position_; }

  uint8_t Byte() { return empty() ? 0 : data_[position_++]; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  uint32_t U32() { return static_cast<uint32_t>(U16()) | static_cast<uint32_t>(U16()) << 16; }

  // Up to `count` bytes; fewer when the input ends first.
  std::string Bytes(size_t count) {
    const size_t taken = count < remaining() ? count : remaining();
    std::string bytes(reinterpret_cast<const char*>(data_ + position_), taken);
    position_ += taken;
    return bytes;
  }
  std::string Rest() { return Bytes(remaining()); }

  // A 32-bit argument. Most come from near the edges that the operations test (the forty
  // cells, the ranges of rows, columns and units, the 8-bit fields), the rest from anywhere.
  int32_t Number() {
    static const int32_t kEdges[] = {
        std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min() + 1, -129, -128, -127, -21, -20,
        -19, -2, -1, 255, 256, 257, 32767, 32768, 65535, 65536, std::numeric_limits<int32_t>::max() - 1,
        std::numeric_limits<int32_t>::max()};
    const uint8_t kind = Byte();
    if (kind < 128) return static_cast<int32_t>(kind % 48) - 4;  // -4..43
    if (kind < 192) return kEdges[kind % (sizeof kEdges / sizeof kEdges[0])];
    return static_cast<int32_t>(U32());
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// Ends the run so that libFuzzer keeps the input that broke the rule.
[[noreturn]] inline void FailCheck(const char* file, int line, const char* condition) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

}  // namespace orvix::fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::orvix::fuzz::FailCheck(__FILE__, __LINE__, #condition))
