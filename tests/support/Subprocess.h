#pragma once
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

struct ProcessResult {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;
  std::string err;
};

// In a forked child: adds `environment` entries ("NAME=value") to its environment and
// becomes the program `args` names; exits 127 where it cannot.
[[noreturn]] inline void execInChild(const std::vector<std::string>& args,
                                     const std::vector<std::string>& environment) {
  for (const auto& entry : environment) putenv(const_cast<char*>(entry.c_str()));
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

// Runs a program with `args` (no shell), standard input from /dev/null, and collects
// its exit status and both output streams. `environment` entries ("NAME=value") are
// added to this process's environment for the child.
inline ProcessResult runProcess(const std::vector<std::string>& args,
                                const std::vector<std::string>& environment = {}) {
  char outName[] = "/tmp/drollicant-out-XXXXXX";
  char errName[] = "/tmp/drollicant-err-XXXXXX";
  const int outFd = mkstemp(outName), errFd = mkstemp(errName);
  ProcessResult result;
  const pid_t pid = fork();
  if (pid == 0) {
    const int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, 0);
    dup2(outFd, 1);
    dup2(errFd, 2);
    execInChild(args, environment);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  auto slurp = [](const char* name) {
    std::ifstream file(name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  };
  result.out = slurp(outName);
  result.err = slurp(errName);
  close(outFd);
  close(errFd);
  unlink(outName);
  unlink(errName);
  return result;
}

}  // namespace testing_support
