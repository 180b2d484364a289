#include "platform/directory.h"

#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::platform {
namespace {

using test::TempDir;
using test::Time;
using test::WriteFile;

struct Listed {
  std::string name;
  Directory::Type type;
  bool hidden;
};

std::vector<Listed> ListAll(Directory& dir) {
  std::vector<Listed> out;
  Directory::Entry entry;
  while (dir.Next(entry)) out.push_back({std::string(entry.name), entry.type, entry.hidden});
  return out;
}

std::vector<std::string> NamesOf(const std::vector<Listed>& listed) {
  std::vector<std::string> names;
  for (const auto& l : listed) names.push_back(l.name);
  return names;
}

TEST(DirectoryTest, ListsInFileSystemOrderWithTypes) {
  TempDir tmp;
  // Enough names that a hashed directory returns them in no obvious order.
  for (int i = 0; i < 150; ++i) WriteFile(tmp / ("f" + std::to_string(i)), "", Time(1));
  test::MakeFolder(tmp / "sub", Time(1));
  WriteFile(tmp / ".hidden", "", Time(1));
  ASSERT_EQ(::symlink("sub", (tmp / "link-to-sub").c_str()), 0);
  ASSERT_EQ(::mkfifo((tmp / "pipe").c_str(), 0600), 0);

  std::vector<std::string> expected;
  for (const auto& e : std::filesystem::directory_iterator(tmp.Path())) expected.push_back(e.path().filename());

  Directory dir;
  ASSERT_TRUE(dir.Open(tmp.Path()));
  const auto listed = ListAll(dir);
  EXPECT_FALSE(dir.Failed());
  EXPECT_EQ(NamesOf(listed), expected);
  ASSERT_EQ(listed.size(), 154u);
  for (const auto& l : listed) {
    ASSERT_NE(l.name, ".");
    ASSERT_NE(l.name, "..");
    EXPECT_EQ(l.hidden, l.name == ".hidden") << l.name;
    // ext4 and tmpfs report the type; a link is a file for the listing.
    EXPECT_EQ(l.type, l.name == "sub" ? Directory::Type::Directory : Directory::Type::File) << l.name;
  }
  // The end stays the end.
  Directory::Entry entry;
  EXPECT_FALSE(dir.Next(entry));
  EXPECT_FALSE(dir.Failed());
}

TEST(DirectoryTest, OpenFollowsLinksButOpenChildNever) {
  TempDir tmp;
  WriteFile(tmp / "real/inside", "x", Time(1));
  ASSERT_EQ(::symlink("real", (tmp / "alias").c_str()), 0);

  Directory viaLink;
  ASSERT_TRUE(viaLink.Open(tmp / "alias"));
  EXPECT_EQ(NamesOf(ListAll(viaLink)), std::vector<std::string>{"inside"});

  Directory parent;
  ASSERT_TRUE(parent.Open(tmp.Path()));
  Directory child;
  errno = 0;
  EXPECT_FALSE(child.OpenChild(parent, "alias"));
  EXPECT_TRUE(errno == ENOTDIR || errno == ELOOP) << errno;
  EXPECT_FALSE(child.IsOpen());
  ASSERT_TRUE(child.OpenChild(parent, "real"));
  EXPECT_EQ(NamesOf(ListAll(child)), std::vector<std::string>{"inside"});
}

TEST(DirectoryTest, FoldersThatCannotBeListedFailCleanly) {
  TempDir tmp;
  WriteFile(tmp / "plain", "x", Time(1));

  Directory dir;
  EXPECT_FALSE(dir.Open(tmp / "missing"));
  EXPECT_FALSE(dir.IsOpen());
  errno = 0;
  EXPECT_FALSE(dir.Open(tmp / "plain"));
  EXPECT_EQ(errno, ENOTDIR);
  Directory::Entry entry;
  EXPECT_FALSE(dir.Next(entry));
  EXPECT_FALSE(dir.Failed());
  EXPECT_FALSE(dir.LookUpChild("plain").exists);

  Directory parent;
  ASSERT_TRUE(parent.Open(tmp.Path()));
  EXPECT_FALSE(dir.OpenChild(parent, "plain"));
  EXPECT_FALSE(dir.OpenChild(parent, "missing"));
  Directory closed;
  EXPECT_FALSE(dir.OpenChild(closed, "plain"));
}

TEST(DirectoryTest, LookUpChildDoesNotFollowLinks) {
  TempDir tmp;
  WriteFile(tmp / "file", "x", Time(1'500'000'000, 250'000'001));
  test::MakeFolder(tmp / "folder", Time(1'400'000'000, 9));
  ASSERT_EQ(::symlink("folder", (tmp / "link").c_str()), 0);
  test::SetTime(tmp / "link", Time(1'300'000'000, 3));

  Directory dir;
  ASSERT_TRUE(dir.Open(tmp.Path()));
  const EntryInfo file = dir.LookUpChild("file");
  EXPECT_TRUE(file.exists);
  EXPECT_FALSE(file.directory);
  EXPECT_EQ(file.mtime, Time(1'500'000'000, 250'000'001));
  const EntryInfo folder = dir.LookUpChild("folder");
  EXPECT_TRUE(folder.exists);
  EXPECT_TRUE(folder.directory);
  EXPECT_EQ(folder.mtime, Time(1'400'000'000, 9));
  const EntryInfo link = dir.LookUpChild("link");
  EXPECT_TRUE(link.exists);
  EXPECT_FALSE(link.directory);
  EXPECT_EQ(link.mtime, Time(1'300'000'000, 3));
  EXPECT_FALSE(dir.LookUpChild("missing").exists);
}

TEST(DirectoryTest, EmptinessOfFolders) {
  TempDir tmp;
  test::MakeFolder(tmp / "empty", Time(1));
  WriteFile(tmp / "full/file", "", Time(1));
  WriteFile(tmp / "hidden-only/.dot", "", Time(1));
  test::MakeFolder(tmp / "folder-only/sub", Time(1));
  WriteFile(tmp / "plain", "", Time(1));

  EXPECT_TRUE(Directory::IsEmpty(tmp / "empty"));
  EXPECT_FALSE(Directory::IsEmpty(tmp / "full"));
  EXPECT_FALSE(Directory::IsEmpty(tmp / "hidden-only"));
  EXPECT_FALSE(Directory::IsEmpty(tmp / "folder-only"));
  EXPECT_TRUE(Directory::IsEmpty(tmp / "missing"));
  EXPECT_TRUE(Directory::IsEmpty(tmp / "plain"));

  Directory dir;
  ASSERT_TRUE(dir.Open(tmp.Path()));
  EXPECT_TRUE(dir.IsChildEmpty("empty"));
  EXPECT_FALSE(dir.IsChildEmpty("full"));
  EXPECT_FALSE(dir.IsChildEmpty("hidden-only"));
  EXPECT_FALSE(dir.IsChildEmpty("folder-only"));
  EXPECT_TRUE(dir.IsChildEmpty("missing"));
  EXPECT_TRUE(dir.IsChildEmpty("plain"));
}

TEST(DirectoryTest, MovedDirectoryKeepsListing) {
  TempDir tmp;
  WriteFile(tmp / "a", "", Time(1));
  WriteFile(tmp / "b", "", Time(1));

  Directory first;
  ASSERT_TRUE(first.Open(tmp.Path()));
  Directory::Entry entry;
  ASSERT_TRUE(first.Next(entry));
  const std::string seen(entry.name);

  Directory second(std::move(first));
  EXPECT_FALSE(first.IsOpen());
  EXPECT_FALSE(first.Next(entry));
  ASSERT_TRUE(second.Next(entry));
  EXPECT_NE(std::string(entry.name), seen);
  EXPECT_FALSE(second.Next(entry));

  Directory third;
  third = std::move(second);
  EXPECT_FALSE(second.IsOpen());
  EXPECT_TRUE(third.IsOpen());
  EXPECT_TRUE(third.LookUpChild("a").exists);
}

TEST(DirectoryTest, OddNamesAreListedByteExact) {
  TempDir tmp;
  const std::string odd = std::string("new\nline\t\xff\xc3(") + "\xe6\x97\xa5";
  WriteFile(tmp / odd, "", Time(1));

  Directory dir;
  ASSERT_TRUE(dir.Open(tmp.Path()));
  EXPECT_EQ(NamesOf(ListAll(dir)), std::vector<std::string>{odd});
  EXPECT_TRUE(dir.LookUpChild(odd).exists);
}

// A walk that opens each level from its parent reaches depths whose full path
// is far longer than any single component.
TEST(DirectoryTest, WalksDeepTreeThroughOpenChild) {
  TempDir tmp;
  const std::string component(120, 'd');
  std::string path = tmp.Path();
  int depth = 0;
  while (path.size() < 4000) {
    path += "/" + component;
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0) << path.size();
    ++depth;
  }
  WriteFile(path + "/leaf", "bottom", Time(1'234, 5));
  ASSERT_GE(path.size(), 4000u);

  Directory dir;
  ASSERT_TRUE(dir.Open(tmp.Path()));
  for (int level = 0; level < depth; ++level) {
    Directory::Entry entry;
    ASSERT_TRUE(dir.Next(entry)) << level;
    ASSERT_EQ(entry.name, component);
    ASSERT_EQ(entry.type, Directory::Type::Directory);
    // Reopening in place: the name still points into the listing being replaced.
    ASSERT_TRUE(dir.OpenChild(dir, entry.name)) << level;
  }
  Directory::Entry entry;
  ASSERT_TRUE(dir.Next(entry));
  EXPECT_EQ(entry.name, "leaf");
  EXPECT_EQ(dir.LookUpChild("leaf").mtime, Time(1'234, 5));

  Directory direct;
  ASSERT_TRUE(direct.Open(path));
  EXPECT_TRUE(direct.LookUpChild("leaf").exists);
}

}  // namespace
}  // namespace orvel::platform
