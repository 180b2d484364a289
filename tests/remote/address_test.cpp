// What counts as a remote folder, and hostile spellings that must never reach ssh.
#include "remote/address.h"
#include "remote/transport.h"

#include <gtest/gtest.h>

namespace orvel::remote {
namespace {

using Kind = ParsedFolder::Kind;

struct Case {
  const char* text;
  Kind kind;
  Address address;
};

TEST(Address, ParsesBothFormsAndLeavesLocalPathsAlone) {
  const Case cases[] = {
      {"/data/photos", Kind::Local, {}},
      {"./a:b", Kind::Local, {}},
      {"/a:b", Kind::Local, {}},
      {"a/b:c", Kind::Local, {}},
      {"photos", Kind::Local, {}},
      {"nas:/srv/photos", Kind::Remote, {"", "nas", 0, "/srv/photos"}},
      {"me@nas.local:photos", Kind::Remote, {"me", "nas.local", 0, "photos"}},
      {"nas:", Kind::Remote, {"", "nas", 0, ""}},
      {"c:/x", Kind::Remote, {"", "c", 0, "/x"}},
      {"a@b@host:/p", Kind::Remote, {"a@b", "host", 0, "/p"}},
      {"[::1]:/srv/a:b", Kind::Remote, {"", "::1", 0, "/srv/a:b"}},
      {"u@[fe80::1%eth0]:/x", Kind::Remote, {"u", "fe80::1%eth0", 0, "/x"}},
      {"ssh://me@nas:2222/srv/my%20photos", Kind::Remote, {"me", "nas", 2222, "/srv/my photos"}},
      {"ssh://[::1]/x%3Ay", Kind::Remote, {"", "::1", 0, "/x:y"}},
      {"ssh://nas", Kind::Remote, {"", "nas", 0, ""}},
      // Hostile or broken: refused, never handed on.
      {"-oProxyCommand=sh:/x", Kind::Invalid, {}},
      {"ssh://-oProxyCommand=x/p", Kind::Invalid, {}},
      {"-l@host:/x", Kind::Invalid, {}},
      {"ho st:/x", Kind::Invalid, {}},
      {"host;rm:/x", Kind::Invalid, {}},
      {":/x", Kind::Invalid, {}},
      {"@host:/x", Kind::Invalid, {}},
      {"[::1]x:/y", Kind::Invalid, {}},
      {"[nothex]:/x", Kind::Invalid, {}},
      {"ssh://h:0/x", Kind::Invalid, {}},
      {"ssh://h:65536/x", Kind::Invalid, {}},
      {"ssh://h:22a/x", Kind::Invalid, {}},
      {"ssh://h/a%2", Kind::Invalid, {}},
      {"ssh://h/a%00b", Kind::Invalid, {}},
      {"ssh://u%20x@h/a", Kind::Invalid, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const ParsedFolder parsed = ParseFolder(c.text);
    EXPECT_EQ(parsed.kind, c.kind) << engine::ReasonText(engine::Language::English, parsed.error);
    if (c.kind == Kind::Remote) {
      EXPECT_EQ(parsed.address, c.address);
    } else if (c.kind == Kind::Invalid) {
      EXPECT_NE(parsed.error.id, engine::TextId::OtherReason);
    }
  }
}

TEST(Address, DisplayParsesBackToTheSameAddress) {
  for (const char* text : {"me@nas:/srv/a b", "[::1]:x", "ssh://me@[::1]:2200/a%25b c"}) {
    const Address address = ParseFolder(text).address;
    EXPECT_EQ(ParseFolder(address.Display()).address, address) << text;
  }
}

TEST(Transport, SshArgumentsKeepTheHostAfterDashDashAndQuoteTheFarCommand) {
  SshSetup setup;
  setup.sshCommand = "ssh -F '/my config' -o \"User=a b\"";
  setup.remoteProgram = "/opt/orvel/bin/orvel-cli";
  const Address address{"me", "nas", 2222, "/srv/it's $HOME"};
  const std::vector<std::string> args = SshArguments(address, setup);
  ASSERT_GE(args.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(args.begin(), args.begin() + 5),
            (std::vector<std::string>{"ssh", "-F", "/my config", "-o", "User=a b"}));
  EXPECT_EQ(args[5], "-p");
  EXPECT_EQ(args[6], "2222");
  ASSERT_EQ(args[args.size() - 3], "--");
  EXPECT_EQ(args[args.size() - 2], "nas");
  EXPECT_EQ(args.back(), "/opt/orvel/bin/orvel-cli '--serve=/srv/it'\\''s $HOME'");
  // What the far shell makes of the command: the program and one intact argument.
  std::vector<std::string> words;
  ASSERT_TRUE(SplitCommandLine(args.back(), words));
  EXPECT_EQ(words, (std::vector<std::string>{"/opt/orvel/bin/orvel-cli", "--serve=/srv/it's $HOME"}));
  setup.sshCommand = "ssh 'unclosed";
  EXPECT_TRUE(SshArguments(address, setup).empty());
}

}  // namespace
}  // namespace orvel::remote
