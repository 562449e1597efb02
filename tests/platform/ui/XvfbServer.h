#pragma once
// Starts a private Xvfb on a display number it picks itself (-displayfd) and stops it again.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace testing_ui {

class XvfbServer {
public:
  XvfbServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    _pid = fork();
    if (_pid == 0) {
      // Goes when the test goes, even if it dies, and keeps no test output pipe open.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      const int devnull = open("/dev/null", O_RDWR);
      dup2(devnull, STDOUT_FILENO);  // harmless if /dev/null could not be opened
      dup2(devnull, STDERR_FILENO);
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // Xvfb writes its display number and a newline once it accepts connections.
    std::string number;
    char c = 0;
    while (_pid > 0 && number.size() < 16 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) _display = ":" + number;
  }
  ~XvfbServer() {
    if (_pid > 0) {
      kill(_pid, SIGTERM);
      waitpid(_pid, nullptr, 0);
    }
  }
  bool running() const { return !_display.empty(); }
  const std::string& display() const { return _display; }

private:
  pid_t _pid = -1;
  std::string _display;
};

inline bool xvfbInstalled() { return system("command -v Xvfb >/dev/null 2>&1") == 0; }

}  // namespace testing_ui
