// `sync` onto the file systems users sync to, each a loop-mounted image: the
// copies land, keep what the file system can hold, and a second run copies
// nothing.

#include "cli_process.h"
#include "support/loop_mount.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace orvel::test {
namespace {

constexpr std::int64_t kT = 1600000001;

struct FileSystemCase {
  LoopMount::Kind kind;
  bool links;     // symbolic and hard links
  bool sparse;    // holes
  bool xattrs;    // user attributes
  const char* unit;  // the step said with --verbose, or nullptr
};

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class FileSystems : public testing::TestWithParam<FileSystemCase> {};

TEST_P(FileSystems, CopiesLandAndTheSecondRunCopiesNothing) {
  const FileSystemCase& c = GetParam();
  LoopMount mount(c.kind);
  if (!mount.Mounted()) GTEST_SKIP() << LoopMount::Name(c.kind) << ": " << mount.SkipReason();
  TempDir base;
  WriteFile(base / "a.txt", "alpha", Time(kT, 123'456'789));
  WriteFile(base / "sub/b.txt", "beta", Time(kT + 2, 987'654'321));
  SetTime(base / "sub", Time(kT - 100, 5));
  ASSERT_EQ(::setxattr((base / "a.txt").c_str(), "user.tag", "red", 3, 0), 0);
  ASSERT_EQ(RunCommand("truncate -s 4M " + base / "img && printf data | dd of=" + base /
                       "img bs=1 seek=1048576 conv=notrunc status=none"), 0);
  SetTime(base / "img", Time(kT, 1));
  if (c.links) {
    ASSERT_EQ(::link((base / "a.txt").c_str(), (base / "twin.txt").c_str()), 0);
    ASSERT_EQ(::symlink("a.txt", (base / "link").c_str()), 0);
  }
  const std::string target = mount.Path() + "/t";

  const CliResult first = RunCli({"sync", base.Path(), target, "--yes", "--json", "-v"});
  EXPECT_EQ(first.status, 0) << first.out << first.err;
  EXPECT_EQ(ReadFile(target + "/sub/b.txt"), "beta");
  EXPECT_EQ(TimeOf(target + "/sub").sec, kT - 100);  // the folder's time once its contents are in
  const std::string unitNotice = std::string("\"value\":\"") + (c.unit ? c.unit : "") + "\"";
  EXPECT_EQ(Count(first.out, "\"notice\":\"time_granularity\""), c.unit ? 1u : 0u) << first.out;
  EXPECT_EQ(Count(first.out, unitNotice), c.unit ? 1u : 0u) << first.out;
  char value[8] = {};
  EXPECT_EQ(::getxattr((target + "/a.txt").c_str(), "user.tag", value, sizeof value), c.xattrs ? 3 : -1);
  EXPECT_EQ(Count(first.out, "\"value\":\"attributes\""), c.xattrs ? 0u : 1u) << first.out;
  struct stat src {}, dst {}, twin {};
  ASSERT_EQ(::stat((base / "img").c_str(), &src), 0);
  ASSERT_EQ(::stat((target + "/img").c_str(), &dst), 0);
  EXPECT_EQ(dst.st_size, src.st_size);
  if (c.sparse) {
    EXPECT_LE(dst.st_blocks, src.st_blocks + 2 * (dst.st_blksize / 512));
  }
  if (c.links) {
    ASSERT_EQ(::stat((target + "/twin.txt").c_str(), &twin), 0);
    ASSERT_EQ(::stat((target + "/a.txt").c_str(), &dst), 0);
    EXPECT_EQ(twin.st_ino, dst.st_ino);
    EXPECT_EQ(std::filesystem::read_symlink(target + "/link").string(), "a.txt");
  }

  const CliResult second = RunCli({"sync", base.Path(), target, "--json"});
  EXPECT_EQ(second.status, 0) << second.err;
  for (const char* copied : {"\"result\":\">=\"", "\"result\":\"<=\"", "\"result\":\"?\""})
    EXPECT_EQ(Count(second.out, copied), 0u) << second.out;
  const CliResult list = RunCli({"list", base.Path(), target, "--json"});
  EXPECT_EQ(Count(list.out, "\"mark\":\"=\""), Count(list.out, "\"mark\":")) << list.out;
  EXPECT_EQ(Count(list.out, "\"mark\":"), c.links ? 5u : 3u) << list.out;
}

std::string CaseName(const testing::TestParamInfo<FileSystemCase>& param) {
  static const char* const kNames[] = {"Ext2SmallInodes", "ExfatFuse", "Btrfs", "Vfat"};
  return kNames[static_cast<int>(param.param.kind)];
}

INSTANTIATE_TEST_SUITE_P(LoopImages, FileSystems,
                         testing::Values(FileSystemCase{LoopMount::Kind::Ext2SmallInodes, true, true, true, "1 s"},
                                         FileSystemCase{LoopMount::Kind::ExfatFuse, false, false, false, "1 s"},
                                         FileSystemCase{LoopMount::Kind::Btrfs, true, true, true, nullptr},
                                         FileSystemCase{LoopMount::Kind::Vfat, false, false, false, "2 s"}),
                         CaseName);

}  // namespace
}  // namespace orvel::test
