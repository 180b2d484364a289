// What a far side refuses whatever the near side asks: a folder another run
// holds, a second opening of its root, a file sent to the trash in a folder's
// place; and what the near side refuses: bytes beyond a file's announcement.
#include "platform/folder_lock.h"
#include "platform/temporary_name.h"
#include "remote_pair.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

namespace orvel::test {
namespace {

using platform::FolderLock;
using Lock = remote::LockMode;

TEST(FarSideRules, KeepToTheirOwnFolderAndLock) {
  TempDir dir;
  const std::string temporary = dir / platform::TemporaryNameFor("a.txt");
  WriteFile(temporary, "another run's copy", Time(1));
  WriteFile(dir / "d", "a file where the list saw a folder", Time(1));
  platform::Expected<platform::Folder> folder = platform::Folder::OpenRoot(dir.Path());
  const auto open = [&](Lock lock, Connected& into) {
    into = ConnectInProcess(dir.Path());
    EXPECT_FALSE(into.client->Handshake());
    return into.client->OpenRoot(lock, false).error();
  };
  Connected c;
  {
    platform::Expected<FolderLock> held = FolderLock::Acquire(*folder, FolderLock::Mode::Exclusive);
    EXPECT_EQ(open(Lock::Shared, c), platform::MakeError(platform::Fault::Busy));
  }
  {
    // Beside a run that reads the folder: no clean-up of its temporaries.
    platform::Expected<FolderLock> reading = FolderLock::Acquire(*folder, FolderLock::Mode::Shared);
    ASSERT_FALSE(open(Lock::Shared, c));
    remote::ScanRequest cleanUp;
    cleanUp.removeLeftovers = true;
    engine::SideIndex index;
    engine::ScanLists lists;
    engine::ScanSummary summary;
    EXPECT_TRUE(c.client->Scan(cleanUp, dir.Path() + "/", index, lists, summary));
    EXPECT_TRUE(Exists(temporary));
  }
  // Alone in it: opened once, and the lock stays as it was taken.
  ASSERT_FALSE(open(Lock::Exclusive, c));
  EXPECT_TRUE(c.client->OpenRoot(Lock::Shared, false).error());
  EXPECT_EQ(FolderLock::Acquire(*folder, FolderLock::Mode::Shared).error(), platform::MakeError(platform::Fault::Busy));
  std::error_code trashed;
  c.client->DeleteTree({"", "d", true, true, {}}, [&](std::error_code error) { trashed = error; });
  c.client->Settle();
  EXPECT_EQ(trashed, platform::MakeError(platform::Fault::ChangedSinceList));
  EXPECT_TRUE(Exists(dir / "d"));
}

// A stand-in far side announces a byte more or less than it sends: no byte
// beyond the announcement is taken, and no read or fetch ends as whole.
TEST(NearSideRules, TakeNoFileOtherThanAnnounced) {
  TempDir dir;
  WriteFile(dir / "f", "0123456789", Time(1));
  for (const std::string lie : {"longer", "shorter"}) {
    for (const bool fetch : {false, true}) {
      platform::Expected<remote::Channel> channel = remote::StartProcess({ORVEL_LYING_FAR_SIDE, lie, "--serve=" + dir.Path()});
      remote::Client client(std::move(*channel), TestClientSetup());
      ASSERT_FALSE(client.Handshake());
      ASSERT_TRUE(client.OpenRoot(Lock::Shared, false).ok());
      std::uint64_t announced = 0;
      std::string taken;
      const auto begin = [&](const remote::FileBeginReply& reply) { return announced = reply.size, true; };
      const auto sink = [&](std::string_view bytes) { return taken.append(bytes), true; };
      std::error_code error;
      if (fetch) {
        client.Fetch({"", "f", {}}, 10, begin, sink, [&](auto read) { error = read.ok() ? std::error_code() : read.error(); });
        client.Settle();
      } else {
        error = client.ReadFile("", "f", {}, sink, begin).error();
      }
      EXPECT_EQ(error, remote::MakeError(remote::ProtocolFault::BadFrame)) << lie << fetch;
      EXPECT_LE(taken.size(), announced) << lie << fetch;
    }
  }
}

}  // namespace
}  // namespace orvel::test
