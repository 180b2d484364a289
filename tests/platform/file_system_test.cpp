#include "platform/file_system.h"

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
  EXPECT_FALSE(LookUp(tmp / std::string(5000, 'x')).exists);
}

TEST(LookUpTest, ReadOnlyMeansNoWriteBitAtAll) {
  TempDir tmp;
  WriteFile(tmp / "ro", "", Time(1));
  WriteFile(tmp / "rw", "", Time(1));
  WriteFile(tmp / "group-writable", "", Time(1));
  ASSERT_EQ(::chmod((tmp / "ro").c_str(), 0444), 0);
  ASSERT_EQ(::chmod((tmp / "group-writable").c_str(), 0460), 0);

  EXPECT_TRUE(IsReadOnly(tmp / "ro"));
  EXPECT_FALSE(IsReadOnly(tmp / "rw"));
  EXPECT_FALSE(IsReadOnly(tmp / "group-writable"));
  EXPECT_FALSE(IsReadOnly(tmp / "missing"));
}

TEST(FolderOperationsTest, CreateAndRemove) {
  TempDir tmp;
  EXPECT_TRUE(CreateDirectory(tmp / "made"));
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "made"));
  EXPECT_FALSE(CreateDirectory(tmp / "made"));  // already there
  EXPECT_FALSE(CreateDirectory(tmp / "no/parent"));

  WriteFile(tmp / "full/file", "x", Time(1));
  EXPECT_FALSE(RemoveDirectory(tmp / "full"));
  EXPECT_EQ(ReadFile(tmp / "full/file"), "x");
  EXPECT_FALSE(RemoveDirectory(tmp / "full/file"));
  EXPECT_TRUE(Exists(tmp / "full/file"));
  EXPECT_TRUE(RemoveDirectory(tmp / "made"));
  EXPECT_FALSE(Exists(tmp / "made"));
  EXPECT_FALSE(RemoveDirectory(tmp / "made"));
}

TEST(DeleteFileTest, DeletesFilesAndLinksOnly) {
  TempDir tmp;
  WriteFile(tmp / "file", "x", Time(1));
  WriteFile(tmp / "target", "stays", Time(1));
  ASSERT_EQ(::symlink("target", (tmp / "link").c_str()), 0);
  test::MakeFolder(tmp / "folder", Time(1));

  EXPECT_TRUE(DeleteFile(tmp / "file"));
  EXPECT_FALSE(Exists(tmp / "file"));
  EXPECT_TRUE(DeleteFile(tmp / "link"));
  EXPECT_FALSE(Exists(tmp / "link"));
  EXPECT_EQ(ReadFile(tmp / "target"), "stays");

  errno = 0;
  EXPECT_FALSE(DeleteFile(tmp / "folder"));
  EXPECT_EQ(errno, EISDIR);
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "folder"));
  errno = 0;
  EXPECT_FALSE(DeleteFile(tmp / "missing"));
  EXPECT_EQ(errno, ENOENT);
}

TEST(DeleteFileTest, KeepsReadOnlyFileEvenForRoot) {
  TempDir tmp;
  WriteFile(tmp / "ro", "precious", Time(1));
  ASSERT_EQ(::chmod((tmp / "ro").c_str(), 0444), 0);

  errno = 0;
  EXPECT_FALSE(DeleteFile(tmp / "ro"));
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(ReadFile(tmp / "ro"), "precious");
}

}  // namespace
}  // namespace orvel::platform
