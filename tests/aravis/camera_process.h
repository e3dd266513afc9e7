// Runs the fake camera server (fake_camera_server.cpp) as a child process:
// started, waited for until it is ready, and killed like a camera whose
// cable is pulled.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace ecocam::testing {

class CameraProcess {
 public:
  // Starts the server with `args` and waits at most 10 s for it to be ready.
  explicit CameraProcess(const std::vector<std::string>& args) {
    int out[2] = {-1, -1};
    if (pipe(out) != 0) return;
    std::vector<std::string> words = {ECOCAM_FAKE_CAMERA_SERVER};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    _pid = fork();
    if (_pid == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    pollfd ready{out[0], POLLIN, 0};
    char text[16] = {};
    _ready = _pid > 0 && poll(&ready, 1, 10000) == 1 && read(out[0], text, sizeof text - 1) > 0 &&
             std::string(text).rfind("ready", 0) == 0;
    close(out[0]);
  }
  ~CameraProcess() { Kill(); }
  CameraProcess(const CameraProcess&) = delete;
  CameraProcess& operator=(const CameraProcess&) = delete;

  bool Ready() const { return _ready; }

  // The camera vanishes at once, without a word to anyone.
  void Kill() {
    if (_pid <= 0) return;
    kill(_pid, SIGKILL);
    waitpid(_pid, nullptr, 0);
    _pid = -1;
  }

 private:
  pid_t _pid = -1;
  bool _ready = false;
};

}  // namespace ecocam::testing
