#include "ui/detached_process.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace orvel::ui {

namespace {

bool IsProgram(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// What execvp would run, looked up before the fork so that the child only execs.
std::string FindInPath(const std::string& name) {
  const char* variable = std::getenv("PATH");
  const std::string path = variable ? variable : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = path.find(':', start);
    const std::string_view folder =
        std::string_view(path).substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    // An empty entry is the current folder.
    std::string candidate(folder.empty() ? std::string_view(".") : folder);
    candidate += '/';
    candidate += name;
    if (IsProgram(candidate)) return candidate;
    if (colon == std::string::npos) return {};
    start = colon + 1;
  }
}

// In the child between fork and exec: only async-signal-safe calls.
void CloseOnExecAbove2(int descriptorLimit) {
#ifdef CLOSE_RANGE_CLOEXEC
  if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
#endif
  for (int fd = 3; fd < descriptorLimit; ++fd) {
    const int flags = fcntl(fd, F_GETFD);
    if (flags >= 0 && !(flags & FD_CLOEXEC)) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
  }
}

void WriteError(int fd, int error) {
  while (write(fd, &error, sizeof error) < 0 && errno == EINTR) {
  }
}

}  // namespace

bool StartDetached(const std::vector<std::string>& argv) {
  if (argv.empty() || argv.front().empty()) return false;
  const std::string program = argv.front().find('/') == std::string::npos ? FindInPath(argv.front()) : argv.front();
  if (program.empty()) return false;
  std::vector<char*> arguments;
  arguments.reserve(argv.size() + 1);
  for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);

  struct rlimit limit {};
  int descriptorLimit = 65536;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536)
    descriptorLimit = static_cast<int>(limit.rlim_cur);

  // The start is reported through a pipe that the exec closes: end of file means
  // the program runs, an errno means it did not.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    // The middle process leaves at once, so the program is nobody's child here
    // and no one has to wait for it.
    close(report[0]);
    setsid();
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      signal(SIGPIPE, SIG_DFL);
      CloseOnExecAbove2(descriptorLimit);
      execv(program.c_str(), arguments.data());
      WriteError(report[1], errno);
      _exit(127);
    }
    if (grandchild < 0) WriteError(report[1], errno);
    _exit(0);
  }
  close(report[1]);
  int error = 0;
  ssize_t got;
  do {
    got = read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return got == 0;
}

std::vector<std::string> ToolCommand(const std::string& exePath, const std::string& basePath,
                                     const std::string& targetPath) {
  std::vector<std::string> argv;
  struct stat st {};
  if (!exePath.empty() && stat(exePath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
    // An existing file is the program, blanks and all; a bare name means the
    // file in the current folder, as the user saw it.
    std::string program = exePath.find('/') == std::string::npos ? std::string("./") : std::string();
    program += exePath;
    argv.push_back(std::move(program));
  } else {
    for (const QString& part : QProcess::splitCommand(QString::fromStdString(exePath))) {
      argv.push_back(part.toStdString());
    }
    if (argv.empty()) return argv;
  }
  argv.push_back(basePath);
  argv.push_back(targetPath);
  return argv;
}

}  // namespace orvel::ui
