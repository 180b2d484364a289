// Open folders: listing, look-ups and the walk below a root that never follows a link.
#include "platform/directory.h"
#include "platform/folder.h"

#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace orvel::platform {
namespace {

using test::TempDir;
using test::Time;
using test::WriteFile;

Folder Open(const std::string& path) {
  Expected<Folder> folder = Folder::OpenRoot(path);
  EXPECT_TRUE(folder) << path;
  return folder ? std::move(*folder) : Folder{};
}

std::vector<std::pair<std::string, DirectoryReader::Type>> ListAll(const Folder& folder) {
  std::vector<char> buffer;
  DirectoryReader reader(folder.Fd(), buffer);
  std::vector<std::pair<std::string, DirectoryReader::Type>> out;
  DirectoryReader::Entry entry;
  while (reader.Next(entry)) out.emplace_back(std::string(entry.name), entry.type);
  EXPECT_FALSE(reader.Error());
  return out;
}

TEST(DirectoryReaderTest, ListsInFileSystemOrderWithTypes) {
  TempDir tmp;
  // Enough names that a hashed directory returns them in no obvious order, and
  // more than one buffer's worth of long ones.
  for (int i = 0; i < 150; ++i) WriteFile(tmp / ("f" + std::to_string(i) + std::string(200, 'x')), "", Time(1));
  test::MakeFolder(tmp / "sub", Time(1));
  WriteFile(tmp / ".hidden", "", Time(1));
  ASSERT_EQ(::symlink("sub", (tmp / "link-to-sub").c_str()), 0);
  ASSERT_EQ(::mkfifo((tmp / "pipe").c_str(), 0600), 0);

  std::vector<std::string> expected;
  for (const auto& e : std::filesystem::directory_iterator(tmp.Path())) expected.push_back(e.path().filename());
  const auto listed = ListAll(Open(tmp.Path()));
  std::vector<std::string> names;
  for (const auto& [name, type] : listed) {
    names.push_back(name);
    // Links, FIFOs and files are all files to the scan; a link is never a folder.
    EXPECT_EQ(type, name == "sub" ? DirectoryReader::Type::Directory : DirectoryReader::Type::File) << name;
  }
  EXPECT_EQ(names, expected);
}

TEST(FolderTest, RootsFollowLinksTheWalkBelowNever) {
  TempDir tmp;
  WriteFile(tmp / "real/deep/er/file", "x", Time(5));
  WriteFile(tmp / "outside/secret", "x", Time(6));
  ASSERT_EQ(::symlink("real", (tmp / "alias").c_str()), 0);
  ASSERT_EQ(::symlink((tmp / "outside").c_str(), (tmp / "real/deep/hop").c_str()), 0);
  ASSERT_EQ(::symlink("er", (tmp / "real/deep/inner").c_str()), 0);  // stays inside, still a link
  test::MakeFolder(tmp / "real/deep/er/more", Time(5));
  WriteFile(tmp / "real/plain", "x", Time(7));

  // A root folder may be a link.
  const Folder root = Open(tmp / "alias");
  EXPECT_EQ(root.Id(), Open(tmp / "real").Id());

  Expected<Folder> deep = root.OpenBeneath("deep/er/");
  ASSERT_TRUE(deep);
  EXPECT_EQ(deep->LookUp("file").mtime, Time(5));

  struct Case {
    const char* rel;
    std::error_code expected;
  };
  const Case refused[] = {
      {"deep/hop", MakeError(Fault::LinkInPath)},       // a link as the last folder
      {"deep/hop/", MakeError(Fault::LinkInPath)},
      {"deep/hop/deeper", MakeError(Fault::LinkInPath)},  // or in the middle
      {"deep/inner/more", MakeError(Fault::LinkInPath)},
      {"../real", SystemError(EINVAL)},                  // never out of the root
      {"deep/./er", SystemError(EINVAL)},
      {"/etc", MakeError(Fault::LinkInPath)},
      {"plain/x", SystemError(ENOTDIR)},                 // a file where a folder should be: absence
      {"missing", SystemError(ENOENT)},
      {std::string_view("de\0ep", 5).data(), {}},
  };
  for (const Case& c : refused) {
    if (!c.expected) continue;
    Expected<Folder> opened = root.OpenBeneath(c.rel);
    EXPECT_FALSE(opened) << c.rel;
    if (!opened) {
      EXPECT_EQ(opened.error(), c.expected) << c.rel;
    }
  }
  EXPECT_EQ(root.OpenBeneath(std::string_view("de\0ep", 5)).error(), MakeError(Fault::NulInPath));
  EXPECT_EQ(root.OpenChild("deep/er").error(), SystemError(EINVAL));
  EXPECT_EQ(Open(tmp / "real/deep").OpenChild("hop").error(), MakeError(Fault::LinkInPath));
  EXPECT_TRUE(IsAbsence(root.OpenBeneath("plain/x").error()));
}

TEST(FolderTest, LookUpTellsAbsenceFromFailure) {
  TempDir tmp;
  WriteFile(tmp / "file", "x", Time(1'600'000'000, 5));
  test::MakeFolder(tmp / "folder", Time(1'500'000'000, 6));
  ASSERT_EQ(::symlink("folder", (tmp / "link").c_str()), 0);
  test::SetTime(tmp / "link", Time(1'400'000'000, 7));
  const Folder folder = Open(tmp.Path());

  const EntryInfo file = folder.LookUp("file");
  EXPECT_TRUE(file.IsFile());
  EXPECT_EQ(file.mtime, Time(1'600'000'000, 5));
  EXPECT_TRUE(folder.LookUp("folder").directory);
  // A link is an entry of its own, with its own time.
  const EntryInfo link = folder.LookUp("link");
  EXPECT_TRUE(link.IsFile());
  EXPECT_EQ(link.mtime, Time(1'400'000'000, 7));

  const EntryInfo missing = folder.LookUp("missing");
  EXPECT_FALSE(missing.exists);
  EXPECT_FALSE(missing.Failed());
  const EntryInfo tooLong = folder.LookUp(std::string(300, 'n'));
  EXPECT_FALSE(tooLong.exists);
  EXPECT_EQ(tooLong.error, SystemError(ENAMETOOLONG));
  EXPECT_EQ(folder.LookUp(std::string_view("a\0b", 3)).error, MakeError(Fault::NulInPath));
}

TEST(FolderTest, EmptinessOfFolders) {
  TempDir tmp;
  test::MakeFolder(tmp / "empty", Time(1));
  WriteFile(tmp / "hidden-only/.dot", "", Time(1));
  test::MakeFolder(tmp / "folder-only/inner", Time(1));
  EXPECT_TRUE(*IsEmptyFolder(Open(tmp / "empty").Fd()));
  EXPECT_FALSE(*IsEmptyFolder(Open(tmp / "hidden-only").Fd()));
  EXPECT_FALSE(*IsEmptyFolder(Open(tmp / "folder-only").Fd()));
  // A folder that cannot be listed is an error, never "empty".
  EXPECT_EQ(IsEmptyFolder(-1).error(), SystemError(EBADF));
}

TEST(FolderTest, MovedFolderKeepsItsIdentityAndContents) {
  TempDir tmp;
  WriteFile(tmp / "a/x", "", Time(1));
  const Folder a = Open(tmp / "a");
  ASSERT_EQ(::rename((tmp / "a").c_str(), (tmp / "b").c_str()), 0);
  ASSERT_EQ(::symlink("b", (tmp / "a").c_str()), 0);
  // What was opened stays what it was, whatever the name now leads to.
  EXPECT_TRUE(a.LookUp("x").exists);
  EXPECT_EQ(a.Id(), Open(tmp / "b").Id());
  EXPECT_EQ(Open(tmp.Path()).OpenChild("a").error(), MakeError(Fault::LinkInPath));
}

}  // namespace
}  // namespace orvel::platform
