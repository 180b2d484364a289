// The main of the test programs without Qt: private per-user folders, then
// every test of the program.
#include "support/user_folders.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  const orvel::test::PrivateUserFolders userFolders;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
