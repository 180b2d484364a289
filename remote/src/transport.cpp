#include "remote/transport.h"

#include "remote/protocol.h"

#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvel::remote {

namespace {

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

}  // namespace

SshSetup SshSetupFrom(const std::string& sshCommandOption, const std::string& remoteProgramOption) {
  SshSetup setup;
  if (!sshCommandOption.empty()) {
    setup.sshCommand = sshCommandOption;
  } else if (const char* env = std::getenv("ORVEL_SSH"); env && *env) {
    setup.sshCommand = env;
  }
  if (!remoteProgramOption.empty()) setup.remoteProgram = remoteProgramOption;
  // The tests' hook: a shorter patience, never a longer one.
  if (const char* ms = std::getenv("ORVEL_TEST_PATIENCE_MS"); ms && *ms) {
    char* end = nullptr;
    const long long value = std::strtoll(ms, &end, 10);
    if (*end == '\0' && value > 0 && value < setup.patience.count()) setup.patience = std::chrono::milliseconds(value);
  }
  return setup;
}

bool SplitCommandLine(std::string_view line, std::vector<std::string>& words) {
  words.clear();
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\'') {
      const std::size_t end = line.find('\'', i + 1);
      if (end == std::string_view::npos) return false;
      word.append(line.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '"') {
      for (++i;; ++i) {
        if (i >= line.size()) return false;
        if (line[i] == '"') break;
        if (line[i] == '\\' && i + 1 < line.size() && Contains("\"\\$`", std::string_view(&line[i + 1], 1))) ++i;
        word.push_back(line[i]);
      }
    } else if (c == '\\') {
      if (++i >= line.size()) return false;
      word.push_back(line[i]);
    } else {
      word.push_back(c);
    }
  }
  if (inWord) words.push_back(std::move(word));
  return true;
}

std::string ShellQuote(std::string_view word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('\'');
  return quoted;
}

std::string RemoteCommand(const Address& address, const SshSetup& setup) {
  // "--serve=" joins the root to its option: a root beginning with '-' stays a value.
  return setup.remoteProgram + " " + ShellQuote("--serve=" + (address.path.empty() ? "." : address.path));
}

std::vector<std::string> SshArguments(const Address& address, const SshSetup& setup) {
  std::vector<std::string> args;
  if (!SplitCommandLine(setup.sshCommand, args) || args.empty()) return {};
  if (address.port != 0) {
    args.push_back("-p");
    args.push_back(std::to_string(address.port));
  }
  if (!address.user.empty()) {
    args.push_back("-l");
    args.push_back(address.user);
  }
  // No terminal (it would change bytes), no X11 or agent forwarding, no escape
  // character; a connection that stops answering is ended within a minute.
  // Options given in the ssh command come first, and ssh keeps the first value.
  for (const char* option : {"-T", "-x", "-a", "-e", "none", "-o", "ServerAliveInterval=15", "-o",
                             "ServerAliveCountMax=4"})
    args.emplace_back(option);
  // The host can never be taken for an option.
  args.emplace_back("--");
  args.push_back(address.host);
  args.push_back(RemoteCommand(address, setup));
  return args;
}

platform::Expected<Channel> StartProcess(const std::vector<std::string>& argv,
                                         const std::vector<std::string>& environment) {
  if (argv.empty()) return platform::SystemError(EINVAL);
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) != 0) return platform::LastError();
  platform::UniqueFd inRead(in[0]), inWrite(in[1]);
  if (::pipe2(out, O_CLOEXEC) != 0) return platform::LastError();
  platform::UniqueFd outRead(out[0]), outWrite(out[1]);
  if (::pipe2(err, O_CLOEXEC) != 0) return platform::LastError();
  platform::UniqueFd errRead(err[0]), errWrite(err[1]);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inRead.Get(), STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, outWrite.Get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errWrite.Get(), STDERR_FILENO);
  // The child starts with SIGPIPE and SIGINT at their defaults, whatever this process does with them.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string_view entry(*e);
    const std::string_view name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& change : environment)
      replaced = replaced || std::string_view(change).substr(0, change.find('=')) == name;
    if (!replaced) env.emplace_back(entry);
  }
  for (const std::string& change : environment)
    if (change.find('=') != std::string::npos) env.push_back(change);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = -1;
  const int rc = ::posix_spawnp(&pid, args[0].c_str(), &actions, &attributes, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) return platform::SystemError(rc);
  Channel channel;
  channel.toServer = std::move(inWrite);
  channel.fromServer = std::move(outRead);
  channel.errors = std::move(errRead);
  channel.process = pid;
  return channel;
}

platform::Expected<Channel> StartSsh(const Address& address, const SshSetup& setup) {
  const std::vector<std::string> args = SshArguments(address, setup);
  if (args.empty()) return platform::SystemError(EINVAL);
  return StartProcess(args, setup.environment);
}

std::error_code DiagnoseExit(int waitStatus, std::string_view errors) {
  if (WIFSIGNALED(waitStatus)) return MakeError(ProtocolFault::ConnectionClosed);
  const int status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
  // The far shell could not find or run the program.
  if (status == 127 || status == 126 || Contains(errors, "command not found") ||
      (Contains(errors, "--serve") && Contains(errors, "No such file or directory")))
    return MakeError(ProtocolFault::ProgramMissing);
  if (status == 255) {
    // A host key is never a refused login: the user has to decide about it.
    if (Contains(errors, "REMOTE HOST IDENTIFICATION HAS CHANGED") ||
        Contains(errors, "has changed and you have requested strict checking"))
      return MakeError(ProtocolFault::HostKeyChanged);
    if (Contains(errors, "Host key verification failed") || Contains(errors, "host key is known for"))
      return MakeError(ProtocolFault::HostKeyUnknown);
    for (std::string_view text : {"Permission denied", "Too many authentication failures",
                                  "No more authentication methods"})
      if (Contains(errors, text)) return MakeError(ProtocolFault::AuthRefused);
    for (std::string_view text : {"Could not resolve hostname", "Connection refused", "No route to host",
                                  "Network is unreachable", "Connection timed out", "Name or service not known",
                                  "Temporary failure in name resolution", "Operation timed out"})
      if (Contains(errors, text)) return MakeError(ProtocolFault::HostUnreachable);
    for (std::string_view text : {"closed by remote host", "Connection closed", "Broken pipe", "Connection reset",
                                  "Timeout, server", "Connection to"})
      if (Contains(errors, text)) return MakeError(ProtocolFault::ConnectionClosed);
    // ssh says nothing when the far program was ended by a signal (it then has
    // no exit status to hand on).
    return MakeError(ProtocolFault::FarSideFailed);
  }
  return MakeError(ProtocolFault::FarSideFailed);
}

}  // namespace orvel::remote
