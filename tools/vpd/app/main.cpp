// orvix-vpd: a virtual KVD5100/KVD5130 pole display on a pseudo-terminal, for running
// ORVIX.DLL under Wine without the hardware. See tools/vpd/README.md.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/control_session.h"
#include "app/pole_display.h"
#include "app/screen_painter.h"
#include "app/unique_fd.h"
#include "model/reply_plan.h"

namespace orvix::vpd {
namespace {

constexpr size_t kMaxControlLine = 4096;
// How long the master side is left alone after it reported a hang-up, so that a line
// without a client side cannot make the loop spin.
constexpr int64_t kHangupPauseMs = 100;

const char kUsage[] =
    "usage: orvix-vpd [options] LINK\n"
    "  LINK              path of the symlink to the pty that clients open\n"
    "  --control         take commands on stdin, answer on stdout\n"
    "  --show            draw the display on stdout (not with --control)\n"
    "  --screen PATH     draw the display into PATH (a terminal such as /dev/tty, or a file)\n"
    "  --reply REPLY     identification reply: KVD5100 | silent | late <ms> <model> |\n"
    "                    lead <hh> <model> | raw <hex>   (default KVD5100)\n"
    "  --trace           log every byte received and sent on stderr\n"
    "Without --control, --show or --screen the display is drawn on stdout when it is a\n"
    "terminal. It runs until quit (control mode), end of stdin (control mode), SIGTERM,\n"
    "SIGINT or SIGHUP, and removes its link on the way out.\n";

struct Options {
  std::string linkPath;
  bool control = false;
  bool show = false;
  std::string screenPath;
  ReplyPlan plan;
  bool trace = false;
};

int signalPipeWrite = -1;

void OnSignal(int) {
  int saved = errno;
  char byte = 1;
  ssize_t ignored = write(signalPipeWrite, &byte, 1);
  (void)ignored;
  errno = saved;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--control") {
      options->control = true;
    } else if (argument == "--show") {
      options->show = true;
    } else if (argument == "--trace") {
      options->trace = true;
    } else if ((argument == "--screen" || argument == "--reply") && i + 1 < argc) {
      std::string value = argv[++i];
      if (argument == "--screen") {
        options->screenPath = value;
      } else {
        std::string why;
        if (!ParseReplyPlan(value, &options->plan, &why)) {
          std::fprintf(stderr, "orvix-vpd: --reply: %s\n", why.c_str());
          return false;
        }
      }
    } else if (argument == "--help" || argument == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (!argument.empty() && argument[0] != '-' && options->linkPath.empty()) {
      options->linkPath = argument;
    } else {
      std::fprintf(stderr, "orvix-vpd: unexpected argument %s\n", argument.c_str());
      return false;
    }
  }
  if (options->linkPath.empty()) {
    std::fputs("orvix-vpd: no link path given\n", stderr);
    return false;
  }
  if (options->control && options->show) {
    std::fputs("orvix-vpd: --show draws on stdout, which --control needs; use --screen PATH\n", stderr);
    return false;
  }
  return true;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t put = write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

// Reads the control channel and splits it into lines.
class LineReader {
 public:
  // False at end of input or on a read error.
  bool Fill(int fd) {
    char chunk[4096];
    ssize_t got;
    do {
      got = read(fd, chunk, sizeof chunk);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && errno == EAGAIN) return true;
    if (got <= 0) return false;
    pending_.append(chunk, static_cast<size_t>(got));
    return true;
  }

  // Takes the next complete line. A line longer than kMaxControlLine is cut off there; its
  // rest is discarded up to the next line feed.
  bool NextLine(std::string* line) {
    for (;;) {
      size_t end = pending_.find('\n');
      if (end == std::string::npos) {
        if (pending_.size() > kMaxControlLine && !discarding_) {
          *line = pending_.substr(0, kMaxControlLine);
          pending_.clear();
          discarding_ = true;
          return true;
        }
        if (discarding_) pending_.clear();
        return false;
      }
      bool skip = discarding_;
      discarding_ = false;
      *line = pending_.substr(0, std::min(end, kMaxControlLine));
      pending_.erase(0, end + 1);
      if (!skip) return true;
    }
  }

