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
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

namespace orvel::ui {

namespace {

bool IsProgram(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The program a bare name stands for, looked up before the fork so that the
// child only execs. Unlike execvp, only absolute PATH entries count: an empty
// or relative entry means the current folder, and whoever can write there
// (the folders being compared, say) must not choose the program.
std::string FindInPath(const std::string& name) {
  const char* variable = std::getenv("PATH");
  const std::string path = variable ? variable : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = path.find(':', start);
    const std::string_view folder =
        std::string_view(path).substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (folder.starts_with('/')) {
      std::string candidate(folder);
      candidate += '/';
      candidate += name;
      if (IsProgram(candidate)) return candidate;
    }
    if (colon == std::string::npos) return {};
    start = colon + 1;
  }
}

// The path as the tool must get it: a relative one could start with "-" and
// be taken for an option, or be resolved against another folder than the one
// the list was made in. Empty when the current folder cannot be named.
std::string Absolute(const std::string& path) {
  if (path.starts_with('/')) return path;
  std::string folder(PATH_MAX, '\0');
  while (getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) return {};
    folder.resize(folder.size() * 2);
  }
  folder.resize(std::strlen(folder.c_str()));
  if (!folder.ends_with('/')) folder += '/';
  return folder + path;
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
  // An existing file named by a path is the program, blanks and all. A name
  // without "/" is never a file of the current folder: it is split like any
  // other text and its program looked up in PATH when it starts.
  if (exePath.find('/') != std::string::npos && stat(exePath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
    argv.push_back(exePath);
  } else {
    for (const QString& part : QProcess::splitCommand(QString::fromStdString(exePath))) {
      argv.push_back(part.toStdString());
    }
    if (argv.empty()) return argv;
  }
  std::string base = Absolute(basePath);
  std::string target = Absolute(targetPath);
  if (base.empty() || target.empty()) return {};
  argv.push_back(std::move(base));
  argv.push_back(std::move(target));
  return argv;
}

}  // namespace orvel::ui
