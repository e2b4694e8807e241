#pragma once

namespace orvix::platform {

// A modal message for the person at the till.
class MessageBox {
 public:
  virtual ~MessageBox() = default;

  // Shows `text` (NUL-terminated, ANSI) with an OK button only and returns when it is
  // dismissed. Runs a message loop on the calling thread while it is shown.
  virtual void ShowError(const char* text) = 0;
};

}  // namespace orvix::platform
