#pragma once

#include "platform/file_time.h"

#include <cstdint>

namespace orvel::platform {

// What a look-up of one path tells: whether something is there, whether it is a
// directory, and its last-write time. A symbolic link is an entry of its own
// (not a directory), described by the link itself.
struct EntryInfo {
  bool exists = false;
  bool directory = false;
  FileTime mtime;
};

}  // namespace orvel::platform
