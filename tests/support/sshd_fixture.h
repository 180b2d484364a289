#pragma once

// An sshd of the test's own on 127.0.0.1: a host key, a user key and a
// configuration generated in a temp folder (never the machine's own), stopped
// by its process id. Started() is false, with the reason, where sshd cannot run.
#include "support/temp_tree.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace orvel::test {

class SshServer {
 public:
  SshServer() {
    if (::access("/usr/sbin/sshd", X_OK) != 0 || ::access("/usr/bin/ssh-keygen", X_OK) != 0) {
      reason_ = "openssh-server is not installed (scripts/deps.sh installs it)";
      return;
    }
    struct stat st;
    if (::stat("/run/sshd", &st) != 0) {
      reason_ = "sshd's privilege separation folder /run/sshd is missing (scripts/deps.sh makes it)";
      return;
    }
    for (const char* key : {"host_key", "user_key"}) {
      const std::string command = "/usr/bin/ssh-keygen -q -t ed25519 -N '' -f '" + dir_ / key + "' >/dev/null 2>&1";
      if (std::system(command.c_str()) != 0) {
        reason_ = "ssh-keygen failed";
        return;
      }
    }
    port_ = FreePort();
    std::ofstream(dir_ / "authorized_keys") << ReadFile(dir_ / "user_key.pub");
    std::ofstream(dir_ / "known_hosts") << "[127.0.0.1]:" << port_ << " " << ReadFile(dir_ / "host_key.pub");
    std::ofstream(dir_ / "sshd_config") << "Port " << port_ << "\nListenAddress 127.0.0.1\nHostKey " << dir_ / "host_key"
                                        << "\nAuthorizedKeysFile " << dir_ / "authorized_keys"
                                        << "\nPasswordAuthentication no\nKbdInteractiveAuthentication no\nUsePAM no"
                                        << "\nStrictModes no\nPermitRootLogin prohibit-password\nPidFile none"
                                        << "\nLogLevel ERROR\n";
    const std::string config = dir_ / "sshd_config";
    const std::string log = dir_ / "sshd.log";
    char* argv[] = {const_cast<char*>("/usr/sbin/sshd"), const_cast<char*>("-D"), const_cast<char*>("-e"),
                    const_cast<char*>("-f"), const_cast<char*>(config.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      pid_ = -1;
      reason_ = "sshd could not be started";
      return;
    }
    // Listening once a connection is accepted; an sshd that ended says why in its log.
    for (int i = 0; i < 100; ++i) {
      if (Accepts()) return;
      int status;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        reason_ = "sshd ended at once: " + ReadFile(log);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    reason_ = "sshd did not listen within 5 s";
  }
  ~SshServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  SshServer(const SshServer&) = delete;
  SshServer& operator=(const SshServer&) = delete;

  bool Started() const { return reason_.empty(); }
  const std::string& SkipReason() const { return reason_; }
  int Port() const { return port_; }
  // An ssh client that knows this server's host key and logs in with the test's key only.
  std::string SshCommand(const std::string& key = {}) const {
    return "ssh -F /dev/null -o UserKnownHostsFile=" + dir_ / "known_hosts" +
           " -o GlobalKnownHostsFile=/dev/null -o StrictHostKeyChecking=yes -o BatchMode=yes"
           " -o IdentitiesOnly=yes -o ConnectTimeout=5 -o LogLevel=ERROR -i " +
           (key.empty() ? dir_ / "user_key" : key);
  }
  const TempDir& Dir() const { return dir_; }

  static int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
  }

 private:
  bool Accepts() const {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
  }

  TempDir dir_;
  std::string reason_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace orvel::test
