#pragma once

#include "platform/error.h"
#include "platform/unique_fd.h"
#include "remote/address.h"
#include "remote/protocol.h"

#include <chrono>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <sys/types.h>

namespace orvel::remote {

// The two ends a client talks through, and the child process that carries
// them (ssh, or orvel-cli --serve itself), if any.
struct Channel {
  platform::UniqueFd toServer;
  platform::UniqueFd fromServer;
  platform::UniqueFd errors;  // the child's standard error
  pid_t process = -1;
};

// How the far side is reached.
struct SshSetup {
  // The ssh client and its leading options, split like a shell command line
  // (as rsync's -e): from --ssh-command, else $ORVEL_SSH, else "ssh".
  std::string sshCommand = "ssh";
  // The far side's program, a shell command placed as written before
  // "--serve=ROOT" (so "sudo orvel-cli" works), as rsync's --rsync-path.
  std::string remoteProgram = "orvel-cli";
  // How long a far side may send nothing that moves. Only shortened, by the
  // tests (ORVEL_TEST_PATIENCE_MS), so that they need not wait a minute.
  std::chrono::milliseconds patience{kDefaultPatience};
  // Entries "NAME=value" that ssh gets in its environment beside this
  // process's (the desktop program names its own askpass there).
  std::vector<std::string> environment = {};
};

// What the command line and the environment ask for.
SshSetup SshSetupFrom(const std::string& sshCommandOption, const std::string& remoteProgramOption);

// Splits a command line into words as a POSIX shell would, without expanding
// anything: blanks separate, single quotes keep everything, double quotes keep
// all but \" \\ \$ \`, a backslash outside quotes keeps the next character.
// False for an unclosed quote or a trailing backslash.
bool SplitCommandLine(std::string_view line, std::vector<std::string>& words);

// One word for the far side's shell, which gets ssh's command as a line.
std::string ShellQuote(std::string_view word);

// The far side's command line: the program and "--serve=ROOT", the root quoted
// ("." for an empty path: the home folder).
std::string RemoteCommand(const Address& address, const SshSetup& setup);

// ssh's arguments: the command's own words, then the port and user of the
// address, options that keep the channel clean and a dead connection noticed,
// "--", the host and the far side's command. Empty when the ssh command
// cannot be split.
std::vector<std::string> SshArguments(const Address& address, const SshSetup& setup);

// Starts a program (no shell) with pipes as its standard input, output and
// error; extra environment entries "NAME=value" replace inherited ones.
platform::Expected<Channel> StartProcess(const std::vector<std::string>& argv,
                                         const std::vector<std::string>& environment = {});

platform::Expected<Channel> StartSsh(const Address& address, const SshSetup& setup);

// What an ended ssh (its wait status and the end of what it wrote on standard
// error) says about why the connection failed: the host, the login, a missing
// far program, or a connection dropped or ended by the far side.
std::error_code DiagnoseExit(int waitStatus, std::string_view errors);

}  // namespace orvel::remote
