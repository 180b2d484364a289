#include "platform/file_system.h"
#include "platform/error.h"
#include "platform/file_system_identity.h"

#include "support/loop_disk.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::platform {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempDir;
using test::Time;
using test::WriteFile;

TEST(LookUpTest, LinkIsAnEntryOfItsOwnUnlessFollowed) {
  TempDir tmp;
  test::MakeFolder(tmp / "folder", Time(1'400'000'000, 400));
  ASSERT_EQ(::symlink("folder", (tmp / "link").c_str()), 0);
  ASSERT_EQ(::symlink("missing", (tmp / "dangling").c_str()), 0);
  test::SetTime(tmp / "link", Time(1'300'000'000, 300));

  const EntryInfo link = LookUp(tmp / "link");
  EXPECT_TRUE(link.exists);
  EXPECT_FALSE(link.directory);
  EXPECT_EQ(link.mtime, Time(1'300'000'000, 300));

  const EntryInfo followed = LookUpFollow(tmp / "link");
  EXPECT_TRUE(followed.exists);
  EXPECT_TRUE(followed.directory);
  EXPECT_EQ(followed.mtime, Time(1'400'000'000, 400));

  EXPECT_TRUE(LookUp(tmp / "dangling").exists);
  EXPECT_FALSE(LookUpFollow(tmp / "dangling").exists);
  EXPECT_FALSE(LookUp(tmp / "missing").exists);
  EXPECT_FALSE(LookUp(tmp / "folder/below/missing").exists);
}

TEST(LookUpTest, FailuresOtherThanAbsenceCarryTheirReason) {
  TempDir tmp;
  WriteFile(tmp / "file", "x", Time(1));
  EXPECT_FALSE(LookUp(tmp / "file/below").Failed());  // ENOTDIR: absence
  EXPECT_EQ(LookUp(tmp / std::string(5000, 'x')).error, SystemError(ENAMETOOLONG));
  EXPECT_EQ(LookUpFollow(std::string("a\0b", 3)).error, MakeError(Fault::NulInPath));
}

// A folder made again where one was removed is another root, also when the
// file system hands it the same inode number: by birth time, or by the inode's
// generation where there is none (ext2 with small inodes).
TEST(RootIdentityTest, AFolderMadeAgainWithTheSameInodeIsAnotherRoot) {
  int compared = 0;
  for (const char* format : {"mkfs.ext4 -q", "mkfs.ext2 -q -I 128"}) {
    SCOPED_TRACE(format);
    TempDir tmp;
    ::mkdir((tmp / "m").c_str(), 0755);
    test::LoopDisk disk(format, tmp / "m", tmp / "disk.img");
    if (!disk.Why().empty()) GTEST_SKIP() << disk.Why();
    const std::string root = tmp / "m/root";
    const auto identity = [&](ino_t& inode) {
      ::mkdir(root.c_str(), 0755);
      struct stat st {};
      ::stat(root.c_str(), &st);
      inode = st.st_ino;
      const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      const RootIdentity id = RootIdentityOf(fd);
      ::close(fd);
      ::rmdir(root.c_str());
      return id;
    };
    ino_t first = 0;
    ino_t again = 0;
    const RootIdentity before = identity(first);
    const RootIdentity after = identity(again);
    if (first != again) continue;  // a new inode number tells them apart anyway
    ++compared;
    EXPECT_EQ(before.fileSystem, after.fileSystem);
    EXPECT_NE(before, after);
  }
  if (compared == 0) GTEST_SKIP() << "no file system gave the folder made again its old inode number";
}

TEST(FolderOperationsTest, CreateDirectoryReportsWhy) {
  TempDir tmp;
  EXPECT_FALSE(CreateDirectory(tmp / "made"));
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "made"));
  EXPECT_EQ(CreateDirectory(tmp / "made"), SystemError(EEXIST));
  EXPECT_EQ(CreateDirectory(tmp / "no/parent"), SystemError(ENOENT));
}

}  // namespace
}  // namespace orvel::platform
