#include "platform/file_copy.h"

#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvel::platform {
namespace {

using test::Exists;
using test::FolderNames;
using test::ModeOf;
using test::ReadFile;
using test::TempDir;
using test::Time;
using test::TimeOf;
using test::WriteFile;

std::string LinkTarget(const std::string& path) {
  std::error_code ec;
  return std::filesystem::read_symlink(path, ec).string();
}

std::string Binary(std::size_t size) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
  return data;
}

TEST(CopyEntryTest, KeepsContentsPermissionBitsAndNanosecondTime) {
  TempDir dir;
  const std::string content = Binary(300 * 1024);
  WriteFile(dir / "src.bin", content, Time(1'600'000'000, 123'456'789));
  ASSERT_EQ(::chmod((dir / "src.bin").c_str(), 04750), 0);

  ASSERT_TRUE(CopyEntry(dir / "src.bin", dir / "dst.bin")) << std::strerror(errno);

  EXPECT_EQ(ReadFile(dir / "dst.bin"), content);
  EXPECT_EQ(ModeOf(dir / "dst.bin") & 07777, 04750u);
  EXPECT_TRUE(S_ISREG(ModeOf(dir / "dst.bin")));
  EXPECT_EQ(TimeOf(dir / "dst.bin"), Time(1'600'000'000, 123'456'789));
  EXPECT_EQ(ReadFile(dir / "src.bin"), content);
  EXPECT_EQ((FolderNames(dir.Path())), (std::vector<std::string>{"dst.bin", "src.bin"}));
}

TEST(CopyEntryTest, CopiesEmptyFileAndReadOnlySource) {
  TempDir dir;
  WriteFile(dir / "empty", "", Time(1'000, 1));
  WriteFile(dir / "locked", "keep", Time(2'000, 2));
  ASSERT_EQ(::chmod((dir / "locked").c_str(), 0444), 0);

  ASSERT_TRUE(CopyEntry(dir / "empty", dir / "empty.copy"));
  ASSERT_TRUE(CopyEntry(dir / "locked", dir / "locked.copy"));

  EXPECT_EQ(ReadFile(dir / "empty.copy"), "");
  EXPECT_EQ(TimeOf(dir / "empty.copy"), Time(1'000, 1));
  EXPECT_EQ(ReadFile(dir / "locked.copy"), "keep");
  EXPECT_EQ(ModeOf(dir / "locked.copy") & 07777, 0444u);
}

// A file of another file system that refuses the kernel copy (here /proc,
// which also reports no size) still arrives whole through plain reads.
TEST(CopyEntryTest, CopiesPseudoFileThroughReads) {
  TempDir dir;
  ASSERT_TRUE(CopyEntry("/proc/self/cmdline", dir / "cmdline")) << std::strerror(errno);
  const std::string copied = ReadFile(dir / "cmdline");
  EXPECT_FALSE(copied.empty());
  EXPECT_EQ(copied, ReadFile("/proc/self/cmdline"));
}

TEST(CopyEntryTest, ReplacesExistingDestinationWithoutLeftovers) {
  TempDir dir;
  WriteFile(dir / "a/new.txt", "new contents", Time(1'700'000'000, 5));
  WriteFile(dir / "b/new.txt", "old and longer contents", Time(1'500'000'000, 7));
  ASSERT_EQ(::chmod((dir / "b/new.txt").c_str(), 0600), 0);
  ASSERT_EQ(::chmod((dir / "a/new.txt").c_str(), 0664), 0);

  ASSERT_TRUE(CopyEntry(dir / "a/new.txt", dir / "b/new.txt")) << std::strerror(errno);

  EXPECT_EQ(ReadFile(dir / "b/new.txt"), "new contents");
  EXPECT_EQ(TimeOf(dir / "b/new.txt"), Time(1'700'000'000, 5));
  EXPECT_EQ(ModeOf(dir / "b/new.txt") & 07777, 0664u);
  EXPECT_EQ(FolderNames(dir / "b"), std::vector<std::string>{"new.txt"});
}

TEST(CopyEntryTest, RefusesReadOnlyDestinationEvenForRoot) {
  TempDir dir;
  WriteFile(dir / "src", "newer", Time(1'700'000'000));
  WriteFile(dir / "dst", "older", Time(1'600'000'000, 42));
  ASSERT_EQ(::chmod((dir / "dst").c_str(), 0444), 0);

  errno = 0;
  EXPECT_FALSE(CopyEntry(dir / "src", dir / "dst"));
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(ReadFile(dir / "dst"), "older");
  EXPECT_EQ(TimeOf(dir / "dst"), Time(1'600'000'000, 42));
  EXPECT_EQ(ModeOf(dir / "dst") & 07777, 0444u);
  EXPECT_EQ((FolderNames(dir.Path())), (std::vector<std::string>{"dst", "src"}));
}

TEST(CopyEntryTest, RefusesDirectoriesOnEitherSide) {
  TempDir dir;
  WriteFile(dir / "file", "x", Time(1));
  test::MakeFolder(dir / "folder", Time(2));
  test::MakeFolder(dir / "taken", Time(3));

  errno = 0;
  EXPECT_FALSE(CopyEntry(dir / "folder", dir / "folder.copy"));
  EXPECT_EQ(errno, EISDIR);
  EXPECT_FALSE(Exists(dir / "folder.copy"));

  errno = 0;
  EXPECT_FALSE(CopyEntry(dir / "file", dir / "taken"));
  EXPECT_EQ(errno, EISDIR);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken"));
  EXPECT_TRUE(std::filesystem::is_empty(dir / "taken"));
}

TEST(CopyEntryTest, MissingSourceOrDestinationFolderFails) {
  TempDir dir;
  WriteFile(dir / "src", "x", Time(1));

  errno = 0;
  EXPECT_FALSE(CopyEntry(dir / "absent", dir / "dst"));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(Exists(dir / "dst"));

  errno = 0;
  EXPECT_FALSE(CopyEntry(dir / "src", dir / "no/such/folder/dst"));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"src"});
}

// A write that hits the file size limit stands for a full disk: the copy must
// fail without touching an existing destination or leaving a temporary file.
TEST(CopyEntryTest, CopyFailingMidwayLeavesDestinationAsItWas) {
  TempDir dir;
  WriteFile(dir / "src/big", Binary(1024 * 1024), Time(1'700'000'000));
  WriteFile(dir / "dst/big", "previous version", Time(1'600'000'000, 9));
  test::MakeFolder(dir / "fresh", Time(1));

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(10);
    errno = 0;
    if (CopyEntry(dir / "src/big", dir / "dst/big")) ::_exit(11);
    if (errno != EFBIG) ::_exit(12);
    errno = 0;
    if (CopyEntry(dir / "src/big", dir / "fresh/big")) ::_exit(13);
    if (errno != EFBIG) ::_exit(14);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);

  EXPECT_EQ(ReadFile(dir / "dst/big"), "previous version");
  EXPECT_EQ(TimeOf(dir / "dst/big"), Time(1'600'000'000, 9));
  EXPECT_EQ(FolderNames(dir / "dst"), std::vector<std::string>{"big"});
  EXPECT_TRUE(FolderNames(dir / "fresh").empty());
}

TEST(CopyEntryTest, CopiesSymbolicLinkAsLinkWithItsOwnTime) {
  TempDir dir;
  WriteFile(dir / "src/target.txt", "pointed at", Time(1'111'111'111, 1));
  ASSERT_EQ(::symlink("target.txt", (dir / "src/link").c_str()), 0);
  ASSERT_EQ(::symlink("../nowhere", (dir / "src/dangling").c_str()), 0);
  test::SetTime(dir / "src/link", Time(1'234'567'890, 987'654'321));
  test::SetTime(dir / "src/dangling", Time(1'300'000'000, 3));
  test::MakeFolder(dir / "dst", Time(1));
  WriteFile(dir / "dst/dangling", "a file to be replaced by the link", Time(5));

  ASSERT_TRUE(CopyEntry(dir / "src/link", dir / "dst/link")) << std::strerror(errno);
  ASSERT_TRUE(CopyEntry(dir / "src/dangling", dir / "dst/dangling")) << std::strerror(errno);

  EXPECT_TRUE(S_ISLNK(ModeOf(dir / "dst/link")));
  EXPECT_EQ(LinkTarget(dir / "dst/link"), "target.txt");
  EXPECT_EQ(TimeOf(dir / "dst/link"), Time(1'234'567'890, 987'654'321));
  EXPECT_TRUE(S_ISLNK(ModeOf(dir / "dst/dangling")));
  EXPECT_EQ(LinkTarget(dir / "dst/dangling"), "../nowhere");
  EXPECT_EQ(TimeOf(dir / "dst/dangling"), Time(1'300'000'000, 3));
  EXPECT_EQ(FolderNames(dir / "dst"), (std::vector<std::string>{"dangling", "link"}));  // no target.txt
}

TEST(CopyEntryTest, ReplacesLinkAtDestinationInsteadOfWritingThroughIt) {
  TempDir dir;
  WriteFile(dir / "src", "fresh", Time(1'700'000'000));
  WriteFile(dir / "victim", "must stay", Time(1'000'000'000));
  ASSERT_EQ(::symlink((dir / "victim").c_str(), (dir / "dst").c_str()), 0);

  ASSERT_TRUE(CopyEntry(dir / "src", dir / "dst")) << std::strerror(errno);

  EXPECT_TRUE(S_ISREG(ModeOf(dir / "dst")));
  EXPECT_EQ(ReadFile(dir / "dst"), "fresh");
  EXPECT_EQ(ReadFile(dir / "victim"), "must stay");
  EXPECT_EQ(TimeOf(dir / "victim"), Time(1'000'000'000));
}

TEST(CopyEntryTest, RefusesFifoWithoutBlocking) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
  ::alarm(10);  // a copy that opened the FIFO would wait here for a writer
  errno = 0;
  const bool copied = CopyEntry(dir / "pipe", dir / "pipe.copy");
  const int error = errno;
  ::alarm(0);
  EXPECT_FALSE(copied);
  EXPECT_EQ(error, ENOTSUP);
  const auto tree = test::ReadTree(dir.Path());
  ASSERT_EQ(tree.size(), 1u);
  EXPECT_EQ(tree[0].path, "pipe");
  EXPECT_EQ(tree[0].content, "<special>");
}

TEST(CopyEntryTest, OddNamesSurviveByteExact) {
  TempDir dir;
  const std::string name = std::string("line\nbreak \xff\xfe\x80 ") + "\xe6\x97\xa5.txt";
  WriteFile(dir / ("a/" + name), "odd", Time(1'650'000'000, 77));
  test::MakeFolder(dir / "b", Time(1));

  ASSERT_TRUE(CopyEntry(dir / ("a/" + name), dir / ("b/" + name))) << std::strerror(errno);
  EXPECT_EQ(FolderNames(dir / "b"), std::vector<std::string>{name});
  EXPECT_EQ(ReadFile(dir / ("b/" + name)), "odd");
  EXPECT_EQ(TimeOf(dir / ("b/" + name)), Time(1'650'000'000, 77));
}

// The temporary name adds a prefix and a suffix; a name already at the length
// limit must still be replaceable.
TEST(CopyEntryTest, ReplacesFileWithLongestPossibleName) {
  TempDir dir;
  const std::string name(255, 'n');
  WriteFile(dir / ("a/" + name), "new", Time(1'700'000'000, 1));
  WriteFile(dir / ("b/" + name), "old", Time(1'600'000'000, 1));

  ASSERT_TRUE(CopyEntry(dir / ("a/" + name), dir / ("b/" + name))) << std::strerror(errno);
  EXPECT_EQ(ReadFile(dir / ("b/" + name)), "new");
  EXPECT_EQ(FolderNames(dir / "b"), std::vector<std::string>{name});
}

// A copy with an expectation acts only on the entries as the caller saw them,
// and says why it did not copy.
TEST(CopyEntryTest, CheckedCopyRefusesEntriesThatChanged) {
  TempDir dir;
  WriteFile(dir / "src", "new", Time(1'700'000'000, 5));
  WriteFile(dir / "dst", "old", Time(1'600'000'000, 7));
  CopyExpectation seen;
  seen.checkSource = true;
  seen.sourceTime = Time(1'700'000'000, 5);
  seen.destinationExists = true;
  seen.destinationTime = Time(1'600'000'000, 7);

  CopyExpectation sourceChanged = seen;
  sourceChanged.sourceTime = Time(1'700'000'000, 6);
  EXPECT_EQ(CopyEntryChecked(dir / "src", dir / "dst", &sourceChanged), CopyResult::Changed);
  CopyExpectation destinationChanged = seen;
  destinationChanged.destinationTime = Time(1'600'000'001, 7);
  EXPECT_EQ(CopyEntryChecked(dir / "src", dir / "dst", &destinationChanged), CopyResult::Changed);
  CopyExpectation destinationAppeared = seen;
  destinationAppeared.destinationExists = false;
  EXPECT_EQ(CopyEntryChecked(dir / "src", dir / "dst", &destinationAppeared), CopyResult::Changed);
  EXPECT_EQ(ReadFile(dir / "dst"), "old");
  EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"dst", "src"}));

  EXPECT_EQ(CopyEntryChecked(dir / "src", dir / "dst", &seen), CopyResult::Copied);
  EXPECT_EQ(ReadFile(dir / "dst"), "new");

  // A destination that vanished is refused too; without an expectation it is made.
  CopyExpectation gone = seen;
  gone.destinationTime = Time(1'700'000'000, 5);
  EXPECT_EQ(CopyEntryChecked(dir / "src", dir / "missing", &gone), CopyResult::Changed);
  EXPECT_FALSE(Exists(dir / "missing"));
  EXPECT_EQ(CopyEntryChecked(dir / "src", dir / "missing", nullptr), CopyResult::Copied);

  EXPECT_EQ(CopyEntryChecked(dir / "nothing", dir / "x", nullptr), CopyResult::SourceMissing);
  test::MakeFolder(dir / "folder", Time(1));
  EXPECT_EQ(CopyEntryChecked(dir / "folder", dir / "x", nullptr), CopyResult::SourceIsFolder);
  EXPECT_EQ(CopyEntryChecked(dir / "src", dir / "no/such/folder", nullptr), CopyResult::Failed);
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
}  // namespace orvel::platform
