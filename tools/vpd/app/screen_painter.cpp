#include "app/screen_painter.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "model/glyphs.h"

namespace orvix::vpd {
namespace {

// A vacuum-fluorescent glass glows blue-green; its four brightness levels become four
// shades of cyan, from dim to bold.
const char* BrightnessAttributes(int level) {
  switch (level) {
    case 1: return "2;36";
    case 2: return "36";
    case 3: return "96";
    default: return "1;96";
  }
}

std::string CellAttributes(const VirtualScreen& screen, bool underCursor) {
  std::string codes = "\x1b[0;";
  codes += BrightnessAttributes(screen.Brightness());
  if (screen.BlinkInterval() != 0) codes += ";5";
  if (screen.Reverse()) codes += ";7";
  if (underCursor) codes += ";4";
  return codes + "m";
}

std::string Repeat(const char* piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t put = write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;  // a screen that went away is no reason to stop the display
    done += static_cast<size_t>(put);
  }
}

}  // namespace

std::string ScreenPainter::Picture(const PoleDisplay& display) {
  const VirtualScreen& screen = display.Screen();
  const std::string border = Repeat("\u2500", kColumns);
  std::string picture = "  \u250c" + border + "\u2510\n";
  for (int row = 0; row < kRows; ++row) {
    picture += "  \u2502";
    std::string current;
    for (int column = 0; column < kColumns; ++column) {
      bool underCursor = screen.CursorShown() && screen.CursorRow() == row && screen.CursorColumn() == column;
      std::string attributes = CellAttributes(screen, underCursor);
      if (attributes != current) picture += attributes;
      current = std::move(attributes);
      picture += GlyphOf(screen.Cell(row * kColumns + column));
    }
    picture += "\x1b[0m\u2502\n";
  }
  picture += "  \u2514" + border + "\u2518\n";

  picture += "  brightness " + std::to_string(screen.Brightness());
  picture += "  blink " + (screen.BlinkInterval() == 0 ? std::string("off") : std::to_string(screen.BlinkInterval()));
  picture += screen.Reverse() ? "  reverse on" : "  reverse off";
  picture += screen.CursorShown() ? "  cursor shown" : "  cursor hidden";
  picture += "  ";
  picture += ScrollModeName(screen.Mode());
  picture += "  at " + std::to_string(screen.CursorRow() + 1) + "," + std::to_string(screen.CursorColumn() + 1) + "\n";

  picture += "  " + display.Port().LinkPath();
  picture += display.PortOpen() ? " -> " + display.Port().SlavePath() : std::string(" (dropped)");
  picture += "  reply " + display.Plan().text;
  picture += "  received " + std::to_string(display.ReceivedCount()) + "\n";
  return picture;
}

void ScreenPainter::Paint(const PoleDisplay& display) {
  std::string picture = Picture(display);
  if (picture == lastPicture_) return;
  std::string text;
  if (inPlace_ && lastLines_ > 0) {
    text = "\r\x1b[" + std::to_string(lastLines_) + "A";
    // Each line is cleared first: the new picture may be narrower than the old one.
    size_t start = 0;
    while (start < picture.size()) {
      size_t end = picture.find('\n', start);
      text += "\x1b[2K" + picture.substr(start, end - start + 1);
      start = end + 1;
    }
  } else {
    text = inPlace_ ? picture : picture + "\n";
  }
  WriteAll(fd_, text);
  lastLines_ = static_cast<int>(std::count(picture.begin(), picture.end(), '\n'));
  lastPicture_ = std::move(picture);
}

}  // namespace orvix::vpd
