#include "serve_command.h"

#include "exit_status.h"
#include "messages.h"
#include "remote/server.h"

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace orvel::cli {

int ServeFolder(const std::string& root, const std::string& version, Language language) {
  if (::isatty(STDIN_FILENO) || ::isatty(STDOUT_FILENO)) {
    const std::string text = "orvel-cli: " + CliTextOf(language, CliText::ServeOnTerminal) + '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
    return kExitUsage;
  }
  // A near side that has gone shows as a failed write, not as a signal.
  std::signal(SIGPIPE, SIG_IGN);
  // The protocol gets a descriptor of its own; anything else that would write
  // to standard output (a library's warning) goes to standard error instead.
  const int channel = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (channel < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    std::perror("orvel-cli: --serve");
    return 1;
  }
  const int status = remote::Serve(STDIN_FILENO, channel, remote::ServerSetup{root, version});
  ::close(channel);
  return status;
}

}  // namespace orvel::cli
