// A virtual X server for one test process: Xvfb on the first free display
// number (it reports the number through -displayfd), stopped at the end.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace ecocam::testing {

class Xvfb {
 public:
  Xvfb() {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return;
    _pid = fork();
    if (_pid == 0) {
      close(pipeFds[0]);
      // Ends with the test, even one killed by a timeout.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      const int quiet = open("/dev/null", O_WRONLY);
      if (quiet >= 0) dup2(quiet, STDERR_FILENO);
      const std::string fd = std::to_string(pipeFds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(pipeFds[1]);
    if (_pid > 0) _display = ReadDisplay(pipeFds[0]);
    close(pipeFds[0]);
  }
  ~Xvfb() {
    if (_pid <= 0) return;
    kill(_pid, SIGTERM);
    int status = 0;
    waitpid(_pid, &status, 0);
  }
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  // ":N", or empty when the server did not start.
  const std::string& Display() const { return _display; }

 private:
  // The number Xvfb writes, once it accepts connections (10 s at most).
  static std::string ReadDisplay(int fd) {
    std::string number;
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
      char c = 0;
      if (read(fd, &c, 1) != 1) break;
      if (c == '\n') return number.empty() ? std::string() : ":" + number;
      number += c;
    }
    return {};
  }

  pid_t _pid = -1;
  std::string _display;
};

}  // namespace ecocam::testing
