#include "platform/trash.h"
#include "platform/error.h"

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
template <typename Trash>
int TrashInChild(const std::string& dataHome, Trash trash) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(30);
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    const std::error_code error = trash();
    ::_exit(!error ? 0 : error == MakeError(Fault::ChangedSinceList) ? 2 : 1);
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

  ASSERT_EQ(TrashInChild(tmp / "data", [&] { return MoveToTrash(tmp / ("work/" + name)); }), 0);

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
  EXPECT_EQ(TrashInChild(tmp / "data", [&] { return MoveToTrash(tmp / "missing"); }), 1);
  EXPECT_FALSE(Exists(tmp / "data/Trash/files/missing"));
}

// Through a verified folder the trash gets the very entry that was checked,
// wherever its folder has moved, and nothing else.
TEST(TrashTest, VerifiedEntryOnly) {
  TempDir tmp;
  WriteFile(tmp / "work/doc", "checked", Time(1));
  WriteFile(tmp / "work/other", "replaced", Time(1));
  test::MakeFolder(tmp / "data", Time(1));
  Expected<Folder> work = Folder::OpenRoot(tmp / "work");
  ASSERT_TRUE(work);
  const Identity doc = work->LookUpIdentity("doc");
  const Identity other = work->LookUpIdentity("other");
  // The folder is moved away and its name taken by a link to a look-alike.
  ASSERT_EQ(::rename((tmp / "work").c_str(), (tmp / "moved").c_str()), 0);
  WriteFile(tmp / "decoy/doc", "decoy", Time(1));
  ASSERT_EQ(::symlink("decoy", (tmp / "work").c_str()), 0);
  ASSERT_EQ(TrashInChild(tmp / "data", [&] { return TrashEntryAt(*work, "doc", doc); }), 0);
  EXPECT_FALSE(Exists(tmp / "moved/doc"));
  EXPECT_EQ(ReadFile(tmp / "decoy/doc"), "decoy");
  EXPECT_EQ(ReadFile(tmp / "data/Trash/files/doc"), "checked");

  // An entry that is no longer the one checked stays where it is.
  WriteFile(tmp / "moved/other.new", "new", Time(1));
  ASSERT_EQ(::rename((tmp / "moved/other.new").c_str(), (tmp / "moved/other").c_str()), 0);
  EXPECT_EQ(TrashInChild(tmp / "data", [&] { return TrashEntryAt(*work, "other", other); }), 2);
  EXPECT_EQ(ReadFile(tmp / "moved/other"), "new");
}

}  // namespace
}  // namespace orvel::platform
