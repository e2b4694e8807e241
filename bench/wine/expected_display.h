// What the display must receive, worked out independently of the DLL from the display's
// command set and the service's documented behaviour, for the calls the soak makes. Every
// call appends the bytes of its one write (nothing for a call that writes nothing).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace orvix::wine_client {

class ExpectedDisplay {
 public:
  static constexpr int kRows = 2;
  static constexpr int kColumns = 20;

  // The identification request, and initialise with clear, which every OpenService that
  // reaches the display sends in two writes.
  static const std::vector<uint8_t>& IdentifyRequest();
  static const std::vector<uint8_t>& InitialiseAndClear();

  // OpenService that found the display: the service state back to its reset values.
  void Opened();

  // Texts are the bytes the display gets (code page 1252). Invalid arguments are repaired
  // as a lenient profile (Option 0) repairs them.
  void DisplayText(const std::string& text, int32_t attribute);
  void DisplayTextAt(int32_t row, int32_t column, const std::string& text, int32_t attribute);
  void ClearText();
  void ScrollText(int32_t direction, int32_t units);
  void SetPropertyNumber(int32_t index, int32_t number);
  // CheckHealth, and reading CheckHealthText (which runs the interactive check).
  void CheckHealth(int32_t level);

  int32_t cursorType() const { return cursorType_; }
  int32_t marqueeType() const { return marqueeType_; }

  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  void Append(std::initializer_list<uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes); }
  void AppendText(const std::string& text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
  void ApplyAttribute(int32_t attribute, uint8_t blinkParameter);
  void WriteCells(int firstCell, const std::string& text);
  void MoveCursor(int row, int column, int count);

  std::vector<uint8_t> bytes_;
  uint8_t cells_[kRows * kColumns] = {};
  int cursorRow_ = 0;  // 0: home, counts as row 1
  int cursorColumn_ = 0;
  uint8_t blinkInterval_ = 0x32;
  uint8_t reverseVideo_ = 0;
  uint8_t brightness_ = 1;
  int32_t cursorType_ = 0;
  int32_t marqueeType_ = 0;
};

}  // namespace orvix::wine_client
