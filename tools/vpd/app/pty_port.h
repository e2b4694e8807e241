#pragma once
#include <string>

#include "app/unique_fd.h"

namespace orvix::vpd {

// The display's end of a pseudo-terminal, and a symlink to the other end under the name
// that clients open (Wine maps a COM port to that path). The display keeps a descriptor of
// the client's side open itself: without one, the master side reads EIO whenever no
// client has the port open.
class PtyPort {
 public:
  explicit PtyPort(std::string linkPath) : linkPath_(std::move(linkPath)) {}
  ~PtyPort() { Close(); }
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  // Makes a new pty in raw mode at 9600 bit/s and points the link at its client side,
  // replacing a symlink that is already there. Refuses to replace anything that is not a
  // symlink. False with `why` set on failure; the port is then closed.
  bool Open(std::string* why);

  // Closes both sides and removes the link if it still leads to this pty. A client that
  // has the port open then sees its reads and writes fail. Harmless when closed.
  void Close();

  bool IsOpen() const { return master_.Valid(); }
  int MasterFd() const { return master_.Get(); }  // non-blocking
  int SlaveFd() const { return slave_.Get(); }
  const std::string& LinkPath() const { return linkPath_; }
  const std::string& SlavePath() const { return slavePath_; }

 private:
  bool PlaceLink(std::string* why);
  void RemoveLinkIfOurs();

  std::string linkPath_;
  std::string slavePath_;
  UniqueFd master_;
  UniqueFd slave_;
};

}  // namespace orvix::vpd
