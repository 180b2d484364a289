#pragma once

// Runs the orvel-cli binary named by $ORVEL_CLI as a child process without a
// terminal: standard input is /dev/null, standard output and standard error are
// captured through pipes, TZ=UTC makes the date texts exact and ORVEL_LANG is
// unset (unless the setup names other variables, or a terminal for input and
// standard error).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace orvel::test {

struct CliResult {
  int status = -1;  // exit status, or -1 when the child did not exit normally
  int signal = 0;   // the signal that ended it, if any
  std::string out;
  std::string err;
};

inline std::string CliPath() {
  const char* path = std::getenv("ORVEL_CLI");
  if (!path || !*path) throw std::runtime_error("ORVEL_CLI is not set");
  return path;
}

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Standard error without its last line, which says what the run did (and must be there).
inline std::string WithoutSummary(const std::string& err) {
  const std::size_t cut = err.empty() ? std::string::npos : err.rfind('\n', err.size() - 2);
  const std::string last = err.substr(cut == std::string::npos ? 0 : cut + 1);
  EXPECT_TRUE(last.find("時間 ") != std::string::npos || last.find("time ") != std::string::npos) << err;
  return cut == std::string::npos ? std::string() : err.substr(0, cut + 1);
}

// Standard output of --json without the objects that are not rows ({"error"}, {"plan"}, {"summary"}).
inline std::string RowsOf(const std::string& out) {
  std::string rows;
  for (const std::string& line : Lines(out))
    if (line.rfind("{\"summary\"", 0) != 0 && line.rfind("{\"plan\"", 0) != 0 && line.rfind("{\"error\"", 0) != 0)
      rows += line + '\n';
  return rows;
}

// More of the child's surroundings.
struct CliSetup {
  // "NAME=value" entries that replace the inherited variable of that name
  // (TZ=UTC and no ORVEL_LANG by default); a bare "NAME" removes it.
  std::vector<std::string> env{};
  // When not -1: the child's standard input and standard error (the far side of
  // a pseudo-terminal), which are then not captured.
  int terminal = -1;
  // Standard output is a pipe whose reading end is closed before the start.
  bool outputClosed = false;
};

class CliProcess {
 public:
  // Starts orvel-cli with the arguments; workDir (if not empty) becomes its
  // current folder. A wrapper (a program and its arguments, such as setpriv)
  // starts it in its place.
  explicit CliProcess(const std::vector<std::string>& args, const std::string& workDir = {},
                      const std::vector<std::string>& wrapper = {}, const CliSetup& setup = {}) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    if (setup.outputClosed) {
      ::close(outPipe[0]);
      outPipe[0] = -1;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (setup.terminal >= 0) {
      posix_spawn_file_actions_adddup2(&actions, setup.terminal, STDIN_FILENO);
      posix_spawn_file_actions_adddup2(&actions, setup.terminal, STDERR_FILENO);
    } else {
      posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
      posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    }
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());

    // The child starts with SIGINT at its default action, whatever the test runner has.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> argStrings = wrapper;
    argStrings.push_back(CliPath());
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    const std::string program = argStrings.front();
    std::vector<char*> argv;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
    // Japanese, whatever language the tests are run in.
    std::vector<std::string> changes = {"TZ=UTC", "ORVEL_LANG"};
    changes.insert(changes.end(), setup.env.begin(), setup.env.end());
    for (const std::string& change : changes) {
      const std::string name = change.substr(0, change.find('='));
      std::erase_if(envStrings, [&](const std::string& e) { return e.compare(0, name.size() + 1, name + "=") == 0; });
      if (change.size() > name.size()) envStrings.push_back(change);
    }
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    const int rc = posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    if (setup.terminal >= 0) {
      ::close(errFd_);
      errFd_ = -1;
    }
    if (rc != 0) {
      if (outFd_ >= 0) ::close(outFd_);
      if (errFd_ >= 0) ::close(errFd_);
      throw std::runtime_error(std::string("posix_spawn: ") + std::strerror(rc));
    }
  }

  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  ~CliProcess() {
    if (!finished_) {
      ::kill(pid_, SIGKILL);
      Finish();
    }
  }

  pid_t Pid() const { return pid_; }

  void Signal(int signal) { ::kill(pid_, signal); }

  // Reads standard output while the child runs, until what was read holds
  // `text`; false when it does not within limitMs or the output ends first.
  // What is read here stays part of Finish()'s result.
  bool ReadOutputUntil(const std::string& text, int limitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    char buffer[4096];
    while (early_.find(text) == std::string::npos) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd fd = {outFd_, POLLIN, 0};
      const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) return false;
      const ssize_t n = ::read(outFd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      early_.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }

  // True while the child has not ended (it is left to Finish() to collect).
  bool Running() const {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
  }

  // Reads both streams to their end and waits for the child. A child that has
  // not closed its streams within `limitMs` (-1: no limit) is killed, so a
  // blocked program fails its test (signal SIGKILL) instead of hanging it.
  CliResult Finish(int limitMs = -1) {
    CliResult result;
    result.out = std::move(early_);
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = (outFd_ >= 0 ? 1 : 0) + (errFd_ >= 0 ? 1 : 0);
    char buffer[65536];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (open > 0) {
      int waitMs = -1;
      if (limitMs >= 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        waitMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
      }
      const int ready = ::poll(fds, 2, waitMs);
      if (ready < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (ready == 0) {
        ::kill(pid_, SIGKILL);
        limitMs = -1;  // its streams close now
        continue;
      }
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
          sinks[i]->append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
          ::close(fds[i].fd);
          fds[i].fd = -1;
          --open;
        }
      }
    }
    int wstatus = 0;
    while (::waitpid(pid_, &wstatus, 0) < 0 && errno == EINTR) {
    }
    finished_ = true;
    if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) result.signal = WTERMSIG(wstatus);
    return result;
  }

 private:
  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  bool finished_ = false;
  std::string early_;  // standard output read before Finish()
};

inline CliResult RunCli(const std::vector<std::string>& args, const std::string& workDir = {}) {
  CliProcess process(args, workDir);
  return process.Finish();
}

// The same with environment variables changed (see CliSetup::env).
inline CliResult RunCliWith(const std::vector<std::string>& env, const std::vector<std::string>& args) {
  CliProcess process(args, {}, {}, CliSetup{env});
  return process.Finish();
}

// The same as the user nobody when the tests run as root (root reads every
// folder, so permission cases need another user); as the current user otherwise.
inline CliResult RunCliUnprivileged(const std::vector<std::string>& args) {
  std::vector<std::string> wrapper;
  if (::geteuid() == 0) wrapper = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
  CliProcess process(args, {}, wrapper);
  return process.Finish();
}

// The same for a run that must end by itself within limitMs.
inline CliResult RunCliWithin(int limitMs, const std::vector<std::string>& args) {
  CliProcess process(args);
  return process.Finish(limitMs);
}

}  // namespace orvel::test
