#include "platform/trash.h"

#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace orvel::platform {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempDir;
using test::Time;
using test::WriteFile;

// GIO reads XDG_DATA_HOME once per process and keeps it, so the trash is used
// from a child process that sets it before its first GIO call.
int TrashInChild(const std::string& dataHome, const std::string& path) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(30);
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    ::_exit(MoveToTrash(path) ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(TrashTest, MovesFileIntoTheHomeTrash) {
  TempDir tmp;
  const std::string name = "to be trashed \xff.txt";
  WriteFile(tmp / ("work/" + name), "gone soon", Time(1'600'000'000));
  WriteFile(tmp / "work/neighbour", "stays", Time(1));
  test::MakeFolder(tmp / "data", Time(1));

  ASSERT_EQ(TrashInChild(tmp / "data", tmp / ("work/" + name)), 0);

  EXPECT_FALSE(Exists(tmp / ("work/" + name)));
  EXPECT_EQ(ReadFile(tmp / "work/neighbour"), "stays");
  EXPECT_EQ(ReadFile(tmp / ("data/Trash/files/" + name)), "gone soon");
  const std::string info = ReadFile(tmp / ("data/Trash/info/" + name + ".trashinfo"));
  EXPECT_NE(info.find("[Trash Info]"), std::string::npos);
  EXPECT_NE(info.find("Path="), std::string::npos);
  EXPECT_NE(info.find("DeletionDate="), std::string::npos);
}

TEST(TrashTest, MissingFileIsNotTrashed) {
  TempDir tmp;
  test::MakeFolder(tmp / "data", Time(1));
  EXPECT_EQ(TrashInChild(tmp / "data", tmp / "missing"), 1);
  EXPECT_FALSE(Exists(tmp / "data/Trash/files/missing"));
}

}  // namespace
}  // namespace orvel::platform
