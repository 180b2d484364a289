#include "ui/shell/detached_process.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <glib.h>

#include <signal.h>
#include <sys/stat.h>
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

// The program a bare name stands for, looked up before the start so that the
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

// In the child before the exec, so only async-signal-safe calls: a session of
// its own, and no signal blocked (GLib resets SIGPIPE itself, not the mask).
void ChildSetup(gpointer) {
  setsid();
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

bool Fail(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return false;
}

}  // namespace

bool StartDetached(const std::vector<std::string>& argv, std::string* error) {
  if (argv.empty() || argv.front().empty()) return Fail(error, "no program given");
  // GLib must not search PATH itself: it would take relative entries too.
  const std::string program = argv.front().find('/') == std::string::npos ? FindInPath(argv.front()) : argv.front();
  if (program.empty()) return Fail(error, argv.front() + ": not in any absolute folder of PATH");
  // The file to run, then argv exactly as given (argv[0] stays the name typed).
  std::vector<gchar*> arguments;
  arguments.reserve(argv.size() + 2);
  arguments.push_back(const_cast<gchar*>(program.c_str()));
  for (const std::string& argument : argv) arguments.push_back(const_cast<gchar*>(argument.c_str()));
  arguments.push_back(nullptr);
  // Without G_SPAWN_DO_NOT_REAP_CHILD the program starts from an intermediate
  // child that GLib reaps at once, so nobody has to wait for the program; an
  // exec that fails still comes back as an error.
  const auto flags = static_cast<GSpawnFlags>(G_SPAWN_CHILD_INHERITS_STDIN | G_SPAWN_FILE_AND_ARGV_ZERO);
  GError* spawnError = nullptr;
  if (!g_spawn_async(nullptr, arguments.data(), nullptr, flags, ChildSetup, nullptr, nullptr, &spawnError)) {
    std::string reason = spawnError ? spawnError->message : "the program could not be started";
    g_clear_error(&spawnError);
    return Fail(error, std::move(reason));
  }
  return true;
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