 private:
  std::string pending_;
  bool discarding_ = false;
};

int Run(const Options& options) {
  int signalPipe[2];
  if (pipe(signalPipe) != 0) {
    std::perror("orvix-vpd: pipe");
    return 1;
  }
  UniqueFd signalRead(signalPipe[0]);
  UniqueFd signalWrite(signalPipe[1]);
  fcntl(signalRead.Get(), F_SETFL, O_NONBLOCK);
  fcntl(signalWrite.Get(), F_SETFL, O_NONBLOCK);
  signalPipeWrite = signalWrite.Get();
  struct sigaction action{};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  PoleDisplay display(options.linkPath, options.plan, options.trace ? stderr : nullptr);
  std::string why;
  if (!display.OpenPort(&why)) {
    std::fprintf(stderr, "orvix-vpd: %s\n", why.c_str());
    return 1;
  }

  UniqueFd screenFile;
  std::unique_ptr<ScreenPainter> painter;
  if (!options.screenPath.empty()) {
    screenFile.Reset(open(options.screenPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0644));
    if (!screenFile.Valid()) {
      std::fprintf(stderr, "orvix-vpd: %s: %s\n", options.screenPath.c_str(), std::strerror(errno));
      return 1;
    }
    painter = std::make_unique<ScreenPainter>(screenFile.Get(), isatty(screenFile.Get()) == 1);
  } else if (options.show || (!options.control && isatty(STDOUT_FILENO) == 1)) {
    painter = std::make_unique<ScreenPainter>(STDOUT_FILENO, isatty(STDOUT_FILENO) == 1);
  }

  ControlSession session(display);
  LineReader control;
  bool controlOpen = options.control;
  int exitCode = 0;
  bool running = true;
  std::string reply;
  int64_t masterQuietUntil = 0;

  while (running) {
    if (painter) painter->Paint(display);

    int64_t now = NowMs();
    int timeout = -1;
    bool masterQuiet = now < masterQuietUntil;
    for (int64_t wait : {display.MillisecondsUntilNextReply(now), session.MillisecondsUntilWaitEnds(now),
                         masterQuiet ? masterQuietUntil - now : -1}) {
      if (wait >= 0 && (timeout < 0 || wait < timeout)) timeout = static_cast<int>(wait);
    }

    pollfd fds[3] = {};
    fds[0] = {signalRead.Get(), POLLIN, 0};
    fds[1] = {display.PortOpen() && !masterQuiet ? display.Port().MasterFd() : -1,
              static_cast<short>(POLLIN | (display.HasOutput() ? POLLOUT : 0)), 0};
    fds[2] = {controlOpen && !session.Waiting() ? STDIN_FILENO : -1, POLLIN, 0};
    int ready = poll(fds, 3, timeout);
    if (ready < 0 && errno != EINTR) {
      std::perror("orvix-vpd: poll");
      exitCode = 1;
      break;
    }
    if (ready > 0 && (fds[0].revents & POLLIN) != 0) break;

    now = NowMs();
    if ((fds[1].revents & (POLLHUP | POLLERR)) != 0) masterQuietUntil = now + kHangupPauseMs;
    // The line first: a command that follows bytes on the line must see them applied.
    display.ReadInput(now);
    display.WriteOutput(now);

    reply.clear();
    if (session.Waiting()) session.ResolveWait(now, reply);
    if (ready > 0 && fds[2].revents != 0 && !control.Fill(STDIN_FILENO)) controlOpen = false;
    std::string line;
    while (running && !session.Waiting() && control.NextLine(&line)) {
      display.ReadInput(now);
      ControlSession::Outcome outcome = session.Handle(line, now, reply);
      display.WriteOutput(now);
      if (outcome == ControlSession::Outcome::kQuit) running = false;
    }
    if (!reply.empty() && !WriteAll(STDOUT_FILENO, reply)) running = false;
    // End of the control channel ends the display, once every command has been answered.
    if (options.control && !controlOpen && !session.Waiting()) running = false;
  }

  if (painter) painter->Paint(display);
  display.DropPort();
  return exitCode;
}

}  // namespace
}  // namespace orvix::vpd

int main(int argc, char** argv) {
  orvix::vpd::Options options;
  if (!orvix::vpd::ParseOptions(argc, argv, &options)) {
    std::fputs(orvix::vpd::kUsage, stderr);
    return 2;
  }
  return orvix::vpd::Run(options);
}
