#pragma once
// A program running beside the test (a server, a host, the application): its standard
// input is a pipe the test writes lines to, and it never outlives the test.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Subprocess.h"

namespace testing_support {

class ChildProcess {
public:
  // `environment` entries ("NAME=value") are added to this process's environment for the
  // child; `quiet` sends its output to /dev/null.
  explicit ChildProcess(const std::vector<std::string>& args, const std::vector<std::string>& environment = {},
                        bool quiet = false) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid = fork();
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);  // even when the test program crashes
      dup2(fds[0], 0);
      close(fds[1]);
      if (quiet) {
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, 1);
        dup2(devNull, 2);
      }
      execInChild(args, environment);
    }
    close(fds[0]);
    input = fds[1];
  }
  ~ChildProcess() {
    stop(SIGKILL);
    if (input >= 0) close(input);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void say(const std::string& line) const { (void)!write(input, (line + "\n").data(), line.size() + 1); }
  bool running() { return pid > 0 && !ended(); }
  // The exit status (-1 when a signal ended it), or none when it is still running after `patience`.
  std::optional<int> waitForExit(std::chrono::milliseconds patience = std::chrono::seconds(20)) {
    for (auto waited = std::chrono::milliseconds(0); !ended() && waited < patience; waited += kPoll)
      std::this_thread::sleep_for(kPoll);
    return status;
  }
  // Sends `signal` and waits; kills it when it has not ended within `patience`. The exit
  // status, or -1 when it did not end normally.
  int stop(int signal = SIGTERM, std::chrono::milliseconds patience = std::chrono::seconds(5)) {
    if (pid <= 0) return -1;
    if (!ended()) kill(pid, signal);
    if (!waitForExit(patience)) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      status = -1;
    }
    pid = -1;
    return *status;
  }

private:
  static constexpr std::chrono::milliseconds kPoll{10};
  bool ended() {
    int raw = 0;
    if (!status && pid > 0 && waitpid(pid, &raw, WNOHANG) == pid) status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return status.has_value();
  }

  pid_t pid = -1;
  int input = -1;
  std::optional<int> status;
};

}  // namespace testing_support
