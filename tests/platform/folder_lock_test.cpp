// Advisory locks on root folders.
#include "platform/folder_lock.h"

#include "support/temp_tree.h"

#include <gtest/gtest.h>

namespace orvel::platform {
namespace {

TEST(FolderLockTest, WritersExcludeEveryoneReadersOnlyWriters) {
  test::TempDir tmp;
  Expected<Folder> folder = Folder::OpenRoot(tmp.Path());
  Expected<Folder> sameFolder = Folder::OpenRoot(tmp.Path() + "/.");
  ASSERT_TRUE(folder && sameFolder);
  using Mode = FolderLock::Mode;
  const std::error_code busy = MakeError(Fault::Busy);
  {
    Expected<FolderLock> writer = FolderLock::Acquire(*folder, Mode::Exclusive);
    ASSERT_TRUE(writer);
    EXPECT_EQ(FolderLock::Acquire(*sameFolder, Mode::Exclusive).error(), busy);
    EXPECT_EQ(FolderLock::Acquire(*sameFolder, Mode::Shared).error(), busy);
  }
  // Released with its object.
  Expected<FolderLock> reader = FolderLock::Acquire(*folder, Mode::Shared);
  ASSERT_TRUE(reader);
  EXPECT_TRUE(FolderLock::Acquire(*sameFolder, Mode::Shared));
  EXPECT_EQ(FolderLock::Acquire(*sameFolder, Mode::Exclusive).error(), busy);
  reader->Release();
  EXPECT_TRUE(FolderLock::Acquire(*sameFolder, Mode::Exclusive));
  // No file appears in the folder for it.
  EXPECT_TRUE(test::FolderNames(tmp.Path()).empty());
}

}  // namespace
}  // namespace orvel::platform
