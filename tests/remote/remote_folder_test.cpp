// A remote root gives what a local scan of the same folder gives, over every
// carrier; its entry operations stay inside the root; a broken or hostile far
// side fails the connection with its reason and never hangs it.
#include "engine/folder_scan.h"
#include "platform/temporary_name.h"
#include "platform/write_all.h"
#include "remote/client.h"
#include "remote_pair.h"
#include "support/sshd_fixture.h"
#include "support/temp_tree.h"

#include <csignal>
#include <deque>
#include <functional>

#include <poll.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace orvel::test {
namespace {

using remote::MakeError;
using remote::ProtocolFault;

class Always : public engine::ScanControl {
 public:
  bool Running() const override { return true; }
  void EnterFolder(std::string_view) override {}
  bool CancelAfterEntry() override { return false; }
};

std::string Render(const engine::SideIndex& index, const engine::ScanLists& lists, const engine::ScanSummary& s) {
  std::string out;
  for (const auto* list : {&lists.files, &lists.folders}) {
    for (const auto id : *list) {
      const platform::EntryInfo info = index.EntryInfoOf(id);
      out += index.FolderPath(index.EntryFolder(id)) + std::string(index.EntryName(id)) + (info.directory ? "/ " : " ") +
             std::to_string(info.mtime.sec) + "." + std::to_string(info.mtime.nsec) + " " + info.error.message() + "\n";
    }
    out += "--\n";
  }
  return out + std::to_string(s.rootEntries) + " " + std::to_string(s.unreadable) + " " + s.rootError.message();
}

struct Scenario {
  const char* name;
  std::function<void(const std::string& root)> make;
  remote::ScanRequest request;
};

std::vector<Scenario> Scenarios() {
  auto tree = [](const std::string& root) {
    WriteTree(root, {{"a.txt", "a", Time(1000, 123456789)},
                     {"sub/b.TXT", "bb", Time(2000, 1)},
                     {"sub/deep/c.dat", "c", Time(3000)},
                     {"empty", std::nullopt, Time(4000)},
                     {".Trash-1000/t.txt", "t", Time(5000)}});
    ::symlink("sub/b.TXT", (root + "/link").c_str());
    ::symlink("/etc", (root + "/sub/outside").c_str());
    WriteLeftover(root + "/" + platform::TemporaryNameFor("a.txt"), "half", Time(6000));
  };
  remote::ScanRequest all;
  all.emptyFolder = true;
  remote::ScanRequest filtered;
  filtered.subFolders = false;
  filtered.chkExt = true;
  filtered.ext = "txt";
  filtered.recyclerFolder = false;
  return {{"every entry, empty folders", tree, all},
          {"top level, extension filter", tree, filtered},
          {"empty root", [](const std::string&) {}, all}};
}

std::string LocalListing(const std::string& root, const remote::ScanRequest& r) {
  engine::RunValues values;
  values.subFolder = r.subFolders;
  values.emptyFolder = r.emptyFolder;
  values.recyclerFolder = r.recyclerFolder;
  values.chkExt = r.chkExt;
  values.ext = engine::NormaliseExtensionList(r.ext);
  platform::Expected<platform::Folder> folder = platform::Folder::OpenRoot(root);
  engine::ScanSetup setup;
  setup.root = &*folder;
  setup.rootPath = root + "/";
  setup.subFolders = r.subFolders;
  engine::SideIndex index;
  engine::ScanLists lists;
  Always control;
  const engine::ScanSummary summary = engine::FolderScan(values, control).Scan(setup, index, lists);
  return Render(index, lists, summary);
}

std::string RemoteListing(remote::Client& client, const std::string& root, const remote::ScanRequest& r) {
  engine::SideIndex index;
  engine::ScanLists lists;
  engine::ScanSummary summary;
  const std::error_code error = client.Scan(r, root + "/", index, lists, summary);
  if (error) return "failed: " + remote::Explain(client.Failure(), root) + " / " + error.message();
  return Render(index, lists, summary);
}

using Connect = std::function<Connected(const std::string& root)>;

void ExpectSameListings(const Connect& connect) {
  for (const Scenario& s : Scenarios()) {
    SCOPED_TRACE(s.name);
    TempDir dir;
    s.make(dir.Path());
    Connected c = connect(dir.Path());
    ASSERT_FALSE(c.client->Handshake()) << remote::Explain(c.client->Failure(), "handshake");
    ASSERT_TRUE(c.client->OpenRoot(remote::LockMode::Shared, false));
    EXPECT_EQ(RemoteListing(*c.client, dir.Path(), s.request), LocalListing(dir.Path(), s.request));
    EXPECT_FALSE(c.client->Release());
  }
}

TEST(RemoteScan, GivesTheLocalListingInProcessAndInAChildServer) {
  ExpectSameListings(ConnectInProcess);
  ExpectSameListings(ConnectChild);
}

TEST(RemoteEntries, LookUpsReadsAndDigestsStayInsideTheRoot) {
  TempDir dir;
  WriteTree(dir.Path(), {{"d/f", "abc", Time(7, 8)}});
  ::symlink("d", (dir / "hop").c_str());
  ::mkfifo((dir / "d/fifo").c_str(), 0600);
  Connected c = ConnectInProcess(dir.Path());
  ASSERT_FALSE(c.client->Handshake());
  // Nothing is served before the root is open.
  EXPECT_EQ(c.client->LookUp("", "d").error(), MakeError(ProtocolFault::NotOpen));
  ASSERT_TRUE(c.client->OpenRoot(remote::LockMode::None, false));

  std::vector<remote::EntryRequest> asks;
  for (int i = 0; i < 100; ++i) asks.push_back({i % 2 ? "d/" : "hop/", i % 3 ? "f" : "none", {}});
  const auto found = c.client->LookUpMany(asks);
  ASSERT_EQ(found.size(), asks.size());
  for (std::size_t i = 0; i < asks.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(found[i].ok());
    if (i % 2 == 0) {
      // A link where a folder is expected is never followed.
      EXPECT_EQ(found[i]->info.error, platform::MakeError(platform::Fault::LinkInPath));
    } else {
      EXPECT_EQ(found[i]->info.exists, i % 3 != 0);
      if (i % 3) {
        EXPECT_EQ(found[i]->size, 3u);
      }
    }
  }
  EXPECT_LE(c.client->MostInFlight(), remote::kDefaultWindow);

  std::string contents;
  const auto read = c.client->ReadFile("d/", "f", platform::Expectation::File(Time(7, 8)), [&](std::string_view data) {
    contents.append(data);
    return true;
  });
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(contents, "abc");
  const auto noSink = [](std::string_view) { return true; };
  EXPECT_EQ(c.client->ReadFile("d/", "f", platform::Expectation::File(Time(7, 9)), noSink).error(),
            platform::MakeError(platform::Fault::ChangedSinceList));
  EXPECT_EQ(c.client->ReadFile("d/", "fifo", {}, noSink).error(), platform::MakeError(platform::Fault::SpecialFile));
  std::string target;
  ASSERT_TRUE(c.client->ReadFile("", "hop", {}, [&](std::string_view d) { return target.append(d), true; }).ok());
  EXPECT_EQ(target, "d");

  const auto digest = c.client->Digest("d/", "f", {});
  ASSERT_TRUE(digest.ok());
  // SHA-256 of "abc".
  EXPECT_EQ(digest->value[0], 0xba);
  EXPECT_EQ(digest->value[31], 0xad);
  EXPECT_FALSE(c.client->Release());
}

// A far side written by hand: greets as told, then answers nothing.
struct FakeServer {
  std::string greeting;
  bool closeAfterRequest = false;
};

std::error_code Against(const FakeServer& fake, remote::ConnectionFailure& failure) {
  int fds[2];
  ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
  platform::UniqueFd far(fds[1]);
  std::thread thread([&] {
    platform::WriteAll(far.Get(), fake.greeting.data(), fake.greeting.size());
    char buffer[256];
    while (::read(far.Get(), buffer, sizeof buffer) > 0)
      if (fake.closeAfterRequest) break;
    ::shutdown(far.Get(), SHUT_RDWR);
  });
  remote::Channel channel;
  channel.fromServer.Reset(fds[0]);
  channel.toServer.Reset(::dup(fds[0]));
  remote::ClientSetup setup = TestClientSetup();
  setup.timeout = std::chrono::milliseconds(300);
  std::error_code error;
  {
    remote::Client client(std::move(channel), setup);
    error = client.Handshake();
    if (!error) error = client.OpenRoot(remote::LockMode::None, false).error();
    failure = client.Failure();
  }
  ::shutdown(far.Get(), SHUT_RDWR);
  thread.join();
  return error;
}

TEST(RemoteFaults, ABrokenFarSideFailsTheConnectionWithItsReason) {
  auto greeting = [](std::uint32_t protocol) {
    std::string out(remote::kMagic), payload;
    remote::Encode(payload, remote::Hello{protocol, "9.9"});
    remote::AppendFrame(out, remote::MessageType::Hello, 0, payload);
    return out;
  };
  struct Case {
    FakeServer fake;
    ProtocolFault expected;
    const char* detail;
  };
  const Case cases[] = {
      {{"Welcome to the NAS\n"}, ProtocolFault::NotAServer, "Welcome to the NAS"},
      {{greeting(remote::kProtocolVersion + 1)}, ProtocolFault::VersionMismatch, "orvel-cli 9.9"},
      {{greeting(remote::kProtocolVersion)}, ProtocolFault::Timeout, ""},
      {{greeting(remote::kProtocolVersion), true}, ProtocolFault::ConnectionClosed, ""},
  };
  for (const Case& c : cases) {
    remote::ConnectionFailure failure;
    EXPECT_EQ(Against(c.fake, failure), MakeError(c.expected)) << c.detail;
    const std::string said = remote::Explain(failure, "h");
    EXPECT_NE(said.find(c.detail), std::string::npos) << said;
  }
}

TEST(RemoteFaults, AKilledFarSideEndsTheRequestsInsteadOfHangingThem) {
  TempDir dir;
  WriteFile(dir / "f", "", Time(1));
  Connected c = ConnectChild(dir.Path());
  ASSERT_FALSE(c.client->Handshake());
  ASSERT_TRUE(c.client->OpenRoot(remote::LockMode::None, false));
  ::kill(c.pid, SIGKILL);
  const std::vector<remote::EntryRequest> asks(500, remote::EntryRequest{"", "f", {}});
  const auto found = c.client->LookUpMany(asks);
  ASSERT_EQ(found.size(), asks.size());
  for (const auto& result : found) ASSERT_EQ(result.error(), MakeError(ProtocolFault::ConnectionClosed));
}

}  // namespace
}  // namespace orvel::test

