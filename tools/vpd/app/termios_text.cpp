#include "app/termios_text.h"

namespace orvix::vpd {
namespace {

struct SpeedName {
  speed_t speed;
  unsigned long bitsPerSecond;
};

constexpr SpeedName kSpeeds[] = {
    {B0, 0},       {B50, 50},       {B75, 75},       {B110, 110},     {B134, 134},
    {B150, 150},   {B200, 200},     {B300, 300},     {B600, 600},     {B1200, 1200},
    {B1800, 1800}, {B2400, 2400},   {B4800, 4800},   {B9600, 9600},   {B19200, 19200},
    {B38400, 38400},
#ifdef B57600
    {B57600, 57600},
#endif
#ifdef B115200
    {B115200, 115200},
#endif
#ifdef B230400
    {B230400, 230400},
#endif
#ifdef B460800
    {B460800, 460800},
#endif
#ifdef B921600
    {B921600, 921600},
#endif
};

std::string BaudText(speed_t speed) {
  for (const SpeedName& known : kSpeeds) {
    if (known.speed == speed) return std::to_string(known.bitsPerSecond);
  }
  return "other";
}

const char* ParityText(tcflag_t cflag) {
  if ((cflag & PARENB) == 0) return "none";
#ifdef CMSPAR
  if ((cflag & CMSPAR) != 0) return (cflag & PARODD) != 0 ? "mark" : "space";
#endif
  return (cflag & PARODD) != 0 ? "odd" : "even";
}

int DataBits(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
  }
}

const char* Flag(bool on) { return on ? "1" : "0"; }

}  // namespace

std::string DescribeTermios(const termios& settings) {
  std::string text;
  auto line = [&text](const char* key, const std::string& value) {
    text += key;
    text += '=';
    text += value;
    text += '\n';
  };
  line("baud", BaudText(cfgetospeed(&settings)));
  line("input-baud", BaudText(cfgetispeed(&settings)));
  line("stop-bits", (settings.c_cflag & CSTOPB) != 0 ? "2" : "1");
  line("parity", ParityText(settings.c_cflag));
  line("data-bits", std::to_string(DataBits(settings.c_cflag)));
#ifdef CRTSCTS
  line("crtscts", Flag((settings.c_cflag & CRTSCTS) != 0));
#else
  line("crtscts", "unknown");
#endif
  line("ixon", Flag((settings.c_iflag & IXON) != 0));
  line("ixoff", Flag((settings.c_iflag & IXOFF) != 0));
  line("ixany", Flag((settings.c_iflag & IXANY) != 0));
  line("clocal", Flag((settings.c_cflag & CLOCAL) != 0));
  line("hupcl", Flag((settings.c_cflag & HUPCL) != 0));
  line("icanon", Flag((settings.c_lflag & ICANON) != 0));
  line("echo", Flag((settings.c_lflag & ECHO) != 0));
  line("opost", Flag((settings.c_oflag & OPOST) != 0));
  return text;
}

}  // namespace orvix::vpd
