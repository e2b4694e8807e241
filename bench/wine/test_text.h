// Texts for the display: the Automation string a caller passes and the bytes the display
// must get for it in code page 1252 (the harness fixes the ANSI code page at 1252).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <random>
#include <string>

#include "win32/unique_any.h"

namespace orvix::wine_client {

class TestText {
 public:
  TestText() = default;
  explicit TestText(const char* ascii) { Set(ascii); }
  TestText(const TestText&) = delete;
  TestText& operator=(const TestText&) = delete;

  // An ASCII text, the same on both sides.
  void Set(const char* ascii);

  // `length` characters drawn from letters, digits, signs, a few characters of code page
  // 1252 above 0x7F and one that it lacks (sent as '?').
  static void Random(std::mt19937& random, int length, TestText* text);

  BSTR wide() const { return wide_.get(); }
  const std::string& ansi() const { return ansi_; }

 private:
  win32::UniqueBstr wide_;
  std::string ansi_;
};

}  // namespace orvix::wine_client
