#pragma once

// A client speaking to a server: in this process over a socket pair, or in a
// child orvel-cli --serve, or through a real ssh (see sshd_fixture.h).
#include "remote/client.h"
#include "remote/server.h"
#include "cli/cli_process.h"

#include <memory>
#include <stdexcept>
#include <thread>

#include <sys/socket.h>

namespace orvel::test {

inline remote::ClientSetup TestClientSetup() {
  remote::ClientSetup setup;
  setup.programVersion = "test";
  setup.timeout = std::chrono::seconds(20);
  return setup;
}

// The server of a root on a thread of its own, over a socket pair.
class InProcessServer {
 public:
  explicit InProcessServer(std::string root) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) throw std::runtime_error("socketpair");
    serverFd_.Reset(fds[1]);
    clientFd_ = fds[0];
    thread_ = std::thread([this, root = std::move(root)] {
      status_ = remote::Serve(serverFd_.Get(), serverFd_.Get(), remote::ServerSetup{root, "test"});
      ::shutdown(serverFd_.Get(), SHUT_RDWR);
    });
  }
  ~InProcessServer() {
    ::shutdown(serverFd_.Get(), SHUT_RDWR);
    thread_.join();
  }
  remote::Channel TakeChannel() {
    remote::Channel channel;
    channel.fromServer.Reset(clientFd_);
    channel.toServer.Reset(::dup(clientFd_));
    return channel;
  }
  int Status() const { return status_; }

 private:
  platform::UniqueFd serverFd_;
  int clientFd_ = -1;
  int status_ = -1;
  std::thread thread_;
};

// A greeted client of an opened root, whatever carries it.
struct Connected {
  std::unique_ptr<InProcessServer> server;
  std::unique_ptr<remote::Client> client;
  pid_t pid = -1;  // the child that serves, if any
};

inline Connected ConnectInProcess(const std::string& root) {
  Connected c;
  c.server = std::make_unique<InProcessServer>(root);
  c.client = std::make_unique<remote::Client>(c.server->TakeChannel(), TestClientSetup());
  return c;
}

inline Connected ConnectChild(const std::string& root) {
  platform::Expected<remote::Channel> channel = remote::StartProcess({CliPath(), "--serve=" + root});
  if (!channel) throw std::runtime_error("cannot start orvel-cli --serve");
  Connected c;
  c.pid = channel->process;
  c.client = std::make_unique<remote::Client>(std::move(*channel), TestClientSetup());
  return c;
}

}  // namespace orvel::test
