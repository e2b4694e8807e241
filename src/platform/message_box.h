#pragma once

namespace orvix::platform {

// A modal message for the person at the till.
class MessageBox {
 public:
  virtual ~MessageBox() = default;

  // Whether anyone can see a message box of this process: false when the process runs
  // where its windows are never shown (a service, whose window station is not visible),
  // and when that cannot be told. A box shown there would wait for a click that never
  // comes. Never blocks.
  virtual bool CanBeSeen() = 0;

  // Shows `text` (NUL-terminated, ANSI) with an OK button only and returns when it is
  // dismissed. The box belongs to the calling thread's active window (none when it has
  // none), so that it stays in front of the application that caused it. Runs a message loop
  // on the calling thread while it is shown.
  virtual void ShowError(const char* text) = 0;
};

}  // namespace orvix::platform
