#pragma once

#include "support/temp_tree.h"

#include <cstdlib>
#include <string>

#include <sys/stat.h>

namespace orvel::test {

// The per-user folders of one test program: XDG_DATA_HOME (and with it the
// trash), XDG_STATE_HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME point below a temp
// folder of its own, removed at the end, so no test reaches the real home
// folder. Made in main before any test runs, because GIO reads XDG_DATA_HOME
// once per process; a test that needs a trash of its own still sets it before
// its first GIO call.
class PrivateUserFolders {
 public:
  PrivateUserFolders() {
    for (const char* kind : {"DATA", "STATE", "CONFIG", "CACHE"}) {
      std::string folder = root_ / kind;
      ::mkdir(folder.c_str(), 0700);
      ::setenv(("XDG_" + std::string(kind) + "_HOME").c_str(), folder.c_str(), 1);
    }
  }
  std::string Config() const { return root_ / "CONFIG"; }

 private:
  TempDir root_;
};

}  // namespace orvel::test
