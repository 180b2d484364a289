#pragma once

// Runs a program to its end and hands back its exit status and output, for the
// tests that look at the installed files and at the programs from outside.

#include "support/temp_tree.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace orvel::test {

struct ProgramResult {
  int exitCode = -1;  // -1: did not end by itself (signal or time-out)
  std::string out;
  std::string err;
};

// Runs `argv` (argv[0] a path) with the environment less `unset`; a program that
// has not ended after `limit` is killed.
inline ProgramResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& unset = {},
                                std::chrono::seconds limit = std::chrono::seconds(60)) {
  TempDir capture;
  const std::string outPath = capture / "out";
  const std::string errPath = capture / "err";
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  ProgramResult result;
  const pid_t pid = ::fork();
  if (pid < 0) return result;
  if (pid == 0) {
    for (const auto& name : unset) ::unsetenv(name.c_str());
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (Exists(outPath)) result.out = ReadFile(outPath);
  if (Exists(errPath)) result.err = ReadFile(errPath);
  return result;
}

// The program's path from PATH, or "" when it is not there.
inline std::string FindInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    if (!folder.empty()) {
      const std::string candidate = folder + "/" + name;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return {};
}

}  // namespace orvel::test
