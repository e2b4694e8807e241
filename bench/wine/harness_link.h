// Meeting points with the Wine harness, which drives the virtual display beside this
// program: files in a folder that both sides see (the harness's work folder, through Z:).
//
// At a step the program writes NAME.step (with optional content) and waits for NAME.go,
// which the harness writes once it has checked the display and changed what the step
// calls for (dropped the line, changed the reply...). Data for the harness goes into
// files of their own before the step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvix::wine_client {

class HarnessLink {
 public:
  // How long a step waits for the harness before the program gives up on it.
  static constexpr uint32_t kStepTimeoutMs = 180000;

  explicit HarnessLink(std::wstring folder) : folder_(std::move(folder)) {}

  // Announces step `name` and waits for the go-ahead. False when it never came.
  bool Step(const char* name);

  // True once the harness has made NAME.flag (without waiting).
  bool Flagged(const char* name) const;

  // Writes `size` bytes to the file `name` in the folder, replacing it. False on failure.
  bool WriteData(const char* name, const void* data, size_t size) const;

 private:
  std::wstring PathOf(const char* name, const char* suffix) const;

  std::wstring folder_;
};

}  // namespace orvix::wine_client