namespace orvel::test {
namespace {

TEST(RemoteFaults, SshFailuresAreToldApart) {
  SshServer sshd;
  if (!sshd.Started()) GTEST_SKIP() << sshd.SkipReason();
  TempDir dir;
  struct Case {
    const char* what;
    int port;
    std::string ssh, program;
    ProtocolFault expected;
  };
  const int port = sshd.Port();
  // The host's key unknown to ssh, or another key where ssh knows one.
  const std::string known = sshd.Dir() / "known_hosts";
  std::ofstream(dir / "no_hosts").flush();
  std::ofstream(dir / "other_hosts") << "[127.0.0.1]:" << port << " " << ReadFile(sshd.Dir() / "user_key.pub");
  const auto knowing = [&](const std::string& hosts) {
    std::string command = sshd.SshCommand();
    return command.replace(command.find(known), known.size(), hosts);
  };
  const Case cases[] = {
      {"a host key ssh does not know", port, knowing(dir / "no_hosts"), CliPath(), ProtocolFault::HostKeyUnknown},
      {"a host key that changed", port, knowing(dir / "other_hosts"), CliPath(), ProtocolFault::HostKeyChanged},
      {"nothing listens", SshServer::FreePort(), sshd.SshCommand(), CliPath(), ProtocolFault::HostUnreachable},
      {"a key the host does not know", port, sshd.SshCommand(sshd.Dir() / "host_key"), CliPath(),
       ProtocolFault::AuthRefused},
      {"no program there", port, sshd.SshCommand(), "/nonexistent/orvel-cli", ProtocolFault::ProgramMissing},
      {"the far side killed", port, sshd.SshCommand(), "sh -c 'kill -KILL $$'", ProtocolFault::FarSideFailed},
  };
  for (const Case& c : cases) {
    platform::Expected<remote::Channel> channel = remote::StartSsh(
        remote::Address{"", "127.0.0.1", static_cast<std::uint16_t>(c.port), dir.Path()}, {c.ssh, c.program});
    ASSERT_TRUE(channel.ok());
    remote::Client client(std::move(*channel), TestClientSetup());
    EXPECT_EQ(client.Handshake(), MakeError(c.expected)) << c.what << ": " << client.Failure().detail;
  }
}

// Without a terminal, ssh asks about a host key it does not know through the
// askpass program it is given: the answer decides, and a refusal is named as
// the unknown key it is.
TEST(RemoteFaults, AnUnknownHostKeyIsAskedThroughTheAskpassProgram) {
  SshServer sshd;
  if (!sshd.Started()) GTEST_SKIP() << sshd.SkipReason();
  TempDir dir;
  const std::string askpass = dir / "askpass";
  std::ofstream(askpass) << "#!/bin/sh\necho \"$1\" > '" << dir / "asked" << "'\ncat '" << dir / "answer" << "'\n";
  ::chmod(askpass.c_str(), 0755);
  const std::string known = sshd.Dir() / "known_hosts";
  const std::string strict = "StrictHostKeyChecking=yes -o BatchMode=yes";
  for (const std::string answer : {"no", "yes"}) {
    std::ofstream(dir / "answer") << answer << "\n";
    std::string command = sshd.SshCommand();
    command.replace(command.find(known), known.size(), dir / "new_hosts");
    command.replace(command.find(strict), strict.size(), "StrictHostKeyChecking=ask");
    const remote::SshSetup setup{command, CliPath(), std::chrono::milliseconds{remote::kDefaultPatience}, {"SSH_ASKPASS=" + askpass, "SSH_ASKPASS_REQUIRE=force"}};
    platform::Expected<remote::Channel> channel =
        remote::StartSsh(remote::Address{"", "127.0.0.1", static_cast<std::uint16_t>(sshd.Port()), dir.Path()}, setup);
    ASSERT_TRUE(channel.ok());
    remote::Client client(std::move(*channel), TestClientSetup());
    const std::error_code result = client.Handshake();
    EXPECT_NE(ReadFile(dir / "asked").find("authenticity of host"), std::string::npos) << ReadFile(dir / "asked");
    EXPECT_EQ(result, answer == "yes" ? std::error_code() : MakeError(ProtocolFault::HostKeyUnknown))
        << answer << ": " << client.Failure().detail;
  }
}

}  // namespace
}  // namespace orvel::test

