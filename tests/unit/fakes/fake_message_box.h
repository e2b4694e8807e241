#pragma once
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace orvix::testing {

// Records every message instead of showing it; "dismissed" at once.
class FakeMessageBox : public platform::MessageBox {
 public:
  void ShowError(const char* text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

}  // namespace orvix::testing
