#include "platform/file_system.h"
#include "platform/error.h"

#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

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

TEST(FolderOperationsTest, CreateDirectoryReportsWhy) {
  TempDir tmp;
  EXPECT_FALSE(CreateDirectory(tmp / "made"));
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "made"));
  EXPECT_EQ(CreateDirectory(tmp / "made"), SystemError(EEXIST));
  EXPECT_EQ(CreateDirectory(tmp / "no/parent"), SystemError(ENOENT));
}

}  // namespace
}  // namespace orvel::platform