namespace orvel::test {
namespace {

// A far side that answers only once `window` requests wait (or nothing more comes):
// a client that pipelines keeps exactly that many in flight, never more.
TEST(RemoteClient, KeepsItsWindowOfRequestsInFlight) {
  constexpr std::size_t kWindow = 4;
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
  platform::UniqueFd far(fds[1]);
  std::size_t most = 0;
  std::thread server([&] {
    std::string out(remote::kMagic), payload;
    remote::Encode(payload, remote::Hello{remote::kProtocolVersion, "fake"});
    remote::AppendFrame(out, remote::MessageType::Hello, 0, payload);
    platform::WriteAll(far.Get(), out.data(), out.size());
    remote::FrameReader reader;
    std::deque<std::uint32_t> waiting;
    char buffer[4096];
    for (bool open = true; open || !waiting.empty();) {
      pollfd fd{far.Get(), POLLIN, 0};
      if (open && waiting.size() < kWindow && ::poll(&fd, 1, 200) > 0) {
        const ssize_t n = ::read(far.Get(), buffer, sizeof buffer);
        open = n > 0;
        if (open) reader.Feed(buffer, static_cast<std::size_t>(n));
        remote::Frame frame;
        while (reader.Next(frame) == remote::FrameReader::Status::Frame)
          if (frame.id != 0) waiting.push_back(frame.id);
        most = std::max(most, waiting.size());
        continue;
      }
      if (waiting.empty()) break;
      std::string reply, entry;
      remote::Encode(entry, remote::WireEntry{});
      remote::AppendFrame(reply, remote::MessageType::Entry, waiting.front(), entry);
      waiting.pop_front();
      platform::WriteAll(far.Get(), reply.data(), reply.size());
    }
  });
  remote::ClientSetup setup = TestClientSetup();
  setup.window = kWindow;
  remote::Channel channel;
  channel.fromServer.Reset(fds[0]);
  channel.toServer.Reset(::dup(fds[0]));
  {
    remote::Client client(std::move(channel), setup);
    ASSERT_FALSE(client.Handshake());
    const auto found = client.LookUpMany(std::vector<remote::EntryRequest>(20, {"", "x", {}}));
    EXPECT_EQ(std::count_if(found.begin(), found.end(), [](const auto& f) { return f.ok(); }), 20);
  }
  server.join();
  EXPECT_EQ(most, kWindow);
}

// Reads sent without waiting: all in flight at once, each file's bytes in its
// own sink, answered in the order asked, and one that changed fails alone.
TEST(RemoteClient, FetchesFilesWithoutARoundTripEach) {
  constexpr int kFiles = 8;
  TempDir dir;
  for (int i = 0; i < kFiles; ++i) WriteFile(dir / ("f" + std::to_string(i)), "file " + std::to_string(i), Time(1000));
  Connected c = ConnectInProcess(dir.Path());
  ASSERT_FALSE(c.client->Handshake());
  ASSERT_TRUE(c.client->OpenRoot(remote::LockMode::Shared, false));
  std::vector<std::string> got(kFiles);
  std::vector<int> answered;
  std::vector<std::error_code> errors(kFiles);
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "f" + std::to_string(i);
    c.client->Fetch(
        {"", name, platform::Expectation::File(Time(i == 3 ? 999 : 1000))}, 6, {},
        [&got, i](std::string_view bytes) { return got[i].append(bytes), true; },
        [&, i](platform::Expected<remote::FileBeginReply> read) {
          answered.push_back(i);
          if (!read) errors[i] = read.error();
        });
  }
  c.client->Settle();
  EXPECT_EQ(answered, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  for (int i = 0; i < kFiles; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(errors[i], i == 3 ? platform::MakeError(platform::Fault::ChangedSinceList) : std::error_code());
    if (i != 3) {
      EXPECT_EQ(got[i], "file " + std::to_string(i));
    }
  }
  EXPECT_EQ(c.client->MostInFlight(), static_cast<std::size_t>(kFiles));
}

}  // namespace
}  // namespace orvel::test
