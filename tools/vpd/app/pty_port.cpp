#include "app/pty_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace orvix::vpd {
namespace {

std::string ErrnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Raw mode by hand (cfmakeraw is not POSIX). Without it the line discipline would echo
// the display's replies back to the display and turn LF bytes into CR LF.
bool MakeRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return false;
  settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
  settings.c_cflag |= CS8 | CREAD | CLOCAL;
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
  return tcsetattr(fd, TCSANOW, &settings) == 0;
}

std::string ReadLink(const std::string& path) {
  std::vector<char> target(4096);
  ssize_t size = readlink(path.c_str(), target.data(), target.size());
  if (size < 0 || static_cast<size_t>(size) >= target.size()) return std::string();
  return std::string(target.data(), static_cast<size_t>(size));
}

}  // namespace

bool PtyPort::Open(std::string* why) {
  Close();
  UniqueFd master(posix_openpt(O_RDWR | O_NOCTTY));
  if (!master.Valid()) {
    *why = ErrnoText("posix_openpt");
    return false;
  }
  if (grantpt(master.Get()) != 0 || unlockpt(master.Get()) != 0) {
    *why = ErrnoText("grantpt/unlockpt");
    return false;
  }
  const char* name = ptsname(master.Get());
  if (name == nullptr) {
    *why = ErrnoText("ptsname");
    return false;
  }
  std::string slavePath = name;
  UniqueFd slave(open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!slave.Valid()) {
    *why = ErrnoText("open pty slave");
    return false;
  }
  if (!MakeRaw(slave.Get())) {
    *why = ErrnoText("set raw mode");
    return false;
  }
  int flags = fcntl(master.Get(), F_GETFL);
  if (flags < 0 || fcntl(master.Get(), F_SETFL, flags | O_NONBLOCK) != 0 ||
      fcntl(master.Get(), F_SETFD, FD_CLOEXEC) != 0) {
    *why = ErrnoText("fcntl");
    return false;
  }
  master_ = std::move(master);
  slave_ = std::move(slave);
  slavePath_ = slavePath;
  if (!PlaceLink(why)) {
    Close();
    return false;
  }
  return true;
}

bool PtyPort::PlaceLink(std::string* why) {
  struct stat existing{};
  if (lstat(linkPath_.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
    *why = linkPath_ + " exists and is not a symlink";
    return false;
  }
  // A new link under a temporary name, renamed over the old one, so that the path never
  // disappears for a client that is looking for it.
  std::string temporary = linkPath_ + ".vpd-" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(slavePath_.c_str(), temporary.c_str()) != 0) {
    *why = ErrnoText(("symlink " + temporary).c_str());
    return false;
  }
  if (rename(temporary.c_str(), linkPath_.c_str()) != 0) {
    *why = ErrnoText(("rename to " + linkPath_).c_str());
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

void PtyPort::RemoveLinkIfOurs() {
  if (!slavePath_.empty() && ReadLink(linkPath_) == slavePath_) unlink(linkPath_.c_str());
}

void PtyPort::Close() {
  RemoveLinkIfOurs();
  slave_.Reset();
  master_.Reset();
  slavePath_.clear();
}

}  // namespace orvix::vpd
