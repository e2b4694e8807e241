#pragma once
#include <string>

#include "app/pole_display.h"

namespace orvix::vpd {

// Draws the display for people: the two rows in a frame, with the display's blinking,
// reverse video, brightness and cursor as terminal attributes, and a status line below.
// On a terminal each picture replaces the previous one in place; into a file or pipe the
// pictures follow one another.
class ScreenPainter {
 public:
  // `fd` stays owned by the caller. `inPlace`: redraw over the previous picture.
  ScreenPainter(int fd, bool inPlace) : fd_(fd), inPlace_(inPlace) {}

  // Draws the display if its picture changed since the last call.
  void Paint(const PoleDisplay& display);

  // The picture itself, without the movement that puts it over the previous one.
  static std::string Picture(const PoleDisplay& display);

 private:
  int fd_;
  bool inPlace_;
  std::string lastPicture_;
  int lastLines_ = 0;
};

}  // namespace orvix::vpd
